#include "Pause.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

void EventLoopPause::sleep(int milliseconds) {
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    QEventLoop loop;
    // What is already waiting is handled even by a pause that is over before the loop looks.
    loop.processEvents(QEventLoop::AllEvents);
    if (deadline.hasExpired())
        return;
    QTimer::singleShot(deadline.remainingTime(), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    // The loop ends early only when the application is leaving its event loops; the printers
    // still get their whole pause.
    if (const qint64 rest = deadline.remainingTime(); rest > 0)
        QThread::msleep(static_cast<unsigned long>(rest));
}
