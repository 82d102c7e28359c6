#include "StickerRun.h"

#include "StickerKinds.h"
#include "StickerTexts.h"

#include <QList>
#include <algorithm>
#include <utility>

namespace {

const QString kFace = QStringLiteral("Arial");
constexpr qint32 kRegular = 0;

// Code 128 with its text under the bars; set again before every number barcode.
void setNumberStyle(SlpPrinterApi& api) {
    api.SlpSetBarCodeStyle(4, 30, 0, 0, true, 8, kRegular, kFace);
}

// The face name is the text form of the truth value false, as the library has always been given.
void setQrStyle(SlpPrinterApi& api) {
    api.SlpSetBarCodeStyle(23, 0, 0, 0, false, 0, kRegular, QStringLiteral("False"));
}

struct Font {
    qint32 size;
    qint32 handle;
};

qint32 handleOf(const QList<Font>& fonts, qint32 size) {
    const auto found =
        std::find_if(fonts.begin(), fonts.end(), [size](const Font& f) { return f.size == size; });
    Q_ASSERT_X(found != fonts.end(), "printSticker", "text drawn with a font the layout has not created");
    return found != fonts.end() ? found->handle : 0;
}

// Draws the layout and returns the fonts it created, in the order of creation.
QList<Font> drawSteps(SlpPrinterApi& api, const std::vector<StickerStep>& steps) {
    QList<Font> fonts;
    for (const StickerStep& step : steps) {
        switch (step.call) {
        case StickerStep::Call::CreateFont:
            fonts.append({step.fontSize, api.SlpCreateFont(kFace, step.fontSize, kRegular)});
            break;
        case StickerStep::Call::Text:
            api.SlpDrawTextXY(step.left, step.top, handleOf(fonts, step.fontSize), step.content);
            break;
        case StickerStep::Call::NumberBarcode:
            setNumberStyle(api);
            api.SlpDrawBarCode(step.left, step.top, step.right, step.bottom, step.content);
            break;
        case StickerStep::Call::QrBarcode:
            setQrStyle(api);
            api.SlpDrawBarCode(step.left, step.top, step.right, step.bottom, step.content);
            break;
        case StickerStep::Call::Picture:
            api.SlpDrawPicture(step.left, step.top, step.right, step.bottom, step.content);
            break;
        }
    }
    return fonts;
}

// The library's code for a failure; a library that gives a reason but no code gets Other.
StickerCause causeOf(qint32 code, const QString& reason) {
    if (code == 0)
        return reason.isEmpty() ? StickerCause::None : StickerCause::Other;
    return static_cast<StickerCause>(code);
}

StickerStep rectangleStep(StickerStep::Call call, qint32 left, qint32 top, qint32 right, qint32 bottom,
                          const QString& content) {
    return {call, left, top, right, bottom, 0, content};
}

} // namespace

StickerStep createFont(qint32 size) {
    return {StickerStep::Call::CreateFont, 0, 0, 0, 0, size, {}};
}

StickerStep text(qint32 x, qint32 y, qint32 fontSize, const QString& text) {
    return {StickerStep::Call::Text, x, y, 0, 0, fontSize, text};
}

StickerStep numberBarcode(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& data) {
    return rectangleStep(StickerStep::Call::NumberBarcode, left, top, right, bottom, data);
}

StickerStep qrBarcode(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& data) {
    return rectangleStep(StickerStep::Call::QrBarcode, left, top, right, bottom, data);
}

StickerStep picture(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& path) {
    return rectangleStep(StickerStep::Call::Picture, left, top, right, bottom, path);
}

QString printerName(const QString& printerSetting) {
    return QStringLiteral("Smart Label Printer ") + printerSetting.right(3);
}

LaidOutSticker formSticker(std::vector<StickerStep> steps, const FillInForm& form) {
    using namespace StickerTexts;
    steps.insert(steps.end(),
                 {
                     createFont(12),
                     text(form.rightX, form.rowY[0], 12, yourReference()),
                     text(form.rightX, form.rowY[1], 12, floweringAndSampleDate(form.dayLine, form.dateLine)),
                     text(form.lowerX, form.rowY[2], 12, designation(form.designationLine)),
                     text(form.lowerX, form.rowY[3], 12, furtherInfo(form.infoLine)),
                     text(form.lowerX, form.rowY[4], 12, fillLine(form.freeLine)),
                 });
    return {kNormalLabel, true, kAsRead, std::move(steps)};
}

StickerOutcome StickerRoutines::print(StickerLayout layout, const QStringList& SampleIds,
                                      const QStringList& CodeIds) const {
    const StickerKind* kind = StickerKindOfLayout(layout);
    Q_ASSERT_X(kind, "StickerRoutines::print", "a layout without its row in the sticker kinds");
    return printSticker(mApi, kind ? mSettings.*kind->printer : QString(),
                        layout({mSettings, mJob, SampleIds, CodeIds}),
                        kind ? StickerLabelName(*kind, SampleIds.value(0)) : QString());
}

StickerOutcome printSticker(SlpPrinterApi& api, const QString& printerSetting, const LaidOutSticker& sticker,
                            const QString& labelName) {
    StickerOutcome outcome{StickerOutcome::State::NoPrinter, printerName(printerSetting), {}};
    if (api.SlpOpenPrinter(outcome.printer, sticker.labelType, sticker.openFlag) == 0) {
        // An empty setting is a desk without that printer: nothing to say. A setting that names
        // no printer (a typo, a queue never set up) loses its sticker like any other failure.
        if (printerSetting.isEmpty())
            return outcome;
        outcome.state = StickerOutcome::State::Lost;
        outcome.reason = api.SlpLastErrorText();
        outcome.cause = causeOf(api.SlpLastErrorCode(), outcome.reason);
        if (outcome.cause == StickerCause::None) { // a library that says nothing found nothing
            outcome.cause = StickerCause::NotFound;
            outcome.reason = QStringLiteral("no printer named \"%1\" was found").arg(outcome.printer);
        } else if (outcome.reason.isEmpty()) {
            outcome.reason = QStringLiteral("the printer library gave no reason");
        }
        return outcome;
    }
    // Asked for as the libraries expect; no layout depends on the size.
    [[maybe_unused]] const qint32 width = api.SlpGetLabelWidth();
    [[maybe_unused]] const qint32 height = api.SlpGetLabelHeight();

    QList<Font> fonts;
    if (!labelName.isEmpty())
        api.SlpNameLabel(labelName);
    if (api.SlpStartLabel()) {
        api.SlpSetRotation(sticker.rotation);
        fonts = drawSteps(api, sticker.steps);
        if (api.SlpEndLabel()) {
            outcome.state = StickerOutcome::State::Printed;
            outcome.cupsJob = api.SlpLastJobId();
        } else {
            // Asked at once: closing the printer may leave a reason of its own.
            outcome.reason = api.SlpLastErrorText();
            if (outcome.reason.isEmpty())
                outcome.reason = QStringLiteral("the printer library gave no reason");
            outcome.cause = causeOf(api.SlpLastErrorCode(), outcome.reason);
            outcome.state = outcome.cause == StickerCause::JobUnknown ? StickerOutcome::State::Unknown
                                                                      : StickerOutcome::State::Lost;
        }
    } else {
        outcome.state = StickerOutcome::State::Lost;
        outcome.reason = QStringLiteral("the printer did not start the label");
        outcome.cause = StickerCause::NotStarted;
    }
    for (const Font& font : std::as_const(fonts))
        api.SlpDeleteFont(font.handle);
    api.SlpClosePrinter();
    return outcome;
}
