// 3-D scenes as a script runs the command line: point clouds and a
// colour-plus-depth pair written to a temporary folder, the complex field
// read back from its NumPy file, the reconstruction in focus at the point's
// depth, the report's physical figures, and every bad file and option with
// its one line and exit status.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>
#include <complex>
#include <cstring>

#include "CliProcess.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::RunCli;

constexpr int RunLimitMs = 120000;

// One point 5 pitches right of the centre and 3 up, 10 cm away, on a plane
// of 255 x 255 at 8 µm: its pixel is column 132, row 124.
constexpr char OnePointPly[] =
    "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
    "end_header\n0.00004 -0.000024 0.1\n";

class SceneCommandLine : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
};

// The brightest pixel of rows first .. first + 254 of a grey picture.
QPoint Brightest(const QImage& image, int first) {
    QPoint best;
    int level = -1;
    for (int y = first; y < first + 255; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const int v = qGray(image.pixel(x, y)); v > level) {
                level = v;
                best = {x, y - first};
            }
    return best;
}

// The issue's own run: the complex field as NumPy complex64, a point's value
// a·e^(ikr)/r at its own pixel, then the reconstruction at 10 cm in focus.
TEST_F(SceneCommandLine, ComplexFieldAndReconstructionInFocus) {
    const QString scene = write(QStringLiteral("scene.ply"), OnePointPly);
    const QString field = path(QStringLiteral("u.npy"));
    const CliRun run = RunCli({scene, QStringLiteral("--size"), QStringLiteral("255x255"),
                               QStringLiteral("--pitch"), QStringLiteral("8"), QStringLiteral("--wavelength"),
                               QStringLiteral("633"), QStringLiteral("--encode"), QStringLiteral("complex"),
                               QStringLiteral("-o"), field, QStringLiteral("--report")},
                              {}, RunLimitMs);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    QFile file(field);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 10);
    EXPECT_EQ(bytes.left(8), QByteArray("\x93NUMPY\x01\x00", 8));
    const int headerLength = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    const QByteArray header = bytes.mid(10, headerLength);
    EXPECT_TRUE(header.contains("'descr': '<c8'")) << header.toStdString();
    EXPECT_TRUE(header.contains("'shape': (255, 255)")) << header.toStdString();
    EXPECT_EQ((10 + headerLength) % 64, 0);
    ASSERT_EQ(bytes.size(), 10 + headerLength + 255 * 255 * 8);
    std::complex<float> atPoint;
    std::memcpy(&atPoint, bytes.constData() + 10 + headerLength + (124 * 255 + 132) * 8, sizeof atPoint);
    EXPECT_NEAR(std::abs(atPoint), 1 / 0.1, 1e-3);

    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(report.value(QStringLiteral("method")).toString(), QStringLiteral("points"));
    EXPECT_EQ(report.value(QStringLiteral("encoding")).toString(), QStringLiteral("complex"));
    EXPECT_EQ(report.value(QStringLiteral("points")).toInt(), 1);
    EXPECT_EQ(report.value(QStringLiteral("pitchUm")).toDouble(), 8);
    EXPECT_NEAR(report.value(QStringLiteral("widthMm")).toDouble(), 2.04, 1e-9);
    EXPECT_EQ(report.value(QStringLiteral("wavelengthsNm")).toArray(), QJsonArray{633});
    EXPECT_GT(report.value(QStringLiteral("pointPixelsPerSecond")).toDouble(), 0);

    const QString picture = path(QStringLiteral("r.png"));
    const CliRun focused =
        RunCli({scene, QStringLiteral("--size"), QStringLiteral("255x255"), QStringLiteral("--focus"),
                QStringLiteral("0.1"), QStringLiteral("--reconstruct"), picture, QStringLiteral("-o"),
                path(QStringLiteral("phase.png"))},
               {}, RunLimitMs);
    ASSERT_EQ(focused.status, 0) << focused.err.toStdString();
    const QImage image(picture);
    ASSERT_EQ(image.size(), QSize(255, 255));
    const QPoint peak = Brightest(image, 0);
    EXPECT_LE(std::abs(peak.x() - 132), 1);
    EXPECT_LE(std::abs(peak.y() - 124), 1);
    EXPECT_EQ(QImage(path(QStringLiteral("phase.png"))).size(), QSize(255, 255));
}

