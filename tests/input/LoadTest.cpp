#include <QBuffer>
#include <QImage>
#include <QPushButton>
#include <algorithm>

#include "CaseName.h"
#include "Controls.h"
#include "FilesFixture.h"
#include "platform/RunTimeError.h"
#include "widgets/PictureArea.h"

namespace marbleck::test {
namespace {

class LoadTest : public FilesFixture {
protected:
    QRgb view(int x, int y) const { return Control<PictureArea>(*form, "hologramView")->image().pixel(x, y); }
    QRgb canvas(int x, int y) const {
        return Control<PictureArea>(*form, "objectCanvas")->image().pixel(x, y);
    }
};

const QRgb white = qRgb(255, 255, 255);
const QRgb black = qRgb(0, 0, 0);
const QRgb viewBackground = qRgb(15, 0, 0);

struct Sizes {
    int width, height;
    float canvasWidth, canvasHeight, viewSide;  // twips at 15 twips per pixel
};

class LoadSizeTest : public LoadTest, public ::testing::WithParamInterface<Sizes> {};

TEST_P(LoadSizeTest, CanvasTakesTheCappedSizeAndTheViewItsHeightSquared) {
    const Sizes s = GetParam();
    Bitmap8 bitmap = Bitmap8::filled(s.width, s.height, 0);
    // Top-left pixel (the last stored row): grey 200 on the canvas.
    bitmap.pixels[static_cast<std::size_t>((s.height - 1) * Bitmap8::rowBytes(s.width))] = 200;
    writeBitmap("object.bmp", bitmap);
    load("object.bmp");
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    EXPECT_FALSE(window().isVisible());

    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerWidth(), s.canvasWidth);
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerHeight(), s.canvasHeight);
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "hologramView")->outerWidth(), s.viewSide);
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "hologramView")->outerHeight(), s.viewSide);
    const int side = qRound(s.viewSide / 15) - 4;  // less the sunken border
    EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->drawingAreaSize(), QSize(side, side));

    // The canvas shows the picture as decoded, from its top-left corner, and
    // keeps no more of it than its drawing area shows.
    const QSize area(qRound(s.canvasWidth / 15) - 4, qRound(s.canvasHeight / 15) - 4);
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->drawingAreaSize(), area);
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->picture().size(),
              QSize(std::min(s.width, area.width()), std::min(s.height, area.height())));
    EXPECT_EQ(canvas(0, 0), qRgb(200, 200, 200));
    EXPECT_EQ(canvas(0, 1), black);
    EXPECT_EQ(canvas(1, 0), black);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, LoadSizeTest,
    ::testing::Values(Sizes{100, 100, 1500, 1500, 1500}, Sizes{200, 100, 2480, 1500, 1500},
                      Sizes{100, 200, 1500, 2480, 2480}, Sizes{165, 166, 2475, 2480, 2480}),
    [](const auto& info) { return test::CaseName(info.param.width, "x", info.param.height); });

TEST_F(LoadTest, PaddingColumnsOfWidthTenShowInThePreview) {
    // Width 10: rows of 12 bytes. Pixel bytes are 1; the two padding bytes are
    // 7 in even stored rows and 0 in odd ones.
    Bitmap8 bitmap = Bitmap8::filled(10, 20, 1);
    for (int j = 0; j < 20; ++j)
        for (int x = 10; x < 12; ++x) bitmap.pixels[j * 12 + x] = j % 2 == 0 ? 7 : 0;
    writeBitmap("ten.bmp", bitmap);
    load("ten.bmp");
    ASSERT_TRUE(errors.empty());
    // The view is 300 twips square: 16 × 16 drawing pixels. y = 19 − j.
    ASSERT_EQ(Control<PictureArea>(*form, "hologramView")->drawingAreaSize(), QSize(16, 16));
    for (int y = 0; y < 16; ++y) {
        const int j = 19 - y;
        for (int x = 0; x < 10; ++x) ASSERT_EQ(view(x, y), white) << x << "," << y;
        EXPECT_EQ(view(10, y), j % 2 == 0 ? white : black) << y;
        EXPECT_EQ(view(11, y), j % 2 == 0 ? white : black) << y;
        // Beyond the stored bytes the view keeps what it showed before.
        EXPECT_EQ(view(12, y), viewBackground) << y;
    }
}

TEST_F(LoadTest, FirstStoredRowIsDrawnAtTheBottom) {
    // 100 rows: stored row j goes to y = 99 − j; the drawing area shows y up
    // to 95, so stored row 4 is its bottom line and stored row 99 its top.
    Bitmap8 bitmap = Bitmap8::filled(100, 100, 0);
    bitmap.colours[1] = 0xFFFFFF;
    for (int x = 0; x < 100; ++x) {
        bitmap.pixels[4 * 100 + x] = 1;
        bitmap.pixels[99 * 100 + x] = x < 50 ? 1 : 0;
    }
    writeBitmap("rows.bmp", bitmap);
    load("rows.bmp");
    ASSERT_TRUE(errors.empty());
    ASSERT_EQ(Control<PictureArea>(*form, "hologramView")->drawingAreaSize(), QSize(96, 96));
    EXPECT_EQ(view(30, 95), white);
    EXPECT_EQ(view(30, 94), black);
    EXPECT_EQ(view(30, 0), white);
    EXPECT_EQ(view(60, 0), black);
    EXPECT_EQ(view(30, 1), black);
    // The canvas shows the decoded picture the same way up.
    EXPECT_EQ(canvas(30, 95), white);
    EXPECT_EQ(canvas(30, 0), white);
    EXPECT_EQ(canvas(60, 0), black);
}

