#pragma once

#include <QImage>
#include <QPainter>

// The grey image the painter draws on, when it draws dot for dot where it is told (no transform,
// no clip, plain source-over), so that writing its bytes directly gives what the painter would;
// null for any other device. Qt goes through its general path on grey images, which cost a sixth
// of a sticker for the bars alone.
QImage* plainGreyImage(QPainter& painter);

// Each of count dots the darker of itself and the pattern's: ink drawn over what is there.
void darkenDots(uchar* dots, const uchar* pattern, int count);
