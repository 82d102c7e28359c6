#include "LabelRenderer.h"

#include "BarcodePainter.h"

#include <cmath>

namespace {

// The caller's dots on a device of another resolution.
struct DotScale {
    int from;
    int to;

    int operator()(int dots) const {
        return from == to ? dots : static_cast<int>(std::lround(double(dots) * to / from));
    }
    QPoint operator()(const QPoint& point) const { return {(*this)(point.x()), (*this)(point.y())}; }
    // Both edges rounded, so neighbouring rectangles stay neighbours.
    QRect operator()(const QRect& rect) const {
        const int left = (*this)(rect.left());
        const int top = (*this)(rect.top());
        return {left, top, (*this)(rect.left() + rect.width()) - left,
                (*this)(rect.top() + rect.height()) - top};
    }
    QSize operator()(const QSize& size) const { return {(*this)(size.width()), (*this)(size.height())}; }
};

// At rotation 1 the caller's x runs down the sticker and y across it; everything stays upright.
QPoint toSticker(const QPoint& point, int rotation) {
    return rotation == 1 ? QPoint(point.y(), point.x()) : point;
}

struct ElementPainter {
    QPainter& painter;
    int rotation;
    int dpi;
    DotScale scale;

    void operator()(const TextElement& text) const {
        painter.setFont(text.font.at(dpi));
        painter.setPen(Qt::black);
        const QPoint at = scale(toSticker(text.at, rotation));
        // An unbounded box, so the first line's top left sits exactly at the point.
        const QRect box(at, QSize(1 << 20, 1 << 20));
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text.text);
    }

    void operator()(const BarcodeElement& barcode) const {
        std::optional<QFont> readable;
        if (barcode.readableFont) {
            readable = barcode.readableFont->at(dpi);
        }
        paintBarcode(painter, scale(toSticker(barcode.rect, rotation)), barcode.symbol, readable, dpi);
    }

    void operator()(const PictureElement& picture) const {
        const QRect target = scale(toSticker(picture.rect, rotation));
        // Keeps the picture's proportions; a logo squeezed out of shape would look wrong.
        const QSize size = picture.image.size().scaled(target.size(), Qt::KeepAspectRatio);
        painter.drawImage(QRect(target.topLeft(), size), picture.image);
    }
};

} // namespace

QRect toSticker(const QRect& rect, int rotation) {
    return rotation == 1 ? QRect(rect.top(), rect.left(), rect.height(), rect.width()) : rect;
}

QSize stickerSize(const LabelContent& content, int deviceDpi) {
    const QSize read = content.rotation == 1 ? content.labelSize.transposed() : content.labelSize;
    return DotScale{content.dpi, deviceDpi}(read);
}

void paintLabel(QPainter& painter, const LabelContent& content, int deviceDpi) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const ElementPainter paintElement{painter, content.rotation, deviceDpi, DotScale{content.dpi, deviceDpi}};
    for (const LabelElement& element : content.elements) {
        std::visit(paintElement, element);
    }
    painter.restore();
}

QImage renderLabel(const LabelContent& content, int deviceDpi) {
    // Painted straight in grey: a label printer has no colour, and converting a whole sticker
    // afterwards cost more than drawing it.
    QImage image(stickerSize(content, deviceDpi), QImage::Format_Grayscale8);
    image.fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(std::lround(deviceDpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    {
        QPainter painter(&image);
        paintLabel(painter, content, deviceDpi);
    }
    return image;
}

// A plain threshold per scan line: Qt's general conversion costs more than painting the sticker.
QImage toOneBit(const QImage& grey) {
    QImage bits(grey.size(), QImage::Format_Mono);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    bits.fill(0);
    bits.setDotsPerMeterX(grey.dotsPerMeterX());
    bits.setDotsPerMeterY(grey.dotsPerMeterY());
    const int width = grey.width();
    const int height = grey.height();
    for (int y = 0; y < height; ++y) {
        const uchar* in = grey.constScanLine(y);
        uchar* out = bits.scanLine(y);
        for (int x = 0; x < width; ++x) {
            if (in[x] < 128) {
                out[x >> 3] |= uchar(0x80 >> (x & 7));
            }
        }
    }
    return bits;
}
