#pragma once

#include "engine/Binarization.h"

namespace marbleck {

// The "optimised" binarization: starts from the balanced hologram of
// `calculated` and flips values in batches while that lowers a cost with two
// parts, measured on the far field F of the pattern (mean removed):
//   the object: every signal bin of the fidelity figure (each lit point's
//     bin and its neighbours) should have |F| = A, one common amplitude with
//     a free phase, A following the light the signal bins hold;
//   the noise: the light on every bin that is not signal, twin or centre.
// Each step takes the gain of flipping every value, to first order, from one
// inverse transform of the cost's gradient, flips the values that gain
// most, and keeps the step only if one forward transform says the cost fell;
// the batch grows after a kept step and halves after a refused one. It
// stops when no single value gains, after request.maxIterations steps, or
// when request.budgetSeconds have passed, and is deterministic for the same
// input and steps. Never returns a pattern whose cost is above its start's.
BinarizedHologram OptimiseBinary(const HologramField& calculated, const BinarizationRequest& request,
                                 const BinarizationContext& context);

}  // namespace marbleck
