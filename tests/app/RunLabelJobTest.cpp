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
        static const QRegularExpression sample("^(\\d{8})( .*)?$"), code("^[0-9A-F]{8}$");
        QStringList samples, codes;
        for (const QString& item : drawn)
            if (const auto match = sample.match(item);
                match.hasMatch() && item.startsWith(module.job.CustomerId))
                samples << match.captured(1);
            else if (code.match(item).hasMatch())
                codes << item;
        for (qsizetype i = 0; i < samples.size(); ++i) {
            QSqlQuery row(mOtherDesk.database());
            row.prepare("SELECT CODE_ID FROM SAMPLE_ORG WHERE SAMPLE_ID = ?");
            row.addBindValue(samples[i]);
            if (!row.exec() || !row.next() ||
                row.value(0).toString() != codes.value(i, row.value(0).toString()))
                mismatches.push_back(samples[i].toStdString() + " " + codes.value(i).toStdString());
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
    if (row.setUp) {
        ASSERT_TRUE(QSqlQuery(fixture.mOtherDesk.database()).exec(row.setUp)) << row.setUp;
    }
    QSqlQuery holder(fixture.mOtherDesk.database());
    if (row.lockWaitSeconds > 0) {
        ASSERT_TRUE(holder.exec("BEGIN IMMEDIATE"));
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
        {"ninety-nine in a row", {lostRun("result sticker", p440, C::NotAccepting, 70100001, 99), false, {}, {}},
         "99 Etiketten nicht gedruckt:\n    Ergebnisetikett 70100001 bis 70100099 (" + p440 + "): Drucker nimmt keine Aufträge an\n\n" + kAgain},
        // A batch sticker names all four samples; two of them are one kit each.
        {"four-test stickers", {{batch({"70500001", "70500002", "70500003", "70500004"}, C::ServerSilent), batch({"70500005", "70500007", "70500006", "70500008"}, C::ServerSilent)}, false, {}, {}},
         "2 Etiketten nicht gedruckt:\n    Ergebnisetikett für 4 Proben 70500001 bis 70500004; 70500005, 70500007, 70500006, 70500008 (" + p440 + "): Druckserver antwortet nicht\n\n" + kAgain},
        // The error first, then how far the job got, then what it did not print, the batch
        // sticker of the unfinished pass with the samples it has.
        {"ended on an error", {lostRun("sample sticker", p441, C::NotFound, 70500001, 2) + QList<LostSticker>{batch({"70500001", "70500002", "", ""}, C::JobEnded)}, false, "database is locked", "70500002"},
         "Der Auftrag wurde wegen eines Fehlers beendet:\ndatabase is locked\nProbe zuletzt erfasst: 70500002\n\n3 Etiketten nicht gedruckt:\n    Probenetikett 70500001, 70500002: Drucker '" + p441 + "' nicht gefunden\n"
         "    Ergebnisetikett für 4 Proben 70500001, 70500002 (" + p440 + "): Auftrag vorher abgebrochen\n\n" + kAgain + "\n" + kEnds},
        {"ended on an error before any row", {{}, false, "Subscript out of range", ""},
         "Der Auftrag wurde wegen eines Fehlers beendet:\nSubscript out of range\nKeine Probe erfasst.\n\n" + kEnds},
        // Whether these printed cannot be known: apart, and not offered for printing again.
        {"fate unknown", {lostRun("large label", p450, C::FolderFull, 12300005, 1) + QList<LostSticker>{batch({"70500001", "70500002", "70500003", "70500004"}, C::JobUnknown, true)}, false, {}, {}},
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

} // namespace
