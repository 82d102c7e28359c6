#include "modSlpApi62.h"

#include "StickerTexts.h"
#include "TestCentre.h"

using namespace StickerTexts;

namespace {

constexpr std::array<qint32, 5> kFormRows{40, 100, 200, 260, 320};

// The logo stands turned on the batch sticker: its bottom edge is the single sticker's right edge + 310.
constexpr qint32 kBatchLogoShift = 310;

} // namespace

namespace Layout62 {

LaidOutSticker SampleLabel(const StickerData& data) {
    // "Testnummer:" at y 190 stands inside the first barcode's rectangle (bottom 200), where the
    // layout has it.
    return formSticker(
        {
            createFont(10),
            text(0, 0, 10, sampleIdHeading()),
            numberBarcode(0, 30, 300, 200, data.SampleIds.value(0)),
            text(0, 190, 10, codeIdHeading()),
            numberBarcode(0, 215, 300, 380, data.CodeIds.value(0)),
        },
        {kFormRows, 5, 10, 250, 250, 25, 25, 40});
}

LaidOutSticker LargeLabel(const StickerData& data) {
    return formSticker(
        {
            createFont(10),
            text(20, 0, 10, sampleIdHeading()),
            numberBarcode(0, 30, 210, 180, data.SampleIds.value(0)),
        },
        {kFormRows, 5, 10, 215, 0, 40, 40, 55});
}

LaidOutSticker SmallBarcode(const StickerData& data) {
    return {kSmallBarcodeLabel, true, kTurned, {numberBarcode(34, 1, 142, 203, data.SampleIds.value(0))}};
}

LaidOutSticker BatchResultLabel(const StickerData& data) {
    const TestCentre centre = pickTestCentre(data.settings, data.job);
    // Rotation 1: x runs down the sticker, so each row of the list is one x, 70 dots apart.
    std::vector<StickerStep> steps{
        picture(0, 330, 280, centre.logoRight + kBatchLogoShift, centre.logoFile),
        createFont(11),
        text(310, 60, 11, QStringLiteral("Rufen Sie die Ergebnisse")),
        text(370, 135, 11, QStringLiteral("Ihrer Proben auf:")),
        text(430, 0, 11, centre.homePage + data.settings.Download1),
        text(490, 100, 11, QStringLiteral("unter Eingabe dieser")),
        text(560, 130, 11, QStringLiteral("Testnummern ab:")),
        createFont(13),
        text(620, 300, 13, QStringLiteral("Proben ID -")),
        text(620, 25, 13, QStringLiteral(" Testnummer")),
    };
    for (qint32 i = 0; i < 4; ++i) {
        steps.push_back(text(690 + 70 * i, 300, 13, data.SampleIds.value(i) + QStringLiteral(" -")));
        steps.push_back(text(690 + 70 * i, 40, 13, data.CodeIds.value(i)));
    }
    return {kNormalLabel, false, kTurned, std::move(steps)};
}

} // namespace Layout62
