#include "CupsQueue.h"

#include "CupsConnection.h"

#include <QFileInfo>
#include <QHash>
#include <cups/pwg.h>

namespace {

QHash<QString, CupsQueue>& knownQueues() {
    static QHash<QString, CupsQueue> queues;
    return queues;
}

const char* const RequestedAttributes[] = {"printer-name", "printer-info", "printer-resolution-default",
                                           "media-supported"};

int dotsPerInch(ipp_attribute_t* resolution) {
    ipp_res_t units = IPP_RES_PER_INCH;
    int yres = 0;
    const int xres = ippGetResolution(resolution, 0, &yres, &units);
    return units == IPP_RES_PER_CM ? static_cast<int>(xres * 2.54 + 0.5) : xres;
}

// One printer's group of the answer, from its first attribute to the next separator.
struct Listed {
    QueueAttributes attributes;
    QString info;
};

std::vector<Listed> listPrinters(ipp_t* response) {
    std::vector<Listed> printers;
    bool inPrinter = false;
    for (ipp_attribute_t* attr = ippFirstAttribute(response); attr; attr = ippNextAttribute(response)) {
        const char* name = ippGetName(attr);
        if (ippGetGroupTag(attr) != IPP_TAG_PRINTER || name == nullptr) {
            inPrinter = false;
            continue;
        }
        if (!inPrinter) {
            printers.emplace_back();
            inPrinter = true;
        }
        Listed& printer = printers.back();
        const QByteArray key(name);
        if (key == "printer-name") {
            printer.attributes.name = ippGetString(attr, 0, nullptr);
        } else if (key == "printer-info") {
            printer.info = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        } else if (key == "printer-resolution-default") {
            printer.attributes.dpi = dotsPerInch(attr);
        } else if (key == "media-supported") {
            for (int i = 0; i < ippGetCount(attr); ++i) {
                printer.attributes.mediaSupported.emplace_back(ippGetString(attr, i, nullptr));
            }
        }
    }
    return printers;
}

// A server is named to us (CUPS_SERVER), or the local scheduler has run since the machine
// started: its runtime folder outlives a stopped or crashed cupsd, and a machine where CUPS was
// never started has none.
bool schedulerExpected() {
    return !qEnvironmentVariableIsEmpty("CUPS_SERVER") || QFileInfo::exists(QStringLiteral("/run/cups"));
}

} // namespace

CupsQueue readQueue(const QueueAttributes& attributes) {
    CupsQueue queue;
    queue.name = attributes.name;
    queue.dpi = attributes.dpi;
    for (const QByteArray& name : attributes.mediaSupported) {
        // Self-describing names carry their size; others are known to libcups by name.
        const pwg_media_t* media = pwgMediaForPWG(name.constData());
        if (media == nullptr || media->width <= 0 || media->length <= 0) {
            continue;
        }
        const QSize size(media->width, media->length);
        if (name.startsWith("custom_min_")) {
            queue.customMin = size;
        } else if (name.startsWith("custom_max_")) {
            queue.customMax = size;
        } else {
            queue.media.push_back({name, size});
        }
    }
    if (queue.customMin.isEmpty() || queue.customMax.isEmpty()) {
        queue.customMin = queue.customMax = QSize();
    }
    return queue;
}

void forgetCupsAnswers() {
    knownQueues().clear();
}

std::optional<CupsQueue> findCupsQueue(const QString& printerName, SlpFailure& whyNot) {
    const auto known = knownQueues().constFind(printerName);
    if (known != knownQueues().constEnd()) {
        return *known;
    }
    if (printerName.isEmpty()) {
        return std::nullopt;
    }

    CupsConnection cups;
    if (cups.http() == nullptr) {
        // A machine without CUPS has no queues, and that is no failure. A server that does not
        // answer is one, and so is a scheduler that is set up here or named to us but not running:
        // its queues cannot be told apart from missing ones, and their stickers would vanish.
        if (cups.expired() || schedulerExpected()) {
            whyNot.set(SLP_ERROR_SERVER_SILENT,
                       QStringLiteral("cannot look up %1 in CUPS: %2").arg(printerName, cups.whyNot()));
        }
        return std::nullopt;
    }
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(RequestedAttributes)), nullptr, RequestedAttributes);
    ipp_t* response = cupsDoRequest(cups.http(), request, "/");
    if (response == nullptr || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        ippDelete(response);
        if (cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND) { // a server without queues says so
            whyNot.set(SLP_ERROR_SERVER_SILENT,
                       QStringLiteral("cannot look up %1 in CUPS: %2").arg(printerName, cups.whyNot()));
        }
        return std::nullopt;
    }
    const std::vector<Listed> printers = listPrinters(response);
    ippDelete(response);

    for (const Listed& printer : printers) {
        if (QString::fromUtf8(printer.attributes.name) == printerName || printer.info == printerName) {
            const CupsQueue queue = readQueue(printer.attributes);
            knownQueues().insert(printerName, queue);
            return queue;
        }
    }
    return std::nullopt;
}
