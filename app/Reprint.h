#pragma once

#include "MainModule.h"
#include "StopRequest.h"

#include <QString>
#include <QStringList>
#include <functional>

// Exit statuses of the command line.
inline constexpr int ExitPrinted = 0;
inline constexpr int ExitFailed = 1;       // start-up or a printer library failed
inline constexpr int ExitRefused = 2;      // a wrong request or an unknown number: nothing printed
inline constexpr int ExitStickersLost = 3; // some stickers did not reach their printers

// What is wrong with a --reprint request before any database is asked (an unknown kind, no
// number, a batch sticker with more than four or a repeated number); empty when nothing is.
QString ReprintRequestProblem(const QString& kind, const QStringList& SampleIds);

// Prints the stickers of recorded samples again through the module's printers, drawing and
// recording nothing. Every number is looked up before the first sticker: an unknown number, a
// wrong kind or count, a batch sticker whose samples (one to four: a cut-off pass has fewer) are
// not different ones of one customer is refused on standard error with ExitRefused. Each lost sticker writes
// its line to standard error; then the result is ExitStickersLost.
int Reprint(MainModule& module, const QString& kind, const QStringList& SampleIds);

// "70100001 70100002", "70100001, 70100002": the numbers typed into one box.
QStringList SampleIdsFromText(const QString& text);

// What printing again from the window came to: refused in German before anything printed, or
// printed with the stickers that did not reach their printers.
struct WindowReprint {
    QString refusal;
    QList<LostSticker> lostStickers;
    QString said; // in German: what printed, what did not, what a stop left unprinted
};

// Told before each sticker: its place and how many there are.
using ReprintProgress = std::function<void(int sticker, int stickers)>;

// The window's reprint: the same checks and stickers as Reprint, its refusals and its result
// worded for the operator. A stop asked for between two stickers (the pauses run the event loop)
// prints no further one.
WindowReprint ReprintFromWindow(MainModule& module, const QString& kind, const QString& SampleIdsText,
                                const ReprintProgress& progress = {}, const StopRequest* stop = nullptr);

// Prints exactly the given lost stickers again: the same stickers on the same printers, the
// codes from the stored rows, nothing numbered or recorded. Stickers that may have printed are
// not printed again. Returns those still lost (new losses written to standard error).
QList<LostSticker> PrintLostStickersAgain(MainModule& module, const QList<LostSticker>& lost);
