#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <vector>

// One job as a CUPS driver handed it to the printer, turned back into the labels it prints: a
// small reader per format of CUPS's label drivers (ZPL, EPL2, EPL1, CPCL, the small-label and
// PCL label drivers), PWG or Apple raster (read by libcups) for a driverless printer, PostScript/PDF through
// Ghostscript at dpi. Empty with *error set when the job cannot be read.
std::vector<QImage> capturedPages(const QByteArray& job, int dpi, QString* error);

// The labels of a ZPL job as rastertolabel writes them: one downloaded graphic (~DG, hex rows
// with ZPL's run-length compression) per label, cut to the label's print width (^PW). Dots set
// in the graphic are black.
std::vector<QImage> zplLabels(const QByteArray& zpl, QString* error);

// PostScript or PDF rendered by Ghostscript at dpi, one picture per page.
std::vector<QImage> ghostscriptPages(const QByteArray& job, int dpi, QString* error);
