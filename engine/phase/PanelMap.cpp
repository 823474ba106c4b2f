#include "engine/phase/PanelMap.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/phase/PhaseSteps.h"

namespace marbleck {

namespace {

using namespace phase_steps;

constexpr PanelSize Presets[] = {{1920, 1080}, {1920, 1200}, {1280, 1024}, {1272, 1024}};

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
