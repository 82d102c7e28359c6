#include "Reprint.h"

#include "AppError.h"
#include "LostStickers.h"
#include "PrinterSeries.h"
#include "SlpLibrary.h"
#include "StartUp.h"
#include "StoredSample.h"
#include "modSlpApi62.h"
#include "modSlpApi7x32.h"

#include <cstdio>
#include <cstring>
#include <exception>
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

void writeLine(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}

// What is wrong with the request before any database is asked; empty when nothing is.
QString requestProblem(const QString& kind, const QStringList& SampleIds) {
    const KindRow* row = findKind(kind);
    if (kind.isEmpty())
        return QStringLiteral("--reprint needs a sticker kind and sample numbers.");
    if (!row)
        return QStringLiteral("Unknown sticker kind \"%1\": use sample, result, large, small or batch.")
            .arg(kind);
    if (SampleIds.isEmpty())
        return QStringLiteral("No sample number given.");
    if (row->kind == Kind::Batch && SampleIds.size() != 4)
        return QStringLiteral("A batch result sticker lists exactly four samples; %1 given.")
            .arg(SampleIds.size());
    return {};
}

// A printer that is not found leaves a job silent; asked for by name here, it is a lost sticker.
StickerOutcome asked(StickerOutcome outcome) {
    if (outcome.state == StickerOutcome::State::NoPrinter) {
        outcome.state = StickerOutcome::State::Lost;
        outcome.reason = QStringLiteral("no printer of that name (no folder printers/%1/, no CUPS queue)")
                             .arg(outcome.printer);
    }
    return outcome;
}

} // namespace

QString ReprintRequestProblem(const QString& kind, const QStringList& SampleIds) {
    return requestProblem(kind, SampleIds);
}

int Reprint(MainModule& module, const QString& kind, const QStringList& SampleIds) {
    if (const QString problem = requestProblem(kind, SampleIds); !problem.isEmpty()) {
        writeLine(stderr, problem + QStringLiteral(" Nothing was printed."));
        return ExitRefused;
    }
    const KindRow& row = *findKind(kind);

    std::vector<StoredSample> stored;
    QStringList unknown;
    QStringList withoutCode;
    for (const QString& SampleId : SampleIds) {
        const std::optional<StoredSample> found = FindStoredSample(module.db, SampleId);
        if (!found)
            unknown << SampleId;
        else if (row.needsCode && found->CodeId.isEmpty())
            withoutCode << SampleId;
        stored.push_back(found.value_or(StoredSample{}));
    }
    if (!unknown.isEmpty()) {
        writeLine(
            stderr,
            QStringLiteral("Not recorded: %1. Nothing was printed.").arg(unknown.join(QStringLiteral(", "))));
        return ExitRefused;
    }
    if (!withoutCode.isEmpty()) {
        writeLine(stderr,
                  QStringLiteral("No test code recorded for %1, so no %2 can be printed for it. Nothing was "
                                 "printed.")
                      .arg(withoutCode.join(QStringLiteral(", ")), row.sticker));
        return ExitRefused;
    }

    // Printer 1's series picks the generation as in a job; result and batch stickers have one each.
    const bool use7x32 = (row.kind == Kind::Result || row.kind == Kind::Batch)
                             ? true
                             : PrinterSeries(module.settings.BarcodePrinter1) > LastSeriesOf62;
    LabelJob job; // only its customer, for the test centre
    BeginPrinterJob(module);
    modSlpApi7x32 stickers7x32(*module.printer7x32, module.settings, job);
    modSlpApi62 stickers62(*module.printer62, module.settings, job);

    QList<LostSticker> lost;
    const auto note = [&lost](const QStringList& numbers, const QString& sticker,
                              const StickerOutcome& outcome) {
        if (outcome.state == StickerOutcome::State::Printed)
            writeLine(
                stdout,
                QStringLiteral("Printed: %1 %2 on %3").arg(sticker, numbers.join(u' '), outcome.printer));
        NoteSticker(lost, numbers, sticker, asked(outcome));
    };

    if (row.kind == Kind::Batch) {
        job.CustomerId = stored[0].CustomerId;
        note(SampleIds, row.sticker,
             stickers62.PrintBatchResultLabel(SampleIds[0], SampleIds[1], SampleIds[2], SampleIds[3],
                                              stored[0].CodeId, stored[1].CodeId, stored[2].CodeId,
                                              stored[3].CodeId));
        return lost.isEmpty() ? ExitPrinted : ExitStickersLost;
    }
    for (qsizetype i = 0; i < SampleIds.size(); ++i) {
        if (i > 0)
            module.pause->sleep(row.kind == Kind::Small ? SmallBarcodePause : LabelPause);
        const QString& SampleId = SampleIds[i];
        const QString& CodeId = stored[size_t(i)].CodeId;
        job.CustomerId = stored[size_t(i)].CustomerId;
        StickerOutcome outcome;
        switch (row.kind) {
        case Kind::Sample:
            outcome = use7x32 ? stickers7x32.PrintSampleLabel(SampleId, CodeId)
                              : stickers62.PrintSampleLabel(SampleId, CodeId);
            break;
        case Kind::Result:
            outcome = stickers7x32.PrintResultLabel(SampleId, CodeId);
            break;
        case Kind::Large:
            outcome = use7x32 ? stickers7x32.PrintLargeLabel(SampleId) : stickers62.PrintLargeLabel(SampleId);
            break;
        case Kind::Small:
            outcome =
                use7x32 ? stickers7x32.PrintSmallBarcode(SampleId) : stickers62.PrintSmallBarcode(SampleId);
            break;
        case Kind::Batch:
            break;
        }
        note({SampleId}, row.sticker, outcome);
    }
    return lost.isEmpty() ? ExitPrinted : ExitStickersLost;
}
