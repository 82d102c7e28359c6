#include "AppError.h"
#include "ConcurrentDesks.h"
#include "CustomerLookup.h"
#include "NumberingTransaction.h"
#include "SampleNumbers.h"
#include "TestPostgres.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <optional>

namespace {

// The server of scripts/start-test-postgres.sh. Without a server every test here is skipped, never
// passed. The desk logs in as velmora; what the test itself sets up runs as the tables' owner.
class PostgresTest : public ::testing::Test {
protected:
    void SetUp() override {
        const TestPostgres server = FindTestPostgres();
        if (server.port.isEmpty())
            GTEST_SKIP() << server.whyNot.toStdString();
        mOwner.emplace(server);
        mSettings.Server = QStringLiteral("127.0.0.1,") + server.port;
        mSettings.Database = QStringLiteral("velmora");
        mSettings.SqlSvr = QStringLiteral("velmora");
        mSettings.OdbcDriver = QStringLiteral("PostgreSQL Unicode");
        OpenConnection(mDb, mSettings, mAppDir.path());
        run(QStringLiteral("DELETE FROM SAMPLE_ORG"));
        run(QStringLiteral("DELETE FROM customer"));
    }
    void TearDown() override { CloseConnection(mDb); }

    QSqlQuery run(const QString& statement, const QVariantList& values = {}) {
        return mOwner->run(statement, values);
    }
    QVariant scalar(const QString& statement) {
        QSqlQuery query = run(statement);
        return query.next() ? query.value(0) : QVariant();
    }

    std::optional<OwnerConnection> mOwner;
    QTemporaryDir mAppDir;
    AppSettings mSettings;
    DbConnection mDb;
};

LabelJob jobFor(const QString& customer) {
    LabelJob job;
    job.CustomerId = customer;
    return job;
}

TEST_F(PostgresTest, OpensThroughPsqlOdbc) {
    EXPECT_EQ(mDb.backend, DbBackend::PostgreSql);
    EXPECT_TRUE(TestQuery(mDb, QStringLiteral("SELECT 1")).ok());
}

TEST_F(PostgresTest, WrongPasswordFailsWithTheDriversText) {
    AppSettings settings = mSettings;
    settings.SqlSvr = QStringLiteral("sa");
    DbConnection other;
    try {
        OpenConnection(other, settings, mAppDir.path());
        FAIL() << "opened";
    } catch (const AppError& error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("password")))
            << error.description().toStdString();
    }
}

// The login every desk knows records samples and reads customers; no desk can change or delete
// what is recorded, nor enter customers.
TEST_F(PostgresTest, DesksLoginOnlyReadsAndRecords) {
    RecordSample(mDb, jobFor(QStringLiteral("701")), QStringLiteral("70100001"), QStringLiteral("12345678"));
    for (const char* statement :
         {"DELETE FROM SAMPLE_ORG", "UPDATE SAMPLE_ORG SET CODE_ID = ''", "TRUNCATE SAMPLE_ORG",
          "INSERT INTO customer (CUST_ID, cust_name) VALUES ('701', 'x')",
          "UPDATE customer SET cust_name = ''", "DELETE FROM customer", "DROP TABLE SAMPLE_ORG",
          "ALTER TABLE SAMPLE_ORG ADD COLUMN x int"}) {
        const TestQuery query(mDb, QString::fromLatin1(statement));
        EXPECT_FALSE(query.ok()) << statement;
        EXPECT_TRUE(query.error().contains(QRegularExpression("permission denied|must be owner")))
            << statement << ": " << query.error().toStdString();
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SAMPLE_ORG WHERE CODE_ID = '12345678'")).toInt(),
              1);
}

