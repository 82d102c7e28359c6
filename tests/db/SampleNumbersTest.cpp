#include "SampleNumbers.h"

#include "AppError.h"
#include "NumberingTransaction.h"
#include "SqliteFixture.h"

#include <QDateTime>
#include <deque>
#include <utility>
#include <vector>

namespace {

LabelJob jobFor(const QString& customer) {
    LabelJob job;
    job.CustomerId = customer;
    return job;
}

// r that gives exactly v in the piece rule v = floor(5000 r) + 1.
double drawFor(int v) {
    return (v - 0.5) / 5000.0;
}

// Hands out the given draws in order, then keeps repeating the last one.
class ScriptedRandom {
public:
    explicit ScriptedRandom(std::vector<int> values) : mValues(values.begin(), values.end()) {}
    double operator()() {
        ++mCalls;
        const int v = mValues.front();
        if (mValues.size() > 1)
            mValues.pop_front();
        return drawFor(v);
    }
    int calls() const { return mCalls; }

private:
    std::deque<int> mValues;
    int mCalls = 0;
};

struct NumberingRow {
    const char* name;
    std::vector<std::pair<const char*, const char*>> stored; // CUST_ID, SAMPLE_ID
    const char* customer;
    const char* expected; // nullptr: the error below
    const char* error = nullptr;
};

class NextSampleIdTest : public SqliteFixture, public ::testing::WithParamInterface<NumberingRow> {};

TEST_P(NextSampleIdTest, DerivesFromTheStoredMaximum) {
    for (const auto& [customer, sample] : GetParam().stored)
        addSample(QString::fromLatin1(customer), QString::fromLatin1(sample));
    const LabelJob job = jobFor(QString::fromLatin1(GetParam().customer));
    if (GetParam().expected) {
        EXPECT_EQ(NextSampleId(mDb, job).toStdString(), GetParam().expected);
        return;
    }
    try {
        NextSampleId(mDb, job);
        FAIL() << "numbered";
    } catch (const AppError& error) {
        EXPECT_EQ(error.description().toStdString(), GetParam().error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Numbering, NextSampleIdTest,
    ::testing::Values(
        NumberingRow{"FirstSample", {}, "701", "70100001"},
        NumberingRow{"StoredMaximum", {{"701", "70100041"}, {"701", "70100009"}}, "701", "70100042"},
        NumberingRow{"SevenCharacters", {{"701", "7010004"}}, "701", "70100001"},
        NumberingRow{"NineCharacters", {{"701", "701000041"}}, "701", "70100001"},
        NumberingRow{"Letters", {{"701", "701ABCDE"}}, "701", "70100001"},
        NumberingRow{"NullNumber", {{"701", nullptr}}, "701", "70100001"},
        NumberingRow{"OtherCustomersIgnored", {{"701", "70100041"}, {"703", "70300005"}}, "703", "70300006"},
        NumberingRow{"OnlyOtherCustomers", {{"401", "40100077"}}, "701", "70100001"},
        // Rows of another shape never decide the next number, wherever they sort.
        NumberingRow{"ShortRowAboveTheMaximum", {{"701", "70100041"}, {"701", "7019"}}, "701", "70100042"},
        NumberingRow{
            "LongRowAboveTheMaximum", {{"701", "70100041"}, {"701", "701000419"}}, "701", "70100042"},
        NumberingRow{"LettersAboveTheMaximum",
                     {{"701", "70100041"}, {"701", "7010004A"}, {"701", "70199A99"}},
                     "701",
                     "70100042"},
        NumberingRow{
            "AnotherCustomersNumberInTheRows", {{"701", "70100041"}, {"701", "70200099"}}, "701", "70100042"},
        NumberingRow{"HostileCustomer", {{"701", "70100041"}}, "7' OR '1'='1", "7' OR '1'='100001"},
        NumberingRow{"LeadingZeroKept", {{"012", "01200001"}}, "012", "01200002"},
        NumberingRow{"LeadingZeroCarry", {{"012", "01209999"}}, "012", "01210000"},
        NumberingRow{"LastRunningNumber", {{"701", "70199998"}}, "701", "70199999"},
        NumberingRow{"NoNumbersLeft",
                     {{"701", "70199999"}},
                     "701",
                     nullptr,
                     "Customer 701 has no sample numbers left (70199999 is the last)"}),
    [](const auto& info) { return std::string(info.param.name); });

using SampleNumbersTest = SqliteFixture;

TEST_F(SampleNumbersTest, NothingIsCachedBetweenCalls) {
    const LabelJob job = jobFor(QStringLiteral("701"));
    EXPECT_EQ(NextSampleId(mDb, job), QStringLiteral("70100001"));
    RecordSample(mDb, job, QStringLiteral("70100001"), QStringLiteral(""));
    EXPECT_EQ(NextSampleId(mDb, job), QStringLiteral("70100002"));
}

struct PieceRow {
    int v;
    const char* piece;
};

class CodePieceTest : public SqliteFixture, public ::testing::WithParamInterface<PieceRow> {};

TEST_P(CodePieceTest, WritesTheLastTwoHexadecimalDigits) {
    ScriptedRandom random({GetParam().v});
    const std::string piece = GetParam().piece;
    EXPECT_EQ(NewCodeId(mDb, std::ref(random)).toStdString(), piece + piece + piece + piece);
}

INSTANTIATE_TEST_SUITE_P(Pieces, CodePieceTest,
                         ::testing::Values(PieceRow{1, "01"}, PieceRow{5, "05"}, PieceRow{255, "FF"},
                                           PieceRow{256, "00"}, PieceRow{250, "FA"}, PieceRow{4000, "A0"},
                                           PieceRow{5000, "88"}));

TEST_F(SampleNumbersTest, CodeInUseIsDrawnAgainWithFourNewPieces) {
    addSample(QStringLiteral("401"), QStringLiteral("40100001"), QStringLiteral("01020304"));
    ScriptedRandom random({1, 2, 3, 4, 250, 5, 256, 10});
    EXPECT_EQ(NewCodeId(mDb, std::ref(random)), QStringLiteral("FA05000A"));
    EXPECT_EQ(random.calls(), 8);
}

TEST_F(SampleNumbersTest, TenThousandCollisionsGiveEmptyText) {
    addSample(QStringLiteral("701"), QStringLiteral("70100001"), QStringLiteral("01010101"));
    ScriptedRandom random({1});
    const QString code = NewCodeId(mDb, std::ref(random));
    EXPECT_TRUE(code.isEmpty());
    EXPECT_EQ(random.calls(), 4 * 10000);
}

TEST_F(SampleNumbersTest, SystemRandomGivesEightHexadecimalDigits) {
    for (int i = 0; i < 200; ++i) {
        const double r = SystemCodeRandom();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        const QString code = NewCodeId(mDb);
        ASSERT_EQ(code.size(), 8);
        for (const QChar c : code)
            ASSERT_TRUE((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')) << code.toStdString();
    }
}

struct RowContents {
    const char* code;
};

class RecordSampleTest : public SqliteFixture, public ::testing::WithParamInterface<RowContents> {};

TEST_P(RecordSampleTest, WritesCustomerNumberCodeAndLocalTime) {
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    RecordSample(mDb, jobFor(QStringLiteral("705")), QStringLiteral("70500003"),
                 QString::fromLatin1(GetParam().code));
    const QDateTime after = QDateTime::currentDateTime();

    TestQuery row = run(
        QStringLiteral("SELECT CUST_ID, SAMPLE_ID, CODE_ID, typeof(CODE_ID), TIME_STAMP FROM SAMPLE_ORG"));
    ASSERT_TRUE(row.next());
    EXPECT_EQ(row.value(0).toString(), QStringLiteral("705"));
    EXPECT_EQ(row.value(1).toString(), QStringLiteral("70500003"));
    EXPECT_EQ(row.value(2).toString().toStdString(), GetParam().code);
    EXPECT_EQ(row.value(3).toString(), QStringLiteral("text")); // never NULL, even when empty
    const QString stamp = row.value(4).toString();
    const QDateTime recorded = QDateTime::fromString(stamp, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    ASSERT_TRUE(recorded.isValid()) << stamp.toStdString();
    EXPECT_GE(recorded, before);
    EXPECT_LE(recorded, after);
    EXPECT_FALSE(row.next());
}

INSTANTIATE_TEST_SUITE_P(Codes, RecordSampleTest,
                         ::testing::Values(RowContents{"7F00A1C3"}, RowContents{""}));

TEST_F(SampleNumbersTest, NullCodeTextIsRecordedAsEmptyText) {
    RecordSample(mDb, jobFor(QStringLiteral("701")), QStringLiteral("70100001"), QString());
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SAMPLE_ORG WHERE CODE_ID = ''")).toInt(), 1);
}

TEST_F(SampleNumbersTest, HostileCustomerNumberTouchesNoOtherRow) {
    addSample(QStringLiteral("701"), QStringLiteral("70100041"), QStringLiteral("11223344"));
    const LabelJob job = jobFor(QStringLiteral("1';DELETE FROM SAMPLE_ORG;--"));
    RecordSample(mDb, job, NextSampleId(mDb, job), NewCodeId(mDb));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SAMPLE_ORG")).toInt(), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT SAMPLE_ID FROM SAMPLE_ORG WHERE CUST_ID = '701'")).toString(),
              QStringLiteral("70100041"));
}

TEST_F(SampleNumbersTest, ASecondRowWithTheSameNumberFailsWithTheDriversText) {
    const LabelJob job = jobFor(QStringLiteral("701"));
    RecordSample(mDb, job, QStringLiteral("70100001"), QStringLiteral(""));
    try {
        RecordSample(mDb, job, QStringLiteral("70100001"), QStringLiteral(""));
        FAIL() << "recorded twice";
    } catch (const AppError& error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("UNIQUE constraint failed")))
            << error.description().toStdString();
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SAMPLE_ORG")).toInt(), 1);
}

TEST_F(SampleNumbersTest, NumberingTransactionKeepsCommittedLabelsOnly) {
    const LabelJob job = jobFor(QStringLiteral("701"));
    {
        NumberingTransaction transaction(mDb, job.CustomerId);
        RecordSample(mDb, job, NextSampleId(mDb, job), NewCodeId(mDb));
        transaction.commit();
    }
    {
        NumberingTransaction abandoned(mDb, job.CustomerId); // the job failed before commit
        RecordSample(mDb, job, NextSampleId(mDb, job), NewCodeId(mDb));
    }
    {
        NumberingTransaction transaction(mDb, job.CustomerId);
        EXPECT_EQ(NextSampleId(mDb, job), QStringLiteral("70100002"));
        RecordSample(mDb, job, QStringLiteral("70100002"), QStringLiteral(""));
        transaction.commit();
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SAMPLE_ORG")).toInt(), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT max(SAMPLE_ID) FROM SAMPLE_ORG")).toString(),
              QStringLiteral("70100002"));
}

} // namespace
