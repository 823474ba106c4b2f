#include "widgets/InputHold.h"

#include <QCoreApplication>
#include <QEvent>

namespace marbleck {

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TabletPress:
            return true;
        default:
            return false;
    }
}

}  // namespace

InputHold::InputHold(QObject* parent) : QObject(parent) {}

InputHold::~InputHold() { release(); }

void InputHold::hold(const QList<QWidget*>& widgets) {
    release();
    for (QWidget* widget : widgets) held_.append(widget);
    // The application sees every event before the widget it is for.
    if (holding()) QCoreApplication::instance()->installEventFilter(this);
}

void InputHold::release() {
    if (!holding()) return;
    QCoreApplication::instance()->removeEventFilter(this);
    held_.clear();
}

bool InputHold::isHeld(const QWidget* widget) const {
    for (; widget; widget = widget->parentWidget())
        for (const QPointer<QWidget>& held : held_)
            if (held == widget) return true;
    return false;
}

bool InputHold::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type()) || !watched->isWidgetType()) return false;
    return isHeld(static_cast<QWidget*>(watched));
}

}  // namespace marbleck
