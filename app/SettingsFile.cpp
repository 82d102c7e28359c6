#include "SettingsFile.h"

#include "AppError.h"
#include "Windows1252.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Lines this long were never part of the format; the old reader stopped on them.
constexpr qsizetype MaxLineLength = 32766;

// In the order in which a key is compared.
const std::array<std::pair<QLatin1StringView, QString AppSettings::*>, 19> Keys{{
    {QLatin1StringView("SERVER"), &AppSettings::Server},
    {QLatin1StringView("DATABASE"), &AppSettings::Database},
    {QLatin1StringView("SQLSVR"), &AppSettings::SqlSvr},
    {QLatin1StringView("IMPORTPATH"), &AppSettings::ImportPath},
    {QLatin1StringView("BARCODEPRINTER"), &AppSettings::BarcodePrinter},
    {QLatin1StringView("BARCODEPRINTER1"), &AppSettings::BarcodePrinter1},
    {QLatin1StringView("BARCODEPRINTER2"), &AppSettings::BarcodePrinter2},
    {QLatin1StringView("BARCODEPRINTER3"), &AppSettings::BarcodePrinter3},
    {QLatin1StringView("LOGOFILENAME1"), &AppSettings::LogoFileName1},
    {QLatin1StringView("LOGOFILENAME2"), &AppSettings::LogoFileName2},
    {QLatin1StringView("TESTCENTERHP1"), &AppSettings::TestCenterHp1},
    {QLatin1StringView("TESTCENTERHP2"), &AppSettings::TestCenterHp2},
    {QLatin1StringView("TESTCENTEREMAIL1"), &AppSettings::TestCenterEmail1},
    {QLatin1StringView("TESTCENTERTEL1"), &AppSettings::TestCenterTel1},
    {QLatin1StringView("TESTCENTEREMAIL2"), &AppSettings::TestCenterEmail2},
    {QLatin1StringView("TESTCENTERTEL2"), &AppSettings::TestCenterTel2},
    {QLatin1StringView("DOWNLOAD1"), &AppSettings::Download1},
    {QLatin1StringView("DOWNLOAD2"), &AppSettings::Download2},
    {QLatin1StringView("ODBCDRIVER"), &AppSettings::OdbcDriver},
}};

// The file's name in a message; the whole path where it is known.
QString settingsFileName(const AppSettings& settings) {
    return settings.SettingsFilePath.isEmpty() ? QStringLiteral("VO_Vudu.ini") : settings.SettingsFilePath;
}

// Editors on Windows save "Unicode" as UTF-16, whose every other byte is NUL: no key would match,
// and the desk would start on a new embedded database although the file names a server.
QString wideEncoding(QByteArrayView head) {
    const auto starts = [head](QByteArrayView mark) { return head.startsWith(mark); };
    if (starts(QByteArrayView("\xFF\xFE\0\0", 4)) || starts(QByteArrayView("\0\0\xFE\xFF", 4)))
        return QStringLiteral("UTF-32");
    if (starts("\xFF\xFE") || starts("\xFE\xFF"))
        return QStringLiteral("UTF-16");
    const QByteArrayView first = head.first(std::min<qsizetype>(head.size(), 4));
    const qsizetype nuls = first.count('\0');
    // Characters between the NULs: a file of NULs alone is no text in any encoding.
    if (nuls == 0 || nuls == first.size())
        return {};
    return nuls >= 3 ? QStringLiteral("UTF-32") : QStringLiteral("UTF-16");
}

// The bytes of one line at a time, split at CR LF, LF or a lone CR. A line is refused as soon as it
// grows past the limit, so memory stays bounded whatever the file's size.
class LineReader {
public:
    explicit LineReader(AppSettings& settings) : mSettings(settings) {}

    void feed(QByteArrayView bytes) {
        if (mFirst) {
            mFirst = false;
            checkEncoding(bytes);
            // A UTF-8 mark says how the rest is written too.
            if (bytes.startsWith("\xEF\xBB\xBF")) {
                mUtf8 = true;
                bytes = bytes.sliced(3);
            }
        }
        qsizetype start = 0;
        while (start < bytes.size()) {
            if (mAfterCr && bytes[start] == '\n') {
                mAfterCr = false;
                ++start;
                continue;
            }
            mAfterCr = false;
            qsizetype end = start;
            while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
                ++end;
            append(bytes.sliced(start, end - start));
            if (end == bytes.size())
                return;
            endLine();
            mAfterCr = bytes[end] == '\r';
            start = end + 1;
        }
    }

