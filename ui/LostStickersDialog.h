#pragma once

#include "MainModule.h"
#include "PrintingDialog.h"

class QLabel;
class QPushButton;

// The one German message after a job that lost stickers or ended on an error. "Nochmals drucken"
// prints exactly the stickers not printed again and shows what is still lost; "Schließen" leaves
// them.
class LostStickersDialog final : public PrintingDialog {
    Q_OBJECT
public:
    LostStickersDialog(MainModule& module, JobReport report, QWidget* parent = nullptr);

    const JobReport& report() const { return mReport; }

    // The message's text as it stands; also what a desk without a screen writes to standard error.
    QString text() const;

private:
    void printAgain();
    void showReport(bool printedAgain);

    MainModule& mModule;
    JobReport mReport;
    QLabel* const mMessage;
    QPushButton* const mPrintAgain;
    QPushButton* const mClose;
};
