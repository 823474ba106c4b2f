// The scene kind as the kinds table runs it: its options read from text with
// the command line's reasons, and holograms of tiny scenes in every encoding
// that bring their points back to focus at their own depth and place.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "engine/kinds/HologramJob.h"
#include "engine/kinds/OptionTextMap.h"
#include "engine/kinds/scene/SceneKind.h"
#include "platform/RunTimeError.h"

namespace marbleck {
namespace {

using Values = OptionTextMap;

std::shared_ptr<const ScenePostProcessing> Read(const Values& values) {
    auto steps = std::dynamic_pointer_cast<const ScenePostProcessing>(SceneKind().readOptions(values));
    EXPECT_NE(steps, nullptr);
    return steps;
}

std::string Refusal(const Values& values) {
    try {
        SceneKind().readOptions(values);
    } catch (const KindOptionError& error) {
        return error.what();
    }
    return "accepted";
}

TEST(SceneKindOptions, GoodValuesSetThePlaneLightAndFocus) {
    const auto steps = Read({{"size", "640x480"},
                             {"pitch", "3.74"},
                             {"wavelength", "638,520,450"},
                             {"method", "layers"},
                             {"layers", "12"},
                             {"occlusion", ""},
                             {"encode", "double-phase"},
                             {"focus", "0.05:0.15:11"},
                             {"depth-map", "d.png"},
                             {"near", "0.1"},
                             {"far", "0.2"},
                             {"object-pitch", "12.5"}});
    EXPECT_EQ(steps->plane.columns, 640);
    EXPECT_EQ(steps->plane.rows, 480);
    EXPECT_DOUBLE_EQ(steps->plane.pitch, 3.74e-6);
    ASSERT_EQ(steps->wavelengths.size(), 3u);
    EXPECT_DOUBLE_EQ(steps->wavelengths[1], 520e-9);
    EXPECT_EQ(steps->method, SceneMethod::Layers);
    EXPECT_EQ(steps->layers, 12);
    EXPECT_TRUE(steps->occlusion);
    EXPECT_DOUBLE_EQ(steps->objectPitch, 12.5e-6);
    EXPECT_EQ(steps->encoding, FieldEncoding::DoublePhase);
    ASSERT_TRUE(steps->focus.has_value());
    EXPECT_EQ(steps->focus->steps, 11);
    EXPECT_DOUBLE_EQ(steps->focus->farDepth, 0.15);
    ASSERT_EQ(steps->inputFiles().size(), 1u);
    EXPECT_EQ(steps->inputFiles().front().path, "d.png");
    EXPECT_FALSE(steps->complexValues());
    EXPECT_TRUE(Read({{"encode", "complex"}})->complexValues());
    // Without values: 1024 x 1024 at 8 µm, the scene's own wavelengths, the
    // exact sum's phase.
    const auto plain = Read({});
    EXPECT_EQ(plain->plane.columns, 1024);
    EXPECT_DOUBLE_EQ(plain->plane.pitch, 8e-6);
    EXPECT_TRUE(plain->wavelengths.empty());
    EXPECT_EQ(plain->encoding, FieldEncoding::Phase);
    EXPECT_TRUE(plain->inputFiles().empty());
    EXPECT_FALSE(plain->occlusion);
    EXPECT_EQ(plain->objectPitch, 0);
}

struct BadCase {
    Values values;
    const char* reason;
};

TEST(SceneKindOptions, BadValuesAreRefusedWithTheirReason) {
    const BadCase cases[] = {
        {{{"size", "1024"}}, "--size must be WIDTHxHEIGHT in pixels (1024x1024): 1024"},
        {{{"size", "8193x2"}}, "--size 8193x2 is over the limits (sides from 1 to 8192)"},
        {{{"size", "0x5"}}, "--size 0x5 is over the limits (sides from 1 to 8192)"},
        {{{"pitch", "-8"}}, "--pitch must be a number of micrometres above 0: -8"},
        {{{"wavelength", "633,,450"}},
         "--wavelength must be numbers above 0 in nm, separated by commas (638,520,450): 633,,450"},
        {{{"wavelength", "nan"}},
         "--wavelength must be numbers above 0 in nm, separated by commas (638,520,450): nan"},
        {{{"method", "fresnel"}}, "--method must be points or layers: fresnel"},
        {{{"layers", "4"}}, "--layers needs --method layers"},
        {{{"occlusion", ""}}, "--occlusion masks the layers of --method layers; it needs --method layers"},
        {{{"method", "points"}, {"occlusion", ""}},
         "--occlusion masks the layers of --method layers; it needs --method layers"},
        {{{"object-pitch", "8"}},
         "--object-pitch spaces a depth picture's points; it needs --depth-map DEPTH (a point cloud's points "
         "have their own places)"},
        {{{"depth-map", "d.png"}, {"near", "0.1"}, {"far", "0.2"}, {"object-pitch", "1e7"}},
         "--object-pitch must be a number of micrometres above 0: 1e7"},
        {{{"method", "layers"}, {"layers", "0"}}, "--layers must be a whole number from 1 to 4096: 0"},
        {{{"encode", "hologram"}}, "--encode must be complex, phase, amplitude or double-phase: hologram"},
        {{{"refine", "2.5"}}, "--refine must be a whole number from 1 to 100000: 2.5"},
        {{{"refine", "5"}, {"encode", "amplitude"}},
         "--refine makes a phase hologram of 3-D spots; --encode must be phase"},
        {{{"refine", "5"}, {"random-phase", ""}},
         "--refine places the points as spots with phases of their own; --random-phase does not go with it"},
        {{{"focus", "0"}}, "--focus must be a distance in metres above 0 and at most 1000: 0"},
        {{{"focus", "0.1:0.2"}},
         "--focus must be a depth M or M1:M2:N in metres (0.1 or 0.05:0.15:11): 0.1:0.2"},
        {{{"focus", "0.1:0.2:0"}}, "--focus M1:M2:N takes from 1 to 1024 depths: 0.1:0.2:0"},
        {{{"size", "8192x8192"}, {"focus", "0.1:0.2:5"}},
         "--focus 0.1:0.2:5: 5 pictures of 8192x8192 are more than 2^28 values; take fewer depths"},
        {{{"near", "0.1"}}, "--near and --far need --depth-map DEPTH"},
        {{{"depth-map", "d.png"}, {"near", "0.1"}}, "--depth-map needs --near M and --far M"},
        {{{"depth-map", "d.png"}, {"near", "0.2"}, {"far", "0.1"}},
         "--far must be at least --near: 0.1 < 0.2"},
    };
    for (const BadCase& c : cases) EXPECT_EQ(Refusal(c.values), c.reason);
}

const FieldValue& Detail(const NamedValues& values, const std::string& name) {
    static const FieldValue none;
    const auto found =
        std::find_if(values.begin(), values.end(), [&](const NamedValue& v) { return v.name == name; });
    EXPECT_NE(found, values.end()) << name;
    return found == values.end() ? none : found->value;
}

// A scene of points on a plane of 255 x 255 values at 8 µm (the centre at
// column and row 127): about 16 Fresnel zones of a point 10 cm away.
constexpr int Side = 255;
constexpr double Pitch = 8e-6;

HologramJob SceneJob(Scene scene, const Values& values) {
    HologramJob job;
    job.kind = "scene";
    job.scene = std::make_shared<const Scene>(std::move(scene));
    job.postProcessing = SceneKind().readOptions(values);
    job.reconstruction = true;
    job.figures = true;
    return job;
}

// The brightest value of picture `index` of a reconstruction's stack.
struct Peak {
    int column = 0;
    int row = 0;
    float value = 0;
};
Peak PeakOf(const Reconstruction& r, int index) {
    Peak peak;
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < r.columns; ++x)
            if (const float v = r.at(x, index * Side + y); v > peak.value) peak = {x, y, v};
    return peak;
}

struct MethodCase {
    const char* encode;
    const char* method;
};

class ScenePointFocus : public ::testing::TestWithParam<MethodCase> {};

// A point 5 pixels right of the centre and 3 up, 10 cm away, comes to focus
// at 10 cm within a pixel of its place, and is spread at 5 cm.
TEST_P(ScenePointFocus, AtItsOwnDepthAndPlace) {
    Scene scene;
    scene.points.push_back({5 * Pitch, -3 * Pitch, 0.1});
    const std::string size = std::to_string(Side) + "x" + std::to_string(Side);
    const HologramJob job = SceneJob(scene, {{"size", size},
                                             {"pitch", "8"},
                                             {"wavelength", "633"},
                                             {"encode", GetParam().encode},
                                             {"method", GetParam().method},
                                             {"focus", "0.05:0.1:2"}});
    const JobResult result = RunJob(job);
    ASSERT_TRUE(result.reconstruction.has_value());
    const Reconstruction& r = *result.reconstruction;
    ASSERT_EQ(r.columns, Side);
    ASSERT_EQ(r.rows, 2 * Side);
    const Peak near = PeakOf(r, 0);
    const Peak focused = PeakOf(r, 1);
    EXPECT_LE(std::abs(focused.column - 132), 1);
    EXPECT_LE(std::abs(focused.row - 124), 1);
    EXPECT_GT(focused.value, 4 * near.value);

    // What the view and the files hold: levels of the plane, the complex
    // field for the complex encoding alone.
    const Hologram& hologram = *result.hologram;
    const FileContent content = hologram.fileContent();
    ASSERT_NE(content.levels, nullptr);
    EXPECT_EQ(content.levels->columns(), Side);
    const ViewLevels view = hologram.view();
    EXPECT_EQ(view.columns, Side);
    EXPECT_EQ(view.rows, Side);
    const bool complex = std::string(GetParam().encode) == "complex";
    EXPECT_EQ(content.complex.size(), complex ? 1u : 0u);
    EXPECT_EQ(content.values == nullptr, complex);
    // The layer method's layers (one depth: one layer); the exact sum's rate.
    const NamedValues details = hologram.details();
    const bool layers = std::string(GetParam().method) == "layers";
    if (layers)
        EXPECT_EQ(std::get<long long>(Detail(details, "layers").value), 1);
    else
        EXPECT_GT(std::get<double>(Detail(details, "pointPixelsPerSecond").value), 0);
    EXPECT_EQ(std::get<std::string>(Detail(details, "method").value), GetParam().method);
    // The point's focus at its own depth: most of the light of its picture
    // lies within 3 pixels of it.
    const auto& focus = std::get<NamedValues>(Detail(details, "focusFigures").value);
    const double share = std::get<double>(Detail(focus, "meanShare").value);
    EXPECT_GT(share, 0.5);
    EXPECT_LE(share, 1);
    const auto& depths = std::get<NamedValues>(Detail(focus, "depths").value);
    ASSERT_EQ(depths.size(), 1u);
    EXPECT_EQ(depths.front().name, "0.1");
    const auto& atDepth = std::get<NamedValues>(depths.front().value.value);
    EXPECT_EQ(std::get<long long>(Detail(atDepth, "points").value), 1);
    EXPECT_DOUBLE_EQ(std::get<double>(Detail(atDepth, "share").value), share);
}

INSTANTIATE_TEST_SUITE_P(Encodings, ScenePointFocus,
                         ::testing::Values(MethodCase{"complex", "points"}, MethodCase{"phase", "points"},
                                           MethodCase{"double-phase", "points"},
                                           MethodCase{"amplitude", "points"}, MethodCase{"complex", "layers"},
                                           MethodCase{"phase", "layers"}),
                         [](const auto& info) {
                             std::string name = std::string(info.param.encode) + "_" + info.param.method;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// A colour scene's fields follow its channels: a green point lights the
// green field (520 nm) alone.
TEST(SceneKind, ColourSceneHasAFieldForEachChannel) {
    Scene scene;
    scene.coloured = true;
    scene.points.push_back({0, 0, 0.05, {0.0f, 1.0f, 0.0f}});
    const JobResult result = RunJob(SceneJob(scene, {{"size", "16x16"}, {"encode", "complex"}}));
    const FileContent content = result.hologram->fileContent();
    ASSERT_EQ(content.complex.size(), 3u);
    const auto energy = [](const SceneField& field) {
        double sum = 0;
        for (const auto& value : field.values) sum += std::norm(value);
        return sum;
    };
    EXPECT_EQ(energy(content.complex[0]), 0);
    EXPECT_GT(energy(content.complex[1]), 0);
    EXPECT_EQ(energy(content.complex[2]), 0);
    EXPECT_EQ(std::get<std::vector<double>>(Detail(result.hologram->details(), "wavelengthsNm").value),
              (std::vector<double>{638, 520, 450}));
}

// Spots at two depths: a phase hologram with figures for each depth.
TEST(SceneKind, RefineMakesSpotsWithFiguresPerDepth) {
    Scene scene;
    scene.points = {{-4 * Pitch, 0, 0.05}, {4 * Pitch, 0, 0.05}, {0, 4 * Pitch, 0.08}};
    const JobResult result = RunJob(SceneJob(scene, {{"size", "32x32"}, {"refine", "10"}}));
    const NamedValues record = result.hologram->record();
    const auto depths =
        std::find_if(record.begin(), record.end(), [](const NamedValue& v) { return v.name == "depths"; });
    ASSERT_NE(depths, record.end());
    EXPECT_EQ(std::get<NamedValues>(depths->value.value).size(), 2u);
    ASSERT_TRUE(result.figures.has_value());
    EXPECT_GT(result.figures->efficiency, 0);
    EXPECT_LE(result.figures->uniformity, 1);
    ASSERT_NE(result.hologram->fileContent().values, nullptr);
}

// What each encoding passes of the light that reconstructs it: the complex
// field itself; unit values at the phase the files hold (the 3-D spots'
// too); the amplitude hologram's values at the reference wave's phase, which
// steps k·sinθ·p from column to column. The hologram keeps the scene it was
// made of.
struct TransmittanceCase {
    const char* encode;
    const char* refine;
};

class SceneTransmittance : public ::testing::TestWithParam<TransmittanceCase> {};

TEST_P(SceneTransmittance, IsWhatTheEncodingPasses) {
    Scene scene;
    scene.points = {{-4 * Pitch, 2 * Pitch, 0.05}, {6 * Pitch, -3 * Pitch, 0.07}};
    const bool spots = std::string(GetParam().refine) != "0";
    const std::string encode = GetParam().encode;
    HologramJob job =
        spots
            ? SceneJob(scene, {{"size", "48x40"}, {"wavelength", "633"}, {"encode", encode}, {"refine", "5"}})
            : SceneJob(scene, {{"size", "48x40"}, {"wavelength", "633"}, {"encode", encode}});
    job.reconstruction = false;
    job.figures = false;
    const JobResult result = RunJob(job);
    const auto& hologram = dynamic_cast<const SceneHologram&>(*result.hologram);
    EXPECT_EQ(hologram.scene(), job.scene);
    const SceneField t = hologram.transmittance();
    ASSERT_EQ(t.plane.columns, 48);
    ASSERT_EQ(t.plane.rows, 40);
    EXPECT_EQ(t.plane.pitch, Pitch);
    const FileContent content = hologram.fileContent();
    if (encode == "complex" && !spots) {
        ASSERT_EQ(content.complex.size(), 1u);
        EXPECT_EQ(t.values, content.complex.front().values);
        return;
    }
    ASSERT_NE(content.values, nullptr);
    const HologramField& levels = *content.values;
    const double k = 2 * std::numbers::pi / 633e-9;
    const ReferenceWave reference = DefaultReferenceWave(633e-9, Pitch);
    const std::complex<double> step = std::polar(1.0, k * reference.sinX * Pitch);
    for (int r = 0; r < 40; ++r)
        for (int c = 0; c < 48; ++c) {
            const std::complex<float> value = t.row(r)[c];
            if (encode == "amplitude" && !spots) {
                ASSERT_NEAR(std::abs(value), levels(c, r), 1e-5) << c << "," << r;
                if (c > 0 && levels(c, r) > 0.05f && levels(c - 1, r) > 0.05f) {
                    const std::complex<double> turn = std::complex<double>(value) /
                                                      std::complex<double>(t.row(r)[c - 1]) *
                                                      double{levels(c - 1, r)} / double{levels(c, r)};
                    ASSERT_NEAR(std::abs(turn - step), 0, 1e-3) << c << "," << r;
                }
            } else {
                ASSERT_NEAR(std::abs(value), 1, 1e-5) << c << "," << r;
                ASSERT_NEAR(std::abs(value - std::polar(1.0f, levels(c, r))), 0, 1e-5) << c << "," << r;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Encodings, SceneTransmittance,
                         ::testing::Values(TransmittanceCase{"complex", "0"}, TransmittanceCase{"phase", "0"},
                                           TransmittanceCase{"double-phase", "0"},
                                           TransmittanceCase{"amplitude", "0"},
                                           TransmittanceCase{"phase", "5"}),
                         [](const auto& info) {
                             std::string name = std::string(info.param.encode) + "_" + info.param.refine;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// A job without a scene (a window's canvas) is a run-time error, not a crash.
TEST(SceneKind, JobWithoutASceneIsARunTimeError) {
    HologramJob job;
    job.kind = "scene";
    try {
        RunJob(job);
        FAIL() << "made a hologram of no scene";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::InvalidPropertyValue);
    }
}

}  // namespace
}  // namespace marbleck
