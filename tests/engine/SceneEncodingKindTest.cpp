// A scene hologram's encodings as the kinds table makes them: the phase on a
// panel (its size the hologram's, the lens at the hologram's pitch and
// wavelength, the tilt moving the point it brings to focus), and the
// amplitude hologram binarized as a printed one is.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "engine/kinds/HologramJob.h"
#include "engine/kinds/OptionTextMap.h"
#include "engine/kinds/scene/SceneKind.h"
#include "engine/phase/PanelMap.h"
#include "engine/scenes/FieldEncoding.h"

namespace marbleck {
namespace {

using Values = OptionTextMap;

constexpr int Side = 255;
constexpr double Pitch = 8e-6;

std::shared_ptr<const ScenePostProcessing> Read(const Values& values) {
    return std::dynamic_pointer_cast<const ScenePostProcessing>(SceneKind().readOptions(values));
}

// The panel's size is the hologram's; its lens takes the hologram's pitch
// and wavelength; the reference's angles and the binarization are kept.
TEST(SceneEncodingOptions, PanelAndReferenceAreRead) {
    const auto panel = Read({{"slm", "320x200"},
                             {"pitch", "4"},
                             {"wavelength", "532"},
                             {"tilt", "0.25,0"},
                             {"two-pi", "200"},
                             {"lens", "-0.5"}});
    ASSERT_TRUE(panel && panel->panel);
    EXPECT_EQ(panel->plane.columns, 320);
    EXPECT_EQ(panel->plane.rows, 200);
    EXPECT_EQ(panel->panel->tiltX, 0.25);
    EXPECT_EQ(panel->panel->lookup, LinearLookupTable(200));
    ASSERT_TRUE(panel->panel->lens);
    EXPECT_DOUBLE_EQ(panel->panel->lens->focalMetres, -0.5);
    EXPECT_DOUBLE_EQ(panel->panel->lens->wavelengthNm, 532);
    EXPECT_DOUBLE_EQ(panel->panel->lens->pitchMicrometres, 4);

    const auto amplitude =
        Read({{"encode", "amplitude"}, {"reference-angle", "1,-0.5"}, {"binarize", "0.3"}});
    ASSERT_TRUE(amplitude && amplitude->referenceDegrees && amplitude->binarization);
    EXPECT_EQ(amplitude->referenceDegrees->first, 1);
    EXPECT_EQ(amplitude->referenceDegrees->second, -0.5);
    EXPECT_EQ(amplitude->binarization->method, "threshold");
    EXPECT_EQ(amplitude->binarization->threshold, 0.3);
    const ReferenceWave wave = SceneReferenceWave(*amplitude, 633e-9);
    EXPECT_DOUBLE_EQ(wave.sinX, std::sin(3.14159265358979323846 / 180));
    EXPECT_EQ(SceneReferenceWave(*Read({}), 633e-9).sinX, DefaultReferenceWave(633e-9, 8e-6).sinX);
}

HologramJob PointJob(const Values& values) {
    Scene scene;
    scene.points.push_back({5 * Pitch, -3 * Pitch, 0.1});
    HologramJob job;
    job.kind = "scene";
    job.scene = std::make_shared<const Scene>(std::move(scene));
    job.postProcessing = SceneKind().readOptions(values);
    job.reconstruction = true;
    return job;
}

struct Peak {
    int column = 0;
    int row = 0;
};
Peak Brightest(const Reconstruction& r) {
    Peak peak;
    float best = -1;
    for (int y = 0; y < r.rows; ++y)
        for (int x = 0; x < r.columns; ++x)
            if (r.at(x, y) > best) {
                best = r.at(x, y);
                peak = {x, y};
            }
    return peak;
}

// The files hold the field's phase through MapToPanel, the view the phase's
// own levels, and the reconstruction shows the panel: a tilt of fx cycles a
// pixel moves the point in focus at z by z·fx·λ/p² pixels (about 9.9 here),
// towards −x, the field being taken back by −z.
TEST(SceneEncodingHologram, PhaseOnThePanelIsMappedAndTilted) {
    const JobResult field =
        RunJob(PointJob({{"size", "255x255"}, {"pitch", "8"}, {"wavelength", "633"}, {"encode", "complex"}}));
    const JobResult mapped = RunJob(PointJob({{"slm", "255x255"},
                                              {"pitch", "8"},
                                              {"wavelength", "633"},
                                              {"tilt", "0.01,0"},
                                              {"two-pi", "180"},
                                              {"focus", "0.1"}}));
    const FileContent complex = field.hologram->fileContent();
    ASSERT_EQ(complex.complex.size(), 1u);
    const HologramField phase = PhaseOfField(complex.complex.front());
    const PhaseHologram own = PhaseHologramOfField(phase);
    PanelSettings panel;
    panel.tiltX = 0.01;
    panel.lookup = LinearLookupTable(180);
    const PanelMap expected = MapToPanel(own, panel);

    const FileContent content = mapped.hologram->fileContent();
    ASSERT_NE(content.values, nullptr);
    EXPECT_EQ(content.values->values(), expected.phase.values());
    ASSERT_NE(content.levels, nullptr);
    for (std::size_t i = 0; i < expected.levels.size(); ++i)
        ASSERT_EQ(content.levels->values()[i], expected.levels[i] / 255.0f) << i;
    const ViewLevels view = mapped.hologram->view();
    EXPECT_TRUE(std::equal(own.greyLevels.begin(), own.greyLevels.end(), view.levels));

    ASSERT_TRUE(mapped.reconstruction.has_value());
    const Peak peak = Brightest(*mapped.reconstruction);
    const double shift = 0.1 * 0.01 * 633e-9 / (Pitch * Pitch);
    EXPECT_LE(std::abs(peak.column - (132 - shift)), 1.0);
    EXPECT_LE(std::abs(peak.row - 124), 1);
}

// Threshold and median binarize the amplitude encoding as they binarize a
// printed hologram: values above the threshold 255, the rest 0, the files
// told so; the median makes half of them white.
TEST(SceneEncodingHologram, AmplitudeBinarizedAsAPrintedHologram) {
    const Values plain{{"size", "63x41"}, {"pitch", "8"}, {"wavelength", "633"}, {"encode", "amplitude"}};
    const JobResult grey = RunJob(PointJob(plain));
    const std::vector<float> values = grey.hologram->fileContent().values->values();
    for (const char* method : {"0.45", "balanced"}) {
        const JobResult binary = RunJob(PointJob({{"size", "63x41"},
                                                  {"pitch", "8"},
                                                  {"wavelength", "633"},
                                                  {"encode", "amplitude"},
                                                  {"binarize", method}}));
        const FileContent content = binary.hologram->fileContent();
        EXPECT_TRUE(content.binarized);
        ASSERT_NE(content.values, nullptr);
        const std::vector<float>& levels = content.values->values();
        ASSERT_EQ(levels.size(), values.size());
        std::size_t white = 0;
        for (std::size_t i = 0; i < levels.size(); ++i) {
            ASSERT_TRUE(levels[i] == 0 || levels[i] == 255) << levels[i];
            if (method[0] == '0') {
                ASSERT_EQ(levels[i] == 255, static_cast<double>(values[i]) > 0.45) << i;
            }
            white += levels[i] == 255;
            ASSERT_EQ(binary.hologram->view().levels[i], levels[i]) << i;
        }
        if (method[0] == 'b') {
            // Half, less only the values equal to the median.
            EXPECT_LE(white, levels.size() / 2);
            EXPECT_GE(white, levels.size() / 2 - levels.size() / 100);
        }
    }
}

}  // namespace
}  // namespace marbleck
