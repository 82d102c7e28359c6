#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The German Windows ANSI code page: the settings file's bytes and the printer libraries' texts.
QString FromWindows1252(QByteArrayView bytes);
QByteArray ToWindows1252(const QString& text);
