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

bool holds(const QSize& page, const QSize& label) {
    return page.width() >= label.width() && page.height() >= label.height();
}

// Inches with enough places that the driver's rounding gives back the same dots.
QByteArray inches(int dots, int dpi) {
    return QByteArray::number(double(dots) / dpi, 'f', 5);
}

} // namespace

std::optional<PageChoice> choosePage(const CupsQueue& queue, const QSize& labelDots, int dpi) {
    if (labelDots.isEmpty() || dpi <= 0) {
        return std::nullopt;
    }
    if (!queue.customMin.isEmpty() && holds(labelDots, toDots(queue.customMin, dpi)) &&
        holds(toDots(queue.customMax, dpi), labelDots)) {
        return PageChoice{"Custom." + inches(labelDots.width(), dpi) + "x" + inches(labelDots.height(), dpi) + "in",
                          labelDots};
    }
    std::optional<PageChoice> best;
    for (const OfferedMedia& media : queue.media) {
        const QSize page = toDots(media.size, dpi);
        if (holds(page, labelDots) &&
            (!best || qint64(page.width()) * page.height() < qint64(best->dots.width()) * best->dots.height())) {
            best = PageChoice{media.name, page};
        }
    }
    return best;
}
