// The modulator's side of a phase hologram: lookup tables and the map of a
// hologram onto a panel's pixels.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/PhaseHologram.h"
#include "engine/PhaseSteps.h"

namespace marbleck {

namespace {

using namespace phase_steps;

constexpr PanelSize Presets[] = {{1920, 1080}, {1920, 1200}, {1280, 1024}, {1272, 1024}};

// The most bytes of a file's text a message quotes.
constexpr std::size_t QuotedBytes = 24;

// `text` as a message may quote it: at most QuotedBytes of it, every byte
// that is not printable ASCII written \xHH (a terminal would act on control
// bytes), "..." where it was cut.
std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    for (const char c : text.substr(0, QuotedBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f) {
            quoted += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            quoted += escaped;
        }
    }
    if (text.size() > QuotedBytes) quoted += "...";
    quoted += '"';
    return quoted;
}

PanelSize ResolvedPanelSize(const PanelSettings& panel, int columns, int rows) {
    if (panel.width == 0 && panel.height == 0) return {columns, rows};
    return {panel.width, panel.height};
}

// π/(λf); infinite where λf is too small to divide by (it underflows to 0).
double LensFactor(const LensTerm& lens) {
    const double product = lens.wavelengthNm * 1e-9 * lens.focalMetres;
    if (product == 0) return std::numeric_limits<double>::infinity();
    return std::numbers::pi / product;
}

}  // namespace

std::span<const PanelSize> PanelPresets() { return Presets; }

PhaseLookupTable LinearLookupTable(int twoPiLevel) {
    if (twoPiLevel < 1 || twoPiLevel > 255)
        throw std::invalid_argument("the grey level for 2π must be 1 to 255");
    PhaseLookupTable table{};
    for (int k = 0; k < 256; ++k)
        table[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(std::lround(k * twoPiLevel / 256.0));
    return table;
}

PhaseLookupTable ParseLookupTable(std::string_view text) {
    PhaseLookupTable table{};
    int entries = 0, line = 0;
    auto fail = [&](const std::string& reason) {
        throw std::invalid_argument("line " + std::to_string(line) + ": " + reason);
    };
    while (!text.empty()) {
        ++line;
        const std::size_t end = text.find('\n');
        std::string_view content = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == ','; };
        std::vector<long> numbers;
        std::size_t at = 0;
        while (true) {
            while (at < content.size() && isSpace(content[at])) ++at;
            if (at == content.size() || (numbers.empty() && content[at] == '#')) break;
            long value = 0;
            const auto [next, error] =
                std::from_chars(content.data() + at, content.data() + content.size(), value);
            if (error != std::errc() || (next != content.data() + content.size() && !isSpace(*next))) {
                fail(Quoted(content.substr(at, content.find_first_of(" \t\r,", at) - at)) +
                     " is not a whole number");
            }
            numbers.push_back(value);
            at = static_cast<std::size_t>(next - content.data());
        }
        if (numbers.empty()) continue;
        if (numbers.size() > 2) fail("more than two numbers");
        if (entries == 256) fail("more than 256 entries");
        if (numbers.size() == 2 && numbers[0] != entries)
            fail("index " + std::to_string(numbers[0]) + " where " + std::to_string(entries) +
                 " was expected");
        const long level = numbers.back();
        if (level < 0 || level > 255) fail(std::to_string(level) + " is not a grey level 0 to 255");
        table[static_cast<std::size_t>(entries++)] = static_cast<std::uint8_t>(level);
    }
    if (entries != 256)
        throw std::invalid_argument(std::to_string(entries) + " entries where 256 are needed");
    return table;
}

