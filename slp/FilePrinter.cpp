#include "FilePrinter.h"

#include "LabelRenderer.h"

#include <QDir>
#include <QImageWriter>
#include <QRegularExpression>
#include <QSaveFile>

FilePrinter::FilePrinter(QString folder) : mFolder(std::move(folder)) {}

QString FilePrinter::nextFileName() const {
    static const QRegularExpression numbered(QStringLiteral("^(\\d{6,9})\\.png$"));
    qint64 highest = 0;
    const QStringList names = QDir(mFolder).entryList({QStringLiteral("*.png")}, QDir::Files);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = numbered.match(name);
        if (match.hasMatch()) {
            highest = std::max(highest, match.captured(1).toLongLong());
        }
    }
    return QStringLiteral("%1.png").arg(highest + 1, 6, 10, QLatin1Char('0'));
}

bool FilePrinter::printLabel(const LabelContent& content) {
    const QImage sticker = renderLabel(content);
    // Written aside and renamed when complete, so a reader never sees half a sticker and a
    // failed write never replaces an earlier one.
    QSaveFile file(QDir(mFolder).filePath(nextFileName()));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(sticker)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
