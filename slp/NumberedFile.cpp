#include "NumberedFile.h"

#include <QDir>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <unistd.h>

namespace {

// Far more than several desks sharing a folder ever take from one another in one moment.
constexpr int MaxTakenNames = 100000;

QString errorText(int error) {
    const char* text = strerrordesc_np(error);
    return text ? QString::fromLatin1(text) : QStringLiteral("error %1").arg(error);
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : mFd(fd) {}
    ~Descriptor() {
        if (mFd >= 0) {
            ::close(mFd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return mFd; }
    // Closes now, so the caller learns whether the last of the data made it.
    int close() {
        const int result = ::close(mFd);
        mFd = -1;
        return result;
    }

private:
    int mFd;
};

int writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    size_t left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (written == 0) {
            return EIO;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    return 0;
}

// A hidden name that no sticker scan counts; made unique by this process and chance.
int openTemporary(int dir, QByteArray& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = ".sticker-" + QByteArray::number(getpid()) + "-" +
               QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
        const int fd = openat(dir, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Gives the temporary file the name unless a file has it: 0, EEXIST or another error.
int claim(int dir, const char* temporary, const char* name) {
    if (renameat2(dir, temporary, dir, name, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    // File systems that cannot rename without replacing still make hard links that never replace.
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return errno;
    }
    if (linkat(dir, temporary, dir, name, 0) != 0) {
        return errno;
    }
    unlinkat(dir, temporary, 0);
    return 0;
}

} // namespace

qint64 numberAfter(qint64 highest) {
    return highest < std::numeric_limits<qint64>::max() ? std::max<qint64>(highest, 0) + 1 : 0;
}

QString numberedFileName(qint64 number) {
    return QStringLiteral("%1.png").arg(number, 6, 10, QLatin1Char('0'));
}

std::optional<qint64> writeNumberedFile(const QString& folder, qint64 first, const QByteArray& bytes,
                                        SlpFailure& whyNot) {
    qint64 number = first;
    const auto fail = [&](int error) {
        whyNot.set(error == ENOSPC || error == EDQUOT ? SLP_ERROR_FOLDER_FULL : SLP_ERROR_WRITE_FAILED,
                   QStringLiteral("writing %1 failed: %2")
                       .arg(QDir(folder).filePath(numberedFileName(number)), errorText(error)));
        return std::nullopt;
    };
    if (first < 1) {
        whyNot.set(SLP_ERROR_FOLDER_FULL,
                   QStringLiteral("no sticker number is left in %1 after %2: move its stickers elsewhere")
                       .arg(folder, numberedFileName(std::numeric_limits<qint64>::max())));
        return std::nullopt;
    }
    const Descriptor dir(open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) {
        return fail(errno);
    }
    QByteArray temporary;
    Descriptor file(openTemporary(dir.get(), temporary));
    if (file.get() < 0) {
        return fail(errno);
    }
    int error = writeAll(file.get(), bytes);
    if (error == 0 && fsync(file.get()) != 0) {
        error = errno;
    }
    if (file.close() != 0 && error == 0) {
        error = errno;
    }
    for (int taken = 0; error == 0;) {
        error =
            claim(dir.get(), temporary.constData(), QFile::encodeName(numberedFileName(number)).constData());
        if (error == 0) {
            return number;
        }
        if (error == EEXIST && ++taken < MaxTakenNames && number < std::numeric_limits<qint64>::max()) {
            error = 0;
            ++number;
        }
    }
    unlinkat(dir.get(), temporary.constData(), 0);
    return fail(error);
}
