#include "PrinterLookup.h"

#include "CupsPrinter.h"
#include "CupsQueue.h"
#include "FilePrinter.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A name is one folder name, never a way out of the printers folder.
bool isPlainFolderName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/'));
}

} // namespace

std::unique_ptr<LabelOutput> findPrinter(const QString& applicationFolder, const QString& name,
                                         SlpFailure& whyNot) {
    if (!applicationFolder.isEmpty() && isPlainFolderName(name)) {
        const QString folder = QDir(applicationFolder).filePath(QStringLiteral("printers/") + name);
        if (QFileInfo(folder).isDir()) {
            return std::make_unique<FilePrinter>(folder);
        }
    }
    std::optional<CupsQueue> queue = findCupsQueue(name, whyNot);
    if (queue) {
        return std::make_unique<CupsPrinter>(name, std::move(*queue));
    }
    if (whyNot.isEmpty()) {
        whyNot.set(SLP_ERROR_NOT_FOUND,
                   QStringLiteral("no printer \"%1\": no folder %2, %3")
                       .arg(name, QDir(applicationFolder).filePath(QStringLiteral("printers/") + name),
                            cupsQueuesPlace()));
    }
    return nullptr;
}
