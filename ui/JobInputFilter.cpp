#include "JobInputFilter.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut: // mnemonics such as Alt+S
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

// On the application, so that it sees each event on its way to the control it is meant for.
JobInputFilter::JobInputFilter(QWidget* window, QWidget* passThrough)
    : mWindow(window), mPassThrough(passThrough) {
    QApplication::instance()->installEventFilter(this);
}

JobInputFilter::~JobInputFilter() {
    QApplication::instance()->removeEventFilter(this);
}

bool JobInputFilter::eventFilter(QObject* watched, QEvent* event) {
    if (!isInput(event->type()) || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    return widget != mPassThrough && widget->window() == mWindow;
}
