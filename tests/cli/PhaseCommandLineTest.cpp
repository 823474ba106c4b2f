// --phase as a script runs it: the panel's file read back against the
// engine's own phase hologram and panel map of the same object, the lookup
// table file's failures, the deadline reaching a refinement, and the tilt
// seen in the reconstruction.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "CliProcess.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/LookupTable.h"
#include "engine/phase/PanelMap.h"
#include "engine/phase/PhaseFigures.h"
#include "engine/phase/Refinement.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::RunCli;

constexpr int RunLimitMs = 120000;

// Lit pixels of several grey levels (the largest channel counts), in scan
// order (x outer, y inner), with the brightness each asks for.
struct LitPixel {
    int x;
    int y;
    QRgb colour;
    float brightness;
};
const std::vector<LitPixel> Lit{{2, 3, qRgb(255, 255, 255), 1.0f},
                                {9, 12, qRgb(128, 128, 128), 128 / 255.0f},
                                {17, 5, qRgb(0, 200, 0), 200 / 255.0f},
                                {20, 14, qRgb(255, 255, 255), 1.0f}};
constexpr int ObjectWidth = 24;
constexpr int ObjectHeight = 16;

QString SavedObject(const QTemporaryDir& dir) {
    QImage image(ObjectWidth, ObjectHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (const LitPixel& p : Lit) image.setPixel(p.x, p.y, p.colour);
    const QString path = dir.filePath(QStringLiteral("object.png"));
    return image.save(path) ? path : QString();
}

// The engine's phase hologram of the saved object at reps 2 with random
// phases from seed 7.
PhaseHologram EnginePhaseHologram(std::optional<RefinementRequest> refinement) {
    PhaseRequest request;
    request.hologram.object.width = ObjectWidth;
    request.hologram.object.height = ObjectHeight;
    for (const LitPixel& p : Lit) {
        request.hologram.object.litSamples.push_back({p.x, p.y});
        request.brightness.push_back(p.brightness);
    }
    request.hologram.reps = 2;
    request.hologram.randomPhase = true;
    request.hologram.seed = 7;
    request.refinement = refinement;
    return MakePhaseHologram(std::move(request));
}

const QStringList SameObjectArguments{"--phase", "--reps", "2", "--random-phase", "--seed", "7"};

// A maker's table: not linear, and not starting at 0.
PhaseLookupTable MakersTable() {
    PhaseLookupTable table{};
    for (int k = 0; k < 256; ++k)
        table[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(30 + k * 200 / 255);
    return table;
}

QString SavedTable(const QTemporaryDir& dir, const PhaseLookupTable& table) {
    QByteArray text("# phase steps 0 .. 255\n\n");
    for (const std::uint8_t level : table) text += QByteArray::number(level) + '\n';
    const QString path = dir.filePath(QStringLiteral("LUT.txt"));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() ? path : QString();
}

// The panel's 8-bit levels equal the engine's map, except where the phase
// sits on a step's edge, which the last float rounding may tip.
void ExpectLevels(const QImage& written, const PanelMap& map, const PhaseLookupTable& table) {
    const int rows = map.phase.rows();
    ASSERT_EQ(written.size(), QSize(map.phase.columns(), rows));
    int differing = 0;
    for (int x = 0; x < map.phase.columns(); ++x)
        for (int y = 0; y < rows; ++y) {
            const int level = qGray(written.pixel(x, y));
            ASSERT_EQ(written.pixel(x, y), qRgb(level, level, level));
            const std::uint8_t expected = map.levels[static_cast<std::size_t>(x) * rows + y];
            if (level == expected) continue;
            const double step = map.phase(x, y) * 256 / (2 * std::numbers::pi);
            EXPECT_NEAR(std::abs(step - std::floor(step) - 0.5), 0, 1e-3) << x << "," << y;
            const auto next = static_cast<std::size_t>(std::lround(step) + 255) % 256;
            EXPECT_TRUE(level == table[next] || level == table[(next + 2) % 256]) << x << "," << y;
            ++differing;
        }
    EXPECT_LT(differing, 10);
}

void ExpectFigures(const QJsonObject& json, const PhaseFigures& expected) {
    const auto expect = [&](const char* key, double value) {
        if (std::isnan(value))
            EXPECT_TRUE(json[key].isNull()) << key;
        else
            EXPECT_NEAR(json[key].toDouble(), value, 1e-6 * std::abs(value)) << key;
    };
    expect("efficiency", expected.efficiency);
    expect("uniformity", expected.uniformity);
    expect("spread", expected.spread);
    expect("fidelity", expected.fidelity);
}

// The done-when run, at a small panel: a refined kinoform through a maker's
// table with a tilt is what the engine maps, and the report gives its figures.
TEST(PhaseCommandLine, PanelPngIsTheEnginesMapThroughTheTable) {
    QTemporaryDir dir;
    const QString object = SavedObject(dir);
    const PhaseLookupTable table = MakersTable();
    const QString lut = SavedTable(dir, table);
    ASSERT_FALSE(lut.isEmpty());
    const QString output = dir.filePath(QStringLiteral("slm.png"));
    const CliRun run = RunCli(QStringList{object, "-o", output} + SameObjectArguments +
                                  QStringList{"--refine", "3", "--slm", "100x60", "--lut", lut, "--tilt",
                                              "0.25,-0.125", "--report", "--quiet"},
                              {}, RunLimitMs);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();

    const PhaseHologram hologram =
        EnginePhaseHologram(RefinementRequest{RefinementMethod::GerchbergSaxton, 3});
    PanelSettings settings;
    settings.width = 100;
    settings.height = 60;
    settings.tiltX = 0.25;
    settings.tiltY = -0.125;
    settings.lookup = table;
    const PanelMap map = MapToPanel(hologram, settings);
    const QImage written(output);
    EXPECT_EQ(written.format(), QImage::Format_Grayscale8);
    ExpectLevels(written, map, table);

    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(report["points"].toInt(), 4);
    EXPECT_EQ(report["columns"].toInt(), hologram.geometry.columns);
    EXPECT_EQ(report["panel"].toObject()["width"].toInt(), 100);
    EXPECT_EQ(report["panel"].toObject()["height"].toInt(), 60);
    ExpectFigures(report, hologram.figures);
    const QJsonObject refinement = report["refinement"].toObject();
    EXPECT_EQ(refinement["method"].toString(), QStringLiteral("gs"));
    EXPECT_EQ(refinement["iterations"].toInt(), 3);
    ASSERT_TRUE(hologram.refinement.has_value());
    ExpectFigures(refinement["before"].toObject(), hologram.refinement->start);
    ExpectFigures(refinement["after"].toObject(), hologram.refinement->end);
    EXPECT_TRUE(report["threshold"].isUndefined());
}

// What each format holds of one panel: grey levels through the linear table
// of --two-pi, or the phase itself, column x row y at image pixel (x, y).
class PanelFormats : public ::testing::TestWithParam<const char*> {
protected:
    static const PanelMap& Expected() {
        static const PanelMap map = [] {
            PanelSettings settings;
            settings.width = 70;
            settings.height = 50;
            settings.fill = PanelFill::Pad;
            settings.tiltX = 0.1;
            settings.tiltY = 0.05;
            settings.lens = LensTerm{0.5, 633, 8};
            settings.lookup = LinearLookupTable(200);
            return MapToPanel(EnginePhaseHologram(std::nullopt), settings);
        }();
        return map;
    }
};

std::vector<float> NpyValues(const QString& path, int columns, int rows) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    const int header = static_cast<unsigned char>(bytes[8]) | (static_cast<unsigned char>(bytes[9]) << 8);
    EXPECT_TRUE(bytes.mid(10, header).contains(QStringLiteral("(%1, %2)").arg(rows).arg(columns).toLatin1()));
    std::vector<float> values(static_cast<std::size_t>(columns) * rows);
    if (bytes.size() != 10 + header + static_cast<qsizetype>(values.size() * 4)) return {};
    std::memcpy(values.data(), bytes.constData() + 10 + header, values.size() * 4);
    return values;
}

std::vector<float> TiffValues(const QString& path, int columns, int rows) {
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (tiff == nullptr) return {};
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::vector<float> values;
    if (width == static_cast<std::uint32_t>(columns) && height == static_cast<std::uint32_t>(rows)) {
        values.resize(static_cast<std::size_t>(columns) * rows);
        for (int y = 0; y < rows; ++y)
            if (TIFFReadScanline(tiff, values.data() + static_cast<std::size_t>(y) * columns, y, 0) != 1) {
                values.clear();
                break;
            }
    }
    TIFFClose(tiff);
    return values;
}

TEST_P(PanelFormats, HoldTheLevelsOrThePhase) {
    QTemporaryDir dir;
    const QString output = dir.filePath(QLatin1String(GetParam()));
    const CliRun run =
        RunCli(QStringList{SavedObject(dir), "-o", output} + SameObjectArguments +
                   QStringList{"--slm", "70x50", "--fill", "pad", "--two-pi", "200", "--tilt", "0.1,0.05",
                               "--lens", "0.5", "--wavelength", "633", "--pitch", "8"},
               {}, RunLimitMs);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const PanelMap& map = Expected();
    const int columns = map.phase.columns();
    const int rows = map.phase.rows();
    const QString suffix = QFileInfo(output).suffix();
    if (suffix == QLatin1String("png") || suffix == QLatin1String("bmp")) {
        const QImage written(output);
        ASSERT_EQ(written.size(), QSize(columns, rows));
        for (int x = 0; x < columns; ++x)
            for (int y = 0; y < rows; ++y)
                ASSERT_EQ(qGray(written.pixel(x, y)), map.levels[static_cast<std::size_t>(x) * rows + y])
                    << x << "," << y;
        return;
    }
    const std::vector<float> values =
        suffix == QLatin1String("npy") ? NpyValues(output, columns, rows) : TiffValues(output, columns, rows);
    ASSERT_EQ(values.size(), static_cast<std::size_t>(columns) * rows);
    for (int x = 0; x < columns; ++x)
        for (int y = 0; y < rows; ++y)
            ASSERT_EQ(values[static_cast<std::size_t>(y) * columns + x], map.phase(x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Formats, PanelFormats, ::testing::Values("slm.png", "slm.bmp", "slm.npy", "slm.tif"),
                         [](const auto& info) {
                             return std::string(QFileInfo(info.param).suffix().toStdString());
                         });

// A table that cannot be used stops the run before any object, in one line
// naming the table, with the input status.
struct TableCase {
    const char* name;
    QByteArray text;     // null: no file at all
    const char* reason;  // what the line says after the file's name
};

class BadTables : public ::testing::TestWithParam<TableCase> {};

TEST_P(BadTables, StopTheRunInOneLineWithStatus2) {
    const TableCase& c = GetParam();
    QTemporaryDir dir;
    const QString lut = dir.filePath(QStringLiteral("LUT.txt"));
    if (!c.text.isNull()) {
        QFile file(lut);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.text);
    }
    const QString output = dir.filePath(QStringLiteral("slm.png"));
    const CliRun run =
        RunCli({SavedObject(dir), "-o", output, "--phase", "--lut", lut, "--quiet"}, {}, RunLimitMs);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("marbleck-cli: ") + lut + QStringLiteral(": ") + c.reason))
        << run.err.toStdString();
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(output));
}

