#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <mutex>

#include "engine/core/ExecutionContext.h"

namespace marbleck {

// Held around every call of FFTW's planner, which is not thread-safe
// (executing a plan is).
std::mutex& FftwPlannerMutex();

// FFTW's transforms of one hologram size and the arrays they work in. The
// real array holds `columns` columns of `rows` values, column by column (the
// field's own layout); its half spectrum holds, for every frequency ku along
// the columns (0 .. columns − 1), the frequencies kv = 0 .. rows / 2 along
// the rows: columns x halfRows() values, ku outer. The 2-D transforms run as
// two stages of 1-D transforms, each cut into slices (SlicesFor the context
// it was made with) that the threads of the context a transform is given
// share. Planned with FFTW_ESTIMATE: for the largest hologram
// (1653 = 3 x 19 x 29 a side) FFTW's measuring planner takes seconds, and
// its own 2-D plans, threaded or not, ran slower here than these stages.
class SpectrumPlan {
public:
    // With `inverse`, also plans inverse(); throws std::bad_alloc when FFTW
    // cannot allocate or plan and std::invalid_argument for a context that
    // CheckExecutionContext refuses.
    SpectrumPlan(int columns, int rows, const ExecutionContext& context, bool inverse = false);
    ~SpectrumPlan();
    SpectrumPlan(const SpectrumPlan&) = delete;
    SpectrumPlan& operator=(const SpectrumPlan&) = delete;

    // The slices for a size: one below 2^16 values, else one per thread of
    // the context's pool.
    static int SlicesFor(int columns, int rows, const ExecutionContext& context);

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int halfRows() const { return rows_ / 2 + 1; }
    int slices() const { return slices_; }
    // Held while the arrays are in use: one transform of this plan at a time.
    std::mutex& inUse() const { return inUse_; }
    float* real() const { return real_.get(); }
    std::complex<float>* spectrum() const { return spectrum_.get(); }

    // Transforms real() into spectrum(), unnormalised: sum of t·e^(−2πi k·x).
    void forward(const ExecutionContext& context = {}) const;
    // Transforms the half spectrum H, taken as the half of a Hermitian
    // spectrum, into real(): sum over the whole spectrum of H_k·e^(+2πi k·x),
    // unnormalised. Overwrites spectrum(). Only for a plan made with `inverse`.
    void inverse(const ExecutionContext& context = {}) const;

private:
    struct Stages;
    struct FftwFree {
        void operator()(void* p) const;
    };

    int columns_;
    int rows_;
    int slices_;
    std::unique_ptr<float, FftwFree> real_;
    std::unique_ptr<std::complex<float>, FftwFree> spectrum_;
    std::unique_ptr<Stages> stages_;
    mutable std::mutex inUse_;
};

// FFTW's complex transforms of one size, in place on one array of `columns`
// columns of `rows` values, column by column, sliced over the context's pool
// as SpectrumPlan's are. For phase holograms, whose transmittance e^(iφ) is
// complex.
class ComplexSpectrumPlan {
public:
    // Throws std::bad_alloc when FFTW cannot allocate or plan and
    // std::invalid_argument for a context that CheckExecutionContext refuses.
    ComplexSpectrumPlan(int columns, int rows, const ExecutionContext& context);
    ~ComplexSpectrumPlan();
    ComplexSpectrumPlan(const ComplexSpectrumPlan&) = delete;
    ComplexSpectrumPlan& operator=(const ComplexSpectrumPlan&) = delete;

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    std::size_t size() const { return static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_); }
    std::complex<float>* data() const { return data_.get(); }

    // data() becomes its transform, unnormalised: sum of t·e^(−2πi k·x).
    void forward(const ExecutionContext& context = {}) const;
    // The same with e^(+2πi k·x).
    void inverse(const ExecutionContext& context = {}) const;

private:
    struct Stages;
    struct FftwFree {
        void operator()(void* p) const;
    };

    int columns_;
    int rows_;
    std::unique_ptr<std::complex<float>, FftwFree> data_;
    std::unique_ptr<Stages> stages_;
};

}  // namespace marbleck
