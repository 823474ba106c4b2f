#include "widgets/Screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace marbleck {

namespace {

float twipsPerPixel(qreal dotsPerInch) {
    if (!(dotsPerInch > 0)) dotsPerInch = 96;
    return static_cast<float>(1440.0 / std::round(dotsPerInch));
}

}  // namespace

float Screen::TwipsPerPixelX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return twipsPerPixel(screen ? screen->logicalDotsPerInchX() : 96);
}

float Screen::TwipsPerPixelY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return twipsPerPixel(screen ? screen->logicalDotsPerInchY() : 96);
}

int TwipsToPixels(double twips, float twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

}  // namespace marbleck
