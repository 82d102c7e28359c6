#include "AppError.h"
#include "DbConnection.h"

#include <gtest/gtest.h>

namespace {

AppSettings settingsOf(const QString& server, const QString& database, const QString& login,
                       const QString& driver = {}) {
    AppSettings settings;
    settings.Server = server;
    settings.Database = database;
    settings.SqlSvr = login;
    settings.OdbcDriver = driver;
    return settings;
}

// Both forms of the connection: the composed text, and the same facts for unixODBC.
struct ComposeRow {
    QString (*compose)(const AppSettings&);
    const char* server;
    const char* database;
    const char* login;
    const char* driver;
    const char* expected;
};

class ConnectionStringTest : public ::testing::TestWithParam<ComposeRow> {};

TEST_P(ConnectionStringTest, CarriesTheLoginVariant) {
    const ComposeRow& row = GetParam();
    EXPECT_EQ(row.compose(settingsOf(row.server, row.database, row.login, row.driver)).toStdString(),
              row.expected);
}

constexpr auto Ado = &ComposeConnectionString;
constexpr auto Odbc = &OdbcConnectionString;

INSTANTIATE_TEST_SUITE_P(
    Variants, ConnectionStringTest,
    ::testing::Values(
        ComposeRow{Ado, "LABSRV", "Proben", "2000", "",
                   "Provider=SQLOLEDB.1;Persist Security Info=True;Trusted_Connection=yes;"
                   "Initial Catalog=Proben;Data Source=LABSRV"},
        ComposeRow{Ado, "LABSRV", "Proben", "velmora", "",
                   "Provider=SQLOLEDB.1;Persist Security Info=False;Initial Catalog=Proben;"
                   "User ID=velmora; PWD=tansel;Data Source=LABSRV"},
        ComposeRow{Ado, "LABSRV", "Proben", "", "",
                   "Provider=SQLOLEDB.1;Persist Security Info=true;Initial Catalog=Proben;"
                   "User ID=sa;Data Source=LABSRV"},
        // Only exact, case-sensitive values select the first two variants.
        ComposeRow{Ado, "LABSRV", "Proben", "2000 ", "",
                   "Provider=SQLOLEDB.1;Persist Security Info=true;Initial Catalog=Proben;"
                   "User ID=sa;Data Source=LABSRV"},
        ComposeRow{Ado, "LABSRV", "Proben", "VELMORA", "",
                   "Provider=SQLOLEDB.1;Persist Security Info=true;Initial Catalog=Proben;"
                   "User ID=sa;Data Source=LABSRV"},
        ComposeRow{Ado, "", "", "", "",
                   "Provider=SQLOLEDB.1;Persist Security Info=true;Initial Catalog=;User ID=sa;Data Source="},
        ComposeRow{Odbc, "LABSRV", "Proben", "2000", "",
                   "Driver={FreeTDS};Server={LABSRV};Database={Proben};Trusted_Connection=Yes;"},
        ComposeRow{
            Odbc, "LABSRV\\SQLEXPRESS", "Proben", "velmora", "",
            "Driver={FreeTDS};Server={LABSRV\\SQLEXPRESS};Database={Proben};UID={velmora};PWD={tansel};"},
        ComposeRow{Odbc, "10.0.0.5,1433", "Proben", "", "",
                   "Driver={FreeTDS};Server={10.0.0.5,1433};Database={Proben};UID={sa};PWD={};"},
        // Values that look like more attributes stay data.
        ComposeRow{Odbc, "LABSRV", "a;UID=x}b", "", "FreeTDS",
                   "Driver={FreeTDS};Server={LABSRV};Database={a;UID=x}}b};UID={sa};PWD={};"},
        ComposeRow{Odbc, "127.0.0.1,5433", "velmora", "velmora", "PostgreSQL Unicode",
                   "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5433;Database=velmora;"
                   "UID=velmora;PWD={tansel};Protocol=7.4-1;UseServerSidePrepare=0;"},
        ComposeRow{Odbc, "pghost", "velmora", "sa", "PostgreSQL Unicode",
                   "Driver={PostgreSQL Unicode};Server=pghost;Database=velmora;UID=sa;PWD={};"
                   "Protocol=7.4-1;UseServerSidePrepare=0;"}));

// psqlODBC takes no braces there: a value that would add an attribute is refused.
TEST(OdbcConnectionStringRefusalTest, RefusesSeparatorsForPsqlOdbc) {
    for (const char* database : {"velmora;UID=postgres", "{velmora}", "a}b"})
        EXPECT_THROW(OdbcConnectionString(settingsOf("pghost", database, "velmora", "PostgreSQL Unicode")),
                     AppError)
            << database;
}

struct SqlitePathRow {
    const char* database;
    const char* expected;
};

class SqliteFilePathTest : public ::testing::TestWithParam<SqlitePathRow> {};

TEST_P(SqliteFilePathTest, PlacesTheFile) {
    const SqlitePathRow& row = GetParam();
    EXPECT_EQ(SqliteFilePath(settingsOf({}, row.database, {}), QStringLiteral("/opt/velmora")).toStdString(),
              row.expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, SqliteFilePathTest,
                         ::testing::Values(SqlitePathRow{"", "/opt/velmora/VO_Vudu.sqlite"},
                                           SqlitePathRow{"Proben", "/opt/velmora/Proben.sqlite"},
                                           SqlitePathRow{"data/Proben", "/opt/velmora/data/Proben.sqlite"},
                                           SqlitePathRow{"/srv/lab/Proben", "/srv/lab/Proben.sqlite"}));

} // namespace
