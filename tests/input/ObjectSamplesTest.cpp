#include <gtest/gtest.h>

#include <QImage>
#include <QRadioButton>
#include <vector>

#include "CanvasMouse.h"
#include "Controls.h"
#include "ReferenceCanvas.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "engine/HologramGeometry.h"
#include "input/ObjectSamples.h"
#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck {
namespace {

using test::Control;

// The samples as reading each point of the canvas in user units gives them:
// x outer, y inner, lit where the colour is above 0.
std::vector<ObjectPoint> PointByPoint(const PictureArea& canvas, const HologramGeometry& g) {
    std::vector<ObjectPoint> points;
    for (int x = 0; x < g.canvasColumns; ++x)
        for (int y = 0; y < g.canvasRows; ++y)
            if (canvas.colorAt(static_cast<float>(x), static_cast<float>(y)) > 0) points.push_back({x, y});
    return points;
}

HologramGeometry GeometryOf(const PictureArea& canvas) {
    return MakeHologramGeometry(canvas.outerWidth() / Screen::TwipsPerPixelX(),
                                canvas.outerHeight() / Screen::TwipsPerPixelY(), 1);
}

void ExpectSameSamples(const PictureArea& canvas, std::size_t atLeast) {
    const HologramGeometry g = GeometryOf(canvas);
    const std::vector<ObjectPoint> expected = PointByPoint(canvas, g);
    ASSERT_GE(expected.size(), atLeast);
    std::vector<ObjectPoint> points{{5, 5}};  // leftovers are cleared
    LitSamples(canvas.image(), CanvasSampleGrid(canvas, g.canvasColumns, g.canvasRows), points);
    ASSERT_EQ(points.size(), expected.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        ASSERT_EQ(points[i].x, expected[i].x) << i;
        ASSERT_EQ(points[i].y, expected[i].y) << i;
    }
}

// Samples at whole units of a 14.4-twip scale read the nearest pixel, so
// some pixels are read twice and some never; the lines are read directly,
// and every sample must still be the one the point-by-point reading gives.
TEST(ObjectSamples, DrawnCanvasGivesTheSamplesOfReadingEachPoint) {
    Document document;
    MainWindow window{document};
    test::CanvasMouse mouse{*Control<PictureArea>(window, "objectCanvas")};
    Control<QRadioButton>(window, "lineTool")->click();
    mouse.click(3, 4);
    mouse.move(90, 70);
    mouse.click(90, 70);
    Control<QRadioButton>(window, "circleTool")->click();
    Control<QRadioButton>(window, "penWidth5")->click();
    mouse.click(40, 50);
    mouse.move(60, 50);
    mouse.click(60, 50);
    // The last pixel column and row of the drawing area, and dim colours.
    Control<PictureArea>(window, "objectCanvas")->setPixel(99, 99, RGBColor(0, 0, 1));
    Control<PictureArea>(window, "objectCanvas")->setPixel(99, 0, RGBColor(1, 0, 0));
    Control<PictureArea>(window, "objectCanvas")->setPixel(0, 98, RGBColor(0, 1, 0));
    ExpectSameSamples(*Control<PictureArea>(window, "objectCanvas"), 100);
}

TEST(ObjectSamples, LargerCanvasWithAPictureGivesTheSamplesOfReadingEachPoint) {
    test::ReferenceCanvas canvas;
    canvas.setOuterSize(2480, 1990);  // 165.33 × 132.67 pixels, border included
    QImage picture(170, 120, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, (x * 7 + y * 3) % 5 == 0 ? qRgb(x % 3, 0, 0) : qRgb(0, 0, 0));
    canvas.setPicture(picture);
    canvas.drawCircle(80, 60, 30, White);
    ExpectSameSamples(canvas, 1000);
}

TEST(ObjectSamples, SamplesPastTheDrawingAreaAreUnlit) {
    // In pixels, the last samples lie on the border: outside the image.
    PictureArea canvas;
    canvas.setOuterSize(300, 300);  // 20 pixels, 16 of drawing area
    canvas.setBackColor(White);
    ExpectSameSamples(canvas, 16 * 16);
    const HologramGeometry g = GeometryOf(canvas);
    std::vector<ObjectPoint> points;
    LitSamples(canvas.image(), CanvasSampleGrid(canvas, g.canvasColumns, g.canvasRows), points);
    EXPECT_EQ(points.size(), 16u * 16u);
}

}  // namespace
}  // namespace marbleck
