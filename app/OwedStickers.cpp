#include "OwedStickers.h"

#include <algorithm>

namespace {

QStringList named(QStringList SampleIds) {
    SampleIds.removeAll(QString());
    return SampleIds;
}

} // namespace

void OwedStickers::add(const QString& SampleId, const std::vector<const StickerKind*>& kinds) {
    for (const StickerKind* kind : kinds) {
        const auto gathering = std::find_if(mOwed.begin(), mOwed.end(), [kind](const Owed& owed) {
            return kind->samples > 1 && owed.kind == kind;
        });
        if (gathering == mOwed.end())
            mOwed.push_back({kind, {SampleId}});
        else if (gathering->SampleIds.size() < kind->samples)
            gathering->SampleIds << SampleId;
    }
}

void OwedStickers::settle(const StickerKind& kind, const QStringList& SampleIds) {
    const QStringList settled = named(SampleIds);
    std::erase_if(mOwed, [&](const Owed& owed) { return owed.kind == &kind && owed.SampleIds == settled; });
}

QList<OwedStickers::Owed> OwedStickers::owed() const {
    QList<Owed> owed(mOwed.begin(), mOwed.end());
    std::stable_partition(owed.begin(), owed.end(), [](const Owed& o) { return o.kind->samples == 1; });
    return owed;
}