TEST_F(PostgresTest, NumbersFollowTheStoredMaximum) {
    const QString insert =
        QStringLiteral("INSERT INTO SAMPLE_ORG (CUST_ID, SAMPLE_ID, CODE_ID) VALUES (?,?,?)");
    EXPECT_EQ(NextSampleId(mDb, jobFor(QStringLiteral("701"))), QStringLiteral("70100001"));
    run(insert, {QStringLiteral("701"), QStringLiteral("70100041"), QStringLiteral("")});
    for (const char* otherShape : {"7019", "7010004A", "70200099"})
        run(insert, {QStringLiteral("701"), QString::fromLatin1(otherShape), QStringLiteral("")});
    run(insert, {QStringLiteral("703"), QStringLiteral("703ABCDE"), QStringLiteral("")});
    run(insert, {QStringLiteral("705"), QStringLiteral("7050001"), QStringLiteral("")});
    EXPECT_EQ(NextSampleId(mDb, jobFor(QStringLiteral("701"))), QStringLiteral("70100042"));
    EXPECT_EQ(NextSampleId(mDb, jobFor(QStringLiteral("703"))), QStringLiteral("70300001"));
    EXPECT_EQ(NextSampleId(mDb, jobFor(QStringLiteral("705"))), QStringLiteral("70500001"));
    EXPECT_EQ(NextSampleId(mDb, jobFor(QStringLiteral("7' OR '1'='1"))), QStringLiteral("7' OR '1'='100001"));
}

TEST_F(PostgresTest, CodeInUseIsDrawnAgain) {
    run(QStringLiteral(
        "INSERT INTO SAMPLE_ORG (CUST_ID, SAMPLE_ID, CODE_ID) VALUES ('401', '40100001', '01010101')"));
    int calls = 0;
    const auto random = [&calls] { return (calls++ < 4 ? 0.5 : 255.5) / 5000.0; };
    EXPECT_EQ(NewCodeId(mDb, random), QStringLiteral("00000000"));
    EXPECT_EQ(calls, 8);
    // Another customer's desk, under its own lock, meets the code at its insert and draws again.
    calls = 0;
    EXPECT_EQ(RecordNewSample(mDb, jobFor(QStringLiteral("402")), QStringLiteral("40200001"), random),
              QStringLiteral("00000000"));
    EXPECT_EQ(calls, 8);
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT CODE_ID FROM SAMPLE_ORG WHERE SAMPLE_ID = '40200001'")).toString(),
        QStringLiteral("00000000"));
}

TEST_F(PostgresTest, RecordsEmptyCodeAsEmptyTextAndLocalTime) {
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    RecordSample(mDb, jobFor(QStringLiteral("701")), QStringLiteral("70100001"), QString());
    const QDateTime after = QDateTime::currentDateTime();
    QSqlQuery row = run(
        QStringLiteral("SELECT CUST_ID, SAMPLE_ID, CODE_ID IS NULL, CODE_ID, TIME_STAMP FROM SAMPLE_ORG"));
    ASSERT_TRUE(row.next());
    EXPECT_EQ(row.value(0).toString(), QStringLiteral("701"));
    EXPECT_EQ(row.value(1).toString(), QStringLiteral("70100001"));
    EXPECT_FALSE(row.value(2).toBool());
    EXPECT_EQ(row.value(3).toString(), QStringLiteral(""));
    const QDateTime recorded = row.value(4).toDateTime();
    EXPECT_GE(recorded, before);
    EXPECT_LE(recorded, after);
    EXPECT_EQ(recorded.time().msec(), 0);
}

TEST_F(PostgresTest, LooksUpCustomersHarmlessly) {
    const QString insert = QStringLiteral("INSERT INTO customer (CUST_ID, cust_name) VALUES (?,?)");
    run(insert, {QStringLiteral("701"), QStringLiteral("Gärtnerei Blum")});
    run(insert, {QStringLiteral("702"), QVariant(QMetaType::fromType<QString>())});
    run(insert, {QStringLiteral("70"), QStringLiteral("Zwei Zeichen")});
    EXPECT_EQ(LookupCustomerName(mDb, QStringLiteral("701")), QStringLiteral("Gärtnerei Blum"));
    EXPECT_EQ(LookupCustomerName(mDb, QStringLiteral("702")), QStringLiteral(""));
    for (const char* absent : {"703", "70", "abc", "", "7'1", "1;D", "'--", "701'; DELETE FROM customer; --"})
        EXPECT_EQ(LookupCustomerName(mDb, QString::fromLatin1(absent)),
                  QStringLiteral("Kunde nicht angelegt!"))
            << absent;
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM customer")).toInt(), 3);
}

