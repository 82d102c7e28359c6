#include "ReprintDialog.h"

#include "MessageBoxes.h"
#include "Reprint.h"
#include "StickerKinds.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ReprintDialog::ReprintDialog(MainModule& module, QWidget* parent)
    : PrintingDialog(parent), mModule(module), mSampleIds(new QLineEdit(this)), mKind(new QComboBox(this)),
      mRefusal(new QLabel(this)), mPrint(new QPushButton(QStringLiteral("Drucken"), this)) {
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
    mPrint->setObjectName(QStringLiteral("Print"));
    mPrint->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Schließen"), this);
    close->setObjectName(QStringLiteral("Close"));
    close->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Proben-Nr.:"), mSampleIds);
    form->addRow(QStringLiteral("Etikett:"), mKind);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(mPrint, QDialogButtonBox::AcceptRole);
    buttons->addButton(close, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(mRefusal);
    layout->addWidget(buttons);
    setMinimumWidth(360);

    connect(mPrint, &QPushButton::clicked, this, &ReprintDialog::print);
    connect(close, &QPushButton::clicked, this, &ReprintDialog::reject);
    connect(mSampleIds, &QLineEdit::textEdited, mRefusal, &QLabel::clear);
}

void ReprintDialog::print() {
    printing([&] {
        mPrint->setEnabled(false);
        const WindowReprint result =
            ReprintFromWindow(mModule, mKind->currentData().toString(), mSampleIds->text());
        mPrint->setEnabled(true);
        mRefusal->setText(result.refusal);
        if (!result.refusal.isEmpty()) {
            mSampleIds->setFocus();
            mSampleIds->selectAll();
            return;
        }
        mLost = result.lostStickers;
        accept();
    });
}