TEST_F(LoadTest, ColourTableMatterstoTheCanvasButNotToThePreview) {
    Bitmap8 bitmap = Bitmap8::filled(8, 8, 0);
    bitmap.colours[0] = 0xFFFFFF;  // index 0 white, index 1 black
    bitmap.colours[1] = 0;
    bitmap.pixels[7 * 8 + 1] = 1;  // top row, x = 1
    writeBitmap("inverted.bmp", bitmap);
    load("inverted.bmp");
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(canvas(0, 0), white);
    EXPECT_EQ(canvas(1, 0), black);
    EXPECT_EQ(view(0, 0), black);
    EXPECT_EQ(view(1, 0), white);
}

TEST_F(LoadTest, SecondLoadReplacesEverything) {
    writeBitmap("big.bmp", Bitmap8::filled(100, 100, 1));
    writeBitmap("small.bmp", Bitmap8::filled(6, 30, 0));
    load("big.bmp");
    ASSERT_TRUE(errors.empty());
    load("small.bmp");
    ASSERT_TRUE(errors.empty());
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerWidth(), 90);
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerHeight(), 450);
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "hologramView")->outerWidth(), 450);
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->picture().size(),
              QSize(2, 26));  // the drawing area
    // The new preview is black over the 8 stored columns; the rest of the view
    // still shows the white of the first preview.
    EXPECT_EQ(view(7, 10), black);
    EXPECT_EQ(view(8, 10), white);
}

TEST_F(LoadTest, NameThatIsThePatternItselfLoadsNothing) {
    writeBitmap("*.bmp", Bitmap8::filled(40, 40, 1));
    const QImage before = Control<PictureArea>(*form, "hologramView")->image();
    load("*.bmp");
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(window().isVisible());
    EXPECT_FLOAT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerWidth(), 1500);
    EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->image(), before);
}

TEST_F(LoadTest, TwentyFourBitBitmapShowsOnTheCanvasWithAScrambledPreview) {
    // 6 × 6, 24 bits, rows of 20 bytes; the file ends long before offset 1078,
    // so the preview reads zeros. The canvas shows the top-left 2 × 2 pixels.
    Bitmap8 header = Bitmap8::filled(6, 6, 0);
    header.colours.clear();
    header.bitCount = 24;
    QByteArray bytes = header.bytes().left(54);
    QByteArray rows(6 * 20, 0);
    // Blue, green, red per pixel. Top row (stored last): red, green; the row
    // below it: blue, white.
    const char top[] = {0, 0, '\xff', 0, '\xff', 0};
    const char below[] = {'\xff', 0, 0, '\xff', '\xff', '\xff'};
    rows.replace(5 * 20, 6, top, 6);
    rows.replace(4 * 20, 6, below, 6);
    bytes.append(rows);
    writeFile(homePath("colour.bmp"), bytes);
    load("colour.bmp");
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    ASSERT_EQ(Control<PictureArea>(*form, "objectCanvas")->drawingAreaSize(), QSize(2, 2));
    EXPECT_EQ(canvas(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(canvas(1, 0), qRgb(0, 255, 0));
    EXPECT_EQ(canvas(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(canvas(1, 1), white);
}

// Files that must be refused before anything changes.
struct BadFile {
    const char* name;
    QByteArray (*bytes)();
    int error;
    const char* mentions = "";  // a part of the error's description
};

// Names the case in test listings (the default prints its bytes, addresses included).
void PrintTo(const BadFile& file, std::ostream* out) { *out << file.name; }

class FailedLoadTest : public LoadTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(FailedLoadTest, ChangesNothing) {
    writeBitmap("good.bmp", Bitmap8::filled(20, 20, 1));
    load("good.bmp");
    ASSERT_TRUE(errors.empty());
    const float canvasWidth = Control<PictureArea>(*form, "objectCanvas")->outerWidth();
    const float canvasHeight = Control<PictureArea>(*form, "objectCanvas")->outerHeight();
    const QImage canvasImage = Control<PictureArea>(*form, "objectCanvas")->image();
    const QImage canvasPicture = Control<PictureArea>(*form, "objectCanvas")->picture();
    const float viewWidth = Control<PictureArea>(*form, "hologramView")->outerWidth();
    const QImage viewImage = Control<PictureArea>(*form, "hologramView")->image();

    const BadFile bad = GetParam();
    writeFile(homePath("bad.bmp"), bad.bytes());
    Control<QPushButton>(*form, "loadButton")->click();
    select(home.path(), "bad.bmp");
    if (bad.error == ErrorNumber::FileNotFound) QFile::remove(homePath("bad.bmp"));
    pressOpen();

    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), bad.error) << errors.errors().front().description.toStdString();
    EXPECT_TRUE(errors.errors().front().description.contains(QString::fromUtf8(bad.mentions)))
        << errors.errors().front().description.toStdString();
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerWidth(), canvasWidth);
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->outerHeight(), canvasHeight);
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->image(), canvasImage);
    EXPECT_EQ(Control<PictureArea>(*form, "objectCanvas")->picture(), canvasPicture);
    EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->outerWidth(), viewWidth);
    EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->image(), viewImage);
}

