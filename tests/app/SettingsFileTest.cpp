#include "SettingsFile.h"

#include "AppError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct LineCase {
    const char* name;
    QByteArray file; // raw bytes as they stand in VO_Vudu.ini
    QString AppSettings::*field;
    QString expected;
};

AppSettings read(const QByteArray& bytes) {
    AppSettings settings;
    ReadSettingsText(settings, bytes);
    return settings;
}

class SettingsLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(SettingsLines, SetFieldAsExpected) {
    const LineCase& row = GetParam();
    EXPECT_EQ(read(row.file).*row.field, row.expected) << row.file.constData();
}

const QString Empty;

INSTANTIATE_TEST_SUITE_P(
    Rules, SettingsLines,
    ::testing::Values(
        LineCase{"LowerCaseKey", "server=db1\n", &AppSettings::Server, "db1"},
        LineCase{"MixedCaseKey", "Server=Db1\n", &AppSettings::Server, "Db1"},
        LineCase{"BlankBeforeEqualsIsPartOfKey", "SERVER = x\n", &AppSettings::Server, Empty},
        LineCase{"LeadingBlankOfValueKept", "SERVER= x\n", &AppSettings::Server, " x"},
        LineCase{"TrailingBlankOfValueKept", "DATABASE=lab \n", &AppSettings::Database, "lab "},
        LineCase{"LaterEqualsDropped", "DOWNLOAD2=a=b\n", &AppSettings::Download2, "ab"},
        LineCase{"EveryLaterEqualsDropped", "DOWNLOAD2=?a=1=2\n", &AppSettings::Download2, "?a12"},
        LineCase{"KeyAloneSetsEmpty", "SERVER=x\nSERVER\n", &AppSettings::Server, Empty},
        LineCase{"EmptyValueSetsEmpty", "SERVER=x\nSERVER=\n", &AppSettings::Server, Empty},
        LineCase{"CommentSkipped", ";SERVER=x\n", &AppSettings::Server, Empty},
        LineCase{"SectionSkipped", "[SERVER=x]\n", &AppSettings::Server, Empty},
        LineCase{"BlankThenSemicolonIsAKeyLine", " ;SERVER=x\n", &AppSettings::Server, Empty},
        LineCase{"LastLineWinsAcrossSections", "[a]\nSERVER=one\n[b]\nSERVER=two\n", &AppSettings::Server,
                 "two"},
        LineCase{"ImportPathGetsBackslash", "IMPORTPATH=C:\\in\n", &AppSettings::ImportPath, "C:\\in\\"},
        LineCase{"ImportPathKeepsItsBackslash", "IMPORTPATH=C:\\in\\\n", &AppSettings::ImportPath,
                 "C:\\in\\"},
        LineCase{"EmptyImportPathIsBackslash", "IMPORTPATH=\n", &AppSettings::ImportPath, "\\"},
        LineCase{"ByteOrderMarkSkipped", "\xEF\xBB\xBFSERVER=x\nDATABASE=d\n", &AppSettings::Server, "x"},
        LineCase{"ByteOrderMarkMeansUtf8", "\xEF\xBB\xBFTESTCENTERHP1=Bl\xC3\xBChtag\n",
                 &AppSettings::TestCenterHp1, "Blühtag"},
        LineCase{"LinesAfterTheMarkStillRead", "\xEF\xBB\xBFSERVER=x\nDATABASE=d\n", &AppSettings::Database,
                 "d"},
        LineCase{"CrLfEndings", "SERVER=a\r\nDATABASE=b\r\n", &AppSettings::Database, "b"},
        LineCase{"LoneCrEndings", "SERVER=a\rDATABASE=b\r", &AppSettings::Database, "b"},
        LineCase{"NoFinalLineBreak", "SQLSVR=velmora", &AppSettings::SqlSvr, "velmora"},
        LineCase{"Windows1252Bytes", "TESTCENTERHP1=Bl\xFChtag \x80\n", &AppSettings::TestCenterHp1,
                 QString::fromUtf8("Blühtag €")},
        LineCase{"Printer1NotPrinter", "BARCODEPRINTER1=p450\n", &AppSettings::BarcodePrinter, Empty},
        LineCase{"PrinterSlotZero", "BARCODEPRINTER=p\n", &AppSettings::BarcodePrinter, "p"},
        LineCase{"Printer3", "barcodeprinter3=Smart Label Printer 240\n", &AppSettings::BarcodePrinter3,
                 "Smart Label Printer 240"},
        LineCase{"TestCentreTelephone2", "TESTCENTERTEL2=+49 30 1\n", &AppSettings::TestCenterTel2,
                 "+49 30 1"},
        LineCase{"OdbcDriver", "odbcdriver=PostgreSQL Unicode\n", &AppSettings::OdbcDriver,
                 "PostgreSQL Unicode"},
        LineCase{"UnknownKeyIgnored", "SERVERX=x\n", &AppSettings::Server, Empty},
        LineCase{"NulInUnknownKeyIgnored", QByteArray("SERVER=a\nSERVE\0R=b\n", 19), &AppSettings::Server,
                 "a"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFile, EnsureTrailingBackslash) {
    EXPECT_EQ(EnsureTrailingBackslash(""), "\\");
    EXPECT_EQ(EnsureTrailingBackslash("a"), "a\\");
    EXPECT_EQ(EnsureTrailingBackslash("a\\"), "a\\");
}

TEST(SettingsFile, LineLengthLimit) {
    EXPECT_NO_THROW(read("SERVER=" + QByteArray(32766 - 7, 'x') + "\n"));
    EXPECT_THROW(read("SERVER=" + QByteArray(32767 - 7, 'x') + "\n"), AppError);
    EXPECT_EQ(read("SERVER=" + QByteArray(32766 - 7, 'x')).Server.size(), 32766 - 7);
}

struct RefusedFile {
    const char* name;
    bool (*make)(const QString& path); // puts something that is no settings file at the path
    const char* expected;              // in the error's text; {path} is the settings path
};

class SettingsFileRefused : public ::testing::TestWithParam<RefusedFile> {};

// Each is refused at once: nothing blocks, nothing is read whole.
TEST_P(SettingsFileRefused, WithAClearMessage) {
    const RefusedFile& row = GetParam();
    QTemporaryDir dir;
    AppSettings settings;
    settings.SettingsFilePath = dir.filePath("VO_Vudu.ini");
    ASSERT_TRUE(row.make(settings.SettingsFilePath));
    try {
        ReadSettings(settings);
        FAIL() << "read";
    } catch (const AppError& error) {
        const QString expected = QString::fromUtf8(row.expected).replace("{path}", settings.SettingsFilePath);
        EXPECT_TRUE(error.description().contains(expected)) << error.description().toStdString();
    }
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SettingsFileRefused,
    ::testing::Values(
        RefusedFile{"Fifo", [](const QString& path) { return ::mkfifo(QFile::encodeName(path), 0600) == 0; },
                    "The settings file {path} is not a plain file"},
        RefusedFile{"Folder", [](const QString& path) { return QDir().mkdir(path); },
                    "The settings file {path} is not a plain file"},
        RefusedFile{"EndlessDevice", [](const QString& path) { return QFile::link("/dev/zero", path); },
                    "The settings file {path} is not a plain file"},
        // 64 GB without a line break (sparse): reading it whole could not even be tried.
        RefusedFile{"HugeFileWithoutLineBreaks",
                    [](const QString& path) {
                        QFile file(path);
                        return file.open(QIODevice::WriteOnly) && file.resize(qint64(64) << 30);
                    },
                    "Line 1 of the settings file is longer than 32766 characters"},
        // The printer libraries take zero-terminated texts: the QR code would hold "https://x".
        RefusedFile{"NulInAValue",
                    [](const QString& path) {
                        return writeBytes(path, QByteArray("SERVER=a\r\nTESTCENTERHP1=https://x\0y\r\n", 37));
                    },
                    "Line 2 of the settings file holds a NUL byte in the value of TESTCENTERHP1"},
        // Saved as "Unicode": refused before any database is touched, naming what to save it as.
        RefusedFile{"Utf16WithMark",
                    [](const QString& path) { return writeBytes(path, QByteArray("\xFF\xFES\0E\0", 6)); },
                    "The settings file {path} is saved as UTF-16, which the tool cannot read. Save it as "
                    "Windows-1252 (ANSI) or plain ASCII"},
        RefusedFile{"Utf16BigEndianWithoutMark",
                    [](const QString& path) { return writeBytes(path, QByteArray("\0S\0E\0R", 6)); },
                    "{path} is saved as UTF-16"},
        RefusedFile{
            "Utf32WithMark",
            [](const QString& path) { return writeBytes(path, QByteArray("\xFF\xFE\0\0S\0\0\0", 8)); },
            "{path} is saved as UTF-32"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFile, MissingFileIsCreatedEmpty) {
    QTemporaryDir dir;
    AppSettings settings;
    settings.SettingsFilePath = dir.filePath("VO_Vudu.ini");
    ReadSettings(settings);
    QFile created(settings.SettingsFilePath);
    ASSERT_TRUE(created.exists());
    EXPECT_EQ(created.size(), 0);
    EXPECT_TRUE(settings.Server.isEmpty());
}

// The file is read in pieces; a line that spans two of them is still one line.
TEST(SettingsFile, LineAcrossReadPiecesStaysWhole) {
    QTemporaryDir dir;
    AppSettings settings;
    settings.SettingsFilePath = dir.filePath("VO_Vudu.ini");
    const QByteArray comment = ";" + QByteArray(32765, 'x') + "\n";
    ASSERT_TRUE(writeBytes(settings.SettingsFilePath, comment + comment + "SERVER=abcdef\n"));
    ReadSettings(settings);
    EXPECT_EQ(settings.Server, "abcdef");
}

TEST(SettingsFile, UncreatableFileIsAnError) {
    AppSettings settings;
    settings.SettingsFilePath = "/proc/velmora-no-such-folder/VO_Vudu.ini";
    EXPECT_THROW(ReadSettings(settings), AppError);
}

} // namespace
