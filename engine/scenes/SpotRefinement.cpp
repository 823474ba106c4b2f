#include "engine/scenes/SpotRefinement.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <numeric>
#include <stdexcept>

#include "engine/core/HologramGeometry.h"
#include "engine/core/ParallelFor.h"
#include "engine/phase/PhaseSteps.h"
#include "engine/scenes/SpotSums.h"

namespace marbleck {
namespace {

using phase_steps::TwoPi;
using spot_sums::AxisTable;

// The most table values (spots × (columns + rows)) a request may need:
// 128 MiB of tables.
constexpr double MaxTableValues = 1 << 24;

// The spots' fields are summed in at most this many blocks of rows, fixed by
// the plane alone, and the blocks' sums added in order: the same result on
// any number of threads.
constexpr int MaxRowBlocks = 64;

double Wrapped(double angle) { return angle - TwoPi * std::floor(angle / TwoPi); }

// e^(−i k (p − pⱼ)² / (2 zⱼ)) for every spot j and position p along one axis.
AxisTable MakeTable(const std::vector<Spot>& spots, int count, double (ScenePlane::*position)(int) const,
                    double Spot::*along, const ScenePlane& plane, double k) {
    AxisTable table;
    table.count = count;
    table.spots = static_cast<int>(spots.size());
    table.re.resize(static_cast<std::size_t>(count) * spots.size());
    table.im.resize(table.re.size());
    for (int j = 0; j < table.spots; ++j) {
        const Spot& s = spots[static_cast<std::size_t>(j)];
        float* re = table.re.data() + static_cast<std::size_t>(j) * count;
        float* im = table.im.data() + static_cast<std::size_t>(j) * count;
        for (int i = 0; i < count; ++i) {
            const double d = (plane.*position)(i)-s.*along;
            const double phase = Wrapped(k * d * d / (2 * s.z));
            re[i] = static_cast<float>(std::cos(phase));
            im[i] = static_cast<float>(-std::sin(phase));
        }
    }
    return table;
}

double Uniformity(double largest, double smallest) {
    return largest + smallest > 0 ? 1 - (largest - smallest) / (largest + smallest) : 0;
}

SpotGroupFigures GroupFigures(const std::vector<Spot>& spots, const std::vector<std::complex<double>>& fields,
                              const std::vector<std::size_t>& members, double z) {
    SpotGroupFigures f;
    f.z = z;
    f.spots = static_cast<int>(members.size());
    double largest = 0, smallest = HUGE_VAL;
    for (std::size_t j : members) {
        const double light = std::norm(fields[j]);
        f.efficiency += light;
        const double relative = light / spots[j].intensity;
        largest = std::max(largest, relative);
        smallest = std::min(smallest, relative);
    }
    f.uniformity = members.empty() ? 0 : Uniformity(largest, smallest);
    return f;
}

// The refinement's state: the tables, the transmittance e^(iφ) row by row
// (real and imaginary parts apart) and the row blocks.
class SpotSolver {
public:
    SpotSolver(const SpotRequest& request, const ExecutionContext& context)
        : request_(request), context_(context), plane_(request.plane), spots_(request.spots.size()) {
        const double k = TwoPi / request.wavelength;
        xTable_ = MakeTable(request.spots, plane_.columns, &ScenePlane::x, &Spot::x, plane_, k);
        yTable_ = MakeTable(request.spots, plane_.rows, &ScenePlane::y, &Spot::y, plane_, k);
        for (const Spot& s : request.spots) axial_.push_back(std::polar(1.0, -Wrapped(k * s.z)));
        tRe_.resize(plane_.size());
        tIm_.resize(plane_.size());
        rowsPerBlock_ = (plane_.rows + MaxRowBlocks - 1) / MaxRowBlocks;
        blocks_ = (plane_.rows + rowsPerBlock_ - 1) / rowsPerBlock_;
        ThreadPool& pool = context.pool();
        parts_ =
            PartsFor(pool, static_cast<long long>(plane_.size()) * static_cast<long long>(spots_), 1LL << 16);
    }

