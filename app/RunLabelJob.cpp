#include "AppError.h"
#include "JobRequest.h"
#include "MainModule.h"
#include "NumberText.h"
#include "NumberingTransaction.h"
#include "PrinterSeries.h"
#include "SampleNumbers.h"
#include "modSlpApi62.h"
#include "modSlpApi7x32.h"

#include <array>

namespace {

constexpr int MaxLabelsPerPass = 99;
constexpr int LabelPause = 500;       // ms after a label and after a batch result sticker
constexpr int SmallBarcodePause = 100; // ms after a small barcode sticker

} // namespace

void RunLabelJob(MainModule& module) {
    LabelJob& job = module.job;
    // Entries 1 to 99; a later pass overwrites from the front and leaves the rest as they were.
    std::array<QString, MaxLabelsPerPass + 1> SampleIds;
    std::array<QString, MaxLabelsPerPass + 1> CodeIds;

    const bool use7x32 = PrinterSeries(module.settings.BarcodePrinter1) > LastSeriesOf62;

    job.RepeatCount = 1;
    const QString text2 = module.window().text2();
    if (RepeatRuleApplies(job.CustomerId, text2))
        job.RepeatCount = ToInteger16(text2.trimmed());

    modSlpApi7x32 stickers7x32(*module.printer7x32, module.settings, job);
    modSlpApi62 stickers62(*module.printer62, module.settings, job);

    const int passes = job.RepeatCount;
    for (int pass = 1; pass <= passes; ++pass) {
        for (int i = 1; i <= job.LabelCount; ++i) {
            if (i > MaxLabelsPerPass)
                throw AppError(QStringLiteral("Subscript out of range"));

            {
                // Number, code and row of one label in one transaction, so that no other desk
                // draws the same number or code before this row is recorded.
                NumberingTransaction transaction(module.db);
                SampleIds[i] = NextSampleId(module.db, job);
                if (job.Kind > 0)
                    CodeIds[i] = NewCodeId(module.db);
                RecordSample(module.db, job, SampleIds[i], CodeIds[i]);
                transaction.commit();
            }

            switch (job.Kind) {
            case LargeLabel:
                use7x32 ? stickers7x32.PrintLargeLabel(SampleIds[i]) : stickers62.PrintLargeLabel(SampleIds[i]);
                module.pause->sleep(LabelPause);
                break;
            case SingleTest:
                use7x32 ? stickers7x32.PrintSampleLabel(SampleIds[i], CodeIds[i])
                        : stickers62.PrintSampleLabel(SampleIds[i], CodeIds[i]);
                stickers7x32.PrintResultLabel(SampleIds[i], CodeIds[i]);
                module.pause->sleep(LabelPause);
                break;
            case SmallBarcode:
                use7x32 ? stickers7x32.PrintSmallBarcode(SampleIds[i]) : stickers62.PrintSmallBarcode(SampleIds[i]);
                module.pause->sleep(SmallBarcodePause);
                break;
            case FourTests:
                use7x32 ? stickers7x32.PrintSampleLabel(SampleIds[i], CodeIds[i])
                        : stickers62.PrintSampleLabel(SampleIds[i], CodeIds[i]);
                module.pause->sleep(LabelPause);
                break;
            default: // no kind of its own: numbered, coded and recorded, nothing printed
                break;
            }
        }
        if (job.Kind == FourTests) {
            stickers62.PrintBatchResultLabel(SampleIds[1], SampleIds[2], SampleIds[3], SampleIds[4], CodeIds[1],
                                             CodeIds[2], CodeIds[3], CodeIds[4]);
            module.pause->sleep(LabelPause);
        }
    }
    ResetLabelJob(module);
}
