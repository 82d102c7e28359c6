#include "LostStickersDialog.h"

#include "LostStickers.h"
#include "MessageBoxes.h"
#include "Reprint.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <utility>

LostStickersDialog::LostStickersDialog(MainModule& module, JobReport report, QWidget* parent)
    : PrintingDialog(parent), mModule(module), mReport(std::move(report)), mMessage(new QLabel(this)),
      mPrintAgain(new QPushButton(QStringLiteral("Nochmals drucken"), this)),
      mClose(new QPushButton(QStringLiteral("Schließen"), this)) {
    setObjectName(QStringLiteral("LostStickersDialog"));
    setWindowTitle(ToolName);
    mMessage->setObjectName(QStringLiteral("Message"));
    mMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    mPrintAgain->setObjectName(QStringLiteral("PrintAgain"));
    mClose->setObjectName(QStringLiteral("Close"));
    mPrintAgain->setAutoDefault(false);
    mClose->setDefault(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(mMessage, 1);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(mPrintAgain, QDialogButtonBox::ActionRole);
    buttons->addButton(mClose, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);

    connect(mPrintAgain, &QPushButton::clicked, this, &LostStickersDialog::printAgain);
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

void LostStickersDialog::showReport(bool printedAgain) {
    const bool anyToPrint = !StickersToPrintAgain(mReport.lostStickers).isEmpty();
    QString text = LostStickersMessage(mReport);
    if (printedAgain && !anyToPrint)
        text = QStringLiteral("Die nicht gedruckten Etiketten sind jetzt gedruckt.\n\n") + text;
    mMessage->setText(text.trimmed());
    mPrintAgain->setVisible(anyToPrint);
    mPrintAgain->setEnabled(anyToPrint);
}
