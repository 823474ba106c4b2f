#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QFile>
#include <QImage>
#include <QRadioButton>
#include <algorithm>
#include <utility>
#include <vector>

#include "CanvasMouse.h"
#include "Controls.h"
#include "ReferenceCanvas.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "engine/core/HologramGeometry.h"
#include "input/ObjectSamples.h"
#include "input/picture/PictureSamples.h"
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

// The address space this process has mapped, from /proc/self/status.
rlim_t MappedBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:")) return line.mid(7).trimmed().split(' ').front().toULongLong() * 1024;
    return 0;
}

std::vector<std::pair<int, int>> Pairs(const std::vector<ObjectPoint>& points) {
    std::vector<std::pair<int, int>> pairs;
    for (const ObjectPoint& p : points) pairs.emplace_back(p.x, p.y);
    return pairs;
}

// The canvas's object: its fractional size in pixels and the samples of
// reading each point.
TEST(ObjectSamples, CanvasObjectHasTheCanvasSizeAndItsSamples) {
    test::ReferenceCanvas canvas;
    canvas.setOuterSize(2480, 1990);  // 165.33 × 132.67 pixels, border included
    canvas.drawCircle(80, 60, 30, White);
    const HologramObject object = CanvasObject(canvas);
    EXPECT_EQ(object.width, 2480.0f / Screen::TwipsPerPixelX());
    EXPECT_EQ(object.height, 1990.0f / Screen::TwipsPerPixelY());
    const std::vector<ObjectPoint> expected = PointByPoint(canvas, GeometryOf(canvas));
    ASSERT_GT(expected.size(), 100u);
    EXPECT_EQ(Pairs(object.litSamples), Pairs(expected));
}

// A picture of another format, read strip by strip, gives the samples of
// its 32-bit form, with rows and columns read twice, out of order and
// outside the picture.
TEST(ObjectSamples, EveryFormatGivesTheSamplesOfItsThirtyTwoBitForm) {
    QImage grey(300, 250, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            grey.scanLine(y)[x] = static_cast<uchar>((x * 7 + y * 13) % 5 == 0 ? 0 : (x + y) % 256);
    SampleGrid grid;
    grid.pixelColumns = {0, 1, 1, 299, 300, -1, 150, 42};
    for (int y = 249; y >= -3; y -= 2) grid.pixelRows.push_back(y);
    grid.pixelRows.push_back(120);
    grid.pixelRows.push_back(250);
    for (const QImage::Format format :
         {QImage::Format_Grayscale8, QImage::Format_Indexed8, QImage::Format_RGB888, QImage::Format_Mono}) {
        const QImage picture = grey.convertToFormat(format);
        std::vector<ObjectPoint> expected, points;
        LitSamples(picture.convertToFormat(QImage::Format_RGB32), grid, expected);
        LitSamples(picture, grid, points);
        ASSERT_GT(expected.size(), 100u) << format;
        EXPECT_EQ(Pairs(points), Pairs(expected)) << format;
    }
}

// A one-bit picture of 8192 × 4096 (4 MiB; 128 MiB in 32 bits) with three
// lit pixels, read under an address-space limit: with 32 MiB of room it is
// read whole, strip by strip; with no room it is no memory, never an object
// with fewer points.
TEST(ObjectSamples, APictureIsReadWholeUnderAMemoryLimitOrIsOutOfMemory) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a sanitized program cannot run under an address-space limit";
#endif
    QImage picture(8192, 4096, QImage::Format_Mono);
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    picture.fill(1);
    for (const QPoint& p : {QPoint(0, 4095), QPoint(5000, 7), QPoint(8191, 2000)}) picture.setPixel(p, 0);
    const SampleGrid grid = PixelSampleGrid(8192, 4096);
    const std::vector<std::pair<int, int>> expected{{0, 4095}, {5000, 7}, {8191, 2000}};

    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &previous), 0);
    for (const rlim_t room : {rlim_t{32} << 20, rlim_t{0}}) {
        SCOPED_TRACE(room);
        std::vector<ObjectPoint> points;
        const rlim_t mapped = MappedBytes();
        ASSERT_GT(mapped, 0u);
        const rlimit limit{mapped + room, previous.rlim_max};
        ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
        bool outOfMemory = false;
        try {
            LitSamples(picture, grid, points);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
        setrlimit(RLIMIT_AS, &previous);
        if (room > 0) {
            EXPECT_FALSE(outOfMemory);
            EXPECT_EQ(Pairs(points), expected);
        } else {
            EXPECT_TRUE(outOfMemory) << points.size() << " points";
        }
    }
}

}  // namespace
}  // namespace marbleck

namespace marbleck {
namespace {

// Each sample's brightness is its own pixel's brightest channel, through a
// grid that reads some pixels twice and from a picture that is not 32-bit.
TEST(ObjectSamples, BrightnessIsTheBrightestChannelOfEachSamplesPixel) {
    QImage picture(40, 30, QImage::Format_RGB888);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb((x * 37) % 256, (y * 53) % 256, ((x + y) * 11) % 256));
    SampleGrid grid;
    grid.pixelColumns = {0, 3, 3, 39, 20, 7};
    grid.pixelRows = {29, 0, 14, 14, 5};
    std::vector<ObjectPoint> samples;
    LitSamples(picture, grid, samples);
    ASSERT_GT(samples.size(), 20u);
    const std::vector<float> brightness = SampleBrightness(picture, grid, samples);
    ASSERT_EQ(brightness.size(), samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const QRgb pixel = picture.pixel(grid.pixelColumns[static_cast<std::size_t>(samples[i].x)],
                                         grid.pixelRows[static_cast<std::size_t>(samples[i].y)]);
        EXPECT_EQ(brightness[i],
                  static_cast<float>(std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)})) / 255.0f)
            << i;
    }
    const HologramObject whole = PictureObject(picture);
    EXPECT_EQ(PictureBrightness(picture, whole.litSamples).size(), whole.litSamples.size());
}

}  // namespace
}  // namespace marbleck
