#pragma once

#include "AppError.h"

#include <QString>
#include <exception>

// Reports an error that nothing handled and ends the process with status 1: the description on
// standard error and in the system log and, where there is a screen to show it on, its German
// meaning in a critical message box.
[[noreturn]] void ReportFatalError(const QString& description);

// Runs a window handler; an error that nothing on its way handled ends the process with its
// description.
template <typename Handler> void ReportingErrors(Handler&& handler) noexcept {
    try {
        handler();
    } catch (const AppError& error) {
        ReportFatalError(error.description());
    } catch (const std::exception& error) {
        ReportFatalError(QString::fromLocal8Bit(error.what()));
    }
}
