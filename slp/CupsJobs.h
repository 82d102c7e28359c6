#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
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
