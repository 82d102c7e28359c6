#include "BarcodePainter.h"

#include "DirectInk.h"
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
    if (std::optional<DirectInk> ink = DirectInk::of(painter)) {
        ink->rows(runs, rect.top(), barHeight);
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
    std::optional<DirectInk> ink = DirectInk::of(painter);
    for (int row = 0; row < symbol.rows; ++row) {
        for (int column = 0; column < symbol.columns; ++column) {
            if (!symbol.isDark(row, column)) {
                continue;
            }
            const QRect dot(left + column * module, top + row * module, module, module);
            if (ink) {
                ink->rect(dot);
            } else {
                painter.fillRect(dot, Qt::black);
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
