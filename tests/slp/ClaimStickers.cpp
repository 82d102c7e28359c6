// Prints small labels into one file printer as fast as it can, as a desk sharing the folder would:
//   slp_claim_stickers <library> <printer name> <count>
// Prints how many labels the library took; exits 0 when it took them all.
#include "SlpApi.h"

#include <QGuiApplication>
#include <QLibrary>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        return 2;
    }
    QLibrary library(QString::fromLocal8Bit(argv[1]));
    const auto open = reinterpret_cast<decltype(&SlpOpenPrinter)>(library.resolve("SlpOpenPrinter"));
    const auto start = reinterpret_cast<decltype(&SlpStartLabel)>(library.resolve("SlpStartLabel"));
    const auto end = reinterpret_cast<decltype(&SlpEndLabel)>(library.resolve("SlpEndLabel"));
    const auto close = reinterpret_cast<decltype(&SlpClosePrinter)>(library.resolve("SlpClosePrinter"));
    if (!open || !start || !end || !close) {
        return 2;
    }
    const int count = std::atoi(argv[3]);
    int printed = 0;
    for (int label = 0; label < count; ++label) {
        if (open(argv[2], 4, 0) != 0 && start() != 0 && end() != 0) {
            ++printed;
        }
        close();
    }
    std::printf("%d\n", printed);
    return printed == count ? 0 : 1;
}
