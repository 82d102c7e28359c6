#include "FilePrinter.h"

#include "LabelRenderer.h"
#include "NumberedFile.h"
#include "OneBitPng.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace {

// The highest number each folder held when its contents last changed. A folder whose time of
// change is still the one noted needs no new listing, which grows slow as stickers pile up. Only
// a shortcut: a number someone else took meanwhile is skipped when the file is named.
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
    static const QRegularExpression numbered(QStringLiteral("^(\\d{6,})\\.png$"));
    qint64 highest = 0;
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = numbered.match(name);
        bool ok = false;
        const qint64 number = match.hasMatch() ? match.captured(1).toLongLong(&ok) : 0;
        // A number too long to count on is no sticker of ours.
        if (ok) {
            highest = std::max(highest, number);
        }
    }
    return highest;
}

} // namespace

FilePrinter::FilePrinter(QString folder) : mFolder(std::move(folder)) {}

qint64 FilePrinter::nextNumber() const {
    const auto known = knownFolders().constFind(mFolder);
    if (known != knownFolders().constEnd() && known->changed == changeTime(mFolder)) {
        return numberAfter(known->highest);
    }
    return numberAfter(highestNumber(mFolder));
}

bool FilePrinter::printLabel(const LabelContent& content, SlpFailure& whyNot) {
    QString encodingFailed;
    const QByteArray png = oneBitPng(toOneBit(renderLabel(content, content.dpi)), encodingFailed);
    if (png.isEmpty()) {
        whyNot.set(SLP_ERROR_OTHER,
                   QStringLiteral("encoding the label as PNG failed: %1").arg(encodingFailed));
        return false;
    }
    const std::optional<qint64> number = writeNumberedFile(mFolder, nextNumber(), png, whyNot);
    if (!number) {
        return false;
    }
    knownFolders().insert(mFolder, {changeTime(mFolder), *number});
    return true;
}
