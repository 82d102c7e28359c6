#include "Reprint.h"

#include "AppError.h"
#include "LostStickers.h"
#include "OwedStickerTable.h"
#include "StickerPrinter.h"
#include "StoredSample.h"
#include "SystemLog.h"
#include "WriteLine.h"

#include <QRegularExpression>
#include <array>
#include <optional>
#include <vector>

namespace {

// Why a request is refused, kept apart from its words: the command line words it in English,
// the window in German.
struct Refusal {
    enum class Why {
        None,
        NoKind,
        UnknownKind,
        NoNumber,
        BatchNotFour,
        BatchRepeated,
        BatchCustomers,
        NotRecorded,
        NoCode
    };
    Why why = Why::None;
    QStringList items; // the numbers (or, for BatchCustomers, the customers) it concerns
    qsizetype given = 0;
};

// What is wrong with the request before any database is asked.
Refusal requestRefusal(const StickerKind* row, const QString& kind, const QStringList& SampleIds) {
    using Why = Refusal::Why;
    if (kind.isEmpty())
        return {Why::NoKind, {}};
    if (!row)
        return {Why::UnknownKind, {kind}, 0};
    if (SampleIds.isEmpty())
        return {Why::NoNumber, {}};
    if (row->samples > 1) {
        // One kit's result sticker: up to four different samples, fewer where its pass was cut off.
        if (SampleIds.size() > row->samples)
            return {Why::BatchNotFour, {}, SampleIds.size()};
        for (qsizetype i = 1; i < SampleIds.size(); ++i)
            if (SampleIds.indexOf(SampleIds[i]) < i)
                return {Why::BatchRepeated, {SampleIds[i]}, 0};
    }
    return {};
}

// Every number recorded, with a code where the sticker shows one, and one kit of one customer.
Refusal storedRefusal(const StickerKind& row, const QStringList& SampleIds,
                      const std::vector<std::optional<StoredSample>>& stored) {
    using Why = Refusal::Why;
    Refusal unknown{Why::NotRecorded, {}};
    Refusal withoutCode{Why::NoCode, {}};
    QStringList customers;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (!stored[i])
            unknown.items << SampleIds[qsizetype(i)];
        else if (row.showsCode && stored[i]->CodeId.isEmpty())
            withoutCode.items << SampleIds[qsizetype(i)];
        else if (!customers.contains(stored[i]->CustomerId))
            customers << stored[i]->CustomerId;
    }
    if (!unknown.items.isEmpty())
        return unknown;
    if (!withoutCode.items.isEmpty())
        return withoutCode;
    if (row.samples > 1 && customers.size() > 1)
        return {Why::BatchCustomers, customers, 0};
    return {};
}

