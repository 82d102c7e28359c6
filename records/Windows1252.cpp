#include "Windows1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

QString FromWindows1252(QByteArrayView bytes) {
    QStringDecoder decoder("windows-1252");
    return decoder(bytes);
}

QByteArray ToWindows1252(const QString& text) {
    QStringEncoder encoder("windows-1252");
    return encoder(text);
}
