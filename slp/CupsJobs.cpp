#include "CupsJobs.h"

#include "CupsConnection.h"
#include "CupsQueue.h"
#include "SlpApi.h"

#include <QCoreApplication>
#include <QHash>
#include <QThread>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Between two questions about jobs still waiting; the window paints meanwhile.
constexpr auto Between = 250ms;

struct Seen {
    int state = 0;
    QString message; // job-printer-state-message: the filter's or the printer's last word
    QStringList reasons;
    QByteArray printerUri;
};

// The printer's printer-state-message, for a job that says nothing itself (a disabled queue's
// reason is the printer's). Empty when it has none or CUPS does not say.
QString printerMessage(const QByteArray& printerUri, Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    CupsConnection cups(std::max<std::chrono::milliseconds>(left, 500ms));
    if (cups.http() == nullptr || printerUri.isEmpty()) {
        return {};
    }
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-state-message");
    ipp_t* response = cups.ask(request, "/");
    ipp_attribute_t* message =
        response ? ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT) : nullptr;
    const QString text = message ? QString::fromUtf8(ippGetString(message, 0, nullptr)).trimmed() : QString();
    ippDelete(response);
    return text;
}

// One Get-Jobs for the jobs given. False when CUPS did not answer.
bool askJobs(const std::vector<int32_t>& jobIds, Clock::time_point deadline, QHash<int32_t, Seen>& seen,
             QString& silence) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    CupsConnection cups(std::max<std::chrono::milliseconds>(left, 500ms));
    if (cups.http() == nullptr) {
        silence = cups.whyNot();
        return false;
    }
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", ippPort(), "/");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    // Named jobs, finished or not, whoever's they are.
    ippAddIntegers(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-ids", int(jobIds.size()), jobIds.data());
    const char* const wanted[] = {"job-id", "job-state", "job-state-reasons", "job-printer-state-message",
                                  "job-printer-uri"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(std::size(wanted)),
                  nullptr, wanted);
    ipp_t* response = cups.ask(request, "/");
    if (response == nullptr || ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
        silence = response ? CupsConnection::refusal(response) : cups.whyNot();
        ippDelete(response);
        return false;
    }
    Seen job;
    int32_t id = 0;
    for (ipp_attribute_t* attr = ippFirstAttribute(response);; attr = ippNextAttribute(response)) {
        if (attr == nullptr || ippGetGroupTag(attr) != IPP_TAG_JOB || ippGetName(attr) == nullptr) {
            if (id != 0) {
                seen.insert(id, job);
            }
            job = {};
            id = 0;
            if (attr == nullptr) {
                break;
            }
            continue;
        }
        const QByteArray key(ippGetName(attr));
        if (key == "job-id") {
            id = ippGetInteger(attr, 0);
        } else if (key == "job-state") {
            job.state = ippGetInteger(attr, 0);
        } else if (key == "job-printer-state-message") {
            job.message = QString::fromUtf8(ippGetString(attr, 0, nullptr)).trimmed();
        } else if (key == "job-printer-uri") {
            job.printerUri = ippGetString(attr, 0, nullptr);
        } else if (key == "job-state-reasons") {
            for (int i = 0; i < ippGetCount(attr); ++i) {
                const QString reason = QString::fromUtf8(ippGetString(attr, i, nullptr));
                if (reason != QLatin1String("none")) {
                    job.reasons << reason;
                }
            }
        }
    }
    ippDelete(response);
    return true;
}

bool stillWaiting(int state) {
    return cupsJobWaiting(state);
}

// Waits a little with the window painting; no presses are taken while a job ends.
void pauseBetween(Clock::time_point deadline) {
    const auto until = std::min(deadline, Clock::now() + Between);
    const QCoreApplication* application = QCoreApplication::instance();
    const bool paint = application != nullptr && application->thread() == QThread::currentThread();
    while (Clock::now() < until) {
        if (paint) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(20ms, until - Clock::now()));
    }
}

QString stateName(int state) {
    return QString::fromUtf8(ippEnumString("job-state", state));
}

} // namespace

int32_t& lastCupsJob() {
    static int32_t job = 0;
    return job;
}

