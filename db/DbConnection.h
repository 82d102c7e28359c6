#pragma once

#include "AppSettings.h"
#include "StopRequest.h"

#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <memory>

class StatementThread;

enum class DbBackend { Sqlite, SqlServer, PostgreSql };

// Who waits for whom while a number is drawn. Per customer where a clash on a code cannot
// slip through: PostgreSQL with a unique index on CODE_ID, SQL Server with its key-range check.
// The embedded file and a PostgreSQL database without that index keep one lock for the lab.
enum class NumberingLock { Lab, Customer };

// Which embedded database files OpenConnection may set up. The window's start-up creates the
// default file (DATABASE empty) when it is missing and fills a file that exists empty (the
// package's); the command line only reads, so it never creates or fills one. A file that DATABASE
// names and that is not there is refused either way: a typo must never start a second numbering.
enum class NewDatabase { Allowed, Never };

// The one database connection of the process and its composed connection string.
struct DbConnection {
    QString ConnectionString; // composed by OpenConnection, in one of three login variants
    QString connectionName;   // Qt's name of the open handle; empty before OpenConnection
    DbBackend backend = DbBackend::Sqlite;
    NumberingLock numberingLock = NumberingLock::Lab;

    // How long a desk waits for another desk's numbering lock before the job ends with an error.
    int lockWaitSeconds = 30;
    // How long start-up waits for a server's first answer; FreeTDS alone would wait for ever.
    int answerWaitSeconds = 30;
    // The tool's own bound on every statement, whatever the server or the driver do.
    int statementWaitSeconds = 30;
    // Read while a statement is waited on; a request gives up on it (the window is being closed).
    const StopRequest* stopRequest = nullptr;

    // What OpenConnection was given, so that a lost connection can be opened again.
    AppSettings settings;
    QString applicationFolder;
    NewDatabase newDatabase = NewDatabase::Allowed;
    // The embedded file as opened, so that one deleted or replaced meanwhile is noticed.
    QString embeddedFile;
    quint64 embeddedDevice = 0;
    quint64 embeddedInode = 0;
    // The thread that owns the handle and runs the statements; shared by copies of this connection.
    std::shared_ptr<StatementThread> statements;
};

// Runs work (statements on the connection's handle) on the thread that owns the handle within
// statementWaitSeconds, the caller's event loop turning meanwhile; rethrows what work threw.
// Throws AppError naming `what` when the bound passes or stopRequest is requested.
void RunStatement(const DbConnection& connection, const QString& what,
                  const std::function<void(QSqlDatabase&)>& work);

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
// file (set up with its tables and indexes only as newDatabase allows, and never where a desk mark
// shows that the folder held a database before; an older file gains the table OWED_STICKER;
// anything but a plain file, and a file without the table SAMPLE_ORG that is not empty, are refused);
// a server gives ODBC with a bounded login wait, after a probe has shown that the server answers
// within answerWaitSeconds. Where newDatabase is Allowed the embedded file is put into
// write-ahead-log mode; on PostgreSQL numberingLock says whether the unique index on codes is there.
// Throws AppError with the driver's text when the connection cannot be opened, and with our own when
// the server gave no answer in time.
void OpenConnection(DbConnection& connection, const AppSettings& settings, const QString& applicationFolder,
                    NewDatabase newDatabase = NewDatabase::Allowed);

// Before a job: a connection that no longer answers (the server restarted, the network dropped)
// is opened again, once. Throws AppError when it cannot be.
void ReopenWhenLost(DbConnection& connection);

// Releases the connection; ignores every error. Waits briefly for a roll-back queued behind a
// statement given up on; a connection still waiting for that statement is left to the process's
// end rather than waited for.
void CloseConnection(DbConnection& connection) noexcept;
