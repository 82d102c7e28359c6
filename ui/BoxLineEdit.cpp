#include "BoxLineEdit.h"

#include <QFocusEvent>

BoxLineEdit::BoxLineEdit(QWidget* parent) : QLineEdit(parent) {}

void BoxLineEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit focusEntered(event->reason());
}

void BoxLineEdit::focusOutEvent(QFocusEvent* event) {
    // QLineEdit drops the selection on focus-out; a handler that selects again must come after it.
    QLineEdit::focusOutEvent(event);
    emit focusLeft(event->reason());
}
