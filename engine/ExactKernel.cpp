#include "ExactKernel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define MARBLECK_X86 1
#endif

namespace marbleck {

namespace {

void updateScalar(float* column, const double* cv, const double* sv, double p, double q, int rows) {
    for (int v = 1; v < rows; ++v)
        column[v] = static_cast<float>((static_cast<double>(column[v]) + cv[v] * p) - sv[v] * q);
}

#ifdef MARBLECK_X86
// Four values per step. Only "avx2" is enabled here, not "fma": the products
// and sums stay separately rounded, as in the scalar form.
__attribute__((target("avx2"))) void updateAvx2(float* column, const double* cv, const double* sv,
                                                double p, double q, int rows) {
    const __m256d vp = _mm256_set1_pd(p);
    const __m256d vq = _mm256_set1_pd(q);
    int v = 1;
    for (; v + 4 <= rows; v += 4) {
        __m256d value = _mm256_cvtps_pd(_mm_loadu_ps(column + v));
        value = _mm256_add_pd(value, _mm256_mul_pd(_mm256_loadu_pd(cv + v), vp));
        value = _mm256_sub_pd(value, _mm256_mul_pd(_mm256_loadu_pd(sv + v), vq));
        _mm_storeu_ps(column + v, _mm256_cvtpd_ps(value));
    }
    for (; v < rows; ++v)
        column[v] = static_cast<float>((static_cast<double>(column[v]) + cv[v] * p) - sv[v] * q);
}

bool hasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}  // namespace

void UpdateColumn(float* column, const double* cv, const double* sv, double p, double q, int rows) {
    if (rows <= 0) return;
    column[0] = static_cast<float>(static_cast<double>(column[0]) + p);
#ifdef MARBLECK_X86
    if (hasAvx2()) {
        updateAvx2(column, cv, sv, p, q, rows);
        return;
    }
#endif
    updateScalar(column, cv, sv, p, q, rows);
}

const char* UpdateColumnKernel() {
#ifdef MARBLECK_X86
    if (hasAvx2()) return "avx2";
#endif
    return "scalar";
}

}  // namespace marbleck
