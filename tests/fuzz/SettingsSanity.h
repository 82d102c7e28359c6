#pragma once

#include <QByteArrayView>
#include <QString>

// Reads the bytes as a settings file and checks what any input must give: a throw exactly when a
// line is too long, values without line breaks or "=", an import path ending in "\", and the same
// result on a second read. Returns what is wrong, or an empty text.
QString CheckSettingsRead(QByteArrayView bytes);
