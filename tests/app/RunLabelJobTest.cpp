#include "AppError.h"
#include "DeskOwes.h"
#include "JobDoubles.h"
#include "LostStickers.h"
#include "MainModule.h"
#include "Reprint.h"
#include "StatementThread.h"
#include "StickerKinds.h"
#include "TestQuery.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct JobCase {
    const char* name;
    const char* customer;
    qint16 labelCount;
    qint16 kind;
    const char* printer1;
    const char* text2;
    Log expected;
    int rows;
    std::set<std::string> refusing = {}; // model digits of printers that take no sticker
    std::set<std::string> missing = {};  // model digits of printers that are not found
    Log lost = {};                       // the job's report: "<sample> <sticker> <printer>: <reason>"
    std::set<std::string> failing = {};  // model digits whose library fails as a damaged one does
    const char* setUp = nullptr;         // a statement run on the database before the job
    const char* errorTail = nullptr;     // how the job's error ends; none: the job runs to its end
    int lockWaitSeconds = 0;             // another desk holds the file; this desk's bounds (0: no)
    int statementWaitSeconds = 30;
};

Log repeat(int times, const Log& pattern) {
    Log out;
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), pattern.begin(), pattern.end());
    return out;
}

class JobFixture {
public:
    explicit JobFixture(int lockWaitSeconds = 30)
        : mPrinter7x32("7x32", mLog), mPrinter62("62", mLog), mPause(mLog) {
        module.settings.Database = mFolder.filePath("lab");
        QFile(module.settings.Database + ".sqlite").open(QIODevice::WriteOnly); // the package's empty file
        module.settings.BarcodePrinter2 = "Smart Label Printer 440";
        module.settings.BarcodePrinter3 = "Smart Label Printer 240";
        module.window = [this]() -> JobBoxes& { return boxes; };
        module.printer7x32 = &mPrinter7x32;
        module.printer62 = &mPrinter62;
        module.pause = &mPause;
        module.db.lockWaitSeconds = lockWaitSeconds;
        OpenConnection(module.db, module.settings, mFolder.path());
        OpenConnection(mOtherDesk, module.settings, mFolder.path());
        for (StickerLog* printer : {&mPrinter7x32, &mPrinter62})
            printer->onEnd = [this](const std::vector<QString>& drawn) { checkSticker(drawn); };
    }
    ~JobFixture() {
        CloseConnection(mOtherDesk);
        CloseConnection(module.db);
    }

    // Every sample on a sticker is recorded, and committed, before the sticker is printed, each
    // with the code printed beside it: read back by another desk, which sees committed rows only.
    void checkSticker(const std::vector<QString>& drawn) {
        static const QRegularExpression sample("^(\\d{8})( .*)?$"), code("^[0-9A-F]{8}$");
        QStringList samples, codes;
        for (const QString& item : drawn)
            if (const auto match = sample.match(item);
                match.hasMatch() && item.startsWith(module.job.CustomerId))
                samples << match.captured(1);
            else if (code.match(item).hasMatch())
                codes << item;
        for (qsizetype i = 0; i < samples.size(); ++i) {
            TestQuery row(mOtherDesk, "SELECT CODE_ID FROM SAMPLE_ORG WHERE SAMPLE_ID = ?", {samples[i]});
            if (!row.ok() || !row.next() ||
                row.value(0).toString() != codes.value(i, row.value(0).toString()))
                mismatches.push_back(samples[i].toStdString() + " " + codes.value(i).toStdString());
        }
    }

