#include "PageChoice.h"

#include <cmath>

namespace {

constexpr double UnitsPerInch = 2540.0;

int toDots(int units, int dpi) {
    return static_cast<int>(std::lround(units * dpi / UnitsPerInch));
}

QSize toDots(const QSize& units, int dpi) {
    return {toDots(units.width(), dpi), toDots(units.height(), dpi)};
}

// Margins rounded outwards: a dot the driver may drop is never used.
int marginDots(int units, int dpi) {
    return static_cast<int>(std::ceil(units * dpi / UnitsPerInch - 1e-9));
}

QMargins toDots(const QMargins& units, int dpi) {
    return {marginDots(units.left(), dpi), marginDots(units.top(), dpi), marginDots(units.right(), dpi),
            marginDots(units.bottom(), dpi)};
}

QSize printable(const QSize& page, const QMargins& margins) {
    return {page.width() - margins.left() - margins.right(),
            page.height() - margins.top() - margins.bottom()};
}

bool holds(const QSize& room, const QSize& sticker) {
    return room.width() >= sticker.width() && room.height() >= sticker.height();
}

// The sticker on one offered size: upright where it fits, else turned.
std::optional<PageChoice> onMedia(const OfferedMedia& media, const QSize& sticker, int dpi) {
    const QSize page = toDots(media.size, dpi);
    const QMargins margins = toDots(media.margins, dpi);
    const QSize room = printable(page, margins);
    for (const bool turned : {false, true}) {
        if (holds(room, turned ? sticker.transposed() : sticker)) {
            return PageChoice{media.option, media.name, page, turned, {margins.left(), margins.top()}};
        }
    }
    return std::nullopt;
}

// Hundredths of a millimetre to tenths, halves rounded up.
QString millimetres(int units) {
    return QString::number(double(std::lround(units / 10.0)) / 10.0, 'f', 1);
}

QString millimetres(const QSize& units) {
    return millimetres(units.width()) + QStringLiteral(" x ") + millimetres(units.height()) +
           QStringLiteral(" mm");
}

qint64 area(const QSize& size) {
    return qint64(size.width()) * size.height();
}

} // namespace

std::optional<PageChoice> choosePage(const CupsQueue& queue, const QSize& stickerDots, int dpi,
                                     QString* whyNot) {
    if (stickerDots.isEmpty() || dpi <= 0) {
        *whyNot = QStringLiteral("nothing to print");
        return std::nullopt;
    }
    const QSize stickerUnits(int(std::lround(stickerDots.width() * UnitsPerInch / dpi)),
                             int(std::lround(stickerDots.height() * UnitsPerInch / dpi)));
    if (queue.loaded) {
        // Never a larger page than the label in the printer: it would run over the next labels
        // or past the head.
        std::optional<PageChoice> page = onMedia(*queue.loaded, stickerDots, dpi);
        if (!page) {
            const QMargins margins = queue.loaded->margins;
            *whyNot =
                QStringLiteral("the %1 sticker does not fit the label loaded in queue %2, %3 %4 "
                               "(printable %5), either way round")
                    .arg(millimetres(stickerUnits), QString::fromUtf8(queue.name),
                         QString::fromUtf8(queue.loaded->name), millimetres(queue.loaded->size),
                         millimetres(QSize(queue.loaded->size.width() - margins.left() - margins.right(),
                                           queue.loaded->size.height() - margins.top() - margins.bottom())));
        }
        return page;
    }
    // Nothing said of what is loaded: the smallest of the printer's own sizes that holds the
    // sticker, no wider than its widest one (its head).
    std::optional<PageChoice> best;
    for (const OfferedMedia& media : queue.media) {
        std::optional<PageChoice> page = onMedia(media, stickerDots, dpi);
        if (page && (!best || area(page->dots) < area(best->dots))) {
            best = page;
        }
    }
    if (!best) {
        *whyNot = QStringLiteral("queue %1 says no label is loaded, and none of its sizes holds the %2 "
                                 "sticker inside its printable area, either way round")
                      .arg(QString::fromUtf8(queue.name), millimetres(stickerUnits));
    }
    return best;
}
