#pragma once

#include <QtCore/qnamespace.h>
#include <functional>

#include "input/DrawingState.h"

namespace marbleck {

class PictureArea;

// The three tools of the object canvas.
enum class DrawingTool { Freehand, Line, Circle };

// The canvas's press and move handlers: freehand strokes, and line and circle
// rubber bands between two presses. All positions are canvas units as the
// canvas reports them (single precision, not floored). Drawing is white;
// erasing draws the same figure in black, so whatever lay under a rubber band
// is erased with it. The window tells which tool is selected and shows the
// floored press position; the tools never look at its controls themselves.
class DrawingTools {
public:
    using SelectedTool = std::function<DrawingTool()>;
    using ShowPressPosition = std::function<void(float flooredX, float flooredY)>;

    DrawingTools(PictureArea& canvas, DrawingState& state, SelectedTool selectedTool,
                 ShowPressPosition showPressPosition);

    // Any mouse button went down at (x, y); which one does not matter.
    void press(float x, float y);
    // The pointer moved to (x, y) with `buttons` held (possibly none).
    void move(Qt::MouseButtons buttons, float x, float y);

    // Pen width in pixels for dots, lines and circles alike. Changing it
    // leaves the drawing state and what is drawn as they are.
    void setPenWidth(int pixels);

private:
    void followLine(float endX, float endY);
    void followCircle(float pointerX, float pointerY);

    PictureArea& canvas_;
    DrawingState& state_;
    SelectedTool selectedTool_;
    ShowPressPosition showPressPosition_;
};

}  // namespace marbleck
