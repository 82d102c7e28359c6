#pragma once

#include "CupsQueue.h"

#include <QByteArray>
#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

// Where a sticker goes on a queue's labels: what page, which way round, where on it. The one
// place that knows about the device; the sticker layouts never do.
struct PageChoice {
    QByteArray option; // the job's option naming the size: PageSize for the driver's custom size, else media
    QByteArray value;
    QSize dots;  // the page in device dots, width across the head, length along the feed
    bool turned; // the sticker is turned a quarter: it runs lengthwise along the feed
    QPoint at;   // the top left of the (turned) sticker on the page, inside the printable area
};

// The loaded label, upright or turned, where it holds the sticker; nothing where it does not,
// with whyNot naming both sizes in mm. Only a queue that says nothing of what is loaded gets the
// smallest of its own sizes that holds the sticker either way. stickerDots is the sticker as it
// is read, at dpi.
std::optional<PageChoice> choosePage(const CupsQueue& queue, const QSize& stickerDots, int dpi,
                                     QString* whyNot);
