#include "AppError.h"
#include "JobRequest.h"
#include "LostStickers.h"
#include "MainModule.h"
#include "NumberText.h"
#include "NumberingTransaction.h"
#include "PrinterSeries.h"
#include "SampleNumbers.h"
#include "StatementThread.h"
#include "StickerRun.h"
#include "modSlpApi62.h"
#include "modSlpApi7x32.h"

#include <QScopeGuard>
#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

constexpr int MaxLabelsPerPass = 99;
constexpr int LabelPause = 500;        // ms after a label and after a batch result sticker
constexpr int SmallBarcodePause = 100; // ms after a small barcode sticker

// The routines that both printer generations have; the job's series picks one generation for all.
class SeriesStickers {
public:
    SeriesStickers(bool use7x32, modSlpApi7x32& stickers7x32, modSlpApi62& stickers62)
        : mUse7x32(use7x32), m7x32(stickers7x32), m62(stickers62) {}

    StickerOutcome PrintSampleLabel(const QString& SampleId, const QString& CodeId) {
        return mUse7x32 ? m7x32.PrintSampleLabel(SampleId, CodeId) : m62.PrintSampleLabel(SampleId, CodeId);
    }
    StickerOutcome PrintLargeLabel(const QString& SampleId) {
        return mUse7x32 ? m7x32.PrintLargeLabel(SampleId) : m62.PrintLargeLabel(SampleId);
    }
    StickerOutcome PrintSmallBarcode(const QString& SampleId) {
        return mUse7x32 ? m7x32.PrintSmallBarcode(SampleId) : m62.PrintSmallBarcode(SampleId);
    }

private:
    bool mUse7x32;
    modSlpApi7x32& m7x32;
    modSlpApi62& m62;
};

// Number, code and row of one label in one transaction, so that no other desk draws the same
// number or code before this row is recorded. SampleId holds the number as soon as it is drawn.
void numberAndRecord(const DbConnection& db, const LabelJob& job, QString& SampleId, QString& CodeId) {
    NumberingTransaction transaction(db);
    SampleId = NextSampleId(db, job);
    if (job.Kind > 0)
        CodeId = NewCodeId(db);
    RecordSample(db, job, SampleId, CodeId);
    transaction.commit();
}

// A sticker the job still owes: the stickers of the sample in hand, and the pass's batch sticker.
struct OwedSticker {
    QStringList SampleIds;
    QString sticker;
    QString printerSetting;
};

// The stickers a recorded sample of this kind gets, in the order they are printed.
std::vector<OwedSticker> stickersOf(const QString& SampleId, qint16 kind, const AppSettings& settings) {
    switch (kind) {
    case LargeLabel:
        return {{{SampleId}, StickerName::Large, settings.BarcodePrinter1}};
    case SingleTest:
        return {{{SampleId}, StickerName::Sample, settings.BarcodePrinter1},
                {{SampleId}, StickerName::Result, settings.BarcodePrinter2}};
    case SmallBarcode:
        return {{{SampleId}, StickerName::Small, settings.BarcodePrinter3}};
    case FourTests:
        return {{{SampleId}, StickerName::Sample, settings.BarcodePrinter1}};
    default:
        return {};
    }
}

// The stickers a job that ended on an error did not print, one lost line each.
void noteUnprinted(QList<LostSticker>& lost, const std::vector<OwedSticker>& owed) {
    for (const OwedSticker& sticker : owed) {
        QStringList samples = sticker.SampleIds;
        samples.removeAll(QString());
        if (sticker.printerSetting.isEmpty() || samples.isEmpty())
            continue; // no printer set, or a batch sticker of a pass that recorded nothing
        StickerOutcome outcome{StickerOutcome::State::Lost, printerName(sticker.printerSetting),
                               QStringLiteral("the job ended on an error before it was printed"),
                               StickerCause::JobEnded};
        NoteSticker(lost, samples, sticker.sticker, outcome);
    }
}

