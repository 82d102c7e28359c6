#include "LoginFailure.h"

#include "SystemLog.h"

#include <initializer_list>

namespace {

struct Cause {
    std::initializer_list<const char*> driverWords; // any of them, lower case
    const char* reason;
};

// Checked in this order: a refused password arrives with "Unable to connect" too.
const Cause kCauses[] = {
    {{"no pg_hba.conf entry"}, "Anmeldung von diesem Rechner nicht erlaubt"},
    {{"password authentication failed", "no password supplied", "login failed", "role \""},
     "Benutzer oder Kennwort falsch"},
    {{"database \"", "cannot open database"}, "Datenbank nicht vorhanden"},
    {{"no answer from server", "timeout expired", "timed out"}, "Server antwortet nicht"},
    {{"connection refused", "could not connect", "could not translate host", "no route to host",
      "unavailable or does not exist", "name or service not known"},
     "Server nicht erreichbar"},
};

QString reasonFor(const QString& driverText) {
    const QString text = driverText.toLower();
    for (const Cause& cause : kCauses)
        for (const char* words : cause.driverWords)
            if (text.contains(QLatin1String(words)))
                return QString::fromUtf8(cause.reason);
    return {};
}

} // namespace

AppError LoginFailure(const AppSettings& settings, const AppError& driverError) {
    if (settings.Server.isEmpty())
        return driverError;
    TellAdministrator(QStringLiteral("Login to database \"%1\" on server %2 failed: %3")
                          .arg(settings.Database, settings.Server, driverError.description()));
    QString text = settings.Database.isEmpty()
                       ? QStringLiteral("Anmeldung am Datenbankserver %1 fehlgeschlagen").arg(settings.Server)
                       : QStringLiteral("Anmeldung an der Datenbank %1 auf %2 fehlgeschlagen")
                             .arg(settings.Database, settings.Server);
    const QString reason = reasonFor(driverError.description());
    if (!reason.isEmpty())
        text += QStringLiteral(": ") + reason;
    return AppError(text);
}
