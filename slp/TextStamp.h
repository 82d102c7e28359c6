#pragma once

#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

// Draws black text as QPainter::drawText(box, flags, text) does, the same dots once the sticker is
// one bit per dot. Where it can write the ink directly (DirectInk) it stamps it from a cache of texts
// already drawn: a sticker's fixed texts are laid out and drawn by Qt once, not for every sticker, which
// took a third of a sticker's time. Elsewhere it draws through the painter.
void drawBlackText(QPainter& painter, const QFont& font, const QRect& box, int flags, const QString& text);
