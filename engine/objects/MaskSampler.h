#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/sums/HologramRequest.h"

namespace marbleck {

// Which mask pixel each object sample reads: sample (x, y) reads the pixel
// at column pixelColumns[x], row pixelRows[y]. Entries outside the mask read
// as unlit.
struct SampleGrid {
    std::vector<int> pixelColumns;
    std::vector<int> pixelRows;
};

// The grid of every pixel of a `columns` × `rows` mask, each sample reading
// its own pixel.
SampleGrid PixelSampleGrid(int columns, int rows);

// Finds the lit samples of a grid in an 8-bit mask (nonzero is lit) that is
// handed over a band of rows at a time, so that a picture converted strip by
// strip is never held whole as a mask.
class MaskSampler {
public:
    // Throws std::bad_alloc when there is no memory for one bit per sample.
    explicit MaskSampler(const SampleGrid& grid);

    // Whether any sample reads a row in [top, bottom).
    bool readsRows(int top, int bottom) const;

    // Rows [top, top + rowCount) of a mask `width` pixels wide, row by row:
    // row r starts at band[(r − top) × width].
    void addRows(const std::uint8_t* band, int width, int top, int rowCount);

    // The lit samples in scan order (x outer, y inner); `points` is cleared
    // first and its memory reused.
    void litSamples(std::vector<ObjectPoint>& points) const;

private:
    const SampleGrid& grid_;
    std::vector<bool> lit_;  // sample (x, y) at y × columns + x
};

// The object of a `width` × `height` mask stored row by row (at least
// width × height bytes; nonzero is lit), every pixel one sample: W and H are
// the mask's size. Throws std::invalid_argument for a mask too short.
HologramObject ObjectOfMask(std::span<const std::uint8_t> mask, int width, int height);

// A `width` × `height` object (W and H, possibly fractional) whose samples
// read a `maskWidth` × `maskHeight` mask through `grid`, which has
// SampleCount(width) columns and SampleCount(height) rows: a canvas whose
// user units map onto its pixels. Throws std::invalid_argument for a mask too
// short or a grid of another size.
HologramObject ObjectOfMask(std::span<const std::uint8_t> mask, int maskWidth, int maskHeight, float width,
                            float height, const SampleGrid& grid);

}  // namespace marbleck
