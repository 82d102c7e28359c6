#include "NumberingTransaction.h"

#include "AppError.h"
#include "DbCommand.h"
#include "StatementThread.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// The lab's key, and with the customer's the key of one customer's numbering. Desks numbering per
// customer share the lab's lock, so that a desk of an older version, which takes it alone, still
// waits for them and they for it.
constexpr int kLabKey = 1447381313;
const QString kSqlServerLab = QStringLiteral("VelmoraNumbering");

// The same number on every desk for the same customer; two customers sharing one only wait for
// each other.
int customerKey(const QString& customer) {
    quint32 hash = 2166136261u;
    for (const char byte : customer.toUtf8()) {
        hash ^= quint8(byte);
        hash *= 16777619u;
    }
    return int(hash);
}

QString sqlServerLock(const QString& customer, NumberingLock lock, int waitMilliseconds) {
    const QString take = QStringLiteral(
        "EXEC @result = sp_getapplock @Resource = N'%1', @LockMode = '%2', @LockOwner = 'Transaction', "
        "@LockTimeout = %3; ");
    const QString wait = QString::number(waitMilliseconds);
    QString quoted = customer;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    QString batch = QStringLiteral("SET NOCOUNT ON; DECLARE @result int; ");
    if (lock == NumberingLock::Lab) {
        batch += take.arg(kSqlServerLab, QStringLiteral("Exclusive"), wait);
    } else {
        batch += take.arg(kSqlServerLab, QStringLiteral("Shared"), wait);
        batch += QStringLiteral("IF @result >= 0 ") +
                 take.arg(kSqlServerLab + QLatin1Char(':') + quoted, QStringLiteral("Exclusive"), wait);
    }
    return batch +
           QStringLiteral("IF @result < 0 RAISERROR('Numbering lock not granted (%d)', 16, 1, @result)");
}

// PostgreSQL would wait for the advisory lock as long as another desk holds it: the bound is set
// for the transaction in the same statement, left to right.
QString postgreSqlLock(const QString& customer, NumberingLock lock, int waitMilliseconds) {
    const QString bound =
        QStringLiteral("SELECT set_config('lock_timeout', '%1', true), ").arg(waitMilliseconds);
    if (lock == NumberingLock::Lab)
        return bound + QStringLiteral("pg_advisory_xact_lock(%1)").arg(kLabKey);
    return bound + QStringLiteral("pg_advisory_xact_lock_shared(%1), pg_advisory_xact_lock(%1, %2)")
                       .arg(kLabKey)
                       .arg(customerKey(customer));
}

void beginServerTransaction(const DbConnection& db) {
    RunStatement(db, QStringLiteral("beginning a transaction"), [](QSqlDatabase& database) {
        if (!database.transaction())
            throw AppError(database.lastError().text());
    });
}

void takePostgreSqlLock(const DbConnection& db, const QString& customer, int waitMilliseconds) {
    try {
        ExecuteCommand(db, postgreSqlLock(customer, db.numberingLock, waitMilliseconds));
    } catch (const AppError& error) {
        // Only the server's own words tell a lock wait from a broken connection.
        if (!error.description().contains(QStringLiteral("lock timeout")))
            throw;
        throw AppError(
            QStringLiteral("Another desk holds the numbering lock (customer %1); gave up after %2 s: %3")
                .arg(customer, QString::number(waitMilliseconds / 1000), error.description()));
    }
}

} // namespace

NumberingTransaction::NumberingTransaction(const DbConnection& db, const QString& customer,
                                           const std::function<void()>& beforeLock)
    : mDb(db) {
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
            if (beforeLock)
                beforeLock();
            break;
        case DbBackend::SqlServer:
            beginServerTransaction(mDb);
            if (beforeLock)
                beforeLock();
            ExecuteCommand(mDb, sqlServerLock(customer, mDb.numberingLock, waitMilliseconds));
            break;
        case DbBackend::PostgreSql:
            beginServerTransaction(mDb);
            if (beforeLock)
                beforeLock();
            takePostgreSqlLock(mDb, customer, waitMilliseconds);
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
