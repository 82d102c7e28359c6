#pragma once

#include "BarcodeSymbol.h"
#include "FontTable.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>
#include <variant>
#include <vector>

// What one label holds, in the caller's dots (the library's resolution), collected until the label ends so
// the rotation in force at that moment decides how it lies on the sticker.
struct TextElement {
    QPoint at; // top left of the first line
    PrinterFont font;
    QString text;
};

struct BarcodeElement {
    QRect rect;
    BarcodeSymbol symbol;
    std::optional<PrinterFont> readableFont; // text under Code 128 bars
};

struct PictureElement {
    QRect rect;
    QImage image;
};

using LabelElement = std::variant<TextElement, BarcodeElement, PictureElement>;

struct LabelContent {
    QSize labelSize; // as the label runs through the printer
    int dpi = 0;
    int rotation = 0; // 0: read as printed; 1: read turned, x runs down the sticker and y across
    std::vector<LabelElement> elements;
    QByteArray name; // by which it can be found on its printer again; empty: none given
};
