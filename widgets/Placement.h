#pragma once

#include <QList>
#include <initializer_list>

class QWidget;

namespace marbleck {

// Places a control at a position and size given in twips, relative to its
// parent's client area, converted with the screen's twips per pixel.
void PlaceInTwips(QWidget* control, double left, double top, double width, double height);

// The same, handing the control back, for placing it where it is made.
template <class Control>
Control* Placed(Control* control, double left, double top, double width, double height) {
    PlaceInTwips(control, left, top, width, height);
    return control;
}

// Keyboard focus moves through `controls` in this order.
void SetTabOrder(std::initializer_list<QWidget*> controls);

// Captions were laid out for a small 8-point dialog font. Gives `area` the
// largest font up to that size (11 pixels) in which the caption of every
// button and label in `captioned` shows whole in its control: a button's on
// one line, a word-wrapped label's on the lines its height holds. Every
// window fits its captions by this one rule, so they share one caption font.
void FitCaptionFont(QWidget* area, const QList<QWidget*>& captioned);

}  // namespace marbleck