std::vector<CupsJobFate> settleCupsJobs(const std::vector<int32_t>& jobIds,
                                        std::chrono::milliseconds patience) {
    std::vector<CupsJobFate> fates(jobIds.size());
    if (jobIds.empty()) {
        return fates;
    }
    const Clock::time_point deadline = Clock::now() + patience;
    QHash<int32_t, Seen> seen;
    QString silence = cupsSilence().text;
    bool answered = false;
    while (silence.isEmpty()) {
        seen.clear();
        if (!askJobs(jobIds, deadline, seen, silence)) {
            break;
        }
        answered = true;
        const bool waiting = std::any_of(jobIds.begin(), jobIds.end(),
                                         [&](int32_t id) { return stillWaiting(seen.value(id).state); });
        if (!waiting || Clock::now() >= deadline) {
            break;
        }
        pauseBetween(deadline);
    }
    // The printers' own words, asked once per printer and only where a job has none.
    QHash<QByteArray, QString> printerSaid;
    for (Seen& job : seen) {
        if (job.state != IPP_JSTATE_COMPLETED && job.message.isEmpty() && !job.printerUri.isEmpty()) {
            if (!printerSaid.contains(job.printerUri)) {
                printerSaid.insert(job.printerUri, printerMessage(job.printerUri, deadline + 2s));
            }
            job.message = printerSaid.value(job.printerUri);
        }
    }
    for (size_t i = 0; i < jobIds.size(); ++i) {
        CupsJobFate& fate = fates[i];
        const auto found = seen.constFind(jobIds[i]);
        if (!answered || found == seen.constEnd()) {
            fate = {SLP_JOB_UNKNOWN,
                    QStringLiteral("CUPS job %1 was sent, but whether it printed is not known: %2")
                        .arg(jobIds[i])
                        .arg(silence.isEmpty() ? QStringLiteral("CUPS no longer knows the job") : silence)};
            continue;
        }
        const Seen& job = *found;
        QStringList words = job.reasons;
        if (!job.message.isEmpty()) {
            words.prepend(job.message);
        }
        const QString said = words.join(QStringLiteral("; "));
        if (job.state == IPP_JSTATE_COMPLETED) {
            fate.state = SLP_JOB_PRINTED;
        } else if (stillWaiting(job.state)) {
            fate = {SLP_JOB_WAITING,
                    QStringLiteral("CUPS job %1 still %2 after %3 s: %4")
                        .arg(jobIds[i])
                        .arg(stateName(job.state))
                        .arg(patience.count() / 1000.0)
                        .arg(said.isEmpty() ? QStringLiteral("the printer gave no reason") : said)};
        } else {
            fate = {SLP_JOB_LOST,
                    QStringLiteral("CUPS job %1 %2: %3")
                        .arg(jobIds[i])
                        .arg(stateName(job.state))
                        .arg(said.isEmpty() ? QStringLiteral("the printer gave no reason") : said)};
        }
    }
    return fates;
}

bool cupsJobWaiting(int state) {
    return state == IPP_JSTATE_PENDING || state == IPP_JSTATE_HELD || state == IPP_JSTATE_PROCESSING ||
           state == IPP_JSTATE_STOPPED;
}

QByteArray cupsPrinterUri(const QByteArray& queue) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue.constData());
    return uri;
}

std::optional<NamedCupsJobs> cupsJobsByName(const QByteArray& queue, std::chrono::milliseconds patience,
                                            QString& whyNot) {
    CupsConnection cups(patience);
    if (cups.http() == nullptr) {
        whyNot = cups.whyNot();
        return std::nullopt;
    }
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 cupsPrinterUri(queue).constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 1);
    const char* const wanted[] = {"job-id", "job-name", "job-state", "time-at-creation",
                                  "job-printer-up-time"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(std::size(wanted)),
                  nullptr, wanted);
    ipp_t* response = cups.ask(request, ("/printers/" + queue).constData());
    if (response == nullptr || ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
        whyNot = response ? CupsConnection::refusal(response) : cups.whyNot();
        ippDelete(response);
        return std::nullopt;
    }
    NamedCupsJobs jobs;
    NamedCupsJobs::Job job;
    QByteArray name;
    for (ipp_attribute_t* attr = ippFirstAttribute(response);; attr = ippNextAttribute(response)) {
        if (attr == nullptr || ippGetGroupTag(attr) != IPP_TAG_JOB || ippGetName(attr) == nullptr) {
            if (job.id != 0) {
                ++jobs.listed;
                const auto known = jobs.newest.constFind(name);
                if (known == jobs.newest.constEnd() || known->id < job.id) {
                    jobs.newest.insert(name, job);
                }
                const bool finished = job.state >= IPP_JSTATE_CANCELED;
                if (finished && job.created > 0 &&
                    (jobs.oldestFinished == 0 || job.created < jobs.oldestFinished)) {
                    jobs.oldestFinished = job.created;
                }
            }
            job = {};
            name.clear();
            if (attr == nullptr) {
                break;
            }
            continue;
        }
        const QByteArray key(ippGetName(attr));
        if (key == "job-id") {
            job.id = ippGetInteger(attr, 0);
        } else if (key == "job-state") {
            job.state = ippGetInteger(attr, 0);
        } else if (key == "job-name") {
            name = ippGetString(attr, 0, nullptr);
        } else if (key == "time-at-creation") {
            job.created = ippGetInteger(attr, 0);
        } else if (key == "job-printer-up-time") {
            jobs.serverNow = std::max<int64_t>(jobs.serverNow, ippGetInteger(attr, 0));
        }
    }
    ippDelete(response);
    return jobs;
}
