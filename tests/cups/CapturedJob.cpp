#include "CapturedJob.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstring>
#include <cups/raster.h>

namespace {

int hexValue(char c) {
    const int at = QByteArrayView("0123456789ABCDEFabcdef").indexOf(c);
    return at < 16 ? at : at - 6;
}

char byteAt(const QByteArray& bytes, qsizetype at) {
    return at < bytes.size() ? bytes[at] : '\0';
}

// Rows of one-bit dots (1 is ink, first dot in the top bit) as a grey picture.
QImage rowsImage(const std::vector<QByteArray>& rows, int rowBytes, bool zeroIsInk = false) {
    QImage bits(rowBytes * 8, int(rows.size()), QImage::Format_Mono);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < bits.height(); ++y)
        for (int i = 0; i < rowBytes; ++i)
            bits.scanLine(y)[i] = uchar(byteAt(rows[y], i) ^ (zeroIsInk ? 0xFF : 0));
    return bits.convertToFormat(QImage::Format_Grayscale8);
}

// Expands the compressed hex of one graphic into rows of rowBytes bytes. ZPL's compression: G..Y
// repeat the next hex digit 1..19 times, g..z 20..400 times (added up); ',' ends a row with
// zeros, '!' with ones, ':' repeats the row before.
bool expandGraphic(const QByteArray& data, int rowBytes, int rows, std::vector<QByteArray>* image,
                   QString* error) {
    const int digitsPerRow = rowBytes * 2;
    std::vector<uchar> row(digitsPerRow, 0), previous(digitsPerRow, 0);
    int digits = 0, count = 0, y = 0;
    const auto endRow = [&] {
        if (y++ >= rows)
            return false;
        QByteArray& line = image->emplace_back(rowBytes, '\0');
        for (int i = 0; i < rowBytes; ++i)
            line[i] = char(row[2 * i] << 4 | row[2 * i + 1]);
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
        std::vector<QByteArray> rows;
        if (!expandGraphic(graphic.captured(3).toLatin1(), rowBytes, total / rowBytes, &rows, error))
            return {};
        const QImage bits = rowsImage(rows, rowBytes);
        // The label printed with this graphic is as wide as the ^PW that follows it.
        const QRegularExpressionMatch width = printWidth.match(text, graphic.capturedEnd());
        const int dots = width.hasMatch() ? width.captured(1).toInt() : bits.width();
        labels.push_back(bits.copy(0, 0, std::min(dots, bits.width()), bits.height()));
    }
    // Copies asked of the printer print the label again.
    static const QRegularExpression copies(QStringLiteral("\\^PQ(\\d+)"));
    for (auto it = copies.globalMatch(text); it.hasNext();)
        labels.resize(labels.size() + it.next().captured(1).toInt() - 1,
                      labels.empty() ? QImage() : labels.back());
    if (labels.empty())
        *error = QStringLiteral("no graphic in %1 bytes of ZPL").arg(zpl.size());
    return labels;
}

