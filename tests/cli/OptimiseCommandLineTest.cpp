// --binarize optimise as a script runs it: what it writes, what the report
// says of it, and the --max-seconds deadline reaching the optimiser. Nothing
// here depends on how much the optimiser gains.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <vector>

#include "CliProcess.h"
#include "engine/core/HologramGeometry.h"
#include "engine/reconstruction/Reconstruction.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::RunCli;

// A few scattered points, in scan order (x outer, y inner).
const std::vector<ObjectPoint> Points{{3, 4}, {7, 30}, {12, 12}, {20, 5}, {33, 21}, {40, 35}, {51, 9}};

QString SavedObject(const QTemporaryDir& dir) {
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (const ObjectPoint& p : Points) image.setPixel(p.x, p.y, qRgb(255, 255, 255));
    const QString path = dir.filePath(QStringLiteral("dots.png"));
    return image.save(path) ? path : QString();
}

QJsonObject Report(const CliRun& run) { return QJsonDocument::fromJson(run.out.toUtf8()).object(); }

void ExpectFigures(const QJsonObject& actual, const QJsonObject& expected, double tolerance) {
    for (const char* key : {"fidelity", "spread", "signalShare"}) {
        ASSERT_TRUE(actual[key].isDouble()) << key;
        EXPECT_NEAR(actual[key].toDouble(), expected[key].toDouble(), tolerance * expected[key].toDouble())
            << key;
    }
}

// The optimised hologram is 0/255; the report's figures are those of the
// written file, the record starts from the balanced hologram of the same
// calculation and ends at what was written.
TEST(OptimiseCommandLine, WritesZeroOr255AndReportsTheFiguresBeforeAndAfter) {
    QTemporaryDir dir;
    const QString object = SavedObject(dir);
    const QString output = dir.filePath(QStringLiteral("H.png"));
    const QStringList common{object,           "-o",     output, "--reps",  "2",
                             "--random-phase", "--seed", "5",    "--report"};
    const CliRun balanced = RunCli(common + QStringList{"--binarize", "median"}, {}, 60000);
    ASSERT_EQ(balanced.status, 0) << balanced.err.toStdString();
    const CliRun optimised =
        RunCli(common + QStringList{"--binarize", "optimise", "--budget", "0.3"}, {}, 60000);
    ASSERT_EQ(optimised.status, 0) << optimised.err.toStdString();

    const HologramGeometry g = MakeHologramGeometry(60, 40, 2);
    const QImage written = QImage(output).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(written.size(), QSize(g.fieldColumns, g.fieldRows));
    std::vector<std::uint8_t> levels(static_cast<std::size_t>(g.columns) * g.rows);
    for (int u = 0; u < g.columns; ++u)
        for (int v = 0; v < g.rows; ++v) {
            const int level = qGray(written.pixel(u, v));
            ASSERT_TRUE(level == 0 || level == 255) << u << "," << v << ": " << level;
            levels[static_cast<std::size_t>(u) * g.rows + v] = static_cast<std::uint8_t>(level);
        }
    const HologramFigures measured =
        MeasureFigures(Reconstruct(levels.data(), g.columns, g.rows, g.rows), Points, g);
    const QJsonObject report = Report(optimised);
    ExpectFigures(report,
                  {{"fidelity", measured.fidelity},
                   {"spread", measured.uniformity},
                   {"signalShare", measured.efficiency}},
                  1e-9);
    EXPECT_TRUE(report["threshold"].isNull());

    const QJsonObject record = report["optimisation"].toObject();
    ExpectFigures(record["before"].toObject(), Report(balanced), 1e-6);
    ExpectFigures(record["after"].toObject(), report, 1e-6);
    EXPECT_GE(record["iterations"].toInt(-1), 0);
    EXPECT_TRUE(record["keptBalanced"].isBool());
    EXPECT_GE(record["seconds"].toDouble(-1), 0.0);
    EXPECT_LE(record["seconds"].toDouble(), report["seconds"].toDouble()) << "part of the whole run";

    EXPECT_TRUE(Report(balanced)["optimisation"].isNull());
}

