#include "SlpTestLibraries.h"

#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <stdexcept>

namespace {

template <typename Function> void bind(QLibrary& library, const char* name, Function& target) {
    target = reinterpret_cast<Function>(library.resolve(name));
    if (target == nullptr) {
        throw std::runtime_error(library.errorString().toStdString());
    }
}

SlpFunctions load(const QString& path) {
    // Never unloaded: the functions are used until the process ends.
    auto* library = new QLibrary(path);
    if (!library->load()) {
        throw std::runtime_error(library->errorString().toStdString());
    }
    SlpFunctions f;
    bind(*library, "SlpOpenPrinter", f.openPrinter);
    bind(*library, "SlpGetLabelWidth", f.getLabelWidth);
    bind(*library, "SlpGetLabelHeight", f.getLabelHeight);
    bind(*library, "SlpStartLabel", f.startLabel);
    bind(*library, "SlpSetRotation", f.setRotation);
    bind(*library, "SlpCreateFont", f.createFont);
    bind(*library, "SlpDrawTextXY", f.drawTextXY);
    bind(*library, "SlpSetBarCodeStyle", f.setBarCodeStyle);
    bind(*library, "SlpDrawBarCode", f.drawBarCode);
    bind(*library, "SlpDrawPicture", f.drawPicture);
    bind(*library, "SlpEndLabel", f.endLabel);
    bind(*library, "SlpDeleteFont", f.deleteFont);
    bind(*library, "SlpClosePrinter", f.closePrinter);
    bind(*library, "SlpGetLastErrorText", f.getLastErrorText);
    bind(*library, "SlpGetLastErrorCode", f.getLastErrorCode);
    bind(*library, "SlpNameLabel", f.nameLabel);
    bind(*library, "SlpFindLabels", f.findLabels);
    return f;
}

QString copyLibrary(const QString& folder, const QString& fileName) {
    const QString target = QDir(folder).filePath(fileName);
    if (!QFile::copy(QDir(VELMORA_APP_DIR).filePath(fileName), target)) {
        throw std::runtime_error("cannot copy " + fileName.toStdString());
    }
    return target;
}

} // namespace

SlpTestFolder& SlpTestFolder::instance() {
    static SlpTestFolder folder;
    return folder;
}

SlpTestFolder::SlpTestFolder() {
    static QTemporaryDir temporary;
    mFolder = QDir(temporary.path()).canonicalPath();
    QDir(mFolder).mkdir(QStringLiteral("printers"));
    m7x32 = load(copyLibrary(mFolder, QStringLiteral("libSlpApi7x32.so")));
    m62 = load(copyLibrary(mFolder, QStringLiteral("libslpapi62.so")));
}

const SlpFunctions& SlpTestFolder::library(Generation generation) const {
    return generation == Generation::Slp7x32 ? m7x32 : m62;
}

QString SlpTestFolder::libraryPath(Generation generation) const {
    return QDir(mFolder).filePath(generation == Generation::Slp7x32 ? QStringLiteral("libSlpApi7x32.so")
                                                                    : QStringLiteral("libslpapi62.so"));
}

QString SlpTestFolder::addFilePrinter(const QString& name) const {
    const QString folder = QDir(mFolder).filePath(QStringLiteral("printers/") + name);
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return folder;
}

QStringList SlpTestFolder::stickerFiles(const QString& printerFolder) {
    return QDir(printerFolder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

QImage SlpTestFolder::lastSticker(const QString& printerFolder) {
    const QStringList files = stickerFiles(printerFolder);
    return files.isEmpty() ? QImage() : QImage(QDir(printerFolder).filePath(files.last()));
}