// A focal stack is one picture of its depths one below the other, nearest
// first: the point is sharp in the second (10 cm), not the first (5 cm).
TEST_F(SceneCommandLine, FocalStackPicturesNearestFirst) {
    const QString scene = write(QStringLiteral("scene.xyz"), "# x y z\n0.00004 -0.000024 0.1 1\n");
    const QString picture = path(QStringLiteral("stack.png"));
    const CliRun run =
        RunCli({scene, QStringLiteral("--size"), QStringLiteral("255x255"), QStringLiteral("--focus"),
                QStringLiteral("0.05:0.1:2"), QStringLiteral("--reconstruct"), picture, QStringLiteral("-o"),
                path(QStringLiteral("h.npy"))},
               {}, RunLimitMs);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QImage image(picture);
    ASSERT_EQ(image.size(), QSize(255, 510));
    const auto brightestLevel = [&](int first) {
        const QPoint at = Brightest(image, first);
        return qGray(image.pixel(at.x(), at.y() + first));
    };
    EXPECT_EQ(brightestLevel(255), 255);
    EXPECT_LT(brightestLevel(0), 235);
    const QPoint peak = Brightest(image, 255);
    EXPECT_LE(std::abs(peak.x() - 132), 1);
    EXPECT_LE(std::abs(peak.y() - 124), 1);
}

// A colour picture and its depth picture: a point for each lit pixel.
TEST_F(SceneCommandLine, ColourAndDepthPicturesMakeAScene) {
    QImage colour(8, 8, QImage::Format_RGB32);
    colour.fill(Qt::black);
    colour.setPixel(1, 2, qRgb(255, 0, 0));
    colour.setPixel(6, 5, qRgb(0, 0, 200));
    QImage depth(8, 8, QImage::Format_Grayscale8);
    depth.fill(128);
    ASSERT_TRUE(colour.save(path(QStringLiteral("colour.png"))));
    ASSERT_TRUE(depth.save(path(QStringLiteral("depth.png"))));
    const QStringList pair{path(QStringLiteral("colour.png")),
                           QStringLiteral("--depth-map"),
                           path(QStringLiteral("depth.png")),
                           QStringLiteral("--near"),
                           QStringLiteral("0.05"),
                           QStringLiteral("--far"),
                           QStringLiteral("0.1"),
                           QStringLiteral("--size"),
                           QStringLiteral("64x64")};
    const CliRun run = RunCli(
        pair + QStringList{QStringLiteral("-o"), path(QStringLiteral("h.png")), QStringLiteral("--report")},
        {}, RunLimitMs);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(report.value(QStringLiteral("points")).toInt(), 2);
    EXPECT_EQ(report.value(QStringLiteral("wavelengthsNm")).toArray(), (QJsonArray{638, 520, 450}));
    EXPECT_EQ(QImage(path(QStringLiteral("h.png"))).size(), QSize(64, 64));

    // The depth picture is an input no output may replace.
    const CliRun replacing =
        RunCli(pair + QStringList{QStringLiteral("-o"), path(QStringLiteral("depth.png"))});
    EXPECT_EQ(replacing.status, 1);
    EXPECT_TRUE(replacing.err.contains(QStringLiteral("depth.png"))) << replacing.err.toStdString();
}

struct BadFile {
    const char* name;
    const char* bytes;
    const char* reason;
};

