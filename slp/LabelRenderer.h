#pragma once

#include "LabelContent.h"

#include <QImage>
#include <QPainter>
#include <QRect>

// The one renderer of a label, for the file printer, CUPS queues and the README's pictures: onto
// any painter whose units are the device's dots, with the sticker upright as it is read. The
// caller's dots (content.dpi) are carried over to the device's resolution: positions and
// rectangles scaled and rounded, fonts sized in points at the device's resolution, barcode
// modules in whole device dots.
QSize stickerSize(const LabelContent& content, int deviceDpi);
void paintLabel(QPainter& painter, const LabelContent& content, int deviceDpi);

// The sticker as it is read, white ground, in grey, carrying the device's resolution.
QImage renderLabel(const LabelContent& content, int deviceDpi);

// One bit per dot, as the print head has it: 1 is ink.
QImage toOneBit(const QImage& grey);

// toOneBit(renderLabel(content, deviceDpi)), drawn straight in one bit per dot where nothing on
// the sticker needs grey first.
QImage renderOneBitLabel(const LabelContent& content, int deviceDpi);

// Where a caller's rectangle lies on the sticker as read.
QRect toSticker(const QRect& rect, int rotation);