    // A last line without a line break is a line too.
    void finish() {
        if (mInLine)
            endLine();
    }

private:
    void checkEncoding(QByteArrayView head) const {
        const QString encoding = wideEncoding(head);
        if (!encoding.isEmpty())
            throw AppError(QStringLiteral("The settings file %1 is saved as %2, which the tool cannot read. "
                                          "Save it as Windows-1252 (ANSI) or plain ASCII text; nothing "
                                          "was started.")
                               .arg(settingsFileName(mSettings), encoding));
    }

    void append(QByteArrayView part) {
        mInLine = true;
        if (mLine.size() + part.size() > MaxLineLength)
            throw AppError(QStringLiteral("Line %1 of the settings file is longer than %2 characters")
                               .arg(mLineNumber + 1)
                               .arg(MaxLineLength));
        mLine.append(part);
    }

    void endLine() {
        ++mLineNumber;
        ApplySettingsLine(mSettings, mUtf8 ? QString::fromUtf8(mLine) : FromWindows1252(mLine), mLineNumber);
        mLine.clear();
        mInLine = false;
    }

    AppSettings& mSettings;
    QByteArray mLine;
    qsizetype mLineNumber = 0;
    bool mInLine = false;  // bytes of a line have been seen since the last line break
    bool mAfterCr = false; // the last break was a CR: an LF right after it belongs to it
    bool mFirst = true;    // the file's first bytes are still to come: they tell its encoding
    bool mUtf8 = false;    // the file began with a UTF-8 byte order mark
};

// Closes the file however reading ends.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : mFd(fd) {}
    ~FileDescriptor() {
        if (mFd >= 0)
            ::close(mFd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return mFd; }

private:
    int mFd;
};

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Opening never blocks (a FIFO would wait for a writer for ever); only a plain file is read.
int openPlainFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw AppError(QStringLiteral("The settings file %1 is not a plain file").arg(path));
    }
    return fd;
}

} // namespace

QString EnsureTrailingBackslash(const QString& text) {
    return text.endsWith(QLatin1Char('\\')) ? text : text + QLatin1Char('\\');
}

void ApplySettingsLine(AppSettings& settings, const QString& line, qsizetype lineNumber) {
    if (line.isEmpty() || line.front() == QLatin1Char(';') || line.front() == QLatin1Char('['))
        return;

    // The first "=" ends the key; every later "=" is dropped from the value. Nothing is trimmed.
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    const QString key = (equals < 0 ? line : line.left(equals)).toUpper();
    QString value = equals < 0 ? QString() : line.mid(equals + 1);
    value.remove(QLatin1Char('='));

    for (const auto& [name, field] : Keys) {
        if (key == name) {
            // The printer libraries, SQLite and ODBC take zero-terminated texts: a NUL would cut the
            // value there and another text would be used than the one written.
            if (value.contains(QChar(0)))
                throw AppError(
                    QStringLiteral("Line %1 of the settings file holds a NUL byte in the value of %2")
                        .arg(lineNumber)
                        .arg(name));
            settings.*field = field == &AppSettings::ImportPath ? EnsureTrailingBackslash(value) : value;
            return;
        }
    }
}

void ReadSettingsText(AppSettings& settings, QByteArrayView bytes) {
    LineReader reader(settings);
    reader.feed(bytes);
    reader.finish();
}

void ReadSettings(AppSettings& settings) {
    const QString& path = settings.SettingsFilePath;
    int fd = openPlainFile(path);
    if (fd < 0 && errno == ENOENT) {
        // A missing file is created empty, so the operator finds where the settings belong.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            throw AppError(file.errorString());
        file.close();
        fd = openPlainFile(path);
    }
    if (fd < 0)
        throw AppError(systemError());
    const FileDescriptor file(fd);

    LineReader reader(settings);
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk.data(), static_cast<size_t>(chunk.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw AppError(systemError());
        if (got == 0)
            break;
        reader.feed(QByteArrayView(chunk.constData(), got));
    }
    reader.finish();
}
