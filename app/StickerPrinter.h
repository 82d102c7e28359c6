#pragma once

#include "MainModule.h"
#include "StickerKinds.h"

#include <optional>

// Prints stickers of every kind through the module's two printer libraries, for the customer of
// the given job.
class StickerPrinter {
public:
    StickerPrinter(MainModule& module, const LabelJob& job);

    // Printer 1's series picks the library of the stickers both print; asked once, and only where
    // it decides. Throws AppError when the setting has no series.
    bool uses7x32();

    StickerOutcome print(const StickerKind& kind, const QStringList& SampleIds, const QStringList& CodeIds);

    // The pause the printers are given after a sticker of this kind.
    void pauseAfter(const StickerKind& kind);

private:
    MainModule& mModule;
    StickerRoutines m7x32;
    StickerRoutines m62;
    std::optional<bool> mUses7x32;
};
