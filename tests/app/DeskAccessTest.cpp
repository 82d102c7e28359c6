#include "DatabaseAccess.h"
#include "DbConnection.h"
#include "SampleNumbers.h"
#include "TestQuery.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

// Who may use a desk's embedded database, on real files with the rights of an unprivileged account
// (nobody), and what the real executable answers before any window.
namespace {

gid_t usersGroup() {
    const group* users = getgrnam("users");
    return users ? users->gr_gid : 100;
}

void own(const QString& path, gid_t group, mode_t mode) {
    ASSERT_EQ(chown(QFile::encodeName(path).constData(), 0, group), 0);
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0);
}

// A filled embedded database <folder>/data/desk.sqlite as root made it, in a folder nobody can reach.
QString makeDatabase(const QTemporaryDir& folder) {
    chmod(QFile::encodeName(folder.path()).constData(), 0755);
    QDir(folder.path()).mkdir("data");
    QFile(folder.filePath("data/desk.sqlite")).open(QIODevice::WriteOnly); // the package's empty file
    AppSettings settings;
    settings.Database = "data/desk";
    DbConnection db;
    OpenConnection(db, settings, folder.path());
    CloseConnection(db);
    return folder.filePath("data/desk.sqlite");
}

// Acts as nobody, in the group users or not, until destroyed; root's saved ids bring it back.
struct AsNobody {
    explicit AsNobody(bool inGroup) {
        const gid_t groups[] = {usersGroup()};
        EXPECT_EQ(setgroups(inGroup ? 1 : 0, groups), 0);
        EXPECT_EQ(setegid(65534), 0);
        EXPECT_EQ(seteuid(65534), 0);
    }
    ~AsNobody() { EXPECT_TRUE(seteuid(0) == 0 && setegid(0) == 0 && setgroups(0, nullptr) == 0); }
};

struct AccessRow {
    const char* name;
    gid_t fileGroup; // 0 root, else the group users, which owns the folder
    mode_t fileMode, folderMode;
    bool inGroup;        // nobody is in the group users
    bool journalOfRoot;  // a journal root:root 0600 was left beside the file
    const char* server;  // SERVER of the settings
    const char* german;  // part of the operator's message; empty: nobody may use the file
    const char* english; // part of the administrator's
};

class AccessTable : public ::testing::TestWithParam<AccessRow> {};

TEST_P(AccessTable, StopsOnlyAnAccountThatCannotWrite) {
    const AccessRow& row = GetParam();
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another account";
    QTemporaryDir folder;
    const QString database = makeDatabase(folder);
    own(folder.filePath("data"), usersGroup(), row.folderMode);
    own(database, row.fileGroup ? usersGroup() : 0, row.fileMode);
    if (row.journalOfRoot) {
        QFile journal(database + "-journal");
        ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
        own(journal.fileName(), 0, 0600);
    }
    AppSettings settings;
    settings.Database = "data/desk";
    settings.Server = row.server;

    std::optional<DatabaseAccessProblem> problem;
    struct stat journal {
    }, shared{};
    {
        AsNobody nobody(row.inGroup);
        problem = CheckDatabaseAccess(settings, folder.path());
        if (!problem && settings.Server.isEmpty()) {
            // A job's write, under a strict umask: SQLite's log and its shared memory, which every
            // desk of the group writes, keep the file's group and mode.
            const mode_t before = umask(077);
            DbConnection db;
            OpenConnection(db, settings, folder.path());
            ASSERT_TRUE(TestQuery(db, "BEGIN IMMEDIATE").ok());
            RecordSample(db, LabelJob{"701", 0, 0, 1}, "70100001", "0A1B2C3D");
            EXPECT_EQ(stat(QFile::encodeName(database + "-wal").constData(), &journal), 0);
            EXPECT_EQ(stat(QFile::encodeName(database + "-shm").constData(), &shared), 0);
            ASSERT_TRUE(TestQuery(db, "COMMIT").ok());
            CloseConnection(db);
            umask(before);
        }
    }
    if (!*row.german) {
        EXPECT_FALSE(problem) << problem->administratorText.toStdString();
        if (settings.Server.isEmpty()) {
            for (const struct stat& file : {journal, shared})
                EXPECT_TRUE(file.st_gid == usersGroup() && (file.st_mode & 07777) == 0660) << file.st_mode;
        }
        return;
    }
    ASSERT_TRUE(problem);
    const QString said = problem->operatorText + "\n" + problem->administratorText;
    EXPECT_TRUE(problem->operatorText.contains(QString::fromUtf8(row.german)) &&
                problem->operatorText.contains(database) && problem->administratorText.contains(row.english))
        << said.toStdString();
}

