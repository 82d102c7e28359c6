#include "ReprintDialog.h"

#include "DialogButtons.h"
#include "MessageBoxes.h"
#include "Reprint.h"
#include "StickerKinds.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ReprintDialog::ReprintDialog(MainModule& module, QWidget* parent)
    : PrintingDialog(parent), mModule(module), mSampleIds(new QLineEdit(this)), mKind(new QComboBox(this)),
      mRefusal(new QLabel(this)), mStatus(new QLabel(this)),
      mPrint(new QPushButton(QStringLiteral("Drucken"), this)),
      mClose(new QPushButton(QStringLiteral("Schließen"), this)) {
    setObjectName(QStringLiteral("ReprintDialog"));
    setWindowTitle(QStringLiteral("Etiketten nochmals drucken"));
    mSampleIds->setObjectName(QStringLiteral("SampleIds"));
    mSampleIds->setPlaceholderText(QStringLiteral("z. B. 70100001 70100002"));
    mKind->setObjectName(QStringLiteral("StickerKind"));
    for (const StickerKind& kind : StickerKinds())
        mKind->addItem(kind.germanName, kind.keyword);
    mRefusal->setObjectName(QStringLiteral("Refusal"));
    mRefusal->setWordWrap(true);
    QPalette red = mRefusal->palette();
    red.setColor(QPalette::WindowText, QColor(192, 0, 0));
    mRefusal->setPalette(red);
    mStatus->setObjectName(QStringLiteral("Status"));
    mStatus->setWordWrap(true);
    mPrint->setObjectName(QStringLiteral("Print"));
    mClose->setObjectName(QStringLiteral("Close"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Proben-Nr.:"), mSampleIds);
    form->addRow(QStringLiteral("Etikett:"), mKind);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(mRefusal);
    layout->addWidget(mStatus);
    layout->addLayout(ButtonRow({mPrint, mClose}));
    setMinimumWidth(360);
    // Enter prints, unless the focus is on "Schließen".
    SettleButtons({mPrint, mClose}, mPrint);
    mSampleIds->setFocus();

    connect(mPrint, &QPushButton::clicked, this, &ReprintDialog::print);
    connect(mClose, &QPushButton::clicked, this, &ReprintDialog::reject);
    connect(mSampleIds, &QLineEdit::textEdited, mRefusal, &QLabel::clear);
}

void ReprintDialog::reject() {
    if (mStop) { // between two stickers: the one in hand ends, no further one starts
        mStop->request();
        mStatus->setText(QStringLiteral("Wird nach diesem Etikett angehalten ..."));
        return;
    }
    PrintingDialog::reject();
}

void ReprintDialog::print() {
    printing([&] {
        mPrint->setEnabled(false);
        mRefusal->clear();
        StopRequest stop;
        mStop = &stop;
        const WindowReprint result = ReprintFromWindow(
            mModule, mKind->currentData().toString(), mSampleIds->text(),
            [this](int sticker, int stickers) {
                mStatus->setText(QStringLiteral("Etikett %1 von %2").arg(sticker).arg(stickers));
            },
            &stop);
        mStop = nullptr;
        mPrint->setEnabled(true);
        mRefusal->setText(result.refusal);
        mStatus->setText(result.said);
        if (!result.refusal.isEmpty()) {
            mSampleIds->setFocus();
            mSampleIds->selectAll();
            return;
        }
        mLost = result.lostStickers;
        if (!mLost.isEmpty())
            accept();
    });
}
