#include "BenchAppFolder.h"
#include "MainModule.h"
#include "NumberingTransaction.h"
#include "SampleNumbers.h"
#include "SeededDatabase.h"
#include "SharedResources.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

// A working copy of a seeded file, opened as the tool opens it: no server, an absolute DATABASE.
class WorkingDatabase {
public:
    explicit WorkingDatabase(int rowCount) {
        const QString copy = mDir.filePath(QStringLiteral("lab.sqlite"));
        if (!QFile::copy(SeededDatabase(rowCount), copy))
            throw std::runtime_error("cannot copy the seeded database");
        mSettings.Database = mDir.filePath(QStringLiteral("lab"));
        OpenConnection(mDb, mSettings, mDir.path());
    }
    ~WorkingDatabase() { CloseConnection(mDb); }

    const DbConnection& db() const { return mDb; }

private:
    QTemporaryDir mDir;
    AppSettings mSettings;
    DbConnection mDb;
};

// One per size for the whole run: repetitions keep adding to the same file, as a desk does.
std::map<int, std::unique_ptr<WorkingDatabase>> openDatabases;

WorkingDatabase& workingDatabase(int rowCount) {
    auto& slot = openDatabases[rowCount];
    if (!slot)
        slot = std::make_unique<WorkingDatabase>(rowCount);
    return *slot;
}

void LabelDatabaseWork(benchmark::State& state) {
    const DbConnection& db = workingDatabase(int(state.range(0))).db();
    const LabelJob job{QString::fromLatin1(BenchCustomer), 1, SingleTest, 1};
    for (auto _ : state) {
        NumberingTransaction transaction(db, job.CustomerId);
        const QString sampleId = NextSampleId(db, job);
        const QString codeId = RecordNewSample(db, job, sampleId);
        transaction.commit();
        benchmark::DoNotOptimize(codeId);
        benchmark::DoNotOptimize(sampleId);
    }
}

class NoPause final : public Pause {
public:
    void sleep(int) override {}
};

class NoBoxes final : public JobBoxes {
public:
    QString text2() const override { return {}; }
    void setText1(const QString&) override {}
    void setText2(const QString&) override {}
};

// The whole label as the job runs it: database work, sample sticker and result sticker.
void SingleTestLabel(benchmark::State& state) {
    BenchAppFolder folder;
    NoPause pause;
    NoBoxes boxes;
    MainModule module;
    module.settings = folder.settings();
    module.db = workingDatabase(int(state.range(0))).db();
    module.window = [&]() -> JobBoxes& { return boxes; };
    module.printer7x32 = &folder.printer7x32();
    module.printer62 = &folder.printer62();
    module.pause = &pause;
    for (auto _ : state) {
        module.job = {QString::fromLatin1(BenchCustomer), 1, SingleTest, 1};
        if (const JobReport report = RunLabelJob(module); !report.error.isEmpty()) {
            state.SkipWithError(report.error.toStdString().c_str());
            break;
        }
        state.PauseTiming();
        folder.clearPrinters();
        state.ResumeTiming();
    }
}

// The same labels on the smallest and the largest table, for scripts/bench-database.sh: timed, and a
// fixed number of them for counting their system calls (disk syncs, reads).
void DatabaseWorkBySize(benchmark::State& state) {
    LabelDatabaseWork(state);
}
void LabelDatabaseCounted(benchmark::State& state) {
    LabelDatabaseWork(state);
}

// CPU time is the whole process's: the statement thread's and SQLite's, not only the job's.
void sizes(benchmark::internal::Benchmark* bench) {
    bench->Arg(1'000)->Arg(100'000)->Arg(1'000'000);
    bench->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
    // The statements run on the connection's own thread and the commit waits in the kernel: CPU
    // of the job's thread alone would leave both out.
    bench->MeasureProcessCPUTime()->UseRealTime();
}

} // namespace

void ReleaseWorkingDatabases() {
    openDatabases.clear();
}

BENCHMARK(LabelDatabaseWork)->Apply(sizes);
BENCHMARK(DatabaseWorkBySize)
    ->Arg(1'000)
    ->Arg(10'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->MeasureProcessCPUTime();
BENCHMARK(LabelDatabaseCounted)->Arg(1'000)->Arg(10'000'000)->Iterations(300)->Unit(benchmark::kMillisecond);
BENCHMARK(SingleTestLabel)->Apply(sizes);
