#include "Windows1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

// Each converter opens the code page anew, which cost a tenth of a sticker when made for every
// text: one per thread, kept. Stateless, so one call's text never leaks into the next.
QString FromWindows1252(QByteArrayView bytes) {
    thread_local QStringDecoder decoder("windows-1252", QStringConverter::Flag::Stateless);
    return decoder(bytes);
}

QByteArray ToWindows1252(const QString& text) {
    thread_local QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    return encoder(text);
}
