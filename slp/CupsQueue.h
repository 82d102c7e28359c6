#pragma once

#include "SlpFailure.h"

#include <QByteArray>
#include <QMargins>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

// A label size a queue's driver offers, in 2540ths of an inch (hundredths of a millimetre).
struct OfferedMedia {
    QByteArray name;             // the value of the job's media option
    QSize size;                  // width across the print head, length along the feed
    QMargins margins;            // what the driver cannot print: left, top, right, bottom
    QByteArray option = "media"; // PageSize for the driver's own custom size
};

// What a CUPS queue told us when it was looked up.
struct CupsQueue {
    QByteArray name; // the queue's own name
    QString info;    // its description
    int dpi = 0;     // its default resolution; 0 when it names none
    std::vector<OfferedMedia> media;
    // The label in the printer: the queue's default media, or what else the queue says is loaded.
    std::optional<OfferedMedia> loaded;
    bool hasDriver = true; // a raw queue hands our page to the printer as it is
};

// The queue whose name or description is printerName. Nothing, with whyNot set, when CUPS could
// not be asked, when two queues answer to the name, or when the queue has no driver; nothing with
// whyNot empty when no queue has the name. CUPS is asked once per job: its listing, or its
// silence, serves every later lookup and label of the job.
std::optional<CupsQueue> findCupsQueue(const QString& printerName, SlpFailure& whyNot);

// Forgets what CUPS said during the last job, so that the next one asks again.
void forgetCupsAnswers();

// Why CUPS did not answer during this job, as this library found or the other told it; empty while
// it has. A server that did not answer is not waited for again until the next job.
SlpFailure& cupsSilence();

// "CUPS at <host>:<port>", or at its socket: where the tool looks for CUPS.
QString cupsPlace();
// Where a name no queue has was looked for, after findCupsQueue found nothing.
QString cupsQueuesPlace();

// The queue's attributes as CUPS lists them, read into a CupsQueue.
struct QueueAttributes {
    QByteArray name;
    int dpi = 0;
    std::vector<QByteArray> mediaSupported;
    std::vector<OfferedMedia> mediaReady;     // what an IPP printer says it holds (media-col-ready)
    std::optional<OfferedMedia> mediaDefault; // media-col-default (name from media-default)
    QMargins marginsSupported;                // the largest of each media-*-margin-supported
    QString makeAndModel;
    QByteArray ppdDefault; // the driver's DefaultPageSize, read where CUPS calls the default unknown
};
CupsQueue readQueue(const QueueAttributes& attributes);
