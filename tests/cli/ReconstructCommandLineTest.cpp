// The reconstruction and the figures the command line adds to a run.

#include <gtest/gtest.h>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdint>
#include <vector>

#include "CliProcess.h"
#include "engine/core/HologramGeometry.h"
#include "engine/reconstruction/Reconstruction.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::RunCli;

// A letter F on a black 100 x 100 image, and its lit pixels in scan order.
QImage LetterF(std::vector<ObjectPoint>& points) {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 100; ++y)
            if ((x >= 25 && x <= 34 && y >= 15 && y <= 84) || (x >= 25 && x <= 74 && y >= 15 && y <= 24) ||
                (x >= 25 && x <= 59 && y >= 45 && y <= 54)) {
                image.setPixel(x, y, qRgb(255, 255, 255));
                points.push_back({x, y});
            }
    return image;
}

QJsonObject Report(const CliRun& run) { return QJsonDocument::fromJson(run.out.toUtf8()).object(); }

// What -o wrote, balanced, is what the reconstruction shows: the picture is
// the log-scale far field of the written levels, and the report's fidelity
// is that of the same far field.
TEST(ReconstructCommandLine, PictureAndFidelityAreThoseOfTheWrittenBalancedHologram) {
    QTemporaryDir dir;
    std::vector<ObjectPoint> points;
    const QString object = dir.filePath(QStringLiteral("F.png"));
    ASSERT_TRUE(LetterF(points).save(object));
    const QString output = dir.filePath(QStringLiteral("H-F.png"));
    const QString picture = dir.filePath(QStringLiteral("R-F.png"));
    const CliRun run = RunCli({object, "-o", output, "--reps", "1.5", "--random-phase", "--seed", "7",
                               "--binarize", "median", "--reconstruct", picture, "--report"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();

    const QImage written = QImage(output).convertToFormat(QImage::Format_Grayscale8);
    const HologramGeometry g = MakeHologramGeometry(100, 100, 1.5);
    ASSERT_EQ(written.size(), QSize(g.fieldColumns, g.fieldRows));
    std::vector<std::uint8_t> levels(static_cast<std::size_t>(g.columns) * g.rows);
    long long white = 0;
    for (int u = 0; u < g.columns; ++u)
        for (int v = 0; v < g.rows; ++v) {
            levels[static_cast<std::size_t>(u) * g.rows + v] = qGray(written.pixel(u, v));
            white += qGray(written.pixel(u, v)) == 255;
        }
    EXPECT_NEAR(static_cast<double>(white), g.columns * g.rows / 2.0, 1.0) << "half the values white";

    const Reconstruction r = Reconstruct(levels.data(), g.columns, g.rows, g.rows);
    const std::vector<std::uint8_t> expected = LogScaleLevels(r, DefaultDecades);
    const QImage shown(picture);
    ASSERT_EQ(shown.size(), QSize(g.columns, g.rows));
    ASSERT_EQ(shown.format(), QImage::Format_Grayscale8);
    for (int y = 0; y < g.rows; ++y)
        for (int x = 0; x < g.columns; ++x)
            ASSERT_EQ(shown.pixelColor(x, y).red(), expected[static_cast<std::size_t>(y) * g.columns + x])
                << x << "," << y;

    const QJsonObject report = Report(run);
    EXPECT_NEAR(report["fidelity"].toDouble(), FidelityFigure(r, points, g),
                1e-9 * FidelityFigure(r, points, g));
    EXPECT_GT(report["fidelity"].toDouble(), 10.0);
    EXPECT_EQ(report["reconstruction"].toString(), picture);
    EXPECT_GT(report["threshold"].toDouble(), 0.3);
    EXPECT_LT(report["threshold"].toDouble(), 0.7);
}

TEST(ReconstructCommandLine, ReportGivesThePrintsFiguresOnlyWithDpi) {
    QTemporaryDir dir;
    std::vector<ObjectPoint> points;
    const QString object = dir.filePath(QStringLiteral("F.png"));
    ASSERT_TRUE(LetterF(points).save(object));
    const QString output = dir.filePath(QStringLiteral("H.png"));

    const QJsonObject plain = Report(RunCli({object, "-o", output, "--report"}));
    EXPECT_FALSE(plain.contains("print"));
    EXPECT_GT(plain["fidelity"].toDouble(), 1.0);

    // 300 dpi, two dots a value: p = 0.16933 mm, 100 values are 16.933 mm.
    const QJsonObject print = Report(RunCli(
        {object, "-o", output, "--report", "--dpi", "300", "--scale", "2", "--distance", "2"}))["print"]
                                  .toObject();
    EXPECT_NEAR(print["pitchMm"].toDouble(), 0.169333, 1e-6);
    EXPECT_NEAR(print["widthMm"].toDouble(), 16.9333, 1e-4);
    EXPECT_NEAR(print["maxAngleDegrees"].toDouble(), 0.10709, 1e-5);
    EXPECT_NEAR(print["screenSpanMm"].toDouble(), 2 * 2000 * 0.0018691, 1e-3);
    EXPECT_EQ(print["wavelengthNm"].toDouble(), 633);

    // Dots finer than half the wavelength: no angle, no image.
    const QJsonObject fine =
        Report(RunCli({object, "-o", output, "--report", "--dpi", "100000"}))["print"].toObject();
    EXPECT_TRUE(fine["maxAngleDegrees"].isNull());
    EXPECT_TRUE(fine["screenSpanMm"].isNull());
    EXPECT_NEAR(fine["pitchMm"].toDouble(), 0.000254, 1e-9);
}

}  // namespace
}  // namespace marbleck
