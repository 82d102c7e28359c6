#pragma once

#include "DbConnection.h"

#include <QString>
#include <QVariantList>

// Runs a statement that returns no rows, its "?" markers bound by position to the values
// (QString texts, QDateTime times); returns the rows it changed. Throws AppError with the
// driver's text when it fails.
int ExecuteCommand(const DbConnection& db, const QString& statement, const QVariantList& parameters = {});
