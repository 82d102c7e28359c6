#include "FatalError.h"

#include "MessageBoxes.h"

#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

void ReportFatalError(const QString& description) {
    std::fprintf(stderr, "%s\n", qPrintable(description));
    std::fflush(stderr);
    if (HasScreen())
        QMessageBox::critical(nullptr, ToolName, description);
    std::exit(1);
}
