#include "BarcodePainter.h"

#include "PlainGreyImage.h"
#include "TextStamp.h"

#include <QFontMetrics>
#include <QImage>
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

int wholeModuleDots(int room, int modules) {
    return std::max(1, room / modules);
}

// Black bars [left, right) of each run, from top for height rows, cut to the image.
void fillBars(QImage& image, const std::vector<std::pair<int, int>>& runs, int top, int height) {
    const int firstRow = std::max(0, top);
    const int endRow = std::min(image.height(), top + height);
    const int width = image.width();
    if (runs.empty() || firstRow >= endRow) {
        return;
    }
    // Every row of bars is alike: one row of them, laid over each row of the image.
    const int from = std::max(0, runs.front().first);
    const int to = std::min(width, runs.back().second);
    if (from >= to) {
        return;
    }
    std::vector<uchar> bars(size_t(to - from), 0xFF);
    for (const auto& [left, right] : runs) {
        const int barFrom = std::max(from, left);
        const int barTo = std::min(to, right);
        if (barFrom < barTo) {
            std::memset(bars.data() + (barFrom - from), 0, size_t(barTo - barFrom));
        }
    }
    uchar* const first = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int y = firstRow; y < endRow; ++y) {
        darkenDots(first + y * stride + from, bars.data(), to - from);
    }
}

void paintBars(QPainter& painter, const QRect& rect, const BarcodeSymbol& symbol,
               const std::optional<QFont>& readableFont, int module) {
    const int quiet = symbol.quietZone();
    const int span = symbol.columns + 2 * quiet;

    int textHeight = 0;
    if (readableFont) {
        textHeight = QFontMetrics(*readableFont, painter.device()).height();
    }
    const int gap = readableFont ? module : 0;
    const int barHeight = std::max(module, rect.height() - textHeight - gap);

    const int firstBar = rect.left() + quiet * module;
    std::vector<std::pair<int, int>> runs;
    for (int column = 0; column < symbol.columns;) {
        if (!symbol.isDark(0, column)) {
            ++column;
            continue;
        }
        int end = column;
        while (end < symbol.columns && symbol.isDark(0, end)) {
            ++end;
        }
        runs.emplace_back(firstBar + column * module, firstBar + end * module);
        column = end;
    }
    if (QImage* grey = plainGreyImage(painter)) {
        fillBars(*grey, runs, rect.top(), barHeight);
    } else {
        for (const auto& [left, right] : runs) {
            painter.fillRect(left, rect.top(), right - left, barHeight, Qt::black);
        }
    }

    if (readableFont) {
        const QRect textRect(rect.left(), rect.top() + barHeight + gap, span * module, textHeight);
        drawBlackText(painter, *readableFont, textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip,
                      symbol.text);
    }
}

void paintMatrix(QPainter& painter, const QRect& rect, const BarcodeSymbol& symbol) {
    const int quiet = symbol.quietZone();
    const int module = wholeModuleDots(std::min(rect.width(), rect.height()),
                                       std::max(symbol.columns, symbol.rows) + 2 * quiet);
    const int left = rect.left() + quiet * module;
    const int top = rect.top() + quiet * module;
    for (int row = 0; row < symbol.rows; ++row) {
        for (int column = 0; column < symbol.columns; ++column) {
            if (symbol.isDark(row, column)) {
                painter.fillRect(left + column * module, top + row * module, module, module, Qt::black);
            }
        }
    }
}

} // namespace

int barModuleDots(const QRect& rect, const BarcodeSymbol& symbol, int dpi) {
    const int widest = std::max(1, dpi / 100);
    return std::min(widest, wholeModuleDots(rect.width(), symbol.columns + 2 * symbol.quietZone()));
}

void paintBarcode(QPainter& painter, const QRect& rect, const BarcodeSymbol& symbol,
                  const std::optional<QFont>& readableFont, int dpi, int barModule) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (symbol.kind == BarcodeSymbol::Kind::QrCode) {
        paintMatrix(painter, rect, symbol);
    } else {
        paintBars(painter, rect, symbol, readableFont,
                  barModule > 0 ? barModule : barModuleDots(rect, symbol, dpi));
    }
    painter.restore();
}
