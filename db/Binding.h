#pragma once

#include "DbConnection.h"

#include <QSqlQuery>
#include <QVariantList>

// Prepares the statement on the handle and binds the values by position.
// Texts are never bound as NULL; date-times are bound as local time to the second.
// Throws AppError with the driver's text when the statement cannot be prepared.
QSqlQuery prepareStatement(const QSqlDatabase& database, DbBackend backend, const QString& statement,
                           const QVariantList& parameters);

// Runs the prepared statement; throws AppError with the driver's text when it fails.
void executeStatement(QSqlQuery& query);

// What the connection is doing while it runs the statement, for a message when it takes too long.
QString runningStatement(const QString& statement);
