#pragma once

#include "AppSettings.h"
#include "LabelJob.h"
#include "SlpPrinterApi.h"
#include "StickerOutcome.h"

#include <QString>

// Stickers through libSlpApi7x32 (300 dpi printers, model digits above 43). Each routine
// prints one sticker and tells what became of it.
class modSlpApi7x32 {
public:
    modSlpApi7x32(SlpPrinterApi& api, const AppSettings& settings, const LabelJob& job);

    StickerOutcome PrintSampleLabel(const QString& SampleId, const QString& CodeId);
    StickerOutcome PrintLargeLabel(const QString& SampleId);
    StickerOutcome PrintSmallBarcode(const QString& SampleId);
    StickerOutcome PrintResultLabel(const QString& SampleId, const QString& CodeId);

private:
    SlpPrinterApi& mApi;
    const AppSettings& mSettings;
    const LabelJob& mJob;
};
