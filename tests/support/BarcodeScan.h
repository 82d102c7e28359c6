#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

// A barcode zxing-cpp found on a sticker.
struct ScannedBarcode {
    QString format; // "Code128" or "QRCode"
    QString text;
    QRect bounds; // in the sticker's pixels
};

std::vector<ScannedBarcode> scanBarcodes(const QImage& sticker);

// The same read by zbar, a second decoder with its own idea of a bar's width; no bounds.
std::vector<ScannedBarcode> scanBarcodesWithZbar(const QImage& sticker);

// The smallest rectangle holding every pixel darker than light grey; empty for a blank image.
QRect inkBounds(const QImage& image, const QRect& within = {});
