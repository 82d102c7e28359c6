#pragma once

#include "AppSettings.h"

#include <QString>
#include <optional>

// Why this account may not use the embedded database, in the operator's words and in the
// administrator's.
struct DatabaseAccessProblem {
    QString operatorText;      // German, for the message box
    QString administratorText; // English, for standard error: paths, owners, modes, the fix
};

// Whether this account may read and write the embedded database the settings name, create its
// journal beside it and use a journal left there. A desk's database belongs to root and one group
// (the package's velmora): an operator outside it is stopped before any window, instead of
// failing at the first job with "attempt to write a readonly database". A database that is not
// there yet, or a server, is left to start-up.
std::optional<DatabaseAccessProblem> CheckDatabaseAccess(const AppSettings& settings,
                                                         const QString& applicationFolder);

// The same for the settings file of the application folder; a file that cannot be read is left
// to start-up, which reports it.
std::optional<DatabaseAccessProblem> CheckDatabaseAccess(const QString& applicationFolder);
