#pragma once

#include "StickerRun.h"

// Stickers through libSlpApi7x32 (300 dpi printers, model digits above 43).
namespace Layout7x32 {
LaidOutSticker SampleLabel(const StickerData& data);
LaidOutSticker LargeLabel(const StickerData& data);
LaidOutSticker SmallBarcode(const StickerData& data);
LaidOutSticker ResultLabel(const StickerData& data);
} // namespace Layout7x32

// Each routine prints one sticker and tells what became of it.
class modSlpApi7x32 : public StickerRoutines {
public:
    using StickerRoutines::StickerRoutines;

    StickerOutcome PrintSampleLabel(const QString& SampleId, const QString& CodeId) {
        return print(Layout7x32::SampleLabel, {SampleId}, {CodeId});
    }
    StickerOutcome PrintLargeLabel(const QString& SampleId) {
        return print(Layout7x32::LargeLabel, {SampleId}, {});
    }
    StickerOutcome PrintSmallBarcode(const QString& SampleId) {
        return print(Layout7x32::SmallBarcode, {SampleId}, {});
    }
    StickerOutcome PrintResultLabel(const QString& SampleId, const QString& CodeId) {
        return print(Layout7x32::ResultLabel, {SampleId}, {CodeId});
    }
};