namespace {

// CPCL: "! 0 <dpi> <dpi> <height> <copies>", then "CG <bytes> 1 0 <y> <bytes of dots>" per line
// with ink, and PRINT ends the label.
std::vector<QImage> cpclLabels(const QByteArray& job, QString* error) {
    std::vector<QImage> labels;
    static const QRegularExpression start(QStringLiteral("! 0 \\d+ \\d+ (\\d+) (\\d+)\r\n"));
    static const QRegularExpression line(QStringLiteral("CG (\\d+) 1 0 (\\d+) "));
    const QString text = QString::fromLatin1(job);
    for (auto it = start.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch label = it.next();
        if (label.captured(2) != QLatin1String("1")) {
            *error = QStringLiteral("CPCL label asks for %1 copies").arg(label.captured(2));
            return {};
        }
        const qsizetype end = text.indexOf(QLatin1String("PRINT\r"), label.capturedEnd());
        std::vector<QByteArray> rows(label.captured(1).toInt());
        int rowBytes = 1;
        for (auto lines = line.globalMatch(text.left(end), label.capturedEnd()); lines.hasNext();) {
            const QRegularExpressionMatch row = lines.next();
            rowBytes = row.captured(1).toInt();
            if (size_t(row.captured(2).toInt()) < rows.size())
                rows[row.captured(2).toInt()] = job.mid(row.capturedEnd(), rowBytes);
        }
        labels.push_back(rowsImage(rows, rowBytes));
    }
    return labels;
}

// EPL2 page mode: "N" starts a label, "GW0,<y>,<bytes>,1" and the inverted dots draw a line, "P1"
// prints it. EPL1 line mode: ESC B starts a label, ESC g<bytes> sends each line, ESC E ends it.
std::vector<QImage> eplLabels(const QByteArray& job, bool lineMode, QString* error) {
    std::vector<QImage> labels;
    std::vector<QByteArray> rows;
    int rowBytes = 1;
    for (qsizetype at = 0; at < job.size();) {
        if (lineMode && job.mid(at, 2) == "\033g") {
            rowBytes = job.mid(at + 2, 3).toInt();
            rows.push_back(job.mid(at + 5, rowBytes));
            at += 5 + rowBytes;
        } else if (!lineMode && job.mid(at, 4) == "GW0,") {
            const qsizetype eol = job.indexOf('\n', at);
            const QList<QByteArray> fields = job.mid(at + 4, eol - at - 4).split(',');
            const int y = fields.value(0).toInt();
            rowBytes = fields.value(1).toInt();
            if (rows.size() <= size_t(y))
                rows.resize(y + 1, QByteArray(rowBytes, '\xff'));
            rows[y] = job.mid(eol + 1, rowBytes);
            at = eol + 1 + rowBytes;
        } else if (lineMode ? job.mid(at, 2) == "\033E" : job.mid(at, 3) == "P1\n") {
            labels.push_back(rowsImage(rows, rowBytes, !lineMode));
            rows.clear();
            at += 2;
        } else if (!lineMode && job.mid(at, 1) == "P") {
            *error = QStringLiteral("EPL label printed as %1").arg(QString::fromLatin1(job.mid(at, 4)));
            return {};
        } else {
            ++at;
        }
    }
    return labels;
}

// The small-label driver: ESC L <length, 2 bytes> and ESC D <bytes per line> set the label, SYN and
// the bytes send a line, ESC f 1 <n> skips n blank lines, ESC E ends the label.
std::vector<QImage> smallLabels(const QByteArray& job) {
    std::vector<QImage> labels;
    std::vector<QByteArray> rows;
    int rowBytes = 1;
    size_t length = 0;
    for (qsizetype at = job.indexOf("\033@"); at >= 0 && at < job.size();) {
        const char c = job[at], next = byteAt(job, at + 1);
        if (c == 0x16) {
            rows.push_back(job.mid(at + 1, rowBytes));
            at += 1 + rowBytes;
        } else if (c == '\033' && next == 'L') {
            length = size_t(uchar(job[at + 2])) << 8 | uchar(job[at + 3]);
            at += 4;
        } else if (c == '\033' && next == 'D') {
            rowBytes = uchar(job[at + 2]);
            at += 3;
        } else if (c == '\033' && next == 'f') {
            rows.resize(rows.size() + uchar(job[at + 3]));
            at += 4;
        } else if (c == '\033' && next == 'E') {
            rows.resize(std::max(rows.size(), length));
            labels.push_back(rowsImage(rows, rowBytes));
            rows.clear();
            at += 2;
        } else {
            at += c == '\033' ? 2 : 1;
        }
    }
    return labels;
}

// The PCL label driver: ESC *r<n>S and T give the graphic's size, ESC *b<n>W a line in delta-row
// compression (mode 3) against the line before, ESC *b<n>Y skips blank lines, ESC *rB ends it.
std::vector<QImage> pclLabels(const QByteArray& job, QString* error) {
    std::vector<QImage> labels;
    std::vector<QByteArray> rows;
    QByteArray seed;
    int width = 0, height = 0;
    static const QRegularExpression command(QStringLiteral("\033\\*([rb])(\\d*)([A-Za-z])"));
    const QString text = QString::fromLatin1(job);
    // Matched one at a time from the end of the last, so that no line's dots are read as a command.
    for (qsizetype at = text.indexOf(QLatin1String("\033*")); at >= 0;
         at = text.indexOf(QLatin1String("\033*"), at)) {
        const QRegularExpressionMatch m = command.match(text, at, QRegularExpression::NormalMatch,
                                                        QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch()) {
            at += 2;
            continue;
        }
        const int n = m.captured(2).toInt();
        at = m.capturedEnd();
        const QString kind = m.captured(1) + m.captured(3);
        if (kind == QLatin1String("rS")) {
            width = n;
        } else if (kind == QLatin1String("rT")) {
            height = n;
        } else if (kind == QLatin1String("rA")) {
            rows.clear();
            seed = QByteArray((width + 7) / 8, '\0');
        } else if (kind == QLatin1String("bY")) {
            rows.resize(rows.size() + n, QByteArray(seed.size(), '\0'));
            seed.fill('\0');
        } else if (kind == QLatin1String("bW")) {
            const QByteArray data = job.mid(m.capturedEnd(), n);
            for (qsizetype i = 0, x = 0; i < data.size();) {
                const int count = (uchar(data[i]) >> 5) + 1;
                int offset = uchar(data[i++]) & 31;
                if (offset == 31)
                    for (int more = 255; more == 255; offset += more)
                        more = uchar(data[i++]);
                x += offset;
                if (x + count > seed.size()) {
                    *error = QStringLiteral("PCL line %1 runs past its width").arg(rows.size());
                    return {};
                }
                seed.replace(x, count, data.mid(i, count));
                i += count;
                x += count;
            }
            rows.push_back(seed);
            at += n;
        } else if (kind == QLatin1String("rB")) {
            rows.resize(std::max<size_t>(rows.size(), size_t(height)), QByteArray(seed.size(), '\0'));
            labels.push_back(rowsImage(rows, int(seed.size())).copy(0, 0, width, height));
        }
    }
    return labels;
}

// Hands libcups the captured job from memory.
struct RasterSource {
    const QByteArray& job;
    qsizetype at = 0;
};

ssize_t readRaster(void* context, unsigned char* buffer, size_t length) {
    auto* source = static_cast<RasterSource*>(context);
    const auto count = std::min<qsizetype>(qsizetype(length), source->job.size() - source->at);
    std::memcpy(buffer, source->job.constData() + source->at, size_t(count));
    source->at += count;
    return count;
}

// PWG and Apple raster, read by libcups, one picture per page. In black (PWG's 1-bit) set dots
// are ink; in grey and RGB, light.
std::vector<QImage> rasterPages(const QByteArray& job) {
    RasterSource source{job};
    cups_raster_t* raster = cupsRasterOpenIO(readRaster, &source, CUPS_RASTER_READ);
    std::vector<QImage> pages;
    cups_page_header2_t header;
    while (raster != nullptr && cupsRasterReadHeader2(raster, &header)) {
        const int unit = std::max(1u, header.cupsBitsPerPixel / 8);
        const bool black = header.cupsColorSpace == CUPS_CSPACE_K;
        QImage page(int(header.cupsWidth), int(header.cupsHeight), QImage::Format_Grayscale8);
        QByteArray line(header.cupsBytesPerLine, '\0');
        for (int y = 0; y < page.height(); ++y) {
            if (cupsRasterReadPixels(raster, reinterpret_cast<uchar*>(line.data()),
                                     header.cupsBytesPerLine) == 0)
                break;
            for (int x = 0; x < page.width(); ++x) {
                const bool set = header.cupsBitsPerPixel == 1 ? (uchar(line[x / 8]) >> (7 - x % 8) & 1) != 0
                                                              : uchar(line[x * unit]) >= 128;
                page.scanLine(y)[x] = set == black ? 0 : 255;
            }
        }
        pages.push_back(page);
    }
    if (raster != nullptr)
        cupsRasterClose(raster);
    return pages;
}

} // namespace

