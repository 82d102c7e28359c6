#include "DatabaseAccess.h"
#include "DbConnection.h"
#include "SampleNumbers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

// Who may use a desk's embedded database, checked on real files with the real rights of an
// unprivileged account (nobody), and the command line refusing what it does not know.
namespace {

constexpr uid_t kNobody = 65534;

struct AccessRow {
    const char* name;
    const char* fileGroup; // group of the database file: "users" (the folder's) or "root"
    mode_t fileMode;
    mode_t folderMode;   // the folder belongs to root:users
    bool inGroup;        // the account is in the group users
    bool journalOfRoot;  // a journal root:root 0600 was left beside the file
    const char* server;  // SERVER of the settings
    const char* german;  // part of the operator's message; empty: the account may use the file
    const char* english; // part of the administrator's
};

// Acts as nobody, in the group users or not, until destroyed; root's saved ids bring it back.
class AsNobody {
public:
    AsNobody(gid_t users, bool inGroup) {
        const gid_t groups[] = {users};
        EXPECT_EQ(setgroups(inGroup ? 1 : 0, groups), 0);
        EXPECT_EQ(setegid(kNobody), 0);
        EXPECT_EQ(seteuid(kNobody), 0);
    }
    ~AsNobody() {
        EXPECT_EQ(seteuid(0), 0);
        EXPECT_EQ(setegid(0), 0);
        EXPECT_EQ(setgroups(0, nullptr), 0);
    }
};

class AccessTable : public ::testing::TestWithParam<AccessRow> {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "needs root to act as another account";
        const group* users = getgrnam("users");
        ASSERT_NE(users, nullptr);
        mUsers = users->gr_gid;
        ASSERT_EQ(chmod(QFile::encodeName(mTop.path()).constData(), 0755), 0);
        ASSERT_TRUE(QDir(mTop.path()).mkdir("data"));
        mDatabase = mTop.filePath("data/desk.sqlite");
        DbConnection db; // a filled database, as root made it
        AppSettings settings;
        settings.Database = mDatabase.chopped(7);
        OpenConnection(db, settings, mTop.path());
        CloseConnection(db);
    }

    void own(const QString& path, gid_t group, mode_t mode) {
        ASSERT_EQ(chown(QFile::encodeName(path).constData(), 0, group), 0);
        ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0);
    }

    QTemporaryDir mTop;
    QString mDatabase;
    gid_t mUsers = 0;
};

TEST_P(AccessTable, StopsOnlyAnAccountThatCannotWrite) {
    const AccessRow& row = GetParam();
    own(mTop.filePath("data"), mUsers, row.folderMode);
    own(mDatabase, QByteArray(row.fileGroup) == "users" ? mUsers : 0, row.fileMode);
    if (row.journalOfRoot) {
        QFile journal(mDatabase + "-journal");
        ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
        own(journal.fileName(), 0, 0600);
    }
    AppSettings settings;
    settings.Database = mDatabase.chopped(7);
    settings.Server = QString::fromLatin1(row.server);

    std::optional<DatabaseAccessProblem> problem;
    mode_t journalMode = 0;
    gid_t journalGroup = 0;
    {
        AsNobody nobody(mUsers, row.inGroup);
        problem = CheckDatabaseAccess(settings, mTop.path());
        if (!problem && settings.Server.isEmpty()) {
            // A job's write: SQLite's journal, made under a strict umask, keeps the file's rights.
            const mode_t umaskBefore = umask(077);
            DbConnection db;
            OpenConnection(db, settings, mTop.path());
            QSqlQuery query(db.database());
            ASSERT_TRUE(query.exec("BEGIN IMMEDIATE"));
            RecordSample(db, LabelJob{"701", 0, 0, 1}, "70100001", "0A1B2C3D");
            struct stat journal {};
            ASSERT_EQ(stat(QFile::encodeName(mDatabase + "-journal").constData(), &journal), 0);
            journalMode = journal.st_mode & 07777;
            journalGroup = journal.st_gid;
            ASSERT_TRUE(query.exec("COMMIT"));
            query.finish();
            CloseConnection(db);
            umask(umaskBefore);
        }
    }
    if (!*row.german) {
        EXPECT_FALSE(problem) << problem->administratorText.toStdString();
        if (settings.Server.isEmpty()) {
            EXPECT_EQ(journalMode, 0660u);
            EXPECT_EQ(journalGroup, mUsers);
        }
        return;
    }
    ASSERT_TRUE(problem);
    EXPECT_TRUE(problem->operatorText.contains(QString::fromUtf8(row.german)))
        << problem->operatorText.toStdString();
    EXPECT_TRUE(problem->operatorText.contains(mDatabase)) << problem->operatorText.toStdString();
    EXPECT_TRUE(problem->administratorText.contains(QString::fromUtf8(row.english)))
        << problem->administratorText.toStdString();
}

