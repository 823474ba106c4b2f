#pragma once

namespace marbleck {

// What the canvas's press and move handlers remember between events. Anchor
// and end points are floored canvas units held as single-precision values.
struct DrawingState {
    float anchorX = 0;
    float anchorY = 0;
    float lastEndX = 0;
    float lastEndY = 0;
    double circleRadius = 0;
    double lastRadius = 0;
    bool lineActive = false;
    bool circleActive = false;
};

}  // namespace marbleck
