#include "AppError.h"
#include "CustomerLookup.h"
#include "DeskOwes.h"
#include "JobDoubles.h"
#include "MainModule.h"
#include "NumberingTransaction.h"
#include "SampleNumbers.h"
#include "StartUp.h"
#include "StatementThread.h"
#include "TestPostgres.h"
#include "TestQuery.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <utility>

namespace {

// Every row of customer 705 must be written inside the numbering transaction, holding its lock.
const char* const kNumberingGuard =
    "CREATE OR REPLACE FUNCTION velmora_numbering_guard() RETURNS trigger AS $$ BEGIN "
    "IF NEW.CUST_ID = '705' AND NOT EXISTS (SELECT 1 FROM pg_locks WHERE locktype = 'advisory' AND "
    "objid = 1447381313 AND pid = pg_backend_pid() AND granted) THEN "
    "RAISE EXCEPTION 'recorded outside the numbering lock'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql; "
    "DROP TRIGGER IF EXISTS velmora_numbering_guard ON SAMPLE_ORG; "
    "CREATE TRIGGER velmora_numbering_guard BEFORE INSERT ON SAMPLE_ORG FOR EACH ROW "
    "EXECUTE FUNCTION velmora_numbering_guard()";

enum class Fault { None, WrongLogin, Restarted, Frozen, FrozenAndClose, SlowCommit };

struct PostgresRow {
    const char* name;
    Fault fault;       // WrongLogin: SQLSVR=sa, which psqlODBC logs in without a password, so start-up
                       // fails and error is its message; Restarted: the connection ends while the
                       // desk is idle; Frozen: the server process stops after the first sticker, and
                       // for FrozenAndClose CLOSE follows; SlowCommit: the second label's COMMIT is
                       // answered only after the desk has given up on it
    int rows;          // rows of 705 afterwards, numbered on from 70500001
    const char* error; // the job's error as a pattern; empty: none
    bool stopped;
    int batchStickers;
};

class PostgresLabelJob : public ::testing::TestWithParam<PostgresRow> {};

// A desk whose settings file points at the PostgreSQL server through psqlODBC: the same path a
// SQL Server takes through FreeTDS.
TEST_P(PostgresLabelJob, WholeJobThroughOdbc) {
    const PostgresRow& row = GetParam();
    const TestPostgres server = FindTestPostgres();
    if (server.port.isEmpty())
        GTEST_SKIP() << server.whyNot.toStdString();

    QTemporaryDir folder;
    {
        QFile settings(folder.filePath("VO_Vudu.ini"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("SERVER=127.0.0.1," + server.port.toLatin1() +
                       "\nDATABASE=velmora\nSQLSVR=" + (row.fault == Fault::WrongLogin ? "sa" : "velmora") +
                       "\nODBCDRIVER=PostgreSQL Unicode\n"
                       "BARCODEPRINTER1=Smart Label Printer 450\nBARCODEPRINTER2=Smart Label Printer 440\n");
    }
    Log log;
    StickerLog printer7x32("7x32", log);
    StickerLog printer62("62", log);
    PauseLog pause(log);
    Boxes boxes;
    MainModule module;
    module.window = [&]() -> JobBoxes& { return boxes; };
    module.printer7x32 = &printer7x32;
    module.printer62 = &printer62;
    module.pause = &pause;
    if (row.fault == Fault::WrongLogin) {
        try {
            StartUp(module, folder.path());
            FAIL() << "started";
        } catch (const AppError& error) {
            EXPECT_TRUE(QRegularExpression(row.error).match(error.description()).hasMatch())
                << error.description().toStdString();
        }
        return;
    }
    StartUp(module, folder.path());
    ASSERT_EQ(module.db.backend, DbBackend::PostgreSql);
    DbConnection otherDesk;
    OpenConnection(otherDesk, module.settings, folder.path());
    const OwnerConnection owner(server);
    const auto other = [&owner](const QString& statement) { return owner.run(statement); };

    other("DELETE FROM SAMPLE_ORG WHERE CUST_ID = '705'");
    other("DELETE FROM customer WHERE CUST_ID = '705'");
    other("INSERT INTO customer (CUST_ID, cust_name) VALUES ('705', 'Grünwerk Agrar KG')");
    other(kNumberingGuard);
    EXPECT_EQ(LookupCustomerName(module.db, "705"), QString::fromUtf8("Grünwerk Agrar KG"));

    TestQuery backend(module.db, "SELECT pg_backend_pid()");
    ASSERT_TRUE(backend.next());
    const pid_t backendPid = backend.value(0).toInt();
    if (row.fault == Fault::Restarted) { // a role may end its own connections only
        EXPECT_TRUE(
            TestQuery(otherDesk, QStringLiteral("SELECT pg_terminate_backend(%1)").arg(backendPid)).ok());
    }
    bool frozen = false;
    StopRequest close;
    module.db.statementWaitSeconds = row.fault == Fault::Frozen || row.fault == Fault::SlowCommit ? 1 : 30;
    if (row.fault == Fault::SlowCommit) {
        // A deferred trigger waits at COMMIT for a lock this test holds (as for a vanished
        // synchronous standby): the server commits, but only after the desk's bound.
        other("CREATE OR REPLACE FUNCTION velmora_slow_commit() RETURNS trigger AS $$ BEGIN "
              "PERFORM pg_advisory_lock(4242); PERFORM pg_advisory_unlock(4242); RETURN NULL; END $$ "
              "LANGUAGE plpgsql; DROP TRIGGER IF EXISTS velmora_slow_commit ON SAMPLE_ORG; "
              "CREATE CONSTRAINT TRIGGER velmora_slow_commit AFTER INSERT ON SAMPLE_ORG DEFERRABLE "
              "INITIALLY DEFERRED FOR EACH ROW WHEN (NEW.SAMPLE_ID = '70500002') "
              "EXECUTE FUNCTION velmora_slow_commit()");
        other("SELECT pg_advisory_lock(4242)");
    }
    if (row.fault == Fault::Frozen || row.fault == Fault::FrozenAndClose)
        printer7x32.onEnd = [&](const std::vector<QString>&) {
            if (!std::exchange(frozen, true) && ::kill(backendPid, SIGSTOP) == 0 &&
                row.fault == Fault::FrozenAndClose)
                // Handled only by an event loop that turns while the job waits for the server.
                QTimer::singleShot(0, [&close] { close.request(); });
        };

    module.job = {"705", 4, FourTests, 1};
    boxes.mText2 = "2";
    const JobReport report = RunLabelJob(module, close);
    ::kill(backendPid, SIGCONT);
    if (row.fault == Fault::SlowCommit)
        other("SELECT pg_advisory_unlock(4242)");
    // Whatever the frozen server still had in hand ends, and the label is rolled back.
    ASSERT_TRUE(module.db.statements->settle(60));

    EXPECT_TRUE(QRegularExpression(row.error).match(report.error).hasMatch()) << report.error.toStdString();
    EXPECT_EQ(report.stopped, row.stopped);
    QSqlQuery rows =
        other("SELECT count(*), max(SAMPLE_ID), min(length(CODE_ID)) FROM SAMPLE_ORG WHERE CUST_ID = '705'");
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.value(0).toInt(), row.rows);
    EXPECT_EQ(rows.value(1).toString(), QString::number(70500000 + row.rows));
    EXPECT_EQ(rows.value(2).toInt(), 8);
    EXPECT_EQ(std::count(log.begin(), log.end(), "62 batch 440"), row.batchStickers);
    if (row.fault == Fault::SlowCommit) {
        // Committed after all: the next start owes its sticker (perhaps sent) and the kit's.
        EXPECT_EQ(report.inDoubt, "70500002");
        QStringList owed;
        for (const LostSticker& sticker : OwedSinceEarlier(module).lostStickers)
            owed << (sticker.unknown ? "perhaps " : "") + sticker.sticker + " " + sticker.SampleIds.join(' ');
        EXPECT_EQ(owed,
                  QStringList({"perhaps sample sticker 70500002", "batch result sticker 70500001 70500002"}));
        other("DROP TRIGGER velmora_slow_commit ON SAMPLE_ORG");
    }
    // No lock outlives the job: another desk numbers at once, inside the lock.
    {
        LabelJob job{"705", 1, LargeLabel, 1};
        NumberingTransaction next(otherDesk, job.CustomerId);
        RecordSample(otherDesk, job, NextSampleId(otherDesk, job), QString());
        next.commit();
    }
    other("DROP TRIGGER velmora_numbering_guard ON SAMPLE_ORG");
    CloseConnection(otherDesk);
    CloseConnection(module.db);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Faults, PostgresLabelJob,
    ::testing::Values(
        PostgresRow{"NoFault", Fault::None, 8, "^$", false, 2},
        PostgresRow{"WrongLogin", Fault::WrongLogin, 0, "^Anmeldung an der Datenbank velmora auf 127\\.0\\.0\\.1,[0-9]+ fehlgeschlagen: Benutzer oder Kennwort falsch$", false, 0},
        PostgresRow{"ServerRestartedWhileIdle", Fault::Restarted, 8, "^$", false, 2},
        PostgresRow{"ServerFrozenMidJob", Fault::Frozen, 1, "^No answer from the database within 1 s while .* Last sample recorded: 70500001\\.$", false, 0},
        PostgresRow{"CloseWhileTheServerIsFrozen", Fault::FrozenAndClose, 1, "^$", true, 0},
        // The message never says a sample was not recorded when it may have been.
        PostgresRow{"CommitAnsweredLate", Fault::SlowCommit, 2, "^No answer from the database within 1 s while committing Sample in hand: 70500002; the database has not said whether it was recorded\\. If it was, the next start shows its stickers as owed\\. Last sample recorded for certain: 70500001\\.$", false, 0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

} // namespace
