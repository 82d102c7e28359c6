#include "DbConnection.h"

#include "AppError.h"
#include "EmbeddedSchema.h"
#include "ServerProbe.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Every DbConnection gets a handle of its own, so tests can hold several at once.
QString newConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("velmora-db-%1").arg(counter.fetchAndAddRelaxed(1));
}

// A server that accepts the connection and never answers fails start-up instead of hanging it.
constexpr int kLoginTimeoutSeconds = 15;
const QString kOdbcOptions = QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(kLoginTimeoutSeconds);

// Several desks may share one file: wait for another desk's numbering to finish, but not for ever.
QString sqliteOptions(const DbConnection& connection) {
    return QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(connection.lockWaitSeconds * 1000);
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

void createSchemaWhenMissing(QSqlDatabase& database) {
    const QStringList tables = database.tables();
    const auto has = [&tables](const QString& name) { return tables.contains(name, Qt::CaseInsensitive); };
    if (has(QStringLiteral("SAMPLE_ORG")) && has(QStringLiteral("customer")))
        return;
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

} // namespace

QSqlDatabase DbConnection::database() const {
    return QSqlDatabase::database(connectionName, false);
}

void OpenConnection(DbConnection& connection, const AppSettings& settings, const QString& applicationFolder) {
    connection.ConnectionString = ComposeConnectionString(settings);
    const QString name = newConnectionName();
    const bool embedded = settings.Server.isEmpty();
    const QString target =
        embedded ? SqliteFilePath(settings, applicationFolder) : OdbcConnectionString(settings);
    if (embedded)
        refuseAllButPlainFile(target);
    else if (!ServerAnswers(target, kLoginTimeoutSeconds, connection.answerWaitSeconds))
        throw AppError(QStringLiteral("No answer from server %1 within %2 s")
                           .arg(settings.Server)
                           .arg(connection.answerWaitSeconds));
    bool failed = false;
    QString error;
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(embedded ? QStringLiteral("QSQLITE") : QStringLiteral("QODBC"), name);
        database.setDatabaseName(target);
        database.setConnectOptions(embedded ? sqliteOptions(connection) : kOdbcOptions);
        if (!database.open()) {
            failed = true;
            error = database.lastError().text();
        } else if (embedded) {
            try {
                createSchemaWhenMissing(database);
            } catch (const AppError& e) {
                failed = true;
                error = e.description();
            }
        }
        if (failed)
            database.close();
    }
    if (failed) {
        QSqlDatabase::removeDatabase(name);
        throw AppError(error);
    }
    connection.connectionName = name;
    connection.backend = embedded ? DbBackend::Sqlite : OdbcBackend(settings);
}

void CloseConnection(DbConnection& connection) noexcept {
    try {
        const QString name = connection.connectionName;
        connection.connectionName.clear();
        if (!name.isEmpty())
            QSqlDatabase::removeDatabase(name);
    } catch (...) {
        // Releasing the connection never fails the caller.
    }
}