    // Vⱼ of the transmittance.
    std::vector<std::complex<double>> fields() {
        std::vector<std::complex<double>> partial(static_cast<std::size_t>(blocks_) * spots_);
        ParallelFor(context_.pool(), parts_, blocks_, [&](int, int first, int last) {
            std::vector<std::complex<float>> dots(spots_);
            for (int b = first; b < last; ++b) {
                std::complex<double>* sums = partial.data() + static_cast<std::size_t>(b) * spots_;
                for (int r = b * rowsPerBlock_; r < std::min(plane_.rows, (b + 1) * rowsPerBlock_); ++r) {
                    StopIfCancelled(context_.cancelFlag);
                    spot_sums::RowDots(rowRe(r), rowIm(r), xTable_, dots.data());
                    for (std::size_t j = 0; j < spots_; ++j)
                        sums[j] += rowFactor(j, r) * std::complex<double>(dots[j]);
                }
            }
        });
        std::vector<std::complex<double>> v(spots_);
        const double n = static_cast<double>(plane_.size());
        for (int b = 0; b < blocks_; ++b)
            for (std::size_t j = 0; j < spots_; ++j)
                v[j] += partial[static_cast<std::size_t>(b) * spots_ + j];
        for (std::size_t j = 0; j < spots_; ++j) v[j] *= axial_[j] / n;
        return v;
    }

    // The transmittance ← e^(i arg Σⱼ cⱼ e^(i k rⱼ)).
    void superpose(const std::vector<std::complex<double>>& c) {
        std::vector<std::complex<double>> g(spots_);
        for (std::size_t j = 0; j < spots_; ++j) g[j] = c[j] * std::conj(axial_[j]);
        ParallelFor(context_.pool(), parts_, plane_.rows, [&](int, int first, int last) {
            std::vector<std::complex<float>> d(spots_);
            for (int r = first; r < last; ++r) {
                StopIfCancelled(context_.cancelFlag);
                for (std::size_t j = 0; j < spots_; ++j)
                    d[j] = std::complex<float>(g[j] * std::conj(rowFactor(j, r)));
                spot_sums::RowSuperpose(d.data(), xTable_, rowRe(r), rowIm(r));
                spot_sums::ToUnit(rowRe(r), rowIm(r), plane_.columns);
            }
        });
    }

    // φ = arg of the transmittance, column by column; the transmittance
    // then becomes e^(iφ) of the rounded phases, so that the last fields
    // are those of the phase returned.
    HologramField phase() {
        HologramField phi(plane_.columns, plane_.rows);
        ParallelFor(context_.pool(), parts_, plane_.columns, [&](int, int first, int last) {
            for (int c = first; c < last; ++c) {
                StopIfCancelled(context_.cancelFlag);
                float* out = phi.column(c);
                for (int r = 0; r < plane_.rows; ++r) {
                    const std::size_t i = static_cast<std::size_t>(r) * plane_.columns + c;
                    out[r] = phase_steps::WrappedPhase(std::atan2(static_cast<double>(tIm_[i]), tRe_[i]));
                    tRe_[i] = std::cos(out[r]);
                    tIm_[i] = std::sin(out[r]);
                }
            }
        });
        return phi;
    }

private:
    float* rowRe(int r) { return tRe_.data() + static_cast<std::size_t>(r) * plane_.columns; }
    float* rowIm(int r) { return tIm_.data() + static_cast<std::size_t>(r) * plane_.columns; }
    std::complex<double> rowFactor(std::size_t j, int r) const {
        const std::size_t i = j * static_cast<std::size_t>(plane_.rows) + static_cast<std::size_t>(r);
        return {yTable_.re[i], yTable_.im[i]};
    }

