#pragma once

#include <complex>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/scenes/ScenePlane.h"

namespace marbleck {

// Spots in 3-D for a phase modulator (optical tweezers and the like): the
// phase φ on the modulator's plane that puts light into a set of spots at
// several depths, by the weighted Gerchberg–Saxton algorithm on the spots'
// fields computed straight from the phase.
//
// Spot j at (xⱼ, yⱼ, zⱼ) sees the field
//   Vⱼ = Σ_pixels e^(i(φ − k rⱼ)) / N,     k = 2π/λ, N the pixels,
// with the Fresnel (paraxial) distance from the pixel at (x, y) to the spot,
//   k rⱼ = k zⱼ + k((x − xⱼ)² + (y − yⱼ)²) / (2 zⱼ),
// each spot's phases formed and wrapped in 64-bit before they are rounded to
// 32-bit. The Fresnel phase is a sum of a phase along x and one along y, so a
// spot's phase over the plane is the product of a table a column and a table
// a row: the sums need no sine or cosine per pixel, and cost about 8 real
// multiply-adds per pixel and spot.
//
// One iteration: the weights wⱼ ← wⱼ · mean(aⱼ) / aⱼ, aⱼ = |Vⱼ| / √tⱼ (tⱼ
// the spot's target intensity), then φ ← arg Σⱼ wⱼ e^(i(k rⱼ + arg Vⱼ)). The
// start is the weighted superposition of the spots' lenses, wⱼ = √tⱼ with
// arg Vⱼ = 0. |Vⱼ|² is the share of the modulator's light in spot j (1 when
// all of it is there).

// A spot: where it lies (metres; zero is the plane's centre, z its distance
// in front of the plane, above 0) and its target intensity (relative to the
// other spots', above 0).
struct Spot {
    double x = 0;
    double y = 0;
    double z = 0;
    double intensity = 1;
};

struct SpotRequest {
    ScenePlane plane;       // the modulator's pixels and pitch
    double wavelength = 0;  // metres
    std::vector<Spot> spots;
    int iterations = 30;  // weighted iterations after the start; 0 gives the start
};

// The overall uniformity from which the spots' phases are held.
inline constexpr double HoldPhasesAtUniformity = 0.9;

// The most spots a request may hold, and the most iterations.
inline constexpr int MaxSpots = 4096;
inline constexpr int MaxSpotIterations = 100000;

// Efficiency Σ|Vⱼ|² and uniformity 1 − (max − min)/(max + min) of
// |Vⱼ|² / tⱼ over a set of spots (1 for a single spot; 0 where max + min is 0).
struct SpotGroupFigures {
    double z = 0;  // the spots' depth (per depth); 0 for all spots
    int spots = 0;
    double efficiency = 0;
    double uniformity = 0;
};

struct SpotFigures {
    SpotGroupFigures overall;
    // One entry a depth (spots with the same z), nearest first.
    std::vector<SpotGroupFigures> depths;
};

struct SpotHologram {
    // φ in [0, 2π): the plane's columns × rows, column by column (the
    // layout PhaseHologramOfField and MapToPanel take).
    HologramField phase;
    // Vⱼ of the returned phase, and the weights that made it, a spot each.
    std::vector<std::complex<double>> spotFields;
    std::vector<double> weights;
    SpotFigures figures;
    // The overall figures of the start (entry 0) and after each iteration.
    std::vector<SpotGroupFigures> history;
    double seconds = 0;
};

// Throws std::invalid_argument for a request the refinement cannot run: a
// plane without pixels, a pitch or wavelength not above 0 or not finite, no
// spots or more than MaxSpots, a spot with a coordinate that is not finite,
// a z not above 0 or an intensity not above 0, iterations below 0 or above
// MaxSpotIterations.
void CheckSpotRequest(const SpotRequest& request);

// The pixel-spot terms one iteration sums, 2 × spots × pixels (the spots'
// fields and the superposition; about 4 multiply-adds each), for a front
// end's bound on work.
double SpotIterationWork(const SpotRequest& request);

// The figures of spot fields `fields` for `spots` (one each, same order).
SpotFigures MeasureSpotFigures(const std::vector<Spot>& spots,
                               const std::vector<std::complex<double>>& fields);

// Runs the refinement on the context's threads: the figures do not depend
// on their number. Reports progress after each iteration and stops with
// CalculationCancelled when asked (between rows on every thread). Throws
// what CheckSpotRequest and CheckExecutionContext throw, and std::bad_alloc.
SpotHologram RefineSpots(const SpotRequest& request, const ExecutionContext& context = {});

}  // namespace marbleck
