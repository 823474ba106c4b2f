#include "engine/SpectrumPlan.h"

#include <fftw3.h>

#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

#include "engine/ThreadPool.h"

namespace marbleck {

namespace {

// FFTW's planner is not thread-safe; executing a plan is.
std::mutex& PlannerMutex() {
    static std::mutex mutex;
    return mutex;
}

void* Allocate(std::size_t bytes) {
    void* p = fftwf_malloc(std::max<std::size_t>(bytes, 1));
    if (!p) throw std::bad_alloc();
    return p;
}

// Slice k of `slices` of [0, count).
std::pair<int, int> Slice(int count, int k, int slices) {
    return {static_cast<int>(static_cast<long long>(count) * k / slices),
            static_cast<int>(static_cast<long long>(count) * (k + 1) / slices)};
}

void Run(const std::vector<fftwf_plan>& plans) {
    if (plans.size() == 1) {
        fftwf_execute(plans.front());
        return;
    }
    ThreadPool::Shared().run(static_cast<int>(plans.size()),
                             [&](int k) { fftwf_execute(plans[static_cast<std::size_t>(k)]); });
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

int SpectrumPlan::SlicesFor(int columns, int rows) {
    return static_cast<long long>(columns) * rows >= (1LL << 16) ? ThreadPool::Shared().size() : 1;
}

void SpectrumPlan::FftwFree::operator()(void* p) const { fftwf_free(p); }

SpectrumPlan::SpectrumPlan(int columns, int rows, int slices, bool inverse)
    : columns_(columns),
      rows_(rows),
      real_(static_cast<float*>(
          Allocate(sizeof(float) * static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows)))),
      spectrum_(static_cast<std::complex<float>*>(
          Allocate(sizeof(fftwf_complex) * static_cast<std::size_t>(columns) *
                   static_cast<std::size_t>(halfRows())))) {
    const int h = halfRows();
    float* in = real_.get();
    auto* out = reinterpret_cast<fftwf_complex*>(spectrum_.get());
    std::lock_guard lock(PlannerMutex());
    auto stages = std::make_unique<Stages>();
    for (int k = 0; k < slices; ++k) {
        const auto [first, last] = Slice(columns, k, slices);
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
        const auto [first, last] = Slice(h, k, slices);
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
    std::lock_guard lock(PlannerMutex());
    stages_.reset();
}

void SpectrumPlan::forward() const {
    Run(stages_->alongV);
    Run(stages_->alongU);
}

void SpectrumPlan::inverse() const {
    Run(stages_->backAlongU);
    Run(stages_->backAlongV);
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

ComplexSpectrumPlan::ComplexSpectrumPlan(int columns, int rows, int slices)
    : columns_(columns),
      rows_(rows),
      data_(static_cast<std::complex<float>*>(Allocate(sizeof(fftwf_complex) * size()))) {
    auto* data = reinterpret_cast<fftwf_complex*>(data_.get());
    std::lock_guard lock(PlannerMutex());
    auto stages = std::make_unique<Stages>();
    auto add = [](std::vector<fftwf_plan>& plans, fftwf_plan plan) {
        if (!plan) throw std::bad_alloc();
        plans.push_back(plan);
    };
    for (int k = 0; k < slices; ++k) {
        const auto [first, last] = Slice(columns, k, slices);
        if (first == last) continue;
        int n = rows;
        fftwf_complex* at = data + static_cast<std::size_t>(first) * rows;
        add(stages->alongV, fftwf_plan_many_dft(1, &n, last - first, at, nullptr, 1, rows, at, nullptr, 1,
                                                rows, FFTW_FORWARD, FFTW_ESTIMATE));
        add(stages->backAlongV, fftwf_plan_many_dft(1, &n, last - first, at, nullptr, 1, rows, at, nullptr, 1,
                                                    rows, FFTW_BACKWARD, FFTW_ESTIMATE));
    }
    for (int k = 0; k < slices; ++k) {
        const auto [first, last] = Slice(rows, k, slices);
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
    std::lock_guard lock(PlannerMutex());
    stages_.reset();
}

void ComplexSpectrumPlan::forward() const {
    Run(stages_->alongV);
    Run(stages_->alongU);
}

void ComplexSpectrumPlan::inverse() const {
    Run(stages_->backAlongU);
    Run(stages_->backAlongV);
}

}  // namespace marbleck
