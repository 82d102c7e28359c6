#pragma once

#include <QLineEdit>

// A one-line input box that reports taking and losing the focus once its own focus handling
// (cursor, selection) is done, so a handler may select text or move the focus back.
class BoxLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit BoxLineEdit(QWidget* parent = nullptr);

signals:
    void focusEntered(Qt::FocusReason reason);
    void focusLeft(Qt::FocusReason reason);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
