#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

// What became of a CUPS job the printer libraries sent, as CUPS tells it after the job's last
// sticker: printed only when the printer finished it.
struct CupsJobFate {
    int32_t state = 0; // one of the SLP_JOB_ codes
    QString reason;    // why not printed: the printer's words, or ours
};

// Asks CUPS for the state of the jobs given until none is waiting any more or patience has
// passed; one fate per job, in order. A server found silent during the job is not asked again.
std::vector<CupsJobFate> settleCupsJobs(const std::vector<int32_t>& jobIds,
                                        std::chrono::milliseconds patience);

// The job of the label the last successful SlpEndLabel sent to CUPS; 0 for other printers.
int32_t& lastCupsJob();

// ipp://localhost/printers/<queue> on the server libcups is pointed at.
QByteArray cupsPrinterUri(const QByteArray& queue);

// This user's jobs of one queue, finished or not, as one Get-Jobs lists them.
struct NamedCupsJobs {
    struct Job {
        int32_t id = 0;
        int state = 0;       // ipp_jstate_t
        int64_t created = 0; // time-at-creation, CUPS's clock
    };
    QHash<QByteArray, Job> newest; // the newest job of each name: the highest id
    int64_t serverNow = 0;         // CUPS's clock as it answered; 0 where it did not say
    int64_t oldestFinished = 0;    // creation time of the oldest finished job it still lists; 0: none
    int listed = 0;                // jobs listed
};

// Asks CUPS once, waiting at most patience; nothing, with whyNot set, when it did not answer.
std::optional<NamedCupsJobs> cupsJobsByName(const QByteArray& queue, std::chrono::milliseconds patience,
                                            QString& whyNot);

// Whether a job IPP counts as still to be printed: pending, held, processing or stopped.
bool cupsJobWaiting(int state);
