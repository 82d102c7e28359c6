#pragma once

#include "AppSettings.h"
#include "DbConnection.h"
#include "JobBoxes.h"
#include "LabelJob.h"
#include "Pause.h"
#include "SlpPrinterApi.h"

#include <functional>

// The process-wide state: settings, the current job, the one connection, the window's boxes
// (created with their load step on first use), the two printer libraries and the pause.
struct MainModule {
    AppSettings settings;
    LabelJob job;
    DbConnection db;
    QString applicationFolder;

    std::function<JobBoxes&()> window; // creates the hidden window on first use
    SlpPrinterApi* printer7x32 = nullptr; // libSlpApi7x32
    SlpPrinterApi* printer62 = nullptr;   // libslpapi62
    Pause* pause = nullptr;
};

// LabelJob back to "0", 0, 0, 1 and both input boxes emptied.
void ResetLabelJob(MainModule& module);

// Numbers, codes, records and prints the run of samples that module.job describes.
void RunLabelJob(MainModule& module);
