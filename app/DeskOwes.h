#pragma once

#include "MainModule.h"

#include <QList>

// What this desk still owes from earlier jobs, as the window's lost-sticker message shows it: those
// not printed, and apart those sent just before a stop that may have printed. Throws AppError when
// the database cannot be read.
JobReport OwedSinceEarlier(MainModule& module);

// The operator has said these are not to be printed: owed no more, each told on standard error.
// Throws AppError when the database cannot be written.
void GiveUpOwedStickers(MainModule& module, const QList<LostSticker>& stickers);
