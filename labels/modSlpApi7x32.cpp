#include "modSlpApi7x32.h"

#include "StickerRun.h"
#include "StickerTexts.h"
#include "TestCentre.h"

using namespace StickerTexts;

modSlpApi7x32::modSlpApi7x32(SlpPrinterApi& api, const AppSettings& settings, const LabelJob& job)
    : mApi(api), mSettings(settings), mJob(job) {}

StickerOutcome modSlpApi7x32::PrintSampleLabel(const QString& SampleId, const QString& CodeId) {
    return printSticker(mApi, {.printerSetting = mSettings.BarcodePrinter1,
                               .labelType = kNormalLabel,
                               .openFlag = true,
                               .rotation = kAsRead,
                               .steps = {
                                   createFont(10),
                                   text(20, 0, 10, sampleIdHeading()),
                                   text(20, 250, 10, codeIdHeading()),
                                   numberBarcode(0, 50, 300, 220, SampleId),
                                   numberBarcode(0, 290, 310, 480, CodeId),
                                   createFont(12),
                                   text(320, 50, 12, yourReference()),
                                   text(320, 170, 12, floweringAndSampleDate(4, 11)),
                                   text(320, 290, 12, designation(21)),
                                   text(320, 410, 12, furtherInfo(22)),
                                   text(320, 500, 12, fillLine(34)),
                               }});
}

StickerOutcome modSlpApi7x32::PrintLargeLabel(const QString& SampleId) {
    return printSticker(mApi, {.printerSetting = mSettings.BarcodePrinter1,
                               .labelType = kNormalLabel,
                               .openFlag = true,
                               .rotation = kAsRead,
                               .steps = {
                                   createFont(10),
                                   text(20, 0, 10, sampleIdHeading()),
                                   numberBarcode(0, 50, 300, 220, SampleId),
                                   createFont(12),
                                   text(320, 50, 12, yourReference()),
                                   text(320, 170, 12, floweringAndSampleDate(4, 11)),
                                   text(0, 290, 12, designation(40)),
                                   text(0, 410, 12, furtherInfo(40)),
                                   text(0, 500, 12, fillLine(55)),
                               }});
}

StickerOutcome modSlpApi7x32::PrintSmallBarcode(const QString& SampleId) {
    return printSticker(mApi, {.printerSetting = mSettings.BarcodePrinter3,
                               .labelType = kSmallBarcodeLabel,
                               .openFlag = true,
                               .rotation = kTurned,
                               .steps = {
                                   numberBarcode(50, 40, 210, 250, SampleId),
                               }});
}

StickerOutcome modSlpApi7x32::PrintResultLabel(const QString& SampleId, const QString& CodeId) {
    const TestCentre centre = pickTestCentre(mSettings, mJob);
    return printSticker(
        mApi, {mSettings.BarcodePrinter2,
               kNormalLabel,
               false,
               kAsRead,
               {
                   picture(0, 0, centre.logoRight, 280, centre.logoFile),
                   createFont(12),
                   text(0, 290, 12, QStringLiteral("Rufen Sie die Ergebnisse der Probe:")),
                   text(0, 350, 12, SampleId + QStringLiteral(" mit diesem QR-Code, oder unter")),
                   text(0, 410, 12, centre.homePage + mSettings.Download1),
                   text(0, 460, 12, QStringLiteral("unter Angabe dieser Testnummer, ab:")),
                   createFont(13),
                   text(180, 520, 13, CodeId),
                   qrBarcode(650, 0, 950, 300,
                             centre.homePage + mSettings.Download2 + CodeId + QStringLiteral("?source=qa")),
               }});
}
