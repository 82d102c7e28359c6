#pragma once

#include "MainModule.h"
#include "PrintingDialog.h"

class QLabel;
class QPushButton;
class QScrollArea;

// The one German message after a job that lost stickers or ended on an error, and of what the desk
// still owes from earlier jobs. "Nochmals drucken" (the default) prints exactly the stickers not
// printed again and shows what is still lost; "Nicht mehr drucken", asked once more, gives them all
// up; "Schließen" and Escape leave them owed. A long list wraps and scrolls inside a dialog that fits
// the screen, its buttons always in view.
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
    // printedBefore: how many stickers were to print before "Nochmals drucken"; -1 before any.
    void showReport(qsizetype printedBefore);
    void fitToScreen();

    MainModule& mModule;
    JobReport mReport;
    QLabel* const mIcon;
    QLabel* const mMessage;
    QScrollArea* const mScroll;
    QPushButton* const mPrintAgain;
    QPushButton* const mGiveUp;
    QPushButton* const mClose;
};
