#pragma once

#include "MainModule.h"
#include "PrintingDialog.h"
#include "StopRequest.h"

#include <QList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Prints recorded samples' stickers again from the window: sample number(s), the sticker and
// "Drucken". A request that cannot be printed is refused here, before anything prints. While it
// prints it shows "3 von 100", and "Schließen" or Escape stops it before the next sticker; then it
// says what printed and what did not. Lost stickers close it for the window's lost-sticker message.
class ReprintDialog final : public PrintingDialog {
    Q_OBJECT
public:
    explicit ReprintDialog(MainModule& module, QWidget* parent = nullptr);

    // After "Drucken": the stickers that did not reach their printers.
    const QList<LostSticker>& lostStickers() const { return mLost; }

protected:
    void reject() override;

private:
    void print();

    MainModule& mModule;
    QList<LostSticker> mLost;
    QLineEdit* const mSampleIds;
    QComboBox* const mKind;
    QLabel* const mRefusal;
    QLabel* const mStatus; // progress, then what printed
    QPushButton* const mPrint;
    QPushButton* const mClose;
    StopRequest* mStop = nullptr; // while printing
};