    struct Row {
        QString customer, sample, code;
    };
    std::vector<Row> rows() const {
        std::vector<Row> out;
        TestQuery query(module.db, "SELECT CUST_ID, SAMPLE_ID, CODE_ID FROM SAMPLE_ORG ORDER BY SAMPLE_ID");
        while (query.next())
            out.push_back({query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
        return out;
    }

    QTemporaryDir mFolder;
    DbConnection mOtherDesk;
    std::vector<std::string> mismatches;
    Log mLog;
    StickerLog mPrinter7x32;
    StickerLog mPrinter62;
    PauseLog mPause;
    Boxes boxes;
    MainModule module;
};

class RunLabelJobTable : public ::testing::TestWithParam<JobCase> {};

TEST_P(RunLabelJobTable, PrintsPausesAndRecords) {
    const JobCase& row = GetParam();
    JobFixture fixture(row.lockWaitSeconds > 0 ? row.lockWaitSeconds : 30);
    fixture.module.db.statementWaitSeconds = row.statementWaitSeconds;
    if (row.setUp) {
        ASSERT_TRUE(TestQuery(fixture.mOtherDesk, row.setUp).ok()) << row.setUp;
    }
    if (row.lockWaitSeconds > 0) {
        ASSERT_TRUE(TestQuery(fixture.mOtherDesk, "BEGIN IMMEDIATE").ok());
    }
    fixture.module.settings.BarcodePrinter1 = row.printer1;
    fixture.module.job = {row.customer, row.labelCount, row.kind, 1};
    fixture.boxes.mText1 = row.customer;
    fixture.boxes.mText2 = row.text2;
    for (StickerLog* printer : {&fixture.mPrinter7x32, &fixture.mPrinter62}) {
        printer->refusing = row.refusing;
        printer->missing = row.missing;
        printer->failing = row.failing;
    }

    const JobReport report = RunLabelJob(fixture.module);
    if (row.lockWaitSeconds > 0) {
        TestQuery(fixture.mOtherDesk, "ROLLBACK");
        // A statement given up on ends once the lock is free, and its transaction is rolled back.
        ASSERT_TRUE(fixture.module.db.statements->settle(60));
    }

    EXPECT_EQ(fixture.mLog, row.expected) << report.error.toStdString();
    Log lost;
    for (const LostSticker& sticker : report.lostStickers)
        lost.push_back(
            QString("%1 %2 %3: %4")
                .arg(sticker.SampleIds.join(u' '), sticker.sticker, sticker.printer, sticker.reason)
                .toStdString());
    EXPECT_EQ(lost, row.lost);
    EXPECT_FALSE(report.stopped);
    EXPECT_EQ(fixture.mismatches, std::vector<std::string>{});
    const auto rows = fixture.rows();
    ASSERT_EQ(int(rows.size()), row.rows);
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].customer, row.customer);
        EXPECT_EQ(rows[i].sample, QString(row.customer) + QString::number(i + 1).rightJustified(5, '0'));
        EXPECT_EQ(rows[i].code.size(), row.kind > 0 ? 8 : 0) << "a code is drawn for kinds above 0 only";
    }
    if (row.errorTail) {
        EXPECT_TRUE(report.error.endsWith(row.errorTail) &&
                    report.error.size() > qsizetype(strlen(row.errorTail)) &&
                    report.error.count("Sample in hand") == QString(row.errorTail).count("Sample in hand"))
            << report.error.toStdString();
        EXPECT_EQ(fixture.module.job.CustomerId, row.customer) << "a failed job is not reset";
        // No lock outlives the job: another desk numbers at once.
        fixture.module.job = {row.customer, 1, LargeLabel, 1};
        fixture.boxes.mText2.clear();
        EXPECT_EQ(RunLabelJob(fixture.module).error, "");
        EXPECT_EQ(int(fixture.rows().size()), row.rows + 1);
        return;
    }
    EXPECT_EQ(report.error, "");
    // Every job that runs to its end leaves the job and both boxes reset.
    EXPECT_EQ(fixture.module.job.CustomerId, "0");
    EXPECT_EQ(fixture.module.job.LabelCount, 0);
    EXPECT_EQ(fixture.module.job.Kind, 0);
    EXPECT_EQ(fixture.module.job.RepeatCount, 1);
    EXPECT_TRUE(fixture.boxes.mText1.isEmpty());
    EXPECT_TRUE(fixture.boxes.mText2.isEmpty());
}

