#pragma once

#include "MainModule.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The one German message after a job that lost stickers or ended on an error. "Nochmals drucken"
// prints exactly the stickers not printed again and shows what is still lost; "Schließen" leaves
// them.
class LostStickersDialog final : public QDialog {
    Q_OBJECT
public:
    LostStickersDialog(MainModule& module, JobReport report, QWidget* parent = nullptr);

    const JobReport& report() const { return mReport; }

    // The message's text as it stands; also what a desk without a screen writes to standard error.
    QString text() const;

protected:
    void reject() override;

private:
    void printAgain();
    void showReport(bool printedAgain);

    MainModule& mModule;
    JobReport mReport;
    bool mPrinting = false;
    QLabel* const mMessage;
    QPushButton* const mPrintAgain;
    QPushButton* const mClose;
};
