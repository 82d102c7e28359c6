#include "MessageBoxes.h"

#include <QGuiApplication>

const QString ToolName = QStringLiteral("Velmora Barcode Tool");

bool HasScreen() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}
