#pragma once

#include "AppError.h"
#include "DbConnection.h"

// A COMMIT whose outcome is not known: given up on after the bound, or failed on a server, where
// the connection may have gone while the server committed. Whether the rows are there must be asked.
class CommitInDoubt : public AppError {
public:
    using AppError::AppError;
};

// Keeps every other desk from drawing a sample number or code until this desk has recorded its
// row: wrap NextSampleId, NewCodeId and RecordSample of one label in one of these, then commit().
// Leaving the scope without commit() rolls the label back, and so does a commit() that fails:
// no lock outlives its label. Waits at most db.lockWaitSeconds for another desk's lock.
// Throws AppError with the driver's text; commit() throws CommitInDoubt where the rows may have
// been committed all the same.
class NumberingTransaction {
public:
    explicit NumberingTransaction(const DbConnection& db);
    ~NumberingTransaction();

    NumberingTransaction(const NumberingTransaction&) = delete;
    NumberingTransaction& operator=(const NumberingTransaction&) = delete;

    void commit();

private:
    void rollBack() noexcept;

    const DbConnection& mDb;
    bool mOpen = false;
};
