#include "DbConnection.h"

#include "AppError.h"
#include "DeskMark.h"
#include "EmbeddedSchema.h"
#include "ServerProbe.h"
#include "StatementThread.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <utility>

namespace {

// A server that accepts the connection and never answers fails start-up instead of hanging it.
constexpr int kLoginTimeoutSeconds = 15;
const QString kOdbcOptions = QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(kLoginTimeoutSeconds);

// How long a release waits for the roll-back of a statement given up on, once its server answered.
constexpr int kRollBackWaitSeconds = 5;

// Several desks may share one file: wait for another desk's numbering to finish, but not for ever.
QString sqliteOptions(const DbConnection& connection, bool uri) {
    return QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(connection.lockWaitSeconds * 1000) +
           (uri ? QStringLiteral(";QSQLITE_OPEN_URI") : QString());
}

// SQLite would read a FIFO or a device as its file and wait on it for ever.
void refuseAllButPlainFile(const QString& path) {
    const QFileInfo file(path);
    if (file.exists() && !file.isFile())
        throw AppError(QStringLiteral("The database file %1 is not a plain file").arg(path));
}

void execOrThrow(QSqlQuery& query, const QString& statement) {
    if (!query.exec(statement))
        throw AppError(query.lastError().text());
}

// A unique index on CODE_ID alone, whole or for non-empty codes only: the one an INSERT ... ON
// CONFLICT can name, so that a code another customer's desk took meanwhile is drawn again. A
// database set up before that index existed has none.
const QString kPostgreSqlCodeIndex = QStringLiteral(
    "SELECT count(*) FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = "
    "i.indkey[0] WHERE i.indrelid = to_regclass('sample_org') AND i.indisunique AND i.indisvalid AND "
    "i.indnatts = 1 AND a.attname = 'code_id' AND (i.indpred IS NULL OR "
    "pg_get_expr(i.indpred, i.indrelid) = '((code_id)::text <> ''''::text)')");

// Where the catalogue cannot be read, the lab-wide lock stays: slower, never wrong.
NumberingLock postgreSqlNumberingLock(QSqlDatabase& database) {
    QSqlQuery query(database);
    const bool indexed = query.exec(kPostgreSqlCodeIndex) && query.next() && query.value(0).toInt() > 0;
    return indexed ? NumberingLock::Customer : NumberingLock::Lab;
}

// A write-ahead log syncs once per commit where the rollback journal syncs four times; FULL keeps
// every committed label on the disk. The mode stays with the file, so every desk opening it uses
// the log and its shared memory: the file serves desks of one machine only. Another desk holding
// the file in the old mode keeps it there for now, which is as safe, only slower; so does the
// command line, which changes nothing in the file. The larger page cache is kept between labels
// while no other desk writes, so a large table is not read again.
void tuneSqlite(QSqlDatabase& database, NewDatabase newDatabase) {
    QSqlQuery query(database);
    if (newDatabase == NewDatabase::Allowed)
        query.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    execOrThrow(query, QStringLiteral("PRAGMA synchronous = FULL"));
    execOrThrow(query, QStringLiteral("PRAGMA cache_size = -65536"));
}

// A path as the administrator must type it: in quotes, each blank shown.
QString visible(const QString& text) {
    const QChar blank(0x2423);
    QString shown = text;
    shown.replace(QLatin1Char(' '), blank);
    QString result = QLatin1Char('"') + shown + QLatin1Char('"');
    if (text.contains(QLatin1Char(' ')))
        result += QStringLiteral(" (%1 marks a blank)").arg(blank);
    return result;
}

// Whether the file may be opened, and whether it may be set up: a missing default file is created
// where allowed, a missing named file never (DATABASE with a typo or a stray blank would begin a
// second numbering and hand out numbers the lab has already issued).
bool mayCreate(const QString& path, const AppSettings& settings, NewDatabase newDatabase) {
    refuseAllButPlainFile(path);
    if (QFileInfo::exists(path))
        return false;
    if (!settings.Database.isEmpty())
        throw AppError(QStringLiteral("The database file %1 named by DATABASE does not exist. Nothing was "
                                      "created: correct DATABASE in VO_Vudu.ini or put the lab's database "
                                      "file there.")
                           .arg(visible(path)));
    // The folder held this desk's database: a new one would issue its numbers again.
    if (QFileInfo::exists(DeskMarkPath(path))) {
        std::fprintf(stderr,
                     "The database file %s is missing, but this desk has used it (its mark %s is there). "
                     "Nothing was created: a new database would issue sample numbers again. Put the "
                     "database or its latest backup back at that path (README, \"Backing up and "
                     "restoring\").\n",
                     qPrintable(visible(path)), qPrintable(DeskMarkPath(path)));
        std::fflush(stderr);
        throw AppError(QStringLiteral("Die Datenbank %1 fehlt. Eine neue würde Proben-Nummern noch einmal "
                                      "vergeben; es wurde nichts angelegt. Bitte den Administrator "
                                      "verständigen.")
                           .arg(path));
    }
    if (newDatabase == NewDatabase::Never)
        throw AppError(
            QStringLiteral("The database file %1 does not exist. Nothing was created.").arg(visible(path)));
    return true;
}

// SQLite opens an existing file without ever creating one when asked through a URI with mode=rw.
QString sqliteTarget(const QString& path, bool create) {
    return create ? path
                  : QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw");
}

// A new or empty file gets the tables and indexes; a file holding other things is no lab database.
void setUpSchema(QSqlDatabase& database, const QString& path, NewDatabase newDatabase) {
    const QStringList tables = database.tables();
    const auto has = [&tables](const QString& name) { return tables.contains(name, Qt::CaseInsensitive); };
    if (has(QStringLiteral("SAMPLE_ORG")) && has(QStringLiteral("customer")) &&
        has(QStringLiteral("OWED_STICKER")))
        return;
    const bool empty = QFileInfo(path).size() == 0;
    // A lab database of an older version gains the tables it lacks, also for the command line.
    const bool upgrade = has(QStringLiteral("SAMPLE_ORG"));
    if ((newDatabase == NewDatabase::Never && !upgrade) || (!empty && !upgrade))
        throw AppError(QStringLiteral("The database file %1 holds no table SAMPLE_ORG. Nothing was changed.")
                           .arg(visible(path)));
    // One write transaction: a file is never left with half a schema, and desks starting at
    // the same moment create it one after the other.
    QSqlQuery query(database);
    execOrThrow(query, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        for (const QString& statement : EmbeddedSchemaStatements())
            execOrThrow(query, statement);
        execOrThrow(query, QStringLiteral("COMMIT"));
    } catch (const AppError&) {
        query.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

// Lets go of the handle; the copy in hand goes first, or Qt would find the handle still in use.
void release(QSqlDatabase& database) {
    const QString name = database.connectionName();
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

} // namespace

void OpenConnection(DbConnection& connection, const AppSettings& settings, const QString& applicationFolder,
                    NewDatabase newDatabase) {
    connection.ConnectionString = ComposeConnectionString(settings);
    const bool embedded = settings.Server.isEmpty();
    const QString path = embedded ? SqliteFilePath(settings, applicationFolder) : QString();
    const bool create = embedded && mayCreate(path, settings, newDatabase);
    const QString target = embedded ? sqliteTarget(path, create) : OdbcConnectionString(settings);
    if (!embedded && !ServerAnswers(target, kLoginTimeoutSeconds, connection.answerWaitSeconds))
        throw AppError(QStringLiteral("No answer from server %1 within %2 s")
                           .arg(settings.Server)
                           .arg(connection.answerWaitSeconds));
    if (!connection.statements)
        connection.statements = std::make_shared<StatementThread>();
    const QString name = connection.statements->connectionName();
    const QString options = embedded ? sqliteOptions(connection, !create) : kOdbcOptions;
    const DbBackend backend = embedded ? DbBackend::Sqlite : OdbcBackend(settings);
    auto numberingLock = std::make_shared<NumberingLock>(
        backend == DbBackend::SqlServer ? NumberingLock::Customer : NumberingLock::Lab);
    const auto open = [=](QSqlDatabase& database) {
        database =
            QSqlDatabase::addDatabase(embedded ? QStringLiteral("QSQLITE") : QStringLiteral("QODBC"), name);
        database.setDatabaseName(target);
        database.setConnectOptions(options);
        try {
            if (!database.open())
                throw AppError(database.lastError().text());
            if (embedded) {
                setUpSchema(database, path, newDatabase);
                tuneSqlite(database, newDatabase);
            }
            if (backend == DbBackend::PostgreSql)
                *numberingLock = postgreSqlNumberingLock(database);
        } catch (const AppError&) {
            release(database);
            throw;
        }
    };
    // Longer than the driver's own login and lock waits, so that theirs are the errors reported.
    connection.statements->run(open, kLoginTimeoutSeconds + connection.lockWaitSeconds, nullptr,
                               QStringLiteral("opening the connection"));
    connection.connectionName = name;
    connection.backend = backend;
    connection.numberingLock = *numberingLock;
    connection.settings = settings;
    connection.applicationFolder = applicationFolder;
    connection.newDatabase = newDatabase;
    connection.embeddedFile = path;
    struct stat opened {};
    if (embedded && ::stat(QFile::encodeName(path).constData(), &opened) == 0) {
        connection.embeddedDevice = quint64(opened.st_dev);
        connection.embeddedInode = quint64(opened.st_ino);
    }
}

void RunStatement(const DbConnection& connection, const QString& what,
                  const std::function<void(QSqlDatabase&)>& work) {
    if (!connection.statements) {
        // Never opened: the work meets an invalid handle and reports the driver's error.
        QSqlDatabase none;
        work(none);
        return;
    }
    connection.statements->run(
        work, connection.statementWaitSeconds,
        [stop = connection.stopRequest] { return stop && stop->requested(); }, what);
}

void ReopenWhenLost(DbConnection& connection) {
    if (connection.connectionName.isEmpty())
        return;
    try {
        RunStatement(connection, QStringLiteral("checking the connection"), [](QSqlDatabase& database) {
            QSqlQuery probe(database);
            if (!probe.exec(QStringLiteral("SELECT 1")))
                throw AppError(probe.lastError().text());
        });
        return;
    } catch (const AppError&) {
        // A server that does not answer at all is not helped by a new connection.
        if (connection.statements->stuck())
            throw;
    }
    CloseConnection(connection);
    OpenConnection(connection, connection.settings, connection.applicationFolder, connection.newDatabase);
}

void CloseConnection(DbConnection& connection) noexcept {
    try {
        const QString name = std::exchange(connection.connectionName, QString());
        // The driver would wait with a statement still inside it; the process's end releases it.
        if (name.isEmpty() || connection.statements->stuck())
            return;
        connection.statements->post(release);
        // A roll-back queued behind a statement given up on goes first: waited for, briefly.
        connection.statements->settle(kRollBackWaitSeconds);
    } catch (...) {
        // Releasing the connection never fails the caller.
    }
}
