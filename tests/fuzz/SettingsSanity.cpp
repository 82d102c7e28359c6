#include "SettingsSanity.h"

#include "AppError.h"
#include "SettingsFile.h"

#include <algorithm>
#include <array>

namespace {

// The reader refuses lines longer than this.
constexpr qsizetype MaxLineLength = 32766;

const std::array<QString AppSettings::*, 19> ReadFields{
    &AppSettings::Server,           &AppSettings::Database,         &AppSettings::SqlSvr,
    &AppSettings::ImportPath,       &AppSettings::BarcodePrinter,   &AppSettings::BarcodePrinter1,
    &AppSettings::BarcodePrinter2,  &AppSettings::BarcodePrinter3,  &AppSettings::LogoFileName1,
    &AppSettings::LogoFileName2,    &AppSettings::TestCenterHp1,    &AppSettings::TestCenterHp2,
    &AppSettings::TestCenterEmail1, &AppSettings::TestCenterEmail2, &AppSettings::TestCenterTel1,
    &AppSettings::TestCenterTel2,   &AppSettings::Download1,        &AppSettings::Download2,
    &AppSettings::OdbcDriver};

qsizetype longestLine(QByteArrayView bytes) {
    qsizetype longest = 0;
    qsizetype length = 0;
    for (const char byte : bytes) {
        length = byte == '\r' || byte == '\n' ? 0 : length + 1;
        longest = std::max(longest, length);
    }
    return longest;
}

bool spansLinesOrKeepsEquals(const QString& value) {
    return value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n')) ||
           value.contains(QLatin1Char('='));
}

} // namespace

QString CheckSettingsRead(QByteArrayView bytes) {
    const bool tooLong = longestLine(bytes) > MaxLineLength;
    // A NUL in a known key's value is refused; elsewhere it is harmless.
    const bool holdsNul = bytes.contains('\0');
    AppSettings settings;
    try {
        ReadSettingsText(settings, bytes);
    } catch (const AppError& error) {
        return tooLong || holdsNul
                   ? QString()
                   : QStringLiteral("refused without a long line or a NUL: ") + error.description();
    }
    if (tooLong)
        return QStringLiteral("a line longer than %1 was accepted").arg(MaxLineLength);

    for (const auto field : ReadFields) {
        if (spansLinesOrKeepsEquals(settings.*field))
            return QStringLiteral("value with a line break or \"=\": ") + settings.*field;
        if ((settings.*field).contains(QChar(0)))
            return QStringLiteral("value with a NUL accepted: ") + settings.*field;
    }
    if (!settings.ImportPath.isEmpty() && !settings.ImportPath.endsWith(QLatin1Char('\\')))
        return QStringLiteral("import path without its backslash: ") + settings.ImportPath;
    if (!settings.VersionText.isEmpty() || !settings.SettingsFilePath.isEmpty())
        return QStringLiteral("the file set a field that is not read from it");

    AppSettings again;
    ReadSettingsText(again, bytes);
    for (const auto field : ReadFields) {
        if (again.*field != settings.*field)
            return QStringLiteral("a second read differs: ") + again.*field;
    }
    return {};
}
