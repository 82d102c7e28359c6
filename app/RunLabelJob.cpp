#include "AppError.h"
#include "JobRequest.h"
#include "LostStickers.h"
#include "MainModule.h"
#include "NumberText.h"
#include "NumberingTransaction.h"
#include "PrinterSeries.h"
#include "SampleNumbers.h"
#include "modSlpApi62.h"
#include "modSlpApi7x32.h"

#include <algorithm>
#include <array>

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
// number or code before this row is recorded.
void numberAndRecord(const DbConnection& db, const LabelJob& job, QString& SampleId, QString& CodeId) {
    NumberingTransaction transaction(db);
    SampleId = NextSampleId(db, job);
    if (job.Kind > 0)
        CodeId = NewCodeId(db);
    RecordSample(db, job, SampleId, CodeId);
    transaction.commit();
}

} // namespace

JobReport RunLabelJob(MainModule& module) {
    JobReport report;
    LabelJob& job = module.job;
    // Entries 1 to 99; a later pass overwrites from the front and leaves the rest as they were.
    std::array<QString, MaxLabelsPerPass + 1> SampleIds;
    std::array<QString, MaxLabelsPerPass + 1> CodeIds;

    const bool use7x32 = PrinterSeries(module.settings.BarcodePrinter1) > LastSeriesOf62;

    job.RepeatCount = 1;
    const QString text2 = module.window().text2();
    if (RepeatRuleApplies(job.CustomerId, text2))
        job.RepeatCount = ToInteger16(text2.trimmed());

    BeginPrinterJob(module);
    modSlpApi7x32 stickers7x32(*module.printer7x32, module.settings, job);
    modSlpApi62 stickers62(*module.printer62, module.settings, job);
    SeriesStickers stickers(use7x32, stickers7x32, stickers62);

    const int passes = job.RepeatCount;
    const int total = std::max(0, passes) * std::max<int>(0, job.LabelCount);
    int labelsDone = 0;
    const auto stopAsked = [&module] { return module.stopRequested && module.stopRequested(); };
    // A lost sticker is told at once and kept for the window; the job itself goes on.
    const auto note = [&report](const QString& SampleId, const QString& sticker,
                                const StickerOutcome& outcome) {
        NoteSticker(report.lostStickers, {SampleId}, sticker, outcome);
    };
    for (int pass = 1; pass <= passes; ++pass) {
        for (int i = 1; i <= job.LabelCount; ++i) {
            if (i > MaxLabelsPerPass)
                throw AppError(QStringLiteral("Subscript out of range"));
            if (module.progress)
                module.progress(++labelsDone, total);
            numberAndRecord(module.db, job, SampleIds[i], CodeIds[i]);

            switch (job.Kind) {
            case LargeLabel:
                note(SampleIds[i], StickerName::Large, stickers.PrintLargeLabel(SampleIds[i]));
                module.pause->sleep(LabelPause);
                break;
            case SingleTest:
                note(SampleIds[i], StickerName::Sample, stickers.PrintSampleLabel(SampleIds[i], CodeIds[i]));
                note(SampleIds[i], StickerName::Result, // whatever the series
                     stickers7x32.PrintResultLabel(SampleIds[i], CodeIds[i]));
                module.pause->sleep(LabelPause);
                break;
            case SmallBarcode:
                note(SampleIds[i], StickerName::Small, stickers.PrintSmallBarcode(SampleIds[i]));
                module.pause->sleep(SmallBarcodePause);
                break;
            case FourTests:
                note(SampleIds[i], StickerName::Sample, stickers.PrintSampleLabel(SampleIds[i], CodeIds[i]));
                module.pause->sleep(LabelPause);
                break;
            default: // no kind of its own: numbered, coded and recorded, nothing printed
                break;
            }
            // A four-test kit is one unit: its batch result sticker lists all four samples, so a
            // stop waits for the end of the pass.
            if (job.Kind != FourTests && stopAsked()) {
                report.stopped = true;
                return report;
            }
        }
        if (job.Kind == FourTests) { // always through the 203 dpi library
            const StickerOutcome batch =
                stickers62.PrintBatchResultLabel(SampleIds[1], SampleIds[2], SampleIds[3], SampleIds[4],
                                                 CodeIds[1], CodeIds[2], CodeIds[3], CodeIds[4]);
            NoteSticker(report.lostStickers, {SampleIds[1], SampleIds[2], SampleIds[3], SampleIds[4]},
                        StickerName::BatchResult, batch);
            module.pause->sleep(LabelPause);
            if (stopAsked()) {
                report.stopped = true;
                return report;
            }
        }
    }
    ResetLabelJob(module);
    return report;
}
