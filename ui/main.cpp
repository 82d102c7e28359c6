#include "AppError.h"
#include "FatalError.h"
#include "MainModule.h"
#include "Reprint.h"
#include "SlpLibrary.h"
#include "StartUp.h"
#include "frmMain.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <exception>
#include <memory>

namespace {

// Links resolved, so a launcher on the PATH still finds the files beside the real executable.
QString applicationFolder() {
    return QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath();
}

// The command line shows no window: where there is no screen it draws its stickers offscreen.
int commandLine(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // the printer libraries draw with Qt
    return RunCommandLine(QCoreApplication::arguments().mid(1), applicationFolder());
}

} // namespace

int main(int argc, char** argv) {
    if (IsCommandLine(argc, argv))
        return commandLine(argc, argv);
    QApplication app(argc, argv);

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
    } catch (const AppError& error) {
        ReportFatalError(error.description());
    } catch (const std::exception& error) {
        ReportFatalError(QString::fromLocal8Bit(error.what()));
    }
    return QApplication::exec();
}
