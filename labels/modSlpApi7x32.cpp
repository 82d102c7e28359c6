#include "modSlpApi7x32.h"

#include "StickerTexts.h"
#include "TestCentre.h"

using namespace StickerTexts;

namespace {

constexpr std::array<qint32, 5> kFormRows{50, 170, 290, 410, 500};

} // namespace

namespace Layout7x32 {

LaidOutSticker SampleLabel(const StickerData& data) {
    return formSticker(
        {
            createFont(10),
            text(20, 0, 10, sampleIdHeading()),
            text(20, 250, 10, codeIdHeading()),
            numberBarcode(0, 50, 300, 220, data.SampleIds.value(0)),
            numberBarcode(0, 290, 310, 480, data.CodeIds.value(0)),
        },
        {kFormRows, 4, 11, 320, 320, 21, 22, 34});
}

LaidOutSticker LargeLabel(const StickerData& data) {
    return formSticker(
        {
            createFont(10),
            text(20, 0, 10, sampleIdHeading()),
            numberBarcode(0, 50, 300, 220, data.SampleIds.value(0)),
        },
        {kFormRows, 4, 11, 320, 0, 40, 40, 55});
}

LaidOutSticker SmallBarcode(const StickerData& data) {
    return {kSmallBarcodeLabel, true, kTurned, {numberBarcode(50, 40, 210, 250, data.SampleIds.value(0))}};
}

LaidOutSticker ResultLabel(const StickerData& data) {
    const TestCentre centre = pickTestCentre(data.settings, data.job);
    const QString SampleId = data.SampleIds.value(0);
    const QString CodeId = data.CodeIds.value(0);
    return {kNormalLabel,
            false,
            kAsRead,
            {
                picture(0, 0, centre.logoRight, 280, centre.logoFile),
                createFont(12),
                text(0, 290, 12, QStringLiteral("Rufen Sie die Ergebnisse der Probe:")),
                text(0, 350, 12, SampleId + QStringLiteral(" mit diesem QR-Code, oder unter")),
                text(0, 410, 12, centre.homePage + data.settings.Download1),
                text(0, 460, 12, QStringLiteral("unter Angabe dieser Testnummer, ab:")),
                createFont(13),
                text(180, 520, 13, CodeId),
                qrBarcode(650, 0, 950, 300,
                          centre.homePage + data.settings.Download2 + CodeId + QStringLiteral("?source=qa")),
            }};
}

} // namespace Layout7x32
