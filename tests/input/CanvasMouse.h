#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "widgets/PictureArea.h"

namespace marbleck::test {

// Real mouse events on a picture area, addressed by pixels of its drawing
// area (which starts inside the border, at contentsRect().topLeft()).
//
// Presses and releases go through Qt Test. Moves do not: Qt Test's mouseMove
// reports the buttons from its own record of earlier presses, so a move
// "with the right button held" or "with no button held" cannot be asked for.
// move() therefore sends the QMouseEvent itself, with exactly the buttons
// given and no button of its own (as a real move event has).
class CanvasMouse {
public:
    explicit CanvasMouse(PictureArea& canvas) : canvas_(canvas) {}

    QPoint at(int px, int py) const { return canvas_.contentsRect().topLeft() + QPoint(px, py); }

    void press(int px, int py, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(&canvas_, button, Qt::NoModifier, at(px, py));
    }
    void release(int px, int py, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(&canvas_, button, Qt::NoModifier, at(px, py));
    }
    // A press and its release at the same place.
    void click(int px, int py, Qt::MouseButton button = Qt::LeftButton) {
        press(px, py, button);
        release(px, py, button);
    }
    // A double click as the window system delivers it to a widget: press,
    // release, press, double click, release. (Qt Test's mouseDClick sends
    // the double-click event alone.)
    void doubleClick(int px, int py, Qt::MouseButton button = Qt::LeftButton) {
        click(px, py, button);
        press(px, py, button);
        const QPointF local(at(px, py));
        QMouseEvent event(QEvent::MouseButtonDblClick, local, canvas_.mapToGlobal(local), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(&canvas_, &event);
        release(px, py, button);
    }
    void move(int px, int py, Qt::MouseButtons buttons = Qt::NoButton) {
        const QPointF local(at(px, py));
        QMouseEvent event(QEvent::MouseMove, local, canvas_.mapToGlobal(local), Qt::NoButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(&canvas_, &event);
    }

    // The canvas units that the canvas reports for a pixel, and their floor.
    float unitsX(int px) const { return static_cast<float>(canvas_.toUnits(QPointF(px, 0)).x()); }
    float unitsY(int py) const { return static_cast<float>(canvas_.toUnits(QPointF(0, py)).y()); }

private:
    PictureArea& canvas_;
};

}  // namespace marbleck::test
