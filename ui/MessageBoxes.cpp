#include "MessageBoxes.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>

const QString ToolName = QStringLiteral("Velmora Barcode Tool");

bool HasScreen() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void ShowWarning(QWidget* parent, const QString& text) {
    if (HasScreen()) {
        QMessageBox::warning(parent, ToolName, text);
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}
