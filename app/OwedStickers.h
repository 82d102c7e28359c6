#pragma once

#include "DbConnection.h"
#include "OwedStickerTable.h"
#include "StickerKinds.h"
#include "StickerOutcome.h"

#include <QList>
#include <QStringList>
#include <vector>

// The stickers a job owes for its recorded labels, as the job knows them and as OWED_STICKER must
// come to hold them: what changed is written inside the next label's transaction (or once at the
// job's end), so that keeping them durable costs no disk sync of its own.
class OwedStickers {
public:
    struct Owed {
        const StickerKind* kind;
        QStringList SampleIds; // a sticker naming several samples: those recorded so far
        OwedStickerRow::State state = OwedStickerRow::State::Owed;
        bool told = false;     // printed, lost or of unknown fate: the job has said so
        bool printed = false;  // owed no more, once that is written
        bool changed = true;   // not yet written as it stands
        bool awaiting = false; // CUPS took it: printed once its job completes, told again then
        bool pending = false;  // written as it stands in the transaction not yet committed
        bool stored = false;   // OWED_STICKER has a row of it
    };

    // A recorded label is owed each of these stickers; its own are sent after its transaction. One
    // that names several samples gathers the labels' numbers until it is full, and is sent after
    // the pass's last label.
    void add(const QString& SampleId, const std::vector<const StickerKind*>& kinds, bool lastOfPass);

    // What became of a sticker: printed (or without a printer) it is owed no more; lost it stays
    // owed; sent without knowing whether it printed it stays, apart. The samples' empty places do
    // not count. A sticker CUPS took stays owed, as perhaps printed, until settled again with what
    // became of its job.
    void settle(const StickerKind& kind, const QStringList& SampleIds, const StickerOutcome& outcome);

    // Not yet printed nor told: each label's own stickers first, then those that gather several.
    QList<Owed> owed() const;

    // Leaves these stickers to what OWED_STICKER holds: neither reported nor written by this job.
    void forget(const std::vector<const StickerKind*>& kinds);

    // Writes what changed into OWED_STICKER, inside the caller's transaction; what it wrote is
    // not written again in the same transaction unless it changes. Marked written only by
    // written(), once that transaction has committed; a failed transaction restores a copy taken
    // before it.
    void write(const DbConnection& db, const QString& desk);
    void written();
    bool anyChanged() const;

private:
    std::vector<Owed> mOwed;
};
