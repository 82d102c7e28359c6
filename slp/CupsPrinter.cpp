#include "CupsPrinter.h"

#include "CupsConnection.h"
#include "CupsJobs.h"
#include "LabelRenderer.h"
#include "PageChoice.h"
#include "PdfPage.h"

#include <QDateTime>
#include <QTransform>
#include <QUuid>

namespace {

using namespace std::chrono_literals;

// After CUPS kept a label waiting, one short try to learn what became of it.
constexpr std::chrono::milliseconds AfterSilence = 3s;

constexpr int PortraitOrientation = 3;

QByteArray printerUri(const QByteArray& queue) {
    return cupsPrinterUri(queue);
}

ipp_t* newRequest(ipp_op_t operation, const QByteArray& uri) {
    ipp_t* request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return request;
}

enum class Fate { Printed, Lost, Unknown };

// A label whose Print-Job went out `sentSeconds` ago without an answer: looked for among the
// queue's jobs by its name, the newest of that name deciding. An older job of the name (the
// sticker printed before, then again) is not this one. One still waiting is cancelled, so
// printing it again cannot double it.
Fate settleUnanswered(const QByteArray& queue, const QByteArray& jobName, int64_t sentSeconds) {
    QString whyNot;
    const std::optional<NamedCupsJobs> jobs = cupsJobsByName(queue, AfterSilence, whyNot);
    if (!jobs) {
        return Fate::Unknown;
    }
    NamedCupsJobs::Job job = jobs->newest.value(jobName);
    if (job.id != 0 && jobs->serverNow == 0) {
        return Fate::Unknown; // which of its jobs this is cannot be told
    }
    if (job.id != 0 && job.created < jobs->serverNow - sentSeconds - 2) {
        job = {}; // made before this label was sent
    }
    if (job.id == 0 || job.state == IPP_JSTATE_CANCELED || job.state == IPP_JSTATE_ABORTED) {
        return Fate::Lost; // it never became a job, or it ended unprinted
    }
    if (job.state == IPP_JSTATE_COMPLETED) {
        return Fate::Printed;
    }
    CupsConnection cups(AfterSilence);
    if (cups.http() == nullptr) {
        return Fate::Unknown;
    }
    ipp_t* cancel = newRequest(IPP_OP_CANCEL_JOB, printerUri(queue));
    ippAddInteger(cancel, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job.id);
    ipp_t* answer = cups.ask(cancel, ("/printers/" + queue).constData());
    const bool cancelled = answer != nullptr && ippGetStatusCode(answer) <= IPP_STATUS_OK_CONFLICTING;
    ippDelete(answer);
    return cancelled ? Fate::Lost : Fate::Unknown;
}

// Hands the document to the queue in one Print-Job, so CUPS never holds a job without its page.
// The job asks for exactly one plain copy of the page, now: a queue default for any attribute that
// changes what comes out (copies, pages per sheet, banners, scaling, orientation, mirror, page set
// and ranges, hold, order, collation) would spoil a label or keep it back.
bool submit(const QByteArray& queue, const QByteArray& pdf, const PageChoice& page,
            const QString& printerName, const QByteArray& labelName, SlpFailure& whyNot) {
    if (!cupsSilence().isEmpty()) {
        whyNot = cupsSilence();
        return false;
    }
    CupsConnection cups;
    if (cups.http() == nullptr) {
        cupsSilence() = {SLP_ERROR_SERVER_SILENT, cups.whyNot()};
        whyNot = cupsSilence();
        return false;
    }
    const QByteArray resource = "/printers/" + queue;
    // A name by which the label can be found again: the caller's, or one of its own.
    const QByteArray jobName =
        !labelName.isEmpty() ? labelName : "Label " + QUuid::createUuid().toByteArray(QUuid::WithoutBraces);

    ipp_t* request = newRequest(IPP_OP_PRINT_JOB, printerUri(queue));
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, jobName.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, "application/pdf");
    cups_option_t* options = nullptr;
    int count = cupsAddOption(page.option.constData(), page.value.constData(), 0, &options);
    count = cupsAddOption("fit-to-page", "false", count, &options);
    count = cupsAddOption("fitplot", "false", count, &options);
    count = cupsAddOption("print-scaling", "none", count, &options);
    count = cupsAddOption("mirror", "false", count, &options);
    count = cupsAddOption("page-set", "all", count, &options);
    count = cupsAddOption("page-ranges", "1", count, &options);
    count = cupsAddOption("job-hold-until", "no-hold", count, &options);
    count = cupsAddOption("outputorder", "normal", count, &options);
    count = cupsAddOption("page-delivery", "same-order", count, &options);
    count = cupsAddOption("Collate", "True", count, &options);
    count =
        cupsAddOption("multiple-document-handling", "separate-documents-collated-copies", count, &options);
    cupsEncodeOptions2(request, count, options, IPP_TAG_JOB);
    cupsFreeOptions(count, options);
    ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_INTEGER, "copies", 1);
    ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_INTEGER, "number-up", 1);
    ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_ENUM, "orientation-requested", PortraitOrientation);
    const char* const noBanners[] = {"none", "none"};
    ippAddStrings(request, IPP_TAG_JOB, IPP_TAG_NAME, "job-sheets", 2, nullptr, noBanners);

    const auto sending = std::chrono::steady_clock::now();
    // The length announced covers the request and the document after it.
    http_status_t status =
        cupsSendRequest(cups.http(), request, resource.constData(), ippLength(request) + size_t(pdf.size()));
    bool sent = false;
    if (status == HTTP_STATUS_CONTINUE) {
        status = cupsWriteRequestData(cups.http(), pdf.constData(), size_t(pdf.size()));
        sent = status == HTTP_STATUS_CONTINUE;
    }
    ippDelete(request);
    // A refusal may arrive before all the data went out; the answer is read either way.
    ipp_t* response =
        status != HTTP_STATUS_ERROR ? cupsGetResponse(cups.http(), resource.constData()) : nullptr;
    const ipp_status_t result = response ? ippGetStatusCode(response) : cupsLastError();
    ipp_attribute_t* job = response ? ippFindAttribute(response, "job-id", IPP_TAG_INTEGER) : nullptr;
    const int32_t jobId = job ? ippGetInteger(job, 0) : 0;
    ippDelete(response);
    if (response != nullptr && result <= IPP_STATUS_OK_CONFLICTING) {
        // Printed once the printer finishes the job: asked after the job's last sticker.
        lastCupsJob() = jobId;
        return true;
    }
    if (response == nullptr && (cups.expired() || sent)) {
        const QString silence = cups.whyNot();
        cupsSilence() = {SLP_ERROR_SERVER_SILENT, silence};
        if (!sent) {
            whyNot.set(SLP_ERROR_SERVER_SILENT, silence);
            return false;
        }
        const auto sentSeconds =
            std::chrono::ceil<std::chrono::seconds>(std::chrono::steady_clock::now() - sending).count();
        switch (settleUnanswered(queue, jobName, sentSeconds)) {
        case Fate::Printed:
            return true;
        case Fate::Lost:
            whyNot.set(
                SLP_ERROR_SERVER_SILENT,
                QStringLiteral("%1 after the label was sent to queue %2; the job was cancelled or never "
                               "made, so it did not print")
                    .arg(silence, printerName));
            return false;
        case Fate::Unknown:
            whyNot.set(
                SLP_ERROR_JOB_UNKNOWN,
                QStringLiteral("not known whether printed: check the printer before printing again (%1 "
                               "after the label was sent to queue %2)")
                    .arg(silence, printerName));
            return false;
        }
    }
    if (result == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS) {
        whyNot.set(SLP_ERROR_NOT_ACCEPTING,
                   QStringLiteral("queue %1 in %2 is not accepting jobs").arg(printerName, cupsPlace()));
    } else if (result == IPP_STATUS_ERROR_NOT_FOUND) {
        whyNot.set(SLP_ERROR_NOT_FOUND,
                   QStringLiteral("queue %1 in %2 no longer exists").arg(printerName, cupsPlace()));
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
    QString noPage;
    const std::optional<PageChoice> page = choosePage(mQueue, sticker.size(), dpi, &noPage);
    if (!page) {
        whyNot.set(SLP_ERROR_NO_LABEL_SIZE, noPage);
        return false;
    }
    if (page->turned) {
        // Along the feed on a narrower head: the sticker's top towards the label's left edge.
        sticker = sticker.transformed(QTransform().rotate(-90));
    }
    return submit(mQueue.name, onePagePdf(toOneBit(sticker), page->dots, dpi, page->at), *page, mPrinterName,
                  content.name, whyNot);
}

