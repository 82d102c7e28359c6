#pragma once

#include "MainModule.h"

#include <QString>
#include <QStringList>

// Exit statuses of the command line.
inline constexpr int ExitPrinted = 0;
inline constexpr int ExitFailed = 1;       // start-up or a printer library failed
inline constexpr int ExitRefused = 2;      // a wrong request or an unknown number: nothing printed
inline constexpr int ExitStickersLost = 3; // some stickers did not reach their printers

// What is wrong with a reprint request before any database is asked; empty when nothing is.
QString ReprintRequestProblem(const QString& kind, const QStringList& SampleIds);

// Prints the stickers of recorded samples again through the module's printers, drawing and
// recording nothing. Every number is looked up before the first sticker: an unknown number, a
// wrong kind or a wrong count is refused on standard error with ExitRefused. Each lost sticker
// writes its line to standard error; then the result is ExitStickersLost.
int Reprint(MainModule& module, const QString& kind, const QStringList& SampleIds);
