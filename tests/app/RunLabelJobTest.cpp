#include "AppError.h"
#include "JobDoubles.h"
#include "LostStickers.h"
#include "MainModule.h"
#include "StatementThread.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>
#include <string>
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
        static const QRegularExpression sample("^(\\d{8})( .*)?$");
        static const QRegularExpression code("^[0-9A-F]{8}$");
        QStringList samples, codes;
        for (const QString& item : drawn) {
            if (const auto match = sample.match(item);
                match.hasMatch() && item.startsWith(module.job.CustomerId))
                samples << match.captured(1);
            else if (code.match(item).hasMatch())
                codes << item;
        }
        if (!codes.isEmpty() && codes.size() != samples.size())
            mismatches.push_back("codes " + codes.join(' ').toStdString() + " for " +
                                 samples.join(' ').toStdString());
        for (qsizetype i = 0; i < samples.size(); ++i) {
            QSqlQuery row(mOtherDesk.database());
            row.prepare("SELECT CODE_ID FROM SAMPLE_ORG WHERE SAMPLE_ID = ?");
            row.addBindValue(samples[i]);
            if (!row.exec() || !row.next())
                mismatches.push_back(samples[i].toStdString() + " printed before it was recorded");
            else if (i < codes.size() && row.value(0).toString() != codes[i])
                mismatches.push_back(samples[i].toStdString() + " printed with code " +
                                     codes[i].toStdString());
        }
    }

    struct Row {
        QString customer, sample, code;
    };
    std::vector<Row> rows() const {
        std::vector<Row> out;
        QSqlQuery query("SELECT CUST_ID, SAMPLE_ID, CODE_ID FROM SAMPLE_ORG ORDER BY SAMPLE_ID",
                        module.db.database());
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
    if (row.setUp)
        ASSERT_TRUE(QSqlQuery(fixture.mOtherDesk.database()).exec(row.setUp)) << row.setUp;
    QSqlQuery holder(fixture.mOtherDesk.database());
    if (row.lockWaitSeconds > 0)
        ASSERT_TRUE(holder.exec("BEGIN IMMEDIATE"));
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
        holder.exec("ROLLBACK");
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
                    report.error.size() > qsizetype(strlen(row.errorTail)))
            << report.error.toStdString();
        EXPECT_EQ(report.error.count("Sample in hand"), QString(row.errorTail).count("Sample in hand"))
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