std::vector<int32_t> CupsPrinter::findLabels(const std::vector<QByteArray>& names,
                                             const std::vector<int64_t>& notBefore,
                                             std::chrono::steady_clock::time_point deadline,
                                             QString& whyNot) {
    std::vector<int32_t> states(names.size(), SLP_JOB_UNKNOWN);
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    QString silence;
    const std::optional<NamedCupsJobs> jobs =
        cupsJobsByName(mQueue.name, std::max<std::chrono::milliseconds>(left, 500ms), silence);
    if (!jobs) {
        whyNot = QStringLiteral("CUPS did not say which jobs queue %1 holds: %2").arg(mPrinterName, silence);
        return states;
    }
    // Our clock as CUPS's: a job created before the label could have been sent is still listed, so
    // the history reaches back far enough that a job of the label would be listed too. The margin
    // covers whole seconds on both sides.
    constexpr int64_t Margin = 5;
    const int64_t skew = jobs->serverNow > 0 ? jobs->serverNow - QDateTime::currentSecsSinceEpoch() : 0;
    QStringList notKept;
    for (size_t i = 0; i < names.size(); ++i) {
        const auto found = jobs->newest.constFind(names[i]);
        if (found != jobs->newest.constEnd()) {
            states[i] = found->state == IPP_JSTATE_COMPLETED ? SLP_JOB_PRINTED
                        : cupsJobWaiting(found->state)       ? SLP_JOB_WAITING
                                                             : SLP_JOB_LOST;
            continue;
        }
        const int64_t sentAfter = i < notBefore.size() ? notBefore[i] : 0;
        const bool historyKept = jobs->serverNow > 0 && jobs->oldestFinished > 0 && sentAfter > 0 &&
                                 jobs->oldestFinished <= sentAfter + skew - Margin;
        if (historyKept) {
            states[i] = SLP_JOB_LOST;
        } else {
            notKept << QString::fromUtf8(names[i]);
        }
    }
    if (!notKept.isEmpty()) {
        whyNot = QStringLiteral("queue %1 lists no job named %2 among %3 jobs of %4, and keeps no finished "
                                "job from before it could have been sent, so it may have printed and been "
                                "forgotten")
                     .arg(mPrinterName, notKept.join(QStringLiteral(", ")))
                     .arg(jobs->listed)
                     .arg(QString::fromLocal8Bit(cupsUser()));
    }
    return states;
}
