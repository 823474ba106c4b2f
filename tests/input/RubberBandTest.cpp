#include <gtest/gtest.h>

#include <QRadioButton>
#include <cmath>
#include <string>
#include <vector>

#include "CanvasMouse.h"
#include "Controls.h"
#include "ReferenceCanvas.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "widgets/PictureArea.h"

namespace marbleck {

using test::Control;
namespace {

// A rubber band leaves no traces: after the second press the canvas holds
// exactly the last figure and the second press's dot, as if drawn directly.
// The first press's dot lies on the anchor's pixel (pixel 48 is exactly 50
// units), so the band's first erasure, a figure of length 0 there, takes it.
// Every other figure the band drew must be taken by its own erasure.

enum class Band { Line, Circle };

struct BandCase {
    const char* name;
    Band band;
    const char* width;  // the width button's object name
    int penWidth;
};

class RubberBandTest : public ::testing::TestWithParam<BandCase> {
protected:
    Document document;
    MainWindow form{document};
    test::CanvasMouse mouse{*Control<PictureArea>(form, "objectCanvas")};
};

TEST_P(RubberBandTest, LeavesOnlyTheLastFigure) {
    const BandCase& c = GetParam();
    Control<QRadioButton>(form, c.width)->click();
    (c.band == Band::Line ? Control<QRadioButton>(form, "lineTool")
                          : Control<QRadioButton>(form, "circleTool"))
        ->click();

    const QPoint anchor(48, 48);
    // Pointer positions in pixels: short and long, steep and shallow, a
    // figure clipped at the edges, the border left of the drawing area.
    const std::vector<QPoint> path = {{49, 48}, {50, 50}, {61, 53}, {75, 20}, {95, 95}, {3, 90},
                                      {-2, 40}, {48, 2},  {47, 70}, {33, 31}, {58, 61}};
    mouse.click(anchor.x(), anchor.y());
    for (const QPoint& p : path) mouse.move(p.x(), p.y());
    const QPoint last = path.back();
    mouse.click(last.x(), last.y());

    ASSERT_FALSE(document.drawing.lineActive);
    ASSERT_FALSE(document.drawing.circleActive);
    const float ax = std::floor(mouse.unitsX(anchor.x()));
    const float ay = std::floor(mouse.unitsY(anchor.y()));
    const float ex = std::floor(mouse.unitsX(last.x()));
    const float ey = std::floor(mouse.unitsY(last.y()));
    ASSERT_EQ(ax, 50.0f);
    test::ReferenceCanvas expected(c.penWidth);
    if (c.band == Band::Line) {
        expected.drawLine(ax, ay, ex, ey, White);
    } else {
        const double dx = ex - ax;
        const double dy = ey - ay;
        expected.drawCircle(ax, ay, static_cast<float>(std::sqrt(dx * dx + dy * dy)), White);
    }
    expected.setPixel(mouse.unitsX(last.x()), mouse.unitsY(last.y()), White);
    EXPECT_EQ(test::Differences(Control<PictureArea>(form, "objectCanvas")->image(), expected.image()), "");
}

INSTANTIATE_TEST_SUITE_P(BandsAndWidths, RubberBandTest,
                         ::testing::Values(BandCase{"LineWidth1", Band::Line, "penWidth1", 1},
                                           BandCase{"LineWidth2", Band::Line, "penWidth2", 2},
                                           BandCase{"LineWidth5", Band::Line, "penWidth5", 5},
                                           BandCase{"CircleWidth1", Band::Circle, "penWidth1", 1},
                                           BandCase{"CircleWidth2", Band::Circle, "penWidth2", 2},
                                           BandCase{"CircleWidth5", Band::Circle, "penWidth5", 5}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace marbleck
