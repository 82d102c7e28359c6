#include "StartUp.h"

#include "DbConnection.h"
#include "DeskMark.h"
#include "LoginFailure.h"
#include "OwedStickerTable.h"
#include "SettingsFile.h"

QString LogoPath(const QString& applicationFolder, const QString& setting) {
    return applicationFolder + QLatin1Char('/') +
           QString(setting).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

void StartUp(MainModule& module, const QString& applicationFolder, NewDatabase newDatabase) {
    AppSettings& settings = module.settings;
    module.applicationFolder = applicationFolder;

    settings.VersionText = QString::fromLatin1(VersionText);
    settings.SettingsFilePath = applicationFolder + QStringLiteral("/VO_Vudu.ini");
    ReadSettings(settings);
    ResetLabelJob(module);
    settings.LogoFileName1 = LogoPath(applicationFolder, settings.LogoFileName1);
    settings.LogoFileName2 = LogoPath(applicationFolder, settings.LogoFileName2);
    try {
        OpenConnection(module.db, settings, applicationFolder, newDatabase);
    } catch (const AppError& error) {
        throw LoginFailure(settings, error);
    }
    // Before anything is numbered: the table for what the desk owes, and on an embedded database a
    // database that is not behind what this desk has already issued.
    CheckOwedStickerTable(module.db);
    if (settings.Server.isEmpty())
        module.deskMark = CheckDeskMark(module.db, SqliteFilePath(settings, applicationFolder));
    // A desk without its printer libraries would record samples it cannot print.
    for (SlpPrinterApi* library : {module.printer7x32, module.printer62})
        if (library)
            library->SlpCheckLibrary();
}
