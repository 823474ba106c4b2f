#pragma once

#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/sums/HologramRequest.h"
#include "engine/sums/HologramResult.h"

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
// The context's callables run on the calling thread only (see
// ExecutionContext); its cancel flag is read on every engine thread, and its
// threads are all the call uses.
// Throws, before any sum: NoHologramError (380) for reps that leave no
// hologram, RunTimeError 7 for one of more than MaxHologramValues values,
// std::invalid_argument for an unknown or unavailable engine, an unknown
// binarization, a context CheckExecutionContext refuses, or samples out of
// scan order or outside the object. While it runs: std::bad_alloc, and
// CalculationCancelled once it is told to stop.
HologramResult MakeHologram(HologramRequest request, const ExecutionContext& context = {});

}  // namespace marbleck