INSTANTIATE_TEST_SUITE_P(
    Kinds, RunLabelJobTable,
    ::testing::Values(
        JobCase{"LargeLabels", "123", 3, LargeLabel, P450, "3", repeat(3, {"7x32 large 450", "pause 500"}),
                3},
        JobCase{"LargeLabels62", "123", 2, LargeLabel, P240, "", repeat(2, {"62 large 240", "pause 500"}), 2},
        JobCase{"SingleTest",
                "401",
                1,
                SingleTest,
                P450,
                "5",
                {"7x32 sample 450", "7x32 result 440", "pause 500"},
                1},
        JobCase{"SingleTestResultAlways7x32",
                "701",
                1,
                SingleTest,
                P240,
                "",
                {"62 sample 240", "7x32 result 440", "pause 500"},
                1},
        JobCase{"SmallBarcodeSeriesFromPrinter1", "123", 2, SmallBarcode, P450, "",
                repeat(2, {"7x32 small 240", "pause 100"}), 2},
        JobCase{"SmallBarcode62", "123", 1, SmallBarcode, P240, "", {"62 small 240", "pause 100"}, 1},
        JobCase{"FourTestsTwoPasses", "705", 4, FourTests, P450, "2",
                repeat(2, {"7x32 sample 450", "pause 500", "7x32 sample 450", "pause 500", "7x32 sample 450",
                           "pause 500", "7x32 sample 450", "pause 500", "62 batch 440", "pause 500"}),
                8},
        JobCase{"FourTestsNoLabels", "705", 0, FourTests, P450, "", {"62 batch 440", "pause 500"}, 0},
        JobCase{"KindThreePrintsNothing", "123", 2, 3, P450, "", {}, 2},
        JobCase{"NegativeKindDrawsNoCode", "123", 2, -1, P450, "", {}, 2},
        JobCase{"Series43Is62",
                "123",
                1,
                LargeLabel,
                "Smart Label Printer 430",
                "",
                {"62 large 430", "pause 500"},
                1},
        JobCase{"Series44Is7x32",
                "123",
                1,
                LargeLabel,
                "Smart Label Printer 440",
                "",
                {"7x32 large 440", "pause 500"},
                1},
        JobCase{"ShortSettingUsedWhole", "123", 1, LargeLabel, "45", "", {"7x32 large  45", "pause 500"}, 1},
        JobCase{"RepeatRuleForSeventy", "701", 2, LargeLabel, P450, " 3 ",
                repeat(6, {"7x32 large 450", "pause 500"}), 6},
        JobCase{"ZeroRepeatsNoPass", "701", 1, SingleTest, P450, "0", {}, 0},
        JobCase{"NegativeRepeatsNoPass", "701", 1, SingleTest, P450, "-2", {}, 0},
        JobCase{"OneCharacterCustomerNeverSeventy",
                "7",
                1,
                SmallBarcode,
                P450,
                "3",
                {"7x32 small 240", "pause 100"},
                1},
        // Lost stickers: the job goes on exactly as before and reports each one with its sample.
        JobCase{"ResultStickersRefused",
                "401",
                2,
                SingleTest,
                P450,
                "",
                repeat(2, {"7x32 sample 450", "7x32 result 440 lost", "pause 500"}),
                2,
                {"440"},
                {},
                {"40100001 result sticker Smart Label Printer 440: printer 440 refused",
                 "40100002 result sticker Smart Label Printer 440: printer 440 refused"}},
        JobCase{"BatchStickerRefusedNamesItsSamples",
                "705",
                2,
                FourTests,
                P240,
                "2",
                repeat(2, {"62 sample 240", "pause 500", "62 sample 240", "pause 500", "62 batch 440 lost",
                           "pause 500"}),
                4,
                {"440"},
                {},
                {"70500001 70500002   batch result sticker Smart Label Printer 440: printer 440 refused",
                 "70500003 70500004   batch result sticker Smart Label Printer 440: printer 440 refused"}},
        JobCase{"LargeLabelRefused",
                "123",
                1,
                LargeLabel,
                P240,
                "",
                {"62 large 240 lost", "pause 500"},
                1,
                {"240"},
                {},
                {"12300001 large label Smart Label Printer 240: printer 240 refused"}},
        JobCase{"SmallBarcodeRefused",
                "123",
                1,
                SmallBarcode,
                P450,
                "",
                {"7x32 small 240 lost", "pause 100"},
                1,
                {"240"},
                {},
                {"12300001 small barcode sticker Smart Label Printer 240: printer 240 refused"}},
        JobCase{"PrinterNotFoundReportsNothing",
                "701",
                1,
                SingleTest,
                P450,
                "",
                {"7x32 sample 450", "pause 500"},
                1,
                {},
                {"440"},
                {}},
        // A job that ends on an error names the last sample it recorded and every sticker it still
        // owed, a four-test pass's batch sticker with the samples it has; the next job numbers on.
        JobCase{"LibraryFailsAtTheBatchSticker",
                "705",
                2,
                FourTests,
                P240,
                "2",
                {"62 sample 240", "pause 500", "62 sample 240", "pause 500"},
                2,
                {},
                {},
                {"70500001 70500002 batch result sticker Smart Label Printer 440: " + kJobEnded},
                {"440"},
                nullptr,
                " Last sample recorded: 70500002."},
        JobCase{"LibraryFailsAtTheResultSticker",
                "401",
                2,
                SingleTest,
                P450,
                "",
                {"7x32 sample 450"},
                1,
                {},
                {},
                {"40100001 result sticker Smart Label Printer 440: " + kJobEnded},
                {"440"},
                nullptr,
                " Sample in hand: 40100001."},
        JobCase{"DatabaseFailsMidPass",
                "705",
                4,
                FourTests,
                P450,
                "",
                repeat(2, {"7x32 sample 450", "pause 500"}),
                2,
                {},
                {},
                {"70500001 70500002 batch result sticker Smart Label Printer 440: " + kJobEnded},
                {},
                "CREATE TRIGGER fail BEFORE INSERT ON SAMPLE_ORG WHEN NEW.SAMPLE_ID = '70500003' AND "
                "NEW.CODE_ID <> '' BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END",
                " Sample in hand: 70500003. Last sample recorded: 70500002."},
        // Another desk holds the file: the numbering lock is asked for before any number is drawn.
        JobCase{"NumberingLockHeld",
                "701",
                1,
                SingleTest,
                P450,
                "",
                {},
                0,
                {},
                {},
                {},
                {},
                nullptr,
                " No sample was recorded.",
                1},
        // The tool's own bound ends the wait, well before the file's busy timeout.
        JobCase{"OwnBoundOnABusyFile",
                "701",
                1,
                SingleTest,
                P450,
                "",
                {},
                0,
                {},
                {},
                {},
                {},
                nullptr,
                " while running \"BEGIN IMMEDIATE\" No sample was recorded.",
                30,
                1}),
    [](const auto& info) { return std::string(info.param.name); });

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
QList<LostSticker> lostRun(const QString& sticker, const QString& printer, const QString& reason, int first,
                           int count) {
    QList<LostSticker> lost;
    for (int n = first; n < first + count; ++n)
        lost.append({{QString::number(n)}, sticker, printer, reason});
    return lost;
}

