#include "SlpLibrary.h"

#include "AppError.h"

#include <QByteArray>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(SlpLibrary, MissingLibraryFailsAtTheFirstCallWithTheLoadersText) {
    const QString path = QStringLiteral("/nonexistent/velmora/libSlpApi7x32.so");
    SlpLibrary library(path);
    // The file asked for, not the last of the loader's variants of its name ("liblibSlpApi7x32.so").
    const QString expected = QStringLiteral("Cannot load library %1: No such file or directory").arg(path);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            library.SlpOpenPrinter(QStringLiteral("Smart Label Printer 450"), 2, true);
            FAIL() << "no error for a missing library";
        } catch (const AppError& error) {
            EXPECT_EQ(error.description(), expected);
        }
    }
}

// A damaged installation: the library cut short. Loading it would end the process with SIGBUS.
TEST(SlpLibrary, DamagedLibraryIsRefusedBeforeItIsLoaded) {
    const struct {
        qint64 keptBytes;
        const char* expected;
    } rows[] = {
        {8 * 1024, "the file is damaged: loading it ended with signal 7 (Bus error)"}, // cut inside what the
                                                                                       // loader maps
        {100, "cannot read file data"}, // the loader's own words
        {20, "file too short"},
        {0, "file too short"},
    };
    for (const auto& row : rows) {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("libSlpApi7x32.so"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(VELMORA_PROBE_LIBRARY), path));
        ASSERT_TRUE(QFile::resize(path, row.keptBytes));
        SlpLibrary library(path);
        try {
            library.SlpOpenPrinter(QStringLiteral("Smart Label Printer 450"), 2, true);
            FAIL() << "loaded " << row.keptBytes;
        } catch (const AppError& error) {
            const QString text = error.description();
            EXPECT_TRUE(text.startsWith(QStringLiteral("Cannot load library %1: ").arg(path)))
                << text.toStdString();
            EXPECT_TRUE(text.contains(QString::fromLatin1(row.expected))) << text.toStdString();
        }
    }
}

TEST(SlpLibrary, IsNotTouchedBeforeItsFirstCall) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("libslpapi62.so"));
    SlpLibrary library(path); // the file does not exist yet
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELMORA_PROBE_LIBRARY), path));
    EXPECT_EQ(library.SlpOpenPrinter(QStringLiteral("Smart Label Printer 240"), 4, false), 4);
}

TEST(SlpLibrary, MissingFunctionFailsWithTheLoadersText) {
    SlpLibrary library(QStringLiteral(VELMORA_PROBE_LIBRARY));
    EXPECT_EQ(library.SlpOpenPrinter(QStringLiteral("Smart Label Printer 450"), 2, true), -98);
    try {
        library.SlpGetLabelWidth();
        FAIL() << "no error for a missing function";
    } catch (const AppError& error) {
        // The dynamic loader's own words: the library and the symbol it lacks.
        EXPECT_TRUE(error.description().contains(QStringLiteral(VELMORA_PROBE_LIBRARY)))
            << error.description().toStdString();
        EXPECT_TRUE(error.description().contains(QStringLiteral("undefined symbol: SlpGetLabelWidth")))
            << error.description().toStdString();
    }
}

TEST(SlpLibrary, PassesWindows1252TextsAndTruthValuesAsMinusOneAndZero) {
    SlpLibrary library(QStringLiteral(VELMORA_PROBE_LIBRARY));
    QLibrary probe(QStringLiteral(VELMORA_PROBE_LIBRARY));
    using LastName = const char* (*)();
    using SetStart = void (*)(int32_t);
    const auto lastName = reinterpret_cast<LastName>(probe.resolve("ProbeLastPrinterName"));
    const auto setStart = reinterpret_cast<SetStart>(probe.resolve("ProbeSetStartResult"));
    ASSERT_TRUE(lastName && setStart);

    EXPECT_EQ(library.SlpOpenPrinter(QStringLiteral("Blühtag 450"), 2, true), -98);
    EXPECT_EQ(QByteArray(lastName()), QByteArray("Bl\xFChtag 450"));
    EXPECT_EQ(library.SlpOpenPrinter(QStringLiteral("Smart Label Printer 450"), 2, false), 2);

    setStart(-1);
    EXPECT_TRUE(library.SlpStartLabel());
    EXPECT_TRUE(library.SlpEndLabel());
    setStart(0);
    EXPECT_FALSE(library.SlpStartLabel());
    EXPECT_FALSE(library.SlpEndLabel());
}

TEST(SlpLibrary, ReasonIsReadWholeFromWindows1252AndEmptyWhereTheLibraryHasNone) {
    const struct {
        const char* path;
        QString reason;
    } rows[] = {
        {VELMORA_PROBE_LIBRARY, QStringLiteral("Warteschlange für Blühtag hält")},
        {VELMORA_PROBE_LIBRARY_WITHOUT_REASON, QString()},
    };
    for (const auto& row : rows) {
        SlpLibrary library(QString::fromUtf8(row.path));
        EXPECT_EQ(library.SlpLastErrorText(), row.reason) << row.path;
    }
}

} // namespace
