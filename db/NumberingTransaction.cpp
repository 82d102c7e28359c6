#include "NumberingTransaction.h"

#include "AppError.h"
#include "DbCommand.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace {

// One lock for all numbering: codes are unique across customers, so a lock per customer
// would not keep two desks from checking the same code free.
const QString kSqlServerLock =
    QStringLiteral("SET NOCOUNT ON; DECLARE @result int; "
                   "EXEC @result = sp_getapplock @Resource = 'VelmoraNumbering', @LockMode = 'Exclusive', "
                   "@LockOwner = 'Transaction', @LockTimeout = 30000; "
                   "IF @result < 0 RAISERROR('Numbering lock not granted (%d)', 16, 1, @result)");
const QString kPostgreSqlLock = QStringLiteral("SELECT pg_advisory_xact_lock(1447381313)");

void beginServerTransaction(const DbConnection& db) {
    QSqlDatabase database = db.database();
    if (!database.transaction())
        throw AppError(database.lastError().text());
}

} // namespace

NumberingTransaction::NumberingTransaction(const DbConnection& db) : mDb(db) {
    switch (mDb.backend) {
    case DbBackend::Sqlite:
        // Takes the write lock at once (waiting up to the busy timeout), so no other desk
        // reads the maximum until this one commits.
        ExecuteCommand(mDb, QStringLiteral("BEGIN IMMEDIATE"));
        mOpen = true;
        break;
    case DbBackend::SqlServer:
    case DbBackend::PostgreSql:
        beginServerTransaction(mDb);
        mOpen = true;
        try {
            ExecuteCommand(mDb, mDb.backend == DbBackend::SqlServer ? kSqlServerLock : kPostgreSqlLock);
        } catch (...) {
            mDb.database().rollback();
            mOpen = false;
            throw;
        }
        break;
    }
}

void NumberingTransaction::commit() {
    if (!mOpen)
        return;
    mOpen = false;
    if (mDb.backend == DbBackend::Sqlite) {
        ExecuteCommand(mDb, QStringLiteral("COMMIT"));
        return;
    }
    QSqlDatabase database = mDb.database();
    if (!database.commit())
        throw AppError(database.lastError().text());
}

NumberingTransaction::~NumberingTransaction() {
    if (!mOpen)
        return;
    // An error is already on its way up; the roll-back must not add another.
    try {
        if (mDb.backend == DbBackend::Sqlite)
            ExecuteCommand(mDb, QStringLiteral("ROLLBACK"));
        else
            mDb.database().rollback();
    } catch (...) {
    }
}
