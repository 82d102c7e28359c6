#include "SystemLog.h"

#include "WriteLine.h"

#include <QSysInfo>
#include <syslog.h>

void TellAdministrator(const QString& line) {
    WriteLine(stderr, line);
    // Opened once; LOG_PID tells two runs on one desk apart.
    static const bool opened = [] {
        openlog("velmora-barcode-tool", LOG_PID, LOG_USER);
        return true;
    }();
    (void)opened;
    // The host in the text as well: a central log server keeps the message, not always the origin.
    const QByteArray text = (QStringLiteral("desk %1: ").arg(QSysInfo::machineHostName()) + line).toUtf8();
    syslog(LOG_ERR, "%s", text.constData());
}
