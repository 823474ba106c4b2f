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

// Sine and cosine of θ together, from one reduction by π/2: the quarter
// turns q = round(2θ/π) taken off in three parts (the first two exact in
// single precision), the rest t in [−π/4, π/4] into the minimax polynomials
// of sin t and cos t, which q then swaps and signs. As accurate as θ itself
// for the phases a run reaches (|θ| up to about 10⁶).
template <class D, class V>
HWY_INLINE void SineAndCosine(D d, V theta, V& sine, V& cosine) {
    const hn::RebindToSigned<D> di;
    const auto quarters = hn::Round(hn::Mul(theta, hn::Set(d, 0.636619772367581343f)));
    auto t = hn::NegMulAdd(quarters, hn::Set(d, 1.5703125f), theta);
    t = hn::NegMulAdd(quarters, hn::Set(d, 4.837512969970703125e-4f), t);
    t = hn::NegMulAdd(quarters, hn::Set(d, 7.54978995489188216e-8f), t);
    const auto t2 = hn::Mul(t, t);
    auto s = hn::MulAdd(hn::Set(d, -1.9515295891e-4f), t2, hn::Set(d, 8.3321608736e-3f));
    s = hn::MulAdd(s, t2, hn::Set(d, -1.6666654611e-1f));
    s = hn::MulAdd(hn::Mul(s, t2), t, t);
    auto c = hn::MulAdd(hn::Set(d, 2.443315711809948e-5f), t2, hn::Set(d, -1.388731625493765e-3f));
    c = hn::MulAdd(c, t2, hn::Set(d, 4.166664568298827e-2f));
    c = hn::MulAdd(c, hn::Mul(t2, t2), hn::NegMulAdd(hn::Set(d, 0.5f), t2, hn::Set(d, 1.0f)));
    const auto q = hn::ConvertTo(di, quarters);
    const auto one = hn::Set(di, 1), two = hn::Set(di, 2);
    const auto swap = hn::RebindMask(d, hn::Eq(hn::And(q, one), one));
    const auto sineSign = hn::BitCast(d, hn::ShiftLeft<30>(hn::And(q, two)));
    const auto cosineSign = hn::BitCast(d, hn::ShiftLeft<30>(hn::And(hn::Add(q, one), two)));
    sine = hn::Xor(hn::IfThenElse(swap, c, s), sineSign);
    cosine = hn::Xor(hn::IfThenElse(swap, s, c), cosineSign);
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
    const auto half = hn::Set(d, 0.5f), threeHalves = hn::Set(d, 1.5f), two = hn::Set(d, 2.0f);
    auto index = hn::Iota(d, 0.0f);
    for (int i = 0; i < count; i += lanes) {
        const auto dx = hn::MulAdd(index, pitch, firstDx);
        index = hn::Add(index, step);
        const auto rhoSquared = hn::MulAdd(dx, dx, dySquared);
        // 1/r and 1/(r + z) from the processor's estimates, each made
        // nearly exact by one Newton step: cheaper than a square root and a
        // division, and as accurate as single precision needs here.
        const auto rSquared = hn::Add(rhoSquared, zSquared);
        auto inverseR = hn::ApproximateReciprocalSqrt(rSquared);
        inverseR = hn::Mul(inverseR,
                           hn::NegMulAdd(hn::Mul(half, rSquared), hn::Mul(inverseR, inverseR), threeHalves));
        const auto rPlusZ = hn::MulAdd(rSquared, inverseR, z);
        auto inverseSum = hn::ApproximateReciprocal(rPlusZ);
        inverseSum = hn::Mul(inverseSum, hn::NegMulAdd(rPlusZ, inverseSum, two));
        const auto theta = hn::MulAdd(hn::Mul(k, rhoSquared), inverseSum, phase);
        auto weight = hn::Mul(amplitude, inverseR);
        if (count - i < lanes)
            weight = hn::IfThenElseZero(hn::FirstN(d, static_cast<size_t>(count - i)), weight);
        hn::Vec<decltype(d)> sine, cosine;
        SineAndCosine(d, theta, sine, cosine);
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