TEST_F(PostgresTest, UncommittedLabelIsRolledBack) {
    const LabelJob job = jobFor(QStringLiteral("701"));
    {
        NumberingTransaction transaction(mDb, job.CustomerId);
        RecordSample(mDb, job, NextSampleId(mDb, job), NewCodeId(mDb));
        transaction.commit();
    }
    {
        NumberingTransaction abandoned(mDb, job.CustomerId);
        RecordSample(mDb, job, NextSampleId(mDb, job), NewCodeId(mDb));
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SAMPLE_ORG")).toInt(), 1);
    EXPECT_EQ(NextSampleId(mDb, job), QStringLiteral("70100002"));
    // Back in autocommit: a plain record stays.
    RecordSample(mDb, job, QStringLiteral("70100002"), QStringLiteral(""));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SAMPLE_ORG")).toInt(), 2);
}

// Another desk holding the numbering lock ends this desk's label after the bound, and leaves this
// desk's connection holding nothing. Desks of different customers wait for each other only where
// the database has no unique index on codes.
TEST_F(PostgresTest, NumberingLockWaitIsBounded) {
    struct Row {
        const char* holder;
        const char* waiter;
        bool holderIndex, waiterIndex; // UX_SAMPLE_ORG_CODE in place when the desk connects
        bool waits;
    };
    const auto connect = [this](DbConnection& desk, bool codeIndex) {
        if (!codeIndex)
            run(QStringLiteral("DROP INDEX UX_SAMPLE_ORG_CODE"));
        OpenConnection(desk, mSettings, mAppDir.path());
        if (!codeIndex)
            run(QStringLiteral(
                "CREATE UNIQUE INDEX UX_SAMPLE_ORG_CODE ON SAMPLE_ORG (CODE_ID) WHERE CODE_ID <> ''"));
        EXPECT_EQ(desk.numberingLock, codeIndex ? NumberingLock::Customer : NumberingLock::Lab);
    };
    int recorded = 0;
    // The last: a desk that numbers for the whole lab (an older schema, or an older version of the
    // tool) keeps the desks numbering per customer waiting.
    for (const Row& row : {Row{"701", "701", true, true, true}, Row{"701", "702", true, true, false},
                           Row{"701", "702", false, false, true}, Row{"701", "702", false, true, true}}) {
        SCOPED_TRACE(std::string(row.holder) + " " + row.waiter + (row.holderIndex ? " index" : " none") +
                     (row.waiterIndex ? " index" : " none"));
        DbConnection holder, waiter;
        connect(holder, row.holderIndex);
        connect(waiter, row.waiterIndex);
        waiter.lockWaitSeconds = 1;
        const LabelJob held = jobFor(QString::fromLatin1(row.holder));
        const LabelJob waiting = jobFor(QString::fromLatin1(row.waiter));
        {
            NumberingTransaction first(holder, held.CustomerId);
            try {
                NumberingTransaction second(waiter, waiting.CustomerId);
                RecordNewSample(waiter, waiting, NextSampleId(waiter, waiting));
                second.commit();
                ++recorded;
                EXPECT_FALSE(row.waits) << "lock granted twice";
            } catch (const AppError& error) {
                EXPECT_TRUE(row.waits) << error.description().toStdString();
                EXPECT_TRUE(error.description().contains(QStringLiteral("numbering lock")))
                    << error.description().toStdString();
                EXPECT_TRUE(error.description().contains(QStringLiteral("lock timeout")))
                    << error.description().toStdString();
            }
            RecordNewSample(holder, held, NextSampleId(holder, held));
            first.commit();
            ++recorded;
        }
        // The failed desk is back in autocommit and takes the lock as soon as it is free.
        NumberingTransaction again(waiter, waiting.CustomerId);
        RecordSample(waiter, waiting, NextSampleId(waiter, waiting), QString());
        again.commit();
        ++recorded;
        CloseConnection(holder);
        CloseConnection(waiter);
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SAMPLE_ORG")).toInt(), recorded);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(DISTINCT SAMPLE_ID) FROM SAMPLE_ORG")).toInt(), recorded);
}

TEST_F(PostgresTest, FourDesksNeverShareANumberOrCode) {
    runFourDesksAndCheck(mSettings, mAppDir.path(), mDb);
}

} // namespace
