#pragma once

#include "CupsQueue.h"

#include <QByteArray>
#include <QSize>
#include <optional>

// The page a label goes out on: exactly its size where the driver takes custom sizes, else the
// smallest size it offers that holds the label.
struct PageChoice {
    QByteArray option; // the job's option naming the size: PageSize for a custom size, else media
    QByteArray value;
    QSize dots; // the page in device dots, as the label runs through the printer
};

// Nothing when no size of the queue holds a label of labelDots at dpi.
std::optional<PageChoice> choosePage(const CupsQueue& queue, const QSize& labelDots, int dpi);