// "sample, result, large, small or batch"
QString keywords() {
    QStringList words;
    for (const StickerKind& kind : StickerKinds())
        words << kind.keyword;
    const QString last = words.takeLast();
    return words.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// The refusal in English for the command line, or in German for the window: %1 the numbers (the
// kind, the count given), %2 the sticker (the kinds there are).
QString worded(const Refusal& refusal, const QString& kind, bool german) {
    using Why = Refusal::Why;
    static const std::array<std::array<QString, 2>, 9> texts{{
        {},
        {QStringLiteral("--reprint needs a sticker kind and sample numbers."),
         QStringLiteral("Bitte ein Etikett wählen.")},
        {QStringLiteral("Unknown sticker kind \"%1\": use %2."), QStringLiteral("Bitte ein Etikett wählen.")},
        {QStringLiteral("No sample number given."), QStringLiteral("Bitte Proben-Nr. eingeben.")},
        {QStringLiteral("A batch result sticker lists one to four samples; %1 given."),
         QStringLiteral("Ein Ergebnisetikett für 4 Proben nimmt 1 bis 4 Proben-Nr., nicht %1.")},
        {QStringLiteral("A batch result sticker lists different samples; %1 is given twice."),
         QStringLiteral("%1 steht doppelt da: verschiedene Proben-Nr. eingeben.")},
        {QStringLiteral(
             "A batch result sticker lists the samples of one customer; these belong to customers %1."),
         QStringLiteral("Die 4 Proben gehören zu verschiedenen Kunden (%1).")},
        {QStringLiteral("Not recorded: %1."), QStringLiteral("Nicht erfasst: %1.")},
        {QStringLiteral("No test code recorded for %1, so no %2 can be printed for it."),
         QStringLiteral("Keine Testnummer erfasst für %1: kein %2 möglich.")},
    }};
    const StickerKind* row = StickerKindOfKeyword(kind);
    const QString sticker = !row ? keywords() : german ? row->germanName : row->name;
    const QString numbers = refusal.why == Why::UnknownKind    ? kind
                            : refusal.why == Why::BatchNotFour ? QString::number(refusal.given)
                                                               : refusal.items.join(QStringLiteral(", "));
    // The sticker first: a kind typed on the command line may hold a "%2" of its own.
    return QString(texts[size_t(refusal.why)][german])
        .replace(QStringLiteral("%2"), sticker)
        .replace(QStringLiteral("%1"), numbers);
}

// A request checked against the stored rows before anything prints.
struct CheckedRequest {
    Refusal refusal;
    const StickerKind* row = nullptr;
    std::vector<StoredSample> stored; // the rows, in the order of the numbers, when not refused
};

CheckedRequest checkRequest(const DbConnection& db, const QString& kind, const QStringList& SampleIds) {
    CheckedRequest checked;
    checked.row = StickerKindOfKeyword(kind);
    checked.refusal = requestRefusal(checked.row, kind, SampleIds);
    if (checked.refusal.why != Refusal::Why::None)
        return checked;
    std::vector<std::optional<StoredSample>> found;
    for (const QString& SampleId : SampleIds)
        found.push_back(FindStoredSample(db, SampleId));
    checked.refusal = storedRefusal(*checked.row, SampleIds, found);
    for (const std::optional<StoredSample>& sample : found)
        checked.stored.push_back(sample.value_or(StoredSample{}));
    return checked;
}

// Stickers of stored samples, the customer of their rows picking the test centre, a pause
// between two of them as between a job's labels.
class StoredStickers {
public:
    explicit StoredStickers(MainModule& module)
        : mDb(module.db), mDesk(DeskName(module.applicationFolder)), mStickers(module, mJob) {
        BeginPrinterJob(module);
    }

    // One sticker for stored rows: one, or the four of a batch sticker. A printer left unset is a
    // lost sticker here, since the sticker was asked for.
    StickerOutcome print(const StickerKind& kind, const QStringList& SampleIds,
                         const std::vector<StoredSample>& stored) {
        if (mPrinted++ > 0)
            mStickers.pauseAfter(kind);
        mJob.CustomerId.clear();
        QStringList CodeIds;
        for (const StoredSample& sample : stored) {
            CodeIds << sample.CodeId;
            if (mJob.CustomerId.isEmpty())
                mJob.CustomerId = sample.CustomerId;
        }
        StickerOutcome outcome = mStickers.print(kind, SampleIds, CodeIds);
        if (outcome.state == StickerOutcome::State::NoPrinter) {
            outcome.state = StickerOutcome::State::Lost;
            outcome.reason = QStringLiteral("no printer is set for it (its BARCODEPRINTER setting is empty)");
            outcome.cause = StickerCause::NoPrinterSet;
        }
        if (outcome.state == StickerOutcome::State::Printed)
            clearOwed(kind, SampleIds);
        return outcome;
    }

private:
    // A sticker printed again is owed no more, whoever asked for it.
    void clearOwed(const StickerKind& kind, const QStringList& SampleIds) {
        try {
            ClearOwedSticker(mDb, mDesk, kind.keyword, SampleIds.value(0));
        } catch (const AppError& error) {
            TellAdministrator(QStringLiteral("Printed, but still listed as owed (samples %1, %2): %3")
                                  .arg(SampleIds.join(u' '), kind.name, error.description()));
        }
    }

    const DbConnection& mDb;
    QString mDesk;
    LabelJob mJob; // only its customer, for the test centre
    StickerPrinter mStickers;
    int mPrinted = 0;
};

// Prints an accepted request: each sample's sticker, or the one batch sticker of up to four.
// tellPrinted: a line on standard output for each sticker printed, for the command line. A stop
// asked for between two stickers leaves the rest unprinted, listed in notReached.
struct PrintedRequest {
    QList<LostSticker> lost;
    QStringList printed;    // the samples whose stickers printed
    QStringList notReached; // the samples not tried before the stop
};

PrintedRequest printChecked(MainModule& module, const CheckedRequest& checked, const QStringList& SampleIds,
                            bool tellPrinted, const ReprintProgress& progress = {},
                            const StopRequest* stop = nullptr) {
    const StickerKind& row = *checked.row;
    StoredStickers stickers(module);
    PrintedRequest result;
    const auto tellIfPrinted = [&](const QStringList& numbers, const QString& printer) {
        if (tellPrinted)
            WriteLine(stdout, QStringLiteral("Printed: %1 %2 on %3")
                                  .arg(row.name, QStringList(numbers).join(u' ').trimmed(), printer));
        for (const QString& SampleId : numbers)
            if (!SampleId.isEmpty())
                result.printed << SampleId;
    };
    // Printed is the printer's word: a sticker CUPS took is told once its job completed.
    const auto settle = [&] {
        SettlePrinterJobs(module, result.lost, [&](const SlpJobShare::Sent& sent) {
            tellIfPrinted(sent.SampleIds, sent.outcome.printer);
        });
    };
    const auto print = [&](const QStringList& numbers, const std::vector<StoredSample>& rows) {
        const StickerOutcome outcome = stickers.print(row, numbers, rows);
        NoteSticker(result.lost, numbers, row.name, outcome);
        if (!AwaitPrinted(module, numbers, row.name, outcome) && outcome.state == StickerOutcome::State::Printed)
            tellIfPrinted(numbers, outcome.printer);
    };
    if (row.samples > 1) {
        // A cut-off pass's sticker: its empty places stay empty, as the job prints them.
        QStringList numbers = SampleIds;
        std::vector<StoredSample> rows = checked.stored;
        numbers.resize(row.samples);
        rows.resize(size_t(row.samples));
        if (progress)
            progress(1, 1);
        print(numbers, rows);
        settle();
        return result;
    }
    for (qsizetype i = 0; i < SampleIds.size(); ++i) {
        if (stop && stop->requested()) {
            result.notReached = SampleIds.mid(i);
            break;
        }
        if (progress)
            progress(int(i + 1), int(SampleIds.size()));
        print({SampleIds[i]}, {checked.stored[size_t(i)]});
    }
    settle();
    return result;
}

// "70100001 bis 70100003, 70100007" in the operator's words, at most a few lines of it.
QString germanNumbers(const QStringList& SampleIds) {
    constexpr qsizetype kShown = 12;
    QStringList shown = SampleIds.mid(0, kShown);
    if (SampleIds.size() > kShown)
        shown << QStringLiteral("und %1 weitere").arg(SampleIds.size() - kShown);
    return shown.join(QStringLiteral(", "));
}

} // namespace

