#pragma once

#include "StickerKinds.h"

#include <QList>
#include <QStringList>
#include <vector>

// The stickers a job still owes: those of its recorded labels that were neither printed nor told
// as lost.
class OwedStickers {
public:
    struct Owed {
        const StickerKind* kind;
        QStringList SampleIds; // a sticker naming several samples: those recorded so far
    };

    // A recorded label is owed each of these stickers. One that names several samples gathers the
    // labels' numbers until it is full or printed.
    void add(const QString& SampleId, const std::vector<const StickerKind*>& kinds);

    // Printed, or told as lost: owed no more. The samples' empty places do not count.
    void settle(const StickerKind& kind, const QStringList& SampleIds);

    // Each label's own stickers first, then those that gather several labels.
    QList<Owed> owed() const;

private:
    std::vector<Owed> mOwed;
};