QByteArray withDimensions(int width, int height) {
    Bitmap8 b = Bitmap8::filled(4, 4, 1);
    b.width = width;
    b.height = height;
    return b.bytes();
}

QByteArray compressed(std::uint32_t compression, std::vector<std::uint8_t> pixels = {0, 1}) {
    Bitmap8 b = Bitmap8::filled(4, 4, 1);
    b.compression = compression;
    b.pixels = std::move(pixels);
    return b.bytes();
}

// A picture of another kind, as the platform writes it.
QByteArray savedAs(const char* format) {
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(qRgb(255, 255, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes;
}

// A file that begins with `head`, padded to the size of a small bitmap.
QByteArray beginningWith(const QByteArray& head) { return head + QByteArray(200, '\x01'); }

INSTANTIATE_TEST_SUITE_P(
    BadFiles, FailedLoadTest,
    ::testing::Values(
        BadFile{"Vanished", [] { return Bitmap8::filled(4, 4, 1).bytes(); }, ErrorNumber::FileNotFound},
        BadFile{"Empty", [] { return QByteArray(); }, ErrorNumber::InvalidPicture},
        BadFile{"ShorterThanItsHeaders", [] { return Bitmap8::filled(4, 4, 1).bytes().left(40); },
                ErrorNumber::InvalidPicture},
        BadFile{"NinetyNineBitsPerPixel",
                [] { return withField(Bitmap8::filled(4, 4, 1).bytes(), 28, 2, 99); },
                ErrorNumber::InvalidPicture, "99 bits per pixel are not supported"},
        BadFile{"TwoColourPlanes", [] { return withField(Bitmap8::filled(4, 4, 1).bytes(), 26, 2, 2); },
                ErrorNumber::InvalidPicture, "2 colour planes"},
        BadFile{"RleFourOnEightBits", [] { return compressed(2); }, ErrorNumber::InvalidPicture,
                "compression 2 (RLE4) is not supported for 8-bit bitmaps"},
        BadFile{"JpegInsideABitmap", [] { return compressed(4); }, ErrorNumber::InvalidPicture,
                "compression 4 (JPEG)"},
        BadFile{"PngInsideABitmap", [] { return compressed(5); }, ErrorNumber::InvalidPicture,
                "compression 5 (PNG)"},
        BadFile{"UnknownInfoHeaderSize",
                [] { return withField(Bitmap8::filled(4, 4, 1).bytes(), 14, 4, 56); },
                ErrorNumber::InvalidPicture, "information headers of 56 bytes"},
        BadFile{"MoreThan256Colours", [] { return withField(Bitmap8::filled(4, 4, 1).bytes(), 46, 4, 300); },
                ErrorNumber::InvalidPicture, "300 colours"},
        BadFile{"EndsBeforeItsPixelData", [] { return Bitmap8::filled(4, 4, 1).bytes().left(1078); },
                ErrorNumber::InvalidPicture, "ends before its pixel data"},
        BadFile{"CompressedDataEndsInsideARun",
                [] {
                    return compressed(1, {0, 4, 1, 2});
                },
                ErrorNumber::InvalidPicture, "ends inside its compressed pixel data"},
        // A top-down bitmap decodes, but the preview's rows would stand on their heads.
        BadFile{"NegativeHeight", [] { return withDimensions(4, -4); }, ErrorNumber::InvalidPicture,
                "negative height"},
        BadFile{"ZeroWidth", [] { return withDimensions(0, 4); }, ErrorNumber::InvalidPicture},
        BadFile{"HugeClaimInASmallFile", [] { return withDimensions(60000, 60000); },
                ErrorNumber::InvalidPicture, "bad.bmp is 60000 × 60000 pixels, more than"},
        // Other kinds of picture named .bmp.
        BadFile{"Png", [] { return savedAs("PNG"); }, ErrorNumber::InvalidPicture,
                "bad.bmp is a PNG image, not a bitmap"},
        BadFile{"Xpm", [] { return savedAs("XPM"); }, ErrorNumber::InvalidPicture,
                "bad.bmp is an XPM image, not a bitmap"},
        BadFile{"Jpeg", [] { return beginningWith("\xff\xd8\xff\xe0"); }, ErrorNumber::InvalidPicture,
                "bad.bmp is a JPEG image, not a bitmap"},
        BadFile{"Gif", [] { return beginningWith("GIF89a"); }, ErrorNumber::InvalidPicture,
                "bad.bmp is a GIF image, not a bitmap"},
        BadFile{"Text", [] { return beginningWith("Hello"); }, ErrorNumber::InvalidPicture,
                "bad.bmp is not a bitmap"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace marbleck::test
