#include "PictureCache.h"

#include <QFileInfo>

QImage PictureCache::load(const QString& path) {
    const QDateTime changed = QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
    const auto known = mEntries.constFind(path);
    if (known != mEntries.constEnd() && known->changed == changed)
        return known->image;
    QImage image(path);
    if (!image.isNull())
        mEntries.insert(path, {changed, image});
    return image;
}
