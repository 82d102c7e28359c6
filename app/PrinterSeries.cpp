#include "PrinterSeries.h"

#include "NumberText.h"

qint16 PrinterSeries(const QString& printerSetting) {
    return ToInteger16(printerSetting.right(3).left(2));
}
