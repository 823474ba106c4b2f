#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/LookupTable.h"

namespace marbleck {

// The modulator's side of a phase hologram: the panel's size, fill, tilt,
// lens and lookup table, and the map of a hologram onto its pixels.

// How a hologram fills a panel larger or smaller than itself.
enum class PanelFill {
    Tile,  // repeated from the top-left corner (and cut at the far edges)
    Pad,   // centred, φ = 0 around it (and cut when larger)
};

struct LensTerm {
    double focalMetres = 0;       // nonzero; negative diverges
    double wavelengthNm = 0;      // above 0
    double pitchMicrometres = 0;  // above 0
};

struct PanelSettings {
    // The panel's pixels; 0 x 0 takes the hologram's own size.
    int width = 0;
    int height = 0;
    PanelFill fill = PanelFill::Tile;
    // A blazed grating: cycles per pixel along x (columns) and y (rows); it
    // moves the image by tilt × panel size bins.
    double tiltX = 0;
    double tiltY = 0;
    std::optional<LensTerm> lens;
    PhaseLookupTable lookup = LinearLookupTable();
};

// The presets of a panel's size: 1920 x 1080, 1920 x 1200, 1280 x 1024,
// 1272 x 1024.
struct PanelSize {
    int width;
    int height;
};
std::span<const PanelSize> PanelPresets();

// What the modulator shows, both column by column over width x height.
struct PanelMap {
    // φ on the panel, in [0, 2π): the hologram placed by `fill`, plus
    // 2π(tiltX·x + tiltY·y), minus π r² / (λ f) for the lens (r from the
    // panel's centre, in metres), wrapped.
    HologramField phase;
    // Its grey levels through the lookup table: entry round(φ · 256 / 2π)
    // mod 256.
    std::vector<std::uint8_t> levels;
};

// The largest panel side accepted (16384); a panel holds at most
// MaxHologramValues (2^26) pixels.
inline constexpr int MaxPanelSide = 16384;

// The largest tilt, in cycles per pixel either way: beyond it a grating
// only aliases.
inline constexpr double MaxTilt = 0.5;

// The wavelength of a lens given without one, in nm (a red helium-neon
// laser's).
inline constexpr double DefaultLensWavelengthNm = 633;

// Throws std::invalid_argument when `panel` cannot show a hologram of
// columns x rows: a size out of range (one side 0 and not the other, or
// above MaxPanelSide, or more than MaxHologramValues pixels), a tilt beyond
// ±MaxTilt or not a number, a lens with a focal length of 0 or not a
// number, a wavelength or pitch not above 0, or a lens whose phase on the
// panel is beyond any number (which would leave every pixel's phase none).
void CheckPanelSettings(const PanelSettings& panel, int columns, int rows);

// Throws what CheckPanelSettings throws, std::invalid_argument for a
// hologram holding a phase that is not a finite number, and std::bad_alloc.
PanelMap MapToPanel(const PhaseHologram& hologram, const PanelSettings& panel,
                    const ExecutionContext& context = {});

}  // namespace marbleck
