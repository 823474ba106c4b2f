#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/objects/MaskSampler.h"

namespace marbleck {
namespace {

std::vector<std::pair<int, int>> Pairs(const std::vector<ObjectPoint>& points) {
    std::vector<std::pair<int, int>> pairs;
    for (const ObjectPoint& p : points) pairs.emplace_back(p.x, p.y);
    return pairs;
}

// A 4 × 3 mask, row by row.
const std::vector<std::uint8_t> Mask{
    0, 1,   0, 9,  //
    7, 0,   0, 0,  //
    0, 255, 0, 1,
};

TEST(MaskSampler, EveryPixelIsASampleInScanOrder) {
    const HologramObject object = ObjectOfMask(Mask, 4, 3);
    EXPECT_EQ(object.width, 4.0f);
    EXPECT_EQ(object.height, 3.0f);
    const std::vector<std::pair<int, int>> expected{{0, 1}, {1, 0}, {1, 2}, {3, 0}, {3, 2}};
    EXPECT_EQ(Pairs(object.litSamples), expected);
}

// Samples read through a grid: columns and rows read twice, out of order and
// outside the mask (unlit).
TEST(MaskSampler, AGridReadsItsPixelsAndNothingOutside) {
    SampleGrid grid;
    grid.pixelColumns = {3, -1, 1, 1, 4};
    grid.pixelRows = {2, 0, 3, -2};
    // A fractional canvas: 5.6 × 4.2 pixels have 5 × 4 whole samples.
    const HologramObject object = ObjectOfMask(Mask, 4, 3, 5.6f, 4.2f, grid);
    EXPECT_EQ(object.width, 5.6f);
    EXPECT_EQ(object.height, 4.2f);
    const std::vector<std::pair<int, int>> expected{{0, 0}, {0, 1}, {2, 0}, {2, 1}, {3, 0}, {3, 1}};
    EXPECT_EQ(Pairs(object.litSamples), expected);
}

TEST(MaskSampler, RefusesAShortMaskOrAGridOfAnotherSize) {
    EXPECT_THROW(ObjectOfMask(std::span(Mask).first(11), 4, 3), std::invalid_argument);
    const SampleGrid grid = PixelSampleGrid(4, 3);
    EXPECT_THROW(ObjectOfMask(Mask, 4, 3, 5.0f, 3.0f, grid), std::invalid_argument);
    EXPECT_EQ(ObjectOfMask(Mask, 4, 3, 4.9f, 3.5f, grid).litSamples.size(), 5u);
}

// Handed over a row at a time, the mask gives the samples it gives whole.
TEST(MaskSampler, BandsGiveTheSamplesOfTheWholeMask) {
    const SampleGrid grid = PixelSampleGrid(4, 3);
    MaskSampler sampler(grid);
    EXPECT_TRUE(sampler.readsRows(2, 3));
    EXPECT_FALSE(sampler.readsRows(3, 9));
    for (int row = 2; row >= 0; --row) sampler.addRows(Mask.data() + 4 * row, 4, row, 1);
    std::vector<ObjectPoint> points{{7, 7}};  // leftovers are cleared
    sampler.litSamples(points);
    EXPECT_EQ(Pairs(points), Pairs(ObjectOfMask(Mask, 4, 3).litSamples));
}

}  // namespace
}  // namespace marbleck
