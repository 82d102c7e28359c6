#include "AppError.h"
#include "CommandLine.h"
#include "DatabaseAccess.h"
#include "FatalError.h"
#include "MainModule.h"
#include "MessageBoxes.h"
#include "SlpLibrary.h"
#include "StartUp.h"
#include "SystemLog.h"
#include "frmMain.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <exception>
#include <memory>

namespace {

// Qt is handed the program's name alone: an argument such as -reverse or -style must never
// change the window or the stickers behind the command line's back.
int qtArgc = 1;

// Links resolved, so a launcher on the PATH still finds the files beside the real executable.
QString applicationFolder() {
    return QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath();
}

// The command line shows no window: where there is no screen it draws its stickers offscreen.
// Help, version and refusals are answered before Qt starts.
int commandLine(int argc, char** argv) {
    const QStringList arguments = CommandLineArguments(argc, argv);
    if (ParseCommandLine(arguments).action != CommandLineRequest::Action::Reprint)
        return RunCommandLine(arguments, QString());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(qtArgc, argv); // the printer libraries draw with Qt
    return RunCommandLine(arguments, applicationFolder());
}

// An operator who may not use the desk's database is told so before the window exists, and the
// administrator reads the details on standard error and in the system log.
[[noreturn]] void stopForAccess(const DatabaseAccessProblem& problem) {
    TellAdministrator(problem.administratorText);
    if (HasScreen())
        QMessageBox::critical(nullptr, ToolName, problem.operatorText);
    std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    if (IsCommandLine(argc, argv))
        return commandLine(argc, argv);
    QApplication app(qtArgc, argv);
    if (const std::optional<DatabaseAccessProblem> denied = CheckDatabaseAccess(applicationFolder()))
        stopForAccess(*denied);

    MainModule module;
    std::unique_ptr<frmMain> window;
    module.window = [&]() -> JobBoxes& {
        if (!window)
            window = std::make_unique<frmMain>(module);
        return *window;
    };
    SlpLibrary printer7x32(applicationFolder() + QStringLiteral("/libSlpApi7x32.so"));
    SlpLibrary printer62(applicationFolder() + QStringLiteral("/libslpapi62.so"));
    EventLoopPause pause;
    module.printer7x32 = &printer7x32;
    module.printer62 = &printer62;
    module.pause = &pause;

    try {
        StartUp(module, applicationFolder());
        window->show();
        window->showOwedStickers();
    } catch (const AppError& error) {
        ReportFatalError(error.description());
    } catch (const std::exception& error) {
        ReportFatalError(QString::fromLocal8Bit(error.what()));
    }
    return QApplication::exec();
}
