#include "Reprint.h"

#include "AppError.h"
#include "LostStickers.h"
#include "PrinterSeries.h"
#include "StoredSample.h"
#include "modSlpApi62.h"
#include "modSlpApi7x32.h"

#include <QRegularExpression>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

// The same pauses as between a job's labels, here only between two stickers.
constexpr int LabelPause = 500;
constexpr int SmallBarcodePause = 100;

enum class Kind { Sample, Result, Large, Small, Batch };

struct KindRow {
    const char* name;
    Kind kind;
    const QString& sticker;
    bool needsCode;
};

const std::vector<KindRow>& kinds() {
    static const std::vector<KindRow> rows = {
        {"sample", Kind::Sample, StickerName::Sample, true},
        {"result", Kind::Result, StickerName::Result, true},
        {"large", Kind::Large, StickerName::Large, false},
        {"small", Kind::Small, StickerName::Small, false},
        {"batch", Kind::Batch, StickerName::BatchResult, true},
    };
    return rows;
}

const KindRow* findKind(const QString& name) {
    for (const KindRow& row : kinds())
        if (name == QLatin1String(row.name))
            return &row;
    return nullptr;
}

const KindRow* findKindOfSticker(const QString& sticker) {
    for (const KindRow& row : kinds())
        if (sticker == row.sticker)
            return &row;
    return nullptr;
}

void writeLine(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}

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
Refusal requestRefusal(const KindRow* row, const QString& kind, const QStringList& SampleIds) {
    using Why = Refusal::Why;
    if (kind.isEmpty())
        return {Why::NoKind, {}};
    if (!row)
        return {Why::UnknownKind, {kind}, 0};
    if (SampleIds.isEmpty())
        return {Why::NoNumber, {}};
    if (row->kind == Kind::Batch) {
        if (SampleIds.size() != 4)
            return {Why::BatchNotFour, {}, SampleIds.size()};
        // One kit's result sticker: four different samples, each listed once.
        for (qsizetype i = 1; i < SampleIds.size(); ++i)
            if (SampleIds.indexOf(SampleIds[i]) < i)
                return {Why::BatchRepeated, {SampleIds[i]}, 0};
    }
    return {};
}

// Every number recorded, with a code where the sticker shows one, and one kit of one customer.
Refusal storedRefusal(const KindRow& row, const QStringList& SampleIds,
                      const std::vector<std::optional<StoredSample>>& stored) {
    using Why = Refusal::Why;
    Refusal unknown{Why::NotRecorded, {}};
    Refusal withoutCode{Why::NoCode, {}};
    QStringList customers;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (!stored[i])
            unknown.items << SampleIds[qsizetype(i)];
        else if (row.needsCode && stored[i]->CodeId.isEmpty())
            withoutCode.items << SampleIds[qsizetype(i)];
        else if (!customers.contains(stored[i]->CustomerId))
            customers << stored[i]->CustomerId;
    }
    if (!unknown.items.isEmpty())
        return unknown;
    if (!withoutCode.items.isEmpty())
        return withoutCode;
    if (row.kind == Kind::Batch && customers.size() > 1)
        return {Why::BatchCustomers, customers, 0};
    return {};
}

QString englishRefusal(const Refusal& refusal, const QString& kind) {
    using Why = Refusal::Why;
    const QString numbers = refusal.items.join(QStringLiteral(", "));
    const KindRow* row = findKind(kind);
    switch (refusal.why) {
    case Why::None:
        return {};
    case Why::NoKind:
        return QStringLiteral("--reprint needs a sticker kind and sample numbers.");
    case Why::UnknownKind:
        return QStringLiteral("Unknown sticker kind \"%1\": use sample, result, large, small or batch.")
            .arg(kind);
    case Why::NoNumber:
        return QStringLiteral("No sample number given.");
    case Why::BatchNotFour:
        return QStringLiteral("A batch result sticker lists exactly four samples; %1 given.")
            .arg(refusal.given);
    case Why::BatchRepeated:
        return QStringLiteral("A batch result sticker lists four different samples; %1 is given twice.")
            .arg(numbers);
    case Why::BatchCustomers:
        return QStringLiteral("A batch result sticker lists the samples of one customer; these belong to "
                              "customers %1.")
            .arg(numbers);
    case Why::NotRecorded:
        return QStringLiteral("Not recorded: %1.").arg(numbers);
    case Why::NoCode:
        return QStringLiteral("No test code recorded for %1, so no %2 can be printed for it.")
            .arg(numbers, row ? row->sticker : kind);
    }
    return {};
}

