#pragma once

// The inner loops of the spots' refinement (engine/scenes/SpotRefinement):
// the per-pixel phase of every spot along one row of the modulator, in
// vector lanes. Engine-private.

#include <complex>
#include <cstddef>
#include <vector>

namespace marbleck::spot_sums {

// e^(−i·phase) of every spot at every position along one axis, spot by
// spot, real and imaginary parts apart: spot j's values at j × count.
struct AxisTable {
    int count = 0;
    int spots = 0;
    std::vector<float> re;
    std::vector<float> im;

    const float* reOf(int spot) const { return re.data() + static_cast<std::size_t>(spot) * count; }
    const float* imOf(int spot) const { return im.data() + static_cast<std::size_t>(spot) * count; }
};

// dots[j] = Σ_c t[c] · table_j[c] for every spot j: t one row of the
// transmittance (table.count values, real and imaginary parts apart).
void RowDots(const float* tRe, const float* tIm, const AxisTable& table, std::complex<float>* dots);

// s[c] = Σ_j d[j] · conj(table_j[c]) for every column c, the spots added in
// order: one row of the spots' superposition.
void RowSuperpose(const std::complex<float>* d, const AxisTable& table, float* sRe, float* sIm);

// s / |s| in place, 1 where s is 0: the unit transmittance with s's phase.
void ToUnit(float* re, float* im, int count);

// The same three loops compiled for any x86-64 (or any processor), whichever
// version the ones above run here: for comparing the two.
namespace portable {
void RowDots(const float* tRe, const float* tIm, const AxisTable& table, std::complex<float>* dots);
void RowSuperpose(const std::complex<float>* d, const AxisTable& table, float* sRe, float* sIm);
void ToUnit(float* re, float* im, int count);
}  // namespace portable

}  // namespace marbleck::spot_sums
