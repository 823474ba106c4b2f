// The point sum's inner loop, compiled once for each instruction set Highway
// targets on this processor family; the processor's best one is chosen when
// the program first runs it.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/scenes/PointSumKernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

// After foreach_target.h, which includes this file again for each target.
#include <hwy/highway.h>

#include "engine/scenes/PointSumKernel.h"

HWY_BEFORE_NAMESPACE();
namespace marbleck {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Sine and cosine of θ together: the whole turns n = round(θ/2π) taken off
// in two parts (the first exact in single precision, so that θ − n·2π loses
// nothing for the n a run reaches), then near-minimax polynomials on
// [−π, π], of degree 11 for the sine and 12 for the cosine (within 5·10⁻⁷
// of both in single precision: below the phases' own rounding). No
// quadrants to swap and sign, so fewer steps than a sine and a cosine apart.
template <class D, class V>
HWY_INLINE void SineAndCosine(D d, V theta, V& sine, V& cosine) {
    constexpr double twoPi = 6.283185307179586476925286766559;
    const auto turns = hn::Round(hn::Mul(theta, hn::Set(d, static_cast<float>(1 / twoPi))));
    auto t = hn::NegMulAdd(turns, hn::Set(d, static_cast<float>(twoPi)), theta);
    t = hn::NegMulAdd(
        turns, hn::Set(d, static_cast<float>(twoPi - static_cast<double>(static_cast<float>(twoPi)))), t);
    const auto t2 = hn::Mul(t, t);
    auto s = hn::MulAdd(hn::Set(d, -2.036622528955867e-08f), t2, hn::Set(d, 2.6998226507757295e-06f));
    s = hn::MulAdd(s, t2, hn::Set(d, -0.00019808739921172228f));
    s = hn::MulAdd(s, t2, hn::Set(d, 0.008332407589307443f));
    s = hn::MulAdd(s, t2, hn::Set(d, -0.16666553445955934f));
    s = hn::MulAdd(s, t2, hn::Set(d, 0.9999996039265135f));
    sine = hn::Mul(s, t);
    auto c = hn::MulAdd(hn::Set(d, 1.7247605565984259e-09f), t2, hn::Set(d, -2.707977504248782e-07f));
    c = hn::MulAdd(c, t2, hn::Set(d, 2.4769966143007617e-05f));
    c = hn::MulAdd(c, t2, hn::Set(d, -0.0013887807820841787f));
    c = hn::MulAdd(c, t2, hn::Set(d, 0.041666490190322224f));
    c = hn::MulAdd(c, t2, hn::Set(d, -0.49999989180070414f));
    cosine = hn::MulAdd(c, t2, hn::Set(d, 0.9999999890649208f));
}

void AddPointRunHere(const PointRun& run, float* HWY_RESTRICT real, float* HWY_RESTRICT imag, int count) {
    const hn::ScalableTag<float> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const auto pitch = hn::Set(d, run.pitch);
    const auto firstDx = hn::Set(d, run.firstDx);
    const auto dySquared = hn::Set(d, run.dySquared);
    const auto z = hn::Set(d, run.z);
    const auto zSquared = hn::Set(d, run.z * run.z);
    const auto k = hn::Set(d, run.k);
    const auto phase = hn::Set(d, run.phase);
    const auto amplitude = hn::Set(d, run.amplitude);
    const auto step = hn::Set(d, static_cast<float>(lanes));
    [[maybe_unused]] const auto half = hn::Set(d, 0.5f), threeHalves = hn::Set(d, 1.5f);
    const auto two = hn::Set(d, 2.0f);
    auto index = hn::Iota(d, 0.0f);
    for (int i = 0; i < count; i += lanes) {
        const auto dx = hn::MulAdd(index, pitch, firstDx);
        index = hn::Add(index, step);
        const auto rhoSquared = hn::MulAdd(dx, dx, dySquared);
        // 1/r and 1/(r + z) from the processor's estimates, each made
        // nearly exact by one Newton step: cheaper than a square root and a
        // division, and as accurate as single precision needs here.
        const auto rSquared = hn::Add(rhoSquared, zSquared);
#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
        // Without vector instructions the estimate is a coarse bit trick
        // that one Newton step leaves too far off for phases of 10³ rad.
        const auto inverseR = hn::Div(hn::Set(d, 1.0f), hn::Sqrt(rSquared));
#else
        auto inverseR = hn::ApproximateReciprocalSqrt(rSquared);
        inverseR = hn::Mul(inverseR,
                           hn::NegMulAdd(hn::Mul(half, rSquared), hn::Mul(inverseR, inverseR), threeHalves));
#endif
        const auto rPlusZ = hn::MulAdd(rSquared, inverseR, z);
        auto inverseSum = hn::ApproximateReciprocal(rPlusZ);
        inverseSum = hn::Mul(inverseSum, hn::NegMulAdd(rPlusZ, inverseSum, two));
        const auto theta = hn::MulAdd(hn::Mul(k, rhoSquared), inverseSum, phase);
        const auto weight = hn::Mul(amplitude, inverseR);
        hn::Vec<decltype(d)> sine, cosine;
        SineAndCosine(d, theta, sine, cosine);
        const auto oldReal = hn::LoadU(d, real + i), oldImag = hn::LoadU(d, imag + i);
        auto newReal = hn::MulAdd(weight, cosine, oldReal), newImag = hn::MulAdd(weight, sine, oldImag);
        if (count - i < lanes) {
            // The lanes past the run keep what they held, whatever the
            // extrapolated values there came to.
            const auto inside = hn::FirstN(d, static_cast<size_t>(count - i));
            newReal = hn::IfThenElse(inside, newReal, oldReal);
            newImag = hn::IfThenElse(inside, newImag, oldImag);
        }
        hn::StoreU(newReal, d, real + i);
        hn::StoreU(newImag, d, imag + i);
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