QString germanRefusal(const Refusal& refusal, const QString& kind) {
    using Why = Refusal::Why;
    const QString numbers = refusal.items.join(QStringLiteral(", "));
    const KindRow* row = findKind(kind);
    switch (refusal.why) {
    case Why::None:
        return {};
    case Why::NoKind:
    case Why::UnknownKind:
        return QStringLiteral("Bitte ein Etikett wählen.");
    case Why::NoNumber:
        return QStringLiteral("Bitte Proben-Nr. eingeben.");
    case Why::BatchNotFour:
        return QStringLiteral("Ein Ergebnisetikett für 4 Proben braucht genau 4 Proben-Nr., nicht %1.")
            .arg(refusal.given);
    case Why::BatchRepeated:
        return QStringLiteral("%1 steht doppelt da: 4 verschiedene Proben-Nr. eingeben.").arg(numbers);
    case Why::BatchCustomers:
        return QStringLiteral("Die 4 Proben gehören zu verschiedenen Kunden (%1).").arg(numbers);
    case Why::NotRecorded:
        return QStringLiteral("Nicht erfasst: %1.").arg(numbers);
    case Why::NoCode:
        return QStringLiteral("Keine Testnummer erfasst für %1: kein %2 möglich.")
            .arg(numbers, GermanStickerName(row ? row->sticker : kind));
    }
    return {};
}

// A request checked against the stored rows before anything prints.
struct CheckedRequest {
    Refusal refusal;
    const KindRow* row = nullptr;
    std::vector<StoredSample> stored; // the rows, in the order of the numbers, when not refused
};

CheckedRequest checkRequest(const DbConnection& db, const QString& kind, const QStringList& SampleIds) {
    CheckedRequest checked;
    checked.row = findKind(kind);
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

// The sticker routines of both libraries, set up for one reprint.
class StoredStickers {
public:
    explicit StoredStickers(MainModule& module)
        : mModule(module), m7x32(*module.printer7x32, module.settings, mJob),
          m62(*module.printer62, module.settings, mJob) {
        BeginPrinterJob(module);
    }

    // One sticker of a kind for stored samples: one, or the four rows of a batch sticker. A
    // printer left unset is a lost sticker here, since the sticker was asked for.
    StickerOutcome print(const KindRow& row, const QStringList& SampleIds,
                         const std::vector<StoredSample>& stored) {
        const auto code = [&stored](qsizetype i) {
            return size_t(i) < stored.size() ? stored[size_t(i)].CodeId : QString();
        };
        const QString SampleId = SampleIds.value(0);
        // The test centre follows the customer of the row.
        mJob.CustomerId.clear();
        for (const StoredSample& sample : stored)
            if (mJob.CustomerId.isEmpty())
                mJob.CustomerId = sample.CustomerId;
        switch (row.kind) {
        case Kind::Sample:
            return asked(use7x32() ? m7x32.PrintSampleLabel(SampleId, code(0))
                                   : m62.PrintSampleLabel(SampleId, code(0)));
        case Kind::Result:
            return asked(m7x32.PrintResultLabel(SampleId, code(0)));
        case Kind::Large:
            return asked(use7x32() ? m7x32.PrintLargeLabel(SampleId) : m62.PrintLargeLabel(SampleId));
        case Kind::Small:
            return asked(use7x32() ? m7x32.PrintSmallBarcode(SampleId) : m62.PrintSmallBarcode(SampleId));
        case Kind::Batch:
            return asked(m62.PrintBatchResultLabel(SampleIds.value(0), SampleIds.value(1), SampleIds.value(2),
                                                   SampleIds.value(3), code(0), code(1), code(2), code(3)));
        }
        return {};
    }

    // The same pauses as between a job's labels, here only between two stickers.
    void pauseBefore(const KindRow& row) {
        if (mPrinted++ > 0)
            mModule.pause->sleep(row.kind == Kind::Small ? SmallBarcodePause : LabelPause);
    }

private:
    // Printer 1's series picks the generation as in a job; asked for only where it decides.
    bool use7x32() const { return PrinterSeries(mModule.settings.BarcodePrinter1) > LastSeriesOf62; }

    static StickerOutcome asked(StickerOutcome outcome) {
        if (outcome.state == StickerOutcome::State::NoPrinter) {
            outcome.state = StickerOutcome::State::Lost;
            outcome.reason = QStringLiteral("no printer is set for it (its BARCODEPRINTER setting is empty)");
            outcome.cause = StickerCause::NoPrinterSet;
        }
        return outcome;
    }

    MainModule& mModule;
    LabelJob mJob; // only its customer, for the test centre
    modSlpApi7x32 m7x32;
    modSlpApi62 m62;
    int mPrinted = 0;
};

// Prints an accepted request: each sample's sticker, or the one batch sticker of the four.
// tellPrinted: a line on standard output for each sticker printed, for the command line.
QList<LostSticker> printChecked(MainModule& module, const CheckedRequest& checked,
                                const QStringList& SampleIds, bool tellPrinted) {
    const KindRow& row = *checked.row;
    StoredStickers stickers(module);
    QList<LostSticker> lost;
    const auto tellIfPrinted = [&](const QStringList& numbers, const QString& printer) {
        writeLine(stdout,
                  QStringLiteral("Printed: %1 %2 on %3").arg(row.sticker, numbers.join(u' '), printer));
    };
    const auto print = [&](const QStringList& numbers, const std::vector<StoredSample>& rows) {
        stickers.pauseBefore(row);
        const StickerOutcome outcome = stickers.print(row, numbers, rows);
        NoteSticker(lost, numbers, row.sticker, outcome);
        if (!AwaitPrinted(module, numbers, row.sticker, outcome) && tellPrinted &&
            outcome.state == StickerOutcome::State::Printed)
            tellIfPrinted(numbers, outcome.printer);
    };
    if (row.kind == Kind::Batch) {
        print(SampleIds, checked.stored);
    } else {
        for (qsizetype i = 0; i < SampleIds.size(); ++i)
            print({SampleIds[i]}, {checked.stored[size_t(i)]});
    }
    // Printed is the printer's word: told once CUPS says the job completed.
    SettlePrinterJobs(module, lost, [&](const SlpJobShare::Sent& sent) {
        if (tellPrinted)
            tellIfPrinted(sent.SampleIds, sent.outcome.printer);
    });
    return lost;
}

} // namespace

