#pragma once

#include "AppSettings.h"

#include <QSqlDatabase>
#include <QString>

enum class DbBackend { Sqlite, SqlServer, PostgreSql };

// The one database connection of the process and its composed connection string.
struct DbConnection {
    QString ConnectionString; // composed by OpenConnection, in one of three login variants
    QString connectionName;   // Qt's name of the open handle; empty before OpenConnection
    DbBackend backend = DbBackend::Sqlite;

    // How long a desk waits for another desk's numbering lock before the job ends with an error.
    int lockWaitSeconds = 30;
    // How long start-up waits for a server's first answer; FreeTDS alone would wait for ever.
    int answerWaitSeconds = 30;

    QSqlDatabase database() const;
};

// The connection string in its three login variants, character for character.
QString ComposeConnectionString(const AppSettings& settings);

// The same facts for unixODBC: driver from ODBCDRIVER (default FreeTDS), braced and escaped values.
QString OdbcConnectionString(const AppSettings& settings);

// The back end a named server is reached through: psqlODBC drivers mean PostgreSQL, every
// other driver SQL Server.
DbBackend OdbcBackend(const AppSettings& settings);

// The embedded SQLite file: <DATABASE>.sqlite (VO_Vudu.sqlite when empty), relative to the
// application folder unless DATABASE is absolute.
QString SqliteFilePath(const AppSettings& settings, const QString& applicationFolder);

// Composes ConnectionString and opens the connection: an empty server gives the embedded SQLite
// file (created with its tables and indexes when missing; anything but a plain file is refused);
// a server gives ODBC with a bounded login wait, after a probe has shown that the server answers
// within answerWaitSeconds. Throws AppError with the driver's text when the connection cannot be
// opened, and with our own when the server gave no answer in time.
void OpenConnection(DbConnection& connection, const AppSettings& settings, const QString& applicationFolder);

// Releases the connection; ignores every error.
void CloseConnection(DbConnection& connection) noexcept;
