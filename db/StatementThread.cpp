#include "StatementThread.h"

#include "AppError.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

struct StatementThread::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> queue;
    bool quit = false;
    int abandoned = 0; // tasks given up on that have not ended yet
    bool running = false;

    // Runs the queue until told to quit and nothing is left.
    void serve() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return quit || !queue.empty(); });
            if (queue.empty())
                return;
            std::function<void()> task = std::move(queue.front());
            queue.pop_front();
            running = true;
            lock.unlock();
            task();
            task = nullptr; // what the task holds (a connection's handle) goes before anyone hears
            lock.lock();
            running = false;
            changed.notify_all();
        }
    }
};

namespace {

// What one waited-for task leaves for its caller.
struct Outcome {
    bool done = false;
    bool abandoned = false;
    std::exception_ptr error;
};

} // namespace

StatementThread::StatementThread() : mState(std::make_shared<State>()) {
    std::thread([state = mState] { state->serve(); }).detach();
}

StatementThread::~StatementThread() {
    const std::lock_guard lock(mState->mutex);
    mState->quit = true;
    mState->changed.notify_all();
}

bool StatementThread::stuck() const {
    const std::lock_guard lock(mState->mutex);
    return mState->abandoned > 0;
}

bool StatementThread::settle(int waitSeconds) {
    std::unique_lock lock(mState->mutex);
    return mState->changed.wait_for(lock, std::chrono::seconds(waitSeconds),
                                    [this] { return mState->queue.empty() && !mState->running; });
}

void StatementThread::post(std::function<void()> task) {
    const std::lock_guard lock(mState->mutex);
    mState->queue.push_back(std::move(task));
    mState->changed.notify_all();
}

void StatementThread::run(std::function<void()> task, int waitSeconds, const std::function<bool()>& giveUp,
                          const QString& what) {
    if (stuck())
        throw AppError(QStringLiteral("The database has still not answered an earlier statement; %1 was not "
                                      "started")
                           .arg(what));
    auto outcome = std::make_shared<Outcome>();
    // Wakes the caller's event loop, if it has one, when the task ends.
    QAbstractEventDispatcher* const dispatcher =
        QCoreApplication::instance() ? QAbstractEventDispatcher::instance(QThread::currentThread()) : nullptr;
    post([state = mState.get(), outcome, task = std::move(task), wake = dispatcher]() mutable {
        std::exception_ptr error;
        try {
            task();
        } catch (...) {
            error = std::current_exception();
        }
        task = nullptr;
        const std::lock_guard lock(state->mutex);
        outcome->error = error;
        outcome->done = true;
        state->changed.notify_all();
        if (outcome->abandoned)
            --state->abandoned; // its caller has gone on, and its event loop may be gone too
        else if (wake)
            wake->wakeUp();
    });

    const QDeadlineTimer deadline{std::chrono::seconds(waitSeconds)};
    bool givenUp = false;
    if (dispatcher) {
        QTimer alarm; // wakes the loop at the deadline
        alarm.setSingleShot(true);
        alarm.setTimerType(Qt::PreciseTimer);
        for (;;) {
            {
                const std::lock_guard lock(mState->mutex);
                if (outcome->done)
                    break;
            }
            if (deadline.hasExpired() || (giveUp && giveUp())) {
                givenUp = true;
                break;
            }
            // Armed again whenever it has gone off: a timer may fire a little before its time.
            if (!alarm.isActive())
                alarm.start(std::chrono::milliseconds(std::max<qint64>(1, deadline.remainingTime())));
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    } else {
        std::unique_lock lock(mState->mutex);
        givenUp = !mState->changed.wait_for(lock, std::chrono::seconds(waitSeconds),
                                            [&outcome] { return outcome->done; });
    }

    std::unique_lock lock(mState->mutex);
    if (givenUp && !outcome->done) {
        outcome->abandoned = true;
        ++mState->abandoned;
        const bool expired = deadline.hasExpired();
        lock.unlock();
        throw AppError(expired
                           ? QStringLiteral("No answer from the database within %1 s while %2")
                                 .arg(waitSeconds)
                                 .arg(what)
                           : QStringLiteral("Closed while waiting for the database to finish %1").arg(what));
    }
    if (outcome->error)
        std::rethrow_exception(outcome->error);
}
