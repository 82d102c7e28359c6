#pragma once

#include "AppSettings.h"
#include "DbConnection.h"
#include "DeskMark.h"
#include "JobBoxes.h"
#include "LabelJob.h"
#include "Pause.h"
#include "SlpPrinterApi.h"
#include "StickerOutcome.h"
#include "StopRequest.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// The process-wide state: settings, the current job, the one connection, the window's boxes
// (created with their load step on first use), the two printer libraries and the pause.
struct MainModule {
    AppSettings settings;
    LabelJob job;
    DbConnection db;
    QString applicationFolder;
    DeskMark deskMark; // beside an embedded database: the last number issued per customer

    std::function<JobBoxes&()> window;    // creates the hidden window on first use
    SlpPrinterApi* printer7x32 = nullptr; // libSlpApi7x32
    SlpPrinterApi* printer62 = nullptr;   // libslpapi62
    Pause* pause = nullptr;
    std::shared_ptr<SlpJobShare> printerJob; // what both printer libraries share during the job

    // Told before each label is drawn: label is 1-based, total counts the labels of all passes.
    std::function<void(int label, int total)> progress;
};

// One sticker that did not reach its printer, or may not have.
struct LostSticker {
    QStringList SampleIds; // the samples on the sticker: one, or the four of a batch sticker
    QString sticker;       // which sticker, e.g. "sample sticker"
    QString printer;       // the printer's name
    QString reason;        // what the printer library said, for the administrator
    StickerCause cause = StickerCause::Other;
    bool unknown = false; // sent, but whether it printed cannot be known
};

// What a job leaves behind besides its rows and stickers.
struct JobReport {
    QList<LostSticker> lostStickers;
    bool stopped = false; // ended early because a stop was requested
    QString error;        // the error that ended the job; empty when it ran to its end
    QString lastRecorded; // the last sample this job recorded; empty when none
    QString germanError;  // the error for the operator: what happened, to which samples, what to do
    QString inDoubt;      // the sample in hand whose COMMIT the database never confirmed nor denied
    bool earlier = false; // stickers owed since an earlier job that was stopped
};

// Tells both printer libraries that a job begins, so that each asks its printers afresh once.
void BeginPrinterJob(MainModule& module);

// LabelJob back to "0", 0, 0, 1 and both input boxes emptied.
void ResetLabelJob(MainModule& module);

// Numbers, codes, records and prints the run of samples that module.job describes. A stop
// requested meanwhile ends the job once the label in hand has its row and its stickers (a
// four-test kit once its pass has), or gives up a statement that does not end during its label.
JobReport RunLabelJob(MainModule& module, const StopRequest& stop = StopRequest());
