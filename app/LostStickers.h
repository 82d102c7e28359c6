#pragma once

#include "MainModule.h"
#include "StickerOutcome.h"

#include <QList>
#include <QString>
#include <QStringList>

// The stickers by the names the operator reads in the lost-sticker lines and message.
namespace StickerName {
inline const QString Sample = QStringLiteral("sample sticker");
inline const QString Result = QStringLiteral("result sticker");
inline const QString Large = QStringLiteral("large label");
inline const QString Small = QStringLiteral("small barcode sticker");
inline const QString BatchResult = QStringLiteral("batch result sticker");
} // namespace StickerName

// "Sticker lost: sample 70100042, result sticker, Smart Label Printer 440: <reason>"; a batch
// sticker names all its samples ("samples 70500001 70500002 ...").
QString LostStickerLine(const QStringList& SampleIds, const QString& sticker, const QString& printer,
                        const QString& reason);

// A lost sticker (or one whose fate is unknown) joins lost and writes its line to standard error at
// once. A printed sticker, or one whose printer setting is empty, adds nothing.
void NoteSticker(QList<LostSticker>& lost, const QStringList& SampleIds, const QString& sticker,
                 const StickerOutcome& outcome);

// The window's one message after a job: which samples' stickers were lost and why, grouped by
// printer and reason (the commonest first), consecutive numbers as ranges. Empty when nothing
// was lost.
QString LostStickersMessage(const QList<LostSticker>& lost);
