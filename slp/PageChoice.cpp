#include "PageChoice.h"

#include "PdfPage.h"

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
            return PageChoice{"media", media.name, page, turned, {margins.left(), margins.top()}};
        }
    }
    return std::nullopt;
}

// For the administrator: what is loaded and how much of it the driver prints on.
QString describeLoaded(const CupsQueue& queue, int dpi) {
    if (!queue.loaded) {
        return QStringLiteral("no loaded label");
    }
    const QSize page = toDots(queue.loaded->size, dpi);
    const QSize room = printable(page, toDots(queue.loaded->margins, dpi));
    return QStringLiteral("the loaded label %1 is %2 x %3 dots, printable %4 x %5")
        .arg(QString::fromUtf8(queue.loaded->name))
        .arg(page.width())
        .arg(page.height())
        .arg(room.width())
        .arg(room.height());
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
    if (queue.loaded) {
        if (std::optional<PageChoice> page = onMedia(*queue.loaded, stickerDots, dpi)) {
            return page;
        }
    }
    if (!queue.customMax.isEmpty()) {
        const QMargins margins = toDots(queue.customMargins, dpi);
        const QSize least = toDots(queue.customMin, dpi);
        const QSize most = toDots(queue.customMax, dpi);
        for (const bool turned : {false, true}) {
            const QSize sticker = turned ? stickerDots.transposed() : stickerDots;
            const QSize page = QSize(sticker.width() + margins.left() + margins.right(),
                                     sticker.height() + margins.top() + margins.bottom())
                                   .expandedTo(least);
            if (holds(most, page)) {
                // Named as the driver's own option: CUPS turns a custom media size into whole
                // points, which cuts dots off the label.
                return PageChoice{"PageSize",
                                  "Custom." + pagePoints(page.width(), dpi) + "x" +
                                      pagePoints(page.height(), dpi),
                                  page,
                                  turned,
                                  {margins.left(), margins.top()}};
            }
        }
    }
    std::optional<PageChoice> best;
    for (const OfferedMedia& media : queue.media) {
        std::optional<PageChoice> page = onMedia(media, stickerDots, dpi);
        if (page && (!best || area(page->dots) < area(best->dots))) {
            best = page;
        }
    }
    if (!best) {
        *whyNot =
            QStringLiteral("no label size of queue %1 holds the %2 x %3 dot sticker inside its printable "
                           "area, either way round (%4, at %5 dpi)")
                .arg(QString::fromUtf8(queue.name))
                .arg(stickerDots.width())
                .arg(stickerDots.height())
                .arg(describeLoaded(queue, dpi))
                .arg(dpi);
    }
    return best;
}
