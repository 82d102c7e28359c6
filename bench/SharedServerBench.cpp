#include "../tests/support/TestPostgresState.h"
#include "AppError.h"
#include "DbConnection.h"
#include "LabelJob.h"
#include "NumberingTransaction.h"
#include "OwedStickerTable.h"
#include "SampleNumbers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <latch>
#include <memory>
#include <vector>

namespace {

// The tables' owner: empties them before a run and counts what the desks recorded twice.
class Owner {
public:
    explicit Owner(const TestPostgres& server) {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), kName);
        database.setDatabaseName(QStringLiteral("DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;"
                                                "Database=velmora;Uid=velmora_owner;Pwd={%2};")
                                     .arg(server.port, server.ownerPassword));
        if (!database.open())
            throw AppError(database.lastError().text());
    }
    ~Owner() { QSqlDatabase::removeDatabase(kName); }

    int scalar(const QString& statement) {
        QSqlQuery query(QSqlDatabase::database(kName));
        if (!query.exec(statement))
            throw AppError(query.lastError().text());
        return query.next() ? query.value(0).toInt() : 0;
    }

private:
    static inline const QString kName = QStringLiteral("bench-owner");
};

struct DeskRun {
    std::vector<double> milliseconds; // one per label
    QString error;
};

// One packing desk as the job numbers a single-test label: the earlier label's stickers cleared
// before the lock, number, row with a new code and the two owed stickers inside it.
void runDesk(const AppSettings& settings, const QString& customer, int seconds, std::latch& ready,
             DeskRun& run) {
    DbConnection db;
    bool arrived = false;
    try {
        const QString desk = QStringLiteral("bench:") + QString::number(quintptr(&run));
        OpenConnection(db, settings, QDir::tempPath());
        arrived = true;
        ready.arrive_and_wait();
        const LabelJob job{customer, 1, SingleTest, 1};
        const QDeadlineTimer end(std::chrono::seconds{seconds});
        QString previous;
        while (!end.hasExpired()) {
            QElapsedTimer label;
            label.start();
            NumberingTransaction transaction(db, customer, [&] {
                if (previous.isEmpty())
                    return;
                ClearOwedSticker(db, desk, QStringLiteral("sample"), previous);
                ClearOwedSticker(db, desk, QStringLiteral("result"), previous);
            });
            const QString sampleId = NextSampleId(db, job);
            RecordNewSample(db, job, sampleId);
            for (const char* sticker : {"sample", "result"})
                WriteOwedSticker(
                    db, desk, {QString::fromLatin1(sticker), {sampleId}, OwedStickerRow::State::Sending, {}},
                    false);
            transaction.commit();
            previous = sampleId;
            run.milliseconds.push_back(double(label.nsecsElapsed()) / 1e6);
        }
    } catch (const AppError& error) {
        run.error = error.description();
        if (!arrived)
            ready.count_down();
    }
    CloseConnection(db);
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Desks each with a connection of its own, issuing labels without pauses for `seconds`, each for
// one of `customers` customers in turn (desk i for customer 101 + i mod customers).
void SharedServerLabels(benchmark::State& state) {
    const int desks = int(state.range(0));
    const int customers = int(state.range(1));
    const int seconds = int(state.range(2));
    const TestPostgres server = FindTestPostgres(QStringLiteral("scripts/bench-database.sh"));
    if (server.port.isEmpty()) {
        state.SkipWithError(server.whyNot.toStdString().c_str());
        return;
    }
    AppSettings settings;
    settings.Server = QStringLiteral("127.0.0.1,") + server.port;
    settings.Database = QStringLiteral("velmora");
    settings.SqlSvr = QStringLiteral("velmora");
    settings.OdbcDriver = QStringLiteral("PostgreSQL Unicode");
    Owner owner(server);
    owner.scalar(QStringLiteral("DELETE FROM SAMPLE_ORG"));
    owner.scalar(QStringLiteral("DELETE FROM OWED_STICKER"));

    std::vector<DeskRun> runs(size_t(desks), DeskRun{});
    double wallSeconds = 0, cpuSeconds = 0;
    for (auto _ : state) {
        std::latch ready(desks + 1);
        std::vector<std::unique_ptr<QThread>> threads;
        for (int i = 0; i < desks; ++i) {
            const QString customer = QString::number(101 + i % customers);
            threads.emplace_back(QThread::create(runDesk, settings, customer, seconds, std::ref(ready),
                                                 std::ref(runs[size_t(i)])));
            threads.back()->start();
        }
        ready.arrive_and_wait();
        QElapsedTimer wall;
        wall.start();
        const double cpuBefore = processCpuSeconds();
        for (auto& thread : threads)
            thread->wait();
        wallSeconds = double(wall.nsecsElapsed()) / 1e9;
        cpuSeconds = processCpuSeconds() - cpuBefore;
        state.SetIterationTime(wallSeconds);
    }

    std::vector<double> all;
    int failed = 0;
    for (const DeskRun& run : runs) {
        all.insert(all.end(), run.milliseconds.begin(), run.milliseconds.end());
        if (!run.error.isEmpty()) {
            ++failed;
            std::fprintf(stderr, "desk failed: %s\n", qPrintable(run.error));
        }
    }
    std::sort(all.begin(), all.end());
    const double labels = double(all.size());
    state.counters["labels"] = labels;
    state.counters["labels_per_s"] = wallSeconds > 0 ? labels / wallSeconds : 0;
    state.counters["p99_ms"] = all.empty() ? 0 : all[std::min(all.size() - 1, size_t(0.99 * labels))];
    state.counters["cpu_ms_per_label"] = labels > 0 ? 1000 * cpuSeconds / labels : 0;
    state.counters["failed_desks"] = failed;
    state.counters["rows"] = owner.scalar(QStringLiteral("SELECT count(*) FROM SAMPLE_ORG"));
    state.counters["duplicate_numbers"] =
        owner.scalar(QStringLiteral("SELECT count(*) - count(DISTINCT SAMPLE_ID) FROM SAMPLE_ORG"));
    state.counters["duplicate_codes"] = owner.scalar(
        QStringLiteral("SELECT count(*) - count(DISTINCT CODE_ID) FROM SAMPLE_ORG WHERE CODE_ID <> ''"));
}

} // namespace

// The desks' threads and the statement threads of their connections; the server's processes are
// not counted in the CPU time.
BENCHMARK(SharedServerLabels)
    ->ArgNames({"desks", "customers", "seconds"})
    ->Args({16, 16, 5})
    ->Args({16, 1, 5})
    ->Args({1, 1, 5})
    ->Args({1, 1, 2}) // the one scripts/bench-database.sh logs the statements of
    ->Iterations(1)
    ->UseManualTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