const QString kTail = "\nThe samples are recorded. Print their stickers again with\n"
                      "velmora-barcode-tool --reprint KIND SAMPLE_ID...";

TEST(LostStickersMessage, GroupsByPrinterAndReasonWithRangesOfNumbers) {
    const QString p440 = "Smart Label Printer 440";
    const QString p450 = "Smart Label Printer 450";
    const QString refused = "queue \"Smart Label Printer 440\" is not accepting jobs";
    const QString full = "printers/Smart Label Printer 450/000007.png: No space left on device";
    const struct {
        const char* name;
        QList<LostSticker> lost;
        QString expected;
    } rows[] = {
        {"nothing lost", {}, ""},
        {"ninety-nine in a row", lostRun("result sticker", p440, refused, 70100001, 99),
         "99 stickers did not reach their printers.\n\n" + p440 + ": " + refused +
             "\n    result sticker: 70100001 to 70100099\n" + kTail},
        {"gaps, short runs, a batch without numbers, two reasons",
         lostRun("sample sticker", p450, full, 70100001, 2) +
             lostRun("result sticker", p440, refused, 70100001, 1) +
             lostRun("sample sticker", p450, full, 70100005, 3) +
             QList<LostSticker>{{{""}, "batch result sticker", p440, refused}},
         "7 stickers did not reach their printers.\n\n" + p450 + ": " + full +
             "\n    sample sticker: 70100001, 70100002, 70100005 to 70100007\n\n" + p440 + ": " + refused +
             "\n    result sticker: 70100001\n    batch result sticker: (no number)\n" + kTail},
        {"one", lostRun("large label", p450, full, 12300001, 1),
         "1 sticker did not reach its printer.\n\n" + p450 + ": " + full + "\n    large label: 12300001\n" +
             kTail},
    };
    for (const auto& row : rows)
        EXPECT_EQ(LostStickersMessage(row.lost).toStdString(), row.expected.toStdString()) << row.name;
}

TEST(LostStickersMessage, StaysReadableWithManyReasonsAndScatteredNumbers) {
    QList<LostSticker> lost;
    for (int reason = 0; reason < 10; ++reason)
        lost += lostRun("sample sticker", "Smart Label Printer 450", QString("reason %1").arg(reason),
                        70100001, 1);
    for (int n = 0; n < 30; ++n) // every other number: no ranges
        lost += lostRun("result sticker", "Smart Label Printer 440", "refused", 70100001 + 2 * n, 1);
    const QStringList lines = LostStickersMessage(lost).split('\n');
    EXPECT_EQ(lines.filter("Smart Label Printer 450: reason").size(), 7);
    EXPECT_TRUE(lines.contains("3 more for other reasons; standard error lists every one."));
    EXPECT_EQ(lines.filter("Smart Label Printer 440").size(), 1);
    EXPECT_TRUE(lines.filter("result sticker: ").value(0).endsWith("70100039, and 10 more"));
}

} // namespace
