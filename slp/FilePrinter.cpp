#include "FilePrinter.h"

#include "LabelRenderer.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImageWriter>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

// The highest number each folder held when its contents last changed. A folder whose time of
// change is still the one noted needs no new listing, which grows slow as stickers pile up.
struct KnownFolder {
    QDateTime changed;
    qint64 highest = 0;
};
QHash<QString, KnownFolder>& knownFolders() {
    static QHash<QString, KnownFolder> folders;
    return folders;
}

QDateTime changeTime(const QString& folder) {
    return QFileInfo(folder).fileTime(QFileDevice::FileModificationTime);
}

qint64 highestNumber(const QString& folder) {
    static const QRegularExpression numbered(QStringLiteral("^(\\d{6,9})\\.png$"));
    qint64 highest = 0;
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = numbered.match(name);
        if (match.hasMatch()) {
            highest = std::max(highest, match.captured(1).toLongLong());
        }
    }
    return highest;
}

// One bit per dot, as the print head has it. A plain threshold per scan line: Qt's general
// conversion costs more than painting the sticker.
QImage toOneBit(const QImage& grey) {
    QImage bits(grey.size(), QImage::Format_Mono);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    bits.fill(0);
    bits.setDotsPerMeterX(grey.dotsPerMeterX());
    bits.setDotsPerMeterY(grey.dotsPerMeterY());
    const int width = grey.width();
    const int height = grey.height();
    for (int y = 0; y < height; ++y) {
        const uchar* in = grey.constScanLine(y);
        uchar* out = bits.scanLine(y);
        for (int x = 0; x < width; ++x) {
            if (in[x] < 128) {
                out[x >> 3] |= uchar(0x80 >> (x & 7));
            }
        }
    }
    return bits;
}

QString fileName(qint64 number) {
    return QStringLiteral("%1.png").arg(number, 6, 10, QLatin1Char('0'));
}

} // namespace

FilePrinter::FilePrinter(QString folder) : mFolder(std::move(folder)) {}

QString FilePrinter::nextFileName() const {
    const auto known = knownFolders().constFind(mFolder);
    if (known != knownFolders().constEnd() && known->changed == changeTime(mFolder)) {
        const QString next = fileName(known->highest + 1);
        // A coarse clock may hide a change; an existing sticker is never written over.
        if (!QFileInfo::exists(QDir(mFolder).filePath(next))) {
            return next;
        }
    }
    return fileName(highestNumber(mFolder) + 1);
}

bool FilePrinter::printLabel(const LabelContent& content) {
    const QImage sticker = toOneBit(renderLabel(content));
    // Written aside and renamed when complete, so a reader never sees half a sticker and a
    // failed write never replaces an earlier one.
    QSaveFile file(QDir(mFolder).filePath(nextFileName()));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QImageWriter writer(&file, "png");
    // For PNG, Qt turns quality 80 into zlib level 1: stickers are mostly white, so the fastest
    // level already packs them small, and the default level cost a third of a sticker's time.
    writer.setQuality(80);
    if (!writer.write(sticker)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        return false;
    }
    knownFolders().insert(mFolder, {changeTime(mFolder), QFileInfo(file.fileName()).baseName().toLongLong()});
    return true;
}
