#include "BenchAppFolder.h"
#include "SeededDatabase.h"
#include "SharedResources.h"
#include "modSlpApi62.h"
#include "modSlpApi7x32.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <functional>
#include <memory>

namespace {

const QString SampleId = QStringLiteral("70100042");
const QString CodeId = QStringLiteral("3FA9C0D1");

// One application folder for every sticker, its libraries loaded once, as in the running tool.
std::unique_ptr<BenchAppFolder> stickerFolder;

BenchAppFolder& appFolder() {
    if (!stickerFolder)
        stickerFolder = std::make_unique<BenchAppFolder>();
    return *stickerFolder;
}

struct Stickers {
    LabelJob job{QString::fromLatin1(BenchCustomer), 1, SingleTest, 1};
    modSlpApi7x32 gen7x32{appFolder().printer7x32(), appFolder().settings(), job};
    modSlpApi62 gen62{appFolder().printer62(), appFolder().settings(), job};
};

// Render and file write of one sticker; the printer folders are emptied outside the timing.
void Sticker(benchmark::State& state, const std::function<void(Stickers&)>& print) {
    Stickers stickers;
    print(stickers); // the first sticker loads the library and its fonts
    for (auto _ : state) {
        print(stickers);
        state.PauseTiming();
        appFolder().clearPrinters();
        state.ResumeTiming();
    }
}

// The 300-dpi sample printer's folder emptied, one sample sticker printed and copied under the
// numbers after it until the folder holds files + 1 stickers.
void fillSampleFolder(Stickers& stickers, int files) {
    const QDir folder(appFolder().path() + QStringLiteral("/printers/Smart Label Printer 450"));
    appFolder().clearPrinters();
    stickers.gen7x32.PrintSampleLabel(SampleId, CodeId);
    const QString first = folder.entryList({QStringLiteral("*.png")}, QDir::Files).value(0);
    for (int i = 0; i < files; ++i)
        QFile::copy(folder.filePath(first),
                    folder.filePath(QStringLiteral("%1.png").arg(i + 2, 6, 10, QLatin1Char('0'))));
}

// The file printer numbers a sticker from its folder, so one that keeps the day's stickers must
// not make each new one slower. The stickers printed here stay, as they do at a desk.
void SampleStickerIntoFilledFolder(benchmark::State& state) {
    Stickers stickers;
    fillSampleFolder(stickers, int(state.range(0)));
    for (auto _ : state)
        stickers.gen7x32.PrintSampleLabel(SampleId, CodeId);
    appFolder().clearPrinters();
}

// After a stop the desk looks for the stickers it was sending by their names; a name the folder
// does not hold makes it read every file's first chunks, the slowest case.
void FindUnsentStickerInFilledFolder(benchmark::State& state) {
    Stickers stickers;
    fillSampleFolder(stickers, int(state.range(0)));
    QString whyNot;
    for (auto _ : state)
        benchmark::DoNotOptimize(appFolder().printer7x32().SlpFindLabels(
            QStringLiteral("Smart Label Printer 450"), {QStringLiteral("Velmora sample 70199999")}, {0},
            60000, whyNot));
    appFolder().clearPrinters();
}

// CPU of the whole process, every thread and the kernel included; wall time as the operator waits.
void stickerOptions(benchmark::internal::Benchmark* bench) {
    bench->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
    bench->MeasureProcessCPUTime()->UseRealTime();
}

} // namespace

void ReleaseStickerFolder() {
    stickerFolder.reset();
}

BENCHMARK_CAPTURE(Sticker, Sample7x32, [](Stickers& s) {
    s.gen7x32.PrintSampleLabel(SampleId, CodeId);
})->Apply(stickerOptions);
BENCHMARK_CAPTURE(Sticker, Sample62, [](Stickers& s) {
    s.gen62.PrintSampleLabel(SampleId, CodeId);
})->Apply(stickerOptions);
BENCHMARK_CAPTURE(Sticker, LargeLabel7x32, [](Stickers& s) {
    s.gen7x32.PrintLargeLabel(SampleId);
})->Apply(stickerOptions);
BENCHMARK_CAPTURE(Sticker, LargeLabel62, [](Stickers& s) {
    s.gen62.PrintLargeLabel(SampleId);
})->Apply(stickerOptions);
BENCHMARK_CAPTURE(Sticker, SmallBarcode7x32, [](Stickers& s) {
    s.gen7x32.PrintSmallBarcode(SampleId);
})->Apply(stickerOptions);
BENCHMARK_CAPTURE(Sticker, SmallBarcode62, [](Stickers& s) {
    s.gen62.PrintSmallBarcode(SampleId);
})->Apply(stickerOptions);
BENCHMARK_CAPTURE(Sticker, Result7x32, [](Stickers& s) {
    s.gen7x32.PrintResultLabel(SampleId, CodeId);
})->Apply(stickerOptions);
BENCHMARK_CAPTURE(Sticker, BatchResult62, [](Stickers& s) {
    s.gen62.PrintBatchResultLabel(SampleId, "70100043", "70100044", "70100045", CodeId, "0A1B2C3D",
                                  "4E5F6071", "8293A4B5");
})->Apply(stickerOptions);
BENCHMARK(SampleStickerIntoFilledFolder)->Arg(0)->Arg(1'000)->Arg(10'000)->Apply(stickerOptions);
BENCHMARK(FindUnsentStickerInFilledFolder)->Arg(1'000)->Arg(10'000)->Apply(stickerOptions);
