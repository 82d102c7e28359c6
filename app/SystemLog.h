#pragma once

#include <QString>

// A line for the administrator: on standard error, and in the system log under the identifier
// velmora-barcode-tool with the desk's host name, so that a desk started from its desktop entry
// (no terminal) still leaves a record ("journalctl -t velmora-barcode-tool").
void TellAdministrator(const QString& line);
