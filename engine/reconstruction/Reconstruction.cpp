#include "engine/reconstruction/Reconstruction.h"

#include <functional>
#include <numeric>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <tuple>
#include <utility>

#include "engine/core/ParallelFor.h"
#include "engine/sums/NormalisedGrey.h"
#include "engine/transforms/SpectrumPlan.h"

namespace marbleck {

namespace {

// Below this many values one thread transforms alone.
constexpr long long ParallelValues = 1LL << 16;
// The sizes whose plans (and arrays: 22 MB for the largest) are kept; the
// least recently used goes first.
constexpr std::size_t KeptPlans = 4;

// The kept plan for a size and the context's slices, made on first use.
std::shared_ptr<const SpectrumPlan> KeptPlanFor(int columns, int rows, const ExecutionContext& context) {
    static std::mutex mutex;
    using Key = std::tuple<int, int, int>;
    static std::map<Key, std::pair<std::shared_ptr<const SpectrumPlan>, unsigned long long>> plans;
    static unsigned long long uses = 0;
    const Key key{columns, rows, SpectrumPlan::SlicesFor(columns, rows, context)};
    std::lock_guard lock(mutex);
    auto& entry = plans[key];
    entry.second = ++uses;
    if (!entry.first) {
        entry.first = std::make_shared<const SpectrumPlan>(columns, rows, context);
        if (plans.size() > KeptPlans) {
            auto oldest = std::min_element(plans.begin(), plans.end(), [](const auto& a, const auto& b) {
                return a.second.second < b.second.second;
            });
            plans.erase(oldest);
        }
    }
    return entry.first;
}

// A plan of the size and its arrays for one transform, held until it ends:
// the kept one where no other call is using it, else one of the call's own
// (the same plan, so the same values), so that concurrent calls of one size
// run side by side.
class PlanInUse {
public:
    PlanInUse(int columns, int rows, const ExecutionContext& context)
        : plan_(KeptPlanFor(columns, rows, context)), lock_(plan_->inUse(), std::try_to_lock) {
        if (!lock_.owns_lock()) {
            lock_ = {};
            plan_ = std::make_shared<const SpectrumPlan>(columns, rows, context);
        }
    }
    const SpectrumPlan* operator->() const { return plan_.get(); }

private:
    std::shared_ptr<const SpectrumPlan> plan_;
    std::unique_lock<std::mutex> lock_;
};

// Runs part(first, last) over [0, count) in slices, on the context's pool's
// threads when there is enough work.
void InSlices(int count, long long values, const ExecutionContext& context,
              const std::function<void(int, int)>& part) {
    ThreadPool& pool = context.pool();
    ParallelFor(pool, std::min(PartsFor(pool, values, ParallelValues), count), count,
                [&](int, int first, int last) { part(first, last); });
}

}  // namespace

Reconstruction SpreadSpectrum(const std::complex<float>* out, int columns, int rows,
                              const ExecutionContext& context) {
    const int halfRows = rows / 2 + 1;
    Reconstruction r;
    r.columns = columns;
    r.rows = rows;
    r.intensity.resize(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    const int cx = columns / 2;
    const int cy = rows / 2;
    float* intensity = r.intensity.data();
    // Frequency (ku, kv), each 0 .. n - 1, lands at ((ku + cx) mod columns,
    // (kv + cy) mod rows). kv <= rows / 2 is in the half spectrum; the others
    // are the conjugates of (-ku, -kv), which have the same intensity. Every
    // bin is written once, so the slices of ku never write the same bin.
    InSlices(columns, static_cast<long long>(columns) * rows, context, [&](int first, int last) {
        for (int ku = first; ku < last; ++ku) {
            const std::complex<float>* column = out + static_cast<std::size_t>(ku) * halfRows;
            const int mirrorU = ku == 0 ? 0 : columns - ku;
            const int x = ku + cx < columns ? ku + cx : ku + cx - columns;
            const int mirrorX = mirrorU + cx < columns ? mirrorU + cx : mirrorU + cx - columns;
            int y = cy;                                         // (kv + cy) mod rows
            int mirrorY = cy - 1 < 0 ? cy - 1 + rows : cy - 1;  // (rows - kv + cy) mod rows, from kv = 1
            for (int kv = 0; kv < halfRows; ++kv) {
                const float re = column[kv].real();
                const float im = column[kv].imag();
                const float power = re * re + im * im;
                intensity[static_cast<std::size_t>(y) * columns + x] = power;
                if (kv != 0) {
                    if (rows - kv != kv)
                        intensity[static_cast<std::size_t>(mirrorY) * columns + mirrorX] = power;
                    mirrorY = mirrorY == 0 ? rows - 1 : mirrorY - 1;
                }
                y = y + 1 == rows ? 0 : y + 1;
            }
        }
    });
    return r;
}

namespace {

// Fills the transform's input with t - mean (or t) from the grey levels
// level(u, v) (0 .. 255), t = level / 255, and transforms it.
template <typename Level>
Reconstruction ReconstructLevels(int columns, int rows, ReconstructionOptions options,
                                 const ExecutionContext& context, Level level) {
    CheckExecutionContext(context);
    if (columns <= 0 || rows <= 0) return {};
    const std::size_t count = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    const long long values = static_cast<long long>(count);
    const PlanInUse plan(columns, rows, context);
    float* t = plan->real();
    // The levels are whole numbers: their sum is exact, in any order.
    std::vector<std::uint64_t> sums(static_cast<std::size_t>(columns), 0);
    InSlices(columns, values, context, [&](int first, int last) {
        for (int u = first; u < last; ++u) {
            std::uint64_t sum = 0;
            float* out = t + static_cast<std::size_t>(u) * rows;
            for (int v = 0; v < rows; ++v) {
                const std::uint8_t l = level(u, v);
                sum += l;
                out[v] = static_cast<float>(l);
            }
            sums[static_cast<std::size_t>(u)] = sum;
        }
    });
    const double total = static_cast<double>(std::accumulate(sums.begin(), sums.end(), std::uint64_t{0}));
    // t = level / 255 - mean, rounded once from the level.
    const float mean =
        options.removeZeroOrder ? static_cast<float>(total / 255.0 / static_cast<double>(count)) : 0.0f;
    InSlices(columns, values, context, [&](int first, int last) {
        float* begin = t + static_cast<std::size_t>(first) * rows;
        float* end = t + static_cast<std::size_t>(last) * rows;
        for (float* p = begin; p != end; ++p) *p = *p / 255.0f - mean;
    });
    plan->forward(context);
    Reconstruction r = SpreadSpectrum(plan->spectrum(), columns, rows, context);
    r.zeroOrder = (total / 255.0) * (total / 255.0);
    return r;
}

}  // namespace

Reconstruction Reconstruct(const std::uint8_t* grey, int columns, int rows, int stride,
                           ReconstructionOptions options, const ExecutionContext& context) {
    return ReconstructLevels(columns, rows, options, context, [&](int u, int v) {
        return grey[static_cast<std::size_t>(u) * static_cast<std::size_t>(stride) +
                    static_cast<std::size_t>(v)];
    });
}

Reconstruction Reconstruct(const HologramField& field, int columns, int rows, ReconstructionOptions options,
                           const ExecutionContext& context) {
    return ReconstructLevels(columns, rows, options, context,
                             [&](int u, int v) { return detail::GreyOf(field(u, v)); });
}

std::vector<std::uint8_t> LogScaleLevels(const Reconstruction& r, double decades,
                                         const ExecutionContext& context) {
    std::vector<std::uint8_t> levels(r.intensity.size(), 0);
    float maximum = 0;
    for (float value : r.intensity) maximum = std::max(maximum, value);
    if (!(maximum > 0) || !(decades > 0)) return levels;
    // level = 255 · (1 + 10·log10(value / maximum) / (10·decades)), in
    // float: 255 + log2(value / maximum) · 255·log10(2) / decades.
    const float slope = static_cast<float>(255.0 * std::log10(2.0) / decades);
    const float floor = static_cast<float>(static_cast<double>(maximum) * std::pow(10.0, -decades));
    const float inverse = 1.0f / maximum;
    const long long values = static_cast<long long>(levels.size());
    InSlices(r.rows, values, context, [&](int first, int last) {
        const std::size_t begin = static_cast<std::size_t>(first) * static_cast<std::size_t>(r.columns);
        const std::size_t end = static_cast<std::size_t>(last) * static_cast<std::size_t>(r.columns);
        for (std::size_t i = begin; i < end; ++i) {
            const float value = r.intensity[i];
            if (!(value > floor)) continue;
            const float level = 255.0f + std::log2(value * inverse) * slope;
            levels[i] = static_cast<std::uint8_t>(std::lround(std::clamp(level, 0.0f, 255.0f)));
        }
    });
    return levels;
}

BinOffset ObjectBin(ObjectPoint point, const HologramGeometry& geometry, int columns, int rows) {
    constexpr double TwoPi = 2.0 * 3.14159265358979323846;
    return {static_cast<int>(std::lround(PointAngle(point.x, geometry.W) / TwoPi * columns)),
            static_cast<int>(std::lround(PointAngle(point.y, geometry.H) / TwoPi * rows))};
}

namespace {

using enum BinKind;

}  // namespace

std::vector<BinKind> ClassifyBins(int columns, int rows, std::span<const ObjectPoint> points,
                                  const HologramGeometry& geometry) {
    Reconstruction r;  // only its size and centre
    r.columns = columns;
    r.rows = rows;
    const int cx = r.centreX();
    const int cy = r.centreY();
    std::vector<BinKind> kind(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), Noise);
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) kind[WrappedBin(r, cx + dx, cy + dy)] = Centre;
    for (const ObjectPoint p : points) {
        const BinOffset b = ObjectBin(p, geometry, columns, rows);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) kind[WrappedBin(r, cx + b.dx + dx, cy + b.dy + dy)] = Signal;
    }
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            if (kind[static_cast<std::size_t>(y) * columns + x] != Signal) continue;
            auto& mirror = kind[WrappedBin(r, 2 * cx - x, 2 * cy - y)];
            if (mirror != Signal) mirror = Twin;
        }
    return kind;
}

