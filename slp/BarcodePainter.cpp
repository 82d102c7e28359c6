#include "BarcodePainter.h"

#include <QFontMetrics>
#include <algorithm>

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
    for (int column = 0; column < symbol.columns;) {
        if (!symbol.isDark(0, column)) {
            ++column;
            continue;
        }
        int end = column;
        while (end < symbol.columns && symbol.isDark(0, end)) {
            ++end;
        }
        painter.fillRect(firstBar + column * module, rect.top(), (end - column) * module, barHeight,
                         Qt::black);
        column = end;
    }

    if (readableFont) {
        painter.setFont(*readableFont);
        painter.setPen(Qt::black);
        const QRect textRect(rect.left(), rect.top() + barHeight + gap, span * module, textHeight);
        painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, symbol.text);
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
