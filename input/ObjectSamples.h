#pragma once

#include "engine/objects/MaskSampler.h"
#include "engine/sums/HologramRequest.h"
#include "input/picture/PictureSamples.h"

namespace marbleck {

class PictureArea;

// The grid of `columns` × `rows` samples at whole user units 0, 1, 2, … of
// `canvas`: each maps to its nearest pixel as every drawing on the canvas
// does, so with a user scale some pixels are read twice and some never.
SampleGrid CanvasSampleGrid(const PictureArea& canvas, int columns, int rows);

// The object the canvas shows: W and H are its outer size in pixels
// (fractional where the twips do not divide), its samples the lit pixels of
// its image read through CanvasSampleGrid.
HologramObject CanvasObject(const PictureArea& canvas);

}  // namespace marbleck
