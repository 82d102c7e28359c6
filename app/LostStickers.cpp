#include "LostStickers.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int MaxGroupsShown = 8;     // printer-and-reason groups in the window's message
constexpr int MaxNumbersPerLine = 20; // numbers or ranges on one line of it
constexpr int ShortestRange = 3;      // shorter runs of numbers are listed one by one

struct StickerGroup {
    QString sticker;
    QStringList SampleIds;
};

struct ReasonGroup {
    QString printer;
    QString reason;
    std::vector<StickerGroup> stickers;
    int count = 0;
};

QString shown(const QString& SampleId) {
    return SampleId.isEmpty() ? QStringLiteral("(no number)") : SampleId;
}

bool allDigits(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// b directly follows a: both all digits, of the same length, b one more.
bool follows(const QString& a, const QString& b) {
    if (a.size() != b.size() || a.size() > 18 || !allDigits(a) || !allDigits(b))
        return false;
    return b.toULongLong() == a.toULongLong() + 1;
}

// "70100001 to 70100099, 70100120": runs of consecutive numbers as ranges, in the given order.
QString numberList(const QStringList& SampleIds) {
    QStringList items;
    for (qsizetype i = 0; i < SampleIds.size();) {
        qsizetype end = i + 1;
        while (end < SampleIds.size() && follows(SampleIds[end - 1], SampleIds[end]))
            ++end;
        if (end - i >= ShortestRange) {
            items << SampleIds[i] + QStringLiteral(" to ") + SampleIds[end - 1];
        } else {
            for (qsizetype k = i; k < end; ++k)
                items << shown(SampleIds[k]);
        }
        i = end;
    }
    if (items.size() > MaxNumbersPerLine) {
        const qsizetype more = items.size() - MaxNumbersPerLine;
        items.resize(MaxNumbersPerLine);
        items << QStringLiteral("and %1 more").arg(more);
    }
    return items.join(QStringLiteral(", "));
}

std::vector<ReasonGroup> grouped(const QList<LostSticker>& lost) {
    std::vector<ReasonGroup> groups;
    for (const LostSticker& sticker : lost) {
        auto group = std::find_if(groups.begin(), groups.end(), [&](const ReasonGroup& g) {
            return g.printer == sticker.printer && g.reason == sticker.reason;
        });
        if (group == groups.end())
            group = groups.insert(groups.end(), ReasonGroup{sticker.printer, sticker.reason, {}, 0});
        ++group->count;
        auto kind = std::find_if(group->stickers.begin(), group->stickers.end(),
                                 [&](const StickerGroup& s) { return s.sticker == sticker.sticker; });
        if (kind == group->stickers.end())
            kind = group->stickers.insert(group->stickers.end(), StickerGroup{sticker.sticker, {}});
        kind->SampleIds << sticker.SampleIds.value(0);
    }
    // The commonest cause first: it is the one to mend.
    std::stable_sort(groups.begin(), groups.end(),
                     [](const ReasonGroup& a, const ReasonGroup& b) { return a.count > b.count; });
    return groups;
}

} // namespace

QString LostStickerLine(const QStringList& SampleIds, const QString& sticker, const QString& printer,
                        const QString& reason) {
    QStringList numbers;
    for (const QString& SampleId : SampleIds)
        numbers << shown(SampleId);
    const QString samples = numbers.size() == 1 ? QStringLiteral("sample ") : QStringLiteral("samples ");
    return QStringLiteral("Sticker lost: ") + samples + numbers.join(u' ') + QStringLiteral(", ") + sticker +
           QStringLiteral(", ") + printer + QStringLiteral(": ") + reason;
}

void NoteSticker(QList<LostSticker>& lost, const QStringList& SampleIds, const QString& sticker,
                 const StickerOutcome& outcome) {
    if (!outcome.lost())
        return;
    const QString line = LostStickerLine(SampleIds, sticker, outcome.printer, outcome.reason);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    lost.append({SampleIds, sticker, outcome.printer, outcome.reason, outcome.cause,
                 outcome.state == StickerOutcome::State::Unknown});
}

QString LostStickersMessage(const QList<LostSticker>& lost) {
    if (lost.isEmpty())
        return {};
    QString message = lost.size() == 1
                          ? QStringLiteral("1 sticker did not reach its printer.\n")
                          : QStringLiteral("%1 stickers did not reach their printers.\n").arg(lost.size());
    const std::vector<ReasonGroup> groups = grouped(lost);
    int notShown = 0;
    for (size_t g = 0; g < groups.size(); ++g) {
        if (g >= size_t(MaxGroupsShown)) {
            notShown += groups[g].count;
            continue;
        }
        message += u'\n' + groups[g].printer + QStringLiteral(": ") + groups[g].reason + u'\n';
        for (const StickerGroup& kind : groups[g].stickers)
            message += QStringLiteral("    ") + kind.sticker + QStringLiteral(": ") +
                       numberList(kind.SampleIds) + u'\n';
    }
    if (notShown > 0)
        message +=
            QStringLiteral("\n%1 more for other reasons; standard error lists every one.\n").arg(notShown);
    message += QStringLiteral("\nThe samples are recorded. Print their stickers again with\n"
                              "velmora-barcode-tool --reprint KIND SAMPLE_ID...");
    return message;
}