QString ReprintRequestProblem(const QString& kind, const QStringList& SampleIds) {
    return englishRefusal(requestRefusal(findKind(kind), kind, SampleIds), kind);
}

int Reprint(MainModule& module, const QString& kind, const QStringList& SampleIds) {
    const CheckedRequest checked = checkRequest(module.db, kind, SampleIds);
    if (checked.refusal.why != Refusal::Why::None) {
        writeLine(stderr, englishRefusal(checked.refusal, kind) + QStringLiteral(" Nothing was printed."));
        return ExitRefused;
    }
    const QList<LostSticker> lost = printChecked(module, checked, SampleIds, true);
    return lost.isEmpty() ? ExitPrinted : ExitStickersLost;
}

QList<ReprintKind> ReprintKinds() {
    QList<ReprintKind> out;
    for (const KindRow& row : kinds())
        out.append({QLatin1String(row.name), GermanStickerName(row.sticker)});
    return out;
}

QStringList SampleIdsFromText(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    return text.split(separators, Qt::SkipEmptyParts);
}

WindowReprint ReprintFromWindow(MainModule& module, const QString& kind, const QString& SampleIdsText) {
    const QStringList SampleIds = SampleIdsFromText(SampleIdsText);
    const CheckedRequest checked = checkRequest(module.db, kind, SampleIds);
    if (checked.refusal.why != Refusal::Why::None)
        return {germanRefusal(checked.refusal, kind) + QStringLiteral(" Nichts gedruckt."), {}};
    WindowReprint result;
    result.lostStickers = printChecked(module, checked, SampleIds, false);
    return result;
}

QList<LostSticker> PrintLostStickersAgain(MainModule& module, const QList<LostSticker>& lost) {
    QList<LostSticker> stillLost;
    StoredStickers stickers(module);
    for (const LostSticker& sticker : lost) {
        const KindRow* row = findKindOfSticker(sticker.sticker);
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
        stickers.pauseBefore(*row);
        NoteSticker(stillLost, sticker.SampleIds, sticker.sticker,
                    stickers.print(*row, sticker.SampleIds, rows));
    }
    return stillLost;
}
