#include "OwedStickers.h"

#include <algorithm>

namespace {

QStringList named(QStringList SampleIds) {
    SampleIds.removeAll(QString());
    return SampleIds;
}

} // namespace

void OwedStickers::add(const QString& SampleId, const std::vector<const StickerKind*>& kinds,
                       bool lastOfPass) {
    using State = OwedStickerRow::State;
    for (const StickerKind* kind : kinds) {
        const bool gathers = kind->samples > 1;
        const State state = !gathers || lastOfPass ? State::Sending : State::Owed;
        const auto gathering = std::find_if(mOwed.begin(), mOwed.end(), [kind](const Owed& owed) {
            return kind->samples > 1 && owed.kind == kind && !owed.told;
        });
        if (!gathers || gathering == mOwed.end()) {
            mOwed.push_back({kind, {SampleId}, state});
            continue;
        }
        if (gathering->SampleIds.size() < kind->samples)
            gathering->SampleIds << SampleId;
        gathering->state = state;
        gathering->changed = true;
        gathering->pending = false;
    }
}

void OwedStickers::settle(const StickerKind& kind, const QStringList& SampleIds,
                          const StickerOutcome& outcome) {
    const QStringList settled = named(SampleIds);
    for (Owed& owed : mOwed) {
        if (owed.kind != &kind || owed.SampleIds != settled || (owed.told && !owed.awaiting))
            continue;
        owed.told = true;
        owed.changed = true;
        owed.pending = false;
        owed.awaiting = outcome.state == StickerOutcome::State::Printed && outcome.cupsJob != 0;
        // Without a printer setting the job says nothing of the sticker: it is not asked for.
        owed.printed = !outcome.lost() && !owed.awaiting;
        const bool perhaps = owed.awaiting || outcome.state == StickerOutcome::State::Unknown ||
                             outcome.state == StickerOutcome::State::Waiting;
        owed.state = perhaps ? OwedStickerRow::State::Maybe : OwedStickerRow::State::Owed;
        break;
    }
}

QList<OwedStickers::Owed> OwedStickers::owed() const {
    QList<Owed> owed;
    for (const Owed& o : mOwed)
        if (!o.told)
            owed << o;
    std::stable_partition(owed.begin(), owed.end(), [](const Owed& o) { return o.kind->samples == 1; });
    return owed;
}

void OwedStickers::write(const DbConnection& db, const QString& desk) {
    for (Owed& owed : mOwed) {
        if (!owed.changed || owed.pending)
            continue;
        // A sticker never written has no row to replace.
        if (owed.printed)
            ClearOwedSticker(db, desk, owed.kind->keyword, owed.SampleIds.value(0));
        else
            WriteOwedSticker(db, desk, {owed.kind->keyword, owed.SampleIds, owed.state, {}}, owed.stored);
        owed.pending = true;
    }
}

void OwedStickers::written() {
    std::erase_if(mOwed, [](const Owed& owed) { return owed.printed; });
    for (Owed& owed : mOwed) {
        owed.changed = false;
        owed.pending = false;
        owed.stored = true;
    }
}

bool OwedStickers::anyChanged() const {
    return std::any_of(mOwed.begin(), mOwed.end(), [](const Owed& owed) { return owed.changed; });
}

void OwedStickers::forget(const std::vector<const StickerKind*>& kinds) {
    std::erase_if(mOwed, [&kinds](const Owed& owed) {
        return std::find(kinds.begin(), kinds.end(), owed.kind) != kinds.end();
    });
}
