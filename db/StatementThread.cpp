#include "StatementThread.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFutureWatcher>
#include <QPromise>
#include <QSemaphore>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace {

// Every connection gets a handle of its own, so tests can hold several at once.
QString newConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("velmora-db-%1").arg(counter.fetchAndAddRelaxed(1));
}

// Turns the caller's event loop until future has finished; false when the deadline passes or
// giveUp says so first.
bool finishes(const QFuture<void>& future, const QDeadlineTimer& deadline,
              const std::function<bool()>& giveUp) {
    QFutureWatcher<void> watcher; // its signal wakes the loop when the work ends
    watcher.setFuture(future);
    QTimer alarm; // wakes the loop at the deadline
    alarm.setSingleShot(true);
    alarm.setTimerType(Qt::PreciseTimer);
    while (!future.isFinished()) {
        if (deadline.hasExpired() || (giveUp && giveUp()))
            return false;
        // Armed again whenever it has gone off: a timer may fire a little before its time.
        if (!alarm.isActive())
            alarm.start(std::chrono::milliseconds(std::max<qint64>(1, deadline.remainingTime())));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace

StatementThread::StatementThread()
    : mConnectionName(newConnectionName()), mThread(new QThread), mContext(new QObject) {
    mContext->moveToThread(mThread);
    QObject::connect(mThread, &QThread::finished, mContext, &QObject::deleteLater);
    QObject::connect(mThread, &QThread::finished, mThread, &QObject::deleteLater);
    mThread->start();
}

StatementThread::~StatementThread() {
    QMetaObject::invokeMethod(
        mContext, [thread = mThread] { thread->quit(); }, Qt::QueuedConnection);
    // What is still queued (a roll-back) runs first; work given up on keeps the thread, which is
    // then left to end on its own.
    if (!stuck() && mThread->wait(QDeadlineTimer(std::chrono::seconds(5))))
        delete mThread;
}

QFuture<void> StatementThread::post(Work work) {
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    QMetaObject::invokeMethod(
        mContext,
        [promise, work = std::move(work), name = mConnectionName]() mutable {
            try {
                QSqlDatabase database = QSqlDatabase::database(name, false);
                work(database);
            } catch (...) {
                promise->setException(std::current_exception());
            }
            work = nullptr; // what the work holds goes before anyone hears
            promise->finish();
        },
        Qt::QueuedConnection);
    return promise->future();
}

bool StatementThread::stuck() const {
    return std::any_of(mGivenUp.begin(), mGivenUp.end(),
                       [](const QFuture<void>& future) { return !future.isFinished(); });
}

bool StatementThread::settle(int waitSeconds) {
    auto ended = std::make_shared<QSemaphore>();
    post([ended](QSqlDatabase&) { ended->release(); });
    return ended->tryAcquire(1, waitSeconds * 1000);
}

void StatementThread::run(Work work, int waitSeconds, const std::function<bool()>& giveUp,
                          const QString& what) {
    if (stuck())
        throw AppError(QStringLiteral("The database has still not answered an earlier statement; %1 was not "
                                      "started")
                           .arg(what));
    mGivenUp.clear();
    QFuture<void> future = post(std::move(work));
    const QDeadlineTimer deadline{std::chrono::seconds(waitSeconds)};
    if (!finishes(future, deadline, giveUp)) {
        mGivenUp.append(future);
        if (!deadline.hasExpired())
            throw ClosedWhileWaiting(
                QStringLiteral("Closed while waiting for the database to finish %1").arg(what));
        throw AppError(
            QStringLiteral("No answer from the database within %1 s while %2").arg(waitSeconds).arg(what));
    }
    future.waitForFinished(); // rethrows what the work threw
}
