#include "Placement.h"

#include <QWidget>

#include "Screen.h"

namespace marbleck {

void PlaceInTwips(QWidget* control, double left, double top, double width, double height) {
    const float tx = Screen::TwipsPerPixelX();
    const float ty = Screen::TwipsPerPixelY();
    control->setGeometry(TwipsToPixels(left, tx), TwipsToPixels(top, ty), TwipsToPixels(width, tx),
                         TwipsToPixels(height, ty));
}

}  // namespace marbleck
