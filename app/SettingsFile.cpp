#include "SettingsFile.h"

#include "AppError.h"
#include "Windows1252.h"

#include <QFile>

#include <array>
#include <utility>

namespace {

// Lines this long were never part of the format; the old reader stopped on them.
constexpr qsizetype MaxLineLength = 32766;

// In the order in which a key is compared.
const std::array<std::pair<QLatin1StringView, QString AppSettings::*>, 19> Keys{{
    {QLatin1StringView("SERVER"), &AppSettings::Server},
    {QLatin1StringView("DATABASE"), &AppSettings::Database},
    {QLatin1StringView("SQLSVR"), &AppSettings::SqlSvr},
    {QLatin1StringView("IMPORTPATH"), &AppSettings::ImportPath},
    {QLatin1StringView("BARCODEPRINTER"), &AppSettings::BarcodePrinter},
    {QLatin1StringView("BARCODEPRINTER1"), &AppSettings::BarcodePrinter1},
    {QLatin1StringView("BARCODEPRINTER2"), &AppSettings::BarcodePrinter2},
    {QLatin1StringView("BARCODEPRINTER3"), &AppSettings::BarcodePrinter3},
    {QLatin1StringView("LOGOFILENAME1"), &AppSettings::LogoFileName1},
    {QLatin1StringView("LOGOFILENAME2"), &AppSettings::LogoFileName2},
    {QLatin1StringView("TESTCENTERHP1"), &AppSettings::TestCenterHp1},
    {QLatin1StringView("TESTCENTERHP2"), &AppSettings::TestCenterHp2},
    {QLatin1StringView("TESTCENTEREMAIL1"), &AppSettings::TestCenterEmail1},
    {QLatin1StringView("TESTCENTERTEL1"), &AppSettings::TestCenterTel1},
    {QLatin1StringView("TESTCENTEREMAIL2"), &AppSettings::TestCenterEmail2},
    {QLatin1StringView("TESTCENTERTEL2"), &AppSettings::TestCenterTel2},
    {QLatin1StringView("DOWNLOAD1"), &AppSettings::Download1},
    {QLatin1StringView("DOWNLOAD2"), &AppSettings::Download2},
    {QLatin1StringView("ODBCDRIVER"), &AppSettings::OdbcDriver},
}};

} // namespace

QString EnsureTrailingBackslash(const QString& text) {
    return text.endsWith(QLatin1Char('\\')) ? text : text + QLatin1Char('\\');
}

void ApplySettingsLine(AppSettings& settings, const QString& line) {
    if (line.isEmpty() || line.front() == QLatin1Char(';') || line.front() == QLatin1Char('['))
        return;

    // The first "=" ends the key; every later "=" is dropped from the value. Nothing is trimmed.
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    const QString key = (equals < 0 ? line : line.left(equals)).toUpper();
    QString value = equals < 0 ? QString() : line.mid(equals + 1);
    value.remove(QLatin1Char('='));

    for (const auto& [name, field] : Keys) {
        if (key == name) {
            settings.*field = field == &AppSettings::ImportPath ? EnsureTrailingBackslash(value) : value;
            return;
        }
    }
}

void ReadSettingsText(AppSettings& settings, QByteArrayView bytes) {
    qsizetype lineNumber = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        ++lineNumber;
        if (end - start > MaxLineLength)
            throw AppError(QStringLiteral("Line %1 of the settings file is longer than %2 characters")
                               .arg(lineNumber)
                               .arg(MaxLineLength));
        ApplySettingsLine(settings, FromWindows1252(bytes.sliced(start, end - start)));

        const bool crLf = end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n';
        start = end + (crLf ? 2 : 1);
    }
}

void ReadSettings(AppSettings& settings) {
    QFile file(settings.SettingsFilePath);
    if (!file.exists()) {
        // A missing file is created empty, so the operator finds where the settings belong.
        if (!file.open(QIODevice::WriteOnly))
            throw AppError(file.errorString());
        file.close();
    }
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(file.errorString());
    ReadSettingsText(settings, file.readAll());
}
