#pragma once

#include "BarcodeSymbol.h"

#include <QFont>
#include <QPainter>
#include <QRect>
#include <optional>

// Draws a symbol inside rect from its top left corner at the largest whole number of dots per
// module that fits, quiet zones included; Code 128 leaves room for its text under the bars.
// Code 128 modules stay within 0.01 inch (10 mil, the usual label X-dimension): wider bars would
// only lengthen the symbol into the texts the layouts place right of some barcode rectangles.
// barModule, when not 0, sets the Code 128 module in dots instead.
void paintBarcode(QPainter& painter, const QRect& rect, const BarcodeSymbol& symbol,
                  const std::optional<QFont>& readableFont, int dpi, int barModule = 0);

// The Code 128 module paintBarcode chooses for rect: at most 0.01 inch, at least one dot.
int barModuleDots(const QRect& rect, const BarcodeSymbol& symbol, int dpi);
