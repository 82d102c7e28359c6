#include "StickerPrinter.h"

#include "NumberText.h"

namespace {

// Series above this print through libSlpApi7x32, the others through libslpapi62.
constexpr qint16 LastSeriesOf62 = 43;

// The first two of the last three characters of a printer setting (its model digits), as a
// number: "... 450" gives 45. Throws AppError when they are not numeric, as for an empty setting.
qint16 PrinterSeries(const QString& printerSetting) {
    return ToInteger16(printerSetting.right(3).left(2));
}

} // namespace

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