QByteArray LinesWithBadTwelfth() {
    QByteArray text;
    for (int k = 0; k < 256; ++k) text += (k == 11 ? QByteArray("twelve") : QByteArray::number(k)) + '\n';
    return text;
}

INSTANTIATE_TEST_SUITE_P(Cases, BadTables,
                         ::testing::Values(TableCase{"BadLine", LinesWithBadTwelfth(), "line 12: "},
                                           TableCase{"Missing", QByteArray(), "File not found"},
                                           TableCase{"TooLarge", QByteArray(2 << 20, '\n'),
                                                     "Path/File access error: "}),
                         [](const auto& info) { return std::string(info.param.name); });

// A table named as the output would be overwritten by it: nothing runs.
TEST(PhaseCommandLine, OutputOverTheTableIsRefused) {
    QTemporaryDir dir;
    const QString lut = SavedTable(dir, MakersTable());
    const QString output = dir.filePath(QStringLiteral("LUT.txt.png"));
    ASSERT_TRUE(QFile::rename(lut, output));
    const CliRun run = RunCli({SavedObject(dir), "-o", output, "--phase", "--lut", output}, {}, RunLimitMs);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("would overwrite the lookup table")))
        << run.err.toStdString();
    QFile kept(output);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kept.readAll().startsWith("# phase steps"));
}

