#include "BarcodeScan.h"

// Before zxing-cpp, which defines a macro of a name zbar uses.
#include <zbar.h>
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>
#include <algorithm>

std::vector<ScannedBarcode> scanBarcodes(const QImage& sticker) {
    const QImage grey = sticker.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                                static_cast<int>(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Code128 | ZXing::BarcodeFormat::QRCode);
    hints.setTryHarder(true);
    // Stickers are upright as read, so no turned scans; the merge of the extra passes also trips an
    // assertion in zxing-cpp 1.4.
    hints.setTryRotate(false);
    hints.setTryDownscale(false);

    std::vector<ScannedBarcode> found;
    for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
        if (!result.isValid()) {
            continue;
        }
        const ZXing::Position& position = result.position();
        int left = position[0].x, right = left, top = position[0].y, bottom = top;
        for (const auto& corner : position) {
            left = std::min(left, corner.x);
            right = std::max(right, corner.x);
            top = std::min(top, corner.y);
            bottom = std::max(bottom, corner.y);
        }
        found.push_back({QString::fromLatin1(ZXing::ToString(result.format())),
                         QString::fromStdString(result.text()),
                         QRect(QPoint(left, top), QPoint(right, bottom))});
    }
    return found;
}

std::vector<ScannedBarcode> scanBarcodesWithZbar(const QImage& sticker) {
    const QImage grey = sticker.convertToFormat(QImage::Format_Grayscale8);
    QByteArray packed; // zbar wants rows without padding
    for (int y = 0; y < grey.height(); ++y) {
        packed.append(reinterpret_cast<const char*>(grey.constScanLine(y)), grey.width());
    }
    zbar::ImageScanner scanner;
    scanner.set_config(zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
    scanner.set_config(zbar::ZBAR_CODE128, zbar::ZBAR_CFG_ENABLE, 1);
    scanner.set_config(zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    zbar::Image image(unsigned(grey.width()), unsigned(grey.height()), "Y800", packed.constData(),
                      unsigned(packed.size()));
    scanner.scan(image);
    std::vector<ScannedBarcode> found;
    for (auto symbol = image.symbol_begin(); symbol != image.symbol_end(); ++symbol) {
        const QString format =
            symbol->get_type() == zbar::ZBAR_QRCODE ? QStringLiteral("QRCode") : QStringLiteral("Code128");
        found.push_back({format, QString::fromStdString(symbol->get_data()), {}});
    }
    return found;
}

QRect inkBounds(const QImage& image, const QRect& within) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const QRect area = within.isNull() ? grey.rect() : within.intersected(grey.rect());
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = area.left(); x <= area.right(); ++x) {
            if (line[x] < 200) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}
