#include "CupsQueue.h"

#include "CupsConnection.h"

#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>
#include <cups/pwg.h>

namespace {

// A queue as CUPS lists them all: by name and description only, which is quick to ask for.
struct Named {
    QByteArray name;
    QString info;
};

// What CUPS said during this job: the list of its queues, each queue asked about so far, or its
// silence. The tool hands a silence one printer library found to the other, so that a job waits
// for a silent server once.
struct Answers {
    bool listed = false;
    bool noScheduler = false; // CUPS has never run on this machine
    std::vector<Named> queues;
    QHash<QByteArray, CupsQueue> described;
    SlpFailure silence;
};

Answers& answers() {
    static Answers known;
    return known;
}

const char* const ListedAttributes[] = {"printer-name", "printer-info"};

// Only what the page choice uses: the whole media-col-database of a label driver is many KB.
const char* const RequestedAttributes[] = {"printer-name",
                                           "printer-resolution-default",
                                           "printer-make-and-model",
                                           "device-uri",
                                           "media-supported",
                                           "media-default",
                                           "media-col-default",
                                           "media-ready",
                                           "media-col-ready",
                                           "media-left-margin-supported",
                                           "media-top-margin-supported",
                                           "media-right-margin-supported",
                                           "media-bottom-margin-supported"};

int dotsPerInch(ipp_attribute_t* resolution) {
    ipp_res_t units = IPP_RES_PER_INCH;
    int yres = 0;
    const int xres = ippGetResolution(resolution, 0, &yres, &units);
    return units == IPP_RES_PER_CM ? static_cast<int>(xres * 2.54 + 0.5) : xres;
}

int integer(ipp_t* collection, const char* name) {
    ipp_attribute_t* attr = ippFindAttribute(collection, name, IPP_TAG_INTEGER);
    return attr ? ippGetInteger(attr, 0) : 0;
}

// One media-col: its size (nothing for a range of sizes) and margins.
std::optional<OfferedMedia> mediaCol(ipp_t* col) {
    ipp_attribute_t* sizeAttr = ippFindAttribute(col, "media-size", IPP_TAG_BEGIN_COLLECTION);
    ipp_t* size = sizeAttr ? ippGetCollection(sizeAttr, 0) : nullptr;
    if (size == nullptr) {
        return std::nullopt;
    }
    const QSize dimensions(integer(size, "x-dimension"), integer(size, "y-dimension"));
    if (dimensions.isEmpty()) {
        return std::nullopt;
    }
    return OfferedMedia{{},
                        dimensions,
                        QMargins(integer(col, "media-left-margin"), integer(col, "media-top-margin"),
                                 integer(col, "media-right-margin"), integer(col, "media-bottom-margin"))};
}

int largest(ipp_attribute_t* attr) {
    int most = 0;
    for (int i = 0; i < ippGetCount(attr); ++i) {
        most = std::max(most, ippGetInteger(attr, i));
    }
    return most;
}

// One printer's group of the answer, from its first attribute to the next separator.
struct Listed {
    QueueAttributes attributes;
    QString info;
    QByteArray mediaDefaultName;
    std::vector<QByteArray> mediaReadyNames;
    bool selfDescribing = false; // a driverless printer, which says itself what it holds
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
        QueueAttributes& a = printer.attributes;
        const QByteArray key(name);
        if (key == "printer-name") {
            a.name = ippGetString(attr, 0, nullptr);
        } else if (key == "printer-info") {
            printer.info = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        } else if (key == "printer-make-and-model") {
            a.makeAndModel = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        } else if (key == "printer-resolution-default") {
            a.dpi = dotsPerInch(attr);
        } else if (key == "media-supported") {
            for (int i = 0; i < ippGetCount(attr); ++i) {
                a.mediaSupported.emplace_back(ippGetString(attr, i, nullptr));
            }
        } else if (key == "media-default" && ippGetValueTag(attr) == IPP_TAG_KEYWORD) {
            printer.mediaDefaultName = ippGetString(attr, 0, nullptr);
        } else if (key == "media-col-default") {
            a.mediaDefault = mediaCol(ippGetCollection(attr, 0));
        } else if (key == "media-ready") {
            for (int i = 0; i < ippGetCount(attr); ++i) {
                printer.mediaReadyNames.emplace_back(ippGetString(attr, i, nullptr));
            }
        } else if (key == "media-col-ready") {
            for (int i = 0; i < ippGetCount(attr); ++i) {
                if (std::optional<OfferedMedia> media = mediaCol(ippGetCollection(attr, i))) {
                    a.mediaReady.push_back(*media);
                }
            }
        } else if (key == "device-uri") {
            // ipp, ipps, ippusb: the printer's own word on its media reaches CUPS.
            printer.selfDescribing = QByteArray(ippGetString(attr, 0, nullptr)).startsWith("ipp");
        } else if (key == "media-left-margin-supported") {
            a.marginsSupported.setLeft(largest(attr));
        } else if (key == "media-top-margin-supported") {
            a.marginsSupported.setTop(largest(attr));
        } else if (key == "media-right-margin-supported") {
            a.marginsSupported.setRight(largest(attr));
        } else if (key == "media-bottom-margin-supported") {
            a.marginsSupported.setBottom(largest(attr));
        }
    }
    for (Listed& printer : printers) {
        QueueAttributes& a = printer.attributes;
        if (a.mediaDefault) {
            a.mediaDefault->name = printer.mediaDefaultName;
        }
        // A queue with a driver names the sizes CUPS assumes on any paper printer as ready.
        if (!printer.selfDescribing) {
            a.mediaReady.clear();
            continue;
        }
        for (size_t i = 0; i < a.mediaReady.size(); ++i) {
            a.mediaReady[i].name =
                i < printer.mediaReadyNames.size() ? printer.mediaReadyNames[i] : QByteArray();
        }
        for (size_t i = a.mediaReady.size(); i < printer.mediaReadyNames.size(); ++i) {
            const pwg_media_t* media = pwgMediaForPWG(printer.mediaReadyNames[i].constData());
            if (media != nullptr && media->width > 0 && media->length > 0) {
                a.mediaReady.push_back({printer.mediaReadyNames[i], QSize(media->width, media->length), {}});
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

QString lookupFailure(const QString& printerName, const QString& why) {
    return QStringLiteral("cannot look up %1: %2").arg(printerName, why);
}

// CUPS did not answer: not asked again during this job.
void silent(const QString& printerName, const CupsConnection& cups, SlpFailure& whyNot) {
    cupsSilence() = {SLP_ERROR_SERVER_SILENT, cups.whyNot()};
    whyNot.set(SLP_ERROR_SERVER_SILENT, lookupFailure(printerName, cups.whyNot()));
}

// Asks CUPS for its queues once per job. False, with whyNot set, when it could not be asked.
bool listQueues(const QString& printerName, SlpFailure& whyNot) {
    Answers& known = answers();
    CupsConnection cups;
    if (cups.http() == nullptr) {
        // A machine without CUPS has no queues, and that is no failure. A server that does not
        // answer is one, and so is a scheduler that is set up here or named to us but not running:
        // its queues cannot be told apart from missing ones.
        if (cups.expired() || schedulerExpected()) {
            silent(printerName, cups, whyNot);
            return false;
        }
        known.noScheduler = true;
        known.listed = true;
        return true;
    }
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(ListedAttributes)), nullptr, ListedAttributes);
    ipp_t* response = cupsDoRequest(cups.http(), request, "/");
    if (response == nullptr || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        ippDelete(response);
        if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) { // a server without queues says so
            known.listed = true;
            return true;
        }
        if (response == nullptr || cups.expired()) {
            silent(printerName, cups, whyNot);
        } else {
            whyNot.set(SLP_ERROR_OTHER,
                       lookupFailure(printerName, cupsPlace() + " refused: " + cups.whyNot()));
        }
        return false;
    }
    for (const Listed& printer : listPrinters(response)) {
        known.queues.push_back({printer.attributes.name, printer.info});
    }
    ippDelete(response);
    known.listed = true;
    return true;
}

// CUPS knows the default media by name; "unknown" where the driver's default is not one of its sizes.
bool namedDefault(const QueueAttributes& attributes) {
    return attributes.mediaDefault && !attributes.mediaDefault->name.isEmpty() &&
           attributes.mediaDefault->name != "unknown";
}

// The driver's DefaultPageSize, which CUPS reports as unknown when it names a custom size (as the
// README sets label stock) or a size its own names do not match. Empty when there is none.
QByteArray ppdDefaultPageSize(const CupsConnection& cups, const QByteArray& queue) {
    QTemporaryFile ppd;
    if (!ppd.open() ||
        cupsGetFd(cups.http(), ("/printers/" + queue + ".ppd").constData(), ppd.handle()) != HTTP_STATUS_OK) {
        return {};
    }
    ppd.seek(0);
    while (!ppd.atEnd()) {
        const QByteArray line = ppd.readLine().trimmed();
        if (line.startsWith("*DefaultPageSize:")) {
            return line.mid(qsizetype(sizeof "*DefaultPageSize:") - 1).trimmed();
        }
    }
    return {};
}

// Asks CUPS about the one queue a printer name found: its driver, resolution, labels and margins.
std::optional<CupsQueue> describeQueue(const QString& printerName, const Named& named, SlpFailure& whyNot) {
    CupsConnection cups;
    if (cups.http() == nullptr) {
        silent(printerName, cups, whyNot);
        return std::nullopt;
    }
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", named.name.constData());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(RequestedAttributes)), nullptr, RequestedAttributes);
    ipp_t* response = cups.ask(request, "/");
    if (response == nullptr || ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
        const QString refused = response ? CupsConnection::refusal(response) : QString();
        ippDelete(response);
        if (response == nullptr || cups.expired()) {
            silent(printerName, cups, whyNot);
        } else {
            whyNot.set(SLP_ERROR_NOT_FOUND, lookupFailure(printerName, refused));
        }
        return std::nullopt;
    }
    std::vector<Listed> printers = listPrinters(response);
    ippDelete(response);
    QueueAttributes attributes = printers.empty() ? QueueAttributes{} : printers.front().attributes;
    if (!namedDefault(attributes) && attributes.mediaReady.empty()) {
        attributes.ppdDefault = ppdDefaultPageSize(cups, named.name);
    }
    CupsQueue queue = readQueue(attributes);
    queue.name = named.name;
    queue.info = named.info;
    return queue;
}

} // namespace

