// The scene options of the command line as a script meets them: a depth
// picture's points spaced by --object-pitch, --occlusion masking the layers,
// the options a scene refuses with their one line and status, and the
// report's focus figures beside the physical ones.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <vector>

#include "CliProcess.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::RunCli;

constexpr int RunLimitMs = 120000;

class SceneOptionsCommandLine : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }
    // A colour picture and its depth picture (grey levels from `level`) of
    // `size`, lit where `lit` says.
    template <typename Lit, typename Level>
    QStringList pair(QSize size, const Lit& lit, const Level& level) {
        QImage colour(size, QImage::Format_RGB32);
        QImage depth(size, QImage::Format_Grayscale8);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                colour.setPixel(x, y, lit(x, y) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
                depth.setPixel(x, y, qRgb(level(x, y), level(x, y), level(x, y)));
            }
        EXPECT_TRUE(colour.save(path(QStringLiteral("colour.png"))));
        EXPECT_TRUE(depth.save(path(QStringLiteral("depth.png"))));
        return {path(QStringLiteral("colour.png")), QStringLiteral("--depth-map"),
                path(QStringLiteral("depth.png"))};
    }

    QTemporaryDir dir_;
};

// The complex field of a NumPy complex64 file, row by row.
std::vector<std::complex<float>> ReadField(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = in.readAll();
    const int header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    std::vector<std::complex<float>> values(static_cast<std::size_t>(bytes.size() - 10 - header) / 8);
    std::memcpy(values.data(), bytes.constData() + 10 + header, values.size() * 8);
    return values;
}

// max |a − b| over max |a|.
double RelativeDifference(const std::vector<std::complex<float>>& a,
                          const std::vector<std::complex<float>>& b) {
    double largest = 0, difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        largest = std::max(largest, double{std::abs(a[i])});
        difference = std::max(difference, double{std::abs(a[i] - b[i])});
    }
    return difference / largest;
}

// The column of the brightest pixel of a grey picture.
int BrightestColumn(const QImage& image) {
    int best = -1, level = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > level) {
                level = qGray(image.pixel(x, y));
                best = x;
            }
    return best;
}

// One lit pixel 4 columns right of a 9 × 9 picture's centre lies 4 object
// pitches right of the axis: refocused on a hologram of 8 µm pixels, 4
// pixels right of its centre at the hologram's own pitch, 12 at 24 µm.
TEST_F(SceneOptionsCommandLine, ObjectPitchSpacesTheDepthPicturesPoints) {
    const QStringList scene = pair(
        QSize(9, 9), [](int x, int y) { return x == 8 && y == 4; }, [](int, int) { return 0; });
    const QStringList plane{
        QStringLiteral("--near"),      QStringLiteral("0.05"),     QStringLiteral("--far"),
        QStringLiteral("0.05"),        QStringLiteral("--size"),   QStringLiteral("127x127"),
        QStringLiteral("--focus"),     QStringLiteral("0.05"),     QStringLiteral("-o"),
        path(QStringLiteral("h.npy")), QStringLiteral("--encode"), QStringLiteral("complex")};
    for (const auto& [pitch, column] :
         {std::pair{QStringLiteral(""), 63 + 4}, {QStringLiteral("24"), 63 + 12}}) {
        QStringList arguments = scene + plane;
        arguments << QStringLiteral("--reconstruct") << path(QStringLiteral("r.png"));
        if (!pitch.isEmpty()) arguments << QStringLiteral("--object-pitch") << pitch;
        const CliRun run = RunCli(arguments, {}, RunLimitMs);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(BrightestColumn(QImage(path(QStringLiteral("r.png")))), column) << pitch.toStdString();
    }
}

