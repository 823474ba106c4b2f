#include "engine/sums/ExactKernel.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define MARBLECK_X86 1
#endif

#ifdef __FAST_MATH__
#error "the hologram engine must be built without -ffast-math: it reorders the roundings"
#endif

namespace marbleck {

namespace {

void updateScalar(float* column, const double* cv, const double* sv, double p, double q, int v, int rows) {
    for (; v < rows; ++v)
        column[v] = static_cast<float>((static_cast<double>(column[v]) + cv[v] * p) - sv[v] * q);
}

#ifdef MARBLECK_X86
// Neither function enables "fma": products and sums stay separately rounded,
// as in the scalar form.
__attribute__((target("avx2"))) void updateAvx2(float* column, const double* cv, const double* sv, double p,
                                                double q, int v, int rows) {
    const __m256d vp = _mm256_set1_pd(p);
    const __m256d vq = _mm256_set1_pd(q);
    for (; v + 4 <= rows; v += 4) {
        __m256d value = _mm256_cvtps_pd(_mm_loadu_ps(column + v));
        value = _mm256_add_pd(value, _mm256_mul_pd(_mm256_loadu_pd(cv + v), vp));
        value = _mm256_sub_pd(value, _mm256_mul_pd(_mm256_loadu_pd(sv + v), vq));
        _mm_storeu_ps(column + v, _mm256_cvtpd_ps(value));
    }
    updateScalar(column, cv, sv, p, q, v, rows);
}

// GCC 12's conversion intrinsics start from an "undefined" register, which
// its own flow analysis reports as uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
__attribute__((target("avx512f"))) void updateAvx512(float* column, const double* cv, const double* sv,
                                                     double p, double q, int v, int rows) {
    const __m512d vp = _mm512_set1_pd(p);
    const __m512d vq = _mm512_set1_pd(q);
    for (; v + 8 <= rows; v += 8) {
        __m512d value = _mm512_cvtps_pd(_mm256_loadu_ps(column + v));
        value = _mm512_add_pd(value, _mm512_mul_pd(_mm512_loadu_pd(cv + v), vp));
        value = _mm512_sub_pd(value, _mm512_mul_pd(_mm512_loadu_pd(sv + v), vq));
        _mm256_storeu_ps(column + v, _mm512_cvtpd_ps(value));
    }
    updateScalar(column, cv, sv, p, q, v, rows);
}
#pragma GCC diagnostic pop
#endif

std::atomic<ColumnKernel>& selected() {
    static std::atomic<ColumnKernel> kernel{BestColumnKernel()};
    return kernel;
}

}  // namespace

bool ColumnKernelSupported(ColumnKernel kernel) {
    switch (kernel) {
        case ColumnKernel::Scalar:
            return true;
#ifdef MARBLECK_X86
        case ColumnKernel::Avx2:
            return __builtin_cpu_supports("avx2");
        case ColumnKernel::Avx512:
            return __builtin_cpu_supports("avx512f");
#else
        default:
            return false;
#endif
    }
    return false;
}

ColumnKernel BestColumnKernel() {
    for (ColumnKernel kernel : {ColumnKernel::Avx512, ColumnKernel::Avx2})
        if (ColumnKernelSupported(kernel)) return kernel;
    return ColumnKernel::Scalar;
}

bool SelectColumnKernel(ColumnKernel kernel) {
    if (!ColumnKernelSupported(kernel)) return false;
    selected().store(kernel);
    return true;
}

ColumnKernel SelectedColumnKernel() { return selected().load(); }

const char* ColumnKernelName(ColumnKernel kernel) {
    switch (kernel) {
        case ColumnKernel::Scalar:
            return "scalar";
        case ColumnKernel::Avx2:
            return "avx2";
        case ColumnKernel::Avx512:
            return "avx512";
    }
    return "?";
}

void UpdateColumnRows(float* column, const double* cv, const double* sv, double p, double q, int begin,
                      int end) {
    if (begin >= end) return;
    if (begin == 0) {
        // Row 0 takes P alone: (Cv, Sv) = (1, 0) there.
        column[0] = static_cast<float>(static_cast<double>(column[0]) + p);
        begin = 1;
    }
    switch (selected().load(std::memory_order_relaxed)) {
#ifdef MARBLECK_X86
        case ColumnKernel::Avx512:
            updateAvx512(column, cv, sv, p, q, begin, end);
            return;
        case ColumnKernel::Avx2:
            updateAvx2(column, cv, sv, p, q, begin, end);
            return;
#endif
        default:
            updateScalar(column, cv, sv, p, q, begin, end);
            return;
    }
}

void UpdateColumn(float* column, const double* cv, const double* sv, double p, double q, int rows) {
    UpdateColumnRows(column, cv, sv, p, q, 0, rows);
}

}  // namespace marbleck
