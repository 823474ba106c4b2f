#pragma once

namespace marbleck {

// What the canvas's press and move handlers remember between events. Anchor
// and end points are floored canvas units held as single-precision values.
struct DrawingState {
    float AnchorX = 0;
    float AnchorY = 0;
    float LastEndX = 0;
    float LastEndY = 0;
    double CircleRadius = 0;
    double LastRadius = 0;
    bool LineActive = false;
    bool CircleActive = false;
};

}  // namespace marbleck
