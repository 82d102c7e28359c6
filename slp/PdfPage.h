#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QSize>

// dots at dpi in points for a page size, a hair over rather than under, so that a driver turning
// them back into dots gets the same number whether it rounds or cuts off.
QByteArray pagePoints(int dots, int dpi);

// A one-page PDF holding a one-bit picture placed dot for dot: the page is pageDots at dpi
// (points need not be whole), the picture's top left corner sits at the dot at, at the same
// resolution, so a driver rendering the page at dpi puts every dot back where it was.
QByteArray onePagePdf(const QImage& oneBit, const QSize& pageDots, int dpi, const QPoint& at = {});
