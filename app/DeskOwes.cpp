#include "DeskOwes.h"

#include "OwedStickerTable.h"
#include "StickerKinds.h"
#include "StickerRun.h"
#include "SystemLog.h"

#include <algorithm>
#include <tuple>

JobReport OwedSinceEarlier(MainModule& module) {
    JobReport report;
    report.earlier = true;
    for (const OwedStickerRow& row : ReadOwedStickers(module.db, DeskName(module.applicationFolder))) {
        const StickerKind* kind = StickerKindOfKeyword(row.sticker);
        if (!kind)
            continue;
        const QString setting = module.settings.*kind->printer;
        const QString printer = setting.isEmpty() ? QString() : printerName(setting);
        // One that was being sent when the desk stopped may have printed: never again without a word.
        const bool maybe = row.state != OwedStickerRow::State::Owed;
        report.lostStickers.append(
            {row.SampleIds, kind->name, printer,
             maybe
                 ? QStringLiteral("sent just before an earlier job stopped; whether it printed is not known")
                 : QStringLiteral("not printed: an earlier job stopped or lost it"),
             maybe ? StickerCause::JobUnknown : StickerCause::JobEnded, maybe});
    }
    // Each label's own stickers first, in the order of their samples and of printing; then those
    // naming several samples.
    const auto order = [](const LostSticker& sticker) {
        const std::vector<StickerKind>& kinds = StickerKinds();
        const StickerKind* kind = StickerKindNamed(sticker.sticker);
        return std::make_tuple(kind->samples > 1, sticker.SampleIds.value(0), kind - kinds.data());
    };
    std::stable_sort(report.lostStickers.begin(), report.lostStickers.end(),
                     [&order](const LostSticker& a, const LostSticker& b) { return order(a) < order(b); });
    return report;
}

void GiveUpOwedStickers(MainModule& module, const QList<LostSticker>& stickers) {
    const QString desk = DeskName(module.applicationFolder);
    for (const LostSticker& sticker : stickers) {
        const StickerKind* kind = StickerKindNamed(sticker.sticker);
        if (!kind)
            continue;
        ClearOwedSticker(module.db, desk, kind->keyword, sticker.SampleIds.value(0));
        TellAdministrator(QStringLiteral("Not to be printed, said the operator: samples %1, %2, %3")
                              .arg(sticker.SampleIds.join(u' '), sticker.sticker, sticker.printer));
    }
}
