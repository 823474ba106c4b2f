// A scene hologram's encodings as a script writes them: the complex field as
// a pair of float TIFFs read back by libtiff, the phase mapped onto a panel,
// the amplitude hologram's reference angle and binarization, and each option
// that cannot go with a scene refused by its one line and exit status.

#include <gtest/gtest.h>
#include <tiffio.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>
#include <vector>

#include "CliProcess.h"
#include "engine/phase/PanelMap.h"
#include "engine/scenes/FieldEncoding.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::RunCli;

constexpr int RunLimitMs = 120000;

// Three points at two depths, off the axis, so that no value is 0 and the
// real and imaginary parts differ everywhere.
constexpr char ThreePointsXyz[] = "0.00004 -0.000024 0.1 1\n-0.0001 0.00005 0.12 0.5\n0 0 0.08 0.8\n";

// A .npy file's complex64 values and shape (rows, columns, or pages, rows,
// columns), C order.
struct NpyComplex {
    QString shape;
    std::vector<std::complex<float>> values;
};

NpyComplex ReadNpyComplex(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 10) return {};
    const int length = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    const QByteArray header = bytes.mid(10, length);
    NpyComplex npy;
    const qsizetype open = header.indexOf("'shape': (");
    npy.shape = QString::fromLatin1(header.mid(open + 10, header.indexOf(')', open) - open - 10));
    npy.values.resize(static_cast<std::size_t>((bytes.size() - 10 - length) / 8));
    std::memcpy(npy.values.data(), bytes.constData() + 10 + length, npy.values.size() * 8);
    return npy;
}

// A .npy file's float32 values, C order (row after row).
std::vector<float> ReadNpyFloats(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 10) return {};
    const int length = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    std::vector<float> values(static_cast<std::size_t>((bytes.size() - 10 - length) / 4));
    std::memcpy(values.data(), bytes.constData() + 10 + length, values.size() * 4);
    return values;
}

// A float TIFF's pages as libtiff reads them, row after row, page after
// page; empty where a page is not 32-bit float of one sample.
struct TiffPages {
    int columns = 0;
    int rows = 0;
    int pages = 0;
    std::vector<float> values;
};

TiffPages ReadFloatTiff(const QString& path) {
    TiffPages read;
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (tiff == nullptr) return read;
    do {
        std::uint32_t width = 0, height = 0;
        std::uint16_t bits = 0, format = 0, samples = 0;
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
        if (bits != 32 || format != SAMPLEFORMAT_IEEEFP || samples != 1) {
            TIFFClose(tiff);
            return {};
        }
        read.columns = static_cast<int>(width);
        read.rows = static_cast<int>(height);
        std::vector<float> row(width);
        for (std::uint32_t v = 0; v < height; ++v) {
            if (TIFFReadScanline(tiff, row.data(), v, 0) != 1) {
                TIFFClose(tiff);
                return {};
            }
            read.values.insert(read.values.end(), row.begin(), row.end());
        }
        ++read.pages;
    } while (TIFFReadDirectory(tiff) == 1);
    TIFFClose(tiff);
    return read;
}

class SceneEncodings : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString scene() { return write(QStringLiteral("scene.xyz"), ThreePointsXyz); }
    // The scene's hologram of 37 × 21 at 8 µm with `more` options.
    CliRun run(const QStringList& more) {
        return RunCli(QStringList{scene(), QStringLiteral("--size"), QStringLiteral("37x21"),
                                  QStringLiteral("--pitch"), QStringLiteral("8")} +
                          more,
                      {}, RunLimitMs);
    }
    // The same scene without --size, for a panel to set it.
    CliRun runOnPanel(const QStringList& more) {
        return RunCli(QStringList{scene(), QStringLiteral("--pitch"), QStringLiteral("8")} + more, {},
                      RunLimitMs);
    }

    QTemporaryDir dir_;
};

