#pragma once

#include "SlpFailure.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

// A page size a queue's driver offers, in 2540ths of an inch (hundredths of a millimetre).
struct OfferedMedia {
    QByteArray name; // the value of the job's media option
    QSize size;      // width across the print head, length along the feed
};

// What a CUPS queue told us when it was first looked up; asked once per process, since asking
// means a round trip to the server.
struct CupsQueue {
    QByteArray name; // the queue's own name
    int dpi = 0;     // its default resolution; 0 when it names none
    std::vector<OfferedMedia> media;
    // Any size between these two, when the driver takes custom sizes; empty otherwise.
    QSize customMin;
    QSize customMax;
};

// The queue whose name or description is printerName, looked up once and then kept. Nothing
// when there is none; whyNot is then set only when CUPS could not be asked.
std::optional<CupsQueue> findCupsQueue(const QString& printerName, SlpFailure& whyNot);

// Forgets what CUPS said during the last job, so that the next one asks again.
void forgetCupsAnswers();

// The queue's attributes as CUPS lists them, read into a CupsQueue.
struct QueueAttributes {
    QByteArray name;
    int dpi = 0;
    std::vector<QByteArray> mediaSupported;
};
CupsQueue readQueue(const QueueAttributes& attributes);