namespace {

// A driver's page size name: its own (2x1.Borderless), a PWG one, or Custom.WxH with a unit.
std::optional<OfferedMedia> ppdMedia(const QByteArray& name, const QMargins& margins) {
    const pwg_media_t* media = pwgMediaForPPD(name.constData());
    if (media == nullptr) {
        media = pwgMediaForPWG(name.constData());
    }
    if (media == nullptr || media->width <= 0 || media->length <= 0) {
        return std::nullopt;
    }
    if (name.startsWith("Custom.")) {
        return OfferedMedia{name, QSize(media->width, media->length), margins, "PageSize"};
    }
    return OfferedMedia{media->pwg, QSize(media->width, media->length), margins};
}

} // namespace

CupsQueue readQueue(const QueueAttributes& attributes) {
    CupsQueue queue;
    queue.name = attributes.name;
    queue.dpi = attributes.dpi;
    for (const QByteArray& name : attributes.mediaSupported) {
        // Self-describing names carry their size; others are known to libcups by name. A custom
        // range is never chosen: the label in the printer is a physical fact.
        const pwg_media_t* media = pwgMediaForPWG(name.constData());
        if (media == nullptr || media->width <= 0 || media->length <= 0 || name.startsWith("custom_min_") ||
            name.startsWith("custom_max_")) {
            continue;
        }
        queue.media.push_back({name, QSize(media->width, media->length), attributes.marginsSupported});
    }
    if (namedDefault(attributes)) {
        queue.loaded = attributes.mediaDefault;
    } else if (!attributes.mediaReady.empty()) {
        queue.loaded = attributes.mediaReady.front();
        if (queue.loaded->name.isEmpty()) {
            const pwg_media_t* media =
                pwgMediaForSize(queue.loaded->size.width(), queue.loaded->size.height());
            queue.loaded->name = media ? QByteArray(media->pwg) : QByteArray();
        }
    } else if (!attributes.ppdDefault.isEmpty()) {
        queue.loaded = ppdMedia(attributes.ppdDefault, attributes.marginsSupported);
    }
    // A raw queue names no media and no maker: nothing turns a page into the printer's language.
    queue.hasDriver = attributes.makeAndModel != QLatin1String("Local Raw Printer") &&
                      (!queue.media.empty() || queue.loaded);
    return queue;
}