// The complex field of two wavelengths as a TIFF pair: each file a page a
// wavelength, rows top down, the values those of the .npy bit for bit.
TEST_F(SceneEncodings, ComplexTiffPairHoldsTheNpysValues) {
    const QStringList complex{QStringLiteral("--wavelength"), QStringLiteral("633,532"),
                              QStringLiteral("--encode"), QStringLiteral("complex")};
    const CliRun npy = run(complex + QStringList{QStringLiteral("-o"), path(QStringLiteral("u.npy"))});
    ASSERT_EQ(npy.status, 0) << npy.err.toStdString();
    const CliRun tiff = run(complex + QStringList{QStringLiteral("-o"), path(QStringLiteral("u.tif"))});
    ASSERT_EQ(tiff.status, 0) << tiff.err.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("u.tif"))));

    const NpyComplex field = ReadNpyComplex(path(QStringLiteral("u.npy")));
    ASSERT_EQ(field.shape, QStringLiteral("2, 21, 37"));
    const TiffPages real = ReadFloatTiff(path(QStringLiteral("u.re.tif")));
    const TiffPages imaginary = ReadFloatTiff(path(QStringLiteral("u.im.tif")));
    for (const TiffPages* part : {&real, &imaginary}) {
        EXPECT_EQ(part->columns, 37);
        EXPECT_EQ(part->rows, 21);
        EXPECT_EQ(part->pages, 2);
        ASSERT_EQ(part->values.size(), field.values.size());
    }
    for (std::size_t i = 0; i < field.values.size(); ++i) {
        ASSERT_EQ(real.values[i], field.values[i].real()) << i;
        ASSERT_EQ(imaginary.values[i], field.values[i].imag()) << i;
    }
}

// A pair whose second file cannot be written leaves the first as it was:
// no new real parts beside old imaginary ones.
TEST_F(SceneEncodings, FailedSecondFileLeavesNoHalfPair) {
    const QByteArray old("old real parts");
    write(QStringLiteral("u.re.tif"), old);
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("u.im.tif")));
    const CliRun failed = run({QStringLiteral("--encode"), QStringLiteral("complex"), QStringLiteral("-o"),
                               path(QStringLiteral("u.tif"))});
    EXPECT_EQ(failed.status, 3);
    EXPECT_TRUE(failed.err.startsWith(QStringLiteral("marbleck-cli: ") + path(QStringLiteral("u.im.tif")) +
                                      QStringLiteral(": ")))
        << failed.err.toStdString();
    EXPECT_EQ(failed.err.count(QLatin1Char('\n')), 1);
    QFile first(path(QStringLiteral("u.re.tif")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), old);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // the scene, u.re.tif
}

// Either file of the pair is an output no input may be: a depth picture
// named as the imaginary parts' file is refused before anything is read.
TEST_F(SceneEncodings, PairFilesGoThroughTheCollisionCheck) {
    QImage colour(4, 4, QImage::Format_RGB32);
    colour.fill(Qt::white);
    ASSERT_TRUE(colour.save(path(QStringLiteral("colour.png"))));
    const QString depth = path(QStringLiteral("u.im.tif"));
    const QByteArray depthBytes("not read");
    write(QStringLiteral("u.im.tif"), depthBytes);
    const CliRun refused = RunCli(
        {path(QStringLiteral("colour.png")), QStringLiteral("--depth-map"), depth, QStringLiteral("--near"),
         QStringLiteral("0.1"), QStringLiteral("--far"), QStringLiteral("0.2"), QStringLiteral("--encode"),
         QStringLiteral("complex"), QStringLiteral("-o"), path(QStringLiteral("u.tif"))});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              QStringLiteral("marbleck-cli: %1: the hologram of %2 would overwrite the depth picture %1\n")
                  .arg(depth, path(QStringLiteral("colour.png"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("u.re.tif"))));
}

struct PanelCase {
    const char* encoding;
    HologramField (*encode)(const SceneField&, const ExecutionContext&);
};

class ScenePanel : public SceneEncodings, public ::testing::WithParamInterface<PanelCase> {};

