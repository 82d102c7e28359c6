#pragma once

#include <QString>

// Whether a server answers a login at all, asked over a connection of the probe's own on a worker
// thread, so that a driver which never gives up (FreeTDS retries an unanswered login with another
// protocol version and then waits for ever) cannot hang the caller. A refused or failed login is an
// answer too: the real open then reports it in the driver's own words.
// False when the bound passed first; the worker is left behind and never holds up the process's end.
bool ServerAnswers(const QString& odbcConnectionString, int loginTimeoutSeconds, int boundSeconds);
