#include "DeskOwes.h"

#include "AppError.h"
#include "LostStickers.h"
#include "NumberingTransaction.h"
#include "OwedStickerTable.h"
#include "StickerKinds.h"
#include "StickerRun.h"
#include "SystemLog.h"

#include <QDeadlineTimer>
#include <QHash>
#include <algorithm>
#include <tuple>
#include <utility>

namespace {

// In all, for looking up what was being sent at a stop: a folder's files or a queue's jobs.
constexpr qint32 LookupPatienceMs = 10000;

// What the printer says of a sticker sent, or about to be sent, when the desk stopped.
struct Looked {
    qint32 state = SLP_JOB_UNKNOWN;
    QString why; // why it could not be told
};

// Asks each printer once for the stickers that were being sent on it at a stop, by the name each
// carries: a file printer's folder, a CUPS queue's jobs. Rows owed for sure are asked too: a
// "Nochmals drucken" stopped after its printer took a sticker left it owed.
std::vector<Looked> lookForSent(MainModule& module, const std::vector<OwedStickerRow>& rows) {
    std::vector<Looked> looked(rows.size());
    QHash<QString, std::vector<size_t>> byPrinter;
    for (size_t i = 0; i < rows.size(); ++i) {
        const StickerKind* kind = StickerKindOfKeyword(rows[i].sticker);
        if (!kind)
            continue;
        const QString setting = module.settings.*kind->printer;
        if (setting.isEmpty())
            looked[i].why = QStringLiteral("no printer is set for it");
        else
            byPrinter[printerName(setting)].push_back(i);
    }
    // Either library can look: both find printers alike.
    SlpPrinterApi* library = module.printer7x32 ? module.printer7x32 : module.printer62;
    QDeadlineTimer deadline(LookupPatienceMs);
    bool begun = false;
    for (auto printer = byPrinter.cbegin(); printer != byPrinter.cend(); ++printer) {
        QStringList names;
        std::vector<qint64> notBefore;
        for (const size_t i : printer.value()) {
            names << StickerLabelName(*StickerKindOfKeyword(rows[i].sticker), rows[i].SampleIds.value(0));
            // A row about to be sent was written just before the send; one perhaps printed was
            // written after it, so its time says nothing of when its job was made.
            const bool sending = rows[i].state == OwedStickerRow::State::Sending && rows[i].written.isValid();
            notBefore.push_back(sending ? rows[i].written.toSecsSinceEpoch() : 0);
        }
        std::vector<qint32> states;
        QString whyNot;
        try {
            if (!library)
                throw AppError(QStringLiteral("no printer library"));
            // Printers asked afresh, and a silent CUPS waited for once, not once per printer.
            if (!std::exchange(begun, true))
                library->SlpBeginJob({});
            states = library->SlpFindLabels(printer.key(), names, notBefore,
                                            qint32(std::max<qint64>(deadline.remainingTime(), 500)), whyNot);
        } catch (const AppError& error) {
            whyNot = error.description();
        }
        for (size_t k = 0; k < printer.value().size(); ++k) {
            Looked& one = looked[printer.value()[k]];
            one.state = k < states.size() ? states[k] : SLP_JOB_UNKNOWN;
            one.why = whyNot.isEmpty() ? QStringLiteral("the printer library gave no reason") : whyNot;
        }
    }
    return looked;
}

// What the look found, made durable: printed ones owed no more, surely unprinted ones plainly owed.
// Where this fails the next look finds the same.
void writeFound(MainModule& module, const QString& desk, const std::vector<OwedStickerRow>& rows,
                const std::vector<Looked>& looked) {
    const auto changes = [&](size_t i) {
        return looked[i].state == SLP_JOB_PRINTED ||
               (looked[i].state == SLP_JOB_LOST && rows[i].state != OwedStickerRow::State::Owed);
    };
    bool any = false;
    for (size_t i = 0; i < rows.size(); ++i)
        any = any || changes(i);
    if (!any)
        return;
    try {
        NumberingTransaction transaction(module.db, QString());
        for (size_t i = 0; i < rows.size(); ++i) {
            if (looked[i].state == SLP_JOB_PRINTED)
                ClearOwedSticker(module.db, desk, rows[i].sticker, rows[i].SampleIds.value(0));
            else if (changes(i))
                WriteOwedSticker(module.db, desk,
                                 {rows[i].sticker, rows[i].SampleIds, OwedStickerRow::State::Owed, {}});
        }
        transaction.commit();
    } catch (const AppError& error) {
        TellAdministrator(QStringLiteral("What the printers said of the stickers sent at a stop could not be "
                                         "written to OWED_STICKER; the next look asks them again: %1")
                              .arg(error.description()));
    }
}

} // namespace

JobReport OwedSinceEarlier(MainModule& module) {
    JobReport report;
    report.earlier = true;
    const QString desk = DeskName(module.applicationFolder);
    const std::vector<OwedStickerRow> rows = ReadOwedStickers(module.db, desk);
    const std::vector<Looked> looked = lookForSent(module, rows);
    writeFound(module, desk, rows, looked);
    for (size_t i = 0; i < rows.size(); ++i) {
        const OwedStickerRow& row = rows[i];
        const StickerKind* kind = StickerKindOfKeyword(row.sticker);
        if (!kind)
            continue;
        const QString setting = module.settings.*kind->printer;
        const QString printer = setting.isEmpty() ? QString() : printerName(setting);
        const QString samples = row.SampleIds.join(u' ');
        const bool printedOrWaiting =
            looked[i].state == SLP_JOB_PRINTED || looked[i].state == SLP_JOB_WAITING;
        if (row.state == OwedStickerRow::State::Owed && !printedOrWaiting) {
            report.lostStickers.append({row.SampleIds, kind->name, printer,
                                        QStringLiteral("not printed: an earlier job stopped or lost it"),
                                        StickerCause::JobEnded, false});
            continue;
        }
        // One that was being sent (or printed again) when the desk stopped: its printer decides;
        // where it cannot tell, never printed again without a word.
        switch (looked[i].state) {
        case SLP_JOB_PRINTED:
            TellAdministrator(QStringLiteral("Found printed after a stop, owed no more: samples %1, %2, %3")
                                  .arg(samples, kind->name, printer));
            break;
        case SLP_JOB_LOST:
            TellAdministrator(QStringLiteral("Not printed before a stop, owed: samples %1, %2, %3")
                                  .arg(samples, kind->name, printer));
            report.lostStickers.append(
                {row.SampleIds, kind->name, printer,
                 QStringLiteral("not printed: an earlier job stopped before its printer had it"),
                 StickerCause::JobEnded, false});
            break;
        case SLP_JOB_WAITING: {
            const QString reason = QStringLiteral("sent by an earlier job; CUPS still holds its job");
            TellAdministrator(LostStickerLine(row.SampleIds, kind->name, printer, reason, true));
            report.lostStickers.append(
                {row.SampleIds, kind->name, printer, reason, StickerCause::JobWaiting, true});
            break;
        }
        default: {
            const QString reason =
                QStringLiteral("sent by an earlier job; whether it printed is not known: %1")
                    .arg(looked[i].why);
            TellAdministrator(LostStickerLine(row.SampleIds, kind->name, printer, reason, true));
            report.lostStickers.append(
                {row.SampleIds, kind->name, printer, reason, StickerCause::JobUnknown, true});
            break;
        }
        }
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
