// What the canvas shows of a loaded bitmap: the same on every load, black
// wherever the file sets no pixel, and no more of the picture kept than the
// canvas can show.
#include <QImage>
#include <QPushButton>
#include <set>
#include <vector>

#include "Controls.h"
#include "FilesFixture.h"
#include "input/ObjectBitmapLoader.h"
#include "platform/RunTimeError.h"
#include "widgets/PictureArea.h"

namespace marbleck::test {
namespace {

constexpr int Side = 40;  // the canvas shows the top-left 36 × 36 pixels

// A broken file and the grey levels each pixel may show. Stored row j is
// picture row Side − 1 − j. Black (0) where the file sets nothing; two levels
// where decoders may differ (a run past the end of a row either stops there or
// goes on into the next row in memory, which is the row stored before it).
struct BrokenPicture {
    const char* name;
    Bitmap8 (*bitmap)();
    std::set<int> (*greys)(int x, int storedRow);
};

void PrintTo(const BrokenPicture& picture, std::ostream* out) { *out << picture.name; }

Bitmap8 palette(int entries) {
    Bitmap8 b;
    b.width = Side;
    b.height = Side;
    b.colours.resize(static_cast<std::size_t>(entries));
    const int step = 255 / (entries - 1);
    for (int i = 0; i < entries; ++i) {
        const auto level = static_cast<std::uint32_t>(i * step);
        b.colours[static_cast<std::size_t>(i)] = level | level << 8 | level << 16;
    }
    return b;
}

// Ten whole stored rows of index 77 and half of the eleventh of index 99,
// then the file ends.
Bitmap8 truncated() {
    Bitmap8 b = palette(256);
    b.pixels.assign(10 * Side, 77);
    b.pixels.insert(b.pixels.end(), Side / 2, 99);
    return b;
}

std::set<int> truncatedGreys(int x, int j) {
    if (j < 10) return {77};
    if (j == 10 && x < Side / 2) return {99};
    return {0};
}

// The same in 24 bits (3 bytes a pixel, blue, green, red). Decoders may drop
// a row the file holds only part of.
Bitmap8 truncated24() {
    Bitmap8 b = palette(2);
    b.colours.clear();
    b.bitCount = 24;
    b.pixels.assign(10 * 3 * Side, 77);
    b.pixels.insert(b.pixels.end(), 3 * Side / 2, 99);
    return b;
}

std::set<int> truncated24Greys(int x, int j) {
    if (j == 10 && x < Side / 2) return {0, 99};
    return truncatedGreys(x, j);
}

// Run-length streams that jump over rows, run past the end of a row, jump
// past the end of a row and past the top of the picture, and end without
// their end-of-bitmap code. Each code: count and value, or 0 and an escape
// (0 end of row, 2 jump right and up by the next two bytes).
std::vector<std::uint8_t> brokenStream(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return {0,  2, 0, 10,                // jump up to stored row 10
            40, a, 0, 0,                 // row 10: whole row, end of row
            60, b, 0, 0,                 // row 11: 60 pixels in a row of 40
            5,  c, 0, 2,  50, 0,  0, 0,  // row 12: 5 pixels, jump right past the end
            8,  d, 0, 2,  0,  100};      // row 13: 8 pixels, jump past the top; no end code
}

Bitmap8 rle8() {
    Bitmap8 b = palette(256);
    b.compression = 1;
    b.pixels = brokenStream(100, 120, 140, 180);
    return b;
}

std::set<int> rle8Greys(int x, int j) {
    if (j == 10) return x < 20 ? std::set<int>{100, 120} : std::set<int>{100};
    if (j == 11) return {120};
    if (j == 12 && x < 5) return {140};
    if (j == 13 && x < 8) return {180};
    return {0};
}

// The same in 4 bits: each value byte holds two pixels; indices 5, 6, 7 and 9
// of a 16-entry grey ramp (steps of 17).
Bitmap8 rle4() {
    Bitmap8 b = palette(16);
    b.bitCount = 4;
    b.compression = 2;
    b.pixels = brokenStream(0x55, 0x66, 0x77, 0x99);
    return b;
}

std::set<int> rle4Greys(int x, int j) {
    if (j == 10) return x < 20 ? std::set<int>{85, 102} : std::set<int>{85};
    if (j == 11) return {102};
    if (j == 12 && x < 5) return {119};
    if (j == 13 && x < 8) return {153};
    return {0};
}

class LoadedPictureTest : public FilesFixture {
protected:
    // Loads a white picture of the same size and depth first, so that memory
    // freed by that load holds white, then the broken file; returns the canvas.
    QImage canvasAfterLoading(const QString& name) {
        load("white.bmp");
        EXPECT_TRUE(errors.empty());
        load(name);
        EXPECT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
        return Control<PictureArea>(*form, "objectCanvas")->image();
    }
};

class BrokenPictureTest : public LoadedPictureTest, public ::testing::WithParamInterface<BrokenPicture> {};

TEST_P(BrokenPictureTest, CanvasIsTheSameOnEveryLoadAndBlackWhereTheFileSetsNothing) {
    const BrokenPicture broken = GetParam();
    Bitmap8 white = broken.bitmap();
    white.compression = 0;
    white.pixels.assign(static_cast<std::size_t>((Side * white.bitCount + 31) / 32 * 4 * Side), 0xFF);
    writeBitmap("white.bmp", white);
    writeBitmap("broken.bmp", broken.bitmap());

    const QImage first = canvasAfterLoading("broken.bmp");
    const QImage second = canvasAfterLoading("broken.bmp");
    ASSERT_EQ(first.size(), QSize(Side - 4, Side - 4));
    EXPECT_EQ(first, second);
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < first.width(); ++x) {
            const QRgb shown = first.pixel(x, y);
            const std::set<int> greys = broken.greys(x, Side - 1 - y);
            ASSERT_TRUE(qRed(shown) == qGreen(shown) && qGreen(shown) == qBlue(shown) &&
                        greys.count(qRed(shown)) == 1)
                << "x=" << x << " stored row " << Side - 1 - y << " shows " << std::hex << shown;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenPictureTest,
                         ::testing::Values(BrokenPicture{"Truncated", truncated, truncatedGreys},
                                           BrokenPicture{"Truncated24Bit", truncated24, truncated24Greys},
                                           BrokenPicture{"BrokenRle8", rle8, rle8Greys},
                                           BrokenPicture{"BrokenRle4", rle4, rle4Greys}),
                         [](const auto& info) { return std::string(info.param.name); });

// A 32-bit bitmap with a version 5 header whose alpha mask makes the decoder
// choose a picture format with alpha, which its headers alone do not foretell.
QByteArray version5WithAlpha(int storedRows) {
    Bitmap8 b;
    b.width = Side;
    b.height = Side;
    b.colours.clear();
    b.bitCount = 32;
    QByteArray bytes = withField(withField(b.bytes().left(54), 14, 4, 124), 10, 4, 138);
    QByteArray extra(84, 0);
    extra = withField(extra, 0, 4, 0x00FF0000);
    extra = withField(extra, 4, 4, 0x0000FF00);
    extra = withField(extra, 8, 4, 0x000000FF);
    extra = withField(extra, 12, 4, 0xFF000000);
    bytes += extra;
    for (int i = 0; i < storedRows * Side; ++i) bytes += QByteArray("\x30\x60\x90\xff", 4);
    return bytes;
}

TEST_F(LoadedPictureTest, TruncatedAlphaBitmapIsBlackWhereTheFileSetsNothing) {
    writeFile(homePath("v5.bmp"), version5WithAlpha(Side));
    writeFile(homePath("white.bmp"), Bitmap8::filled(Side, Side, 255).bytes());
    writeFile(homePath("v5short.bmp"), version5WithAlpha(20));
    load("v5.bmp");
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->image().pixel(0, 0), qRgb(0x90, 0x60, 0x30));
    // 20 stored rows: picture rows 20 to 39; the canvas shows rows 0 to 35.
    const QImage shown = canvasAfterLoading("v5short.bmp");
    for (int y = 0; y < shown.height(); ++y) {
        ASSERT_EQ(shown.pixel(0, y), y < 20 ? qRgb(0, 0, 0) : qRgb(0x90, 0x60, 0x30)) << y;
    }
}

// 120 bytes that claim 8192 × 4096 pixels: a two-entry colour table and a
// run-length stream that sets the start of the 14 bottom rows.
QByteArray hugeRunLengthFile(int width, int height) {
    Bitmap8 b;
    b.width = width;
    b.height = height;
    b.compression = 1;
    b.colours = {0x000000, 0xFFFFFF};
    for (int row = 0; row < 14; ++row) {
        b.pixels.insert(b.pixels.end(), {255, 1});
        b.pixels.insert(b.pixels.end(), {0, 0});
    }
    b.pixels.insert(b.pixels.end(), {0, 1});
    return b.bytes();
}

TEST_F(LoadedPictureTest, HugeRunLengthPictureKeepsOnlyWhatTheCanvasShows) {
    const QByteArray bytes = hugeRunLengthFile(8192, 4096);
    ASSERT_EQ(bytes.size(), 120);
    ASSERT_LE(std::int64_t{8192} * 4096, MaxPicturePixels);
    writeFile(homePath("huge.bmp"), bytes);
    load("huge.bmp");
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();

    const QSize area = Control<PictureArea>(*form, "objectCanvas")->drawingAreaSize();
    EXPECT_EQ(area, QSize(161, 161));
    const QImage kept = Control<PictureArea>(*form, "objectCanvas")->picture();
    EXPECT_LE(kept.width(), area.width());
    EXPECT_LE(kept.height(), area.height());
    // The stream sets only the bottom rows: the top-left of the picture, all
    // the canvas shows, is black.
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->image().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->image().pixel(160, 160), qRgb(0, 0, 0));
}

TEST_F(LoadedPictureTest, PictureOverThePixelLimitIsRefusedNamingItsSize) {
    writeFile(homePath("huge.bmp"), hugeRunLengthFile(8192, 4097));
    const QImage canvasBefore = Control<PictureArea>(*form, "objectCanvas")->image();
    load("huge.bmp");
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::InvalidPicture);
    EXPECT_TRUE(errors.errors().front().description.contains(QStringLiteral("8192 × 4097 pixels")))
        << errors.errors().front().description.toStdString();
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->image(), canvasBefore);
}

}  // namespace
}  // namespace marbleck::test