// The scene's phase on a panel (its size the hologram's, a lookup table,
// tilt and lens) is the phase of its complex field put through MapToPanel
// as a phase hologram of a picture is: the .npy its φ, the PNG its levels.
TEST_P(ScenePanel, PhaseOnThePanelIsTheFieldsPhaseMapped) {
    QByteArray table;
    for (int k = 0; k < 256; ++k) table += QByteArray::number((k * 7 + 40) % 256) + '\n';
    const QString lut = write(QStringLiteral("lut.txt"), table);
    const CliRun complex = run({QStringLiteral("--encode"), QStringLiteral("complex"), QStringLiteral("-o"),
                                path(QStringLiteral("u.npy"))});
    ASSERT_EQ(complex.status, 0) << complex.err.toStdString();
    const QStringList panel{QStringLiteral("--encode"), QString::fromLatin1(GetParam().encoding),
                            QStringLiteral("--slm"),    QStringLiteral("37x21"),
                            QStringLiteral("--lut"),    lut,
                            QStringLiteral("--tilt"),   QStringLiteral("0.25,-0.125"),
                            QStringLiteral("--lens"),   QStringLiteral("0.4")};
    for (const char* name : {"p.npy", "p.png"}) {
        const CliRun mapped =
            runOnPanel(panel + QStringList{QStringLiteral("-o"), path(QLatin1String(name))});
        ASSERT_EQ(mapped.status, 0) << mapped.err.toStdString();
    }

    const NpyComplex field = ReadNpyComplex(path(QStringLiteral("u.npy")));
    SceneField scene(ScenePlane{37, 21, 8e-6});
    ASSERT_EQ(field.values.size(), scene.values.size());
    scene.values = field.values;
    PanelSettings settings;
    settings.tiltX = 0.25;
    settings.tiltY = -0.125;
    settings.lens = LensTerm{0.4, 633, 8};
    for (int k = 0; k < 256; ++k)
        settings.lookup[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>((k * 7 + 40) % 256);
    const PanelMap expected = MapToPanel(PhaseHologramOfField(GetParam().encode(scene, {})), settings);

    const std::vector<float> phase = ReadNpyFloats(path(QStringLiteral("p.npy")));
    const QImage levels(path(QStringLiteral("p.png")));
    ASSERT_EQ(phase.size(), scene.values.size());
    ASSERT_EQ(levels.size(), QSize(37, 21));
    for (int r = 0; r < 21; ++r)
        for (int c = 0; c < 37; ++c) {
            ASSERT_FLOAT_EQ(phase[static_cast<std::size_t>(r) * 37 + c], expected.phase(c, r))
                << c << "," << r;
            ASSERT_EQ(qGray(levels.pixel(c, r)), expected.levels[static_cast<std::size_t>(c) * 21 + r])
                << c << "," << r;
        }
}

INSTANTIATE_TEST_SUITE_P(Encodings, ScenePanel,
                         ::testing::Values(PanelCase{"phase", PhaseOfField},
                                           PanelCase{"double-phase", DoublePhaseOfField}),
                         [](const auto& info) {
                             return info.param.encoding[0] == 'p' ? "Phase" : "DoublePhase";
                         });

// The largest bin of the 2-D spectrum of `values` (rows × columns, row after
// row) away from its centre, as signed frequencies (kx, ky) in bins.
QPoint SpectrumPeak(const std::vector<float>& values, int columns, int rows) {
    double mean = 0;
    for (float v : values) mean += v;
    mean /= static_cast<double>(values.size());
    QPoint best;
    double largest = -1;
    for (int ky = -rows / 2; ky < rows / 2; ++ky)
        for (int kx = -columns / 2; kx < columns / 2; ++kx) {
            if (kx == 0 && ky == 0) continue;
            std::complex<double> sum;
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c)
                    sum += (values[static_cast<std::size_t>(r) * columns + c] - mean) *
                           std::polar(1.0, -2 * std::numbers::pi *
                                               (double(kx) * c / columns + double(ky) * r / rows));
            if (std::abs(sum) > largest) {
                largest = std::abs(sum);
                best = {kx, ky};
            }
        }
    return best;
}

