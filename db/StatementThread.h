#pragma once

#include "AppError.h"

#include <QFuture>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <functional>

class QThread;
class QObject;

// A statement given up on because the tool is being closed: the job stops there, it did not fail.
class ClosedWhileWaiting : public AppError {
public:
    using AppError::AppError;
};

// The thread that owns one database connection: Qt SQL lets a handle be opened, used and released
// only in one thread. Work runs there one at a time in the order given, so that a server that stops
// answering, another desk's lock or a busy file never holds the caller longer than its bound, and
// a GUI caller's window keeps painting meanwhile.
class StatementThread {
public:
    // Work on the connection's handle; an invalid handle while the connection is not open.
    using Work = std::function<void(QSqlDatabase&)>;

    StatementThread();
    // Never waits for work still inside its driver: the thread ends after it.
    ~StatementThread();

    StatementThread(const StatementThread&) = delete;
    StatementThread& operator=(const StatementThread&) = delete;

    // Qt's name of the handle this thread owns, one per thread.
    const QString& connectionName() const { return mConnectionName; }

    // Runs work and returns when it has ended, rethrowing what it threw. Waits at most
    // waitSeconds, turning the caller's event loop meanwhile, and gives up early when giveUp (if
    // set) says so; either way it throws AppError naming `what`, and the work ends on its own
    // later. While such work has not ended, run() throws at once.
    void run(Work work, int waitSeconds, const std::function<bool()>& giveUp, const QString& what);

    // Queues work without waiting for it: it runs once everything before it has ended.
    QFuture<void> post(Work work);

    // True while work that a caller gave up on is still running.
    bool stuck() const;

    // Waits at most waitSeconds, without turning the event loop, for everything queued so far to
    // end; true when it has.
    bool settle(int waitSeconds);

private:
    const QString mConnectionName;
    QThread* const mThread;
    QObject* const mContext; // lives in mThread: what is queued to it runs there
    QList<QFuture<void>> mGivenUp;
};
