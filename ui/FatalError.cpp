#include "FatalError.h"

#include "JobErrorText.h"
#include "MessageBoxes.h"
#include "SystemLog.h"

#include <QMessageBox>
#include <cstdlib>

void ReportFatalError(const QString& description) {
    TellAdministrator(description);
    if (HasScreen())
        QMessageBox::critical(nullptr, ToolName,
                              GermanErrorText(description) + QStringLiteral("\nDas Programm wird beendet."));
    std::exit(1);
}
