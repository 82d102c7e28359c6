#pragma once

#include "MainModule.h"
#include "PrintingDialog.h"

#include <QList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Prints recorded samples' stickers again from the window: sample number(s), the sticker and
// "Drucken". A request that cannot be printed is refused here, before anything prints.
class ReprintDialog final : public PrintingDialog {
    Q_OBJECT
public:
    explicit ReprintDialog(MainModule& module, QWidget* parent = nullptr);

    // After "Drucken": the stickers that did not reach their printers.
    const QList<LostSticker>& lostStickers() const { return mLost; }

private:
    void print();

    MainModule& mModule;
    QList<LostSticker> mLost;
    QLineEdit* const mSampleIds;
    QComboBox* const mKind;
    QLabel* const mRefusal;
    QPushButton* const mPrint;
};
