#pragma once

#include <QString>
#include <functional>
#include <memory>

// Runs a connection's statements on a thread of their own, one at a time in the order given, so
// that a server that stops answering, another desk's lock or a busy file never holds the caller
// longer than its bound, and a GUI caller's window keeps painting meanwhile.
class StatementThread {
public:
    StatementThread();
    // Never waits: a statement still inside its driver keeps the thread, which ends after it.
    ~StatementThread();

    StatementThread(const StatementThread&) = delete;
    StatementThread& operator=(const StatementThread&) = delete;

    // Runs task and returns when it has ended, rethrowing what it threw. Waits at most
    // waitSeconds, turning the caller's event loop meanwhile where it has one, and gives up early
    // when giveUp (if set) says so; either way it throws AppError naming
    // `what`, and the task ends on its own later. While such a task has not ended, run() throws
    // at once.
    void run(std::function<void()> task, int waitSeconds, const std::function<bool()>& giveUp,
             const QString& what);

    // Queues task without waiting for it: it runs once everything before it has ended.
    void post(std::function<void()> task);

    // True while a task that a caller gave up on is still running.
    bool stuck() const;

    // Waits at most waitSeconds for every task queued so far to end; true when they have.
    bool settle(int waitSeconds);

private:
    struct State;
    std::shared_ptr<State> mState;
};
