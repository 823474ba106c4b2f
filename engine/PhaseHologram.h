#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ExecutionContext.h"
#include "engine/HologramEngine.h"
#include "engine/HologramField.h"
#include "engine/HologramGeometry.h"
#include "engine/HologramRequest.h"
#include "engine/Reconstruction.h"

namespace marbleck {

// Phase-only holograms (kinoforms) for a spatial light modulator: every value
// is a phase delay φ in [0, 2π) and the hologram's transmittance is e^(iφ).
//
// The kinoform of an object is the phase of the complex sum of its point
// sources, the same sources whose real part the amplitude hologram is:
//   S(u, v) = Σ e^(i(u·ax + v·ay + phase)),   φ(u, v) = arg S(u, v).
// A refinement (Gerchberg–Saxton) then moves light from the noise onto the
// object's points; a panel map puts φ on the modulator's pixels with its grey
// level for 2π or lookup table, a tilt and a lens.

// What the far field of a phase hologram says of it. The far field is
// |FFT2(e^(iφ))|^2 over the hologram's columns x rows; each lit sample's
// ObjectBin is its target bin and the 3 x 3 bins around it its spot.
struct PhaseFigures {
    // The share of all the light (the zero order included) on the union of
    // the spots. NaN without light.
    double efficiency = 0;
    // 1 − (max − min) / (max + min) of the spots' light (a spot's light: the
    // sum over its 3 x 3 bins, one spot per lit sample): 1 for an even object.
    // NaN without lit samples or light on them.
    double uniformity = 0;
    // The standard deviation over the mean of the spots' light (the
    // amplitude hologram's uniformity figure): 0 for an even object.
    double spread = 0;
    // FidelityFigure of the far field with the zero order removed.
    double fidelity = 0;
};

// The far field of a phase hologram: |FFT2(e^(iφ))|^2 of the first columns x
// rows values of `phase`, centred like every reconstruction. With
// removeZeroOrder the mean of e^(iφ) is taken off first; zeroOrder holds
// |Σ e^(iφ)|^2 either way.
Reconstruction ReconstructPhase(const HologramField& phase, int columns, int rows,
                                ReconstructionOptions options = {}, const ExecutionContext& context = {});

// The figures of the first columns x rows values of `phase` (the geometry's
// columns x rows) for the lit samples.
PhaseFigures MeasurePhaseFigures(const HologramField& phase, std::span<const ObjectPoint> points,
                                 const HologramGeometry& geometry, const ExecutionContext& context = {});

// The ways of refining a kinoform; names are what the settings and the
// command line's --refine-method use, labels what a menu shows.
enum class RefinementMethod {
    // Gerchberg–Saxton: the target's amplitudes on its bins with the far
    // field's own phases, part of the light on the rest of their spots kept
    // (more light leaves the noise), nothing elsewhere, back to phase only;
    // repeated.
    GerchbergSaxton,
    // Weighted Gerchberg–Saxton (Di Leonardo et al. 2007): each target bin's
    // amplitude is weighted by how far below the mean its light fell, so the
    // spots even out; the target's phases are held fixed for the last third
    // of the iterations (Kim et al. 2019), which evens them further.
    Weighted,
};
struct RefinementMethodEntry {
    RefinementMethod method;
    std::string_view name;   // "gs", "weighted"
    std::string_view label;  // "Gerchberg–Saxton", "Weighted Gerchberg–Saxton"
};
std::span<const RefinementMethodEntry> RefinementMethods();
// The entry named `name`, or nullptr.
const RefinementMethodEntry* FindRefinementMethod(std::string_view name);
const RefinementMethodEntry& RefinementMethodEntryOf(RefinementMethod method);

struct RefinementRequest {
    RefinementMethod method = RefinementMethod::GerchbergSaxton;
    // Iterations to run, above 0. One iteration is a forward and an inverse
    // transform of the hologram's size.
    int iterations = 30;
    // Seconds after which it stops at the end of an iteration, whatever the
    // iterations; 0 for no limit.
    double budgetSeconds = 0;
};

struct RefinementRecord {
    RefinementMethod method = RefinementMethod::GerchbergSaxton;
    PhaseFigures start;
    PhaseFigures end;
    int iterations = 0;  // iterations run
    double seconds = 0;
};

// A phase hologram and what made it.
struct PhaseHologram {
    HologramGeometry geometry;
    // The lit samples (scan order), their phases and the requested
    // brightness of each (relative intensities; empty: all equal).
    std::vector<ObjectPoint> litSamples;
    std::vector<double> phases;
    std::vector<float> brightness;
    // φ in [0, 2π): columns x rows of the geometry, column by column.
    HologramField phase;
    // Its grey levels as the view shows them: φ / 2π × 255 rounded (2π
    // itself never occurs), column by column.
    std::vector<std::uint8_t> greyLevels;
    PhaseFigures figures;
    // The last refinement, if any.
    std::optional<RefinementRecord> refinement;
    double sumSeconds = 0;
};

// The brightness a lit sample asks for from its grey level (0 .. 255; a
// colour's brightest channel): that share of white's light, level / 255.
// The window and the command line both take their pictures' samples so.
float BrightnessOfLevel(int level);

// The kinoform of a request's object: the same geometry, sample phases and
// engine as MakeHologram (the request's binarization is ignored), the
// imaginary part summed by the same engine with every phase less π/2.
// `brightness` is kept for a refinement (one value a lit sample, or empty).
// Throws what MakeHologram throws, and std::invalid_argument for brightness
// of the wrong length or negative.
PhaseHologram MakeKinoform(HologramRequest request, std::vector<float> brightness = {},
                           const ExecutionContext& context = {});

// Refines `hologram` in place toward its lit samples' target bins (their
// brightness as the target intensities), then measures it again. Progress
// (the context's progress) after every iteration; throws
// CalculationCancelled leaving `hologram` as it was, std::bad_alloc, and
// std::invalid_argument for iterations below 1 or a negative budget.
void RefinePhaseHologram(PhaseHologram& hologram, const RefinementRequest& request,
                         const ExecutionContext& context = {});

// The kinoform and, with `refinement`, its refinement: one call.
struct PhaseRequest {
    HologramRequest hologram;
    std::vector<float> brightness;
    std::optional<RefinementRequest> refinement;
};
PhaseHologram MakePhaseHologram(PhaseRequest request, const ExecutionContext& context = {});

// ----- The modulator -----

// The grey level each of 256 equal phase steps is shown at: entry k is for
// φ = k · 2π / 256.
using PhaseLookupTable = std::array<std::uint8_t, 256>;

// The table of a linear modulator whose grey level `twoPiLevel` (1 .. 255)
// delays by 2π: entry k is round(k · twoPiLevel / 256).
PhaseLookupTable LinearLookupTable(int twoPiLevel = 255);

// Reads a lookup table as modulator makers ship them: 256 lines, each one
// number 0 .. 255 (or two, an index 0 .. 255 in order and the number);
// blank lines and lines starting with '#' are skipped; lines end at '\n'
// (a '\r' before it is a space). Throws std::invalid_argument naming the
// first bad line ("line 12: ...", quoting at most a few bytes of it, control
// bytes escaped) or the count.
PhaseLookupTable ParseLookupTable(std::string_view text);

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

// The largest panel side accepted (16384) and the most pixels (2^26).
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