namespace {

double FidelityOfKinds(const Reconstruction& r, const std::vector<BinKind>& kind) {
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    double signal = 0, noise = 0;
    std::size_t signalBins = 0, noiseBins = 0;
    for (std::size_t i = 0; i < kind.size(); ++i) {
        if (kind[i] == Signal) {
            signal += r.intensity[i];
            ++signalBins;
        } else if (kind[i] == Noise) {
            noise += r.intensity[i];
            ++noiseBins;
        }
    }
    if (signalBins == 0 || noiseBins == 0) return NaN;
    const double signalMean = signal / static_cast<double>(signalBins);
    const double noiseMean = noise / static_cast<double>(noiseBins);
    if (noiseMean == 0) return signalMean > 0 ? std::numeric_limits<double>::infinity() : NaN;
    return signalMean / noiseMean;
}

}  // namespace

std::size_t WrappedBin(const Reconstruction& r, int x, int y) {
    auto wrap = [](int value, int n) { return ((value % n) + n) % n; };
    return static_cast<std::size_t>(wrap(y, r.rows)) * static_cast<std::size_t>(r.columns) +
           static_cast<std::size_t>(wrap(x, r.columns));
}

double FidelityFigure(const Reconstruction& r, std::span<const ObjectPoint> points,
                      const HologramGeometry& geometry) {
    if (points.empty() || r.columns <= 0 || r.rows <= 0) return std::numeric_limits<double>::quiet_NaN();
    return FidelityOfKinds(r, ClassifyBins(r.columns, r.rows, points, geometry));
}

