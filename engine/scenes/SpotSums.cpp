#include "engine/scenes/SpotSums.h"

#include <cmath>

// The loops are plain C++ the compiler puts into vector lanes: the dot
// products keep Lanes partial sums each (no reassociation needed), the
// others work value by value. Each is compiled twice, for AVX2 with FMA and
// for any processor, and the first call picks the version the processor
// runs. Which version runs depends on the processor only, never on the
// threads, so a result is the same on any number of threads.
#if defined(__x86_64__) && defined(__GNUC__)
#define MARBLECK_SPOT_WIDE 1
#define MARBLECK_INLINE inline __attribute__((always_inline))
#else
#define MARBLECK_SPOT_WIDE 0
#define MARBLECK_INLINE inline
#endif

namespace marbleck::spot_sums {
namespace {

constexpr int Lanes = 16;

MARBLECK_INLINE void Dot(const float* __restrict tRe, const float* __restrict tIm,
                         const float* __restrict eRe, const float* __restrict eIm, int count,
                         float* __restrict outRe, float* __restrict outIm) {
    float accRe[Lanes] = {}, accIm[Lanes] = {};
    int c = 0;
    for (; c + Lanes <= count; c += Lanes)
        for (int l = 0; l < Lanes; ++l) {
            const float a = tRe[c + l], b = tIm[c + l], x = eRe[c + l], y = eIm[c + l];
            accRe[l] += a * x - b * y;
            accIm[l] += a * y + b * x;
        }
    float re = 0, im = 0;
    for (; c < count; ++c) {
        re += tRe[c] * eRe[c] - tIm[c] * eIm[c];
        im += tRe[c] * eIm[c] + tIm[c] * eRe[c];
    }
    for (int l = 0; l < Lanes; ++l) {
        re += accRe[l];
        im += accIm[l];
    }
    *outRe = re;
    *outIm = im;
}

MARBLECK_INLINE void AddConjugateScaled(float dRe, float dIm, const float* __restrict eRe,
                                        const float* __restrict eIm, int count, float* __restrict sRe,
                                        float* __restrict sIm) {
    for (int c = 0; c < count; ++c) {
        sRe[c] += dRe * eRe[c] + dIm * eIm[c];
        sIm[c] += dIm * eRe[c] - dRe * eIm[c];
    }
}

MARBLECK_INLINE void Unit(float* __restrict re, float* __restrict im, int count) {
    for (int c = 0; c < count; ++c) {
        const float norm = std::sqrt(re[c] * re[c] + im[c] * im[c]);
        const bool lit = norm > 0;
        const float scale = lit ? 1.0f / (lit ? norm : 1.0f) : 0.0f;
        re[c] = lit ? re[c] * scale : 1.0f;
        im[c] = im[c] * scale;
    }
}

// The three row loops, compiled for one instruction set.
#define MARBLECK_SPOT_ROWS(attributes, suffix)                                                             \
    attributes void RowDots##suffix(const float* tRe, const float* tIm, const AxisTable& table,            \
                                    std::complex<float>* dots) {                                           \
        for (int j = 0; j < table.spots; ++j) {                                                            \
            float re = 0, im = 0;                                                                          \
            Dot(tRe, tIm, table.reOf(j), table.imOf(j), table.count, &re, &im);                            \
            dots[j] = {re, im};                                                                            \
        }                                                                                                  \
    }                                                                                                      \
    attributes void RowSuperpose##suffix(const std::complex<float>* d, const AxisTable& table, float* sRe, \
                                         float* sIm) {                                                     \
        for (int c = 0; c < table.count; ++c) sRe[c] = sIm[c] = 0;                                         \
        for (int j = 0; j < table.spots; ++j)                                                              \
            AddConjugateScaled(d[j].real(), d[j].imag(), table.reOf(j), table.imOf(j), table.count, sRe,   \
                               sIm);                                                                       \
    }                                                                                                      \
    attributes void ToUnit##suffix(float* re, float* im, int count) { Unit(re, im, count); }

MARBLECK_SPOT_ROWS(, Plain)
#if MARBLECK_SPOT_WIDE
MARBLECK_SPOT_ROWS(__attribute__((target("avx2,fma"))), Wide)
bool RunsWide() {
    static const bool wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return wide;
}
#else
bool RunsWide() { return false; }
#define RowDotsWide RowDotsPlain
#define RowSuperposeWide RowSuperposePlain
#define ToUnitWide ToUnitPlain
#endif

}  // namespace

void RowDots(const float* tRe, const float* tIm, const AxisTable& table, std::complex<float>* dots) {
    RunsWide() ? RowDotsWide(tRe, tIm, table, dots) : RowDotsPlain(tRe, tIm, table, dots);
}

void RowSuperpose(const std::complex<float>* d, const AxisTable& table, float* sRe, float* sIm) {
    RunsWide() ? RowSuperposeWide(d, table, sRe, sIm) : RowSuperposePlain(d, table, sRe, sIm);
}

void ToUnit(float* re, float* im, int count) {
    RunsWide() ? ToUnitWide(re, im, count) : ToUnitPlain(re, im, count);
}

namespace portable {
void RowDots(const float* tRe, const float* tIm, const AxisTable& table, std::complex<float>* dots) {
    RowDotsPlain(tRe, tIm, table, dots);
}
void RowSuperpose(const std::complex<float>* d, const AxisTable& table, float* sRe, float* sIm) {
    RowSuperposePlain(d, table, sRe, sIm);
}
void ToUnit(float* re, float* im, int count) { ToUnitPlain(re, im, count); }
}  // namespace portable

}  // namespace marbleck::spot_sums
