#include "FatalError.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace {

// Headless platforms have nobody to click the box away; it would only hang the process.
bool hasScreen() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

} // namespace

void ReportFatalError(const QString& description) {
    std::fprintf(stderr, "%s\n", qPrintable(description));
    std::fflush(stderr);
    if (hasScreen())
        QMessageBox::critical(nullptr, QGuiApplication::applicationDisplayName(), description);
    std::exit(1);
}