// A scene file that cannot be used: one line naming the file and where in it
// the fault lies, exit status 2, nothing written.
TEST_F(SceneCommandLine, BadSceneFilesGiveOneLineAndStatusTwo) {
    const BadFile cases[] = {
        {"field.xyz", "0 0 0.1\n0 abc 0.1\n", "line 2: field y: \"abc\" is not a number"},
        {"behind.xyz", "0 0 -0.1\n", "Point 1 is not in front of the hologram (z <= 0)"},
        {"short.ply",
         "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
         "property float z\nend_header\n\x01\x02",
         "element vertex: 3 vertices need at least 36 bytes, the file has 2 after its header"},
    };
    for (const BadFile& c : cases) {
        const QString scene = write(QString::fromLatin1(c.name), c.bytes);
        const QString output = path(QStringLiteral("out.png"));
        const CliRun run =
            RunCli({scene, QStringLiteral("--size"), QStringLiteral("16x16"), QStringLiteral("-o"), output},
                   {}, RunLimitMs);
        EXPECT_EQ(run.status, 2) << c.name;
        EXPECT_EQ(run.err, QStringLiteral("marbleck-cli: %1: %2\n").arg(scene, QString::fromUtf8(c.reason)));
        EXPECT_FALSE(QFile::exists(output)) << c.name;
    }
    const CliRun missing =
        RunCli({path(QStringLiteral("none.ply")), QStringLiteral("-o"), path(QStringLiteral("o.png"))});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.startsWith(QStringLiteral("marbleck-cli: ") + path(QStringLiteral("none.ply")) +
                                       QStringLiteral(": File not found")))
        << missing.err.toStdString();
}

// Options a scene cannot take, or that belong to another kind: the usage
// line and status 1 before any file is read.
TEST_F(SceneCommandLine, BadOptionsGiveTheirReasonAndStatusOne) {
    const QString scene = write(QStringLiteral("scene.ply"), OnePointPly);
    const QString picture = path(QStringLiteral("picture.png"));
    const struct {
        QStringList arguments;
        QString reason;
    } cases[] = {
        {{scene, QStringLiteral("--size"), QStringLiteral("1024")},
         QStringLiteral("--size must be WIDTHxHEIGHT in pixels (1024x1024): 1024")},
        {{scene, QStringLiteral("--wavelength"), QStringLiteral("633,x")},
         QStringLiteral(
             "--wavelength must be numbers above 0 in nm, separated by commas (638,520,450): 633,x")},
        {{scene, QStringLiteral("--encode"), QStringLiteral("complex"), QStringLiteral("-o"), path("u.png")},
         QStringLiteral("the hologram's values are complex; they are written to .tif or .npy only: ") +
             path("u.png")},
        {{scene, QStringLiteral("--binarize"), QStringLiteral("balanced")},
         QStringLiteral("--binarize prints a 3-D hologram's amplitude encoding; --encode must be amplitude")},
        {{scene, QStringLiteral("--phase")},
         QStringLiteral("the scene ") + scene +
             QStringLiteral(" and --phase choose different kinds of hologram; give one")},
        {{scene, picture, QStringLiteral("-o"), path("%n.png")},
         picture +
             QStringLiteral(
                 " is not a .ply or .xyz scene; the objects of one run are all scenes or all pictures")},
        {{picture, QStringLiteral("--encode"), QStringLiteral("phase")},
         QStringLiteral("--encode needs a .ply or .xyz scene, or --depth-map DEPTH")},
        {{scene, QStringLiteral("--fill"), QStringLiteral("pad")}, QStringLiteral("--fill needs --phase")},
        {{scene, QStringLiteral("--depth"), QStringLiteral("16")},
         QStringLiteral("the scene ") + scene +
             QStringLiteral(" writes 8-bit grey levels; --depth 16 is for printed holograms")},
    };
    for (const auto& c : cases) {
        QStringList arguments = c.arguments;
        if (!arguments.contains(QStringLiteral("-o"))) arguments << QStringLiteral("-o") << path("h.png");
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.status, 1) << c.reason.toStdString();
        EXPECT_EQ(run.err.section(QLatin1Char('\n'), 0, 0), QStringLiteral("marbleck-cli: ") + c.reason);
    }
}

// An exact sum beyond the work bound is refused at once without a deadline.
TEST_F(SceneCommandLine, ExactSumBeyondTheBoundNeedsADeadline) {
    QByteArray lines;
    for (int i = 0; i < 4200; ++i) lines += QByteArray::number(i * 1e-6) + " 0 0.1\n";
    const QString scene = write(QStringLiteral("many.xyz"), lines);
    const CliRun run = RunCli({scene, QStringLiteral("--size"), QStringLiteral("8192x8192"),
                               QStringLiteral("-o"), path(QStringLiteral("h.png"))},
                              {}, RunLimitMs);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("4200 points × 67108864 values is more than the 2^38 bound")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("--method layers"))) << run.err.toStdString();
}

}  // namespace
}  // namespace marbleck
