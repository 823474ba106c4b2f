#include "input/ObjectSamples.h"

#include <algorithm>
#include <cstddef>

#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck {

SampleGrid CanvasSampleGrid(const PictureArea& canvas, int columns, int rows) {
    SampleGrid grid;
    grid.pixelColumns.resize(static_cast<std::size_t>(std::max(0, columns)));
    grid.pixelRows.resize(static_cast<std::size_t>(std::max(0, rows)));
    for (int x = 0; x < columns; ++x)
        grid.pixelColumns[static_cast<std::size_t>(x)] = canvas.toPixel(static_cast<float>(x), 0).x();
    for (int y = 0; y < rows; ++y)
        grid.pixelRows[static_cast<std::size_t>(y)] = canvas.toPixel(0, static_cast<float>(y)).y();
    return grid;
}

HologramObject CanvasObject(const PictureArea& canvas) {
    HologramObject object;
    object.width = canvas.outerWidth() / Screen::TwipsPerPixelX();
    object.height = canvas.outerHeight() / Screen::TwipsPerPixelY();
    LitSamples(canvas.image(),
               CanvasSampleGrid(canvas, SampleCount(object.width), SampleCount(object.height)),
               object.litSamples);
    return object;
}

}  // namespace marbleck
