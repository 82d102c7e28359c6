#include "LabelRenderer.h"

#include "BarcodePainter.h"

#include <cmath>

namespace {

// At rotation 1 the caller's x runs down the sticker and y across it; everything stays upright.
QPoint toSticker(const QPoint& point, int rotation) {
    return rotation == 1 ? QPoint(point.y(), point.x()) : point;
}

struct ElementPainter {
    QPainter& painter;
    int rotation;
    int dpi;

    void operator()(const TextElement& text) const {
        painter.setFont(text.font);
        painter.setPen(Qt::black);
        const QPoint at = toSticker(text.at, rotation);
        // An unbounded box, so the first line's top left sits exactly at the point.
        const QRect box(at, QSize(1 << 20, 1 << 20));
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text.text);
    }

    void operator()(const BarcodeElement& barcode) const {
        paintBarcode(painter, toSticker(barcode.rect, rotation), barcode.symbol, barcode.readableFont, dpi);
    }

    void operator()(const PictureElement& picture) const {
        const QRect target = toSticker(picture.rect, rotation);
        // Keeps the picture's proportions; a logo squeezed out of shape would look wrong.
        const QSize size = picture.image.size().scaled(target.size(), Qt::KeepAspectRatio);
        painter.drawImage(QRect(target.topLeft(), size), picture.image);
    }
};

} // namespace

QRect toSticker(const QRect& rect, int rotation) {
    return rotation == 1 ? QRect(rect.top(), rect.left(), rect.height(), rect.width()) : rect;
}

QSize stickerSize(const LabelContent& content) {
    return content.rotation == 1 ? content.labelSize.transposed() : content.labelSize;
}

void paintLabel(QPainter& painter, const LabelContent& content) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const ElementPainter paintElement{painter, content.rotation, content.dpi};
    for (const LabelElement& element : content.elements) {
        std::visit(paintElement, element);
    }
    painter.restore();
}

QImage renderLabel(const LabelContent& content) {
    // Painted straight in grey: a label printer has no colour, and converting a whole sticker
    // afterwards cost more than drawing it.
    QImage image(stickerSize(content), QImage::Format_Grayscale8);
    image.fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(std::lround(content.dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    {
        QPainter painter(&image);
        paintLabel(painter, content);
    }
    return image;
}
