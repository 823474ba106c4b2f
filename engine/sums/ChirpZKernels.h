#pragma once

#include <complex>

#include "engine/sums/Normalisation.h"

namespace marbleck {

// The chirp-z engine's loops over one pair of hologram columns, in AVX2
// where the processor has it. Every value rounds as it would alone, in the
// same order in either version, so that results do not depend on the
// processor.

// The inputs of the transform that makes hologram columns `one` and `other`
// (`other` may be null: zero) from their sums G over canvas rows y = 0 ..
// R − 1: H(y) = G(y) / 2, H(−y) = conj G(y) / 2, H(0) = Re G(0) for each,
// H₁ + i·H₂ entering as input n = R − 1 + y, times chirp[n], written at
// reversed[ChirpZ::ReversedIndex(n, length)].
void PutPairInputs(const std::complex<float>* one, const std::complex<float>* other, int R,
                   const std::complex<float>* chirp, std::complex<float>* reversed, int length);

// first[v] += Re P(v) and, where `second` is not null, second[v] += Im P(v)
// for v < count, with P(v) = chirp[v]·convolved[v], its halves rounded as
// std::complex's product would round them and each sum rounded once; widens
// `range` to the new values as FindRange compares (a value replaces an end
// only when it compares beyond it, so NaN never does).
void AddPair(float* first, float* second, const std::complex<float>* convolved,
             const std::complex<float>* chirp, int count, FieldRange& range);

}  // namespace marbleck