// A near square in front of a far background: with --occlusion the square's
// silhouette holds back the background's light behind it, and the field
// changes; a scene of one depth has nothing to hide, and the field stays.
TEST_F(SceneOptionsCommandLine, OcclusionMasksTheLayersBehindTheNearOnes) {
    const auto fieldOf = [&](const QStringList& scene, bool occlusion) {
        QStringList arguments =
            scene +
            QStringList{
                QStringLiteral("--near"),       QStringLiteral("0.02"),        QStringLiteral("--far"),
                QStringLiteral("0.04"),         QStringLiteral("--size"),      QStringLiteral("64x64"),
                QStringLiteral("--wavelength"), QStringLiteral("633"),         QStringLiteral("--method"),
                QStringLiteral("layers"),       QStringLiteral("--encode"),    QStringLiteral("complex"),
                QStringLiteral("-o"),           path(QStringLiteral("u.npy")), QStringLiteral("--report")};
        if (occlusion) arguments << QStringLiteral("--occlusion");
        const CliRun run = RunCli(arguments, {}, RunLimitMs);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
        EXPECT_EQ(report.value(QStringLiteral("occlusion")).toBool(), occlusion);
        return ReadField(path(QStringLiteral("u.npy")));
    };
    const auto all = [](int, int) { return true; };
    const QStringList occluding =
        pair(QSize(24, 24), all, [](int x, int y) { return x >= 8 && x < 16 && y >= 8 && y < 16 ? 0 : 255; });
    const std::vector<std::complex<float>> open = fieldOf(occluding, false);
    const std::vector<std::complex<float>> masked = fieldOf(occluding, true);
    ASSERT_EQ(open.size(), 64u * 64u);
    ASSERT_EQ(masked.size(), open.size());
    EXPECT_GT(RelativeDifference(open, masked), 0.05);

    const QStringList flat = pair(QSize(24, 24), all, [](int, int) { return 128; });
    const std::vector<std::complex<float>> flatOpen = fieldOf(flat, false);
    const std::vector<std::complex<float>> flatMasked = fieldOf(flat, true);
    ASSERT_EQ(flatMasked.size(), flatOpen.size());
    EXPECT_LT(RelativeDifference(flatOpen, flatMasked), 1e-4);
}

// What a scene cannot take: one line and its status, nothing written.
TEST_F(SceneOptionsCommandLine, RefusedOptionsGiveOneLineAndTheirStatus) {
    const QString scene = write(QStringLiteral("scene.xyz"), "0 0 0.05\n0.0001 0 0.1\n");
    QByteArray depths;
    for (int i = 0; i < 40; ++i) depths += "0 0 " + QByteArray::number(0.05 + i * 0.001) + "\n";
    const QString many = write(QStringLiteral("many.xyz"), depths);
    const QString picture = path(QStringLiteral("colour.png"));
    const QStringList depthScene =
        pair(
            QSize(4, 4), [](int, int) { return true; }, [](int, int) { return 0; }) +
        QStringList{QStringLiteral("--near"), QStringLiteral("0.1"), QStringLiteral("--far"),
                    QStringLiteral("0.2")};
    const QString output = path(QStringLiteral("h.png"));
    const QString flatPictures = QStringLiteral(" is for holograms of pictures, not the scene ") + scene +
                                 QStringLiteral(" (its hologram has --size, --pitch and --method)");
    const struct {
        QStringList arguments;
        int status;
        QString line;
    } cases[] = {
        {{scene, QStringLiteral("--reps"), QStringLiteral("5")}, 1, QStringLiteral("--reps") + flatPictures},
        {{scene, QStringLiteral("--engine"), QStringLiteral("fast")},
         1,
         QStringLiteral("--engine") + flatPictures},
        {depthScene + QStringList{QStringLiteral("--reps"), QStringLiteral("2")}, 1,
         QStringLiteral(
             "--reps is for holograms of pictures, not --depth-map (its hologram has --size, --pitch "
             "and --method)")},
        {{scene, QStringLiteral("--focus"), QStringLiteral("0.1")},
         1,
         QStringLiteral("--focus needs --reconstruct FILE, where the light at that depth is drawn")},
        {{scene, QStringLiteral("--occlusion")},
         1,
         QStringLiteral("--occlusion masks the layers of --method layers; it needs --method layers")},
        {{picture, QStringLiteral("--occlusion")},
         1,
         QStringLiteral("--occlusion needs a .ply or .xyz scene, or --depth-map DEPTH")},
        {{scene, QStringLiteral("--object-pitch"), QStringLiteral("8")},
         1,
         QStringLiteral("--object-pitch spaces a depth picture's points; it needs --depth-map DEPTH (a point "
                        "cloud's points have their own places)")},
        {{scene, QStringLiteral("--refine"), QStringLiteral("5"), QStringLiteral("--random-phase")},
         1,
         QStringLiteral(
             "--refine places the points as spots with phases of their own; --random-phase does not "
             "go with it")},
        {depthScene + QStringList{QStringLiteral("--object-pitch"), QStringLiteral("0")}, 1,
         QStringLiteral("--object-pitch must be a number of micrometres above 0: 0")},
        // Two depths cut into 4096 layers of 8192 × 8192: hours of transforms.
        {{scene, QStringLiteral("--method"), QStringLiteral("layers"), QStringLiteral("--layers"),
          QStringLiteral("4096"), QStringLiteral("--size"), QStringLiteral("8192x8192")},
         2,
         scene + QStringLiteral(": 4096 layers of 67108864 values (1.1e+12 padded values transformed in all) "
                                "are more than the 2^33 bound of the layer method; use fewer --layers, or "
                                "--max-seconds S to go on")},
        // 40 depths, each a picture of 8192 × 8192 for the report's focus figures.
        {{many, QStringLiteral("--size"), QStringLiteral("8192x8192"), QStringLiteral("--report"),
          QStringLiteral("--reconstruct"), path(QStringLiteral("r.png"))},
         2,
         many + QStringLiteral(": the focus figures of 40 depths on 67108864 values (1.1e+10 padded values "
                               "transformed) are more than the 2^33 bound of the layer method; leave out "
                               "--report, or --max-seconds S to go on")},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.arguments + QStringList{QStringLiteral("-o"), output}, {}, RunLimitMs);
        EXPECT_EQ(run.status, c.status) << c.line.toStdString();
        EXPECT_EQ(run.err.section(QLatin1Char('\n'), 0, 0), QStringLiteral("marbleck-cli: ") + c.line);
        EXPECT_FALSE(QFile::exists(output)) << c.line.toStdString();
    }
}