void CheckPanelSettings(const PanelSettings& panel, int columns, int rows) {
    const PanelSize size = ResolvedPanelSize(panel, columns, rows);
    const int width = size.width, height = size.height;
    if (width <= 0 || height <= 0 || width > MaxPanelSide || height > MaxPanelSide ||
        static_cast<long long>(width) * height > MaxHologramValues)
        throw std::invalid_argument("a panel of " + std::to_string(panel.width) + " x " +
                                    std::to_string(panel.height) + " pixels is out of range");
    // Beyond half a cycle a pixel the grating only aliases; far beyond, its
    // phase is no number at all.
    if (!(std::abs(panel.tiltX) <= MaxTilt) || !(std::abs(panel.tiltY) <= MaxTilt))
        throw std::invalid_argument("the tilt must be from -0.5 to 0.5 cycles per pixel");
    if (!panel.lens) return;
    const LensTerm& lens = *panel.lens;
    if (!(lens.focalMetres != 0) || !std::isfinite(lens.focalMetres))
        throw std::invalid_argument("the lens's focal length must be a number other than 0");
    if (!(lens.wavelengthNm > 0) || !std::isfinite(lens.wavelengthNm))
        throw std::invalid_argument("the wavelength must be above 0");
    if (!(lens.pitchMicrometres > 0) || !std::isfinite(lens.pitchMicrometres))
        throw std::invalid_argument("the pixel pitch must be above 0");
    // The largest phase the lens adds: at a corner, half a pixel inside.
    const double pitch = lens.pitchMicrometres * 1e-6;
    const double cornerX = (width - 1) / 2.0 * pitch, cornerY = (height - 1) / 2.0 * pitch;
    const double factor = LensFactor(lens);
    const double largest = std::abs(factor) * (cornerX * cornerX + cornerY * cornerY);
    if (!std::isfinite(factor) || !std::isfinite(largest))
        throw std::invalid_argument(
            "the lens's phase is beyond any number on this panel (focal length, wavelength or pitch "
            "out of range)");
}

PanelMap MapToPanel(const PhaseHologram& hologram, const PanelSettings& panel,
                    const ExecutionContext& context) {
    const int columns = hologram.phase.columns(), rows = hologram.phase.rows();
    CheckPanelSettings(panel, columns, rows);
    const PanelSize size = ResolvedPanelSize(panel, columns, rows);
    const int width = size.width, height = size.height;
    const std::vector<float>& phases = hologram.phase.values();
    if (!std::all_of(phases.begin(), phases.end(), [](float phi) { return std::isfinite(phi); }))
        throw std::invalid_argument("the hologram holds a phase that is not a finite number");
    const double lensFactor = panel.lens ? LensFactor(*panel.lens) : 0;  // π / (λ f), radians per m²
    const double pitch = panel.lens ? panel.lens->pitchMicrometres * 1e-6 : 0;
    PanelMap map;
    map.phase = HologramField(width, height);
    map.levels.resize(map.phase.values().size());
    const int offsetX = (width - columns) / 2, offsetY = (height - rows) / 2;
    const bool empty = columns == 0 || rows == 0;
    Sliced(static_cast<std::size_t>(width), context, [&](std::size_t first, std::size_t last) {
        for (std::size_t xi = first; xi < last; ++xi) {
            const int x = static_cast<int>(xi);
            float* out = map.phase.column(x);
            std::uint8_t* levels = map.levels.data() + xi * static_cast<std::size_t>(height);
            const double rx = (x + 0.5 - width / 2.0) * pitch;
            int u = -1;
            if (!empty) u = panel.fill == PanelFill::Tile ? x % columns : x - offsetX;
            const bool inside = u >= 0 && u < columns;
            for (int y = 0; y < height; ++y) {
                double phi = 0;
                if (inside) {
                    const int v = panel.fill == PanelFill::Tile ? y % rows : y - offsetY;
                    if (v >= 0 && v < rows) phi = hologram.phase(u, v);
                }
                phi += TwoPi * (panel.tiltX * x + panel.tiltY * y);
                if (lensFactor != 0) {
                    const double ry = (y + 0.5 - height / 2.0) * pitch;
                    phi -= lensFactor * (rx * rx + ry * ry);
                }
                const float wrapped = WrappedPhase(phi);
                out[y] = wrapped;
                const long step = std::lround(static_cast<double>(wrapped) * 256.0 / TwoPi) % 256;
                levels[y] = panel.lookup[static_cast<std::size_t>(step)];
            }
        }
    });
    return map;
}

}  // namespace marbleck
