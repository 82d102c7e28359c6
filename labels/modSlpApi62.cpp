#include "modSlpApi62.h"

#include "StickerRun.h"
#include "StickerTexts.h"
#include "TestCentre.h"

using namespace StickerTexts;

namespace {

// The logo stands turned on the batch sticker: its bottom edge is the single sticker's right edge + 310.
constexpr qint32 kBatchLogoShift = 310;

} // namespace

modSlpApi62::modSlpApi62(SlpPrinterApi& api, const AppSettings& settings, const LabelJob& job)
    : mApi(api), mSettings(settings), mJob(job) {}

StickerOutcome modSlpApi62::PrintSampleLabel(const QString& SampleId, const QString& CodeId) {
    // "Testnummer:" at y 190 stands inside the first barcode's rectangle (bottom 200), where the layout has
    // it.
    return printSticker(mApi, {.printerSetting = mSettings.BarcodePrinter1,
                               .labelType = kNormalLabel,
                               .openFlag = true,
                               .rotation = kAsRead,
                               .steps = {
                                   createFont(10),
                                   text(0, 0, 10, sampleIdHeading()),
                                   numberBarcode(0, 30, 300, 200, SampleId),
                                   text(0, 190, 10, codeIdHeading()),
                                   numberBarcode(0, 215, 300, 380, CodeId),
                                   createFont(12),
                                   text(250, 40, 12, yourReference()),
                                   text(250, 100, 12, floweringAndSampleDate(5, 10)),
                                   text(250, 200, 12, designation(25)),
                                   text(250, 260, 12, furtherInfo(25)),
                                   text(250, 320, 12, fillLine(40)),
                               }});
}

StickerOutcome modSlpApi62::PrintLargeLabel(const QString& SampleId) {
    return printSticker(mApi, {.printerSetting = mSettings.BarcodePrinter1,
                               .labelType = kNormalLabel,
                               .openFlag = true,
                               .rotation = kAsRead,
                               .steps = {
                                   createFont(10),
                                   text(20, 0, 10, sampleIdHeading()),
                                   numberBarcode(0, 30, 210, 180, SampleId),
                                   createFont(12),
                                   text(215, 40, 12, yourReference()),
                                   text(215, 100, 12, floweringAndSampleDate(5, 10)),
                                   text(0, 200, 12, designation(40)),
                                   text(0, 260, 12, furtherInfo(40)),
                                   text(0, 320, 12, fillLine(55)),
                               }});
}

StickerOutcome modSlpApi62::PrintSmallBarcode(const QString& SampleId) {
    return printSticker(mApi, {.printerSetting = mSettings.BarcodePrinter3,
                               .labelType = kSmallBarcodeLabel,
                               .openFlag = true,
                               .rotation = kTurned,
                               .steps = {
                                   numberBarcode(34, 1, 142, 203, SampleId),
                               }});
}

StickerOutcome modSlpApi62::PrintBatchResultLabel(const QString& SampleId1, const QString& SampleId2,
                                                  const QString& SampleId3, const QString& SampleId4,
                                                  const QString& CodeId1, const QString& CodeId2,
                                                  const QString& CodeId3, const QString& CodeId4) {
    const TestCentre centre = pickTestCentre(mSettings, mJob);
    const QString dash = QStringLiteral(" -");
    // Rotation 1: x runs down the sticker, so each row of the list is one x, 70 dots apart.
    return printSticker(mApi, {.printerSetting = mSettings.BarcodePrinter2,
                               .labelType = kNormalLabel,
                               .openFlag = false,
                               .rotation = kTurned,
                               .steps = {
                                   picture(0, 330, 280, centre.logoRight + kBatchLogoShift, centre.logoFile),
                                   createFont(11),
                                   text(310, 60, 11, QStringLiteral("Rufen Sie die Ergebnisse")),
                                   text(370, 135, 11, QStringLiteral("Ihrer Proben auf:")),
                                   text(430, 0, 11, centre.homePage + mSettings.Download1),
                                   text(490, 100, 11, QStringLiteral("unter Eingabe dieser")),
                                   text(560, 130, 11, QStringLiteral("Testnummern ab:")),
                                   createFont(13),
                                   text(620, 300, 13, QStringLiteral("Proben ID -")),
                                   text(620, 25, 13, QStringLiteral(" Testnummer")),
                                   text(690, 300, 13, SampleId1 + dash),
                                   text(690, 40, 13, CodeId1),
                                   text(760, 300, 13, SampleId2 + dash),
                                   text(760, 40, 13, CodeId2),
                                   text(830, 300, 13, SampleId3 + dash),
                                   text(830, 40, 13, CodeId3),
                                   text(900, 300, 13, SampleId4 + dash),
                                   text(900, 40, 13, CodeId4),
                               }});
}
