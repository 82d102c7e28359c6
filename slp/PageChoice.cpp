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

bool holds(const QSize& page, const QSize& label) {
    return page.width() >= label.width() && page.height() >= label.height();
}

} // namespace

std::optional<PageChoice> choosePage(const CupsQueue& queue, const QSize& labelDots, int dpi) {
    if (labelDots.isEmpty() || dpi <= 0) {
        return std::nullopt;
    }
    if (!queue.customMin.isEmpty() && holds(labelDots, toDots(queue.customMin, dpi)) &&
        holds(toDots(queue.customMax, dpi), labelDots)) {
        // Named as the driver's own option: CUPS turns a custom media size into whole points,
        // which cuts dots off the label.
        return PageChoice{"PageSize",
                          "Custom." + pagePoints(labelDots.width(), dpi) + "x" +
                              pagePoints(labelDots.height(), dpi),
                          labelDots};
    }
    std::optional<PageChoice> best;
    for (const OfferedMedia& media : queue.media) {
        const QSize page = toDots(media.size, dpi);
        if (holds(page, labelDots) && (!best || qint64(page.width()) * page.height() <
                                                    qint64(best->dots.width()) * best->dots.height())) {
            best = PageChoice{"media", media.name, page};
        }
    }
    return best;
}
