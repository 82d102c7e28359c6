#include "StartUp.h"

#include "../db/SilentServer.h"
#include "AppError.h"
#include "MainModule.h"
#include "TestQuery.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Stands in for the window: records when it was created and what the boxes were set to.
class RecordingBoxes final : public JobBoxes {
public:
    QString text2() const override { return mText2; }
    void setText1(const QString& text) override { mText1 = text; }
    void setText2(const QString& text) override { mText2 = text; }
    QString mText1 = QStringLiteral("x");
    QString mText2 = QStringLiteral("y");
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

struct StartedModule {
    QTemporaryDir folder;
    MainModule module;
    RecordingBoxes boxes;
    int windowsCreated = 0;
    bool connectionOpenWhenWindowCreated = false;

    explicit StartedModule(const QByteArray& settings) {
        writeFile(folder.filePath("VO_Vudu.ini"), settings);
        module.window = [this]() -> JobBoxes& {
            if (windowsCreated++ == 0)
                connectionOpenWhenWindowCreated = !module.db.connectionName.isEmpty();
            return boxes;
        };
        StartUp(module, folder.path());
    }
    ~StartedModule() { CloseConnection(module.db); }
};

TEST(StartUp, CompletesSettingsAndResetsTheJob) {
    StartedModule started("LOGOFILENAME1=logos\\eins.png\nLOGOFILENAME2=/abs/zwei.png\n");
    const AppSettings& settings = started.module.settings;
    const QString folder = started.folder.path();

    EXPECT_EQ(settings.VersionText, "1.0");
    EXPECT_EQ(settings.SettingsFilePath, folder + "/VO_Vudu.ini");
    EXPECT_EQ(settings.LogoFileName1, folder + "/logos/eins.png");
    EXPECT_EQ(settings.LogoFileName2, folder + "//abs/zwei.png"); // the prefix is always added

    const LabelJob& job = started.module.job;
    EXPECT_EQ(job.CustomerId, "0");
    EXPECT_EQ(job.LabelCount, 0);
    EXPECT_EQ(job.Kind, 0);
    EXPECT_EQ(job.RepeatCount, 1);
    EXPECT_EQ(started.boxes.mText1, "");
    EXPECT_EQ(started.boxes.mText2, "");
    EXPECT_EQ(started.windowsCreated, 1);
    EXPECT_FALSE(started.connectionOpenWhenWindowCreated); // the window loads before the connection opens
    EXPECT_TRUE(TestQuery(started.module.db, "SELECT 1").ok());
    EXPECT_TRUE(QFile::exists(folder + "/VO_Vudu.sqlite"));
}

TEST(StartUp, MissingLogoSettingsBecomeTheFolder) {
    QTemporaryDir folder;
    MainModule module;
    RecordingBoxes boxes;
    module.window = [&]() -> JobBoxes& { return boxes; };
    StartUp(module, folder.path()); // no settings file at all
    EXPECT_TRUE(QFile::exists(folder.filePath("VO_Vudu.ini")));
    EXPECT_EQ(module.settings.LogoFileName1, folder.path() + "/");
    EXPECT_EQ(module.settings.LogoFileName2, folder.path() + "/");
    CloseConnection(module.db);
}

// What a desk remembers beside its embedded database, and settings it cannot read: each row starts
// a desk on a folder prepared so, and either starts (error empty) or stops naming what is wrong.
TEST(StartUp, DeskMemory) {
    const QByteArray mark = "velmora-barcode-tool desk mark 1\n705 70500015\n";
    const QStringList rows705 = {
        "CREATE TABLE SAMPLE_ORG (CUST_ID varchar(3), SAMPLE_ID varchar(8), "
        "CODE_ID varchar(8), TIME_STAMP datetime)",
        "CREATE TABLE customer (CUST_ID varchar(3), cust_name varchar(100))",
        "INSERT INTO SAMPLE_ORG VALUES ('705', '70500011', '', '2026-01-01 08:00:00')"};
    const struct {
        const char* name;
        QByteArray settings;
        QByteArray mark;      // beside VO_Vudu.sqlite, if set
        QStringList database; // VO_Vudu.sqlite made with these statements, if any
        const char* error;    // in the stop's German text; empty: the desk starts
        QByteArray markAfter; // the mark once started
    } rows[] = {
        // clang-format off
        {"FirstStartMakesTheMark", "", {}, {}, "", "velmora-barcode-tool desk mark 1\n"},
        {"DefaultDatabaseDeleted", "", mark, {}, "VO_Vudu.sqlite fehlt. Eine neue würde Proben-Nummern noch einmal vergeben", {}},
        {"BackupPutBack", "", mark, rows705, "für Kunde 705 ist die höchste Proben-Nr. dort 70500011, ausgegeben wurde schon 70500015", {}},
        {"OlderDatabaseGainsOwedStickers", "", {}, rows705, "", "velmora-barcode-tool desk mark 1\n705 70500011\n"},
        {"SettingsInUtf16", QByteArray("\xFF\xFES\0E\0R\0V\0E\0R\0=\0x\0", 18), {}, {}, "VO_Vudu.ini is saved as UTF-16", {}},
        // clang-format on
    };
    for (const auto& row : rows) {
        QTemporaryDir folder;
        writeFile(folder.filePath("VO_Vudu.ini"), row.settings);
        if (!row.mark.isEmpty())
            writeFile(folder.filePath("VO_Vudu.sqlite.desk"), row.mark);
        if (!row.database.isEmpty()) {
            QSqlDatabase file = QSqlDatabase::addDatabase("QSQLITE", row.name);
            file.setDatabaseName(folder.filePath("VO_Vudu.sqlite"));
            ASSERT_TRUE(file.open());
            for (const QString& statement : row.database)
                ASSERT_TRUE(QSqlQuery(file).exec(statement)) << qPrintable(statement);
            file.close();
        }
        QSqlDatabase::removeDatabase(row.name);
        MainModule module;
        RecordingBoxes boxes;
        module.window = [&]() -> JobBoxes& { return boxes; };
        QString error;
        try {
            StartUp(module, folder.path());
            EXPECT_TRUE(TestQuery(module.db, "SELECT STICKER FROM OWED_STICKER").ok()) << row.name;
        } catch (const AppError& stop) {
            error = stop.description();
        }
        CloseConnection(module.db);
        EXPECT_TRUE(QString(row.error).isEmpty() ? error.isEmpty()
                                                 : error.contains(QString::fromUtf8(row.error)))
            << row.name << ": " << qPrintable(error);
        if (*row.error) {
            // Nothing numbered on: a stopped desk made no database it did not have.
            EXPECT_EQ(QFile::exists(folder.filePath("VO_Vudu.sqlite")), !row.database.isEmpty()) << row.name;
            continue;
        }
        QFile after(folder.filePath("VO_Vudu.sqlite.desk"));
        EXPECT_TRUE(after.open(QIODevice::ReadOnly)) << row.name;
        EXPECT_EQ(after.readAll(), row.markAfter) << row.name;
    }
}

// Start-up failures end the real executable with status 1 and the error's own text, before any
// window is shown.
class StartUpFailure : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.isValid());
        mExecutable = mFolder.filePath("velmora-barcode-tool");
        ASSERT_TRUE(QFile::copy(VELMORA_APP_DIR "/velmora-barcode-tool", mExecutable));
    }

    // Runs the tool; as root (CI) through an unprivileged user, since root may write anywhere.
    int run(QString* standardError) {
        QProcess tool;
        start(tool, mExecutable);
        return finish(tool, standardError);
    }

    static void start(QProcess& tool, const QString& executable, const QStringList& arguments = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        tool.setProcessEnvironment(environment);
        if (geteuid() == 0)
            tool.start("setpriv",
                       QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", executable} +
                           arguments);
        else
            tool.start(executable, arguments);
    }

    // The wait is a bound against a hung tool, well past the 45 s start-up may take.
    static int finish(QProcess& tool, QString* standardError) {
        EXPECT_TRUE(tool.waitForFinished(90000));
        *standardError = QString::fromLocal8Bit(tool.readAllStandardError());
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }

    QTemporaryDir mFolder;
    QString mExecutable;
};