// On a terminal the progress line names the refinement and its share done.
TEST(PhaseCommandLine, ProgressOnATerminalShowsTheRefinement) {
    QTemporaryDir dir;
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal), 0);
    ASSERT_EQ(::unlockpt(terminal), 0);
    const QByteArray side = ::ptsname(terminal);
    const CliRun run = RunCli(
        {SavedObject(dir), "-o", dir.filePath(QStringLiteral("slm.png")), "--phase", "--reps", "4",
         "--refine", "100000000", "--max-seconds", "1"},
        [side] {
            const int stderrTerminal = ::open(side.constData(), O_RDWR | O_NOCTTY);
            if (stderrTerminal >= 0) ::dup2(stderrTerminal, STDERR_FILENO);
        },
        RunLimitMs);
    EXPECT_EQ(run.status, 2);
    ::fcntl(terminal, F_SETFL, O_NONBLOCK);
    QByteArray shown;
    char buffer[4096];
    for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, got);
    ::close(terminal);
    EXPECT_TRUE(shown.contains("refining, ")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(" %")) << shown.toStdString();
}

// The reconstruction is the panel's far field: a tilt of (1/4, 1/8) cycles
// per pixel on a 32 x 32 panel moves every bin by (8, 4), wrapping round.
TEST(PhaseCommandLine, ReconstructionShowsTheTiltsShift) {
    QTemporaryDir dir;
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::black);
    image.setPixel(5, 3, qRgb(255, 255, 255));
    const QString object = dir.filePath(QStringLiteral("point.png"));
    ASSERT_TRUE(image.save(object));
    QImage pictures[2];
    for (int tilted = 0; tilted < 2; ++tilted) {
        const QString picture = dir.filePath(QStringLiteral("R%1.png").arg(tilted));
        QStringList arguments{object,    "-o",     dir.filePath(QStringLiteral("H%1.npy").arg(tilted)),
                              "--phase", "--reps", "2",
                              "--slm",   "32x32",  "--reconstruct",
                              picture};
        if (tilted)
            arguments << "--tilt"
                      << "0.25,0.125";
        const CliRun run = RunCli(arguments, {}, RunLimitMs);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        pictures[tilted] = QImage(picture).convertToFormat(QImage::Format_Grayscale8);
        ASSERT_EQ(pictures[tilted].size(), QSize(32, 32));
    }
    int lit = 0;
    for (int x = 0; x < 32; ++x)
        for (int y = 0; y < 32; ++y) {
            const int fromX = (x + 32 - 8) % 32;
            const int fromY = (y + 32 - 4) % 32;
            // Each takes off its own zero order, which the other keeps.
            if ((x == 16 && y == 16) || (fromX == 16 && fromY == 16)) continue;
            const int shifted = qGray(pictures[1].pixel(x, y));
            EXPECT_NEAR(shifted, qGray(pictures[0].pixel(fromX, fromY)), 1) << x << "," << y;
            if (shifted == 255) ++lit;
        }
    EXPECT_GE(lit, 1);
}

}  // namespace
}  // namespace marbleck
