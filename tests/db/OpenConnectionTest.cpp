#include "AppError.h"
#include "DbConnection.h"
#include "NumberingTransaction.h"
#include "SampleNumbers.h"
#include "SqliteFixture.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using OpenEmbeddedTest = SqliteFixture;

TEST_F(OpenEmbeddedTest, CreatesTheFileWithTablesAndIndexes) {
    EXPECT_TRUE(QFile::exists(mDir.filePath(QStringLiteral("samples.sqlite"))));
    EXPECT_EQ(mDb.backend, DbBackend::Sqlite);
    EXPECT_TRUE(TestQuery(mDb, QStringLiteral("SELECT 1")).ok());
    EXPECT_EQ(mDb.ConnectionString.toStdString(),
              ("Provider=SQLOLEDB.1;Persist Security Info=true;Initial Catalog=" + mSettings.Database +
               ";User ID=sa;Data Source=")
                  .toStdString());
    for (const char* index : {"IX_SAMPLE_ORG_CUST_SAMPLE", "IX_SAMPLE_ORG_CODE", "UX_SAMPLE_ORG_SAMPLE",
                              "UX_SAMPLE_ORG_CODE", "IX_CUSTOMER_CUST"})
        EXPECT_EQ(
            scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = ?"),
                   {QString::fromLatin1(index)})
                .toInt(),
            1)
            << index;
}

// The maximum per customer, the code check and the lookup must not scan the table.
TEST_F(OpenEmbeddedTest, QueriesUseTheIndexes) {
    for (const char* statement :
         {"SELECT max(sample_id) as oldSampleID FROM SAMPLE_ORG where CUST_ID = ? and "
          "SAMPLE_ID >= ? and SAMPLE_ID < ?",
          "SELECT Sample_ID FROM sample_org where CODE_ID = ?",
          "SELECT cust_name from customer where CUST_ID = ?"}) {
        const QString text = QString::fromLatin1(statement);
        TestQuery plan = run(QStringLiteral("EXPLAIN QUERY PLAN ") + text,
                             QVariantList({"701", "70100000", "70199999"}).mid(0, text.count('?')));
        QString details;
        while (plan.next())
            details += plan.value(3).toString() + QLatin1Char('\n');
        EXPECT_TRUE(details.contains(QStringLiteral("USING"))) << statement << "\n" << details.toStdString();
        EXPECT_FALSE(details.contains(QStringLiteral("SCAN"))) << statement << "\n" << details.toStdString();
    }
}

TEST_F(OpenEmbeddedTest, ReopeningKeepsTheRows) {
    addSample(QStringLiteral("701"), QStringLiteral("70100007"));
    CloseConnection(mDb);
    OpenConnection(mDb, mSettings, mDir.path());
    EXPECT_EQ(scalar(QStringLiteral("SELECT SAMPLE_ID FROM SAMPLE_ORG")).toString(),
              QStringLiteral("70100007"));
}

TEST_F(OpenEmbeddedTest, UniqueIndexesRefuseASecondNumberOrCode) {
    addSample(QStringLiteral("701"), QStringLiteral("70100001"), QStringLiteral("0A0B0C0D"));
    addSample(QStringLiteral("701"), QStringLiteral("70100002"), QStringLiteral(""));
    addSample(QStringLiteral("701"), QStringLiteral("70100003"), QStringLiteral(""));
    EXPECT_FALSE(
        TestQuery(mDb, QStringLiteral("INSERT INTO SAMPLE_ORG (SAMPLE_ID, CODE_ID) VALUES ('70100001', '')"))
            .ok());
    EXPECT_FALSE(
        TestQuery(mDb, QStringLiteral(
                           "INSERT INTO SAMPLE_ORG (SAMPLE_ID, CODE_ID) VALUES ('70100009', '0A0B0C0D')"))
            .ok());
}

// Only the default file, or a file that is there and empty, becomes a new database; anything else
// that DATABASE names and that is not a lab database stops start-up with the exact path.
struct FileRow {
    const char* name;
    const char* database; // the DATABASE setting
    const char* existing; // made first: empty, or (with a table) another program's file
    bool otherProgram;
    NewDatabase newDatabase;
    const char* error;  // what the error says after the folder; nullptr: opens with the tables
    const char* absent; // a file that must not have been made
};

class EmbeddedFileTest : public ::testing::TestWithParam<FileRow> {};

