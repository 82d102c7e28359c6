#include "CupsPrinter.h"

#include "CupsConnection.h"
#include "LabelRenderer.h"
#include "PageChoice.h"
#include "PdfPage.h"

#include <QTransform>

namespace {

// Hands the document to the queue in one Print-Job, so CUPS never holds a job without its page.
bool submit(const QByteArray& queue, const QByteArray& pdf, const PageChoice& page,
            const QString& printerName, SlpFailure& whyNot) {
    CupsConnection cups;
    if (cups.http() == nullptr) {
        whyNot.set(SLP_ERROR_SERVER_SILENT, cups.whyNot());
        return false;
    }
    const QByteArray resource = "/printers/" + queue;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue.constData());

    ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, "Label");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, "application/pdf");
    cups_option_t* options = nullptr;
    int count = cupsAddOption(page.option.constData(), page.value.constData(), 0, &options);
    // The page is the label already: nothing may fit, scale or frame it.
    count = cupsAddOption("fit-to-page", "false", count, &options);
    count = cupsAddOption("print-scaling", "none", count, &options);
    cupsEncodeOptions2(request, count, options, IPP_TAG_JOB);
    cupsFreeOptions(count, options);

    // The length announced covers the request and the document after it.
    http_status_t status =
        cupsSendRequest(cups.http(), request, resource.constData(), ippLength(request) + size_t(pdf.size()));
    if (status == HTTP_STATUS_CONTINUE) {
        status = cupsWriteRequestData(cups.http(), pdf.constData(), size_t(pdf.size()));
    }
    ippDelete(request);
    // A refusal may arrive before all the data went out; the answer is read either way.
    ipp_t* response =
        status != HTTP_STATUS_ERROR ? cupsGetResponse(cups.http(), resource.constData()) : nullptr;
    const ipp_status_t result = response ? ippGetStatusCode(response) : cupsLastError();
    ippDelete(response);
    if (response != nullptr && result <= IPP_STATUS_OK_CONFLICTING) {
        return true;
    }
    if (cups.expired()) {
        whyNot.set(SLP_ERROR_SERVER_SILENT, cups.whyNot());
    } else if (result == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS) {
        whyNot.set(SLP_ERROR_NOT_ACCEPTING,
                   QStringLiteral("queue %1 is not accepting jobs").arg(printerName));
    } else if (result == IPP_STATUS_ERROR_NOT_FOUND) {
        whyNot.set(SLP_ERROR_NOT_FOUND, QStringLiteral("queue %1 no longer exists").arg(printerName));
    } else {
        whyNot.set(SLP_ERROR_REFUSED,
                   QStringLiteral("CUPS refused the label for queue %1: %2").arg(printerName, cups.whyNot()));
    }
    return false;
}

} // namespace

CupsPrinter::CupsPrinter(QString printerName, CupsQueue queue)
    : mPrinterName(std::move(printerName)), mQueue(std::move(queue)) {}

bool CupsPrinter::printLabel(const LabelContent& content, SlpFailure& whyNot) {
    // A queue naming no resolution gets the library's own.
    const int dpi = mQueue.dpi > 0 ? mQueue.dpi : content.dpi;
    QImage sticker = renderLabel(content, dpi);
    if (content.rotation == 1) {
        // Read turned: the sticker lies across the label as it is fed, its top towards the
        // label's left edge.
        sticker = sticker.transformed(QTransform().rotate(-90));
    }
    const std::optional<PageChoice> page = choosePage(mQueue, sticker.size(), dpi);
    if (!page) {
        whyNot.set(SLP_ERROR_NO_LABEL_SIZE,
                   QStringLiteral("no page size of queue %1 holds a %2 x %3 dot label")
                       .arg(mPrinterName)
                       .arg(sticker.width())
                       .arg(sticker.height()));
        return false;
    }
    return submit(mQueue.name, onePagePdf(toOneBit(sticker), page->dots, dpi), *page, mPrinterName, whyNot);
}
