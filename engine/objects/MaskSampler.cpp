#include "engine/objects/MaskSampler.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace marbleck {

SampleGrid PixelSampleGrid(int columns, int rows) {
    SampleGrid grid;
    grid.pixelColumns.resize(static_cast<std::size_t>(std::max(0, columns)));
    grid.pixelRows.resize(static_cast<std::size_t>(std::max(0, rows)));
    std::iota(grid.pixelColumns.begin(), grid.pixelColumns.end(), 0);
    std::iota(grid.pixelRows.begin(), grid.pixelRows.end(), 0);
    return grid;
}

MaskSampler::MaskSampler(const SampleGrid& grid)
    : grid_(grid), lit_(grid.pixelColumns.size() * grid.pixelRows.size()) {}

bool MaskSampler::readsRows(int top, int bottom) const {
    return std::any_of(grid_.pixelRows.begin(), grid_.pixelRows.end(),
                       [&](int row) { return row >= top && row < bottom; });
}

void MaskSampler::addRows(const std::uint8_t* band, int width, int top, int rowCount) {
    const std::size_t columns = grid_.pixelColumns.size();
    for (std::size_t y = 0; y < grid_.pixelRows.size(); ++y) {
        const int row = grid_.pixelRows[y];
        if (row < top || row >= top + rowCount) continue;
        const std::uint8_t* line =
            band + static_cast<std::size_t>(row - top) * static_cast<std::size_t>(width);
        for (std::size_t x = 0; x < columns; ++x) {
            const int column = grid_.pixelColumns[x];
            if (column >= 0 && column < width && line[column] != 0) lit_[y * columns + x] = true;
        }
    }
}

void MaskSampler::litSamples(std::vector<ObjectPoint>& points) const {
    points.clear();
    const std::size_t columns = grid_.pixelColumns.size();
    for (std::size_t x = 0; x < columns; ++x)
        for (std::size_t y = 0; y < grid_.pixelRows.size(); ++y)
            if (lit_[y * columns + x]) points.push_back({static_cast<int>(x), static_cast<int>(y)});
}

namespace {

void CheckMaskSize(std::span<const std::uint8_t> mask, int width, int height) {
    if (width < 0 || height < 0 ||
        mask.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        throw std::invalid_argument("the mask is smaller than its width × height");
}

}  // namespace

HologramObject ObjectOfMask(std::span<const std::uint8_t> mask, int width, int height) {
    CheckMaskSize(mask, width, height);
    HologramObject object;
    object.width = static_cast<float>(width);
    object.height = static_cast<float>(height);
    // Every pixel a sample: scan order is the mask read column by column.
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            if (mask[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x)])
                object.litSamples.push_back({x, y});
    return object;
}

HologramObject ObjectOfMask(std::span<const std::uint8_t> mask, int maskWidth, int maskHeight, float width,
                            float height, const SampleGrid& grid) {
    CheckMaskSize(mask, maskWidth, maskHeight);
    if (grid.pixelColumns.size() != static_cast<std::size_t>(SampleCount(width)) ||
        grid.pixelRows.size() != static_cast<std::size_t>(SampleCount(height)))
        throw std::invalid_argument("the sample grid does not fit the object's size");
    HologramObject object;
    object.width = width;
    object.height = height;
    MaskSampler sampler(grid);
    sampler.addRows(mask.data(), maskWidth, 0, maskHeight);
    sampler.litSamples(object.litSamples);
    return object;
}

}  // namespace marbleck
