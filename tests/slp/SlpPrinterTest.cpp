#include "BarcodeScan.h"
#include "CupsQueue.h"
#include "PageChoice.h"
#include "SlpTestLibraries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/mount.h>
#include <sys/resource.h>

namespace {

using Draw = std::function<bool(const SlpFunctions&)>;

QString uniquePrinterName() {
    static int counter = 0;
    return QStringLiteral("Smart Label Printer T%1").arg(++counter);
}

// One label through a fresh file printer; the sticker it wrote, or a null image.
QImage printOne(Generation generation, int labelType, const Draw& draw) {
    SlpTestFolder& folder = SlpTestFolder::instance();
    const SlpFunctions& slp = folder.library(generation);
    const QString name = uniquePrinterName();
    const QString printerFolder = folder.addFilePrinter(name);
    if (slp.openPrinter(name.toLocal8Bit().constData(), labelType, -1) == 0) {
        return {};
    }
    const bool drawn = slp.startLabel() == -1 && draw(slp) && slp.endLabel() == -1;
    slp.closePrinter();
    return drawn ? SlpTestFolder::lastSticker(printerFolder) : QImage();
}

QString writeBlackSquare() {
    const QString path =
        QDir(SlpTestFolder::instance().applicationFolder()).filePath(QStringLiteral("square.png"));
    QImage square(100, 100, QImage::Format_RGB32);
    square.fill(Qt::black);
    square.save(path);
    return path;
}

// --- numbering of the file printer -------------------------------------------------------------

struct NumberingCase {
    QStringList present;
    QString expected;
};

class FilePrinterNumbering : public ::testing::TestWithParam<NumberingCase> {};

TEST_P(FilePrinterNumbering, WritesTheNumberAfterTheHighestPresent) {
    SlpTestFolder& folder = SlpTestFolder::instance();
    const SlpFunctions& slp = folder.library(Generation::Slp62);
    const QString name = uniquePrinterName();
    const QString printerFolder = folder.addFilePrinter(name);
    for (const QString& file : GetParam().present) {
        QFile(QDir(printerFolder).filePath(file)).open(QIODevice::WriteOnly);
    }

    ASSERT_EQ(slp.openPrinter(name.toLocal8Bit().constData(), 4, -1), -1);
    ASSERT_EQ(slp.startLabel(), -1);
    ASSERT_EQ(slp.endLabel(), GetParam().expected.isEmpty() ? 0 : -1); // none left: refused
    slp.closePrinter();

    QStringList after = QDir(printerFolder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& file : GetParam().present) {
        EXPECT_EQ(QFileInfo(QDir(printerFolder).filePath(file)).size(), 0)
            << file.toStdString() << " replaced";
        after.removeOne(file);
    }
    EXPECT_EQ(after, GetParam().expected.isEmpty() ? QStringList() : QStringList{GetParam().expected});
}

INSTANTIATE_TEST_SUITE_P(
    Folders, FilePrinterNumbering,
    ::testing::Values(
        NumberingCase{{}, "000001.png"}, NumberingCase{{"000001.png", "000002.png"}, "000003.png"},
        // gaps are not filled, other files do not count
        NumberingCase{{"000001.png", "000007.png", "notes.txt", "12.png", "logo.png"}, "000008.png"},
        NumberingCase{{"000099.png"}, "000100.png"}, NumberingCase{{"999999.png"}, "1000000.png"},
        NumberingCase{{"999999999.png"}, "1000000000.png"},
        // numbers of ten digits and more count too, so the next run does not start over them
        NumberingCase{{"999999999.png", "1000000000.png"}, "1000000001.png"},
        NumberingCase{{"000003.png", "12345678901.png"}, "12345678902.png"},
        // the largest number is the last: never a negative one after it
        NumberingCase{{"9223372036854775806.png"}, "9223372036854775807.png"},
        NumberingCase{{"9223372036854775807.png"}, ""}));

TEST(FilePrinter, TwoLabelsOfOneOpenPrinterGetTwoFiles) {
    SlpTestFolder& folder = SlpTestFolder::instance();
    const SlpFunctions& slp = folder.library(Generation::Slp7x32);
    const QString name = uniquePrinterName();
    const QString printerFolder = folder.addFilePrinter(name);
    ASSERT_EQ(slp.openPrinter(name.toLocal8Bit().constData(), 2, 0), -1);
    for (int label = 0; label < 2; ++label) {
        ASSERT_EQ(slp.startLabel(), -1);
        ASSERT_EQ(slp.endLabel(), -1);
    }
    slp.closePrinter();
    EXPECT_EQ(SlpTestFolder::stickerFiles(printerFolder), (QStringList{"000001.png", "000002.png"}));
}

// --- a label looked for by its name after a stop ---------------------------------------------

struct FindCase {
    const char* name;
    QStringList printed;  // labels printed into the folder, by name ("": no name given)
    QByteArray otherFile; // a numbered file that is no sticker; empty: none
    QStringList asked;
    std::vector<int32_t> expected;
};

class FindLabels : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindLabels, FoundIsPrintedAndAFolderWithoutItNeverHadIt) {
    const FindCase& row = GetParam();
    SlpTestFolder& folder = SlpTestFolder::instance();
    const SlpFunctions& slp = folder.library(Generation::Slp62);
    const QString printer = uniquePrinterName();
    const QString printerFolder = folder.addFilePrinter(printer);
    const QByteArray printerName = printer.toLocal8Bit();
    ASSERT_EQ(slp.openPrinter(printerName.constData(), 2, -1), -1);
    for (const QString& label : row.printed) {
        if (!label.isEmpty()) {
            ASSERT_EQ(slp.nameLabel(label.toLatin1().constData()), -1);
        }
        ASSERT_EQ(slp.startLabel(), -1);
        ASSERT_EQ(slp.endLabel(), -1);
        EXPECT_FALSE(SlpTestFolder::lastSticker(printerFolder).isNull()) << "still a PNG";
    }
    slp.closePrinter();
    if (!row.otherFile.isEmpty()) {
        QFile other(QDir(printerFolder).filePath(QStringLiteral("000099.png")));
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write(row.otherFile);
    }
    std::vector<QByteArray> names;
    std::vector<const char*> pointers;
    for (const QString& asked : row.asked)
        names.push_back(asked.toLatin1());
    for (const QByteArray& name : names)
        pointers.push_back(name.constData());
    const std::vector<int64_t> notBefore(names.size(), 0);
    std::vector<int32_t> states(names.size(), 0);
    EXPECT_EQ(slp.findLabels(printerName.constData(), pointers.data(), notBefore.data(),
                             int32_t(names.size()), 10000, states.data()),
              -1);
    EXPECT_EQ(states, row.expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Folders, FindLabels,
    ::testing::Values(
        FindCase{"NamedLabelsFoundNewestFirst", {"Velmora sample 70100001", "Velmora sample 70100002", ""}, {},
                 {"Velmora sample 70100002", "Velmora sample 70100001", "Velmora result 70100001"},
                 {SLP_JOB_PRINTED, SLP_JOB_PRINTED, SLP_JOB_LOST}},
        FindCase{"EmptyFolderNeverHadIt", {}, {}, {"Velmora sample 70100001"}, {SLP_JOB_LOST}},
        // A name is the next label's only.
        FindCase{"NameOnlyForTheNextLabel", {"Velmora large 12300001", ""}, {}, {"Velmora large 12300001"}, {SLP_JOB_PRINTED}},
        // A file that cannot be read may be the sticker: not known, never said unprinted.
        FindCase{"UnreadableFileCannotTell", {"Velmora small 12300001"}, "not a picture", {"Velmora small 12300001", "Velmora small 12300002"}, {SLP_JOB_PRINTED, SLP_JOB_UNKNOWN}},
        FindCase{"PngCutShortCannotTell", {}, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0", 18), {"Velmora small 12300002"}, {SLP_JOB_UNKNOWN}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// --- a label that did not reach its file ---------------------------------------------------------

QString lastError(const SlpFunctions& slp) {
    std::string reason(static_cast<size_t>(slp.getLastErrorText(nullptr, 0)), '\0');
    slp.getLastErrorText(reason.data(), static_cast<int32_t>(reason.size() + 1));
    return QString::fromStdString(reason);
}

// Makes writing into the folder fail; returns why the row cannot run here, or nothing.
using Spoil = std::function<std::optional<std::string>(const QString& folder)>;

std::optional<std::string> mountTmpfs(const QString& folder, const char* options, unsigned long flags) {
    if (mount("tmpfs", folder.toLocal8Bit().constData(), "tmpfs", flags, options) != 0)
        return std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
    return std::nullopt;
}

// A volume with no room left: filled by a file until the kernel refuses more.
std::optional<std::string> fullVolume(const QString& folder) {
    if (auto skip = mountTmpfs(folder, "size=64k", 0))
        return skip;
    QFile filler(QDir(folder).filePath(QStringLiteral("filler")));
    filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
    return std::nullopt;
}

std::optional<std::string> readOnlyVolume(const QString& folder) {
    return mountTmpfs(folder, "size=64k", MS_RDONLY);
}

// Files may grow to 100 bytes only: the write itself fails part way, as on a failing disk.
std::optional<std::string> fileSizeLimit(const QString&) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
    return std::nullopt;
}

struct WriteFailureCase {
    const char* why;
    Spoil spoil;
    const char* error; // as the reason names it
};

class FileWriteFailure : public ::testing::TestWithParam<WriteFailureCase> {};

TEST_P(FileWriteFailure, EndLabelFailsWithTheFileAndTheErrorAndLeavesNothing) {
    const WriteFailureCase& row = GetParam();
    SlpTestFolder& folder = SlpTestFolder::instance();
    const SlpFunctions& slp = folder.library(Generation::Slp7x32);
    const QString name = uniquePrinterName();
    const QString printerFolder = folder.addFilePrinter(name);
    if (const std::optional<std::string> skip = row.spoil(printerFolder))
        GTEST_SKIP() << *skip;
    ASSERT_EQ(slp.openPrinter(name.toLocal8Bit().constData(), 2, -1), -1);
    ASSERT_EQ(slp.startLabel(), -1);
    const int32_t printed = slp.endLabel();
    const QString reason = lastError(slp);
    slp.closePrinter();
    const QStringList left = QDir(printerFolder).entryList(QDir::Files | QDir::Hidden);
    const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &unlimited);
    umount(printerFolder.toLocal8Bit().constData());

    EXPECT_EQ(printed, 0) << row.why;
    EXPECT_EQ(reason, QStringLiteral("writing %1/000001.png failed: %2").arg(printerFolder, row.error))
        << row.why;
    EXPECT_TRUE(left.isEmpty() || left == QStringList{QStringLiteral("filler")})
        << left.join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, FileWriteFailure,
    ::testing::Values(WriteFailureCase{"full volume", fullVolume, "No space left on device"},
                      WriteFailureCase{"read-only volume", readOnlyVolume, "Read-only file system"},
                      WriteFailureCase{"write cut short", fileSizeLimit, "File too large"}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST(LastErrorText, IsCutToTheBufferAndClearedByTheNextLabel) {
    SlpTestFolder& folder = SlpTestFolder::instance();
    const SlpFunctions& slp = folder.library(Generation::Slp62);
    const QString name = uniquePrinterName();
    folder.addFilePrinter(name);
    const QByteArray printer = name.toLocal8Bit();
    ASSERT_EQ(slp.openPrinter(printer.constData(), 2, -1), -1);
    ASSERT_EQ(slp.endLabel(), 0); // nothing started

    const int32_t length = slp.getLastErrorText(nullptr, 0);
    ASSERT_GT(length, 5);
    char cut[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(slp.getLastErrorText(cut, 5), length);
    EXPECT_EQ(std::string(cut), lastError(slp).left(4).toStdString());

    ASSERT_EQ(slp.startLabel(), -1);
    ASSERT_EQ(slp.endLabel(), -1);
    EXPECT_EQ(slp.getLastErrorText(cut, 6), 0);
    EXPECT_EQ(cut[0], '\0');
    slp.closePrinter();
}

// Two desks printing into one folder at once: every label gets a file of its own.
TEST(FilePrinter, TwoProcessesNeverTakeTheSameNumber) {
    constexpr int PerDesk = 60;
    SlpTestFolder& folder = SlpTestFolder::instance();
    const QString name = uniquePrinterName();
    const QString printerFolder = folder.addFilePrinter(name);
    QProcess desks[2];
    for (QProcess& desk : desks)
        desk.start(QStringLiteral(SLP_CLAIM_STICKERS),
                   {folder.libraryPath(Generation::Slp62), name, QString::number(PerDesk)});
    for (QProcess& desk : desks) {
        ASSERT_TRUE(desk.waitForFinished(120000)) << "a desk never finished";
        EXPECT_EQ(desk.exitCode(), 0) << desk.readAllStandardError().toStdString();
        EXPECT_EQ(desk.readAllStandardOutput().trimmed(), QByteArray::number(PerDesk));
    }
    QStringList expected;
    for (int number = 1; number <= 2 * PerDesk; ++number)
        expected << QStringLiteral("%1.png").arg(number, 6, 10, QLatin1Char('0'));
    EXPECT_EQ(QDir(printerFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
}

// --- the page a CUPS queue gets ------------------------------------------------------------------

struct PageCase {
    const char* why;
    std::vector<QByteArray> mediaSupported; // as the queue lists them
    QByteArray loaded;                      // the default media; its size from its name
    QByteArray otherwise; // where the default is unknown: a driver's DefaultPageSize, or IPP media-ready
    QMargins margins;     // every size's, in 2540ths of an inch
    QSize sticker;        // as it is read
    int dpi;
    QByteArray option; // empty: no page holds the sticker
    QByteArray value;  // or, when none does, part of the reason
    QSize dots;
    bool turned;
    QPoint at;
};

class CupsPage : public ::testing::TestWithParam<PageCase> {};

TEST_P(CupsPage, IsTheLoadedLabelOrTheSmallestThatHoldsTheStickerInsideItsPrintableArea) {
    const PageCase& row = GetParam();
    const auto media = [&](const QByteArray& name) {
        return OfferedMedia{name, readQueue({"q", row.dpi, {name}, {}, {}, {}, {}, {}}).media.at(0).size,
                            row.margins};
    };
    QueueAttributes attributes{"q", row.dpi, row.mediaSupported, {}, {}, row.margins, {}, {}};
    if (!row.loaded.isEmpty())
        attributes.mediaDefault = media(row.loaded);
    if (row.otherwise.contains('.'))
        attributes.ppdDefault = row.otherwise;
    else if (!row.otherwise.isEmpty())
        attributes.mediaReady = {media(row.otherwise)};
    QString whyNot;
    const std::optional<PageChoice> page = choosePage(readQueue(attributes), row.sticker, row.dpi, &whyNot);
    ASSERT_EQ(page.has_value(), !row.option.isEmpty()) << row.why << ": " << whyNot.toStdString();
    if (page) {
        EXPECT_EQ(page->option, row.option) << row.why;
        EXPECT_EQ(page->value, row.value) << row.why;
        EXPECT_EQ(page->dots, row.dots) << row.why;
        EXPECT_EQ(page->turned, row.turned) << row.why;
        EXPECT_EQ(page->at, row.at) << row.why;
    } else {
        EXPECT_TRUE(whyNot.contains(QString::fromUtf8(row.value))) << whyNot.toStdString();
    }
}

const std::vector<QByteArray> LabelDriver{"na_index-4x6_4x6in", "custom_min_0.25x0.25in",
                                          "custom_max_8x39in"};
const std::vector<QByteArray> FourInchHead{"custom_2x5.5in_2x5.5in", "custom_min_0.25x0.25in",
                                           "custom_max_4x39in"};
const std::vector<QByteArray> OfficeDriver{"iso_a4_210x297mm", "na_index-4x6_4x6in", "iso_a5_148x210mm",
                                           "na_letter_8.5x11in"};
const std::vector<QByteArray> SmallHead{"custom_2.25x7in_2.25x7in", "custom_2.25x4in_2.25x4in"};
const std::vector<QByteArray> Driverless{"oe_2x1-label_2x1in", "na_index-4x6_4x6in"};

// clang-format off
const PageCase kPageRows[] = {
    {"2-inch stock lengthwise: turned", FourInchHead, "custom_2x5.5in_2x5.5in", {}, {}, {1560, 600}, 300, "media", "custom_2x5.5in_2x5.5in", {600, 1650}, true, {0, 0}},
    {"wide stock: upright", LabelDriver, "custom_6x2in_6x2in", {}, {}, {1560, 600}, 300, "media", "custom_6x2in_6x2in", {1800, 600}, false, {0, 0}},
    {"inside the printable area", OfficeDriver, "na_index-4x6_4x6in", {}, {0, 203, 0, 203}, {1560, 600}, 300, "media", "na_index-4x6_4x6in", {1200, 1800}, true, {0, 24}},
    {"2.3-inch head, margins: turned", SmallHead, "custom_2.25x7in_2.25x7in", {}, {71, 526, 71, 526}, {1560, 600}, 300, "media", "custom_2.25x7in_2.25x7in", {675, 2100}, true, {9, 63}},
    {"2.3-inch head: too wide either way", SmallHead, "custom_2.25x7in_2.25x7in", {}, {71, 526, 71, 526}, {887, 1581}, 300, {}, "the 75.1 x 133.9 mm sticker does not fit the label loaded in queue q, custom_2.25x7in_2.25x7in 57.2 x 177.8 mm (printable 55.7 x 167.3 mm)", {}, false, {}},
    {"loaded label too short: lost, never a larger page", FourInchHead, "custom_2x5.5in_2x5.5in", {}, {}, {1581, 887}, 300, {}, "the 133.9 x 75.1 mm sticker does not fit the label loaded in queue q, custom_2x5.5in_2x5.5in 50.8 x 139.7 mm", {}, false, {}},
    {"custom default page size: the loaded label", LabelDriver, {}, "Custom.62x100mm", {}, {160, 220}, 203, "PageSize", "Custom.62x100mm", {496, 799}, false, {0, 0}},
    {"custom default page size too small", LabelDriver, {}, "Custom.62x100mm", {}, {1070, 600}, 203, {}, "the 133.9 x 75.1 mm sticker does not fit the label loaded in queue q, Custom.62x100mm 62.0 x 100.0 mm", {}, false, {}},
    {"driverless, 2x1 ready", Driverless, {}, "oe_2x1-label_2x1in", {}, {230, 270}, 300, "media", "oe_2x1-label_2x1in", {600, 300}, false, {0, 0}},
    {"driverless, 2x1 ready: never the 4x6 it also takes", Driverless, {}, "oe_2x1-label_2x1in", {}, {1560, 600}, 300, {}, "oe_2x1-label_2x1in 50.8 x 25.4 mm", {}, false, {}},
    {"nothing loaded: a fixed size, never the custom maximum", LabelDriver, {}, {}, {}, {1056, 406}, 203, "media", "na_index-4x6_4x6in", {812, 1218}, true, {0, 0}},
    {"nothing loaded: the smallest either way", OfficeDriver, {}, {}, {}, {1560, 600}, 300, "media", "na_index-4x6_4x6in", {1200, 1800}, true, {0, 0}},
    {"nothing loaded, no size holds it", OfficeDriver, {}, {}, {}, {3600, 600}, 300, {}, "queue q says no label is loaded, and none of its sizes holds the 304.8 x 50.8 mm sticker", {}, false, {}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Drivers, CupsPage, ::testing::ValuesIn(kPageRows),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

// --- opening ------------------------------------------------------------------------------------

struct OpenCase {
    const char* why;
    Generation generation;
    std::string name; // Windows-1252
    int labelType;
    bool opens;
    QSize size;                    // label size reported once open
    int32_t code = SLP_ERROR_NONE; // why not, when it does not open
};

class OpenPrinter : public ::testing::TestWithParam<OpenCase> {
protected:
    static void SetUpTestSuite() {
        SlpTestFolder& folder = SlpTestFolder::instance();
        folder.addFilePrinter(QStringLiteral("Smart Label Printer 450"));
        folder.addFilePrinter(QStringLiteral("Smart Label Printer "));
        folder.addFilePrinter(QStringLiteral("Smart Label Printer M\u00fcller"));
        QDir(folder.applicationFolder()).mkdir(QStringLiteral("outside"));
    }
};

TEST_P(OpenPrinter, FindsOnlyPrinterFoldersAndKnownLabelTypes) {
    const OpenCase& row = GetParam();
    const SlpFunctions& slp = SlpTestFolder::instance().library(row.generation);
    EXPECT_EQ(slp.openPrinter(row.name.c_str(), row.labelType, -1), row.opens ? -1 : 0) << row.why;
    EXPECT_EQ(QSize(slp.getLabelWidth(), slp.getLabelHeight()), row.size) << row.why;
    EXPECT_EQ(slp.getLastErrorCode(), row.code) << row.why;
    // The tests' CUPS is a socket that is not there: a lookup names where it looked.
    if (row.code == SLP_ERROR_SERVER_SILENT) {
        EXPECT_TRUE(
            lastError(slp).contains(qEnvironmentVariable("CUPS_SERVER") + ": No such file or directory"))
            << lastError(slp).toStdString();
    }
    EXPECT_EQ(slp.closePrinter(), row.opens ? -1 : 0) << row.why;
}

INSTANTIATE_TEST_SUITE_P(
    Names, OpenPrinter,
    ::testing::Values(
        OpenCase{
            "folder, normal label", Generation::Slp7x32, "Smart Label Printer 450", 2, true, {1560, 600}},
        OpenCase{"folder, small label", Generation::Slp7x32, "Smart Label Printer 450", 4, true, {230, 270}},
        OpenCase{"203 dpi normal label", Generation::Slp62, "Smart Label Printer 450", 2, true, {1070, 600}},
        OpenCase{"203 dpi small label", Generation::Slp62, "Smart Label Printer 450", 4, true, {160, 220}},
        OpenCase{"empty setting keeps the trailing space",
                 Generation::Slp62,
                 "Smart Label Printer ",
                 2,
                 true,
                 {1070, 600}},
        OpenCase{"name arrives in Windows-1252",
                 Generation::Slp62,
                 "Smart Label Printer M\xfcller",
                 2,
                 true,
                 {1070, 600}},
        OpenCase{"no folder, no queue",
                 Generation::Slp7x32,
                 "Smart Label Printer 999",
                 2,
                 false,
                 {0, 0},
                 SLP_ERROR_SERVER_SILENT},
        OpenCase{"names are exact",
                 Generation::Slp7x32,
                 "smart label printer 450",
                 2,
                 false,
                 {0, 0},
                 SLP_ERROR_SERVER_SILENT},
        OpenCase{"unknown label type",
                 Generation::Slp7x32,
                 "Smart Label Printer 450",
                 3,
                 false,
                 {0, 0},
                 SLP_ERROR_OTHER},
        OpenCase{"no way out of the printers folder",
                 Generation::Slp7x32,
                 "../outside",
                 2,
                 false,
                 {0, 0},
                 SLP_ERROR_SERVER_SILENT},
        OpenCase{"empty name", Generation::Slp62, "", 2, false, {0, 0}, SLP_ERROR_NOT_FOUND}),
    [](const ::testing::TestParamInfo<OpenCase>& info) { return "Row" + std::to_string(info.index); });

// --- calls out of order -------------------------------------------------------------------------

struct OrderCase {
    const char* why;
    bool open;                                         // a file printer is open first
    std::function<int32_t(const SlpFunctions&)> calls; // the last call's result is checked
    int32_t expected;
};

class CallOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(CallOrder, RefusesWhatCannotBeDone) {
    const OrderCase& row = GetParam();
    SlpTestFolder& folder = SlpTestFolder::instance();
    const SlpFunctions& slp = folder.library(Generation::Slp7x32);
    const QString name = uniquePrinterName();
    const QString printerFolder = folder.addFilePrinter(name);
    slp.closePrinter();
    if (row.open) {
        ASSERT_EQ(slp.openPrinter(name.toLocal8Bit().constData(), 2, -1), -1);
    }
    EXPECT_EQ(row.calls(slp), row.expected) << row.why;
    slp.closePrinter();
    EXPECT_TRUE(SlpTestFolder::stickerFiles(printerFolder).isEmpty()) << row.why;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, CallOrder,
    ::testing::Values(
        OrderCase{"start without open", false, [](const SlpFunctions& s) { return s.startLabel(); }, 0},
        OrderCase{"end without start", true, [](const SlpFunctions& s) { return s.endLabel(); }, 0},
        OrderCase{"second start before the end", true,
                  [](const SlpFunctions& s) {
                      s.startLabel();
                      return s.startLabel();
                  },
                  0},
        OrderCase{"text before start", true,
                  [](const SlpFunctions& s) { return s.drawTextXY(0, 0, s.createFont("Arial", 10, 0), "x"); },
                  0},
        OrderCase{"text with a released font", true,
                  [](const SlpFunctions& s) {
                      const int32_t font = s.createFont("Arial", 10, 0);
                      s.deleteFont(font);
                      s.startLabel();
                      return s.drawTextXY(0, 0, font, "x");
                  },
                  0},
        OrderCase{"QR code too long for its text loses the label", true,
                  [](const SlpFunctions& s) {
                      s.startLabel();
                      s.setBarCodeStyle(23, 0, 0, 2, 0, 0, 0, "Arial");
                      s.drawBarCode(0, 0, 300, 300, QByteArray(5000, 'a').constData());
                      const int32_t ended = s.endLabel();
                      char reason[200] = {};
                      s.getLastErrorText(reason, sizeof reason);
                      return ended == 0 && std::strstr(reason, "QR code cannot hold its 5000 characters")
                                 ? 1
                                 : -2;
                  },
                  1},
        OrderCase{"unknown symbology", true,
                  [](const SlpFunctions& s) { return s.setBarCodeStyle(99, 0, 0, 0, 0, 0, 0, "Arial"); }, 0},
        OrderCase{"barcode after a refused style", true,
                  [](const SlpFunctions& s) {
                      s.startLabel();
                      s.setBarCodeStyle(99, 0, 0, 0, 0, 0, 0, "Arial");
                      return s.drawBarCode(0, 0, 300, 200, "70100001");
                  },
                  0},
        OrderCase{"empty barcode data", true,
                  [](const SlpFunctions& s) {
                      s.startLabel();
                      s.setBarCodeStyle(4, 30, 0, 0, -1, 8, 0, "Arial");
                      return s.drawBarCode(0, 0, 300, 200, "");
                  },
                  0},
        OrderCase{"missing picture file", true,
                  [](const SlpFunctions& s) {
                      s.startLabel();
                      return s.drawPicture(0, 0, 100, 100, "/nonexistent/logo.png");
                  },
                  0},
        OrderCase{"coordinates far off any label", true,
                  [](const SlpFunctions& s) {
                      s.startLabel();
                      s.setBarCodeStyle(4, 30, 0, 0, -1, 8, 0, "Arial");
                      return s.drawBarCode(INT32_MIN, 0, INT32_MAX, 200, "70100001");
                  },
                  0},
        OrderCase{"rotation other than 0 and 1", true, [](const SlpFunctions& s) { return s.setRotation(2); },
                  0},
        OrderCase{"close drops an unfinished label", true,
                  [](const SlpFunctions& s) {
                      s.startLabel();
                      return s.closePrinter();
                  },
                  -1},
        OrderCase{"release of an unknown font", false,
                  [](const SlpFunctions& s) { return s.deleteFont(12345); }, 0}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return "Row" + std::to_string(info.index); });

// --- texts arrive as Windows-1252 ---------------------------------------------------------------

struct CharacterCase {
    std::string bytes;
    QString text;
};

class Windows1252Text : public ::testing::TestWithParam<CharacterCase> {};

TEST_P(Windows1252Text, OneByteIsDrawnAsItsCharacter) {
    auto drawText = [](const std::string& bytes) {
        return printOne(Generation::Slp7x32, 4, [bytes](const SlpFunctions& s) {
            const int32_t font = s.createFont("Arial", 24, 0);
            const bool ok = s.drawTextXY(20, 20, font, bytes.c_str()) == -1;
            s.deleteFont(font);
            return ok;
        });
    };
    const QImage drawn = drawText(GetParam().bytes);
    ASSERT_FALSE(drawn.isNull());

    // The same character drawn here in the same face and size (24 pt at 300 dpi is 100 dots), without
    // grey edges and one bit per dot, as the printer draws and writes it.
    QImage expected(drawn.size(), QImage::Format_Grayscale8);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(100);
        font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
        painter.drawText(QRect(20, 20, 1000, 1000), Qt::AlignLeft | Qt::AlignTop, GetParam().text);
    }
    EXPECT_EQ(drawn.convertToFormat(QImage::Format_Grayscale8),
              expected.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)
                  .convertToFormat(QImage::Format_Grayscale8));
    EXPECT_NE(drawn, drawText("?"));
}

INSTANTIATE_TEST_SUITE_P(Characters, Windows1252Text,
                         ::testing::Values(CharacterCase{"\xfc", QStringLiteral("\u00fc")},
                                           CharacterCase{"\xdf", QStringLiteral("\u00df")},
                                           CharacterCase{"\x80", QStringLiteral("\u20ac")}));

// --- where things land, at both rotations --------------------------------------------------------

struct PlacementCase {
    const char* why;
    int rotation;
    bool picture;      // else the text "H"
    int a, b, c, d;    // picture rectangle or text point
    QRect expectedInk; // on the sticker as read; for the text the point and a tolerance
};

class Placement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(Placement, LandsWhereTheRotationPutsIt) {
    const PlacementCase& row = GetParam();
    const QString square = writeBlackSquare();
    const QImage sticker = printOne(Generation::Slp7x32, 2, [&](const SlpFunctions& s) {
        if (s.setRotation(row.rotation) != -1) {
            return false;
        }
        if (row.picture) {
            return s.drawPicture(row.a, row.b, row.c, row.d, square.toLocal8Bit().constData()) == -1;
        }
        const int32_t font = s.createFont("Arial", 24, 0);
        const bool ok = s.drawTextXY(row.a, row.b, font, "H") == -1;
        s.deleteFont(font);
        return ok;
    });
    ASSERT_FALSE(sticker.isNull());
    const QRect ink = inkBounds(sticker);
    if (row.picture) {
        EXPECT_EQ(ink, row.expectedInk) << row.why;
    } else {
        // The stem of "H" starts a little right of the point and its top a little below the line's top.
        EXPECT_TRUE(row.expectedInk.contains(ink.topLeft())) << row.why << ": " << ink.x() << "," << ink.y();
    }
}

INSTANTIATE_TEST_SUITE_P(
    BothRotations, Placement,
    ::testing::Values(
        PlacementCase{
            "picture fills a rectangle of its shape", 0, true, 10, 20, 210, 220, {10, 20, 200, 200}},
        PlacementCase{
            "picture keeps its shape, from the top left", 0, true, 10, 20, 310, 120, {10, 20, 100, 100}},
        PlacementCase{"turned: x down, y across", 1, true, 10, 20, 110, 320, {20, 10, 100, 100}},
        PlacementCase{"text at its point", 0, false, 100, 60, 0, 0, {100, 60, 15, 30}},
        PlacementCase{"turned text, upright", 1, false, 60, 100, 0, 0, {100, 60, 15, 30}}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return "Row" + std::to_string(info.index); });

} // namespace
