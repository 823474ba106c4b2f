#include <QImage>
#include <QPushButton>

#include "CaseName.h"
#include "FilesFixture.h"
#include "PictureArea.h"
#include "RunTimeError.h"

namespace marbleck::test {
namespace {

class LoadTest : public FilesFixture {
protected:
    QRgb view(int x, int y) const { return form->Picture2->image().pixel(x, y); }
    QRgb canvas(int x, int y) const { return form->Picture1->image().pixel(x, y); }
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
    bitmap.pixels[0] = 200;  // bottom-left pixel: grey 200 on the canvas
    writeBitmap("object.bmp", bitmap);
    load("object.bmp");
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    EXPECT_FALSE(window().isVisible());

    EXPECT_FLOAT_EQ(form->Picture1->outerWidth(), s.canvasWidth);
    EXPECT_FLOAT_EQ(form->Picture1->outerHeight(), s.canvasHeight);
    EXPECT_FLOAT_EQ(form->Picture2->outerWidth(), s.viewSide);
    EXPECT_FLOAT_EQ(form->Picture2->outerHeight(), s.viewSide);
    const int side = qRound(s.viewSide / 15) - 4;  // less the sunken border
    EXPECT_EQ(form->Picture2->drawingAreaSize(), QSize(side, side));

    // The canvas shows the picture as decoded, from its top-left corner.
    EXPECT_EQ(form->Picture1->picture().size(), QSize(s.width, s.height));
    EXPECT_EQ(form->Picture1->picture().pixel(0, s.height - 1), qRgb(200, 200, 200));
    EXPECT_EQ(canvas(0, 0), black);

    EXPECT_EQ(module.ObjectInfoHeader.width, s.width);
    EXPECT_EQ(module.ObjectInfoHeader.height, s.height);
    EXPECT_EQ(module.ObjectPixels.xMax(), Bitmap8::rowBytes(s.width) - 1);
    EXPECT_EQ(module.ObjectPixels.yMax(), s.height - 1);
    EXPECT_EQ(module.ObjectPixels(0, 0), 200);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LoadSizeTest,
                         ::testing::Values(Sizes{100, 100, 1500, 1500, 1500},
                                           Sizes{200, 100, 2480, 1500, 1500},
                                           Sizes{100, 200, 1500, 2480, 2480},
                                           Sizes{165, 166, 2475, 2480, 2480}),
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
    EXPECT_EQ(module.ObjectPixels.xMax(), 11);
    EXPECT_EQ(module.ObjectPixels.yMax(), 19);
    EXPECT_EQ(module.ObjectPixels(10, 0), 7);
    EXPECT_EQ(module.ObjectPixels(11, 1), 0);

