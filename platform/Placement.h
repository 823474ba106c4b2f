#pragma once

class QWidget;

namespace marbleck {

// Places a control at a position and size given in twips, relative to its
// parent's client area, converted with the screen's twips per pixel.
void PlaceInTwips(QWidget* control, double left, double top, double width, double height);

}  // namespace marbleck
