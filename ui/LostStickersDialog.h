#pragma once

#include "MainModule.h"
#include "PrintingDialog.h"

class QLabel;
class QPushButton;

// The one German message after a job that lost stickers or ended on an error, and of what the desk
// still owes from earlier jobs. "Nochmals drucken" prints exactly the stickers not printed again and
// shows what is still lost; "Nicht mehr drucken", asked once more, gives them all up; "Schließen"
// leaves them owed.
class LostStickersDialog final : public PrintingDialog {
    Q_OBJECT
public:
    LostStickersDialog(MainModule& module, JobReport report, QWidget* parent = nullptr);

    const JobReport& report() const { return mReport; }

    // The message's text as it stands; also what a desk without a screen writes to standard error.
    QString text() const;

private:
    void printAgain();
    void giveUp();
    void showReport(bool printedAgain);

    MainModule& mModule;
    JobReport mReport;
    QLabel* const mMessage;
    QPushButton* const mPrintAgain;
    QPushButton* const mGiveUp;
    QPushButton* const mClose;
};
