#pragma once

#include <span>

#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/reconstruction/Reconstruction.h"

namespace marbleck {

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

}  // namespace marbleck
