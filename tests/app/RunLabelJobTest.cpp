#include "AppError.h"
#include "JobDoubles.h"
#include "MainModule.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
};

Log repeat(int times, const Log& pattern) {
    Log out;
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), pattern.begin(), pattern.end());
    return out;
}

class JobFixture {
public:
    JobFixture() : mPrinter7x32("7x32", mLog), mPrinter62("62", mLog), mPause(mLog) {
        module.settings.Database = mFolder.filePath("lab");
        module.settings.BarcodePrinter2 = "Smart Label Printer 440";
        module.settings.BarcodePrinter3 = "Smart Label Printer 240";
        module.window = [this]() -> JobBoxes& { return boxes; };
        module.printer7x32 = &mPrinter7x32;
        module.printer62 = &mPrinter62;
        module.pause = &mPause;
        OpenConnection(module.db, module.settings, mFolder.path());
    }
    ~JobFixture() { CloseConnection(module.db); }

    struct Row {
        QString customer, sample, code;
    };
    std::vector<Row> rows() const {
        std::vector<Row> out;
        QSqlQuery query("SELECT CUST_ID, SAMPLE_ID, CODE_ID FROM SAMPLE_ORG ORDER BY SAMPLE_ID", module.db.database());
        while (query.next())
            out.push_back({query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
        return out;
    }

    QTemporaryDir mFolder;
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
    JobFixture fixture;
    fixture.module.settings.BarcodePrinter1 = row.printer1;
    fixture.module.job = {row.customer, row.labelCount, row.kind, 1};
    fixture.boxes.mText1 = row.customer;
    fixture.boxes.mText2 = row.text2;

    RunLabelJob(fixture.module);

    EXPECT_EQ(fixture.mLog, row.expected);
    const auto rows = fixture.rows();
    ASSERT_EQ(int(rows.size()), row.rows);
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].customer, row.customer);
        EXPECT_EQ(rows[i].sample, QString(row.customer) + QString::number(i + 1).rightJustified(5, '0'));
        EXPECT_EQ(rows[i].code.size(), row.kind > 0 ? 8 : 0) << "a code is drawn for kinds above 0 only";
    }
    // Every job that runs to its end leaves the job and both boxes reset.
    EXPECT_EQ(fixture.module.job.CustomerId, "0");
    EXPECT_EQ(fixture.module.job.LabelCount, 0);
    EXPECT_EQ(fixture.module.job.Kind, 0);
    EXPECT_EQ(fixture.module.job.RepeatCount, 1);
    EXPECT_TRUE(fixture.boxes.mText1.isEmpty());
    EXPECT_TRUE(fixture.boxes.mText2.isEmpty());
}

const char* const P450 = "Smart Label Printer 450";
const char* const P240 = "Smart Label Printer 240";

INSTANTIATE_TEST_SUITE_P(
    Kinds, RunLabelJobTable,
    ::testing::Values(
        JobCase{"LargeLabels", "123", 3, LargeLabel, P450, "3", repeat(3, {"7x32 large 450", "pause 500"}), 3},
        JobCase{"LargeLabels62", "123", 2, LargeLabel, P240, "", repeat(2, {"62 large 240", "pause 500"}), 2},
        JobCase{"SingleTest", "401", 1, SingleTest, P450, "5", {"7x32 sample 450", "7x32 result 440", "pause 500"}, 1},
        JobCase{"SingleTestResultAlways7x32", "701", 1, SingleTest, P240, "",
                {"62 sample 240", "7x32 result 440", "pause 500"}, 1},
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
        JobCase{"Series43Is62", "123", 1, LargeLabel, "Smart Label Printer 430", "", {"62 large 430", "pause 500"}, 1},
        JobCase{"Series44Is7x32", "123", 1, LargeLabel, "Smart Label Printer 440", "",
                {"7x32 large 440", "pause 500"}, 1},
        JobCase{"ShortSettingUsedWhole", "123", 1, LargeLabel, "45", "", {"7x32 large  45", "pause 500"}, 1},
        JobCase{"RepeatRuleForSeventy", "701", 2, LargeLabel, P450, " 3 ", repeat(6, {"7x32 large 450", "pause 500"}),
                6},
        JobCase{"ZeroRepeatsNoPass", "701", 1, SingleTest, P450, "0", {}, 0},
        JobCase{"NegativeRepeatsNoPass", "701", 1, SingleTest, P450, "-2", {}, 0},
        JobCase{"OneCharacterCustomerNeverSeventy", "7", 1, SmallBarcode, P450, "3",
                {"7x32 small 240", "pause 100"}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RunLabelJob, HundredLabelsFailAfterNinetyNine) {
    JobFixture fixture;
    fixture.module.settings.BarcodePrinter1 = P450;
    fixture.module.job = {"123", 100, 3, 1};
    EXPECT_THROW(RunLabelJob(fixture.module), AppError);
    EXPECT_EQ(fixture.rows().size(), 99u);
    EXPECT_EQ(fixture.module.job.LabelCount, 100) << "a failed job is not reset";
}

TEST(RunLabelJob, ConversionFailuresBeforeAnythingIsDrawn) {
    struct Case {
        const char* printer1;
        const char* text2;
    };
    for (const Case& c : {Case{"", ""}, Case{"Smart Label Printer x50", ""}, Case{P450, "abc"}, Case{P450, "   "}}) {
        JobFixture fixture;
        fixture.module.settings.BarcodePrinter1 = c.printer1;
        fixture.module.job = {"701", 1, SingleTest, 1};
        fixture.boxes.mText2 = c.text2;
        EXPECT_THROW(RunLabelJob(fixture.module), AppError) << c.printer1 << "|" << c.text2;
        EXPECT_TRUE(fixture.rows().empty());
        EXPECT_TRUE(fixture.mLog.empty());
    }
}

} // namespace