// clang-format off
const AccessRow kAccessRows[] = {
    {"OutsideTheGroup", "users", 0660, 02770, false, false, "", "gehört nicht zur Gruppe „users“",
     "Account nobody is not in group users"},
    {"InTheGroupJournalKeepsRights", "users", 0660, 02770, true, false, "", "", ""},
    {"FileOfAnotherGroup", "root", 0644, 02770, true, false, "", "gehört der Gruppe „root“ statt „users“",
     "belongs to group root, not to its folder's group users"},
    {"GroupMayOnlyRead", "users", 0640, 02770, true, false, "", "für die Gruppe „users“ nicht beschreibbar",
     "does not let the group read and write"},
    {"FolderWithoutGroupWrite", "users", 0660, 02750, true, false, "", "nicht beschreibbar", "2750"},
    {"JournalLeftByRoot", "users", 0660, 02770, true, true, "", "Gruppe „root“", "desk.sqlite-journal"},
    {"ServerIsTheServersBusiness", "root", 0600, 02700, false, false, "db.example", "", ""},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rights, AccessTable, ::testing::ValuesIn(kAccessRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The real executable in a folder of its own: what it says, with which status, and that it left
// the folder as it was (no window ran its start-up, no database or settings file was made).
struct CommandRow {
    const char* name;
    const char* arguments; // split at spaces
    int status;
    const char* said; // a regular expression over standard output and error
};

class CommandLineTable : public ::testing::TestWithParam<CommandRow> {};

TEST_P(CommandLineTable, AnswersBeforeAnyWindow) {
    const CommandRow& row = GetParam();
    QTemporaryDir folder;
    const QString executable = folder.filePath("velmora-barcode-tool");
    ASSERT_TRUE(QFile::copy(VELMORA_APP_DIR "/velmora-barcode-tool", executable));
    QProcess tool;
    tool.start(executable, QString::fromLatin1(row.arguments).split(' '));
    ASSERT_TRUE(tool.waitForFinished(30000)); // a bound: a window would wait for ever
    const QString said = QString::fromLocal8Bit(tool.readAllStandardOutput() + tool.readAllStandardError());
    EXPECT_EQ(tool.exitCode(), row.status) << said.toStdString();
    EXPECT_TRUE(said.contains(QRegularExpression(QString::fromUtf8(row.said)))) << said.toStdString();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"velmora-barcode-tool"});
}

// clang-format off
const CommandRow kCommandRows[] = {
    {"Misspelt", "--reprnt sample 70100001", 2, "Unknown option \"--reprnt\".\n\nUsage: "},
    {"KindBeforeOption", "sample --reprint sample 70100001", 2, "Misplaced option \"--reprint\".*\n\nUsage: "},
    {"QtReverse", "-reverse", 2, "Unknown option \"-reverse\""},
    {"QtStyleAfterReprint", "--reprint sample 70100001 -style fusion", 2, "Misplaced option \"-style\""},
    {"HelpWithMore", "--help me", 2, "--help takes no arguments"},
    {"Version", "--version", 0, "^velmora-barcode-tool 1\\.0\\.[1-9][0-9]*\n$"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Options, CommandLineTable, ::testing::ValuesIn(kCommandRows),
                         [](const auto& info) { return std::string(info.param.name); });

// An account outside the group, starting the real window: stopped before the window with status 1,
// the database and the group named on standard error, and nothing recorded.
TEST(DeskAccess, OperatorOutsideTheGroupIsStoppedBeforeTheWindow) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to start the tool as another account";
    QTemporaryDir folder;
    ASSERT_EQ(chmod(QFile::encodeName(folder.path()).constData(), 0755), 0);
    ASSERT_TRUE(
        QFile::copy(VELMORA_APP_DIR "/velmora-barcode-tool", folder.filePath("velmora-barcode-tool")));
    QFile settings(folder.filePath("VO_Vudu.ini"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("DATABASE=data/desk\n");
    settings.close();
    ASSERT_TRUE(QDir(folder.path()).mkdir("data"));
    DbConnection db;
    AppSettings named;
    named.Database = "data/desk";
    OpenConnection(db, named, folder.path());
    CloseConnection(db);
    const QString database = folder.filePath("data/desk.sqlite");
    ASSERT_EQ(chown(QFile::encodeName(database).constData(), 0, 100), 0);
    ASSERT_EQ(chmod(QFile::encodeName(database).constData(), 0660), 0);
    const QByteArray before = [&] {
        QFile f(database);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();

    QProcess tool;
    tool.start("setpriv",
               {"--reuid=65534", "--regid=65534", "--clear-groups", folder.filePath("velmora-barcode-tool")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    const QString said = QString::fromLocal8Bit(tool.readAllStandardError());
    EXPECT_EQ(tool.exitCode(), 1) << said.toStdString();
    EXPECT_TRUE(said.contains("is not in group users")) << said.toStdString();
    EXPECT_TRUE(said.contains(database)) << said.toStdString();
    QFile after(database);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
}

} // namespace
