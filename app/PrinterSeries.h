#pragma once

#include <QString>
#include <QtGlobal>

// The first two of the last three characters of a printer setting (its model digits), as a number:
// "... 450" gives 45. Throws AppError when they are not numeric, as for an empty setting.
qint16 PrinterSeries(const QString& printerSetting);

// Series above this print through libSlpApi7x32, the others through libslpapi62.
inline constexpr qint16 LastSeriesOf62 = 43;