void forgetCupsAnswers() {
    answers() = Answers{};
    // libcups keeps the server it first read; a job reads CUPS_SERVER and client.conf afresh.
    cupsSetServer(nullptr);
}

SlpFailure& cupsSilence() {
    return answers().silence;
}

QString cupsQueuesPlace() {
    return answers().noScheduler ? QStringLiteral("no CUPS on this machine")
                                 : QStringLiteral("no queue of that name or description in ") + cupsPlace();
}

QString cupsPlace() {
    const QString server = QString::fromLocal8Bit(cupsServer());
    if (server.startsWith(QLatin1Char('/'))) {
        return QStringLiteral("CUPS at ") + server;
    }
    return QStringLiteral("CUPS at %1:%2").arg(server).arg(ippPort());
}

std::optional<CupsQueue> findCupsQueue(const QString& printerName, SlpFailure& whyNot) {
    if (printerName.isEmpty()) {
        return std::nullopt;
    }
    Answers& known = answers();
    if (!cupsSilence().isEmpty()) {
        whyNot.set(known.silence.code, lookupFailure(printerName, known.silence.text));
        return std::nullopt;
    }
    if (!known.listed && !listQueues(printerName, whyNot)) {
        return std::nullopt;
    }
    std::vector<const Named*> named;
    for (const Named& queue : known.queues) {
        if (QString::fromUtf8(queue.name) == printerName || queue.info == printerName) {
            named.push_back(&queue);
        }
    }
    if (named.size() > 1) {
        QStringList queues;
        for (const Named* queue : named) {
            queues << QString::fromUtf8(queue->name);
        }
        whyNot.set(SLP_ERROR_AMBIGUOUS_NAME,
                   QStringLiteral("queues %1 in %2 all answer to %3; nothing was sent")
                       .arg(queues.join(QStringLiteral(" and ")), cupsPlace(), printerName));
        return std::nullopt;
    }
    if (named.empty()) {
        return std::nullopt;
    }
    auto described = known.described.constFind(named.front()->name);
    if (described == known.described.constEnd()) {
        std::optional<CupsQueue> queue = describeQueue(printerName, *named.front(), whyNot);
        if (!queue) {
            return std::nullopt;
        }
        described = known.described.insert(named.front()->name, std::move(*queue));
    }
    if (!described->hasDriver) {
        whyNot.set(SLP_ERROR_NO_DRIVER,
                   QStringLiteral("queue %1 in %2 has no driver (a raw queue) to turn a label into the "
                                  "printer's language; give it the printer's driver")
                       .arg(QString::fromUtf8(described->name), cupsPlace()));
        return std::nullopt;
    }
    return *described;
}
