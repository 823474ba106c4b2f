// The point sum's inner loop, compiled once for each instruction set Highway
// targets on this processor family; the processor's best one is chosen when
// the program first runs it.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/scenes/PointSumKernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

// After foreach_target.h, which includes this file again for each target.
#include <hwy/highway.h>

#include <hwy/contrib/math/math-inl.h>

#include "engine/scenes/PointSumKernel.h"

HWY_BEFORE_NAMESPACE();
namespace marbleck {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void AddPointRunHere(const PointRun& run, float* HWY_RESTRICT real, float* HWY_RESTRICT imag, int count) {
    const hn::ScalableTag<float> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    // 2π in two parts: the first exact in single precision, so that
    // θ − n·2π loses nothing for the n a run's phases reach.
    constexpr double twoPi = 6.283185307179586476925286766559;
    const auto twoPiHigh = hn::Set(d, static_cast<float>(twoPi));
    const auto twoPiLow =
        hn::Set(d, static_cast<float>(twoPi - static_cast<double>(static_cast<float>(twoPi))));
    const auto inverseTwoPi = hn::Set(d, static_cast<float>(1 / twoPi));
    const auto pitch = hn::Set(d, run.pitch);
    const auto firstDx = hn::Set(d, run.firstDx);
    const auto dySquared = hn::Set(d, run.dySquared);
    const auto z = hn::Set(d, run.z);
    const auto zSquared = hn::Set(d, run.z * run.z);
    const auto k = hn::Set(d, run.k);
    const auto phase = hn::Set(d, run.phase);
    const auto amplitude = hn::Set(d, run.amplitude);
    const auto step = hn::Set(d, static_cast<float>(lanes));
    auto index = hn::Iota(d, 0.0f);
    for (int i = 0; i < count; i += lanes) {
        const auto dx = hn::MulAdd(index, pitch, firstDx);
        index = hn::Add(index, step);
        const auto rhoSquared = hn::MulAdd(dx, dx, dySquared);
        const auto r = hn::Sqrt(hn::Add(rhoSquared, zSquared));
        const auto rPlusZ = hn::Add(r, z);
        // One division for both 1/r and 1/(r + z).
        const auto inverse = hn::Div(hn::Set(d, 1.0f), hn::Mul(r, rPlusZ));
        auto theta = hn::MulAdd(hn::Mul(k, rhoSquared), hn::Mul(r, inverse), phase);
        const auto turns = hn::Round(hn::Mul(theta, inverseTwoPi));
        theta = hn::NegMulAdd(turns, twoPiHigh, theta);
        theta = hn::NegMulAdd(turns, twoPiLow, theta);
        auto weight = hn::Mul(amplitude, hn::Mul(rPlusZ, inverse));
        if (count - i < lanes)
            weight = hn::IfThenElseZero(hn::FirstN(d, static_cast<size_t>(count - i)), weight);
        const auto cosine = hn::Cos(d, theta);
        const auto sine = hn::Sin(d, theta);
        hn::StoreU(hn::MulAdd(weight, cosine, hn::LoadU(d, real + i)), d, real + i);
        hn::StoreU(hn::MulAdd(weight, sine, hn::LoadU(d, imag + i)), d, imag + i);
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace marbleck
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace marbleck {

HWY_EXPORT(AddPointRunHere);

void AddPointRun(const PointRun& run, float* real, float* imag, int count) {
    HWY_DYNAMIC_DISPATCH(AddPointRunHere)(run, real, imag, count);
}

// The widest vector of any target Highway compiles for.
int RunPadding() { return HWY_MAX_BYTES / static_cast<int>(sizeof(float)); }

}  // namespace marbleck
#endif
