#include "engine/transforms/SpectrumPlan.h"

#include <fftw3.h>

#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

#include "engine/core/ParallelFor.h"

namespace marbleck {

std::mutex& FftwPlannerMutex() {
    static std::mutex mutex;
    return mutex;
}

namespace {

void* Allocate(std::size_t bytes) {
    void* p = fftwf_malloc(std::max<std::size_t>(bytes, 1));
    if (!p) throw std::bad_alloc();
    return p;
}

// Executes every plan of a stage, the plans shared among the pool's threads.
void Run(const std::vector<fftwf_plan>& plans, ThreadPool& pool) {
    const auto count = static_cast<int>(plans.size());
    ParallelFor(pool, count, count, [&](int, int first, int last) {
        for (int k = first; k < last; ++k) fftwf_execute(plans[static_cast<std::size_t>(k)]);
    });
}

// The slices of a transform made with `context`, after checking it.
int CheckedSlices(int columns, int rows, const ExecutionContext& context) {
    CheckExecutionContext(context);
    return SpectrumPlan::SlicesFor(columns, rows, context);
}

}  // namespace

struct SpectrumPlan::Stages {
    // Forward: real-to-complex along every column, then complex along u for
    // every kept frequency of v. Inverse: the same backwards.
    std::vector<fftwf_plan> alongV, alongU, backAlongU, backAlongV;

    ~Stages() {
        for (auto* plans : {&alongV, &alongU, &backAlongU, &backAlongV})
            for (fftwf_plan plan : *plans) fftwf_destroy_plan(plan);
    }
    static void add(std::vector<fftwf_plan>& plans, fftwf_plan plan) {
        if (!plan) throw std::bad_alloc();
        plans.push_back(plan);
    }
};

int SpectrumPlan::SlicesFor(int columns, int rows, const ExecutionContext& context) {
    return static_cast<long long>(columns) * rows >= (1LL << 16) ? context.pool().size() : 1;
}

void SpectrumPlan::FftwFree::operator()(void* p) const { fftwf_free(p); }

SpectrumPlan::SpectrumPlan(int columns, int rows, const ExecutionContext& context, bool inverse)
    : columns_(columns),
      rows_(rows),
      slices_(CheckedSlices(columns, rows, context)),
      real_(static_cast<float*>(
          Allocate(sizeof(float) * static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows)))),
      spectrum_(static_cast<std::complex<float>*>(
          Allocate(sizeof(fftwf_complex) * static_cast<std::size_t>(columns) *
                   static_cast<std::size_t>(halfRows())))) {
    const int h = halfRows();
    const int slices = slices_;
    float* in = real_.get();
    auto* out = reinterpret_cast<fftwf_complex*>(spectrum_.get());
    std::lock_guard lock(FftwPlannerMutex());
    auto stages = std::make_unique<Stages>();
    for (int k = 0; k < slices; ++k) {
        const auto [first, last] = PartOf(columns, k, slices);
        if (first == last) continue;
        int n = rows;
        float* columnsIn = in + static_cast<std::size_t>(first) * rows;
        fftwf_complex* columnsOut = out + static_cast<std::size_t>(first) * h;
        Stages::add(stages->alongV, fftwf_plan_many_dft_r2c(1, &n, last - first, columnsIn, nullptr, 1, rows,
                                                            columnsOut, nullptr, 1, h, FFTW_ESTIMATE));
        if (inverse)
            Stages::add(stages->backAlongV,
                        fftwf_plan_many_dft_c2r(1, &n, last - first, columnsOut, nullptr, 1, h, columnsIn,
                                                nullptr, 1, rows, FFTW_ESTIMATE));
    }
    for (int k = 0; k < slices; ++k) {
        const auto [first, last] = PartOf(h, k, slices);
        if (first == last) continue;
        int n = columns;
        Stages::add(stages->alongU,
                    fftwf_plan_many_dft(1, &n, last - first, out + first, nullptr, h, 1, out + first, nullptr,
                                        h, 1, FFTW_FORWARD, FFTW_ESTIMATE));
        if (inverse)
            Stages::add(stages->backAlongU,
                        fftwf_plan_many_dft(1, &n, last - first, out + first, nullptr, h, 1, out + first,
                                            nullptr, h, 1, FFTW_BACKWARD, FFTW_ESTIMATE));
    }
    stages_ = std::move(stages);
}

