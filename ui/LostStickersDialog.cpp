#include "LostStickersDialog.h"

#include "DeskOwes.h"
#include "DialogButtons.h"
#include "LostStickers.h"
#include "MessageBoxes.h"
#include "Reprint.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {

constexpr int kWidestText = 560; // px; longer lines wrap
constexpr int kWindowFrame = 16; // px the window manager's frame may take on each side
constexpr int kTitleBar = 40;    // px of its title bar

} // namespace

LostStickersDialog::LostStickersDialog(MainModule& module, JobReport report, QWidget* parent)
    : PrintingDialog(parent), mModule(module), mReport(std::move(report)), mIcon(new QLabel(this)),
      mMessage(new QLabel), mScroll(new QScrollArea(this)),
      mPrintAgain(new QPushButton(QStringLiteral("Nochmals drucken"), this)),
      mGiveUp(new QPushButton(QStringLiteral("Nicht mehr drucken"), this)),
      mClose(new QPushButton(QStringLiteral("Schließen"), this)) {
    setObjectName(QStringLiteral("LostStickersDialog"));
    setWindowTitle(ToolName);
    mMessage->setObjectName(QStringLiteral("Message"));
    mMessage->setWordWrap(true);
    mMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Only the buttons take the focus: Tab never lands on something the operator cannot see.
    mMessage->setFocusPolicy(Qt::NoFocus);
    mScroll->setObjectName(QStringLiteral("MessageArea"));
    mScroll->setWidget(mMessage);
    mScroll->setWidgetResizable(true);
    mScroll->setFrameShape(QFrame::NoFrame);
    mScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mScroll->setFocusPolicy(Qt::NoFocus);
    mPrintAgain->setObjectName(QStringLiteral("PrintAgain"));
    mClose->setObjectName(QStringLiteral("Close"));
    mGiveUp->setObjectName(QStringLiteral("GiveUp"));

    auto* row = new QHBoxLayout;
    row->addWidget(mIcon, 0, Qt::AlignTop);
    row->addWidget(mScroll, 1, Qt::AlignLeft | Qt::AlignTop); // a shorter text stays beside the icon
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(ButtonRow({mPrintAgain, mGiveUp, mClose}));

    connect(mPrintAgain, &QPushButton::clicked, this, &LostStickersDialog::printAgain);
    connect(mGiveUp, &QPushButton::clicked, this, &LostStickersDialog::giveUp);
    connect(mClose, &QPushButton::clicked, this, &LostStickersDialog::reject);
    showReport(-1);
}

QString LostStickersDialog::text() const {
    return mMessage->text();
}

void LostStickersDialog::printAgain() {
    printing([&] {
        const qsizetype before = StickersToPrintAgain(mReport.lostStickers).size();
        mPrintAgain->setEnabled(false);
        mClose->setEnabled(false);
        mReport.lostStickers = PrintLostStickersAgain(mModule, mReport.lostStickers);
        mClose->setEnabled(true);
        showReport(before);
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

void LostStickersDialog::showReport(qsizetype printedBefore) {
    const qsizetype toPrint = StickersToPrintAgain(mReport.lostStickers).size();
    const bool unknown = toPrint < mReport.lostStickers.size();
    QString text = LostStickersMessage(mReport);
    QString said;
    if (printedBefore >= 0 && toPrint == 0)
        said = QStringLiteral("Die nicht gedruckten Etiketten sind jetzt gedruckt.");
    else if (printedBefore >= 0 && toPrint >= printedBefore)
        said = QStringLiteral("Nochmals gedruckt, aber kein Etikett ist angekommen.");
    else if (printedBefore >= 0)
        said = QStringLiteral("%1 von %2 Etiketten jetzt gedruckt.")
                   .arg(printedBefore - toPrint)
                   .arg(printedBefore);
    if (!said.isEmpty())
        text = said + QStringLiteral("\n\n") + text;
    mMessage->setText(text.trimmed());
    const bool allWell = toPrint == 0 && !unknown && mReport.error.isEmpty();
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    mIcon->setPixmap(
        style()
            ->standardIcon(allWell ? QStyle::SP_MessageBoxInformation : QStyle::SP_MessageBoxWarning)
            .pixmap(iconSize, iconSize));
    mPrintAgain->setVisible(toPrint > 0);
    mPrintAgain->setEnabled(toPrint > 0);
    mGiveUp->setVisible(!mReport.lostStickers.isEmpty());
    SettleButtons({mPrintAgain, mGiveUp, mClose}, mPrintAgain);
    fitToScreen();
}

// As wide as the text wants up to a readable width, as high as it needs, never beyond the screen:
// what does not fit scrolls, and the buttons stay below it.
void LostStickersDialog::fitToScreen() {
    const QRect screen = (parentWidget() ? parentWidget()->screen() : this->screen())->availableGeometry();
    const QSize room(screen.width() - 2 * kWindowFrame, screen.height() - 2 * kWindowFrame - kTitleBar);
    const QMargins margins = layout()->contentsMargins();
    const int spacing = std::max(layout()->spacing(), 0);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, mScroll);
    const int iconWidth = mIcon->sizeHint().width() + spacing;

    int longest = 0;
    for (const QString& line : mMessage->text().split(u'\n'))
        longest = std::max(longest, mMessage->fontMetrics().horizontalAdvance(line));
    const int widest = room.width() - margins.left() - margins.right() - iconWidth - scrollBar;
    const int textWidth = std::max(std::min({longest + 2, kWidestText, widest}), 1);
    const int buttonsHeight = std::max(mPrintAgain->sizeHint().height(), mClose->sizeHint().height());
    const int highest = room.height() - margins.top() - margins.bottom() - spacing - buttonsHeight;
    const int textHeight = mMessage->heightForWidth(textWidth);
    mScroll->setFixedSize(textWidth + scrollBar, std::max(std::min(textHeight, highest), 1));
    setMaximumSize(room);
    adjustSize();
    resize(sizeHint()); // shrinks too, when a shorter text follows a longer one
}
