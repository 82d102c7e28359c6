#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// A one-bit sticker (QImage::Format_Mono, 1 is ink) as a PNG file's bytes: two colours, white and
// black, and the image's resolution. Empty, with whyNot set, when it is no one-bit image.
QByteArray oneBitPng(const QImage& bits, QString& whyNot);
