#pragma once

#include <QString>
#include <QStringList>

// What the arguments after the program's name ask for. The window takes none: anything else is a
// command-line request or refused, so Qt never sees an argument of the desk's command line.
struct CommandLineRequest {
    enum class Action { Window, Help, Version, Reprint, Refused };
    Action action = Action::Window;
    QString kind;          // --reprint KIND
    QStringList SampleIds; // --reprint KIND SAMPLE_ID...
    QString problem;       // Refused: what is wrong, for standard error
};

CommandLineRequest ParseCommandLine(const QStringList& arguments);

// The arguments after the program's name, as the system's locale encodes them.
QStringList CommandLineArguments(int argc, char** argv);

// True when there is any argument: the command line answers, no window opens.
bool IsCommandLine(int argc, char** argv);

// What --help prints.
QString CommandLineUsage();

// Answers a request that is not the window: --help and --version, a refusal (exit status 2 with
// the usage on standard error), or --reprint KIND SAMPLE_ID... with the settings, database and
// printers of the application folder: start-up as for the window, but no window. Returns the
// exit status.
int RunCommandLine(const QStringList& arguments, const QString& applicationFolder);
