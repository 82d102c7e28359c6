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
// file (created with its tables and indexes when missing); a server gives ODBC with a bounded
// login wait. Throws AppError with the driver's text when the connection cannot be opened.
void OpenConnection(DbConnection& connection, const AppSettings& settings, const QString& applicationFolder);

// Releases the connection; ignores every error.
void CloseConnection(DbConnection& connection) noexcept;