std::vector<QImage> capturedPages(const QByteArray& job, int dpi, QString* error) {
    std::vector<QImage> labels;
    if (job.startsWith("RaS2") || job.startsWith(QByteArrayLiteral("UNIRAST\0")))
        labels = rasterPages(job);
    else if (job.startsWith("! 0 "))
        labels = cpclLabels(job, error);
    else if (job.startsWith("\nN\n"))
        labels = eplLabels(job, false, error);
    else if (job.contains("\033B") && job.contains("\033g"))
        labels = eplLabels(job, true, error);
    else if (job.startsWith("\033\033\033"))
        labels = smallLabels(job);
    else if (job.startsWith("\033E"))
        labels = pclLabels(job, error);
    else if (!job.startsWith("%!") && !job.startsWith("%PDF"))
        return zplLabels(job, error);
    else
        return ghostscriptPages(job, dpi, error);
    if (labels.empty() && error->isEmpty())
        *error = QStringLiteral("no label in %1 bytes").arg(job.size());
    return labels;
}

std::vector<QImage> ghostscriptPages(const QByteArray& job, int dpi, QString* error) {
    QTemporaryDir folder;
    QFile input(folder.filePath(QStringLiteral("job")));
    if (!folder.isValid() || !input.open(QIODevice::WriteOnly) || input.write(job) != job.size()) {
        *error = QStringLiteral("cannot hand the job to Ghostscript");
        return {};
    }
    input.close();
    QProcess gs;
    gs.start("gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pnggray", QString("-r%1").arg(dpi),
                    "-sOutputFile=" + folder.filePath("page-%03d.png"), input.fileName()});
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