// The reference's angle sets the fringes of the amplitude hologram of a
// point far away (a plane wave here): the spectrum's peak lies at
// sin θ / λ, in bins sin θ · pitch · side / λ, and by default at a quarter of
// the sampling frequency along x.
TEST_F(SceneEncodings, ReferenceAngleSetsTheFringesFrequency) {
    write(QStringLiteral("far.xyz"), "0 0 100 1\n");
    const auto degrees = [](int bins, int side) {
        return std::asin(bins * 633e-9 / (side * 8e-6)) * 180 / std::numbers::pi;
    };
    const struct {
        QStringList angle;
        QPoint bins;
    } cases[] = {
        {{}, {16, 0}},
        {{QStringLiteral("--reference-angle"), QString::number(degrees(10, 64), 'g', 12)}, {10, 0}},
        {{QStringLiteral("--reference-angle"), QString::number(degrees(-7, 64), 'g', 12) + QLatin1Char(',') +
                                                   QString::number(degrees(6, 48), 'g', 12)},
         {-7, 6}},
    };
    for (const auto& c : cases) {
        const QString output = path(QStringLiteral("a.npy"));
        const CliRun made = RunCli(
            QStringList{path(QStringLiteral("far.xyz")), QStringLiteral("--size"), QStringLiteral("64x48"),
                        QStringLiteral("--pitch"), QStringLiteral("8"), QStringLiteral("--encode"),
                        QStringLiteral("amplitude"), QStringLiteral("-o"), output} +
                c.angle,
            {}, RunLimitMs);
        ASSERT_EQ(made.status, 0) << made.err.toStdString();
        const std::vector<float> amplitude = ReadNpyFloats(output);
        ASSERT_EQ(amplitude.size(), 64u * 48u);
        const QPoint peak = SpectrumPeak(amplitude, 64, 48);
        // A real pattern's peak and its mirror are equal: either may win.
        EXPECT_TRUE(peak == c.bins || peak == -c.bins)
            << c.angle.join(' ').toStdString() << ": " << peak.x() << "," << peak.y();
    }
}

// A threshold and the balanced threshold binarize the amplitude hologram as
// they binarize a printed one: values strictly above the threshold white,
// the median making half of them white.
TEST_F(SceneEncodings, AmplitudeBinarizedByThresholdAndMedian) {
    const QStringList amplitude{QStringLiteral("--encode"), QStringLiteral("amplitude"),
                                QStringLiteral("--reference-angle"), QStringLiteral("1,0.5")};
    ASSERT_EQ(run(amplitude + QStringList{QStringLiteral("-o"), path(QStringLiteral("a.npy"))}).status, 0);
    for (const char* binarize : {"0.4", "balanced"}) {
        const CliRun binary =
            run(amplitude + QStringList{QStringLiteral("--binarize"), QLatin1String(binarize),
                                        QStringLiteral("-o"), path(QStringLiteral("b.npy"))});
        ASSERT_EQ(binary.status, 0) << binary.err.toStdString();
        const std::vector<float> values = ReadNpyFloats(path(QStringLiteral("a.npy")));
        const std::vector<float> binarized = ReadNpyFloats(path(QStringLiteral("b.npy")));
        ASSERT_EQ(values.size(), 37u * 21u);
        ASSERT_EQ(binarized.size(), values.size());
        std::vector<float> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const double threshold = binarize[0] == '0' ? 0.4 : sorted[(sorted.size() - 1) / 2];
        std::size_t white = 0;
        for (std::size_t i = 0; i < values.size(); ++i) {
            ASSERT_EQ(binarized[i], values[i] > threshold ? 1.0f : 0.0f) << binarize << " at " << i;
            white += binarized[i] > 0;
        }
        if (binarize[0] == 'b') {
            EXPECT_EQ(white, values.size() / 2);
        }
    }
}