HologramFigures MeasureFigures(const Reconstruction& r, std::span<const ObjectPoint> points,
                               const HologramGeometry& geometry) {
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    if (points.empty() || r.columns <= 0 || r.rows <= 0) return {NaN, NaN, NaN};
    const std::vector<BinKind> kind = ClassifyBins(r.columns, r.rows, points, geometry);
    HologramFigures figures;
    figures.fidelity = FidelityOfKinds(r, kind);

    double total = 0, onObject = 0;
    for (std::size_t i = 0; i < kind.size(); ++i) {
        total += r.intensity[i];
        if (kind[i] == Signal || kind[i] == Twin) onObject += r.intensity[i];
    }
    figures.efficiency = total > 0 ? onObject / total : NaN;

    // Mean and standard deviation of the boxes' light, in one pass.
    double sum = 0, squares = 0;
    for (const ObjectPoint p : points) {
        const BinOffset b = ObjectBin(p, geometry, r.columns, r.rows);
        double box = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                box += r.intensity[WrappedBin(r, r.centreX() + b.dx + dx, r.centreY() + b.dy + dy)];
        sum += box;
        squares += box * box;
    }
    const double n = static_cast<double>(points.size());
    const double mean = sum / n;
    const double variance = std::max(0.0, squares / n - mean * mean);
    figures.uniformity = mean > 0 ? std::sqrt(variance) / mean : NaN;
    return figures;
}

}  // namespace marbleck
