#include "Pause.h"

#include <QThread>

void BlockingPause::sleep(int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}
