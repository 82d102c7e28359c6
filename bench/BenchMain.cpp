#include "SharedResources.h"

#include <QApplication>
#include <benchmark/benchmark.h>

// The window needs an application object; run with QT_QPA_PLATFORM=offscreen.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    ReleaseWorkingDatabases();
    ReleaseStickerFolder();
    ReleaseCupsServer();
    benchmark::Shutdown();
    return 0;
}
