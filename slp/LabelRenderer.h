#pragma once

#include "LabelContent.h"

#include <QImage>
#include <QPainter>
#include <QRect>

// The one renderer of a label: onto any painter whose units are the printer's dots, with the
// sticker upright as it is read.
QSize stickerSize(const LabelContent& content);
void paintLabel(QPainter& painter, const LabelContent& content);

// The sticker as it is read, white ground, carrying the printer's resolution.
QImage renderLabel(const LabelContent& content);

// Where a caller's rectangle lies on the sticker as read.
QRect toSticker(const QRect& rect, int rotation);
