#pragma once

#include "FatalError.h"

#include <QDialog>
#include <QScopedValueRollback>

// A dialog that prints stickers from a button: it stays open while they print, and a second
// press meanwhile is dropped.
class PrintingDialog : public QDialog {
public:
    using QDialog::QDialog;

protected:
    void reject() override {
        if (!mPrinting) // the stickers in hand are told before the dialog goes
            QDialog::reject();
    }

    // Runs print once at a time; an error it does not handle ends the process, as in the window.
    template <typename Print> void printing(Print&& print) {
        if (mPrinting)
            return;
        ReportingErrors([&] {
            const QScopedValueRollback guard(mPrinting, true);
            print();
        });
    }

private:
    bool mPrinting = false;
};
