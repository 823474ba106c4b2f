#include "engine/kinds/scene/SceneKindOptions.h"

#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "engine/core/OptionText.h"
#include "engine/kinds/scene/SceneKind.h"

namespace marbleck {

namespace {

// The most micrometres a pitch and nanometres a wavelength may be: a metre.
constexpr double MaxPitchMicrometres = 1e6;
constexpr double MaxWavelengthNm = 1e9;
// The farthest depth, as PointSum takes it: a kilometre.
constexpr double MaxDepthMetres = 1000;

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

int WholeNumberIn(const std::string& text, int low, int high, const char* option) {
    const std::optional<double> value = WholeNumber(text);
    if (!value || *value != std::floor(*value) || *value < low || *value > high)
        throw KindOptionError(std::string(option) + " must be a whole number from " + std::to_string(low) +
                              " to " + std::to_string(high) + ": " + text);
    return static_cast<int>(*value);
}

// A depth in metres: above 0, at most MaxDepthMetres.
double Depth(std::string_view text, const char* option) {
    const std::optional<double> value = WholeNumber(text);
    if (!value || !(*value > 0) || *value > MaxDepthMetres)
        throw KindOptionError(std::string(option) +
                              " must be a distance in metres above 0 and at most 1000: " + std::string(text));
    return *value;
}

void ReadSize(const std::string& text, ScenePlane& plane) {
    const std::size_t x = text.find('x');
    const long long width = x == std::string::npos ? -1 : Digits(std::string_view(text).substr(0, x));
    const long long height = x == std::string::npos ? -1 : Digits(std::string_view(text).substr(x + 1));
    if (width < 0 || height < 0)
        throw KindOptionError("--size must be WIDTHxHEIGHT in pixels (1024x1024): " + text);
    if (width < 1 || height < 1 || width > MaxSceneSide || height > MaxSceneSide)
        throw KindOptionError("--size " + text + " is over the limits (sides from 1 to " +
                              std::to_string(MaxSceneSide) + ")");
    plane.columns = static_cast<int>(width);
    plane.rows = static_cast<int>(height);
}

std::vector<double> ReadWavelengths(const std::string& text) {
    std::vector<double> wavelengths;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item = std::string_view(text).substr(
            start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::optional<double> nm = WholeNumber(item);
        if (!nm || !(*nm > 0) || *nm > MaxWavelengthNm)
            throw KindOptionError(
                "--wavelength must be numbers above 0 in nm, separated by commas "
                "(638,520,450): " +
                text);
        wavelengths.push_back(*nm * 1e-9);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (wavelengths.size() > static_cast<std::size_t>(MaxSceneWavelengths))
        throw KindOptionError("--wavelength takes at most " + std::to_string(MaxSceneWavelengths) +
                              " wavelengths: " + text);
    return wavelengths;
}

SceneFocus ReadFocus(const std::string& text, const ScenePlane& plane) {
    const std::string usage = "--focus must be a depth M or M1:M2:N in metres (0.1 or 0.05:0.15:11): " + text;
    const std::size_t first = text.find(':');
    SceneFocus focus;
    if (first == std::string::npos) {
        focus.nearDepth = focus.farDepth = Depth(text, "--focus");
        return focus;
    }
    const std::size_t second = text.find(':', first + 1);
    if (second == std::string::npos || text.find(':', second + 1) != std::string::npos)
        throw KindOptionError(usage);
    const std::string_view whole(text);
    focus.nearDepth = Depth(whole.substr(0, first), "--focus");
    focus.farDepth = Depth(whole.substr(first + 1, second - first - 1), "--focus");
    const long long steps = Digits(whole.substr(second + 1));
    if (steps < 1 || steps > 1024)
        throw KindOptionError("--focus M1:M2:N takes from 1 to 1024 depths: " + text);
    focus.steps = static_cast<int>(steps);
    if (static_cast<long long>(plane.size()) * focus.steps > MaxFocalStackValues)
        throw KindOptionError("--focus " + text + ": " + std::to_string(focus.steps) + " pictures of " +
                              std::to_string(plane.columns) + "x" + std::to_string(plane.rows) +
                              " are more than 2^28 values; take fewer depths");
    return focus;
}

// Micrometres above 0 and at most a metre, as metres.
double Micrometres(const std::string& text, const char* option) {
    const std::optional<double> um = WholeNumber(text);
    if (!um || !(*um > 0) || *um > MaxPitchMicrometres)
        throw KindOptionError(std::string(option) + " must be a number of micrometres above 0: " + text);
    return *um * 1e-6;
}

void ReadDepthMap(const KindOptionValues& given, ScenePostProcessing& steps) {
    const bool nearFar = given.isSet("near") || given.isSet("far");
    if (!given.isSet("depth-map")) {
        if (nearFar) throw KindOptionError("--near and --far need --depth-map DEPTH");
        if (given.isSet("object-pitch"))
            throw KindOptionError(
                "--object-pitch spaces a depth picture's points; it needs --depth-map DEPTH (a point "
                "cloud's points have their own places)");
        return;
    }
    steps.depthMap = given.value("depth-map");
    if (steps.depthMap.empty()) throw KindOptionError("--depth-map needs a file name");
    if (!given.isSet("near") || !given.isSet("far"))
        throw KindOptionError("--depth-map needs --near M and --far M");
    steps.nearDepth = Depth(given.value("near"), "--near");
    steps.farDepth = Depth(given.value("far"), "--far");
    if (steps.farDepth < steps.nearDepth)
        throw KindOptionError("--far must be at least --near: " + given.value("far") + " < " +
                              given.value("near"));
    if (given.isSet("object-pitch"))
        steps.objectPitch = Micrometres(given.value("object-pitch"), "--object-pitch");
}

}  // namespace

double ReadObjectPitch(const std::string& text) { return Micrometres(text, "--object-pitch"); }

std::shared_ptr<KindPostProcessing> ReadSceneOptions(const KindOptionValues& given) {
    auto steps = std::make_shared<ScenePostProcessing>();
    if (given.isSet("size")) ReadSize(given.value("size"), steps->plane);
    if (given.isSet("pitch")) steps->plane.pitch = Micrometres(given.value("pitch"), "--pitch");
    if (given.isSet("wavelength")) steps->wavelengths = ReadWavelengths(given.value("wavelength"));
    if (given.isSet("method")) {
        const std::string method = given.value("method");
        if (method == "points")
            steps->method = SceneMethod::Points;
        else if (method == "layers")
            steps->method = SceneMethod::Layers;
        else
            throw KindOptionError("--method must be points or layers: " + method);
    }
    if (given.isSet("layers")) {
        if (steps->method != SceneMethod::Layers) throw KindOptionError("--layers needs --method layers");
        steps->layers = WholeNumberIn(given.value("layers"), 1, MaxSceneLayers, "--layers");
    }
    if (given.isSet("occlusion")) {
        if (steps->method != SceneMethod::Layers)
            throw KindOptionError(
                "--occlusion masks the layers of --method layers; it needs --method layers");
        steps->occlusion = true;
    }
    if (given.isSet("encode")) {
        const std::string name = given.value("encode");
        const std::optional<FieldEncoding> encoding = FindFieldEncoding(name);
        if (!encoding)
            throw KindOptionError("--encode must be complex, phase, amplitude or double-phase: " + name);
        steps->encoding = *encoding;
    }
    if (given.isSet("refine")) {
        steps->spotIterations = WholeNumberIn(given.value("refine"), 1, MaxSpotIterations, "--refine");
        if (steps->encoding != FieldEncoding::Phase)
            throw KindOptionError("--refine makes a phase hologram of 3-D spots; --encode must be phase");
        if (steps->method != SceneMethod::Points)
            throw KindOptionError("--refine places the points as spots; --method layers does not go with it");
        // The caller's common switch: spots take phases of their own.
        if (given.isSet("random-phase"))
            throw KindOptionError(
                "--refine places the points as spots with phases of their own; --random-phase does not go "
                "with it");
    }
    if (given.isSet("focus")) steps->focus = ReadFocus(given.value("focus"), steps->plane);
    ReadDepthMap(given, *steps);
    ReadSceneEncodingOptions(given, *steps);
    return steps;
}

std::vector<KindInputFile> ScenePostProcessing::inputFiles() const {
    std::vector<KindInputFile> files;
    if (!depthMap.empty()) files.push_back({depthMap, "depth picture"});
    if (!lookupFile.empty()) files.push_back({lookupFile, "lookup table"});
    return files;
}

}  // namespace marbleck
