#pragma once

#include <QRect>
#include <QScrollArea>

namespace marbleck {

// A scroll area that takes its widget's size, from a fixed top-left corner,
// as far as a room it may fill allows: a widget that fits shows whole with no
// scroll bars, a larger one fills the room and scrolls only beyond it, the
// scroll bars taking their share of the room.
class GrowingScrollArea : public QScrollArea {
    Q_OBJECT

public:
    explicit GrowingScrollArea(QWidget* parent = nullptr);

    // The rectangle the area may fill, in its parent's pixels; its top-left
    // corner is the area's.
    void setRoom(const QRect& room);
    QRect room() const { return room_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitWidget();

    QRect room_;
};

}  // namespace marbleck
