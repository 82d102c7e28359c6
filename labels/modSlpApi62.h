#pragma once

#include "AppSettings.h"
#include "LabelJob.h"
#include "SlpPrinterApi.h"
#include "StickerOutcome.h"

#include <QString>

// Stickers through libslpapi62 (203 dpi printers, model digits 43 and below). Each routine
// prints one sticker and tells what became of it.
class modSlpApi62 {
public:
    modSlpApi62(SlpPrinterApi& api, const AppSettings& settings, const LabelJob& job);

    StickerOutcome PrintSampleLabel(const QString& SampleId, const QString& CodeId);
    StickerOutcome PrintLargeLabel(const QString& SampleId);
    StickerOutcome PrintSmallBarcode(const QString& SampleId);
    StickerOutcome PrintBatchResultLabel(const QString& SampleId1, const QString& SampleId2,
                                         const QString& SampleId3, const QString& SampleId4,
                                         const QString& CodeId1, const QString& CodeId2,
                                         const QString& CodeId3, const QString& CodeId4);

private:
    SlpPrinterApi& mApi;
    const AppSettings& mSettings;
    const LabelJob& mJob;
};
