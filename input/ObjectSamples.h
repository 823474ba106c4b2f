#pragma once

#include <QImage>
#include <vector>

#include "engine/HologramEngine.h"

namespace marbleck {

class PictureArea;

// Which pixel each canvas sample reads: sample (x, y) reads the pixel at
// column pixelColumns[x], row pixelRows[y]. Entries outside the image read
// as unlit.
struct SampleGrid {
    std::vector<int> pixelColumns;
    std::vector<int> pixelRows;
};

// The grid of `columns` × `rows` samples at whole user units 0, 1, 2, … of
// `canvas`: each maps to its nearest pixel as every drawing on the canvas
// does, so with a user scale some pixels are read twice and some never.
SampleGrid CanvasSampleGrid(const PictureArea& canvas, int columns, int rows);

// The grid of every pixel of a `columns` × `rows` image, each sample reading
// its own pixel: an image file taken as the object.
SampleGrid PixelSampleGrid(int columns, int rows);

// The samples of `grid` whose pixel in `image` is not black (any of red,
// green, blue above 0), in scan order: x outer, y inner. Reads a 32-bit
// image's lines directly, any other a strip of rows at a time; `points` is
// cleared first and its memory reused. Throws std::bad_alloc when there is
// no memory for the samples or a strip's conversion.
void LitSamples(const QImage& image, const SampleGrid& grid, std::vector<ObjectPoint>& points);

}  // namespace marbleck
