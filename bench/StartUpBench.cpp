#include "BenchAppFolder.h"
#include "MainModule.h"
#include "StartUp.h"
#include "frmMain.h"

#include <QApplication>
#include <QFile>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// From the settings file to the window on screen, as main() does it, with an SQLite file that
// already exists (the usual morning start) or that start-up has to create.
void StartUpToWindowShown(benchmark::State& state) {
    const bool freshDatabase = state.range(0) != 0;
    BenchAppFolder folder;
    {
        QFile settings(folder.path() + QStringLiteral("/VO_Vudu.ini"));
        if (!settings.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot write the settings file");
            return;
        }
        settings.write(
            "[Drucker]\r\nBARCODEPRINTER1=Smart Label Printer 450\r\n"
            "BARCODEPRINTER2=Smart Label Printer 440\r\nBARCODEPRINTER3=Smart Label Printer 240\r\n"
            "[Datenbank]\r\nSERVER=\r\nDATABASE=lab\r\n"
            "[Labor]\r\nLOGOFILENAME1=logo1.png\r\nLOGOFILENAME2=logo2.png\r\n");
    }
    const QString database = folder.path() + QStringLiteral("/lab.sqlite");
    QFile(database).open(QIODevice::WriteOnly); // the package's empty file, filled at the first start
    for (auto _ : state) {
        if (freshDatabase) {
            state.PauseTiming();
            QFile::remove(database);
            QFile(database).open(QIODevice::WriteOnly); // the package's empty file, filled at start-up
            state.ResumeTiming();
        }
        MainModule module;
        std::unique_ptr<frmMain> window;
        module.window = [&]() -> JobBoxes& {
            if (!window)
                window = std::make_unique<frmMain>(module);
            return *window;
        };
        module.printer7x32 = &folder.printer7x32();
        module.printer62 = &folder.printer62();
        StartUp(module, folder.path());
        window->show();
        QApplication::processEvents(); // the first paint
        state.PauseTiming();
        window.reset();
        CloseConnection(module.db);
        state.ResumeTiming();
    }
}

} // namespace

// Run alone in a fresh process (scripts/bench.sh does), this is the first start-up: the SQLite
// driver, the window's pictures and the fonts are loaded for the first time.
BENCHMARK(StartUpToWindowShown)
    ->Name("FirstStartUpToWindowShown")
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(StartUpToWindowShown)
    ->ArgName("newDatabase")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