// Options that cannot go with a scene's encoding: one line naming the
// option, status 1, nothing written.
TEST_F(SceneEncodings, OptionsOfAnotherEncodingAreRefused) {
    const QString lut = write(QStringLiteral("lut.txt"), "0\n");
    const struct {
        QStringList arguments;
        QString reason;
    } cases[] = {
        {{QStringLiteral("--slm"), QStringLiteral("64x64"), QStringLiteral("--size"),
          QStringLiteral("32x32")},
         QStringLiteral(
             "--size 32x32 is not the panel's --slm 64x64: a 3-D hologram for a panel is made on its "
             "pixels (leave --size out)")},
        {{QStringLiteral("--slm"), QStringLiteral("64x64"), QStringLiteral("--wavelength"),
          QStringLiteral("633,532")},
         QStringLiteral("a panel shows one wavelength; give one --wavelength NM, not 633,532")},
        {{QStringLiteral("--tilt"), QStringLiteral("0.1,0"), QStringLiteral("--encode"),
          QStringLiteral("amplitude")},
         QStringLiteral(
             "--slm, --two-pi, --lut, --tilt and --lens map a phase onto a panel; --encode must be phase "
             "or double-phase")},
        {{QStringLiteral("--fill"), QStringLiteral("pad")}, QStringLiteral("--fill needs --phase")},
        {{QStringLiteral("--reference-angle"), QStringLiteral("1")},
         QStringLiteral("--reference-angle is for --encode amplitude")},
        {{QStringLiteral("--encode"), QStringLiteral("amplitude"), QStringLiteral("--reference-angle"),
          QStringLiteral("2.5")},
         QStringLiteral(
             "--reference-angle 2.5 gives fringes finer than a pitch of 8 µm carries at 633 nm: sin of "
             "the angle must be at most 0.0396 (2.27 degrees)")},
        {{QStringLiteral("--encode"), QStringLiteral("amplitude"), QStringLiteral("--reference-angle"),
          QStringLiteral("1,x")},
         QStringLiteral(
             "--reference-angle must be DEG or DEGX,DEGY, degrees from the axis under 90 (1.5 or 1,0.5): "
             "1,x")},
        {{QStringLiteral("--binarize"), QStringLiteral("balanced")},
         QStringLiteral("--binarize prints a 3-D hologram's amplitude encoding; --encode must be amplitude")},
        {{QStringLiteral("--encode"), QStringLiteral("amplitude"), QStringLiteral("--binarize"),
          QStringLiteral("optimised")},
         QStringLiteral(
             "--binarize optimised judges the far field of a flat picture's points, which a 3-D hologram "
             "does not form; take a threshold or balanced")},
    };
    for (const auto& c : cases) {
        const QString output = path(QStringLiteral("h.png"));
        const CliRun refused = run(c.arguments + QStringList{QStringLiteral("-o"), output});
        EXPECT_EQ(refused.status, 1) << c.reason.toStdString();
        EXPECT_EQ(refused.err.section(QLatin1Char('\n'), 0, 0), QStringLiteral("marbleck-cli: ") + c.reason);
        EXPECT_FALSE(QFile::exists(output)) << c.reason.toStdString();
    }
    // A colour scene has three wavelengths unless told otherwise.
    QImage colour(4, 4, QImage::Format_RGB32);
    colour.fill(Qt::white);
    ASSERT_TRUE(colour.save(path(QStringLiteral("colour.png"))));
    QImage depth(4, 4, QImage::Format_Grayscale8);
    depth.fill(0);
    ASSERT_TRUE(depth.save(path(QStringLiteral("depth.png"))));
    const CliRun colourOnPanel =
        RunCli({path(QStringLiteral("colour.png")), QStringLiteral("--depth-map"),
                path(QStringLiteral("depth.png")), QStringLiteral("--near"), QStringLiteral("0.1"),
                QStringLiteral("--far"), QStringLiteral("0.2"), QStringLiteral("--slm"),
                QStringLiteral("16x16"), QStringLiteral("-o"), path(QStringLiteral("h.png"))},
               {}, RunLimitMs);
    EXPECT_EQ(colourOnPanel.status, 2);
    EXPECT_EQ(colourOnPanel.err,
              QStringLiteral("marbleck-cli: %1: a panel shows one wavelength; the colour scene has "
                             "3: give one --wavelength NM\n")
                  .arg(path(QStringLiteral("colour.png"))));
}

}  // namespace
}  // namespace marbleck
