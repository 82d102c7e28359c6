// Prints the sample sticker of every record of a merge file through the 300-dpi printer library
// onto a file printer, all in one process, so that /usr/bin/time gives the whole process's CPU and
// wall time for N stickers: the figure a label designer's batch run is compared with.
//
// Usage: velmora_sticker_batch MERGE.csv APP-FOLDER
//   MERGE.csv   a header line, then one "sample,code" record per line
//   APP-FOLDER  made afresh (it must not exist yet); the stickers are left in
//               APP-FOLDER/printers/Smart Label Printer 450/000001.png, ... in record order
// Exit status 0 when every record's sticker was printed; otherwise the first one that was not is
// named on stderr with the library's reason.
#include "AppSettings.h"
#include "LabelJob.h"
#include "SlpLibrary.h"
#include "modSlpApi7x32.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>

namespace {

const QString Printer = QStringLiteral("Smart Label Printer 450");
const QString Library = QStringLiteral("libSlpApi7x32.so");

int fail(const QString& why) {
    std::fprintf(stderr, "velmora_sticker_batch: %s\n", qPrintable(why));
    return 1;
}

int printAll(const QList<QStringList>& records, const QString& libraryPath) {
    AppSettings settings;
    settings.BarcodePrinter1 = Printer;
    const LabelJob job{QStringLiteral("701"), 1, SingleTest, 1};
    SlpLibrary library(libraryPath);
    modSlpApi7x32 stickers(library, settings, job);
    for (qsizetype i = 0; i < records.size(); ++i) {
        const StickerOutcome outcome = stickers.PrintSampleLabel(records[i][0], records[i][1]);
        if (outcome.state != StickerOutcome::State::Printed)
            return fail(QStringLiteral("record %1 (sample %2, code %3) was not printed: %4")
                            .arg(i + 1)
                            .arg(records[i][0], records[i][1], outcome.reason));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The printer library draws with Qt's fonts, which need an application object, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return fail(QStringLiteral("usage: velmora_sticker_batch MERGE.csv APP-FOLDER"));

    QFile merge(args[1]);
    if (!merge.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(QStringLiteral("cannot read %1: %2").arg(args[1], merge.errorString()));
    QList<QStringList> records;
    QTextStream lines(&merge);
    lines.readLine(); // sample,code
    for (int line = 2; !lines.atEnd(); ++line) {
        const QString text = lines.readLine().trimmed();
        if (text.isEmpty())
            continue;
        const QStringList fields = text.split(QLatin1Char(','));
        if (fields.size() != 2 || fields[0].isEmpty() || fields[1].isEmpty())
            return fail(
                QStringLiteral("%1 line %2 is not \"sample,code\": %3").arg(args[1]).arg(line).arg(text));
        records.append(fields);
    }

    const QDir folder(QFileInfo(args[2]).absoluteFilePath());
    if (folder.exists())
        return fail(QStringLiteral("%1 exists already; give a folder to make afresh").arg(args[2]));
    if (!folder.mkpath(QStringLiteral("printers/") + Printer))
        return fail(QStringLiteral("cannot make the printer folder in %1").arg(args[2]));
    // The library takes its application folder from where it lies, as in an installation.
    if (!QFile::copy(QDir(QStringLiteral(VELMORA_APP_DIR)).filePath(Library), folder.filePath(Library)))
        return fail(QStringLiteral("cannot copy %1 from %2").arg(Library, QStringLiteral(VELMORA_APP_DIR)));

    try {
        return printAll(records, folder.filePath(Library));
    } catch (const std::exception& e) { // the library missing or lacking a function
        return fail(QString::fromLocal8Bit(e.what()));
    }
}
