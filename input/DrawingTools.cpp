#include "input/DrawingTools.h"

#include <cmath>
#include <utility>

#include "widgets/PictureArea.h"

namespace marbleck {

DrawingTools::DrawingTools(PictureArea& canvas, DrawingState& state, SelectedTool selectedTool,
                           ShowPressPosition showPressPosition)
    : canvas_(canvas),
      state_(state),
      selectedTool_(std::move(selectedTool)),
      showPressPosition_(std::move(showPressPosition)) {}

void DrawingTools::press(float x, float y) {
    // The dot goes to the exact position; everything remembered is floored.
    canvas_.setPixel(x, y, White);
    const float flooredX = std::floor(x);
    const float flooredY = std::floor(y);
    state_.anchorX = flooredX;
    state_.lastEndX = flooredX;
    state_.anchorY = flooredY;
    state_.lastEndY = flooredY;
    showPressPosition_(flooredX, flooredY);
    state_.lastRadius = 0;
    const DrawingTool tool = selectedTool_();
    if (tool == DrawingTool::Line) state_.lineActive = !state_.lineActive;
    if (tool == DrawingTool::Circle) state_.circleActive = !state_.circleActive;
}

void DrawingTools::move(Qt::MouseButtons buttons, float x, float y) {
    const float flooredX = std::floor(x);
    const float flooredY = std::floor(y);
    // Freehand is tested first and ignores the flags; the line rubber band
    // wins over the circle whichever of the two tools is selected. The rubber
    // bands follow the pointer whatever buttons are held.
    if (selectedTool_() == DrawingTool::Freehand) {
        if (buttons == Qt::MouseButtons(Qt::LeftButton)) canvas_.drawLineTo(flooredX, flooredY, White);
    } else if (state_.lineActive) {
        followLine(flooredX, flooredY);
    } else if (state_.circleActive) {
        followCircle(flooredX, flooredY);
    }
}

void DrawingTools::followLine(float endX, float endY) {
    canvas_.drawLine(state_.anchorX, state_.anchorY, state_.lastEndX, state_.lastEndY, Black);
    canvas_.drawLine(state_.anchorX, state_.anchorY, endX, endY, White);
    state_.lastEndX = endX;
    state_.lastEndY = endY;
}

void DrawingTools::followCircle(float pointerX, float pointerY) {
    // The canvas takes radii as single-precision values; the state keeps the
    // double-precision radius the circle was computed with.
    canvas_.drawCircle(state_.anchorX, state_.anchorY, static_cast<float>(state_.lastRadius), Black);
    const double dx = static_cast<double>(pointerX) - static_cast<double>(state_.anchorX);
    const double dy = static_cast<double>(pointerY) - static_cast<double>(state_.anchorY);
    state_.circleRadius = std::sqrt(dx * dx + dy * dy);
    canvas_.drawCircle(state_.anchorX, state_.anchorY, static_cast<float>(state_.circleRadius), White);
    state_.lastRadius = state_.circleRadius;
}

void DrawingTools::setPenWidth(int pixels) { canvas_.setPenWidth(pixels); }

}  // namespace marbleck
