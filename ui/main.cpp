#include "AppError.h"
#include "FatalError.h"
#include "MainModule.h"
#include "SlpLibrary.h"
#include "StartUp.h"
#include "frmMain.h"

#include <QApplication>
#include <QFileInfo>

#include <exception>
#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Velmora Barcode Tool"));

    // Links resolved, so a launcher on the PATH still finds the files beside the real executable.
    const QString applicationFolder = QFileInfo(QApplication::applicationFilePath()).canonicalPath();

    MainModule module;
    std::unique_ptr<frmMain> window;
    module.window = [&]() -> JobBoxes& {
        if (!window)
            window = std::make_unique<frmMain>(module);
        return *window;
    };
    SlpLibrary printer7x32(applicationFolder + QStringLiteral("/libSlpApi7x32.so"));
    SlpLibrary printer62(applicationFolder + QStringLiteral("/libslpapi62.so"));
    BlockingPause pause;
    module.printer7x32 = &printer7x32;
    module.printer62 = &printer62;
    module.pause = &pause;

    try {
        StartUp(module, applicationFolder);
        window->show();
    } catch (const AppError& error) {
        ReportFatalError(error.description());
    } catch (const std::exception& error) {
        ReportFatalError(QString::fromLocal8Bit(error.what()));
    }
    return QApplication::exec();
}
