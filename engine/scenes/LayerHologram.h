#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/scenes/Scene.h"
#include "engine/scenes/ScenePlane.h"

namespace marbleck {

// The most layers a scene's distinct depths give by default: a depth
// picture's 8-bit levels.
inline constexpr int DefaultLayerLimit = 256;

// How the layer method cuts a scene into layers and lights them.
struct LayerOptions {
    // The layers' depths in metres, in any order (repeats count once); empty
    // for the two ways below.
    std::vector<double> depths;
    // With no depths: this many layers evenly from the nearest point's depth
    // to the farthest's (one layer, at the middle, when there is one).
    // 0: one layer at each distinct depth of the scene (a depth picture's
    // levels) when there are at most DefaultLayerLimit of them, else
    // DefaultLayerLimit evenly.
    int layers = 0;
    // The colour channel (0 red, 1 green, 2 blue) that gives each point's
    // amplitude.
    int channel = 0;
    // Each point's phase: zero, or uniform in [0, 2π) from `seed`, drawn
    // for every point of the scene in order (skipped ones too), so that a
    // point's phase does not depend on the plane.
    bool randomPhase = false;
    std::uint64_t seed = 0;
    // Each layer masked by the silhouettes of the nearer layers (see
    // MakeLayerHologram).
    bool occlusion = false;
};

// A layer hologram's field and what became of the scene's points.
struct LayerHologram {
    SceneField field;
    std::vector<double> depths;  // the layers', nearest first
    std::size_t pointsUsed = 0;
    // Points whose nearest pixel lies outside the plane, or with a position
    // that is not a number: left out.
    std::size_t pointsSkipped = 0;
};

// The layers' depths the options give for a scene, nearest first. Throws
// std::invalid_argument for a negative layer count or a depth that is not
// finite.
std::vector<double> LayerDepths(const Scene& scene, const LayerOptions& options);

// The values the layer method's transforms take for `layers` layers on
// `plane`: padded transforms of 4·C·R values, one a layer and the inverse
// without occlusion, two a layer with it.
double LayerTransformValues(std::size_t layers, const ScenePlane& plane, bool occlusion);

// The most LayerTransformValues a front end runs without a time limit:
// 2^33, as many transformed values as a refinement within
// RefinementWorkBound, a few minutes on a desktop processor.
inline constexpr double LayerWorkBound = 8589934592.0;
inline constexpr int LayerWorkBoundExponent = 33;

// The field at the plane z = 0 of `scene` at `wavelength` metres by the
// layer method. Each point goes to its nearest layer and, on it, to its
// nearest pixel (x/p + (C − 1)/2, y/p + (R − 1)/2, rounded), with the
// amplitude colour[channel]·e^{iφ}·iλ/p²: a lone pixel of value a·iλ/p²
// taken a distance z by the angular spectrum is the point's
// a·(z/r)·e^{ikr}/r (Rayleigh–Sommerfeld), the exact point sum's a·e^{ikr}/r
// but for the obliquity z/r, which within the band a pitch can hold
// (ρ/r ≤ λ/(2p)) stays above √(1 − (λ/2p)²). Points on one pixel of one
// layer add up.
//
// Without occlusion, each layer's padded spectrum is multiplied by the
// band-limited transfer function of its depth and added into one sum, which
// one inverse transform takes back: L forward transforms and one inverse,
// each 3/4 of a padded 2-D transform (AngularSpectrum), and L transfer
// functions. With occlusion (the silhouette method), the light is carried
// from the farthest layer to the nearest one a layer at a time: at each
// layer it is zeroed on the pixels the layer's points cover (black points
// too) and the layer's points are added, and the nearest layer's field is
// then taken to the hologram: a forward and an inverse transform for each
// layer, with one transfer function for each distinct step (one for evenly
// spaced layers): about 1.5 times the time without (bench/RESULTS.md).
//
// Memory: two padded arrays (32·C·R bytes each), the transfer function's
// quarter (8·C·R bytes) and the points' places (28 bytes a point).
// Progress after each layer; stops with CalculationCancelled between layers
// and between the transforms' stages.
// Throws std::invalid_argument for a channel outside 0 .. 2 and what
// AngularSpectrum and LayerDepths throw.
LayerHologram MakeLayerHologram(const Scene& scene, const ScenePlane& plane, double wavelength,
                                const LayerOptions& options = {}, const ExecutionContext& context = {});

}  // namespace marbleck
