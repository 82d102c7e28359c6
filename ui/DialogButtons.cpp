#include "DialogButtons.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QWidget>

QHBoxLayout* ButtonRow(const QList<QPushButton*>& buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* button : buttons)
        row->addWidget(button);
    return row;
}

void SettleButtons(const QList<QPushButton*>& buttons, QPushButton* preferred) {
    QList<QPushButton*> visible;
    for (QPushButton* button : buttons)
        if (!button->isHidden())
            visible << button;
    if (visible.isEmpty())
        return;
    QPushButton* const chosen = visible.contains(preferred) ? preferred : visible.front();
    for (QPushButton* button : buttons) {
        button->setAutoDefault(true);
        button->setDefault(button == chosen);
    }
    for (qsizetype i = 1; i < visible.size(); ++i)
        QWidget::setTabOrder(visible[i - 1], visible[i]);
    chosen->setFocus(Qt::OtherFocusReason);
}
