#pragma once

#include <QImage>
#include <span>
#include <vector>

#include "engine/objects/MaskSampler.h"
#include "engine/sums/HologramRequest.h"

namespace marbleck {

// The samples of `grid` whose pixel in `image` is not black (any of red,
// green, blue above 0), in scan order: x outer, y inner. The picture is read
// as a mask a strip of rows at a time (a 32-bit picture from its lines, any
// other converted strip by strip); `points` is cleared first and its memory
// reused. Throws std::bad_alloc when there is no memory for the samples or a
// strip's conversion.
void LitSamples(const QImage& image, const SampleGrid& grid, std::vector<ObjectPoint>& points);

// The object of a picture taken whole, as the command line takes an image
// file: W and H are its size, every pixel that is not black is a sample.
HologramObject PictureObject(const QImage& image);

// The brightness each sample of `grid` asks for (a phase hologram's target):
// BrightnessOfColour of its pixel in `image`, the one rule of the window and
// the command line. Throws std::bad_alloc.
std::vector<float> SampleBrightness(const QImage& image, const SampleGrid& grid,
                                    std::span<const ObjectPoint> samples);

// The same of a picture taken whole (PictureObject's samples).
std::vector<float> PictureBrightness(const QImage& image, std::span<const ObjectPoint> samples);

}  // namespace marbleck
