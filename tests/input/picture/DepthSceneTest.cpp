#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdint>
#include <string>

#include "input/picture/DepthScene.h"
#include "platform/RunTimeError.h"

namespace marbleck {
namespace {

// Colour-plus-depth pairs as PNG files in a temporary folder, read as the
// window and the command line read them.
class DepthScenePair : public ::testing::Test {
protected:
    QString path(const char* name) const { return folder_.filePath(QString::fromUtf8(name)); }

    // A colour picture: every pixel lit but the top left one.
    QString colourPng(int width, int height) const {
        QImage colour(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) colour.setPixel(x, y, qRgb(10 * x + 1, 20 * y, 7));
        colour.setPixel(0, 0, qRgb(0, 0, 0));
        const QString file = path("colour.png");
        EXPECT_TRUE(colour.save(file));
        return file;
    }

    // A grey picture whose level at (x, y) is `level(x, y)`.
    template <typename Level>
    QString depthPng(const char* name, int width, int height, QImage::Format format, Level level) const {
        QImage depth(width, height, format);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (format == QImage::Format_Grayscale16)
                    reinterpret_cast<std::uint16_t*>(depth.scanLine(y))[x] =
                        static_cast<std::uint16_t>(level(x, y));
                else if (format == QImage::Format_Grayscale8)
                    depth.scanLine(y)[x] = static_cast<uchar>(level(x, y));
                else
                    depth.setPixel(x, y, qRgb(level(x, y), level(x, y), level(x, y)));
            }
        }
        const QString file = path(name);
        EXPECT_TRUE(depth.save(file));
        return file;
    }

    std::string failure(const QString& colour, const QString& depth) const {
        try {
            ReadDepthScene(colour, depth, {0.1, 0.2}, 8e-6);
        } catch (const RunTimeError& error) {
            EXPECT_EQ(error.number(), ErrorNumber::InvalidPicture);
            return error.description();
        }
        return "read";
    }

    QTemporaryDir folder_;
};

// 8-bit and 16-bit depth pictures (and grey stored as colour) give every lit
// pixel its depth from its level, a 16-bit PNG's levels kept exactly.
TEST_F(DepthScenePair, LevelsBecomeDepths) {
    const int width = 5, height = 4;
    const QString colour = colourPng(width, height);
    auto eight = [](int x, int y) { return 60 * y + x; };
    auto sixteen = [](int x, int y) { return 12345 * y + 4097 * x + 1; };
    const struct {
        QString depth;
        int (*level)(int, int);
        double largest;
    } cases[] = {
        {depthPng("depth8.png", width, height, QImage::Format_Grayscale8, eight), eight, 255},
        {depthPng("depth16.png", width, height, QImage::Format_Grayscale16, sixteen), sixteen, 65535},
        {depthPng("grey-as-colour.png", width, height, QImage::Format_RGB32, eight), eight, 255},
    };
    for (const auto& pair : cases) {
        const Scene scene = ReadDepthScene(colour, pair.depth, {0.1, 0.2}, 8e-6);
        ASSERT_EQ(scene.points.size(), static_cast<std::size_t>(width * height - 1));
        EXPECT_TRUE(scene.coloured);
        for (std::size_t i = 0; i < scene.points.size(); ++i) {
            const int x = static_cast<int>((i + 1) % width), y = static_cast<int>((i + 1) / width);
            const ScenePoint& point = scene.points[i];
            EXPECT_NEAR(point.x, (x - 2) * 8e-6, 1e-18);
            EXPECT_NEAR(point.y, (y - 1.5) * 8e-6, 1e-18);
            EXPECT_NEAR(point.z, 0.1 + 0.1 * pair.level(x, y) / pair.largest, 1e-12) << i;
            EXPECT_FLOAT_EQ(point.colour[0], (10 * x + 1) / 255.0f);
            EXPECT_FLOAT_EQ(point.colour[1], (20 * y) / 255.0f);
        }
    }
    const QImage levels = ReadSceneDepthPicture(cases[1].depth);
    ASSERT_EQ(levels.format(), QImage::Format_Grayscale16);
    EXPECT_EQ(reinterpret_cast<const std::uint16_t*>(levels.constScanLine(3))[4], sixteen(4, 3));
}

// Pairs that make no scene: each refused with one message naming the file.
TEST_F(DepthScenePair, RefusesMismatchedAndColouredDepth) {
    const QString colour = colourPng(5, 4);
    const QString small =
        depthPng("small.png", 4, 4, QImage::Format_Grayscale8, [](int x, int y) { return x + y; });
    EXPECT_EQ(
        failure(colour, small),
        "Invalid picture: the depth picture small.png is 4 × 4 pixels, the colour picture colour.png 5 × 4 "
        "pixels");

    QImage coloured(5, 4, QImage::Format_RGB32);
    coloured.fill(qRgb(10, 10, 10));
    coloured.setPixel(3, 2, qRgb(10, 11, 10));
    ASSERT_TRUE(coloured.save(path("coloured.png")));
    EXPECT_EQ(failure(colour, path("coloured.png")),
              "Invalid picture: coloured.png is a colour picture; depth must be grey");

    QFile text(path("text.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("no picture at all\n");
    text.close();
    EXPECT_EQ(failure(colour, path("text.png")),
              "Invalid picture: text.png is no picture the platform reads");
}

}  // namespace
}  // namespace marbleck
