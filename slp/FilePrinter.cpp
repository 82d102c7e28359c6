#include "FilePrinter.h"

#include "LabelRenderer.h"
#include "NumberedFile.h"
#include "OneBitPng.h"
#include "PngLabelName.h"
#include "SlpApi.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QThread>

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

// The number of a sticker's file; 0 for any other file. A number too long to count on is no
// sticker of ours.
qint64 numberOf(const QString& name) {
    static const QRegularExpression numbered(QStringLiteral("^(\\d{6,})\\.png$"));
    const QRegularExpressionMatch match = numbered.match(name);
    bool ok = false;
    const qint64 number = match.hasMatch() ? match.captured(1).toLongLong(&ok) : 0;
    return ok ? number : 0;
}

qint64 highestNumber(const QString& folder) {
    qint64 highest = 0;
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files);
    for (const QString& name : names) {
        highest = std::max(highest, numberOf(name));
    }
    return highest;
}

// Files read between two looks at the window, so that it paints during a long search.
constexpr int FilesBetweenPaints = 200;

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
    QByteArray png = oneBitPng(renderOneBitLabel(content, content.dpi), encodingFailed);
    if (png.isEmpty()) {
        whyNot.set(SLP_ERROR_OTHER,
                   QStringLiteral("encoding the label as PNG failed: %1").arg(encodingFailed));
        return false;
    }
    png = withLabelName(png, content.name);
    const std::optional<qint64> number = writeNumberedFile(mFolder, nextNumber(), png, whyNot);
    if (!number) {
        return false;
    }
    knownFolders().insert(mFolder, {changeTime(mFolder), *number});
    return true;
}

std::vector<int32_t> FilePrinter::findLabels(const std::vector<QByteArray>& names,
                                             const std::vector<int64_t>&,
                                             std::chrono::steady_clock::time_point deadline,
                                             QString& whyNot) {
    // A file takes its number only once written and synced: found is printed, and the folder
    // holding none of that name never had it.
    std::vector<int32_t> states(names.size(), SLP_JOB_LOST);
    const QDir folder(mFolder);
    if (!folder.exists() || !folder.isReadable()) {
        whyNot = QStringLiteral("folder %1 cannot be read").arg(mFolder);
        std::fill(states.begin(), states.end(), SLP_JOB_UNKNOWN);
        return states;
    }
    std::vector<std::pair<qint64, QString>> files;
    for (const QString& name : folder.entryList({QStringLiteral("*.png")}, QDir::Files)) {
        if (const qint64 number = numberOf(name)) {
            files.emplace_back(number, name);
        }
    }
    // Newest first: a label sent just before a stop is near the top.
    std::sort(files.begin(), files.end(), std::greater<>());
    size_t left = names.size();
    std::vector<bool> found(names.size(), false);
    int unreadable = 0;
    const QCoreApplication* application = QCoreApplication::instance();
    const bool paint = application != nullptr && application->thread() == QThread::currentThread();
    size_t read = 0;
    for (; read < files.size() && left > 0; ++read) {
        if (read % FilesBetweenPaints == 0 && read > 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                break;
            }
            if (paint) {
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            }
        }
        const std::optional<QByteArray> name = labelNameOf(folder.filePath(files[read].second));
        if (!name) {
            ++unreadable;
            continue;
        }
        for (size_t i = 0; i < names.size(); ++i) {
            if (!found[i] && !name->isEmpty() && *name == names[i]) {
                found[i] = true;
                states[i] = SLP_JOB_PRINTED;
                --left;
            }
        }
    }
    if (left > 0 && (read < files.size() || unreadable > 0)) {
        // Not all files were looked at: what was not found may be among them.
        whyNot = read < files.size()
                     ? QStringLiteral("the search of %1 ran out of time after %2 of %3 files")
                           .arg(mFolder)
                           .arg(read)
                           .arg(files.size())
                     : QStringLiteral("%1 files of %2 could not be read").arg(unreadable).arg(mFolder);
        for (size_t i = 0; i < names.size(); ++i) {
            if (!found[i]) {
                states[i] = SLP_JOB_UNKNOWN;
            }
        }
    }
    return states;
}
