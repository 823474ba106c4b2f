#include "widgets/GrowingScrollArea.h"

#include <QEvent>
#include <QScrollBar>

namespace marbleck {

GrowingScrollArea::GrowingScrollArea(QWidget* parent) : QScrollArea(parent) {}

void GrowingScrollArea::setRoom(const QRect& room) {
    room_ = room;
    fitWidget();
}

// The base class watches its widget's size for its scroll bars; the area's
// own size follows it here.
bool GrowingScrollArea::eventFilter(QObject* watched, QEvent* event) {
    const bool handled = QScrollArea::eventFilter(watched, event);
    if (watched == widget() && event->type() == QEvent::Resize) fitWidget();
    return handled;
}

// A scroll bar one way takes room the other way, which may then need a bar
// of its own: the same rule the area's layout applies when it shows them.
void GrowingScrollArea::fitWidget() {
    if (!widget() || !room_.isValid()) return;
    const int frame = 2 * frameWidth();
    const int horizontalBar = horizontalScrollBar()->sizeHint().height();
    const int verticalBar = verticalScrollBar()->sizeHint().width();
    QSize wanted = widget()->size() + QSize(frame, frame);
    const bool across = wanted.width() > room_.width();
    if (across) wanted.rheight() += horizontalBar;
    if (wanted.height() > room_.height()) {
        wanted.rwidth() += verticalBar;
        if (!across && wanted.width() > room_.width()) wanted.rheight() += horizontalBar;
    }
    setGeometry(QRect(room_.topLeft(), wanted.boundedTo(room_.size())));
}

}  // namespace marbleck
