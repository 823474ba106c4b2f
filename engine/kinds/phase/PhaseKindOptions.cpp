#include "engine/kinds/phase/PhaseKindOptions.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "engine/core/OptionText.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "engine/phase/LookupTableFile.h"
#include "platform/OutOfResources.h"

namespace marbleck {

namespace {

// A whole number from `low` to `high`, or KindOptionError naming the option.
int WholeNumberIn(const std::string& text, int low, int high, const char* option) {
    const std::optional<double> value = WholeNumber(text);
    if (!value || *value != std::floor(*value) || *value < low || *value > high)
        throw KindOptionError(std::string(option) + " must be a whole number from " + std::to_string(low) +
                              " to " + std::to_string(high) + ": " + text);
    return static_cast<int>(*value);
}

// The number, or KindOptionError naming the option.
double Number(const std::string& text, const char* option) {
    const std::optional<double> value = WholeNumber(text);
    if (!value) throw KindOptionError(std::string(option) + " must be a number: " + text);
    return *value;
}

// The number above 0, or KindOptionError naming the option.
double PositiveNumber(const std::string& text, const char* option) {
    const std::optional<double> value = WholeNumber(text);
    if (!value || !(*value > 0))
        throw KindOptionError(std::string(option) + " must be a number above 0: " + text);
    return *value;
}

// Two numbers around the one `separator`, each read as WholeNumber reads one.
std::optional<std::pair<double, double>> NumberPair(std::string_view text, char separator) {
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos || text.find(separator, at + 1) != std::string_view::npos)
        return std::nullopt;
    const std::optional<double> first = WholeNumber(text.substr(0, at));
    const std::optional<double> second = WholeNumber(text.substr(at + 1));
    if (!first || !second) return std::nullopt;
    return std::pair{*first, *second};
}

// One to nine decimal digits, or -1.
long long Digits(std::string_view text) {
    if (text.empty() || text.size() > 9) return -1;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

void ReadPanelSize(const std::string& text, PanelSettings& panel) {
    const std::size_t x = text.find('x');
    const long long width = x == std::string::npos ? -1 : Digits(std::string_view(text).substr(0, x));
    const long long height = x == std::string::npos ? -1 : Digits(std::string_view(text).substr(x + 1));
    if (width < 0 || height < 0)
        throw KindOptionError("--slm must be WIDTHxHEIGHT in pixels (1920x1080): " + text);
    if (width < 1 || height < 1 || width > MaxPanelSide || height > MaxPanelSide ||
        width * height > MaxHologramValues)
        throw KindOptionError("--slm " + text + " is over the panel's limits (sides from 1 to " +
                              std::to_string(MaxPanelSide) + ", at most " +
                              std::to_string(MaxHologramValues) + " pixels)");
    panel.width = static_cast<int>(width);
    panel.height = static_cast<int>(height);
}

std::optional<RefinementRequest> ReadRefinement(const KindOptionValues& given) {
    if (!given.isSet("refine")) {
        if (given.isSet("refine-method")) throw KindOptionError("--refine-method needs --refine N");
        return std::nullopt;
    }
    RefinementRequest refinement;
    refinement.iterations =
        WholeNumberIn(given.value("refine"), 1, std::numeric_limits<int>::max(), "--refine");
    if (given.isSet("refine-method")) {
        const std::string method = given.value("refine-method");
        const RefinementMethodEntry* entry = FindRefinementMethod(method);
        if (entry == nullptr)
            throw KindOptionError("unknown refinement method " + method + " (" +
                                  RefinementMethodChoices(false) + ")");
        refinement.method = entry->method;
    }
    return refinement;
}

void ReadTilt(const std::string& text, PanelSettings& panel) {
    const auto tilt = NumberPair(text, ',');
    if (!tilt) throw KindOptionError("--tilt must be two numbers FX,FY (cycles per pixel): " + text);
    if (!(std::abs(tilt->first) <= MaxTilt) || !(std::abs(tilt->second) <= MaxTilt))
        throw KindOptionError("--tilt must be from -0.5 to 0.5 cycles per pixel either way: " + text);
    panel.tiltX = tilt->first;
    panel.tiltY = tilt->second;
}

void ReadLens(const KindOptionValues& given, PanelSettings& panel) {
    if (!given.isSet("lens")) {
        if (given.isSet("wavelength") || given.isSet("pitch"))
            throw KindOptionError("--wavelength and --pitch with --phase are for --lens F");
        return;
    }
    if (!given.isSet("pitch")) throw KindOptionError("--lens needs --pitch UM");
    LensTerm lens;
    lens.focalMetres = Number(given.value("lens"), "--lens");
    if (lens.focalMetres == 0) throw KindOptionError("--lens must be a focal length other than 0");
    lens.wavelengthNm = given.isSet("wavelength") ? PositiveNumber(given.value("wavelength"), "--wavelength")
                                                  : DefaultLensWavelengthNm;
    lens.pitchMicrometres = PositiveNumber(given.value("pitch"), "--pitch");
    panel.lens = lens;
    // A lens whose phase is beyond any number even on the smallest panel
    // that shows it (the hologram's own size is not known yet) can give no
    // panel at all.
    try {
        CheckPanelSettings(panel, 2, 2);
    } catch (const std::invalid_argument& error) {
        throw KindOptionError("--lens " + given.value("lens") + ": " + error.what());
    }
}

}  // namespace

std::string RefinementMethodChoices(bool help) {
    std::string text;
    const auto methods = RefinementMethods();
    for (std::size_t i = 0; i < methods.size(); ++i) {
        if (i > 0) text += i + 1 == methods.size() ? " or " : ", ";
        text += methods[i].name;
        if (!help) continue;
        text += " (" + std::string(methods[i].label);
        if (methods[i].method == RefinementRequest{}.method) text += ", the default";
        text += ')';
    }
    return text;
}

std::shared_ptr<KindPostProcessing> ReadPhaseOptions(const KindOptionValues& given) {
    auto steps = std::make_shared<PhasePostProcessing>();
    steps->refinement = ReadRefinement(given);

    PanelSettings panel;
    if (given.isSet("slm")) ReadPanelSize(given.value("slm"), panel);
    if (given.isSet("fill")) {
        // Without a panel size the panel is the hologram: nothing to fill.
        if (!given.isSet("slm")) throw KindOptionError("--fill needs --slm WxH");
        const std::string fill = given.value("fill");
        if (fill == "tile")
            panel.fill = PanelFill::Tile;
        else if (fill == "pad")
            panel.fill = PanelFill::Pad;
        else
            throw KindOptionError("--fill must be tile or pad: " + fill);
    }

    if (given.isSet("two-pi") && given.isSet("lut"))
        throw KindOptionError("--two-pi and --lut both set the grey levels; give one");
    const int twoPiLevel =
        given.isSet("two-pi") ? WholeNumberIn(given.value("two-pi"), 1, 255, "--two-pi") : 255;
    panel.lookup = LinearLookupTable(twoPiLevel);
    if (given.isSet("lut")) {
        steps->lookupFile = given.value("lut");
        if (steps->lookupFile.empty()) throw KindOptionError("--lut needs a file name");
    }

    if (given.isSet("tilt")) ReadTilt(given.value("tilt"), panel);
    ReadLens(given, panel);
    steps->panel = panel;
    return steps;
}

void ReadPanelLookupTable(const std::string& file, std::optional<PanelSettings>& panel) {
    if (!panel) panel = PanelSettings{};
    try {
        panel->lookup = ReadLookupTableFile(file);
    } catch (const LookupTableFileError& error) {
        throw KindInputFileError(file, error.reason());
    } catch (const std::exception& error) {
        throw KindInputFileError(file, IsOutOfResources(error) ? "out of memory" : error.what());
    }
}

std::vector<KindInputFile> PhasePostProcessing::inputFiles() const {
    if (lookupFile.empty()) return {};
    return {{lookupFile, "lookup table"}};
}

std::shared_ptr<const KindPostProcessing> PhasePostProcessing::readInputFiles() const {
    if (lookupFile.empty()) return nullptr;
    auto read = std::make_shared<PhasePostProcessing>(*this);
    ReadPanelLookupTable(lookupFile, read->panel);
    return read;
}

}  // namespace marbleck
