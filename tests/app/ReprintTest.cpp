#include "BarcodeScan.h"
#include "DbConnection.h"
#include "RecordSet.h"
#include "SampleNumbers.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <vector>

// The real executable printing recorded samples again in a demo application folder: real SQLite
// file, real printer libraries writing file printers, stickers decoded by an independent reader.
namespace {

struct StoredRow {
    const char* customer;
    const char* sample;
    const char* code;
};

const StoredRow kStored[] = {
    {"701", "70100001", "0A1B2C3D"}, {"701", "70100002", "4E5F6A7B"}, {"123", "12300001", ""},
    {"705", "70500001", "11AA11AA"}, {"705", "70500002", "22BB22BB"}, {"705", "70500003", "33CC33CC"},
    {"705", "70500004", "44DD44DD"},
};

const char* const kPrinters[] = {"450", "440", "240"};

struct ReprintRow {
    const char* name;
    const char* arguments; // split at spaces
    int status;
    const char* printer;               // model digits of the one printer that gets stickers
    std::vector<QStringList> stickers; // per sticker, its barcodes' texts sorted
    const char* said;                  // part of what the tool writes
    const char* hiddenPrinter = "";    // model digits of a printer folder taken away for the run
};

class ReprintTable : public ::testing::TestWithParam<ReprintRow> {
protected:
    static void SetUpTestSuite() {
        sFolder = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(sFolder->isValid());
        QProcess setup;
        setup.start(VELMORA_DEMO_SETUP, {sFolder->path()});
        ASSERT_TRUE(setup.waitForFinished(60000));
        ASSERT_EQ(setup.exitCode(), 0) << setup.readAllStandardError().toStdString();
        for (const char* file : {"/velmora-barcode-tool", "/libSlpApi7x32.so", "/libslpapi62.so"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(VELMORA_APP_DIR) + file, sFolder->path() + file));
        DbConnection db;
        OpenConnection(db, AppSettings{}, sFolder->path());
        for (const StoredRow& row : kStored)
            RecordSample(db, LabelJob{row.customer, 0, 0, 1}, row.sample, row.code);
        CloseConnection(db);
    }
    static void TearDownTestSuite() { sFolder.reset(); }

    static QString printerFolder(const char* digits) {
        return sFolder->filePath(QStringLiteral("printers/Smart Label Printer ") + digits);
    }

    static std::vector<QStringList> stickers(const char* digits) {
        std::vector<QStringList> out;
        const QDir folder(printerFolder(digits));
        for (const QString& name : folder.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name)) {
            QStringList texts;
            for (const ScannedBarcode& barcode : scanBarcodes(QImage(folder.filePath(name))))
                texts << barcode.text;
            texts.sort();
            out.push_back(texts);
        }
        return out;
    }

    static int storedRows() {
        DbConnection db;
        OpenConnection(db, AppSettings{}, sFolder->path());
        int count = 0;
        for (RecordSet rows(db, QStringLiteral("SELECT SAMPLE_ID FROM SAMPLE_ORG")); !rows.eof();
             rows.moveNext())
            ++count;
        CloseConnection(db);
        return count;
    }

    static inline std::unique_ptr<QTemporaryDir> sFolder;
};

TEST_P(ReprintTable, PrintsStoredStickersAgainAndRecordsNothing) {
    const ReprintRow& row = GetParam();
    for (const char* digits : kPrinters)
        for (const QString& old :
             QDir(printerFolder(digits)).entryList({QStringLiteral("*.png")}, QDir::Files))
            QFile::remove(QDir(printerFolder(digits)).filePath(old));
    const QString hidden = *row.hiddenPrinter ? printerFolder(row.hiddenPrinter) : QString();
    if (!hidden.isEmpty()) {
        ASSERT_TRUE(QDir().rename(hidden, hidden + QStringLiteral(".away")));
    }

    QProcess tool;
    tool.start(sFolder->filePath(QStringLiteral("velmora-barcode-tool")),
               QString::fromLatin1(row.arguments).split(' '));
    ASSERT_TRUE(tool.waitForFinished(60000));
    const QString said = QString::fromLocal8Bit(tool.readAllStandardOutput() + tool.readAllStandardError());
    if (!hidden.isEmpty()) {
        ASSERT_TRUE(QDir().rename(hidden + QStringLiteral(".away"), hidden));
    }

    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), row.status) << said.toStdString();
    EXPECT_TRUE(said.contains(QString::fromUtf8(row.said))) << said.toStdString();
    for (const char* digits : kPrinters)
        EXPECT_EQ(stickers(digits),
                  QString(digits) == row.printer ? row.stickers : std::vector<QStringList>{})
            << "printer " << digits;
    EXPECT_EQ(storedRows(), int(std::size(kStored)));
}

// clang-format off
const ReprintRow kRows[] = {
    {"SampleStickers", "--reprint sample 70100001 70100002", 0, "450",
     {{"0A1B2C3D", "70100001"}, {"4E5F6A7B", "70100002"}},
     "Printed: sample sticker 70100002 on Smart Label Printer 450"},
    // Customer 701 from the stored row: test centre 1's address in the QR code.
    {"ResultSticker", "--reprint result 70100002", 0, "440",
     {{"https://www.zadad-labor.de/ergebnis/4E5F6A7B?source=qa"}}, ""},
    {"LargeLabelWithoutCode", "--reprint large 12300001", 0, "450", {{"12300001"}}, ""},
    {"SmallBarcode", "--reprint small 70100001", 0, "240", {{"70100001"}}, ""},
    {"BatchSticker", "--reprint batch 70500001 70500002 70500003 70500004", 0, "440", {{}}, ""},
    {"UnknownNumberRefusesAll", "--reprint sample 70100001 70199999", 2, "", {},
     "Not recorded: 70199999. Nothing was printed."},
    {"BatchOfACutOffPass", "--reprint batch 70500001 70500002", 0, "440", {{}}, ""},
    {"BatchOfFive", "--reprint batch 70500001 70500002 70500003 70500004 70100001", 2, "", {}, "one to four samples; 5 given"},
    {"BatchWithANumberTwice", "--reprint batch 70500001 70500002 70500003 70500001", 2, "", {},
     "different samples; 70500001 is given twice. Nothing was printed."},
    {"BatchOfTwoCustomers", "--reprint batch 70500001 70500002 70500003 70100001", 2, "", {},
     "samples of one customer; these belong to customers 705, 701. Nothing was printed."},
    {"SampleStickerWithoutCode", "--reprint sample 12300001", 2, "", {}, "No test code"},
    {"WrongKind", "--reprint poster 70100001", 2, "", {}, "Unknown sticker kind \"poster\""},
    {"PrinterAwayIsALostSticker", "--reprint small 70100001", 3, "", {},
     "Sticker lost: sample 70100001, small barcode sticker, Smart Label Printer 240: ", "240"},
    {"Help", "--help", 0, "", {}, "--reprint KIND SAMPLE_ID..."},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Kinds, ReprintTable, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
