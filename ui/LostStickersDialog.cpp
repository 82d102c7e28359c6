#include "LostStickersDialog.h"

#include "DeskOwes.h"
#include "LostStickers.h"
#include "MessageBoxes.h"
#include "Reprint.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <utility>

LostStickersDialog::LostStickersDialog(MainModule& module, JobReport report, QWidget* parent)
    : PrintingDialog(parent), mModule(module), mReport(std::move(report)), mMessage(new QLabel(this)),
      mPrintAgain(new QPushButton(QStringLiteral("Nochmals drucken"), this)),
      mGiveUp(new QPushButton(QStringLiteral("Nicht mehr drucken"), this)),
      mClose(new QPushButton(QStringLiteral("Schließen"), this)) {
    setObjectName(QStringLiteral("LostStickersDialog"));
    setWindowTitle(ToolName);
    mMessage->setObjectName(QStringLiteral("Message"));
    mMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    mPrintAgain->setObjectName(QStringLiteral("PrintAgain"));
    mClose->setObjectName(QStringLiteral("Close"));
    mGiveUp->setObjectName(QStringLiteral("GiveUp"));
    mPrintAgain->setAutoDefault(false);
    mGiveUp->setAutoDefault(false);
    mClose->setDefault(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(mMessage, 1);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(mPrintAgain, QDialogButtonBox::ActionRole);
    buttons->addButton(mGiveUp, QDialogButtonBox::DestructiveRole);
    buttons->addButton(mClose, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);

    connect(mPrintAgain, &QPushButton::clicked, this, &LostStickersDialog::printAgain);
    connect(mGiveUp, &QPushButton::clicked, this, &LostStickersDialog::giveUp);
    connect(mClose, &QPushButton::clicked, this, &LostStickersDialog::reject);
    showReport(false);
}

QString LostStickersDialog::text() const {
    return mMessage->text();
}

void LostStickersDialog::printAgain() {
    printing([&] {
        mPrintAgain->setEnabled(false);
        mClose->setEnabled(false);
        mReport.lostStickers = PrintLostStickersAgain(mModule, mReport.lostStickers);
        mClose->setEnabled(true);
        showReport(true);
    });
}

void LostStickersDialog::giveUp() {
    QMessageBox ask(QMessageBox::Question, ToolName,
                    QStringLiteral("Diese Etiketten wirklich nicht mehr drucken?"), QMessageBox::NoButton,
                    this);
    QPushButton* yes = ask.addButton(QStringLiteral("Nicht mehr drucken"), QMessageBox::DestructiveRole);
    ask.setDefaultButton(ask.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole));
    ask.exec();
    if (ask.clickedButton() != yes)
        return;
    printing([&] {
        GiveUpOwedStickers(mModule, mReport.lostStickers);
        mReport.lostStickers.clear();
    });
    reject();
}

void LostStickersDialog::showReport(bool printedAgain) {
    const bool anyToPrint = !StickersToPrintAgain(mReport.lostStickers).isEmpty();
    QString text = LostStickersMessage(mReport);
    if (printedAgain && !anyToPrint)
        text = QStringLiteral("Die nicht gedruckten Etiketten sind jetzt gedruckt.\n\n") + text;
    mMessage->setText(text.trimmed());
    mPrintAgain->setVisible(anyToPrint);
    mPrintAgain->setEnabled(anyToPrint);
    mGiveUp->setVisible(!mReport.lostStickers.isEmpty());
}
