#pragma once

#include "AppError.h"
#include "DbConnection.h"

#include <functional>

// A COMMIT whose outcome is not known: given up on after the bound, or failed on a server, where
// the connection may have gone while the server committed. Whether the rows are there must be asked.
class CommitInDoubt : public AppError {
public:
    using AppError::AppError;
};

// Keeps every other desk from drawing the customer's next sample number until this desk has
// recorded its row: wrap NextSampleId and RecordNewSample (or NewCodeId and RecordSample) of one
// label in one of these, then commit(). Where db.numberingLock is Lab every other desk waits, and
// no other desk draws a code meanwhile either; where it is Customer only the customer's desks
// wait, and RecordNewSample draws again when another customer's desk took the code. Leaving the
// scope without commit() rolls the label back, and so does a commit() that fails: no lock outlives
// its label. Waits at most db.lockWaitSeconds for another desk's lock.
// Throws AppError with the driver's text; commit() throws CommitInDoubt where the rows may have
// been committed all the same.
class NumberingTransaction {
public:
    // beforeLock runs inside the transaction before the lock is waited for: writes that need no
    // lock (what earlier labels' stickers became) keep no other desk waiting.
    NumberingTransaction(const DbConnection& db, const QString& customer,
                         const std::function<void()>& beforeLock = {});
    ~NumberingTransaction();

    NumberingTransaction(const NumberingTransaction&) = delete;
    NumberingTransaction& operator=(const NumberingTransaction&) = delete;

    void commit();

private:
    void rollBack() noexcept;

    const DbConnection& mDb;
    bool mOpen = false;
};
