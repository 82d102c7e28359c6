#include "SlpSession.h"

#include "CupsJobs.h"
#include "CupsQueue.h"
#include "PrinterLookup.h"

#include <QGuiApplication>

namespace {

constexpr int32_t True = -1;
constexpr int32_t False = 0;

constexpr int32_t Code128Symbology = 4;
constexpr int32_t QrSymbology = 23;
constexpr int ReadableDefaultPoints = 8;

int32_t truth(bool value) {
    return value ? True : False;
}

} // namespace

SlpSession::SlpSession(const SlpProfile& profile, QString applicationFolder)
    : mProfile(profile), mApplicationFolder(std::move(applicationFolder)) {}

int32_t SlpSession::openPrinter(const QString& name, int32_t labelType) {
    closePrinter();
    mLastError.clear();
    // Fonts and printing need the host's QGuiApplication; without one nothing could be drawn.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        mLastError.set(SLP_ERROR_OTHER,
                       QStringLiteral("the printer library needs a QGuiApplication to draw labels"));
        return False;
    }
    const QSize size = mProfile.labelSize(labelType);
    if (size.isEmpty()) {
        mLastError.set(SLP_ERROR_OTHER, QStringLiteral("label type %1 is not known").arg(labelType));
        return False;
    }
    mPrinter = findPrinter(mApplicationFolder, name, mLastError);
    if (!mPrinter) {
        return False;
    }
    mLabelSize = size;
    mRotation = 0;
    return True;
}

int32_t SlpSession::labelWidth() const {
    return mPrinter ? mLabelSize.width() : 0;
}

int32_t SlpSession::labelHeight() const {
    return mPrinter ? mLabelSize.height() : 0;
}

int32_t SlpSession::startLabel() {
    // One label at a time: a second start before the end would silently throw the first away.
    if (!mPrinter || mLabel) {
        return False;
    }
    mLabel.emplace();
    mLabelFailure.clear();
    mLabel->labelSize = mLabelSize;
    mLabel->name = std::exchange(mNextName, {});
    mLabel->dpi = mProfile.dpi;
    return True;
}

int32_t SlpSession::setRotation(int32_t rotation) {
    if (!mPrinter || (rotation != 0 && rotation != 1)) {
        return False;
    }
    mRotation = rotation;
    return True;
}

int32_t SlpSession::createFont(const QString& faceName, int32_t pointSize, int32_t attributes) {
    if (pointSize <= 0) {
        return 0;
    }
    return mFonts.add(PrinterFont{faceName, pointSize, attributes});
}

int32_t SlpSession::drawText(int32_t x, int32_t y, int32_t font, const QString& text) {
    const std::optional<PrinterFont> face = mFonts.find(font);
    if (!mLabel || !face) {
        return False;
    }
    mLabel->elements.emplace_back(TextElement{QPoint(x, y), *face, text});
    return True;
}

int32_t SlpSession::setBarcodeStyle(int32_t symbology, int32_t security, bool readable, int32_t fontSize,
                                    int32_t attributes, const QString& faceName) {
    mBarcodeStyle.reset();
    if (symbology == QrSymbology) {
        mBarcodeStyle = BarcodeStyle{BarcodeSymbol::Kind::QrCode, security, std::nullopt};
    } else if (symbology == Code128Symbology) {
        std::optional<PrinterFont> font;
        if (readable) {
            font = PrinterFont{faceName, fontSize > 0 ? fontSize : ReadableDefaultPoints, attributes};
        }
        mBarcodeStyle = BarcodeStyle{BarcodeSymbol::Kind::Code128, security, font};
    }
    return truth(mBarcodeStyle.has_value());
}

int32_t SlpSession::drawBarcode(const QRect& rect, const QString& data) {
    if (!mLabel || !mBarcodeStyle || rect.isEmpty()) {
        return False;
    }
    QString tooLong;
    std::optional<BarcodeSymbol> symbol =
        encodeBarcode(mBarcodeStyle->kind, data, mBarcodeStyle->security, &tooLong);
    if (!symbol) {
        // A sticker without the code the customer needs must not count as printed.
        if (!tooLong.isEmpty() && mLabelFailure.isEmpty()) {
            mLabelFailure.set(SLP_ERROR_DATA_TOO_LONG,
                              QStringLiteral("the %1 cannot hold its %2 characters: %3")
                                  .arg(mBarcodeStyle->kind == BarcodeSymbol::Kind::QrCode
                                           ? QStringLiteral("QR code")
                                           : QStringLiteral("barcode"))
                                  .arg(data.size())
                                  .arg(tooLong));
        }
        return False;
    }
    mLabel->elements.emplace_back(BarcodeElement{rect, std::move(*symbol), mBarcodeStyle->readableFont});
    return True;
}

int32_t SlpSession::drawPicture(const QRect& rect, const QString& imagePath) {
    if (!mLabel || rect.isEmpty()) {
        return False;
    }
    const QImage image = mPictures.load(imagePath);
    if (image.isNull()) {
        return False;
    }
    mLabel->elements.emplace_back(PictureElement{rect, image});
    return True;
}

int32_t SlpSession::endLabel() {
    if (!mPrinter || !mLabel) {
        mLastError.set(SLP_ERROR_OTHER, QStringLiteral("no label was started"));
        return False;
    }
    LabelContent content = std::move(*mLabel);
    mLabel.reset();
    content.rotation = mRotation;
    mLastError.clear();
    lastCupsJob() = 0;
    if (!mLabelFailure.isEmpty()) {
        mLastError = std::exchange(mLabelFailure, SlpFailure{});
        return False;
    }
    return truth(mPrinter->printLabel(content, mLastError));
}

void SlpSession::beginJob() {
    forgetCupsAnswers();
}

QString SlpSession::serverSilence() const {
    return cupsSilence().text;
}

void SlpSession::noteServerSilence(const QString& why) {
    if (cupsSilence().isEmpty() && !why.isEmpty()) {
        cupsSilence() = {SLP_ERROR_SERVER_SILENT, why};
    }
}

int32_t SlpSession::deleteFont(int32_t font) {
    return truth(mFonts.remove(font));
}

int32_t SlpSession::closePrinter() {
    const bool wasOpen = mPrinter != nullptr;
    mLabel.reset();
    mPrinter.reset();
    mLabelSize = {};
    mRotation = 0;
    return truth(wasOpen);
}

int32_t SlpSession::nameLabel(const QByteArray& name) {
    // Short enough for a CUPS job name and a PNG text; a name never spans two labels.
    constexpr qsizetype LongestName = 200;
    mNextName.clear();
    if (name.isEmpty() || name.size() > LongestName) {
        return False;
    }
    mNextName = name;
    return True;
}

std::vector<int32_t> SlpSession::findLabels(const QString& printerName, const std::vector<QByteArray>& names,
                                            const std::vector<int64_t>& notBefore,
                                            std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    mLastError.clear();
    std::unique_ptr<LabelOutput> printer = findPrinter(mApplicationFolder, printerName, mLastError);
    if (!printer) {
        return std::vector<int32_t>(names.size(), SLP_JOB_UNKNOWN);
    }
    QString whyNot;
    std::vector<int32_t> states = printer->findLabels(names, notBefore, deadline, whyNot);
    if (!whyNot.isEmpty()) {
        mLastError.set(SLP_ERROR_JOB_UNKNOWN, whyNot);
    }
    return states;
}
