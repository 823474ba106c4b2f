#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "widgets/PictureArea.h"

namespace marbleck {
namespace {

// The object canvas at 15 twips per pixel: 1500 twips outer, 14.4 twips a unit.
class CanvasTest : public ::testing::Test {
protected:
    CanvasTest() {
        canvas.setBackColor(Black);
        canvas.setUserScale(14.4, 14.4);
        canvas.setOuterSize(1500, 1500);
    }
    int whitePixels() const {
        int count = 0;
        const QImage& image = canvas.image();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == qRgb(255, 255, 255);
        return count;
    }
    PictureArea canvas;
};

TEST_F(CanvasTest, DrawingAreaIsTheOuterSizeLessTheBorder) {
    EXPECT_EQ(canvas.size(), QSize(100, 100));
    EXPECT_EQ(canvas.drawingAreaSize(), QSize(96, 96));
    EXPECT_EQ(canvas.contentsRect().topLeft(), QPoint(2, 2));
    EXPECT_FLOAT_EQ(canvas.outerWidth(), 1500.0f);
}

TEST_F(CanvasTest, UnitsMapToTheNearestPixel) {
    EXPECT_EQ(canvas.toPixel(0, 0), QPoint(0, 0));
    EXPECT_EQ(canvas.toPixel(1, 1), QPoint(1, 1));      // 0.96
    EXPECT_EQ(canvas.toPixel(12, 13), QPoint(12, 12));  // 11.52, 12.48
    EXPECT_EQ(canvas.toPixel(99, 99), QPoint(95, 95));
    EXPECT_EQ(canvas.toPixel(99.9f, 0.4f), QPoint(96, 0));
}

TEST_F(CanvasTest, PointReadsTheColourAndMinusOneOutside) {
    canvas.setPixel(10, 20, RGBColor(1, 2, 3));
    EXPECT_EQ(canvas.colorAt(10, 20), RGBColor(1, 2, 3));
    EXPECT_EQ(canvas.colorAt(11, 20), 0);
    EXPECT_EQ(canvas.colorAt(100, 0), -1);
    EXPECT_EQ(canvas.colorAt(-1, 0), -1);
    EXPECT_EQ(canvas.colorAt(0, 120), -1);
}

TEST_F(CanvasTest, DrawingMovesTheCurrentPosition) {
    canvas.setPixel(3, 4, White);
    EXPECT_EQ(canvas.currentPosition(), QPointF(3, 4));
    canvas.drawLineTo(30, 4, White);
    EXPECT_EQ(canvas.currentPosition(), QPointF(30, 4));
    EXPECT_EQ(canvas.colorAt(3, 4), White);
    EXPECT_EQ(canvas.colorAt(17, 4), White);
    EXPECT_EQ(canvas.colorAt(30, 4), White);
    canvas.drawCircle(50, 50, 10, White);
    EXPECT_EQ(canvas.currentPosition(), QPointF(50, 50));
    EXPECT_EQ(canvas.colorAt(60, 50), White);
    EXPECT_EQ(canvas.colorAt(50, 50), 0);
}

TEST_F(CanvasTest, ErasingAFigureInBlackLeavesNoTrace) {
    for (int width : {1, 2, 5}) {
        canvas.setPenWidth(width);
        canvas.drawLine(7, 9, 83, 41, White);
        canvas.drawLine(7, 9, 83, 41, Black);
        canvas.drawCircle(40, 60, 17.3f, White);
        canvas.drawCircle(40, 60, 17.3f, Black);
        canvas.drawCircle(40, 60, 0, White);
        canvas.drawCircle(40, 60, 0, Black);
        EXPECT_EQ(whitePixels(), 0) << "pen width " << width;
    }
}

TEST_F(CanvasTest, PenWidthAppliesToDotsLinesAndCircles) {
    canvas.setPixel(50, 50, White);
    EXPECT_EQ(whitePixels(), 1);
    canvas.clear();
    canvas.setPenWidth(5);
    canvas.setPixel(50, 50, White);
    EXPECT_GE(whitePixels(), 15);
    const int dot = whitePixels();
    canvas.clear();
    canvas.drawLine(20, 50, 60, 50, White);
    EXPECT_EQ(canvas.colorAt(40, 48), White);  // two pixels off the line's centre
    EXPECT_GT(whitePixels(), dot);
}

TEST_F(CanvasTest, DrawingOutsideIsClipped) {
    canvas.drawLine(-50, -50, 200, 200, White);
    canvas.drawCircle(0, 0, 500, White);
    canvas.setPixel(300, 300, White);
    EXPECT_EQ(canvas.colorAt(50, 50), White);
    EXPECT_EQ(canvas.drawingAreaSize(), QSize(96, 96));
}

TEST_F(CanvasTest, ClearKeepsTheBackgroundPicture) {
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(qRgb(0, 0, 255));
    canvas.setPicture(picture);
    canvas.setPixel(50, 50, White);
    canvas.clear();
    EXPECT_EQ(canvas.colorAt(50, 50), 0);
    EXPECT_EQ(canvas.colorAt(0, 0), RGBColor(0, 0, 255));
    EXPECT_EQ(canvas.image().pixel(9, 9), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.image().pixel(10, 10), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.currentPosition(), QPointF(0, 0));
}

TEST_F(CanvasTest, ResizingKeepsDrawingsInPlace) {
    canvas.setPixel(10, 10, White);
    canvas.setOuterSize(2480, 1500);
    EXPECT_EQ(canvas.drawingAreaSize(), QSize(161, 96));
    EXPECT_EQ(canvas.colorAt(10, 10), White);
    EXPECT_EQ(canvas.colorAt(150, 10), 0);
}

TEST_F(CanvasTest, MouseArrivesInUnits) {
    QSignalSpy presses(&canvas, &PictureArea::mousePressed);
    QSignalSpy moves(&canvas, &PictureArea::mouseMoved);
    canvas.show();
    // Pixel 24 of the drawing area is 2 + 24 in the widget; 24 px = 25 units.
    QTest::mousePress(&canvas, Qt::RightButton, {}, QPoint(26, 2 + 48));
    ASSERT_EQ(presses.size(), 1);
    EXPECT_EQ(presses[0][0].value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_FLOAT_EQ(presses[0][2].toFloat(), 25.0f);
    EXPECT_FLOAT_EQ(presses[0][3].toFloat(), 50.0f);
    QTest::mouseRelease(&canvas, Qt::RightButton, {}, QPoint(26, 50));
}

TEST(ViewTest, GreyColumnsArePaintedInBulkAndClipped) {
    PictureArea view;
    view.setBackColor(15);
    view.setOuterSize(150, 120);  // 10 × 8 pixels outer, 6 × 4 inside
    EXPECT_EQ(view.image().pixel(0, 0), qRgb(15, 0, 0));
    // 8 columns of 5 rows, column-major: level = 10·u + v.
    std::vector<std::uint8_t> grey;
    for (int u = 0; u < 8; ++u)
        for (int v = 0; v < 5; ++v) grey.push_back(static_cast<std::uint8_t>(10 * u + v));
    view.paintGreyColumns(grey.data(), 8, 5);
    EXPECT_EQ(view.colorAt(0, 0), 0);
    EXPECT_EQ(view.colorAt(3, 2), RGBColor(32, 32, 32));
    EXPECT_EQ(view.colorAt(5, 3), RGBColor(53, 53, 53));
    EXPECT_EQ(view.colorAt(6, 0), -1);
}

// An area larger than its shown bound keeps its sizes and image; the screen
// shows all of it scaled down, aspect and border kept, and a press lands on
// the image pixel beneath it.
TEST(ViewTest, LargerThanItsBoundItIsShownScaledDown) {
    PictureArea view;
    view.setDrawingAreaSize(QSize(400, 200));
    QImage picture(400, 200, QImage::Format_RGB32);
    picture.fill(Qt::black);
    for (int y = 100; y < 200; ++y)
        for (int x = 200; x < 400; ++x) picture.setPixel(x, y, qRgb(255, 255, 255));
    view.setPicture(picture);
    view.setShownBound(QSize(104, 104));
    EXPECT_EQ(view.drawingAreaSize(), QSize(400, 200));
    EXPECT_EQ(view.image(), picture);
    EXPECT_EQ(view.size(), QSize(104, 54));
    EXPECT_DOUBLE_EQ(view.shownScale(), 0.25);

    const QImage shown = view.grab().toImage();
    EXPECT_EQ(qGray(shown.pixel(2 + 20, 2 + 10)), 0);
    EXPECT_EQ(qGray(shown.pixel(2 + 80, 2 + 40)), 255);
    EXPECT_EQ(qGray(shown.pixel(2 + 99, 2 + 49)), 255);  // the far corner is there

    QSignalSpy presses(&view, &PictureArea::mousePressed);
    view.show();
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(2 + 75, 2 + 30));
    ASSERT_EQ(presses.size(), 1);
    EXPECT_FLOAT_EQ(presses[0][2].toFloat(), 300.0f);
    EXPECT_FLOAT_EQ(presses[0][3].toFloat(), 120.0f);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(2 + 75, 2 + 30));

    // One that fits is shown at its own size.
    view.setDrawingAreaSize(QSize(60, 30));
    EXPECT_EQ(view.size(), QSize(64, 34));
    EXPECT_DOUBLE_EQ(view.shownScale(), 1.0);
}

}  // namespace
}  // namespace marbleck
