#include "input/core/ObjectPreview.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "ObjectFileBytes.h"
#include "input/core/ObjectBitmap.h"

namespace marbleck {
namespace {

using testing::ObjectFileBytes;

struct PreviewPoint {
    int x;
    int y;
    bool white;
    bool operator==(const PreviewPoint&) const = default;
};

std::vector<PreviewPoint> preview(const ObjectPixels& pixels, int viewWidth, int viewHeight) {
    std::vector<PreviewPoint> points;
    ForEachObjectPreviewPoint(pixels, viewWidth, viewHeight, [&](int x, int y, bool white) {
        points.push_back({x, y, white});
    });
    return points;
}

ObjectBitmap readFile(const ObjectFileBytes& file) {
    const auto bytes = file.bytes();
    return ReadObjectBitmap(bytes);
}

TEST(ObjectPreview, BottomRowStoredFirstIsDrawnAtTheBottomPaddingIncluded) {
    ObjectFileBytes file;
    file.width = 3;
    file.height = 2;
    // Stored row 0 (bottom): 7 0 0 | pad 5.  Stored row 1 (top): 0 0 9 | pad 0.
    file.pixels = {7, 0, 0, 5, 0, 0, 9, 0};
    const auto points = preview(readFile(file).pixels, 100, 100);

    const std::vector<PreviewPoint> expected = {
        {0, 1, true},  {0, 0, false},  // column 0: j = 0 then j = 1
        {1, 1, false}, {1, 0, false}, {2, 1, false},
        {2, 0, true},  {3, 1, true},  {3, 0, false},  // the padding column is drawn too
    };
    EXPECT_EQ(points, expected);
}

TEST(ObjectPreview, ColourTableDoesNotChangeTheColours) {
    ObjectFileBytes file;
    file.width = 2;
    file.height = 1;
    file.colourTable[0] = {255, 255, 255, 0};
    file.colourTable[1] = {0, 0, 0, 0};
    file.pixels = {0, 1, 0, 0};
    const auto points = preview(readFile(file).pixels, 10, 10);
    ASSERT_EQ(points.size(), 4u);
    EXPECT_FALSE(points[0].white);
    EXPECT_TRUE(points[1].white);
}

TEST(ObjectPreview, PointsOutsideTheViewAreSkippedInLoaderOrder) {
    ObjectFileBytes file;
    file.width = 6;
    file.height = 5;
    file.pixels = testing::countingBytes(8 * 5);
    const ObjectPixels pixels = readFile(file).pixels;
    const auto all = preview(pixels, 100, 100);
    ASSERT_EQ(all.size(), 8u * 5u);

    std::vector<PreviewPoint> inside;
    for (const auto& point : all) {
        if (point.x < 3 && point.y < 2) {
            inside.push_back(point);
        }
    }
    EXPECT_EQ(preview(pixels, 3, 2), inside);
}

TEST(ObjectPreview, HugeClaimIsBoundedByTheView) {
    ObjectFileBytes file;
    file.width = 60000;
    file.height = 60000;
    file.pixels = {1, 0, 1};
    const ObjectPixels pixels = readFile(file).pixels;
    const auto points = preview(pixels, 165, 165);
    ASSERT_EQ(points.size(), 165u * 165u);
    // The bytes the file holds are in the bottom stored row, far below the view.
    for (const auto& point : points) {
        EXPECT_FALSE(point.white);
    }
    EXPECT_EQ(preview(pixels, 1, 60000).front(), (PreviewPoint{0, 59999, true}));
}

TEST(ObjectPreview, EmptyViewOrPixelsDrawNothing) {
    ObjectFileBytes file;
    file.width = 4;
    file.height = 4;
    file.pixels = testing::countingBytes(16);
    const ObjectPixels pixels = readFile(file).pixels;
    EXPECT_TRUE(preview(pixels, 0, 10).empty());
    EXPECT_TRUE(preview(pixels, 10, -1).empty());
    EXPECT_TRUE(preview(ObjectPixels(), 10, 10).empty());
}

}  // namespace
}  // namespace marbleck
