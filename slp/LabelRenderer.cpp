#include "LabelRenderer.h"

#include "BarcodePainter.h"
#include "TextStamp.h"

#include <QFontMetrics>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Below 300 dpi a bar module of one dot is a quarter narrower than the layouts meant (0.125 mm
// at 203 dpi), at the edge of what scanners resolve: two dots where the widened symbol, quiet
// zones and text included, stays on the sticker clear of every other element.
constexpr int WidenBelowDpi = 300;

struct ElementPainter {
    QPainter& painter;
    int rotation;
    int dpi;
    DotScale scale;
    std::vector<QRect> taken; // where each element lies on the sticker, in element order
    QRect sticker;

    void operator()(const TextElement& text) const {
        const QPoint at = scale(toSticker(text.at, rotation));
        // An unbounded box, so the first line's top left sits exactly at the point.
        const QRect box(at, QSize(1 << 20, 1 << 20));
        drawBlackText(painter, text.font.at(dpi), box, Qt::AlignLeft | Qt::AlignTop, text.text);
    }

    void operator()(const BarcodeElement& barcode) const {
        std::optional<QFont> readable;
        if (barcode.readableFont) {
            readable = barcode.readableFont->at(dpi);
        }
        const QRect rect = scale(toSticker(barcode.rect, rotation));
        int module = 0;
        if (barcode.symbol.kind == BarcodeSymbol::Kind::Code128 && dpi < WidenBelowDpi &&
            barModuleDots(rect, barcode.symbol, dpi) == 1) {
            const QRect widened(
                rect.topLeft(),
                QSize(2 * (barcode.symbol.columns + 2 * barcode.symbol.quietZone()), rect.height()));
            const bool clear = sticker.contains(widened) &&
                               std::none_of(taken.begin(), taken.end(), [&](const QRect& other) {
                                   return other != rect && other.intersects(widened);
                               });
            module = clear ? 2 : 1;
        }
        paintBarcode(painter, rect, barcode.symbol, readable, dpi, module);
    }

    // Where an element lies on the sticker: a barcode its rectangle, a text its lines' box.
    QRect place(const LabelElement& element) const {
        if (const auto* text = std::get_if<TextElement>(&element)) {
            const QFontMetrics metrics(text->font.at(dpi), painter.device());
            const QPoint at = scale(toSticker(text->at, rotation));
            return metrics.boundingRect(QRect(at, QSize(1 << 20, 1 << 20)), Qt::AlignLeft | Qt::AlignTop,
                                        text->text);
        }
        if (const auto* barcode = std::get_if<BarcodeElement>(&element)) {
            return scale(toSticker(barcode->rect, rotation));
        }
        return scale(toSticker(std::get<PictureElement>(element).rect, rotation));
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
    ElementPainter paintElement{painter,   content.rotation,
                                deviceDpi, DotScale{content.dpi, deviceDpi},
                                {},        QRect(QPoint(0, 0), stickerSize(content, deviceDpi))};
    if (deviceDpi < WidenBelowDpi) {
        for (const LabelElement& element : content.elements) {
            paintElement.taken.push_back(paintElement.place(element));
        }
    }
    for (const LabelElement& element : content.elements) {
        std::visit(paintElement, element);
    }
    painter.restore();
}

namespace {

// Paper of the sticker's size carrying the device's resolution, the label painted on it.
QImage paintedOn(QImage paper, const LabelContent& content, int deviceDpi) {
    const int dotsPerMeter = static_cast<int>(std::lround(deviceDpi / 0.0254));
    paper.setDotsPerMeterX(dotsPerMeter);
    paper.setDotsPerMeterY(dotsPerMeter);
    {
        QPainter painter(&paper);
        paintLabel(painter, content, deviceDpi);
    }
    return paper;
}

} // namespace

QImage renderLabel(const LabelContent& content, int deviceDpi) {
    // Painted straight in grey: a label printer has no colour, and converting a whole sticker
    // afterwards cost more than drawing it.
    QImage image(stickerSize(content, deviceDpi), QImage::Format_Grayscale8);
    // White bytes set directly: QImage::fill goes through a painter for grey images, a sixth of a sticker.
    std::memset(image.bits(), 0xFF, size_t(image.sizeInBytes()));
    return paintedOn(std::move(image), content, deviceDpi);
}

QImage renderOneBitLabel(const LabelContent& content, int deviceDpi) {
    // A picture is thresholded dot by dot from grey; Qt drawing it onto one bit would dither it.
    const bool pictures =
        std::any_of(content.elements.begin(), content.elements.end(),
                    [](const auto& element) { return std::holds_alternative<PictureElement>(element); });
    if (pictures) {
        return toOneBit(renderLabel(content, deviceDpi));
    }
    // Texts, bars and QR codes are written as ink bits, an eighth of the bytes of a grey sticker
    // to clear and no threshold after.
    QImage bits(stickerSize(content, deviceDpi), QImage::Format_Mono);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    std::memset(bits.bits(), 0, size_t(bits.sizeInBytes()));
    return paintedOn(std::move(bits), content, deviceDpi);
}

namespace {

// Eight grey dots to one byte, the first dot in the top bit: a dot darker than mid-grey (its top
// bit clear) is set. The eight top bits are gathered by one multiplication, which took a fifth of
// a sticker's time less than testing dot by dot.
uchar packEightDots(const uchar* dots) {
    static_assert(std::endian::native == std::endian::little, "the first dot is the lowest byte");
    quint64 eight = 0;
    std::memcpy(&eight, dots, sizeof eight);
    const quint64 light = (eight >> 7) & 0x0101010101010101ULL; // bit 8i: dot i is light
    return uchar(~((light * 0x8040201008040201ULL) >> 56));
}

#ifdef __SSE2__
// Each byte with its bits in the opposite order.
constexpr std::array<uchar, 256> reversedBytes = [] {
    std::array<uchar, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            table[size_t(byte)] |= uchar(((byte >> bit) & 1) << (7 - bit));
        }
    }
    return table;
}();