// clang-format off
const AccessRow kAccessRows[] = {
    {"OutsideTheGroup", 1, 0660, 02770, false, false, "", "gehört nicht zur Gruppe „users“", "Account nobody is not in group users"},
    {"InTheGroupJournalKeepsRights", 1, 0660, 02770, true, false, "", "", ""},
    {"FileOfAnotherGroup", 0, 0644, 02770, true, false, "", "gehört der Gruppe „root“ statt „users“", "not to its folder's group users"},
    {"GroupMayOnlyRead", 1, 0640, 02770, true, false, "", "für die Gruppe „users“ nicht beschreibbar", "does not let the group read and write"},
    {"FolderWithoutGroupWrite", 1, 0660, 02750, true, false, "", "nicht beschreibbar", "2750"},
    {"JournalLeftByRoot", 1, 0660, 02770, true, true, "", "Gruppe „root“", "desk.sqlite-journal"},
    {"ServerIsTheServersBusiness", 0, 0600, 02700, false, false, "db.example", "", ""},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rights, AccessTable, ::testing::ValuesIn(kAccessRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Every file below a folder with its bytes: what the tool left behind.
QStringList snapshot(const QString& folder) {
    QStringList files;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        files << it.filePath() + ":" + QString::fromLatin1(file.readAll().toHex());
    }
    files.sort();
    return files;
}

struct CommandRow {
    const char* name;
    const char* arguments; // split at spaces
    bool outsider;         // run by nobody, outside the group that owns the desk's database
    int status;
    const char* said; // a regular expression over standard output and error
};

class CommandLineTable : public ::testing::TestWithParam<CommandRow> {};

TEST_P(CommandLineTable, AnswersBeforeAnyWindowAndLeavesTheFolderAlone) {
    const CommandRow& row = GetParam();
    if (row.outsider && geteuid() != 0)
        GTEST_SKIP() << "needs root to start the tool as another account";
    QTemporaryDir folder;
    const QString executable = folder.filePath("velmora-barcode-tool");
    ASSERT_TRUE(QFile::copy(VELMORA_APP_DIR "/velmora-barcode-tool", executable));
    if (row.outsider) {
        own(makeDatabase(folder), usersGroup(), 0660);
        QFile settings(folder.filePath("VO_Vudu.ini"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly) && settings.write("DATABASE=data/desk\n") > 0);
    }
    const QStringList before = snapshot(folder.path());
    QProcess tool;
    const QStringList arguments = QString(row.arguments).split(' ', Qt::SkipEmptyParts);
    if (row.outsider)
        tool.start("setpriv",
                   QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", executable} + arguments);
    else
        tool.start(executable, arguments);
    ASSERT_TRUE(tool.waitForFinished(30000)); // a bound: a window would wait for ever
    const QString said = QString::fromLocal8Bit(tool.readAllStandardOutput() + tool.readAllStandardError());
    EXPECT_EQ(tool.exitCode(), row.status) << said.toStdString();
    EXPECT_TRUE(said.contains(QRegularExpression(QString::fromUtf8(row.said)))) << said.toStdString();
    EXPECT_EQ(snapshot(folder.path()), before);
}

// clang-format off
const CommandRow kCommandRows[] = {
    {"Misspelt", "--reprnt sample 70100001", false, 2, "Unknown option \"--reprnt\".\n\nUsage: "},
    {"KindBeforeOption", "sample --reprint sample 70100001", false, 2, "Misplaced option \"--reprint\".*\n\nUsage: "},
    {"QtReverse", "-reverse", false, 2, "Unknown option \"-reverse\""},
    {"QtStyleAfterReprint", "--reprint sample 70100001 -style fusion", false, 2, "Misplaced option \"-style\""},
    {"HelpWithMore", "--help me", false, 2, "--help takes no arguments"},
    {"Version", "--version", false, 0, "^velmora-barcode-tool 1\\.0\\.[1-9][0-9]*\n$"},
    {"WindowForAnOutsider", "", true, 1, "Account nobody is not in group users.*/data/desk.sqlite"},
    {"ReprintForAnOutsider", "--reprint sample 70100001", true, 1, "Account nobody is not in group users"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Options, CommandLineTable, ::testing::ValuesIn(kCommandRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