TEST_P(EmbeddedFileTest, CreatesOnlyWhereAllowed) {
    const FileRow& row = GetParam();
    QTemporaryDir dir;
    if (row.existing) {
        QSqlDatabase file = QSqlDatabase::addDatabase("QSQLITE", "existing");
        file.setDatabaseName(dir.filePath(row.existing));
        ASSERT_TRUE(file.open() &&
                    (!row.otherProgram || QSqlQuery(file).exec("CREATE TABLE notes (text varchar(9))")));
    }
    QSqlDatabase::removeDatabase("existing");
    AppSettings settings;
    settings.Database = QString::fromUtf8(row.database);
    DbConnection db;
    try {
        OpenConnection(db, settings, dir.path(), row.newDatabase);
        EXPECT_TRUE(row.error == nullptr && TestQuery(db, "SELECT count(*) FROM SAMPLE_ORG").ok());
    } catch (const AppError& error) {
        EXPECT_TRUE(row.error && error.description().contains(dir.path() + QString::fromUtf8(row.error)))
            << error.description().toStdString();
    }
    CloseConnection(db);
    EXPECT_FALSE(row.absent && QFile::exists(dir.filePath(row.absent)));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Files, EmbeddedFileTest,
    ::testing::Values(
        FileRow{"DefaultCreated", "", nullptr, false, NewDatabase::Allowed, nullptr, nullptr},
        FileRow{"NamedEmptyFilled", "lab", "lab.sqlite", false, NewDatabase::Allowed, nullptr, nullptr},
        FileRow{"NamedMissing", "lab", nullptr, false, NewDatabase::Allowed, "/lab.sqlite\" named by DATABASE does not exist", "lab.sqlite"},
        FileRow{"TrailingBlank", "lab ", "lab.sqlite", false, NewDatabase::Allowed,
                "/lab\u2423.sqlite\" (\u2423 marks a blank) named by DATABASE does not exist", "lab .sqlite"},
        FileRow{"MissingFolder", "no/such/folder/lab", nullptr, false, NewDatabase::Allowed, "/no/such/folder/lab.sqlite\" named by", nullptr},
        FileRow{"AnotherProgramsFile", "lab", "lab.sqlite", true, NewDatabase::Allowed, "/lab.sqlite\" holds no table SAMPLE_ORG", nullptr},
        FileRow{"CommandLineCreatesNoDefault", "", nullptr, false, NewDatabase::Never, "/VO_Vudu.sqlite\" does not exist", "VO_Vudu.sqlite"},
        FileRow{"CommandLineFillsNoEmptyFile", "lab", "lab.sqlite", false, NewDatabase::Never, "/lab.sqlite\" holds no table", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A loopback port that nothing listens on: bound once by us, then released.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

TEST(OpenConnectionFailureTest, UnreachableServerFailsWithTheDriversText) {
    AppSettings settings;
    settings.Server = QStringLiteral("127.0.0.1,%1").arg(closedPort());
    settings.Database = QStringLiteral("Proben");
    DbConnection db;
    try {
        OpenConnection(db, settings, QStringLiteral("/tmp"));
        FAIL() << "opened";
    } catch (const AppError& error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("FreeTDS")))
            << error.description().toStdString();
    }
    EXPECT_TRUE(db.connectionName.isEmpty());
    CloseConnection(db); // never opened: still no error
}

// Another desk's report holds a read transaction, so this desk's COMMIT cannot take the file.
TEST(NumberingLockTest, FailedCommitLeavesNoLockBehind) {
    QTemporaryDir dir;
    AppSettings settings;
    settings.Database = emptyDatabaseFile(dir.filePath(QStringLiteral("samples")));
    DbConnection desk;
    desk.lockWaitSeconds = 1;
    OpenConnection(desk, settings, dir.path());
    // Readers keep no COMMIT waiting in the write-ahead log, but a file an earlier version's desk
    // keeps in the rollback journal's mode stays there: this desk's read keeps the report's
    // connection from changing it, and the report's open does not fail for that.
    ASSERT_TRUE(TestQuery(desk, QStringLiteral("PRAGMA journal_mode = DELETE")).ok());
    ASSERT_TRUE(TestQuery(desk, QStringLiteral("BEGIN")).ok());
    ASSERT_TRUE(TestQuery(desk, QStringLiteral("SELECT count(*) FROM SAMPLE_ORG")).next());
    DbConnection report;
    report.lockWaitSeconds = 1;
    OpenConnection(report, settings, dir.path());
    ASSERT_TRUE(TestQuery(desk, QStringLiteral("COMMIT")).ok());
    ASSERT_TRUE(TestQuery(report, QStringLiteral("BEGIN")).ok());
    ASSERT_TRUE(TestQuery(report, QStringLiteral("SELECT count(*) FROM SAMPLE_ORG")).next());

    LabelJob job;
    job.CustomerId = QStringLiteral("701");
    {
        NumberingTransaction transaction(desk, job.CustomerId);
        RecordSample(desk, job, QStringLiteral("70100001"), QString());
        EXPECT_THROW(transaction.commit(), AppError);
    }

    // Before anything else ends: a third desk takes the write lock without waiting.
    DbConnection other;
    other.lockWaitSeconds = 0;
    OpenConnection(other, settings, dir.path());
    const TestQuery writing(other, QStringLiteral("BEGIN IMMEDIATE"));
    EXPECT_TRUE(writing.ok()) << writing.error().toStdString();
    TestQuery(other, QStringLiteral("ROLLBACK"));
    TestQuery(report, QStringLiteral("COMMIT"));
    TestQuery reading(report, QStringLiteral("SELECT count(*) FROM SAMPLE_ORG"));
    ASSERT_TRUE(reading.next());
    EXPECT_EQ(reading.value(0).toInt(), 0); // the label was rolled back, not half kept
    CloseConnection(other);
    CloseConnection(report);
    CloseConnection(desk);
}

TEST(CloseConnectionTest, IgnoresRepeatedAndUnopenedReleases) {
    QTemporaryDir dir;
    AppSettings settings;
    settings.Database = emptyDatabaseFile(dir.filePath(QStringLiteral("samples")));
    DbConnection db;
    CloseConnection(db);
    OpenConnection(db, settings, dir.path());
    const QString name = db.connectionName;
    CloseConnection(db);
    CloseConnection(db);
    EXPECT_FALSE(QSqlDatabase::contains(name));
}

} // namespace
