#pragma once

#include "StickerRun.h"

// Stickers through libslpapi62 (203 dpi printers, model digits 43 and below).
namespace Layout62 {
LaidOutSticker SampleLabel(const StickerData& data);
LaidOutSticker LargeLabel(const StickerData& data);
LaidOutSticker SmallBarcode(const StickerData& data);
LaidOutSticker BatchResultLabel(const StickerData& data); // the four samples and their codes
} // namespace Layout62

// Each routine prints one sticker and tells what became of it.
class modSlpApi62 : public StickerRoutines {
public:
    using StickerRoutines::StickerRoutines;

    StickerOutcome PrintSampleLabel(const QString& SampleId, const QString& CodeId) {
        return print(Layout62::SampleLabel, {SampleId}, {CodeId});
    }
    StickerOutcome PrintLargeLabel(const QString& SampleId) {
        return print(Layout62::LargeLabel, {SampleId}, {});
    }
    StickerOutcome PrintSmallBarcode(const QString& SampleId) {
        return print(Layout62::SmallBarcode, {SampleId}, {});
    }
    StickerOutcome PrintBatchResultLabel(const QString& SampleId1, const QString& SampleId2,
                                         const QString& SampleId3, const QString& SampleId4,
                                         const QString& CodeId1, const QString& CodeId2,
                                         const QString& CodeId3, const QString& CodeId4) {
        return print(Layout62::BatchResultLabel, {SampleId1, SampleId2, SampleId3, SampleId4},
                     {CodeId1, CodeId2, CodeId3, CodeId4});
    }
};