SpectrumPlan::~SpectrumPlan() {
    std::lock_guard lock(FftwPlannerMutex());
    stages_.reset();
}

void SpectrumPlan::forward(const ExecutionContext& context) const {
    ThreadPool& pool = context.pool();
    Run(stages_->alongV, pool);
    Run(stages_->alongU, pool);
}

void SpectrumPlan::inverse(const ExecutionContext& context) const {
    ThreadPool& pool = context.pool();
    Run(stages_->backAlongU, pool);
    Run(stages_->backAlongV, pool);
}

struct ComplexSpectrumPlan::Stages {
    // Along v for every column, then along u for every row; both ways.
    std::vector<fftwf_plan> alongV, alongU, backAlongV, backAlongU;

    ~Stages() {
        for (auto* plans : {&alongV, &alongU, &backAlongV, &backAlongU})
            for (fftwf_plan plan : *plans) fftwf_destroy_plan(plan);
    }
};

void ComplexSpectrumPlan::FftwFree::operator()(void* p) const { fftwf_free(p); }

ComplexSpectrumPlan::ComplexSpectrumPlan(int columns, int rows, const ExecutionContext& context)
    : columns_(columns),
      rows_(rows),
      data_(static_cast<std::complex<float>*>(Allocate(sizeof(fftwf_complex) * size()))) {
    const int slices = CheckedSlices(columns, rows, context);
    auto* data = reinterpret_cast<fftwf_complex*>(data_.get());
    std::lock_guard lock(FftwPlannerMutex());
    auto stages = std::make_unique<Stages>();
    auto add = [](std::vector<fftwf_plan>& plans, fftwf_plan plan) {
        if (!plan) throw std::bad_alloc();
        plans.push_back(plan);
    };
    for (int k = 0; k < slices; ++k) {
        const auto [first, last] = PartOf(columns, k, slices);
        if (first == last) continue;
        int n = rows;
        fftwf_complex* at = data + static_cast<std::size_t>(first) * rows;
        add(stages->alongV, fftwf_plan_many_dft(1, &n, last - first, at, nullptr, 1, rows, at, nullptr, 1,
                                                rows, FFTW_FORWARD, FFTW_ESTIMATE));
        add(stages->backAlongV, fftwf_plan_many_dft(1, &n, last - first, at, nullptr, 1, rows, at, nullptr, 1,
                                                    rows, FFTW_BACKWARD, FFTW_ESTIMATE));
    }
    for (int k = 0; k < slices; ++k) {
        const auto [first, last] = PartOf(rows, k, slices);
        if (first == last) continue;
        int n = columns;
        add(stages->alongU, fftwf_plan_many_dft(1, &n, last - first, data + first, nullptr, rows, 1,
                                                data + first, nullptr, rows, 1, FFTW_FORWARD, FFTW_ESTIMATE));
        add(stages->backAlongU,
            fftwf_plan_many_dft(1, &n, last - first, data + first, nullptr, rows, 1, data + first, nullptr,
                                rows, 1, FFTW_BACKWARD, FFTW_ESTIMATE));
    }
    stages_ = std::move(stages);
}

ComplexSpectrumPlan::~ComplexSpectrumPlan() {
    std::lock_guard lock(FftwPlannerMutex());
    stages_.reset();
}

void ComplexSpectrumPlan::forward(const ExecutionContext& context) const {
    ThreadPool& pool = context.pool();
    Run(stages_->alongV, pool);
    Run(stages_->alongU, pool);
}

void ComplexSpectrumPlan::inverse(const ExecutionContext& context) const {
    ThreadPool& pool = context.pool();
    Run(stages_->backAlongU, pool);
    Run(stages_->backAlongV, pool);
}

}  // namespace marbleck