// With --reconstruct, the report measures how well each depth's points come
// to focus: a point alone at each of two depths gathers a good share of its
// depth's light within 3 pixels, beside the other point's light spread
// there (the nearer point's, brighter, spreads over the farther's depth).
TEST_F(SceneOptionsCommandLine, ReportGivesTheFocusOfEachDepth) {
    const QString scene = write(QStringLiteral("two.xyz"), "0.0002 0 0.05\n-0.0002 0.0001 0.08\n");
    const CliRun run =
        RunCli({scene, QStringLiteral("--size"), QStringLiteral("255x255"), QStringLiteral("--encode"),
                QStringLiteral("complex"), QStringLiteral("-o"), path(QStringLiteral("u.npy")),
                QStringLiteral("--reconstruct"), path(QStringLiteral("r.png")), QStringLiteral("--report")},
               {}, RunLimitMs);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(report.value(QStringLiteral("method")).toString(), QStringLiteral("points"));
    EXPECT_EQ(report.value(QStringLiteral("points")).toInt(), 2);
    EXPECT_EQ(report.value(QStringLiteral("columns")).toInt(), 255);
    EXPECT_EQ(report.value(QStringLiteral("pitchUm")).toDouble(), 8);
    EXPECT_GT(report.value(QStringLiteral("pointPixelsPerSecond")).toDouble(), 0);
    const QJsonObject focus = report.value(QStringLiteral("focusFigures")).toObject();
    const QJsonObject depths = focus.value(QStringLiteral("depths")).toObject();
    ASSERT_EQ(depths.keys(), (QStringList{QStringLiteral("0.05"), QStringLiteral("0.08")}))
        << run.out.toStdString();
    for (const QString& depth : depths.keys()) {
        const QJsonObject figures = depths.value(depth).toObject();
        EXPECT_EQ(figures.value(QStringLiteral("points")).toInt(), 1);
        EXPECT_GT(figures.value(QStringLiteral("share")).toDouble(), 0.15) << depth.toStdString();
        EXPECT_LE(figures.value(QStringLiteral("share")).toDouble(), 1) << depth.toStdString();
    }
    const double mean = focus.value(QStringLiteral("meanShare")).toDouble();
    EXPECT_NEAR(mean,
                (depths.value(QStringLiteral("0.05")).toObject().value(QStringLiteral("share")).toDouble() +
                 depths.value(QStringLiteral("0.08")).toObject().value(QStringLiteral("share")).toDouble()) /
                    2,
                1e-9);

    // Without a reconstruction there is nothing to measure.
    const CliRun plain =
        RunCli({scene, QStringLiteral("--size"), QStringLiteral("64x64"), QStringLiteral("-o"),
                path(QStringLiteral("h.png")), QStringLiteral("--report")},
               {}, RunLimitMs);
    ASSERT_EQ(plain.status, 0) << plain.err.toStdString();
    EXPECT_TRUE(
        QJsonDocument::fromJson(plain.out.toUtf8()).object().value(QStringLiteral("focusFigures")).isNull());
}

}  // namespace
}  // namespace marbleck
