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
    QByteArray option; // the job's option naming the size: PageSize for a custom size, else media
    QByteArray value;
    QSize dots;  // the page in device dots, width across the head, length along the feed
    bool turned; // the sticker is turned a quarter: it runs lengthwise along the feed
    QPoint at;   // the top left of the (turned) sticker on the page, inside the printable area
};

// The loaded label (the queue's default media) where it holds the sticker, upright or turned;
// else the custom size that holds it, upright where the head is wide enough; else the smallest
// offered size that holds it either way. Nothing, with whyNot set, when none does. stickerDots
// is the sticker as it is read, at dpi.
std::optional<PageChoice> choosePage(const CupsQueue& queue, const QSize& stickerDots, int dpi,
                                     QString* whyNot);