    // The view is 300 twips square: 16 × 16 drawing pixels. y = 19 − j.
    ASSERT_EQ(form->Picture2->drawingAreaSize(), QSize(16, 16));
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
    ASSERT_EQ(form->Picture2->drawingAreaSize(), QSize(96, 96));
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
    EXPECT_FLOAT_EQ(form->Picture1->outerWidth(), 90);
    EXPECT_FLOAT_EQ(form->Picture1->outerHeight(), 450);
    EXPECT_FLOAT_EQ(form->Picture2->outerWidth(), 450);
    EXPECT_EQ(form->Picture1->picture().size(), QSize(6, 30));
    EXPECT_EQ(module.ObjectInfoHeader.width, 6);
    EXPECT_EQ(module.ObjectPixels.xMax(), 7);
    EXPECT_EQ(module.ObjectPixels.yMax(), 29);
    // The new preview is black over the 8 stored columns; the rest of the view
    // still shows the white of the first preview.
    EXPECT_EQ(view(7, 10), black);
    EXPECT_EQ(view(8, 10), white);
}

TEST_F(LoadTest, NameThatIsThePatternItselfLoadsNothing) {
    writeBitmap("*.bmp", Bitmap8::filled(40, 40, 1));
    const QImage before = form->Picture2->image();
    load("*.bmp");
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(window().isVisible());
    EXPECT_FLOAT_EQ(form->Picture1->outerWidth(), 1500);
    EXPECT_EQ(form->Picture2->image(), before);
    EXPECT_EQ(module.ObjectPixels.xMax(), -1);
}

TEST_F(LoadTest, TwentyFourBitBitmapShowsOnTheCanvasWithAScrambledPreview) {
    // 2 × 2, 24 bits, rows of 8 bytes; the file ends long before offset 1078,
    // so the preview reads zeros.
    Bitmap8 header = Bitmap8::filled(2, 2, 0);
    header.colours.clear();
    QByteArray bytes = header.bytes().left(54);
    bytes[28] = 24;
    // Blue, green, red per pixel; bottom row red, green; top row blue, white.
    const char rows[] = {0, 0, '\xff', 0, '\xff', 0, 0, 0, '\xff', 0, 0, '\xff', '\xff', '\xff', 0, 0};
    bytes.append(rows, sizeof rows);
    writeFile(homePath("colour.bmp"), bytes);
    load("colour.bmp");
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    // The canvas is too small to show a drawing pixel; its picture holds it.
    const QImage picture = form->Picture1->picture();
    EXPECT_EQ(picture.pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(picture.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(picture.pixel(1, 0), white);
    EXPECT_EQ(module.ObjectPixels.xMax(), 3);
    EXPECT_EQ(module.ObjectPixels(0, 0), 0);
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
    const float canvasWidth = form->Picture1->outerWidth();
    const float canvasHeight = form->Picture1->outerHeight();
    const QImage canvasImage = form->Picture1->image();
    const QImage canvasPicture = form->Picture1->picture();
    const float viewWidth = form->Picture2->outerWidth();
    const QImage viewImage = form->Picture2->image();
    const ObjectPixels pixels = module.ObjectPixels;
    const ObjectInfoHeader info = module.ObjectInfoHeader;

    const BadFile bad = GetParam();
    writeFile(homePath("bad.bmp"), bad.bytes());
    form->Open->click();
    select(home.path(), "bad.bmp");
    if (bad.error == ErrorNumber::FileNotFound) QFile::remove(homePath("bad.bmp"));
    pressOpen();

    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), bad.error) << errors.errors().front().description.toStdString();
    EXPECT_TRUE(errors.errors().front().description.contains(QString::fromUtf8(bad.mentions)))
        << errors.errors().front().description.toStdString();
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(form->Picture1->outerWidth(), canvasWidth);
    EXPECT_EQ(form->Picture1->outerHeight(), canvasHeight);
    EXPECT_EQ(form->Picture1->image(), canvasImage);
    EXPECT_EQ(form->Picture1->picture(), canvasPicture);
    EXPECT_EQ(form->Picture2->outerWidth(), viewWidth);
    EXPECT_EQ(form->Picture2->image(), viewImage);
    EXPECT_EQ(module.ObjectPixels, pixels);
    EXPECT_EQ(module.ObjectInfoHeader, info);
}

QByteArray withDimensions(int width, int height) {
    Bitmap8 b = Bitmap8::filled(4, 4, 1);
    b.width = width;
    b.height = height;
    return b.bytes();
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, FailedLoadTest,
    ::testing::Values(
        BadFile{"Vanished", [] { return Bitmap8::filled(4, 4, 1).bytes(); }, ErrorNumber::FileNotFound},
        BadFile{"Empty", [] { return QByteArray(); }, ErrorNumber::InvalidPicture},
        BadFile{"ShorterThanItsHeaders", [] { return Bitmap8::filled(4, 4, 1).bytes().left(40); },
                ErrorNumber::InvalidPicture},
        BadFile{"NotAPicture",
                [] {
                    QByteArray b = Bitmap8::filled(4, 4, 1).bytes();
                    b[28] = 99;  // bits per pixel no decoder knows
                    return b;
                },
                ErrorNumber::InvalidPicture},
        // A top-down bitmap decodes, but the preview's rows would stand on their heads.
        BadFile{"NegativeHeight", [] { return withDimensions(4, -4); }, ErrorNumber::InvalidPicture,
                "negative height"},
        BadFile{"ZeroWidth", [] { return withDimensions(0, 4); }, ErrorNumber::InvalidPicture},
        BadFile{"HugeClaimInASmallFile", [] { return withDimensions(60000, 60000); },
                ErrorNumber::InvalidPicture}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace marbleck::test
