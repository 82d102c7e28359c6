#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

// Number handling of typed text, following the system locale's decimal separator.
// One place for the customer check, the printer series, the repeat count and the box checks.

// True when the text converts to a number: blanks around it, a sign and the locale's decimal
// separator are accepted; letters (exponents, "inf", "nan", "0x") and group separators are not.
bool IsNumeric(const QString& text, const QLocale& locale = QLocale());

// To the nearest 16-bit integer, an exact half to the even neighbour. Throws AppError
// ("Type mismatch") for text that is not numeric and ("Overflow") outside -32,768..32,767.
qint16 ToInteger16(const QString& text, const QLocale& locale = QLocale());

// Throws AppError ("Type mismatch") for text that is not numeric.
double ToDouble(const QString& text, const QLocale& locale = QLocale());
