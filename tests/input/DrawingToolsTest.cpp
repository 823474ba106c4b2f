#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cmath>
#include <string>
#include <tuple>

#include "CanvasMouse.h"
#include "Controls.h"
#include "ReferenceCanvas.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "widgets/PictureArea.h"

namespace marbleck {

using test::Control;
namespace {

// Pixels used below and the floored units the canvas reports for them
// (pixel / 0.96): 10 -> 10, 13 -> 13, 14 -> 14, 20 -> 20, 23 -> 23,
// 29 -> 30, 30 -> 31, 36 -> 37, 40 -> 41, 50 -> 52, 60 -> 62. Pixel 10 is also where
// units 10 are drawn, so a press there puts its dot on the anchor's pixel.

auto Fields(const DrawingState& s) {
    return std::make_tuple(s.anchorX, s.anchorY, s.lastEndX, s.lastEndY, s.circleRadius, s.lastRadius,
                           s.lineActive, s.circleActive);
}

class DrawingToolsTest : public ::testing::Test {
protected:
    const QImage& canvas() const { return Control<PictureArea>(form, "objectCanvas")->image(); }
    bool lit(int px, int py) const { return canvas().pixel(px, py) == qRgb(255, 255, 255); }
    int litCount() const {
        int count = 0;
        for (int y = 0; y < canvas().height(); ++y)
            for (int x = 0; x < canvas().width(); ++x) count += lit(x, y) ? 1 : 0;
        return count;
    }
    int litInColumn(int px) const {
        int count = 0;
        for (int y = 0; y < canvas().height(); ++y) count += lit(px, y) ? 1 : 0;
        return count;
    }
    // The press dot as the canvas draws it: at the exact reported position.
    void pressDot(PictureArea& area, int px, int py) {
        area.setPixel(mouse.unitsX(px), mouse.unitsY(py), White);
    }

