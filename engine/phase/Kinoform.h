#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/phase/PhaseFigures.h"
#include "engine/phase/Refinement.h"
#include "engine/sums/HologramRequest.h"

namespace marbleck {

// Phase-only holograms (kinoforms) for a spatial light modulator: every value
// is a phase delay φ in [0, 2π) and the hologram's transmittance is e^(iφ).
//
// The kinoform of an object is the phase of the complex sum of its point
// sources, the same sources whose real part the amplitude hologram is:
//   S(u, v) = Σ e^(i(u·ax + v·ay + phase)),   φ(u, v) = arg S(u, v).
// A refinement (Gerchberg–Saxton, engine/phase/Refinement.h) then moves light from
// the noise onto the object's points; a panel map (engine/phase/PanelMap.h) puts φ
// on the modulator's pixels with its grey level for 2π or lookup table, a
// tilt and a lens.

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

// The kinoform and, with `refinement`, its refinement: one call.
struct PhaseRequest {
    HologramRequest hologram;
    std::vector<float> brightness;
    std::optional<RefinementRequest> refinement;
};
PhaseHologram MakePhaseHologram(PhaseRequest request, const ExecutionContext& context = {});

}  // namespace marbleck
