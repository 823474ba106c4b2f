#include "input/core/ObjectPreview.h"

#include <algorithm>

namespace marbleck {

void ForEachObjectPreviewPoint(const ObjectPixels& pixels, int viewWidth, int viewHeight,
                               const std::function<void(int x, int y, bool white)>& setPoint) {
    if (viewWidth <= 0 || viewHeight <= 0) {
        return;
    }
    const int yMax = pixels.yMax();
    const int lastX = std::min(pixels.xMax(), viewWidth - 1);
    // y = yMax − j < viewHeight  ⇔  j > yMax − viewHeight.
    const int firstJ = std::max(0, yMax - viewHeight + 1);
    for (int x = 0; x <= lastX; ++x) {
        for (int j = firstJ; j <= yMax; ++j) {
            setPoint(x, yMax - j, pixels(x, j) != 0);
        }
    }
}

}  // namespace marbleck
