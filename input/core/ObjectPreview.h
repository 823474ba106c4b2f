#pragma once

#include <functional>

#include "input/core/ObjectPixels.h"

namespace marbleck {

// The black-and-white preview of an object's stored pixel bytes, in the
// hologram view's pixel coordinates: byte (x, j) goes to view point
// (x, yMax − j), so the bottom row stored first lands at the bottom and the
// image stands upright. white is true where the byte is not 0; the colour table
// plays no part. Padding columns are drawn like any other byte.
//
// Points outside a view of viewWidth × viewHeight pixels would not be drawn,
// so they are skipped rather than visited: the work is bounded by the view,
// not by the dimensions the header claims. The points that are visited come in
// the loader's order: x outer, ascending; j inner, ascending.
void ForEachObjectPreviewPoint(const ObjectPixels& pixels, int viewWidth, int viewHeight,
                               const std::function<void(int x, int y, bool white)>& setPoint);

}  // namespace marbleck