// A ring of 24 dots of 2 x 2 pixels (radius 30) on a 100 x 100 object.
QString SavedRing(const QTemporaryDir& dir) {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int k = 0; k < 24; ++k) {
        const double a = 2 * 3.141592653589793 * k / 24;
        const int x = static_cast<int>(49.5 + 30 * std::cos(a));
        const int y = static_cast<int>(49.5 + 30 * std::sin(a));
        image.setPixel(x, y, qRgb(255, 255, 255));
        image.setPixel(x + 1, y, qRgb(255, 255, 255));
        image.setPixel(x, y + 1, qRgb(255, 255, 255));
        image.setPixel(x + 1, y + 1, qRgb(255, 255, 255));
    }
    const QString path = dir.filePath(QStringLiteral("ring.png"));
    return image.save(path) ? path : QString();
}

// A symmetric object without random phases: the written pattern is no blank
// one, its figures are numbers and no worse than the balanced start's.
TEST(OptimiseCommandLine, ASymmetricObjectGetsAPatternThatShowsIt) {
    QTemporaryDir dir;
    const QString object = SavedRing(dir);
    const QString output = dir.filePath(QStringLiteral("H.png"));
    const CliRun run = RunCli({object, "-o", output, "--reps", "2", "--engine", "fast", "--binarize",
                               "optimise", "--budget", "1", "--report"},
                              {}, 60000);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject report = Report(run);
    for (const char* key : {"fidelity", "spread", "uniformity", "efficiency", "signalShare"})
        EXPECT_TRUE(report[key].isDouble()) << key;
    const QJsonObject record = report["optimisation"].toObject();
    EXPECT_GE(record["after"].toObject()["fidelity"].toDouble(),
              record["before"].toObject()["fidelity"].toDouble());
    if (record["keptBalanced"].toBool()) {
        EXPECT_EQ(record["after"], record["before"]);
    }

    const QImage written = QImage(output).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(written.size(), QSize(200, 200));
    long long white = 0;
    for (int y = 0; y < written.height(); ++y)
        for (int x = 0; x < written.width(); ++x) white += qGray(written.pixel(x, y)) == 255;
    EXPECT_GE(white, 200 * 200 * 3 / 10);
    EXPECT_LE(white, 200 * 200 * 7 / 10);
}

// --max-seconds stops the optimiser as it stops the sums: status 2 and no
// file. A budget far past the deadline leaves either that or an optimiser
// that ended by itself before the deadline.
TEST(OptimiseCommandLine, MaxSecondsStopsItWithNothingWritten) {
    QTemporaryDir dir;
    const QString object = SavedObject(dir);
    const QString output = dir.filePath(QStringLiteral("H.npy"));
    const QStringList optimise{object, "-o", output, "--reps", "3", "--binarize", "optimise", "--quiet"};

    const CliRun atOnce =
        RunCli(optimise + QStringList{"--budget", "30", "--max-seconds", "0.000001"}, {}, 60000);
    EXPECT_EQ(atOnce.status, 2);
    EXPECT_EQ(atOnce.err,
              QStringLiteral("marbleck-cli: %1: stopped after 1e-06 s (--max-seconds)\n").arg(object));
    EXPECT_FALSE(QFileInfo::exists(output));

    const CliRun run =
        RunCli(optimise + QStringList{"--budget", "600", "--max-seconds", "1", "--report"}, {}, 60000);
    ASSERT_FALSE(run.timedOut) << "the optimiser ran on past --max-seconds";
    if (run.status == 2) {
        EXPECT_EQ(run.err,
                  QStringLiteral("marbleck-cli: %1: stopped after 1 s (--max-seconds)\n").arg(object));
        EXPECT_FALSE(QFileInfo::exists(output));
    } else {
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_LT(Report(run)["optimisation"].toObject()["seconds"].toDouble(), 1.0);
    }
}

}  // namespace
}  // namespace marbleck