    const SpotRequest& request_;
    const ExecutionContext& context_;
    const ScenePlane plane_;
    const std::size_t spots_;
    AxisTable xTable_, yTable_;
    std::vector<std::complex<double>> axial_;  // e^(−i k zⱼ)
    std::vector<float> tRe_, tIm_;
    int rowsPerBlock_ = 1, blocks_ = 1, parts_ = 1;
};

void Refuse(const char* reason) { throw std::invalid_argument(reason); }

bool Finite(double v) { return std::isfinite(v); }

}  // namespace

void CheckSpotRequest(const SpotRequest& request) {
    const ScenePlane& p = request.plane;
    if (p.columns < 1 || p.rows < 1 || static_cast<long long>(p.size()) > MaxHologramValues)
        Refuse("the spots' plane needs between 1 and 2^26 pixels");
    if (!(p.pitch > 0) || !Finite(p.pitch)) Refuse("the spots' plane needs a pitch above 0");
    if (!(request.wavelength > 0) || !Finite(request.wavelength))
        Refuse("the wavelength must be a number above 0");
    if (request.spots.empty()) Refuse("a refinement of spots needs at least one spot");
    if (request.spots.size() > static_cast<std::size_t>(MaxSpots))
        Refuse("a refinement takes at most 4096 spots");
    if (static_cast<double>(request.spots.size()) * (static_cast<double>(p.columns) + p.rows) >
        MaxTableValues)
        Refuse("too many spots for a plane of this size");
    for (const Spot& s : request.spots) {
        if (!Finite(s.x) || !Finite(s.y) || !Finite(s.z)) Refuse("a spot's position must be finite numbers");
        if (!(s.z > 0)) Refuse("a spot must lie in front of the plane (z above 0)");
        if (!(s.intensity > 0) || !Finite(s.intensity)) Refuse("a spot's intensity must be a number above 0");
    }
    if (request.iterations < 0 || request.iterations > MaxSpotIterations)
        Refuse("a refinement of spots takes 0 to 100000 iterations");
}

double SpotIterationWork(const SpotRequest& request) {
    return 2.0 * static_cast<double>(request.spots.size()) * static_cast<double>(request.plane.size());
}

SpotFigures MeasureSpotFigures(const std::vector<Spot>& spots,
                               const std::vector<std::complex<double>>& fields) {
    if (fields.size() != spots.size()) throw std::invalid_argument("one field a spot");
    std::vector<std::size_t> all(spots.size());
    std::iota(all.begin(), all.end(), std::size_t{0});
    std::map<double, std::vector<std::size_t>> byDepth;
    for (std::size_t j = 0; j < spots.size(); ++j) byDepth[spots[j].z].push_back(j);
    SpotFigures figures;
    figures.overall = GroupFigures(spots, fields, all, 0);
    for (const auto& [z, members] : byDepth)
        figures.depths.push_back(GroupFigures(spots, fields, members, z));
    return figures;
}

SpotHologram RefineSpots(const SpotRequest& request, const ExecutionContext& context) {
    CheckExecutionContext(context);
    CheckSpotRequest(request);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Spot>& spots = request.spots;
    SpotSolver solver(request, context);
    SpotHologram result;
    result.weights.resize(spots.size());
    for (std::size_t j = 0; j < spots.size(); ++j) result.weights[j] = std::sqrt(spots[j].intensity);

    context.stopIfCancelled();
    solver.superpose({result.weights.begin(), result.weights.end()});
    std::vector<std::complex<double>> c(spots.size()), held(spots.size());
    bool holding = false;
    for (int iteration = 0; iteration < request.iterations; ++iteration) {
        context.stopIfCancelled();
        const std::vector<std::complex<double>> v = solver.fields();
        result.history.push_back(MeasureSpotFigures(spots, v).overall);
        // wⱼ ← wⱼ · mean(a) / aⱼ, aⱼ = |Vⱼ| / √tⱼ; then kept at a mean of 1.
        std::vector<double> a(spots.size());
        for (std::size_t j = 0; j < spots.size(); ++j) a[j] = std::abs(v[j]) / std::sqrt(spots[j].intensity);
        const double meanA = std::accumulate(a.begin(), a.end(), 0.0) / static_cast<double>(a.size());
        for (std::size_t j = 0; j < spots.size(); ++j)
            if (a[j] > 0) result.weights[j] *= meanA / a[j];
        const double meanW = std::accumulate(result.weights.begin(), result.weights.end(), 0.0) /
                             static_cast<double>(spots.size());
        for (std::size_t j = 0; j < spots.size(); ++j) {
            result.weights[j] /= meanW;
            const double size = std::abs(v[j]);
            if (!holding) held[j] = size > 0 ? v[j] / size : std::complex<double>(1);
            c[j] = result.weights[j] * held[j];
        }
        holding = holding || result.history.back().uniformity >= HoldPhasesAtUniformity ||
                  2 * (iteration + 1) >= request.iterations;
        context.stopIfCancelled();
        solver.superpose(c);
        if (context.progress) context.progress(static_cast<double>(iteration + 1) / request.iterations);
    }
    context.stopIfCancelled();
    result.phase = solver.phase();
    context.stopIfCancelled();
    result.spotFields = solver.fields();
    result.figures = MeasureSpotFigures(spots, result.spotFields);
    result.history.push_back(result.figures.overall);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

}  // namespace marbleck
