#pragma once

#include "MainModule.h"
#include "StickerOutcome.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// "Sticker lost: sample 70100042, result sticker, Smart Label Printer 440: <reason>"; a batch
// sticker names all its samples ("samples 70500001 70500002 ..."). One whose printer may have
// taken it begins "Sticker of unknown fate:".
QString LostStickerLine(const QStringList& SampleIds, const QString& sticker, const QString& printer,
                        const QString& reason, bool unknown = false);

// A lost sticker (or one whose fate is unknown) joins lost and writes its line to standard error and
// the system log at once. A printed sticker, or one whose printer setting is empty, adds nothing.
void NoteSticker(QList<LostSticker>& lost, const QStringList& SampleIds, const QString& sticker,
                 const StickerOutcome& outcome);

// A sticker CUPS took is printed only once its printer finished its job: kept for
// SettlePrinterJobs. True when it was kept.
bool AwaitPrinted(MainModule& module, const QStringList& SampleIds, const QString& sticker,
                  const StickerOutcome& outcome);

// After the job's last sticker: asks CUPS once, bounded, what became of every sticker it took, and
// notes those that did not print as lost, and those still waiting in the printer apart. Calls
// printed for each that did print.
void SettlePrinterJobs(MainModule& module, QList<LostSticker>& lost,
                       const std::function<void(const SlpJobShare::Sent&)>& printed = {});

// The sticker's name as the operator reads it: "Probenetikett", "Ergebnisetikett", ...
QString GermanStickerName(const QString& sticker);

// What became of the sticker in the operator's words: "Drucker nimmt keine Aufträge an".
QString GermanCause(StickerCause cause, const QString& printer);

// The window's one German message after a job: the error that ended it and the last sample it
// recorded, if any; then each lost sticker's samples (consecutive numbers as ranges, all four of
// a batch sticker), the sticker, the printer and why; then, apart, the stickers whose fate is
// unknown, and apart those waiting in their printer. Empty when there is nothing to tell.
QString LostStickersMessage(const JobReport& report);

// The lost stickers that printing again may print: not those that may have printed.
QList<LostSticker> StickersToPrintAgain(const QList<LostSticker>& lost);
