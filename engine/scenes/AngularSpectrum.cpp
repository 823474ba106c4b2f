#include "engine/scenes/AngularSpectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <numbers>
#include <stdexcept>
#include <tuple>

#include "engine/core/ComplexTimes.h"
#include "engine/core/ParallelFor.h"
#include "engine/transforms/SpectrumPlan.h"

namespace marbleck {

namespace {

using Complex = std::complex<float>;
constexpr double TwoPi = 2.0 * std::numbers::pi;

// One padded row times H: h holds H for u = 0 .. C, the row's columns
// above C take H of 2C − u.
__attribute__((target_clones("avx2", "default"))) void MultiplyRow(Complex* row, const Complex* __restrict h,
                                                                   int columns) {
    for (int u = 0; u <= columns; ++u) row[u] = Times(row[u], h[u]);
    for (int u = columns + 1; u < 2 * columns; ++u) row[u] = Times(row[u], h[2 * columns - u]);
}

__attribute__((target_clones("avx2", "default"))) void MultiplyRowInto(Complex* __restrict to,
                                                                       const Complex* __restrict row,
                                                                       const Complex* __restrict h,
                                                                       int columns) {
    for (int u = 0; u <= columns; ++u) to[u] = Times(row[u], h[u]);
    for (int u = columns + 1; u < 2 * columns; ++u) to[u] = Times(row[u], h[2 * columns - u]);
}

__attribute__((target_clones("avx2", "default"))) void MultiplyAddRow(Complex* __restrict sum,
                                                                      const Complex* __restrict row,
                                                                      const Complex* __restrict h,
                                                                      int columns) {
    for (int u = 0; u <= columns; ++u) sum[u] += Times(row[u], h[u]);
    for (int u = columns + 1; u < 2 * columns; ++u) sum[u] += Times(row[u], h[2 * columns - u]);
}

// The 1-D transforms of one stage, a plan a slice, each applied at its
// offset into the padded array by FFTW's new-array execution.
struct Stage {
    std::vector<fftwf_plan> plans;
    std::vector<std::size_t> offsets;
};

struct PaddedPlans {
    Stage forwardColumns, forwardRows, backwardRows, backwardColumns;
};

int PartsFor(int columns, int rows, const ExecutionContext& context) {
    return static_cast<long long>(columns) * rows >= (1LL << 16) ? context.pool().size() : 1;
}

// Adds the slices of `count` transforms of length n along one axis: the
// transforms' own values `stride` apart, one transform's start `distance`
// from the next's; slice k starts `distance`·first values into the array.
void AddSlices(Stage& stage, Complex* planning, int n, int count, int stride, int distance, int direction,
               int parts) {
    for (int k = 0; k < parts; ++k) {
        const auto [first, last] = PartOf(count, k, parts);
        if (first == last) continue;
        const std::size_t offset = static_cast<std::size_t>(first) * static_cast<std::size_t>(distance);
        auto* at = reinterpret_cast<fftwf_complex*>(planning + offset);
        fftwf_plan plan = fftwf_plan_many_dft(1, &n, last - first, at, nullptr, stride, distance, at, nullptr,
                                              stride, distance, direction, FFTW_ESTIMATE);
        if (!plan) throw std::bad_alloc();
        stage.plans.push_back(plan);
        stage.offsets.push_back(offset);
    }
}

// The plans of a padded size and slice count, made on first use and kept
// for the rest of the program. They are made on an array from fftwf_malloc
// that FFTW_ESTIMATE never touches, so every Padded array (from fftwf_malloc
// too) has, at each slice's offset, the alignment its plan was made for.
const PaddedPlans& PlansFor(int columns, int rows, int parts) {
    static std::mutex mutex;
    static std::map<std::tuple<int, int, int>, PaddedPlans> made;
    std::lock_guard lock(mutex);
    const auto key = std::make_tuple(columns, rows, parts);
    if (auto found = made.find(key); found != made.end()) return found->second;
    const std::size_t size = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    auto* planning = static_cast<Complex*>(fftwf_malloc(sizeof(fftwf_complex) * size));
    if (!planning) throw std::bad_alloc();
    PaddedPlans plans;
    const auto destroy = [&] {
        for (Stage* stage :
             {&plans.forwardColumns, &plans.forwardRows, &plans.backwardRows, &plans.backwardColumns})
            for (fftwf_plan plan : stage->plans) fftwf_destroy_plan(plan);
    };
    std::lock_guard planning_lock(FftwPlannerMutex());
    try {
        // The field's columns (the first half) along v; every row along u.
        AddSlices(plans.forwardColumns, planning, rows, columns / 2, columns, 1, FFTW_FORWARD, parts);
        AddSlices(plans.forwardRows, planning, columns, rows, 1, columns, FFTW_FORWARD, parts);
        AddSlices(plans.backwardRows, planning, columns, rows, 1, columns, FFTW_BACKWARD, parts);
        AddSlices(plans.backwardColumns, planning, rows, columns / 2, columns, 1, FFTW_BACKWARD, parts);
    } catch (...) {
        destroy();
        fftwf_free(planning);
        throw;
    }
    fftwf_free(planning);
    return made.emplace(key, std::move(plans)).first->second;
}

// Runs every slice of a stage on the pool, looking at the cancel flag
// before each.
void Run(const Stage& stage, Complex* data, const ExecutionContext& context) {
    const auto count = static_cast<int>(stage.plans.size());
    ParallelFor(context.pool(), count, count, [&](int, int first, int last) {
        for (int k = first; k < last; ++k) {
            StopIfCancelled(context.cancelFlag);
            auto* at = reinterpret_cast<fftwf_complex*>(data + stage.offsets[static_cast<std::size_t>(k)]);
            fftwf_execute_dft(stage.plans[static_cast<std::size_t>(k)], at, at);
        }
    });
}

// Splits a padded array's rows over the pool.
template <typename Part>
void ForEachRow(int columns, int rows, const ExecutionContext& context, Part&& part) {
    ThreadPool& pool = context.pool();
    ParallelFor(pool, PartsFor(columns, rows, context), rows, std::forward<Part>(part));
}

// 2π·f²/(1/λ + √(1/λ² − f²)) at (fx, fy), −1 where f ≥ 1/λ.
double SlownessAt(double fx, double fy, double wavenumber) {
    const double f2 = fx * fx + fy * fy;
    const double left = wavenumber * wavenumber - f2;
    return left > 0 ? TwoPi * f2 / (wavenumber + std::sqrt(left)) : -1.0;
}

}  // namespace

double BandLimit(double paddedLength, double distance, double wavelength) {
    const double step = 2.0 * std::abs(distance) / paddedLength;
    return 1.0 / (wavelength * std::sqrt(step * step + 1.0));
}

AngularSpectrum::AngularSpectrum(const ScenePlane& plane, double wavelength)
    : plane_(plane), wavelength_(wavelength) {
    if (plane.columns < 1 || plane.rows < 1)
        throw std::invalid_argument("a propagation needs a plane with values");
    if (!(plane.pitch > 0) || !std::isfinite(plane.pitch))
        throw std::invalid_argument("a propagation needs a positive pitch");
    if (!(wavelength > 0) || !std::isfinite(wavelength))
        throw std::invalid_argument("a propagation needs a positive wavelength");
    if (4.0 * plane.columns * plane.rows > static_cast<double>(std::numeric_limits<int>::max()))
        throw std::bad_alloc();
}

void AngularSpectrum::Padded::Free::operator()(std::complex<float>* p) const { fftwf_free(p); }

AngularSpectrum::Padded::Padded(const AngularSpectrum& spectrum) : size_(spectrum.paddedSize()) {
    data_.reset(static_cast<Complex*>(fftwf_malloc(sizeof(fftwf_complex) * size_)));
    if (!data_) throw std::bad_alloc();
}

std::complex<float> AngularSpectrum::Transfer::at(int u, int v) const {
    const int c = columns_ - 1;
    const int r = rows_ - 1;
    const int uq = u <= c ? u : 2 * c - u;
    const int vq = v <= r ? v : 2 * r - v;
    return values_[static_cast<std::size_t>(vq) * static_cast<std::size_t>(columns_) +
                   static_cast<std::size_t>(uq)];
}

AngularSpectrum::Transfer AngularSpectrum::transfer(double distance, const ExecutionContext& context) const {
    Transfer made;
    makeTransfer(distance, made, context);
    return made;
}

AngularSpectrum::Slowness AngularSpectrum::slowness(const ExecutionContext& context) const {
    const int columns = plane_.columns;
    const int rows = plane_.rows;
    Slowness made;
    made.values_.resize(static_cast<std::size_t>(columns + 1) * static_cast<std::size_t>(rows + 1));
    const double width = paddedColumns() * plane_.pitch;
    const double height = paddedRows() * plane_.pitch;
    const double wavenumber = 1.0 / wavelength_;
    double* values = made.values_.data();
    ForEachRow(columns + 1, rows + 1, context, [&](int, int first, int last) {
        for (int v = first; v < last; ++v) {
            double* row = values + static_cast<std::size_t>(v) * static_cast<std::size_t>(columns + 1);
            const double fy = v / height;
            for (int u = 0; u <= columns; ++u) row[u] = SlownessAt(u / width, fy, wavenumber);
        }
    });
    return made;
}

void AngularSpectrum::makeTransfer(double distance, Transfer& into, const ExecutionContext& context) const {
    makeTransfer(distance, slowness(context), into, context);
}

void AngularSpectrum::makeTransfer(double distance, const Slowness& slowness, Transfer& into,
                                   const ExecutionContext& context) const {
    if (!std::isfinite(distance)) throw std::invalid_argument("a propagation needs a finite distance");
    const int columns = plane_.columns;
    const int rows = plane_.rows;
    if (slowness.values_.size() != static_cast<std::size_t>(columns + 1) * static_cast<std::size_t>(rows + 1))
        throw std::invalid_argument("a transfer function needs the slowness of its own spectrum");
    into.columns_ = columns + 1;
    into.rows_ = rows + 1;
    into.distance_ = distance;
    into.values_.resize(slowness.values_.size());
    const double width = paddedColumns() * plane_.pitch;
    const double height = paddedRows() * plane_.pitch;
    const double limitU = BandLimit(width, distance, wavelength_);
    const double limitV = BandLimit(height, distance, wavelength_);
    // 2π·z/λ reduced exactly enough: z/λ mod 1 keeps the fraction's digits.
    const double axial = TwoPi * std::remainder(distance / wavelength_, 1.0);
    const auto scale = static_cast<float>(1.0 / (static_cast<double>(paddedColumns()) * paddedRows()));
    const double* lags = slowness.values_.data();
    Complex* values = into.values_.data();
    ForEachRow(columns + 1, rows + 1, context, [&](int, int first, int last) {
        for (int v = first; v < last; ++v) {
            const std::size_t at = static_cast<std::size_t>(v) * static_cast<std::size_t>(columns + 1);
            Complex* row = values + at;
            const double* lag = lags + at;
            if (v / height > limitV) {
                std::fill(row, row + columns + 1, Complex{});
                continue;
            }
            for (int u = 0; u <= columns; ++u) {
                if (u / width > limitU || lag[u] < 0) {
                    row[u] = {};
                    continue;
                }
                const double phase = axial - distance * lag[u];
                // Within [−π, π] the single-precision cosine and sine are
                // as close as the float result holds, at half the time.
                const auto reduced = static_cast<float>(phase - TwoPi * std::nearbyint(phase / TwoPi));
                row[u] = {scale * std::cos(reduced), scale * std::sin(reduced)};
            }
        }
    });
}

void AngularSpectrum::load(const std::complex<float>* values, Padded& padded,
                           const ExecutionContext& context) const {
    const int columns = plane_.columns;
    const int width = paddedColumns();
    Complex* data = padded.data();
    ForEachRow(width, paddedRows(), context, [&](int, int first, int last) {
        for (int v = first; v < last; ++v) {
            Complex* row = data + static_cast<std::size_t>(v) * static_cast<std::size_t>(width);
            int from = 0;
            if (v < plane_.rows && values != nullptr) {
                const Complex* source =
                    values + static_cast<std::size_t>(v) * static_cast<std::size_t>(columns);
                std::copy(source, source + columns, row);
                from = columns;
            }
            std::fill(row + from, row + width, Complex{});
        }
    });
}

void AngularSpectrum::forward(Padded& padded, const ExecutionContext& context) const {
    const PaddedPlans& plans =
        PlansFor(paddedColumns(), paddedRows(), PartsFor(paddedColumns(), paddedRows(), context));
    context.stopIfCancelled();
    Run(plans.forwardColumns, padded.data(), context);
    context.stopIfCancelled();
    Run(plans.forwardRows, padded.data(), context);
}

void AngularSpectrum::multiply(Padded& spectrum, const Transfer& transfer,
                               const ExecutionContext& context) const {
    const int columns = plane_.columns;
    const int rows = plane_.rows;
    Complex* data = spectrum.data();
    ForEachRow(paddedColumns(), paddedRows(), context, [&](int, int first, int last) {
        for (int v = first; v < last; ++v) {
            const int vq = v <= rows ? v : 2 * rows - v;
            MultiplyRow(data + static_cast<std::size_t>(v) * static_cast<std::size_t>(2 * columns),
                        transfer.values_.data() +
                            static_cast<std::size_t>(vq) * static_cast<std::size_t>(columns + 1),
                        columns);
        }
    });
}

void AngularSpectrum::multiply(const Padded& spectrum, const Transfer& transfer, Padded& into,
                               const ExecutionContext& context) const {
    const int columns = plane_.columns;
    const int rows = plane_.rows;
    const Complex* data = spectrum.data();
    Complex* to = into.data();
    ForEachRow(paddedColumns(), paddedRows(), context, [&](int, int first, int last) {
        for (int v = first; v < last; ++v) {
            const int vq = v <= rows ? v : 2 * rows - v;
            const std::size_t at = static_cast<std::size_t>(v) * static_cast<std::size_t>(2 * columns);
            MultiplyRowInto(to + at, data + at,
                            transfer.values_.data() +
                                static_cast<std::size_t>(vq) * static_cast<std::size_t>(columns + 1),
                            columns);
        }
    });
}

void AngularSpectrum::multiplyAdd(const Padded& spectrum, const Transfer& transfer, Padded& sum,
                                  const ExecutionContext& context) const {
    const int columns = plane_.columns;
    const int rows = plane_.rows;
    const Complex* data = spectrum.data();
    Complex* to = sum.data();
    ForEachRow(paddedColumns(), paddedRows(), context, [&](int, int first, int last) {
        for (int v = first; v < last; ++v) {
            const int vq = v <= rows ? v : 2 * rows - v;
            const std::size_t at = static_cast<std::size_t>(v) * static_cast<std::size_t>(2 * columns);
            MultiplyAddRow(to + at, data + at,
                           transfer.values_.data() +
                               static_cast<std::size_t>(vq) * static_cast<std::size_t>(columns + 1),
                           columns);
        }
    });
}

void AngularSpectrum::transformBack(Padded& spectrum, const ExecutionContext& context) const {
    const PaddedPlans& plans =
        PlansFor(paddedColumns(), paddedRows(), PartsFor(paddedColumns(), paddedRows(), context));
    context.stopIfCancelled();
    Run(plans.backwardRows, spectrum.data(), context);
    context.stopIfCancelled();
    Run(plans.backwardColumns, spectrum.data(), context);
}

void AngularSpectrum::inverseIntensity(Padded& spectrum, float* intensity,
                                       const ExecutionContext& context) const {
    transformBack(spectrum, context);
    const int columns = plane_.columns;
    const Complex* data = spectrum.data();
    ForEachRow(columns, plane_.rows, context, [&](int, int first, int last) {
        for (int r = first; r < last; ++r) {
            const Complex* row = data + static_cast<std::size_t>(r) * static_cast<std::size_t>(2 * columns);
            float* to = intensity + static_cast<std::size_t>(r) * static_cast<std::size_t>(columns);
            for (int c = 0; c < columns; ++c) to[c] = std::norm(row[c]);
        }
    });
}

void AngularSpectrum::inverse(Padded& spectrum, std::complex<float>* values,
                              const ExecutionContext& context) const {
    transformBack(spectrum, context);
    const int columns = plane_.columns;
    const Complex* data = spectrum.data();
    ForEachRow(columns, plane_.rows, context, [&](int, int first, int last) {
        for (int r = first; r < last; ++r) {
            const Complex* row = data + static_cast<std::size_t>(r) * static_cast<std::size_t>(2 * columns);
            std::copy(row, row + columns,
                      values + static_cast<std::size_t>(r) * static_cast<std::size_t>(columns));
        }
    });
}

void AngularSpectrum::propagate(const std::complex<float>* from, double distance, std::complex<float>* to,
                                const ExecutionContext& context) const {
    const Transfer h = transfer(distance, context);
    Padded padded(*this);
    load(from, padded, context);
    forward(padded, context);
    multiply(padded, h, context);
    inverse(padded, to, context);
}

SceneField Propagate(const SceneField& field, double distance, double wavelength,
                     const ExecutionContext& context) {
    CheckExecutionContext(context);
    if (field.values.size() != field.plane.size())
        throw std::invalid_argument("a field needs one value for every point of its plane");
    const AngularSpectrum spectrum(field.plane, wavelength);
    SceneField moved(field.plane);
    spectrum.propagate(field.values.data(), distance, moved.values.data(), context);
    return moved;
}

}  // namespace marbleck