    Document document;
    MainWindow form{document};
    test::CanvasMouse mouse{*Control<PictureArea>(form, "objectCanvas")};
    const DrawingState& state = document.drawing;
};

struct HeldButtons {
    const char* name;
    Qt::MouseButtons held;
    bool draws;
};

class FreehandButtonsTest : public DrawingToolsTest, public ::testing::WithParamInterface<HeldButtons> {};

TEST_P(FreehandButtonsTest, DrawsOnlyWithTheLeftButtonAlone) {
    mouse.press(10, 10);
    mouse.move(40, 10, GetParam().held);
    mouse.release(40, 10);
    if (GetParam().draws) {
        // From the press dot to floor(41.67) = 41 units, pixel 39.
        for (int x = 10; x <= 39; ++x) EXPECT_TRUE(lit(x, 10)) << x;
        EXPECT_EQ(litCount(), 30);
    } else {
        EXPECT_TRUE(lit(10, 10));
        EXPECT_EQ(litCount(), 1);
    }
    EXPECT_FALSE(state.lineActive);
    EXPECT_FALSE(state.circleActive);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, FreehandButtonsTest,
    ::testing::Values(HeldButtons{"Left", Qt::LeftButton, true}, HeldButtons{"Right", Qt::RightButton, false},
                      HeldButtons{"LeftAndRight", Qt::LeftButton | Qt::RightButton, false},
                      HeldButtons{"LeftAndMiddle", Qt::LeftButton | Qt::MiddleButton, false},
                      HeldButtons{"Middle", Qt::MiddleButton, false},
                      HeldButtons{"None", Qt::NoButton, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DrawingToolsTest, FreehandStrokeStartsAtTheUnflooredPressAndThenFollowsFlooredPoints) {
    // Pixel 23 reports 23.96 units: the dot stays on pixel 23, while the
    // floored 23 units would be pixel 22.
    mouse.press(23, 10);
    EXPECT_EQ(state.anchorX, 23.0f);
    mouse.move(60, 10, Qt::LeftButton);
    EXPECT_FALSE(lit(22, 10));
    for (int x = 23; x <= 60; ++x) EXPECT_TRUE(lit(x, 10)) << x;
    EXPECT_FALSE(lit(61, 10));
    // Back to the press pixel: the floored point now reaches pixel 22.
    mouse.move(23, 10, Qt::LeftButton);
    mouse.release(23, 10);
    EXPECT_TRUE(lit(22, 10));
    // Freehand moves leave the remembered end point alone.
    EXPECT_EQ(state.lastEndX, 23.0f);
    EXPECT_EQ(state.lastEndY, 10.0f);
}

TEST_F(DrawingToolsTest, LineToolFollowsThePointerBetweenTwoPresses) {
    Control<QRadioButton>(form, "lineTool")->click();
    mouse.click(10, 10);
    EXPECT_TRUE(state.lineActive);
    EXPECT_EQ(std::make_tuple(state.anchorX, state.anchorY), std::make_tuple(10.0f, 10.0f));
    mouse.move(40, 20);
    EXPECT_EQ(std::make_tuple(state.lastEndX, state.lastEndY), std::make_tuple(41.0f, 20.0f));
    mouse.move(30, 50);
    EXPECT_EQ(std::make_tuple(state.lastEndX, state.lastEndY), std::make_tuple(31.0f, 52.0f));

    test::ReferenceCanvas expected;
    expected.drawLine(10, 10, 31, 52, White);
    EXPECT_EQ(test::Differences(canvas(), expected.image()), "");

    mouse.click(30, 50);
    EXPECT_FALSE(state.lineActive);
    EXPECT_EQ(std::make_tuple(state.anchorX, state.anchorY), std::make_tuple(31.0f, 52.0f));
    EXPECT_EQ(state.lastRadius, 0.0);
    pressDot(expected, 30, 50);
    EXPECT_EQ(test::Differences(canvas(), expected.image()), "");

    // With both flags off a move draws nothing.
    mouse.move(70, 70);
    EXPECT_EQ(test::Differences(canvas(), expected.image()), "");
}

TEST_F(DrawingToolsTest, CircleToolRadiusComesFromTheFlooredPointer) {
    Control<QRadioButton>(form, "circleTool")->click();
    mouse.click(10, 10);
    EXPECT_TRUE(state.circleActive);
    EXPECT_TRUE(lit(10, 10));
    mouse.move(13, 14);
    EXPECT_EQ(state.circleRadius, 5.0);
    EXPECT_EQ(state.lastRadius, 5.0);
    // The first move erased a circle of radius 0, the press dot, at the centre.
    EXPECT_FALSE(lit(10, 10));
    test::ReferenceCanvas expected;
    expected.drawCircle(10, 10, 5, White);
    EXPECT_EQ(test::Differences(canvas(), expected.image()), "");

    // The radius is kept in double precision: sqrt(2² + 1²).
    mouse.move(12, 11);
    EXPECT_EQ(state.circleRadius, std::sqrt(5.0));
    EXPECT_NE(state.circleRadius, static_cast<double>(static_cast<float>(std::sqrt(5.0))));

    mouse.move(13, 14);
    mouse.click(13, 14);
    EXPECT_FALSE(state.circleActive);
    EXPECT_EQ(state.lastRadius, 0.0);
    EXPECT_EQ(state.circleRadius, 5.0);
    pressDot(expected, 13, 14);
    EXPECT_EQ(test::Differences(canvas(), expected.image()), "");
}

TEST_F(DrawingToolsTest, RubberBandErasesWhiteDrawingItCrossed) {
    // A vertical freehand stroke on pixel column 30 (31 units).
    mouse.press(30, 5);
    mouse.move(30, 60, Qt::LeftButton);
    mouse.release(30, 60);
    ASSERT_TRUE(lit(30, 29));
    ASSERT_TRUE(lit(30, 30));
    ASSERT_TRUE(lit(30, 31));

    // A line rubber band along pixel row 30 crosses it, then moves away.
    Control<QRadioButton>(form, "lineTool")->click();
    mouse.click(10, 30);
    mouse.move(50, 30);
    mouse.move(10, 60);
    EXPECT_FALSE(lit(30, 30));
    EXPECT_TRUE(lit(30, 29));
    EXPECT_TRUE(lit(30, 31));
}

TEST_F(DrawingToolsTest, LineBandIsTestedBeforeTheCircleBandWhicheverToolIsSelected) {
    Control<QRadioButton>(form, "lineTool")->click();
    mouse.click(10, 10);
    Control<QRadioButton>(form, "circleTool")->click();
    EXPECT_TRUE(state.lineActive);
    EXPECT_FALSE(state.circleActive);
    mouse.move(40, 20);
    EXPECT_EQ(std::make_tuple(state.lastEndX, state.lastEndY), std::make_tuple(41.0f, 20.0f));

    // A press with "Circle" selected flips circleActive and moves the anchor;
    // the line band keeps following, now from the new anchor.
    mouse.click(50, 50);
    EXPECT_TRUE(state.lineActive);
    EXPECT_TRUE(state.circleActive);
    mouse.move(60, 20);
    EXPECT_EQ(std::make_tuple(state.lastEndX, state.lastEndY), std::make_tuple(62.0f, 20.0f));
    EXPECT_EQ(state.circleRadius, 0.0);
    test::ReferenceCanvas expected;
    pressDot(expected, 10, 10);
    expected.drawLine(10, 10, 41, 20, White);
    pressDot(expected, 50, 50);
    expected.drawLine(52, 52, 52, 52, Black);
    expected.drawLine(52, 52, 62, 20, White);
    EXPECT_EQ(test::Differences(canvas(), expected.image()), "");

    // "freehand" stops the band with no button held; "Circle" resumes it.
    Control<QRadioButton>(form, "freehandTool")->click();
    mouse.move(90, 90);
    EXPECT_EQ(test::Differences(canvas(), expected.image()), "");
    Control<QRadioButton>(form, "circleTool")->click();
    mouse.move(70, 30);
    EXPECT_EQ(std::make_tuple(state.lastEndX, state.lastEndY), std::make_tuple(72.0f, 31.0f));

    // Only a press with "line" selected ends the line band; then the circle
    // band takes over.
    Control<QRadioButton>(form, "lineTool")->click();
    mouse.click(20, 20);
    EXPECT_FALSE(state.lineActive);
    EXPECT_TRUE(state.circleActive);
    mouse.move(29, 20);  // 30 units
    EXPECT_EQ(state.circleRadius, 10.0);
}

TEST_F(DrawingToolsTest, ClearBetweenPressesKeepsTheToolWaiting) {
    Control<QRadioButton>(form, "lineTool")->click();
    mouse.click(10, 10);
    mouse.move(40, 20);
    QTest::mouseClick(Control<QPushButton>(form, "clearButton"), Qt::LeftButton);
    EXPECT_EQ(litCount(), 0);
    EXPECT_TRUE(state.lineActive);
    mouse.move(60, 40);
    test::ReferenceCanvas expected;
    expected.drawLine(10, 10, 62, 41, White);
    EXPECT_EQ(test::Differences(canvas(), expected.image()), "");
}

TEST_F(DrawingToolsTest, LabelsShowTheFlooredPositionOfTheLastPressOnly) {
    mouse.move(36, 50);
    EXPECT_EQ(Control<QLabel>(form, "pressXLabel")->text(), "x");
    EXPECT_EQ(Control<QLabel>(form, "pressYLabel")->text(), "y");
    mouse.press(36, 50);
    EXPECT_EQ(Control<QLabel>(form, "pressXLabel")->text(), "37");
    EXPECT_EQ(Control<QLabel>(form, "pressYLabel")->text(), "52");
    mouse.move(60, 60, Qt::LeftButton);
    mouse.release(60, 60);
    EXPECT_EQ(Control<QLabel>(form, "pressXLabel")->text(), "37");

    Control<QRadioButton>(form, "lineTool")->click();
    mouse.click(0, 0);
    EXPECT_EQ(Control<QLabel>(form, "pressXLabel")->text(), "0");
    EXPECT_EQ(Control<QLabel>(form, "pressYLabel")->text(), "0");
    mouse.move(50, 50);
    EXPECT_EQ(Control<QLabel>(form, "pressXLabel")->text(), "0");
    EXPECT_EQ(Control<QLabel>(form, "pressYLabel")->text(), "0");
}

// The sunken border is two pixels wide around the 96-pixel drawing area:
// pixels -2, -1, 96 and 97 of the drawing area lie on it.
TEST_F(DrawingToolsTest, PressesAndMovesOnTheBorderDoNotCount) {
    const QPoint border[] = {{-2, 40}, {-1, -1}, {40, -2}, {96, 40}, {97, 97}, {40, 97}, {-2, 97}};
    const auto start = Fields(state);
    const QImage empty = canvas();
    for (QRadioButton* tool :
         {Control<QRadioButton>(form, "lineTool"), Control<QRadioButton>(form, "circleTool"),
          Control<QRadioButton>(form, "freehandTool")}) {
        tool->click();
        for (const QPoint& p : border) {
            mouse.click(p.x(), p.y());
            mouse.click(p.x(), p.y(), Qt::RightButton);
            SCOPED_TRACE(tool->text().toStdString() + " " + std::to_string(p.x()) + "," +
                         std::to_string(p.y()));
            EXPECT_EQ(Fields(state), start);
            EXPECT_EQ(Control<QLabel>(form, "pressXLabel")->text(), "x");
            EXPECT_EQ(Control<QLabel>(form, "pressYLabel")->text(), "y");
        }
    }
    EXPECT_EQ(test::Differences(canvas(), empty), "");

    // A line begun inside: moves over the border leave its band where it was.
    Control<QRadioButton>(form, "lineTool")->click();
    mouse.click(10, 10);
    mouse.move(40, 40);
    const auto following = Fields(state);
    const QImage band = canvas();
    mouse.move(97, 50);
    mouse.move(-1, 20);
    EXPECT_EQ(Fields(state), following);
    EXPECT_EQ(test::Differences(canvas(), band), "");
    mouse.click(40, 40);
    EXPECT_FALSE(state.lineActive);

    // A drag begun on the border draws nothing, even where it enters the
    // drawing area; one begun inside runs out over the border to the edge.
    Control<QRadioButton>(form, "freehandTool")->click();
    const QImage line = canvas();
    mouse.press(-1, 60);
    mouse.move(30, 60, Qt::LeftButton);
    mouse.release(30, 60);
    EXPECT_EQ(test::Differences(canvas(), line), "");
    mouse.press(50, 10);
    mouse.move(97, 10, Qt::LeftButton);
    mouse.release(97, 10);
    for (int x = 50; x <= 95; ++x) EXPECT_TRUE(lit(x, 10)) << x;
}

TEST_F(DrawingToolsTest, ADoubleClickIsTwoPresses) {
    Control<QRadioButton>(form, "lineTool")->click();
    mouse.doubleClick(20, 30);
    EXPECT_FALSE(state.lineActive);
    mouse.doubleClick(20, 30);
    mouse.click(20, 30);
    EXPECT_TRUE(state.lineActive);
}

class PressButtonTest : public DrawingToolsTest, public ::testing::WithParamInterface<Qt::MouseButton> {};

TEST_P(PressButtonTest, AnyButtonPutsADotAndFlipsTheSelectedToolsFlag) {
    Control<QRadioButton>(form, "lineTool")->click();
    mouse.click(20, 30, GetParam());
    EXPECT_TRUE(lit(20, 30));
    EXPECT_EQ(Control<QLabel>(form, "pressXLabel")->text(), "20");
    EXPECT_EQ(Control<QLabel>(form, "pressYLabel")->text(), "31");
    EXPECT_TRUE(state.lineActive);
    EXPECT_FALSE(state.circleActive);
    Control<QRadioButton>(form, "circleTool")->click();
    mouse.click(40, 40, GetParam());
    EXPECT_TRUE(lit(40, 40));
    EXPECT_TRUE(state.lineActive);
    EXPECT_TRUE(state.circleActive);
    Control<QRadioButton>(form, "freehandTool")->click();
    mouse.click(50, 50, GetParam());
    EXPECT_TRUE(state.lineActive);
    EXPECT_TRUE(state.circleActive);
}

INSTANTIATE_TEST_SUITE_P(Buttons, PressButtonTest,
                         ::testing::Values(Qt::LeftButton, Qt::RightButton, Qt::MiddleButton),
                         [](const auto& info) {
                             return info.param == Qt::LeftButton    ? "Left"
                                    : info.param == Qt::RightButton ? "Right"
                                                                    : "Middle";
                         });

struct WidthButton {
    const char* name;
    const char* button;  // its object name
    const char* other;   // selected first, so that the button changes
    int penWidth;
};

class PenWidthTest : public DrawingToolsTest, public ::testing::WithParamInterface<WidthButton> {};

TEST_P(PenWidthTest, SetsThePenWidthAndLeavesTheDrawingAlone) {
    Control<QRadioButton>(form, "lineTool")->click();
    mouse.click(10, 10);
    mouse.move(40, 20);
    Control<QRadioButton>(form, GetParam().other)->click();
    const auto before = Fields(state);
    const QImage drawn = canvas();

    QRadioButton* button = Control<QRadioButton>(form, GetParam().button);
    button->click();
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->penWidth(), GetParam().penWidth);
    for (QRadioButton* w :
         {Control<QRadioButton>(form, "penWidth1"), Control<QRadioButton>(form, "penWidth2"),
          Control<QRadioButton>(form, "penWidth5")})
        EXPECT_EQ(w->isChecked(), w == button);
    EXPECT_EQ(Fields(state), before);
    EXPECT_EQ(test::Differences(canvas(), drawn), "");

    // A press dot, and a horizontal stroke, are as many pixels across as
    // the pen is wide.
    QTest::mouseClick(Control<QPushButton>(form, "clearButton"), Qt::LeftButton);
    Control<QRadioButton>(form, "freehandTool")->click();
    mouse.click(30, 30);
    EXPECT_TRUE(lit(30, 30));
    EXPECT_EQ(litInColumn(30), GetParam().penWidth);
    QTest::mouseClick(Control<QPushButton>(form, "clearButton"), Qt::LeftButton);
    mouse.press(20, 50);
    mouse.move(70, 50, Qt::LeftButton);
    mouse.release(70, 50);
    EXPECT_EQ(litInColumn(45), GetParam().penWidth);
}

INSTANTIATE_TEST_SUITE_P(Widths, PenWidthTest,
                         ::testing::Values(WidthButton{"PenWidth1", "penWidth1", "penWidth5", 1},
                                           WidthButton{"PenWidth2", "penWidth2", "penWidth5", 2},
                                           WidthButton{"PenWidth5", "penWidth5", "penWidth2", 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DrawingToolsTest, ChoosingAToolLeavesTheDrawingStateAlone) {
    Control<QRadioButton>(form, "circleTool")->click();
    mouse.click(30, 30);
    mouse.move(40, 45);
    Control<QRadioButton>(form, "lineTool")->click();
    mouse.click(60, 10);
    const auto before = Fields(state);
    const QImage drawn = canvas();
    for (QRadioButton* option :
         {Control<QRadioButton>(form, "freehandTool"), Control<QRadioButton>(form, "circleTool"),
          Control<QRadioButton>(form, "lineTool")}) {
        option->click();
        EXPECT_EQ(Fields(state), before);
        EXPECT_EQ(test::Differences(canvas(), drawn), "");
    }
}

}  // namespace
}  // namespace marbleck
