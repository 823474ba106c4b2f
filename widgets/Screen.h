#pragma once

namespace marbleck {

// The screen object: twips per screen pixel, 1440 divided by the screen's
// logical dots per inch (15 on a 96-dpi screen).
class Screen {
public:
    static float TwipsPerPixelX();
    static float TwipsPerPixelY();
};

// Whole screen pixels for a length in twips.
int TwipsToPixels(double twips, float twipsPerPixel);

}  // namespace marbleck