const char* const P450 = "Smart Label Printer 450";
const std::string kJobEnded = "the job ended on an error before it was printed";
const char* const P240 = "Smart Label Printer 240";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Kinds, RunLabelJobTable,
    ::testing::Values(
        JobCase{"LargeLabels", "123", 3, LargeLabel, P450, "3", repeat(3, {"7x32 large 450", "pause 500"}), 3},
        JobCase{"LargeLabels62", "123", 2, LargeLabel, P240, "", repeat(2, {"62 large 240", "pause 500"}), 2},
        JobCase{"SingleTest", "401", 1, SingleTest, P450, "5", {"7x32 sample 450", "7x32 result 440", "pause 500"}, 1},
        JobCase{"SingleTestResultAlways7x32", "701", 1, SingleTest, P240, "", {"62 sample 240", "7x32 result 440", "pause 500"}, 1},
        JobCase{"SmallBarcodeSeriesFromPrinter1", "123", 2, SmallBarcode, P450, "", repeat(2, {"7x32 small 240", "pause 100"}), 2},
        JobCase{"SmallBarcode62", "123", 1, SmallBarcode, P240, "", {"62 small 240", "pause 100"}, 1},
        JobCase{"FourTestsTwoPasses", "705", 4, FourTests, P450, "2", repeat(2, {"7x32 sample 450", "pause 500", "7x32 sample 450", "pause 500", "7x32 sample 450", "pause 500", "7x32 sample 450", "pause 500", "62 batch 440", "pause 500"}), 8},
        JobCase{"FourTestsNoLabels", "705", 0, FourTests, P450, "", {"62 batch 440", "pause 500"}, 0},
        JobCase{"KindThreePrintsNothing", "123", 2, 3, P450, "", {}, 2},
        JobCase{"NegativeKindDrawsNoCode", "123", 2, -1, P450, "", {}, 2},
        JobCase{"Series43Is62", "123", 1, LargeLabel, "Smart Label Printer 430", "", {"62 large 430", "pause 500"}, 1},
        JobCase{"Series44Is7x32", "123", 1, LargeLabel, "Smart Label Printer 440", "", {"7x32 large 440", "pause 500"}, 1},
        JobCase{"ShortSettingUsedWhole", "123", 1, LargeLabel, "45", "", {"7x32 large  45", "pause 500"}, 1},
        JobCase{"RepeatRuleForSeventy", "701", 2, LargeLabel, P450, " 3 ", repeat(6, {"7x32 large 450", "pause 500"}), 6},
        JobCase{"ZeroRepeatsNoPass", "701", 1, SingleTest, P450, "0", {}, 0},
        JobCase{"NegativeRepeatsNoPass", "701", 1, SingleTest, P450, "-2", {}, 0},
        JobCase{"OneCharacterCustomerNeverSeventy", "7", 1, SmallBarcode, P450, "3", {"7x32 small 240", "pause 100"}, 1},
        // Lost stickers: the job goes on exactly as before and reports each one with its sample.
        JobCase{"ResultStickersRefused", "401", 2, SingleTest, P450, "", repeat(2, {"7x32 sample 450", "7x32 result 440 lost", "pause 500"}), 2, {"440"}, {}, {"40100001 result sticker Smart Label Printer 440: printer 440 refused", "40100002 result sticker Smart Label Printer 440: printer 440 refused"}},
        JobCase{"BatchStickerRefusedNamesItsSamples", "705", 2, FourTests, P240, "2", repeat(2, {"62 sample 240", "pause 500", "62 sample 240", "pause 500", "62 batch 440 lost", "pause 500"}), 4, {"440"}, {}, {"70500001 70500002   batch result sticker Smart Label Printer 440: printer 440 refused", "70500003 70500004   batch result sticker Smart Label Printer 440: printer 440 refused"}},
        JobCase{"LargeLabelRefused", "123", 1, LargeLabel, P240, "", {"62 large 240 lost", "pause 500"}, 1, {"240"}, {}, {"12300001 large label Smart Label Printer 240: printer 240 refused"}},
        JobCase{"SmallBarcodeRefused", "123", 1, SmallBarcode, P450, "", {"7x32 small 240 lost", "pause 100"}, 1, {"240"}, {}, {"12300001 small barcode sticker Smart Label Printer 240: printer 240 refused"}},
        // A setting that names no printer loses its stickers; the library gave no reason here.
        JobCase{"PrinterNotFoundIsLost", "701", 1, SingleTest, P450, "", {"7x32 sample 450", "pause 500"}, 1, {}, {"440"}, {"70100001 result sticker Smart Label Printer 440: no printer named \"Smart Label Printer 440\" was found"}},
        // A job that ends on an error names the last sample it recorded and every sticker it still
        // owed, a four-test pass's batch sticker with the samples it has; the next job numbers on.
        JobCase{"LibraryFailsAtTheBatchSticker", "705", 2, FourTests, P240, "2", repeat(2, {"62 sample 240", "pause 500"}), 2, {}, {}, {"70500001 70500002 batch result sticker Smart Label Printer 440: " + kJobEnded}, {"440"}, nullptr, " Last sample recorded: 70500002."},
        JobCase{"LibraryFailsAtTheResultSticker", "401", 2, SingleTest, P450, "", {"7x32 sample 450"}, 1, {}, {}, {"40100001 result sticker Smart Label Printer 440: " + kJobEnded}, {"440"}, nullptr, " Sample in hand: 40100001."},
        JobCase{"DatabaseFailsMidPass", "705", 4, FourTests, P450, "", repeat(2, {"7x32 sample 450", "pause 500"}), 2, {}, {}, {"70500001 70500002 batch result sticker Smart Label Printer 440: " + kJobEnded}, {}, "CREATE TRIGGER fail BEFORE INSERT ON SAMPLE_ORG WHEN NEW.SAMPLE_ID = '70500003' AND NEW.CODE_ID <> '' BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END", " Sample in hand: 70500003. Last sample recorded: 70500002."},
        // Another desk holds the file: the lock is asked for before a number is drawn, and the
        // tool's own bound ends the wait well before the file's busy timeout.
        JobCase{"NumberingLockHeld", "701", 1, SingleTest, P450, "", {}, 0, {}, {}, {}, {}, nullptr, " No sample was recorded.", 1},
        JobCase{"OwnBoundOnABusyFile", "701", 1, SingleTest, P450, "", {}, 0, {}, {}, {}, {}, nullptr, " while running \"BEGIN IMMEDIATE\" No sample was recorded.", 30, 1}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A desk stopped dead at a sticker of a job, then started again: it shows exactly what it owes,
// those perhaps printed apart, and prints the others once.
struct StopCase {
    const char* name;
    const char* customer;
    qint16 labelCount;
    qint16 kind;
    int killAt; // the sticker at which the desk stops; 0: the job runs to its end
    bool killAfterSending;
    Log owed;    // "<sticker> <samples>", "perhaps: ..." for those that may have printed
    Log printed; // what "Nochmals drucken" prints
    std::set<std::string> refusing = {};
    bool printersTell = true; // the printers find a sticker by its name; otherwise they cannot tell
};

class StoppedDesk : public ::testing::TestWithParam<StopCase> {};

TEST_P(StoppedDesk, OwesExactlyWhatItDidNotPrint) {
    const StopCase& row = GetParam();
    JobFixture fixture;
    int stickers = 0;
    std::set<QString> taken;
    for (StickerLog* printer : {&fixture.mPrinter7x32, &fixture.mPrinter62}) {
        printer->taken = row.printersTell ? &taken : nullptr;
        printer->stickers = &stickers;
        printer->killAt = row.killAt;
        printer->killAfterSending = row.killAfterSending;
        printer->refusing = row.refusing;
    }
    fixture.module.settings.BarcodePrinter1 = P450;
    fixture.module.job = {row.customer, row.labelCount, row.kind, 1};
    try {
        RunLabelJob(fixture.module);
        EXPECT_EQ(row.killAt, 0) << "not stopped";
    } catch (const Killed&) {
    }
    for (StickerLog* printer : {&fixture.mPrinter7x32, &fixture.mPrinter62}) {
        printer->killAt = 0;
        printer->refusing.clear();
    }
    // The start that follows: the desk knows only what its database holds.
    const auto owed = [&fixture] {
        Log shown;
        for (const LostSticker& sticker : OwedSinceEarlier(fixture.module).lostStickers)
            shown.push_back((sticker.unknown ? "perhaps: " : "") + sticker.sticker.toStdString() + " " +
                            sticker.SampleIds.join(u' ').toStdString());
        return shown;
    };
    EXPECT_EQ(owed(), row.owed);
    // What the printers said is kept: asked no more, the desk owes the same.
    for (StickerLog* printer : {&fixture.mPrinter7x32, &fixture.mPrinter62})
        printer->taken = nullptr;
    EXPECT_EQ(owed(), row.owed) << "kept";
    Log perhaps;
    for (const std::string& line : row.owed)
        if (line.starts_with("perhaps: "))
            perhaps.push_back(line);
    for (int again = 0; again < 2; ++again) {
        fixture.mLog.clear();
        EXPECT_EQ(
            size_t(
                PrintLostStickersAgain(fixture.module, OwedSinceEarlier(fixture.module).lostStickers).size()),
            perhaps.size());
        EXPECT_EQ(fixture.mLog, again == 0 ? row.printed : Log{}) << "printed once";
        EXPECT_EQ(owed(), perhaps);
    }
    // The window's reprint clears what it prints; the operator gives up the rest.
    QList<LostSticker> left = OwedSinceEarlier(fixture.module).lostStickers;
    if (!left.isEmpty()) {
        const LostSticker first = left.takeFirst();
        EXPECT_TRUE(ReprintFromWindow(fixture.module, StickerKindNamed(first.sticker)->keyword,
                                      first.SampleIds.join(u' '))
                        .refusal.isEmpty());
    }
    GiveUpOwedStickers(fixture.module, left);
    EXPECT_EQ(owed(), Log{});
}

const char* const Sample = "sample sticker ";
const char* const Result = "result sticker ";
const char* const Batch = "batch result sticker ";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Steps, StoppedDesk,
    ::testing::Values(
        StopCase{"RanToItsEnd", "401", 2, SingleTest, 0, false, {}, {}},
        // Stopped before a sticker reached its printer: not found there, owed, printed once.
        StopCase{"BeforeTheFirstSticker", "401", 2, SingleTest, 1, false, {std::string(Sample) + "40100001", std::string(Result) + "40100001"}, {"7x32 sample 450", "pause 500", "7x32 result 440"}},
        // Stopped once the printer had it: found there, owed no more.
        StopCase{"AfterTheResultSticker", "401", 2, SingleTest, 2, true, {}, {}},
        StopCase{"BeforeTheSecondLabelsSticker", "401", 2, SingleTest, 3, false, {std::string(Sample) + "40100002", std::string(Result) + "40100002"}, {"7x32 sample 450", "pause 500", "7x32 result 440"}},
        // Where the printer cannot tell, whether or not it had them: apart, never printed again.
        StopCase{"PrinterCannotTellBefore", "401", 2, SingleTest, 3, false, {std::string("perhaps: ") + Sample + "40100002", std::string("perhaps: ") + Result + "40100002"}, {}, {}, false},
        StopCase{"PrinterCannotTellAfter", "401", 2, SingleTest, 2, true, {std::string("perhaps: ") + Sample + "40100001", std::string("perhaps: ") + Result + "40100001"}, {}, {}, false},
        // A refused sticker stays owed after the job and prints once the printer takes it.
        StopCase{"RefusedStaysOwed", "401", 2, SingleTest, 0, false, {std::string(Result) + "40100001", std::string(Result) + "40100002"}, {"7x32 result 440", "pause 500", "7x32 result 440"}, {"440"}},
        // A four-test kit's batch sticker is owed from its first sample, naming those recorded.
        StopCase{"KitBeforeItsFirstSticker", "705", 4, FourTests, 1, false, {std::string(Sample) + "70500001", std::string(Batch) + "70500001"}, {"7x32 sample 450", "pause 500", "62 batch 440"}},
        StopCase{"KitAfterItsThirdSticker", "705", 4, FourTests, 3, true, {std::string(Batch) + "70500001 70500002 70500003"}, {"62 batch 440"}},
        StopCase{"KitBeforeItsBatchSticker", "705", 4, FourTests, 5, false, {std::string(Batch) + "70500001 70500002 70500003 70500004"}, {"62 batch 440"}},
        StopCase{"KitAfterItsBatchSticker", "705", 4, FourTests, 5, true, {}, {}},
        StopCase{"KitPrinterCannotTell", "705", 4, FourTests, 5, false, {std::string("perhaps: ") + Sample + "70500004", std::string("perhaps: ") + Batch + "70500001 70500002 70500003 70500004"}, {}, {}, false},
        StopCase{"LargeLabelsAfterTheSecond", "123", 3, LargeLabel, 2, true, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// "Nochmals drucken" stopped dead just after its printer took the first sticker: the next start
// finds that one printed and owes only the other.
TEST(ReprintStopped, AfterItsFirstStickerOwesTheOther) {
    JobFixture fixture;
    std::set<QString> taken;
    int stickers = 0;
    fixture.module.settings.BarcodePrinter1 = P450;
    fixture.module.job = {"401", 2, SingleTest, 1};
    for (StickerLog* printer : {&fixture.mPrinter7x32, &fixture.mPrinter62}) {
        printer->taken = &taken;
        printer->refusing = {"440"};
    }
    ASSERT_EQ(RunLabelJob(fixture.module).lostStickers.size(), 2);
    for (StickerLog* printer : {&fixture.mPrinter7x32, &fixture.mPrinter62}) {
        printer->refusing.clear();
        printer->stickers = &stickers;
        printer->killAt = 1;
        printer->killAfterSending = true;
    }
    EXPECT_THROW(PrintLostStickersAgain(fixture.module, OwedSinceEarlier(fixture.module).lostStickers),
                 Killed);
    QStringList owed;
    for (const LostSticker& sticker : OwedSinceEarlier(fixture.module).lostStickers)
        owed << (sticker.unknown ? "perhaps " : "") + sticker.sticker + ' ' + sticker.SampleIds.join(' ');
    EXPECT_EQ(owed, QStringList{"result sticker 40100002"});
}

// A database file deleted under a running desk ends the job with that reason.
TEST(RunLabelJob, DatabaseDeletedDuringTheJob) {
    JobFixture fixture;
    fixture.module.settings.BarcodePrinter1 = P450;
    fixture.module.job = {"123", 1, LargeLabel, 1};
    ASSERT_TRUE(QFile::remove(fixture.module.settings.Database + ".sqlite"));
    const QString error = RunLabelJob(fixture.module).error;
    EXPECT_TRUE(error.contains(".sqlite was deleted while the tool had it open")) << error.toStdString();
    EXPECT_TRUE(fixture.mLog.empty());
}

TEST(RunLabelJob, HundredLabelsFailAfterNinetyNine) {
    JobFixture fixture;
    fixture.module.settings.BarcodePrinter1 = P450;
    fixture.module.job = {"123", 100, 3, 1};
    EXPECT_EQ(RunLabelJob(fixture.module).error, "Subscript out of range Last sample recorded: 12300099.");
    EXPECT_EQ(fixture.rows().size(), 99u);
    EXPECT_EQ(fixture.module.job.LabelCount, 100) << "a failed job is not reset";
}

TEST(RunLabelJob, ConversionFailuresBeforeAnythingIsDrawn) {
    struct Case {
        const char* printer1;
        const char* text2;
    };
    for (const Case& c :
         {Case{"", ""}, Case{"Smart Label Printer x50", ""}, Case{P450, "abc"}, Case{P450, "   "}}) {
        JobFixture fixture;
        fixture.module.settings.BarcodePrinter1 = c.printer1;
        fixture.module.job = {"701", 1, SingleTest, 1};
        fixture.boxes.mText2 = c.text2;
        const QString error = RunLabelJob(fixture.module).error;
        EXPECT_TRUE(error.endsWith(" No sample was recorded."))
            << c.printer1 << "|" << c.text2 << "|" << error.toStdString();
        EXPECT_TRUE(fixture.rows().empty());
        EXPECT_TRUE(fixture.mLog.empty());
    }
}

// The window's one message after a job with lost stickers.
QList<LostSticker> lostRun(const QString& sticker, const QString& printer, StickerCause cause, int first,
                           int count) {
    QList<LostSticker> lost;
    for (int n = first; n < first + count; ++n)
        lost.append({{QString::number(n)}, sticker, printer, "technical reason", cause});
    return lost;
}

LostSticker batch(const QStringList& SampleIds, StickerCause cause, bool unknown = false) {
    return {SampleIds, "batch result sticker", "Smart Label Printer 440", "technical reason", cause, unknown};
}

const QString kAgain =
    "Die Proben sind erfasst. „Nochmals drucken“ druckt die nicht gedruckten Etiketten noch "
    "einmal.";
const QString kEnds = "Nach „Schließen“ wird das Programm beendet.";
const QString kDbFault =
    "Datenbankfehler: die Datenbank hat die Anfrage nicht ausgeführt. Bitte den Administrator rufen.";

TEST(LostStickersMessage, NamesSamplesStickerPrinterAndCauseInGerman) {
    const QString p440 = "Smart Label Printer 440";
    const QString p441 = "Smart Label Printer 441";
    const QString p450 = "Smart Label Printer 450";
    using C = StickerCause;
    const struct {
        const char* name;
        JobReport report;
        QString expected;
    } rows[] = {
        // clang-format off
        {"nothing lost", {}, ""},
        {"ninety-nine in a row", {lostRun("result sticker", p440, C::NotAccepting, 70100001, 99), false, {}, {}, {}},
         "99 Etiketten nicht gedruckt:\n    Ergebnisetikett 70100001 bis 70100099 (" + p440 + "): Drucker nimmt keine Aufträge an\n\n" + kAgain},
        // A batch sticker names all four samples; two of them are one kit each.
        {"four-test stickers", {{batch({"70500001", "70500002", "70500003", "70500004"}, C::ServerSilent), batch({"70500005", "70500007", "70500006", "70500008"}, C::ServerSilent)}, false, {}, {}, {}},
         "2 Etiketten nicht gedruckt:\n    Ergebnisetikett für 4 Proben 70500001 bis 70500004; 70500005, 70500007, 70500006, 70500008 (" + p440 + "): Druckserver antwortet nicht\n\n" + kAgain},
        // The error first, then how far the job got, then what it did not print, the batch
        // sticker of the unfinished pass with the samples it has.
        {"ended on an error", {lostRun("sample sticker", p441, C::NotFound, 70500001, 2) + QList<LostSticker>{batch({"70500001", "70500002", "", ""}, C::JobEnded)}, false, "database is locked", "70500002", kDbFault + "\nZuletzt erfasst: Probe 70500002."},
         "Der Auftrag wurde wegen eines Fehlers beendet:\n" + kDbFault + "\nZuletzt erfasst: Probe 70500002.\n\n3 Etiketten nicht gedruckt:\n    Probenetikett 70500001, 70500002: Drucker '" + p441 + "' nicht gefunden\n"
         "    Ergebnisetikett für 4 Proben 70500001, 70500002 (" + p440 + "): Auftrag vorher abgebrochen\n\n" + kAgain + "\n" + kEnds},
        {"ended on an error before any row", {{}, false, "Subscript out of range No sample was recorded.", "", {}},
         "Der Auftrag wurde wegen eines Fehlers beendet:\nMehr als 99 Etiketten in einem Durchgang sind nicht möglich.\n\n" + kEnds},
        // Whether these printed cannot be known: apart, and not offered for printing again.
        {"fate unknown", {lostRun("large label", p450, C::FolderFull, 12300005, 1) + QList<LostSticker>{batch({"70500001", "70500002", "70500003", "70500004"}, C::JobUnknown, true)}, false, {}, {}, {}},
         "1 Etikett nicht gedruckt:\n    Großes Etikett 12300005 (" + p450 + "): Ordner voll\n\nFür 1 Etikett nicht bekannt, ob gedruckt: Drucker prüfen, bevor nochmals gedruckt wird.\n"
         "    Ergebnisetikett für 4 Proben 70500001 bis 70500004 (" + p440 + ")\n\n" + kAgain + "\nFehlende Etiketten mit F5 nachdrucken."},
        // A job the printer aborted is lost; one it still holds prints later: apart, not offered again.
        {"waiting in the printer", {lostRun("large label", p450, C::JobFailed, 12300005, 1) + QList<LostSticker>{batch({"70500001", "70500002", "70500003", "70500004"}, C::JobWaiting, true)}, false, {}, {}},
         "1 Etikett nicht gedruckt:\n    Großes Etikett 12300005 (" + p450 + "): Drucker hat den Auftrag abgebrochen\n\n1 Etikett noch im Drucker:\n"
         "    Ergebnisetikett für 4 Proben 70500001 bis 70500004 (" + p440 + "): wartet im Drucker: nicht gedruckt, bis der Drucker weiterarbeitet\n\n" + kAgain},
        // clang-format on
    };
    for (const auto& row : rows)
        EXPECT_EQ(LostStickersMessage(row.report).toStdString(), row.expected.toStdString()) << row.name;
}

TEST(LostStickersMessage, StaysReadableWithManyCausesAndScatteredNumbers) {
    JobReport report;
    for (int cause = 1; cause <= 11; ++cause)
        if (cause != int(StickerCause::JobUnknown))
            report.lostStickers +=
                lostRun("sample sticker", "Smart Label Printer 450", StickerCause(cause), 70100001, 1);
    for (int n = 0; n < 30; ++n) // every other number: no ranges
        report.lostStickers +=
            lostRun("result sticker", "Smart Label Printer 440", StickerCause::Refused, 70100001 + 2 * n, 1);
    const QStringList lines = LostStickersMessage(report).split('\n');
    EXPECT_EQ(lines.filter("Probenetikett 70100001").size(), 7);
    EXPECT_TRUE(lines.contains("    und 3 weitere"));
    EXPECT_TRUE(
        lines.filter("Ergebnisetikett ")
            .value(0)
            .endsWith(
                "70100039, und 10 weitere (Smart Label Printer 440): Drucker hat das Etikett abgelehnt"));
}

// Standard error as the administrator reads it while a call runs.
QString standardErrorOf(const std::function<void()>& call) {
    std::fflush(stderr);
    QTemporaryFile file;
    EXPECT_TRUE(file.open());
    const int saved = dup(2);
    dup2(file.handle(), 2);
    call();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    file.seek(0);
    return QString::fromLocal8Bit(file.readAll());
}

// Each error a job can end on reaches the operator as one German sentence, said once; the
// English text and the samples it concerns go to the administrator.
TEST(RunLabelJob, ErrorsAreToldInGermanOnly) {
    const struct {
        const char* name;
        const char* printer1;
        const char* customer;
        const char* setUp;
        QString german;
    } rows[] = {
        {"no numbers left", P450, "705",
         "INSERT INTO SAMPLE_ORG (CUST_ID, SAMPLE_ID, CODE_ID, TIME_STAMP) VALUES ('705', '70599999', "
         "'0A0A0A0A', '2026-01-01 08:00:00')",
         "Kunde 705 hat keine Proben-Nr. mehr frei (70599999 ist die letzte). Bitte den Administrator "
         "rufen.\nKeine Probe erfasst."},
        {"database fault", P450, "705",
         "CREATE TRIGGER fail BEFORE INSERT ON SAMPLE_ORG WHEN NEW.SAMPLE_ID = '70500003' BEGIN SELECT "
         "RAISE(ABORT, 'disk I/O error'); END",
         kDbFault + "\nProbe 70500003 ist nicht erfasst; zuletzt erfasst: Probe 70500002."},
        {"printer 1 empty", "", "701", nullptr,
         "Drucker 1 ist nicht oder falsch eingestellt (BARCODEPRINTER1). Bitte den Administrator "
         "rufen.\nKeine Probe erfasst."},
    };
    for (const auto& row : rows) {
        JobFixture fixture;
        fixture.module.settings.BarcodePrinter1 = row.printer1;
        if (row.setUp) {
            EXPECT_TRUE(TestQuery(fixture.module.db, row.setUp).ok()) << row.name;
        }
        fixture.module.job = {row.customer, 4, FourTests, 1};
        JobReport report;
        const QString told = standardErrorOf([&] { report = RunLabelJob(fixture.module); });
        EXPECT_EQ(report.germanError, row.german) << row.name;
        const QString message = LostStickersMessage(report);
        EXPECT_EQ(message.count(row.german), 1) << row.name << "\n" << message.toStdString();
        for (const char* english : {"Sample", "sample", "recorded", "Type mismatch", "disk I/O", "Customer"})
            EXPECT_FALSE(message.contains(QLatin1String(english))) << row.name << ": " << english;
        EXPECT_FALSE(report.error.isEmpty()) << row.name;
        for (const LostSticker& lost : report.lostStickers)
            EXPECT_TRUE(told.contains(lost.SampleIds.join(u' ').trimmed())) << row.name;
    }
}

// A four-test result sticker told as lost names all four samples for the administrator; printed
// again (by "Nochmals drucken" or F5, whole or from a cut-off pass) each sample beside its own
// stored code.
TEST(RunLabelJob, BatchStickerLostAndPrintedAgainKeepsItsPairs) {
    JobFixture fixture;
    fixture.module.settings.BarcodePrinter1 = P240;
    fixture.mPrinter62.refusing = {"440"};
    fixture.module.job = {"705", 4, FourTests, 1};
    JobReport report;
    const QString told = standardErrorOf([&] { report = RunLabelJob(fixture.module); });
    EXPECT_TRUE(
        told.contains("Sticker lost: samples 70500001 70500002 70500003 70500004, batch result sticker"))
        << told.toStdString();
    ASSERT_EQ(report.lostStickers.size(), 1);

    fixture.mPrinter62.refusing.clear();
    fixture.module.job.CustomerId = "705"; // the samples the sticker check looks for
    const struct {
        const char* name;
        std::function<QList<LostSticker>()> print;
    } paths[] = {
        {"Nochmals drucken", [&] { return PrintLostStickersAgain(fixture.module, report.lostStickers); }},
        {"F5 four",
         [&] {
             return ReprintFromWindow(fixture.module, "batch", "70500001 70500002 70500003 70500004")
                 .lostStickers;
         }},
        {"F5 cut-off pass",
         [&] { return ReprintFromWindow(fixture.module, "batch", "70500002 70500003").lostStickers; }},
    };
    for (const auto& path : paths) {
        fixture.mLog.clear();
        EXPECT_TRUE(path.print().isEmpty()) << path.name;
        EXPECT_EQ(fixture.mLog, Log({"62 batch 440"})) << path.name;
    }
    EXPECT_TRUE(fixture.mismatches.empty()) << fixture.mismatches.front();
}

} // namespace
