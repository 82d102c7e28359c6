// Renders one picture of every sticker kind through the real printer libraries, for the README.
// Usage: velmora-sticker-pictures <application folder with both libraries> <output folder>
#include "LabelJob.h"
#include "StickerFolder.h"
#include "modSlpApi62.h"
#include "modSlpApi7x32.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>
#include <functional>
#include <vector>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        err << "usage: velmora-sticker-pictures <application folder> <output folder>\n";
        return 2;
    }
    StickerFolder folder(args[1]);
    if (!folder.problem().isEmpty()) {
        err << folder.problem();
        return 1;
    }
    const QDir out(args[2]);
    out.mkpath(QStringLiteral("."));

    LabelJob job;
    job.CustomerId = QStringLiteral("701");
    modSlpApi7x32 gen7x32(folder.printer7x32(), folder.settings(), job);
    modSlpApi62 gen62(folder.printer62(), folder.settings(), job);

    struct Picture {
        const char* file;
        const char* printer;
        std::function<void()> print;
    };
    const std::vector<Picture> pictures = {
        {"sample-label-300dpi.png", "450", [&] { gen7x32.PrintSampleLabel("70100042", "3FA9C0D1"); }},
        {"large-label-300dpi.png", "450", [&] { gen7x32.PrintLargeLabel("70100043"); }},
        {"small-barcode-300dpi.png", "240", [&] { gen7x32.PrintSmallBarcode("70100044"); }},
        {"result-label-300dpi.png", "440", [&] { gen7x32.PrintResultLabel("70100045", "B7E21C90"); }},
        {"sample-label-203dpi.png", "450", [&] { gen62.PrintSampleLabel("40100011", "5D03AF6E"); }},
        {"large-label-203dpi.png", "450", [&] { gen62.PrintLargeLabel("40100012"); }},
        {"small-barcode-203dpi.png", "240", [&] { gen62.PrintSmallBarcode("40100013"); }},
        {"batch-result-label-203dpi.png", "440",
         [&] {
             gen62.PrintBatchResultLabel("70100021", "70100022", "70100023", "70100024", "0C4A9E12",
                                         "7F3B6D05", "A2E8C471", "3D91B0FA");
         }},
    };
    for (const Picture& picture : pictures) {
        const QString written = folder.printOne(QString::fromLatin1(picture.printer), picture.print);
        const QString target = out.filePath(QString::fromLatin1(picture.file));
        QFile::remove(target);
        if (written.isEmpty() || !QFile::copy(written, target)) {
            err << "no picture for " << picture.file << '\n';
            return 1;
        }
        QTextStream(stdout) << target << '\n';
    }
    return 0;
}