TEST_F(StartUpFailure, UnwritableFolderWithoutSettings) {
    QFile::setPermissions(mFolder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther |
                                              QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    QString error;
    EXPECT_EQ(run(&error), 1);
    EXPECT_TRUE(error.contains("Permission denied")) << qPrintable(error);
    EXPECT_FALSE(QFile::exists(mFolder.filePath("VO_Vudu.ini")));
}

TEST_F(StartUpFailure, UnreachableDatabaseServer) {
    // Port 1 on loopback is closed: the driver refuses at once.
    writeFile(mFolder.filePath("VO_Vudu.ini"), "SERVER=127.0.0.1,1\nDATABASE=lab\nSQLSVR=velmora\n");
    QFile::setPermissions(mFolder.filePath("VO_Vudu.ini"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                               QFileDevice::ReadOther |
                                                               QFileDevice::ReadGroup);
    QFile::setPermissions(mFolder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther);
    QString error;
    EXPECT_EQ(run(&error), 1);
    EXPECT_FALSE(error.trimmed().isEmpty());
}

// A desk that would number into a new database, or record samples it cannot print, stops before its
// window with the exact path. No row here makes a file it must not.
TEST_F(StartUpFailure, StopsBeforeTheWindow) {
    const struct {
        const char* name;
        QByteArray settings;
        QStringList arguments;
        QStringList libraries; // copied beside the tool; "62=<file>" puts another file in its place
        const char* expected;  // after the folder
        const char* absent;    // a file that must not have been made
    } rows[] = {
        // clang-format off
        {"DatabaseNamedWithABlank", "DATABASE=lab \n", {}, {"7x32", "62"},
         "/lab\u2423.sqlite\" (\u2423 marks a blank) named by DATABASE does not exist", "lab .sqlite"},
        {"ReprintCreatesNoDatabase", "", {"--reprint", "sample", "70100001"}, {"7x32", "62"},
         "/VO_Vudu.sqlite\" does not exist", "VO_Vudu.sqlite"},
        {"NoPrinterLibraries", "", {}, {}, "/libSlpApi7x32.so: No such file or directory", nullptr},
        {"LibraryWithoutTheRoutines", "", {}, {"7x32", "62=/lib/x86_64-linux-gnu/libz.so.1"},
         "/libslpapi62.so: the library does not export SlpOpenPrinter, SlpGetLabelWidth", nullptr},
        // clang-format on
    };
    const QMap<QString, QString> names{{"7x32", "libSlpApi7x32.so"}, {"62", "libslpapi62.so"}};
    for (const auto& row : rows) {
        QTemporaryDir folder;
        const QString executable = folder.filePath("velmora-barcode-tool");
        ASSERT_TRUE(QFile::copy(VELMORA_APP_DIR "/velmora-barcode-tool", executable));
        for (const QString& library : row.libraries) {
            const QString name = names[library.section('=', 0, 0)];
            const QString source =
                library.contains('=') ? library.section('=', 1) : VELMORA_APP_DIR "/" + name;
            ASSERT_TRUE(QFile::copy(source, folder.filePath(name))) << qPrintable(source);
        }
        writeFile(folder.filePath("VO_Vudu.ini"), row.settings);
        ::chmod(QFile::encodeName(folder.path()).constData(), 0777);
        QProcess tool;
        start(tool, executable, row.arguments);
        QString error;
        EXPECT_EQ(finish(tool, &error), 1) << row.name;
        EXPECT_TRUE(error.contains(folder.path() + QString::fromUtf8(row.expected)))
            << row.name << ": " << qPrintable(error);
        EXPECT_FALSE(row.absent && QFile::exists(folder.filePath(row.absent))) << row.name;
    }
}

// Nothing at start-up waits for ever: a server that accepts and never answers, on each driver, and
// a FIFO where the embedded file belongs; a server nobody listens for is told apart. The rows run
// side by side; each ends with status 1, the driver's text and the operator's.
TEST_F(StartUpFailure, NothingWaitsForEver) {
    const struct {
        const char* name;
        QByteArray settings; // {server} is the silent server
        const char* fifo;    // made a FIFO in the application folder, if set
        const char* expected;
        const char* operatorText;
    } rows[] = {
        {"FreeTDS", "SERVER={server}\nDATABASE=lab\nSQLSVR=velmora\n", nullptr,
         "No answer from server {server} within 30 s",
         "Anmeldung an der Datenbank lab auf {server} fehlgeschlagen: Server antwortet nicht"},
        {"psqlODBC", "SERVER={server}\nDATABASE=lab\nSQLSVR=velmora\nODBCDRIVER=PostgreSQL Unicode\n",
         nullptr, "timeout expired", "fehlgeschlagen: Server antwortet nicht"},
        {"psqlODBCNobodyListens",
         "SERVER=127.0.0.1,1\nDATABASE=lab\nSQLSVR=velmora\nODBCDRIVER=PostgreSQL Unicode\n", nullptr,
         "Connection refused", "auf 127.0.0.1,1 fehlgeschlagen: Server nicht erreichbar"},
        {"EmbeddedFileAFifo", "DATABASE=lab\n", "lab.sqlite", "lab.sqlite is not a plain file", ""},
    };
    SilentServer silent;
    const QByteArray server = silent.server().toLatin1();
    std::vector<std::unique_ptr<QTemporaryDir>> folders;
    std::vector<std::unique_ptr<QProcess>> tools;
    for (const auto& row : rows) {
        auto& folder = folders.emplace_back(std::make_unique<QTemporaryDir>());
        const QString executable = folder->filePath("velmora-barcode-tool");
        ASSERT_TRUE(QFile::copy(VELMORA_APP_DIR "/velmora-barcode-tool", executable));
        if (row.fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(folder->filePath(row.fifo)).constData(), 0666), 0);
        }
        writeFile(folder->filePath("VO_Vudu.ini"), QByteArray(row.settings).replace("{server}", server));
        QFile::setPermissions(folder->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther);
        start(*tools.emplace_back(std::make_unique<QProcess>()), executable);
    }
    for (std::size_t i = 0; i < tools.size(); ++i) {
        QString error;
        EXPECT_EQ(finish(*tools[i], &error), 1) << rows[i].name;
        for (const char* text : {rows[i].expected, rows[i].operatorText}) {
            const QString expected = QString::fromUtf8(text).replace("{server}", silent.server());
            EXPECT_TRUE(error.contains(expected)) << rows[i].name << ": " << qPrintable(error);
        }
    }
}

} // namespace
