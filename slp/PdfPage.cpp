#include "PdfPage.h"

#include <QList>
#include <cmath>

namespace {

QByteArray points(int dots, int dpi) {
    return pagePoints(dots, dpi);
}

// The dots row by row, whole bytes per row, 1 for ink.
QByteArray packedRows(const QImage& oneBit) {
    const int rowBytes = (oneBit.width() + 7) / 8;
    QByteArray rows;
    rows.reserve(qsizetype(rowBytes) * oneBit.height());
    for (int y = 0; y < oneBit.height(); ++y) {
        rows.append(reinterpret_cast<const char*>(oneBit.constScanLine(y)), rowBytes);
    }
    return rows;
}

} // namespace

QByteArray pagePoints(int dots, int dpi) {
    return QByteArray::number(std::ceil(dots * 72.0 / dpi * 1e5) / 1e5, 'f', 5);
}

QByteArray onePagePdf(const QImage& oneBit, const QSize& pageDots, int dpi, const QPoint& at) {
    // QImage's mono format keeps whichever colour table it was given; the bits here must mean ink.
    QImage bits = oneBit.convertToFormat(QImage::Format_Mono);
    if (bits.colorTable().size() == 2 && qGray(bits.colorTable().at(1)) > qGray(bits.colorTable().at(0))) {
        bits.invertPixels();
        bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    }
    // qCompress puts the length in front of a zlib stream; FlateDecode wants the stream alone.
    const QByteArray compressed = qCompress(packedRows(bits), 6).mid(4);

    const QByteArray width = points(pageDots.width(), dpi);
    const QByteArray height = points(pageDots.height(), dpi);
    const QByteArray content = "q " + points(bits.width(), dpi) + " 0 0 " + points(bits.height(), dpi) + " " +
                               points(at.x(), dpi) + " " +
                               points(pageDots.height() - at.y() - bits.height(), dpi) + " cm /Label Do Q\n";

    QList<QByteArray> objects;
    objects << "<< /Type /Catalog /Pages 2 0 R >>";
    objects << "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
    objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + width + " " + height +
                   "] /Resources << /XObject << /Label 5 0 R >> >> /Contents 4 0 R >>";
    objects << "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream";
    // 1 is ink: Decode [1 0] turns the sample 1 into black.
    objects << "<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(bits.width()) + " /Height " +
                   QByteArray::number(bits.height()) +
                   " /ColorSpace /DeviceGray /BitsPerComponent 1 /Decode [1 0] /Interpolate false"
                   " /Filter /FlateDecode /Length " +
                   QByteArray::number(compressed.size()) + " >>\nstream\n" + compressed + "\nendstream";

    QByteArray pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets) {
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}
