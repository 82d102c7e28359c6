#pragma once

#include <QObject>

class QWidget;

// For as long as it lives, eats the clicks and key presses that reach one window, except those
// meant for one control (the close button): nothing pressed during a job starts anything, also
// not what waited in the queue until the job's end.
class JobInputFilter final : public QObject {
public:
    JobInputFilter(QWidget* window, QWidget* passThrough);
    ~JobInputFilter() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* const mWindow;
    QWidget* const mPassThrough;
};
