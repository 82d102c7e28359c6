#pragma once

#include "AppError.h"
#include "AppSettings.h"

// A database server that refused or never answered the desk's login, told to the operator in
// German ("Anmeldung an der Datenbank velmora auf dbhost,5432 fehlgeschlagen: Benutzer oder
// Kennwort falsch"), while the driver's own words go to standard error and the system log for the
// administrator. An
// embedded database's error is returned as it is: it names the file and the fix already.
AppError LoginFailure(const AppSettings& settings, const AppError& driverError);
