#include "StickerPrinter.h"

#include "PrinterSeries.h"

StickerPrinter::StickerPrinter(MainModule& module, const LabelJob& job)
    : mModule(module), m7x32(*module.printer7x32, module.settings, job),
      m62(*module.printer62, module.settings, job) {}

bool StickerPrinter::uses7x32() {
    if (!mUses7x32)
        mUses7x32 = PrinterSeries(mModule.settings.BarcodePrinter1) > LastSeriesOf62;
    return *mUses7x32;
}

StickerOutcome StickerPrinter::print(const StickerKind& kind, const QStringList& SampleIds,
                                     const QStringList& CodeIds) {
    if (kind.layout7x32 && (!kind.layout62 || uses7x32()))
        return m7x32.print(kind.layout7x32, SampleIds, CodeIds);
    return m62.print(kind.layout62, SampleIds, CodeIds);
}

void StickerPrinter::pauseAfter(const StickerKind& kind) {
    mModule.pause->sleep(kind.pause);
}
