#pragma once

#include <complex>
#include <span>

#include "engine/reconstruction/Reconstruction.h"
#include "engine/transforms/SpectrumPlan.h"

namespace marbleck {

// The far field of a complex transmittance (a phase hologram's e^(iφ), or
// any complex field): |FFT2(t)|^2, centred like every reconstruction.

// The far field of the transmittance loaded into `plan`, which the transform
// (on the context's threads) overwrites. With removeZeroOrder the mean of t
// is taken off first; zeroOrder holds |Σ t|^2 either way.
Reconstruction FarField(const ComplexSpectrumPlan& plan, ReconstructionOptions options,
                        const ExecutionContext& context = {});

// The far field of `values`, columns x rows of t stored column by column
// (`values` holds exactly columns × rows of them). An empty reconstruction
// when columns or rows is 0.
Reconstruction ReconstructComplex(std::span<const std::complex<float>> values, int columns, int rows,
                                  ReconstructionOptions options = {}, const ExecutionContext& context = {});

}  // namespace marbleck
