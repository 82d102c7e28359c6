#include "StickerKinds.h"

#include "modSlpApi62.h"
#include "modSlpApi7x32.h"

#include <algorithm>

const std::vector<StickerKind>& StickerKinds() {
    using S = AppSettings;
    // clang-format off
    static const std::vector<StickerKind> kinds{
        {QStringLiteral("sample sticker"), QStringLiteral("Probenetikett"), QStringLiteral("sample"),
         &S::BarcodePrinter1, Layout7x32::SampleLabel, Layout62::SampleLabel, 1, true, 500, {SingleTest, FourTests}},
        {QStringLiteral("result sticker"), QStringLiteral("Ergebnisetikett"), QStringLiteral("result"),
         &S::BarcodePrinter2, Layout7x32::ResultLabel, nullptr, 1, true, 500, {SingleTest}},
        {QStringLiteral("large label"), QStringLiteral("Großes Etikett"), QStringLiteral("large"),
         &S::BarcodePrinter1, Layout7x32::LargeLabel, Layout62::LargeLabel, 1, false, 500, {LargeLabel}},
        {QStringLiteral("small barcode sticker"), QStringLiteral("Kleines Barcode-Etikett"), QStringLiteral("small"),
         &S::BarcodePrinter3, Layout7x32::SmallBarcode, Layout62::SmallBarcode, 1, false, 100, {SmallBarcode}},
        {QStringLiteral("batch result sticker"), QStringLiteral("Ergebnisetikett für 4 Proben"), QStringLiteral("batch"),
         &S::BarcodePrinter2, nullptr, Layout62::BatchResultLabel, 4, true, 500, {FourTests}},
    };
    // clang-format on
    return kinds;
}

namespace {

template <typename Matches> const StickerKind* findKind(Matches matches) {
    const std::vector<StickerKind>& kinds = StickerKinds();
    const auto found = std::find_if(kinds.begin(), kinds.end(), matches);
    return found == kinds.end() ? nullptr : &*found;
}

} // namespace

const StickerKind* StickerKindNamed(const QString& name) {
    return findKind([&name](const StickerKind& kind) { return kind.name == name; });
}

const StickerKind* StickerKindOfKeyword(const QString& keyword) {
    return findKind([&keyword](const StickerKind& kind) { return kind.keyword == keyword; });
}

const StickerKind* StickerKindOfLayout(StickerLayout layout) {
    return findKind(
        [layout](const StickerKind& kind) { return kind.layout7x32 == layout || kind.layout62 == layout; });
}

std::vector<const StickerKind*> StickersOfJob(qint16 jobKind, bool perPass) {
    std::vector<const StickerKind*> stickers;
    for (const StickerKind& kind : StickerKinds())
        if ((kind.samples > 1) == perPass && std::ranges::count(kind.jobKinds, jobKind) > 0)
            stickers.push_back(&kind);
    return stickers;
}

QString StickerLabelName(const StickerKind& kind, const QString& firstSampleId) {
    return QStringLiteral("Velmora ") + kind.keyword + u' ' + firstSampleId;
}
