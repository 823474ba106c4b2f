#include <gtest/gtest.h>
#include <tiffio.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <vector>

#include "CliProcess.h"
#include "engine/sums/HologramPipeline.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::ObjectImage;
using test::RunCli;

// A 7 × 5 object (wider than tall, lit off the diagonal) at 2 reps: a
// 14 × 10 field, so a transposed or mirrored file shows.
class Formats : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ObjectImage(7, 5, {QPoint(1, 3), QPoint(6, 0), QPoint(6, 4)}).save(object));
        const HologramGeometry g = MakeHologramGeometry(7, 5, 2);
        const std::vector<ObjectPoint> points{{1, 3}, {6, 0}, {6, 4}};
        const std::vector<double> phases(points.size(), 0.0);
        std::vector<std::uint8_t> grey;
        CalculateHologram(CalculationEngineNamed("exact"), g, points, phases, expected, grey);
        ASSERT_EQ(expected.columns(), 14);
        ASSERT_EQ(expected.rows(), 10);
    }

    QString write(const QString& name, QStringList extra = {}) {
        const QString output = dir.filePath(name);
        const CliRun run = RunCli(
            QStringList{object, QStringLiteral("-o"), output, QStringLiteral("--reps"), QStringLiteral("2")} +
            extra);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        return output;
    }

    QTemporaryDir dir;
    QString object = dir.filePath(QStringLiteral("object.png"));
    HologramField expected;
};

TEST_F(Formats, PngAndBmpHoldTheGreyLevelsColumnByColumnRowByRow) {
    const QImage png(write(QStringLiteral("h.png")));
    ASSERT_EQ(png.size(), QSize(14, 10));
    EXPECT_TRUE(png.isGrayscale());
    const QImage png16(write(QStringLiteral("h16.png"), {QStringLiteral("--depth"), QStringLiteral("16")}));
    ASSERT_EQ(png16.size(), QSize(14, 10));
    EXPECT_EQ(png16.format(), QImage::Format_Grayscale16);
    const QImage bmp(write(QStringLiteral("h.bmp")));
    ASSERT_EQ(bmp.size(), QSize(14, 10));
    EXPECT_EQ(bmp.format(), QImage::Format_Indexed8);
    EXPECT_EQ(bmp.colorCount(), 256);
    for (int v = 0; v < 10; ++v)
        for (int u = 0; u < 14; ++u) {
            const int grey = GreyLevel(expected(u, v));
            EXPECT_EQ(png.pixel(u, v), qRgb(grey, grey, grey)) << u << "," << v;
            EXPECT_EQ(bmp.pixel(u, v), qRgb(grey, grey, grey)) << u << "," << v;
            const auto level16 = reinterpret_cast<const quint16*>(png16.constScanLine(v))[u];
            EXPECT_NEAR(level16, expected(u, v) * 65535.0, 0.5) << u << "," << v;
        }
}

// NumPy 1.0: magic, version, a header padded to 64 bytes naming
// little-endian float32, C order, shape (rows, columns); then row v at index v.
TEST_F(Formats, NpyHoldsTheNormalisedFieldRowsFirst) {
    QFile file(write(QStringLiteral("h.npy")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 10);
    EXPECT_EQ(bytes.left(8), QByteArray("\x93NUMPY\x01\x00", 8));
    const int headerLength =
        static_cast<unsigned char>(bytes[8]) | (static_cast<unsigned char>(bytes[9]) << 8);
    EXPECT_EQ((10 + headerLength) % 64, 0);
    const QString header = QString::fromLatin1(bytes.mid(10, headerLength));
    EXPECT_TRUE(header.endsWith(QLatin1Char('\n')));
    EXPECT_TRUE(header.contains(QRegularExpression(QStringLiteral("'descr': *'<f4'"))));
    EXPECT_TRUE(header.contains(QRegularExpression(QStringLiteral("'fortran_order': *False"))));
    EXPECT_TRUE(header.contains(QRegularExpression(QStringLiteral("'shape': *\\(10, *14\\)"))));
    ASSERT_EQ(bytes.size(), 10 + headerLength + 14 * 10 * 4);
    for (int v = 0; v < 10; ++v)
        for (int u = 0; u < 14; ++u) {
            float value;
            std::memcpy(&value, bytes.constData() + 10 + headerLength + 4 * (v * 14 + u), 4);
            EXPECT_EQ(value, expected(u, v)) << u << "," << v;
        }
}

// A TIFF of one 32-bit float sample per pixel, the normalised field, image
// row v hologram row v.
TEST_F(Formats, TiffHoldsTheNormalisedFieldAsFloats) {
    for (const char* name : {"h.tif", "h.tiff"}) {
        const QByteArray path = QFile::encodeName(write(QLatin1String(name)));
        TIFF* tiff = TIFFOpen(path.constData(), "r");
        ASSERT_NE(tiff, nullptr) << name;
        std::uint32_t width = 0, height = 0;
        std::uint16_t samples = 0, bits = 0, format = 0;
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetField(tiff, TIFFTAG_SAMPLEFORMAT, &format);
        EXPECT_EQ(width, 14u);
        EXPECT_EQ(height, 10u);
        EXPECT_EQ(samples, 1);
        EXPECT_EQ(bits, 32);
        EXPECT_EQ(format, SAMPLEFORMAT_IEEEFP);
        std::vector<float> row(TIFFScanlineSize(tiff) / sizeof(float));
        ASSERT_EQ(row.size(), 14u);
        for (std::uint32_t v = 0; v < 10; ++v) {
            ASSERT_EQ(TIFFReadScanline(tiff, row.data(), v, 0), 1);
            for (int u = 0; u < 14; ++u) EXPECT_EQ(row[u], expected(u, static_cast<int>(v))) << u << "," << v;
        }
        TIFFClose(tiff);
    }
}

// Binarizing writes 255 where the normalised value is strictly above T.
TEST_F(Formats, BinarizeWritesOnlyBlackAndWhite) {
    const QImage png(write(QStringLiteral("b.png"), {QStringLiteral("--binarize"), QStringLiteral("0.5")}));
    ASSERT_EQ(png.size(), QSize(14, 10));
    int white = 0;
    for (int v = 0; v < 10; ++v)
        for (int u = 0; u < 14; ++u) {
            const int level = expected(u, v) > 0.5 ? 255 : 0;
            white += level == 255;
            EXPECT_EQ(png.pixel(u, v), qRgb(level, level, level)) << u << "," << v;
        }
    EXPECT_GT(white, 0);
    EXPECT_LT(white, 140);
}

// Random phases without --seed print the clock's seed; the same seed given
// back repeats the hologram, and differs from no phases.
TEST_F(Formats, RandomPhasesRepeatWithThePrintedSeed) {
    const QString first = dir.filePath(QStringLiteral("r1.npy"));
    const CliRun run = RunCli({object, QStringLiteral("-o"), first, QStringLiteral("--random-phase")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QRegularExpressionMatch seed = QRegularExpression(QStringLiteral("--seed (\\d+)")).match(run.err);
    ASSERT_TRUE(seed.hasMatch()) << run.err.toStdString();
    const QString again =
        write(QStringLiteral("r2.npy"), {QStringLiteral("--random-phase"), QStringLiteral("--seed"),
                                         seed.captured(1), QStringLiteral("--reps"), QStringLiteral("1")});
    const QString still = write(QStringLiteral("r0.npy"), {QStringLiteral("--reps"), QStringLiteral("1")});
    auto contents = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    EXPECT_EQ(contents(first), contents(again));
    EXPECT_NE(contents(first), contents(still));
}

}  // namespace
}  // namespace marbleck
