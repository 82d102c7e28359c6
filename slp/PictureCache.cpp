#include "PictureCache.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QImage PictureCache::load(const QString& path) {
    // Only a plain file is a picture: a FIFO named as a logo would block the sticker for ever and a
    // device would never end. Anything else counts as a missing logo. Opening never blocks.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {};
    }
    const QDateTime changed =
        QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000);
    const auto known = mEntries.constFind(path);
    if (known != mEntries.constEnd() && known->changed == changed) {
        ::close(fd);
        return known->image;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    // The suffix as a first guess, as QImage(path) does; the content decides when it is wrong.
    QImageReader reader(&file, QFileInfo(path).suffix().toLatin1());
    const QImage image = reader.read();
    if (!image.isNull())
        mEntries.insert(path, {changed, image});
    return image;
}
