#pragma once

#include <vector>

#include "engine/CalculationControl.h"
#include "engine/HologramRequest.h"
#include "engine/HologramResult.h"
#include "engine/ThreadPool.h"

namespace marbleck {

// The phase of each of the request's lit samples, in their order: with
// random phase PhaseOfDraw of its own draw from a RandomGenerator seeded with
// the request's seed, else 0.
std::vector<double> SamplePhases(const HologramRequest& request);

// One whole calculation: the geometry of the object at the request's reps,
// a phase per lit sample, the sums by the requested engine, the normalised
// field and its grey levels, and the requested binarization. Taken by value,
// so that a caller that moves its request in lends its samples to the
// result rather than copying them.
//
// `control`'s callables run on the calling thread only (see
// CalculationControl); its cancel flag is read on every engine thread.
// Throws, before any sum: NoHologramError (380) for reps that leave no
// hologram, RunTimeError 7 for one of more than MaxHologramValues values,
// std::invalid_argument for an unknown engine or binarization or samples out
// of scan order or outside the object. While it runs: std::bad_alloc, and
// CalculationCancelled once it is told to stop.
HologramResult MakeHologram(HologramRequest request, const CalculationControl& control = {},
                            ThreadPool& pool = ThreadPool::Shared());

}  // namespace marbleck
