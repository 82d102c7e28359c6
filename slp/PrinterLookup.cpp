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

// A printer that CUPS did not say anything about in time. Opened all the same, so each label is
// counted lost with the reason rather than dropped like one for a printer that does not exist.
class UnansweredPrinter final : public LabelOutput {
public:
    explicit UnansweredPrinter(SlpFailure reason) : mReason(std::move(reason)) {}
    bool printLabel(const LabelContent&, SlpFailure& whyNot) override {
        whyNot = mReason;
        return false;
    }

private:
    SlpFailure mReason;
};

} // namespace

std::unique_ptr<LabelOutput> findPrinter(const QString& applicationFolder, const QString& name) {
    if (!applicationFolder.isEmpty() && isPlainFolderName(name)) {
        const QString folder = QDir(applicationFolder).filePath(QStringLiteral("printers/") + name);
        if (QFileInfo(folder).isDir()) {
            return std::make_unique<FilePrinter>(folder);
        }
    }
    SlpFailure unanswered;
    std::optional<CupsQueue> queue = findCupsQueue(name, unanswered);
    if (queue) {
        return std::make_unique<CupsPrinter>(name, std::move(*queue));
    }
    if (!unanswered.isEmpty()) {
        return std::make_unique<UnansweredPrinter>(unanswered);
    }
    return nullptr;
}
