#pragma once

#include "AppSettings.h"
#include "LabelJob.h"
#include "SlpPrinterApi.h"

#include <QString>

// Stickers through libSlpApi7x32 (300 dpi printers, model digits above 43).
class modSlpApi7x32 {
public:
    modSlpApi7x32(SlpPrinterApi& api, const AppSettings& settings, const LabelJob& job);

    void PrintSampleLabel(const QString& SampleId, const QString& CodeId);
    void PrintLargeLabel(const QString& SampleId);
    void PrintSmallBarcode(const QString& SampleId);
    void PrintResultLabel(const QString& SampleId, const QString& CodeId);

private:
    SlpPrinterApi& mApi;
    const AppSettings& mSettings;
    const LabelJob& mJob;
};
