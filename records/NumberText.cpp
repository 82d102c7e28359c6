#include "NumberText.h"

#include "AppError.h"

#include <cmath>
#include <optional>

namespace {

std::optional<double> parse(const QString& text, const QLocale& locale) {
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
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
