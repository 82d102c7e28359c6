#pragma once

#include <QList>

class QHBoxLayout;
class QPushButton;

// The buttons at the foot of a dialog, right-aligned in the given order.
QHBoxLayout* ButtonRow(const QList<QPushButton*>& buttons);

// After the buttons were shown or hidden: Tab visits the visible ones in their order, and the
// preferred one (the first visible one while it is hidden) is the default and has the focus. Each
// button answers Enter while it has the focus, so Enter and Space press the button whose focus
// frame the operator sees.
void SettleButtons(const QList<QPushButton*>& buttons, QPushButton* preferred);