QString ReprintRequestProblem(const QString& kind, const QStringList& SampleIds) {
    return worded(requestRefusal(StickerKindOfKeyword(kind), kind, SampleIds), kind, false);
}

int Reprint(MainModule& module, const QString& kind, const QStringList& SampleIds) {
    const CheckedRequest checked = checkRequest(module.db, kind, SampleIds);
    if (checked.refusal.why != Refusal::Why::None) {
        WriteLine(stderr, worded(checked.refusal, kind, false) + QStringLiteral(" Nothing was printed."));
        return ExitRefused;
    }
    const PrintedRequest printed = printChecked(module, checked, SampleIds, true);
    return printed.lost.isEmpty() ? ExitPrinted : ExitStickersLost;
}

QStringList SampleIdsFromText(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    return text.split(separators, Qt::SkipEmptyParts);
}

WindowReprint ReprintFromWindow(MainModule& module, const QString& kind, const QString& SampleIdsText,
                                const ReprintProgress& progress, const StopRequest* stop) {
    const QStringList SampleIds = SampleIdsFromText(SampleIdsText);
    const CheckedRequest checked = checkRequest(module.db, kind, SampleIds);
    if (checked.refusal.why != Refusal::Why::None)
        return {worded(checked.refusal, kind, true) + QStringLiteral(" Nichts gedruckt."), {}, {}};
    const PrintedRequest printed = printChecked(module, checked, SampleIds, false, progress, stop);
    const QString sticker = checked.row->germanName;
    QStringList said;
    if (printed.printed.isEmpty())
        said << QStringLiteral("Nichts gedruckt.");
    else
        said << QStringLiteral("Gedruckt: %1 %2.").arg(sticker, germanNumbers(printed.printed));
    QStringList missing;
    for (const LostSticker& lost : printed.lost)
        for (const QString& SampleId : lost.SampleIds)
            if (!SampleId.isEmpty())
                missing << SampleId;
    if (!missing.isEmpty())
        said << QStringLiteral("Nicht gedruckt: %1.").arg(germanNumbers(missing));
    if (!printed.notReached.isEmpty())
        said
            << QStringLiteral("Abgebrochen, noch nicht gedruckt: %1.").arg(germanNumbers(printed.notReached));
    return {{}, printed.lost, said.join(u'\n')};
}

QList<LostSticker> PrintLostStickersAgain(MainModule& module, const QList<LostSticker>& lost) {
    QList<LostSticker> stillLost;
    StoredStickers stickers(module);
    for (const LostSticker& sticker : lost) {
        const StickerKind* row = StickerKindNamed(sticker.sticker);
        if (sticker.unknown || !row) { // may have printed: the operator decides, not a button
            stillLost << sticker;
            continue;
        }
        // The codes from the stored rows; a row that cannot be read keeps the sticker lost.
        std::vector<StoredSample> rows;
        QString unreadable;
        for (const QString& SampleId : sticker.SampleIds) {
            if (SampleId.isEmpty()) { // a batch sticker's row that its pass did not reach
                rows.emplace_back();
                continue;
            }
            try {
                const std::optional<StoredSample> found = FindStoredSample(module.db, SampleId);
                if (!found)
                    unreadable = QStringLiteral("sample %1 is not recorded").arg(SampleId);
                rows.push_back(found.value_or(StoredSample{}));
            } catch (const AppError& error) {
                unreadable = QStringLiteral("the row of sample %1 could not be read: %2")
                                 .arg(SampleId, error.description());
                break;
            }
        }
        if (!unreadable.isEmpty()) {
            NoteSticker(stillLost, sticker.SampleIds, sticker.sticker,
                        {StickerOutcome::State::Lost, sticker.printer, unreadable, StickerCause::Other});
            continue;
        }
        NoteSticker(stillLost, sticker.SampleIds, sticker.sticker,
                    stickers.print(*row, sticker.SampleIds, rows));
    }
    return stillLost;
}
