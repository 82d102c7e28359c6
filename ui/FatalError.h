#pragma once

#include <QString>

// Reports an error that nothing handled and ends the process with status 1: the description on
// standard error and, where there is a screen to show it on, in a critical message box.
[[noreturn]] void ReportFatalError(const QString& description);
