#include "DatabaseAccess.h"

#include "AppError.h"
#include "DbConnection.h"
#include "SettingsFile.h"

#include <QFileInfo>
#include <QStringList>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Checked {
    QString path;
    int access; // what the account needs: R_OK | W_OK for a file, W_OK | X_OK for the folder
    struct stat status;
};

QString groupName(gid_t gid) {
    if (const group* entry = getgrgid(gid))
        return QString::fromLocal8Bit(entry->gr_name);
    return QString::number(gid);
}

QString userName(uid_t uid) {
    if (const passwd* entry = getpwuid(uid))
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(uid);
}

bool inGroup(gid_t gid) {
    if (getegid() == gid)
        return true;
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(count > 0 ? count : 0));
    if (count > 0 && getgroups(count, groups.data()) == count)
        for (const gid_t member : groups)
            if (member == gid)
                return true;
    return false;
}

// "root:velmora 0660"
QString ownership(const struct stat& status) {
    return QStringLiteral("%1:%2 %3")
        .arg(userName(status.st_uid), groupName(status.st_gid))
        .arg(status.st_mode & 07777, 4, 8, QLatin1Char('0'));
}

std::optional<struct stat> statusOf(const QString& path) {
    struct stat status {};
    if (stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

bool allowed(const Checked& checked) {
    return faccessat(AT_FDCWD, QFile::encodeName(checked.path).constData(), checked.access, AT_EACCESS) == 0;
}

DatabaseAccessProblem problem(const QString& database, const Checked& denied, const struct stat& folder) {
    const QString account = userName(geteuid());
    const QString group = groupName(denied.status.st_gid);
    const QString folderGroup = groupName(folder.st_gid);
    const QString folderPath = QFileInfo(database).path();
    const QString folderRights = QStringLiteral("folder %1 (%2)").arg(folderPath, ownership(folder));
    const QString rights =
        denied.path == folderPath
            ? folderRights
            : QStringLiteral("%1 (%2), %3").arg(denied.path, ownership(denied.status), folderRights);
    // A file given to another group than its folder's, while the account is in the folder's.
    if (denied.status.st_gid != folder.st_gid && inGroup(folder.st_gid) && !inGroup(denied.status.st_gid))
        return {QStringLiteral("Die Datenbank %1 gehört der Gruppe „%2“ statt „%3“ und kann so nicht "
                               "benutzt werden. Bitte den Administrator verständigen. Es wurde nichts "
                               "gespeichert.")
                    .arg(database, group, folderGroup),
                QStringLiteral("The database %1 cannot be used by account %2: %3 belongs to group %4, not "
                               "to its folder's group %5 (%6). Give it back: chgrp %5 and chmod 0660 "
                               "(for the package's database: dpkg-reconfigure velmora-barcode-tool). "
                               "Nothing was recorded.")
                    .arg(database, account, denied.path, group, folderGroup, rights)};
    if (!inGroup(denied.status.st_gid))
        return {QStringLiteral("Ihr Benutzerkonto „%1“ gehört nicht zur Gruppe „%2“. Nur diese Gruppe "
                               "darf die Datenbank %3 benutzen. Bitte den Administrator, Sie in die "
                               "Gruppe aufzunehmen, und melden Sie sich danach neu an. Es wurde nichts "
                               "gespeichert.")
                    .arg(account, group, database),
                QStringLiteral("Account %1 is not in group %2, which alone may read and write the database "
                               "%3 (%4). Add it with: sudo adduser %1 %2; the operator then logs in again. "
                               "Nothing was recorded.")
                    .arg(account, group, database, rights)};
    return {QStringLiteral("Die Datenbank %1 ist für die Gruppe „%2“ nicht beschreibbar. Bitte den "
                           "Administrator verständigen. Es wurde nichts gespeichert.")
                .arg(database, group),
            QStringLiteral("The database %1 cannot be used by account %2 of group %3: %4 does not let the "
                           "group read and write (%5). The database wants mode 0660 in a folder of mode "
                           "2770 (for the package's database: dpkg-reconfigure velmora-barcode-tool). "
                           "Nothing was recorded.")
                .arg(database, account, group, denied.path, rights)};
}

} // namespace

std::optional<DatabaseAccessProblem> CheckDatabaseAccess(const AppSettings& settings,
                                                         const QString& applicationFolder) {
    if (!settings.Server.isEmpty())
        return std::nullopt;
    const QString database = SqliteFilePath(settings, applicationFolder);
    const QString folderPath = QFileInfo(database).path();
    const std::optional<struct stat> folder = statusOf(folderPath);
    if (!folder)
        return std::nullopt;
    // The folder of a desk's database lets only its group in: outside it, the file is not even seen.
    if (const Checked search{folderPath, X_OK, *folder}; !allowed(search))
        return problem(database, search, *folder);
    const std::optional<struct stat> file = statusOf(database);
    if (!file || !S_ISREG(file->st_mode))
        return std::nullopt;

    // SQLite writes its journal beside the file, and must be able to read one a crash left.
    std::vector<Checked> checks = {{database, R_OK | W_OK, *file}, {folderPath, W_OK | X_OK, *folder}};
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        if (const std::optional<struct stat> left = statusOf(database + QLatin1String(suffix)))
            checks.push_back({database + QLatin1String(suffix), R_OK | W_OK, *left});
    for (const Checked& checked : checks)
        if (!allowed(checked))
            return problem(database, checked, *folder);
    return std::nullopt;
}

std::optional<DatabaseAccessProblem> CheckDatabaseAccess(const QString& applicationFolder) {
    AppSettings settings;
    settings.SettingsFilePath = applicationFolder + QStringLiteral("/VO_Vudu.ini");
    try {
        ReadSettings(settings);
    } catch (const AppError&) {
        return std::nullopt;
    }
    return CheckDatabaseAccess(settings, applicationFolder);
}
