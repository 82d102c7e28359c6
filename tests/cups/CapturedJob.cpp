#include "CapturedJob.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Expands the compressed hex of one graphic into rows of rowBytes bytes. ZPL's compression: G..Y
// repeat the next hex digit 1..19 times, g..z 20..400 times (added up); ',' ends a row with
// zeros, '!' with ones, ':' repeats the row before.
bool expandGraphic(const QByteArray& data, int rowBytes, int rows, QImage* image, QString* error) {
    const int digitsPerRow = rowBytes * 2;
    std::vector<uchar> row(digitsPerRow, 0), previous(digitsPerRow, 0);
    int digits = 0, count = 0, y = 0;
    const auto endRow = [&] {
        if (y >= rows)
            return false;
        uchar* line = image->scanLine(y++);
        for (int i = 0; i < rowBytes; ++i)
            line[i] = uchar(row[2 * i] << 4 | row[2 * i + 1]);
        previous = row;
        std::fill(row.begin(), row.end(), 0);
        digits = 0;
        return true;
    };
    for (const char c : data) {
        if (c == '\r' || c == '\n' || c == ' ')
            continue;
        bool rowDone = false;
        if (c >= 'G' && c <= 'Y') {
            count += c - 'F';
        } else if (c >= 'g' && c <= 'z') {
            count += (c - 'f') * 20;
        } else if (hexValue(c) >= 0) {
            const int repeat = count ? count : 1;
            if (digits + repeat > digitsPerRow) {
                *error = QStringLiteral("a run passes the end of row %1").arg(y);
                return false;
            }
            std::fill_n(row.begin() + digits, repeat, uchar(hexValue(c)));
            digits += repeat;
            count = 0;
            rowDone = digits == digitsPerRow;
        } else if (c == ',' || c == '!') {
            std::fill(row.begin() + digits, row.end(), uchar(c == '!' ? 0xF : 0));
            rowDone = true;
        } else if (c == ':' && digits == 0) {
            row = previous;
            rowDone = true;
        } else {
            *error = QStringLiteral("unexpected '%1' in row %2").arg(QChar::fromLatin1(c)).arg(y);
            return false;
        }
        if (rowDone && !endRow()) {
            *error = QStringLiteral("more than the %1 rows announced").arg(rows);
            return false;
        }
    }
    if (digits != 0 || y != rows) {
        *error = QStringLiteral("%1 of %2 rows").arg(y).arg(rows);
        return false;
    }
    return true;
}

} // namespace

std::vector<QImage> zplLabels(const QByteArray& zpl, QString* error) {
    // ~DG<name>,<total bytes>,<bytes per row>,<data up to the next command>
    static const QRegularExpression download(QStringLiteral("~DG[^,]*,(\\d+),(\\d+),([^~^]*)"));
    static const QRegularExpression printWidth(QStringLiteral("\\^PW(\\d+)"));
    const QString text = QString::fromLatin1(zpl);
    std::vector<QImage> labels;
    for (auto it = download.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch graphic = it.next();
        const int total = graphic.captured(1).toInt();
        const int rowBytes = graphic.captured(2).toInt();
        if (rowBytes <= 0 || total <= 0 || total % rowBytes != 0) {
            *error = QStringLiteral("graphic of %1 bytes in rows of %2").arg(total).arg(rowBytes);
            return {};
        }
        QImage bits(rowBytes * 8, total / rowBytes, QImage::Format_Mono); // first dot in the high bit
        bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        if (!expandGraphic(graphic.captured(3).toLatin1(), rowBytes, total / rowBytes, &bits, error))
            return {};
        // The label printed with this graphic is as wide as the ^PW that follows it.
        const QRegularExpressionMatch width = printWidth.match(text, graphic.capturedEnd());
        const int dots = width.hasMatch() ? width.captured(1).toInt() : bits.width();
        labels.push_back(bits.copy(0, 0, std::min(dots, bits.width()), bits.height())
                             .convertToFormat(QImage::Format_Grayscale8));
    }
    if (labels.empty())
        *error = QStringLiteral("no graphic in %1 bytes of ZPL").arg(zpl.size());
    return labels;
}

std::vector<QImage> capturedPages(const QByteArray& job, int dpi, QString* error) {
    if (!job.startsWith("%!") && !job.startsWith("%PDF"))
        return zplLabels(job, error);

    QTemporaryDir folder;
    QFile input(folder.filePath(QStringLiteral("job")));
    if (!folder.isValid() || !input.open(QIODevice::WriteOnly) || input.write(job) != job.size()) {
        *error = QStringLiteral("cannot hand the job to Ghostscript");
        return {};
    }
    input.close();
    QProcess gs;
    gs.start(QStringLiteral("gs"),
             {QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
              QStringLiteral("-dNOPAUSE"), QStringLiteral("-sDEVICE=pnggray"),
              QStringLiteral("-r%1").arg(dpi),
              QStringLiteral("-sOutputFile=") + folder.filePath(QStringLiteral("page-%03d.png")),
              input.fileName()});
    if (!gs.waitForFinished(60000) || gs.exitStatus() != QProcess::NormalExit || gs.exitCode() != 0) {
        gs.kill();
        *error = QStringLiteral("Ghostscript failed: ") + QString::fromLocal8Bit(gs.readAllStandardError());
        return {};
    }
    std::vector<QImage> pages;
    const QDir out(folder.path());
    for (const QString& name : out.entryList({QStringLiteral("page-*.png")}, QDir::Files, QDir::Name))
        pages.emplace_back(out.filePath(name));
    if (pages.empty())
        *error = QStringLiteral("Ghostscript made no page");
    return pages;
}
