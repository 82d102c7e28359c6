#include "NumberText.h"

#include "AppError.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Digits, a sign and the locale's decimal separator. QLocale also reads exponents ("1e2"),
// "inf", "nan" and group separators ("1.000" in German), none of which an operator types as a
// count or a customer number.
bool onlyNumberCharacters(const QString& text, const QLocale& locale) {
    const QString signsAndSeparator =
        locale.decimalPoint() + locale.negativeSign() + locale.positiveSign() + QStringLiteral("+-\u2212");
    return std::all_of(text.cbegin(), text.cend(),
                       [&](QChar c) { return c.isDigit() || signsAndSeparator.contains(c); });
}

std::optional<double> parse(const QString& text, const QLocale& locale) {
    const QString trimmed = text.trimmed();
    if (!onlyNumberCharacters(trimmed, locale))
        return std::nullopt;
    QLocale strict = locale;
    strict.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = strict.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

bool IsNumeric(const QString& text, const QLocale& locale) {
    return parse(text, locale).has_value();
}

double ToDouble(const QString& text, const QLocale& locale) {
    const auto value = parse(text, locale);
    if (!value)
        throw AppError(QStringLiteral("Type mismatch"));
    return *value;
}

qint16 ToInteger16(const QString& text, const QLocale& locale) {
    // nearbyint rounds in the default mode: to nearest, halves to even.
    const double rounded = std::nearbyint(ToDouble(text, locale));
    if (rounded < -32768.0 || rounded > 32767.0)
        throw AppError(QStringLiteral("Overflow"));
    return static_cast<qint16>(rounded);
}
