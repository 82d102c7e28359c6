#include "NumberingTransaction.h"

#include "AppError.h"
#include "DbCommand.h"
#include "StatementThread.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// One lock for all numbering: codes are unique across customers, so a lock per customer
// would not keep two desks from checking the same code free.
QString sqlServerLock(int waitMilliseconds) {
    return QStringLiteral(
               "SET NOCOUNT ON; DECLARE @result int; "
               "EXEC @result = sp_getapplock @Resource = 'VelmoraNumbering', @LockMode = 'Exclusive', "
               "@LockOwner = 'Transaction', @LockTimeout = %1; "
               "IF @result < 0 RAISERROR('Numbering lock not granted (%d)', 16, 1, @result)")
        .arg(waitMilliseconds);
}
const QString kPostgreSqlLock = QStringLiteral("SELECT pg_advisory_xact_lock(1447381313)");

void beginServerTransaction(const DbConnection& db) {
    RunStatement(db, QStringLiteral("beginning a transaction"), [](QSqlDatabase& database) {
        if (!database.transaction())
            throw AppError(database.lastError().text());
    });
}

// PostgreSQL would wait for the advisory lock as long as another desk holds it.
void takePostgreSqlLock(const DbConnection& db, int waitMilliseconds) {
    ExecuteCommand(db, QStringLiteral("SET LOCAL lock_timeout = %1").arg(waitMilliseconds));
    try {
        ExecuteCommand(db, kPostgreSqlLock);
    } catch (const AppError& error) {
        // Only the server's own words tell a lock wait from a broken connection.
        if (!error.description().contains(QStringLiteral("lock timeout")))
            throw;
        throw AppError(QStringLiteral("Another desk holds the numbering lock; gave up after %1 s: %2")
                           .arg(waitMilliseconds / 1000)
                           .arg(error.description()));
    }
}

} // namespace

NumberingTransaction::NumberingTransaction(const DbConnection& db) : mDb(db) {
    const int waitMilliseconds = mDb.lockWaitSeconds * 1000;
    // Open from the first statement on: a BEGIN given up on may still succeed later, and must then
    // be rolled back rather than keep its lock.
    mOpen = true;
    try {
        switch (mDb.backend) {
        case DbBackend::Sqlite:
            // Takes the write lock at once (waiting up to the busy timeout), so no other desk
            // reads the maximum until this one commits.
            ExecuteCommand(mDb, QStringLiteral("BEGIN IMMEDIATE"));
            break;
        case DbBackend::SqlServer:
            beginServerTransaction(mDb);
            ExecuteCommand(mDb, sqlServerLock(waitMilliseconds));
            break;
        case DbBackend::PostgreSql:
            beginServerTransaction(mDb);
            takePostgreSqlLock(mDb, waitMilliseconds);
            break;
        }
    } catch (...) {
        rollBack();
        throw;
    }
}

void NumberingTransaction::commit() {
    if (!mOpen)
        return;
    try {
        if (mDb.backend == DbBackend::Sqlite) {
            ExecuteCommand(mDb, QStringLiteral("COMMIT"));
        } else {
            RunStatement(mDb, QStringLiteral("committing"), [](QSqlDatabase& database) {
                if (!database.commit())
                    throw AppError(database.lastError().text());
            });
        }
    } catch (const ClosedWhileWaiting&) {
        rollBack();
        throw;
    } catch (const AppError& error) {
        // A COMMIT that failed (SQLite: another reader kept the file busy) leaves the transaction
        // and its write lock open; every other desk would wait on it while the error is shown.
        const bool givenUp = mDb.statements && mDb.statements->stuck();
        rollBack();
        // SQLite answers a COMMIT for sure; a server may have committed what it did not confirm.
        if (givenUp || mDb.backend != DbBackend::Sqlite)
            throw CommitInDoubt(error.description());
        throw;
    } catch (...) {
        rollBack();
        throw;
    }
    mOpen = false;
}

NumberingTransaction::~NumberingTransaction() {
    rollBack();
}

void NumberingTransaction::rollBack() noexcept {
    if (!mOpen)
        return;
    mOpen = false;
    const bool sqlite = mDb.backend == DbBackend::Sqlite;
    const auto rollBackOn = [sqlite](QSqlDatabase& database) {
        if (sqlite)
            QSqlQuery(database).exec(QStringLiteral("ROLLBACK"));
        else
            database.rollback();
    };
    // An error is already on its way up; the roll-back must not add another.
    try {
        // A statement given up on still holds the connection: the roll-back follows it whenever it
        // ends, so that its row is not kept and its lock is not held by a job that has ended.
        if (mDb.statements && mDb.statements->stuck())
            mDb.statements->post(rollBackOn);
        else
            RunStatement(mDb, QStringLiteral("rolling back"), rollBackOn);
    } catch (...) {
    }
}