// Sixteen dots to two bytes: one instruction gathers the top bits, which took a tenth of a sticker
// less than eight dots at a time. It puts the first dot in the lowest bit, the sticker in the top.
void packSixteenDots(const uchar* dots, uchar* out) {
    const int ink = ~_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dots)));
    out[0] = reversedBytes[size_t(ink & 0xFF)];
    out[1] = reversedBytes[size_t((ink >> 8) & 0xFF)];
}
#endif

} // namespace

// A plain threshold per scan line: Qt's general conversion costs more than painting the sticker.
QImage toOneBit(const QImage& grey) {
    QImage bits(grey.size(), QImage::Format_Mono);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    bits.setDotsPerMeterX(grey.dotsPerMeterX());
    bits.setDotsPerMeterY(grey.dotsPerMeterY());
    const int width = grey.width();
    const int height = grey.height();
    const int wholeBytes = width / 8;
    const uchar* const greyBits = grey.constBits();
    uchar* const oneBits = bits.bits();
    for (int y = 0; y < height; ++y) {
        const uchar* in = greyBits + y * grey.bytesPerLine();
        uchar* out = oneBits + y * bits.bytesPerLine();
        int byte = 0;
#ifdef __SSE2__
        for (; byte + 8 <= wholeBytes; byte += 8) {
            // Most of a sticker is paper: 64 light dots need no packing.
            const auto* at = reinterpret_cast<const __m128i*>(in + byte * 8);
            const __m128i all =
                _mm_and_si128(_mm_and_si128(_mm_loadu_si128(at), _mm_loadu_si128(at + 1)),
                              _mm_and_si128(_mm_loadu_si128(at + 2), _mm_loadu_si128(at + 3)));
            if (_mm_movemask_epi8(all) == 0xFFFF) {
                std::memset(out + byte, 0, 8);
                continue;
            }
            for (int half = 0; half < 8; half += 2) {
                packSixteenDots(in + (byte + half) * 8, out + byte + half);
            }
        }
        for (; byte + 2 <= wholeBytes; byte += 2) {
            packSixteenDots(in + byte * 8, out + byte);
        }
#endif
        for (; byte < wholeBytes; ++byte) {
            out[byte] = packEightDots(in + byte * 8);
        }
        if (wholeBytes * 8 < width) {
            out[wholeBytes] = 0;
        }
        for (int x = wholeBytes * 8; x < width; ++x) {
            out[x >> 3] |= uchar((in[x] < 128) << (7 - (x & 7)));
        }
    }
    return bits;
}
