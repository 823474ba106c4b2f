#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "widgets/ZoomView.h"

namespace marbleck {
namespace {

// A view shown and active, so that its window's keys reach it.
class ZoomViewTest : public ::testing::Test {
protected:
    ZoomViewTest() {
        view.resize(300, 200);
        view.show();
        view.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
    }
    // What the screen shows of the picture, one image pixel a screen pixel.
    QImage shown() const {
        return view.findChild<QLabel*>(QStringLiteral("zoomedPicture"))->pixmap().toImage();
    }
    ZoomView view;
};

// A picture smaller than the room is enlarged by a whole number of screen
// pixels a picture pixel, so that every pixel shows as an even square.
TEST_F(ZoomViewTest, SmallPictureIsEnlargedByWholePixels) {
    QImage picture(20, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) picture.setPixel(x, y, qRgb(10 * x, 20 * y, 7));
    view.setPicture(picture);
    const QSize room = view.maximumViewportSize();
    const int k = std::min(room.width() / 20, room.height() / 10);
    ASSERT_GE(k, 2);
    EXPECT_DOUBLE_EQ(view.scale(), k);
    ASSERT_EQ(view.shownSize(), QSize(20 * k, 10 * k));
    const QImage screen = shown().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < 10 * k; ++y)
        for (int x = 0; x < 20 * k; ++x)
            ASSERT_EQ(screen.pixel(x, y), picture.pixel(x / k, y / k)) << x << "," << y;
}

// Zooming stops where the shown picture would pass MaxShownSide pixels a
// side, and where a picture pixel would be less than 1/64 of a screen pixel.
TEST_F(ZoomViewTest, ZoomStopsAtItsBounds) {
    QImage picture(512, 256, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    view.setPicture(picture);
    for (int step = 0; step < 40; ++step) QTest::keyClick(&view, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(view.shownSize().width(), ZoomView::MaxShownSide);
    EXPECT_DOUBLE_EQ(view.scale(), 16.0);
    for (int step = 0; step < 80; ++step) QTest::keyClick(&view, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view.scale(), 1.0 / 64);
    EXPECT_EQ(view.shownSize(), QSize(8, 4));
    QTest::keyClick(&view, Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(view.fits());
    EXPECT_LE(view.shownSize().width(), view.maximumViewportSize().width());
}

}  // namespace
}  // namespace marbleck
