#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/OptionText.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/kinds/amplitude/AmplitudeKindOptions.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "engine/kinds/phase/PhaseKindOptions.h"
#include "engine/kinds/scene/SceneKind.h"
#include "engine/kinds/scene/SceneKindOptions.h"

namespace marbleck {

namespace {

// The caller's values of the named options alone, so that another kind's
// reader sees only the options it shares with a scene.
class OnlyOptions : public KindOptionValues {
public:
    OnlyOptions(const KindOptionValues& given, std::initializer_list<std::string_view> names)
        : given_(given), names_(names) {}
    bool isSet(std::string_view name) const override { return named(name) && given_.isSet(name); }
    std::string value(std::string_view name) const override {
        return named(name) ? given_.value(name) : std::string();
    }

private:
    bool named(std::string_view name) const {
        for (std::string_view own : names_)
            if (own == name) return true;
        return false;
    }
    const KindOptionValues& given_;
    std::vector<std::string_view> names_;
};

bool PhaseEncoding(const ScenePostProcessing& steps) {
    return steps.spotIterations > 0 || steps.encoding == FieldEncoding::Phase ||
           steps.encoding == FieldEncoding::DoublePhase;
}

std::string Short(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

void ReadPanel(const KindOptionValues& given, ScenePostProcessing& steps) {
    const bool any = given.isSet("slm") || given.isSet("two-pi") || given.isSet("lut") ||
                     given.isSet("tilt") || given.isSet("lens");
    if (!any) return;
    if (!PhaseEncoding(steps))
        throw KindOptionError(
            "--slm, --two-pi, --lut, --tilt and --lens map a phase onto a panel; --encode must be phase or "
            "double-phase");
    if (steps.wavelengths.size() > 1)
        throw KindOptionError("a panel shows one wavelength; give one --wavelength NM, not " +
                              given.value("wavelength"));
    const auto read = ReadPhaseOptions(OnlyOptions(given, {"slm", "two-pi", "lut", "tilt"}));
    const auto& phase = dynamic_cast<const PhasePostProcessing&>(*read);
    PanelSettings panel = phase.panel.value_or(PanelSettings{});
    steps.lookupFile = phase.lookupFile;
    ScenePlane& plane = steps.plane;
    if (given.isSet("slm")) {
        if (given.isSet("size") && (panel.width != plane.columns || panel.height != plane.rows))
            throw KindOptionError("--size " + given.value("size") + " is not the panel's --slm " +
                                  given.value("slm") +
                                  ": a 3-D hologram for a panel is made on its pixels (leave --size out)");
        if (panel.width > MaxSceneSide || panel.height > MaxSceneSide)
            throw KindOptionError("--slm " + given.value("slm") + " is larger than a 3-D hologram's " +
                                  std::to_string(MaxSceneSide) + " pixels a side");
        plane.columns = panel.width;
        plane.rows = panel.height;
    }
    // The panel is the hologram: its own size, nothing to fill.
    panel.width = panel.height = 0;
    if (given.isSet("lens")) {
        const std::string text = given.value("lens");
        const std::optional<double> focal = WholeNumber(text);
        if (!focal || *focal == 0)
            throw KindOptionError("--lens must be a focal length in metres other than 0: " + text);
        const double wavelength = steps.wavelengths.empty() ? GreyWavelength : steps.wavelengths.front();
        panel.lens = LensTerm{*focal, wavelength * 1e9, plane.pitch * 1e6};
        try {
            CheckPanelSettings(panel, plane.columns, plane.rows);
        } catch (const std::invalid_argument& error) {
            throw KindOptionError("--lens " + text + ": " + error.what());
        }
    }
    steps.panel = panel;
}

void ReadReferenceAngle(const KindOptionValues& given, ScenePostProcessing& steps) {
    if (!given.isSet("reference-angle")) return;
    const std::string text = given.value("reference-angle");
    if (steps.encoding != FieldEncoding::Amplitude || steps.spotIterations > 0)
        throw KindOptionError("--reference-angle is for --encode amplitude");
    const std::size_t comma = text.find(',');
    const std::optional<double> x = WholeNumber(std::string_view(text).substr(0, comma));
    const std::optional<double> y = comma == std::string::npos
                                        ? std::optional<double>(0)
                                        : WholeNumber(std::string_view(text).substr(comma + 1));
    if (!x || !y || !(std::abs(*x) < 90) || !(std::abs(*y) < 90))
        throw KindOptionError(
            "--reference-angle must be DEG or DEGX,DEGY, degrees from the axis under 90 (1.5 or 1,0.5): " +
            text);
    steps.referenceDegrees = std::pair{*x, *y};
    // Without wavelengths, at a grey scene's: a colour scene's first (red)
    // takes a little more.
    const double wavelength = steps.wavelengths.empty() ? GreyWavelength : steps.wavelengths.front();
    try {
        CheckReferenceAngles(*steps.referenceDegrees, wavelength, steps.plane.pitch);
    } catch (const std::invalid_argument& error) {
        throw KindOptionError(error.what());
    }
}

void ReadBinarization(const KindOptionValues& given, ScenePostProcessing& steps) {
    if (!given.isSet("binarize")) return;
    if (steps.encoding != FieldEncoding::Amplitude || steps.spotIterations > 0)
        throw KindOptionError(
            "--binarize prints a 3-D hologram's amplitude encoding; --encode must be amplitude");
    const auto read = ReadAmplitudeOptions(OnlyOptions(given, {"binarize"}));
    steps.binarization = dynamic_cast<const AmplitudePostProcessing&>(*read).binarization;
    if (steps.binarization && steps.binarization->method == "optimised")
        throw KindOptionError(
            "--binarize optimised judges the far field of a flat picture's points, which a 3-D hologram "
            "does not form; take a threshold or balanced");
}

}  // namespace

void CheckReferenceAngles(std::pair<double, double> degrees, double wavelength, double pitch) {
    const double limit = wavelength / (2 * pitch);
    for (const double angle : {degrees.first, degrees.second}) {
        const double sine = std::sin(angle * std::numbers::pi / 180);
        if (!std::isfinite(sine) || std::abs(sine) > limit)
            throw std::invalid_argument(
                "--reference-angle " + Short(angle) + " gives fringes finer than a pitch of " +
                Short(pitch * 1e6) + " µm carries at " + Short(wavelength * 1e9) +
                " nm: sin of the angle must be at most " + Short(limit) + " (" +
                Short(std::asin(std::min(1.0, limit)) * 180 / std::numbers::pi) + " degrees)");
    }
}

ReferenceWave SceneReferenceWave(const ScenePostProcessing& steps, double wavelength) {
    if (!steps.referenceDegrees) return DefaultReferenceWave(wavelength, steps.plane.pitch);
    const double radians = std::numbers::pi / 180;
    return ReferenceWave{std::sin(steps.referenceDegrees->first * radians),
                         std::sin(steps.referenceDegrees->second * radians), 1};
}

void ReadSceneEncodingOptions(const KindOptionValues& given, ScenePostProcessing& steps) {
    ReadPanel(given, steps);
    ReadReferenceAngle(given, steps);
    ReadBinarization(given, steps);
}

std::shared_ptr<const KindPostProcessing> ScenePostProcessing::readInputFiles() const {
    if (lookupFile.empty()) return nullptr;
    auto read = std::make_shared<ScenePostProcessing>(*this);
    ReadPanelLookupTable(lookupFile, read->panel);
    return read;
}

}  // namespace marbleck