JobReport runLabelJob(MainModule& module) {
    JobReport report;
    LabelJob& job = module.job;
    // Entries 1 to 99; a later pass overwrites from the front and leaves the rest as they were.
    std::array<QString, MaxLabelsPerPass + 1> SampleIds;
    std::array<QString, MaxLabelsPerPass + 1> CodeIds;

    std::vector<OwedSticker> owed;
    QString inHand; // the number drawn for the label in hand, before and after its row
    const auto stopAsked = [&module] { return module.stopRequested && module.stopRequested(); };
    // A statement that does not end is given up when the window is closed during its label; a
    // close asked for before the label began lets it finish (a four-test kit ends its pass).
    bool stopAskedBeforeLabel = false;
    module.db.stopRequested = [&] { return !stopAskedBeforeLabel && stopAsked(); };
    const QScopeGuard forgetStop([&module] { module.db.stopRequested = nullptr; });
    try {
        const bool use7x32 = PrinterSeries(module.settings.BarcodePrinter1) > LastSeriesOf62;

        job.RepeatCount = 1;
        const QString text2 = module.window().text2();
        if (RepeatRuleApplies(job.CustomerId, text2))
            job.RepeatCount = ToInteger16(text2.trimmed());

        ReopenWhenLost(module.db);
        BeginPrinterJob(module);
        modSlpApi7x32 stickers7x32(*module.printer7x32, module.settings, job);
        modSlpApi62 stickers62(*module.printer62, module.settings, job);
        SeriesStickers stickers(use7x32, stickers7x32, stickers62);

        const int passes = job.RepeatCount;
        const int total = std::max(0, passes) * std::max<int>(0, job.LabelCount);
        int labelsDone = 0;
        // A lost sticker is told at once and kept for the window; the job itself goes on.
        const auto note = [&report, &owed, &module](const QStringList& samples, const QString& sticker,
                                                    const StickerOutcome& outcome) {
            std::erase_if(
                owed, [&](const OwedSticker& o) { return o.sticker == sticker && o.SampleIds == samples; });
            NoteSticker(report.lostStickers, samples, sticker, outcome);
            AwaitPrinted(module, samples, sticker, outcome);
        };
        for (int pass = 1; pass <= passes; ++pass) {
            QStringList passRecorded; // the pass's samples, for its batch sticker
            if (job.Kind == FourTests)
                owed.push_back({{}, StickerName::BatchResult, module.settings.BarcodePrinter2});
            for (int i = 1; i <= job.LabelCount; ++i) {
                if (i > MaxLabelsPerPass)
                    throw AppError(QStringLiteral("Subscript out of range"));
                if (module.progress)
                    module.progress(++labelsDone, total);
                stopAskedBeforeLabel = stopAsked();
                inHand.clear();
                numberAndRecord(module.db, job, inHand, CodeIds[i]);
                SampleIds[i] = inHand;
                report.lastRecorded = inHand;
                passRecorded << inHand;
                const std::vector<OwedSticker> stickersOfLabel =
                    stickersOf(inHand, job.Kind, module.settings);
                owed.insert(owed.begin(), stickersOfLabel.begin(), stickersOfLabel.end());
                if (job.Kind == FourTests)
                    owed.back().SampleIds = passRecorded.mid(0, 4);

                switch (job.Kind) {
                case LargeLabel:
                    note({SampleIds[i]}, StickerName::Large, stickers.PrintLargeLabel(SampleIds[i]));
                    module.pause->sleep(LabelPause);
                    break;
                case SingleTest:
                    note({SampleIds[i]}, StickerName::Sample,
                         stickers.PrintSampleLabel(SampleIds[i], CodeIds[i]));
                    note({SampleIds[i]}, StickerName::Result, // whatever the series
                         stickers7x32.PrintResultLabel(SampleIds[i], CodeIds[i]));
                    module.pause->sleep(LabelPause);
                    break;
                case SmallBarcode:
                    note({SampleIds[i]}, StickerName::Small, stickers.PrintSmallBarcode(SampleIds[i]));
                    module.pause->sleep(SmallBarcodePause);
                    break;
                case FourTests:
                    note({SampleIds[i]}, StickerName::Sample,
                         stickers.PrintSampleLabel(SampleIds[i], CodeIds[i]));
                    module.pause->sleep(LabelPause);
                    break;
                default: // no kind of its own: numbered, coded and recorded, nothing printed
                    break;
                }
                inHand.clear();
                // A four-test kit is one unit: its batch result sticker lists all four samples, so a
                // stop waits for the end of the pass.
                if (job.Kind != FourTests && stopAsked()) {
                    report.stopped = true;
                    return report;
                }
            }
            if (job.Kind == FourTests) { // always through the 203 dpi library
                const QStringList batch{SampleIds[1], SampleIds[2], SampleIds[3], SampleIds[4]};
                owed.back().SampleIds = batch;
                note(batch, StickerName::BatchResult,
                     stickers62.PrintBatchResultLabel(SampleIds[1], SampleIds[2], SampleIds[3], SampleIds[4],
                                                      CodeIds[1], CodeIds[2], CodeIds[3], CodeIds[4]));
                module.pause->sleep(LabelPause);
                if (stopAsked()) {
                    report.stopped = true;
                    return report;
                }
            }
        }
        ResetLabelJob(module);
    } catch (const ClosedWhileWaiting& closed) {
        // The operator closed the tool while the database kept it waiting: the job stops as after
        // a label, and what it still owes is named before the tool ends.
        std::fprintf(stderr, "%s\n", qPrintable(closed.description()));
        report.stopped = true;
        noteUnprinted(report.lostStickers, owed);
    } catch (const std::exception& failure) {
        // The job ends here; what it recorded stays, and what it owes is named.
        const auto* appError = dynamic_cast<const AppError*>(&failure);
        const QString what = appError ? appError->description() : QString::fromLocal8Bit(failure.what());
        QString where = inHand.isEmpty() ? QString() : QStringLiteral(" Sample in hand: %1.").arg(inHand);
        if (report.lastRecorded.isEmpty())
            where += QStringLiteral(" No sample was recorded.");
        else if (inHand != report.lastRecorded)
            where += QStringLiteral(" Last sample recorded: %1.").arg(report.lastRecorded);
        report.error = what + where;
        report.stopped = stopAsked();
        noteUnprinted(report.lostStickers, owed);
    }
    return report;
}

} // namespace

JobReport RunLabelJob(MainModule& module) {
    JobReport report = runLabelJob(module);
    // Also after an error: a sticker CUPS took counts once its printer finished it.
    SettlePrinterJobs(module, report.lostStickers);
    return report;
}
