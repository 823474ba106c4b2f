#include "engine/binarization/BinaryOptimiser.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <numeric>
#include <optional>

#include "engine/core/ParallelFor.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

using enum BinKind;

// The slices of the columns that the pool's threads share, as the
// transforms do.
int ColumnSlices(int columns, const ThreadPool& pool) { return std::max(1, std::min(columns, pool.size())); }

// The share of the budget that the first descent, the noise's alone, may
// take: on the largest holograms it would take it all and leave the object
// uneven.
constexpr double NoiseOnlyShare = 0.15;

// A shake flips one value in ShakeShare (more flips shook the letters of the
// benchmark out of their descents' ends into better ones more often, up to
// about one in 50); the optimiser stops after Shakes shakes in a row that
// found nothing better.
constexpr std::size_t ShakeShare = 50;
constexpr int Shakes = 8;

// The next value of a fixed sequence (splitmix64).
std::uint64_t NextValue(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The white values a pattern of n values may have: a pattern much whiter or
// blacker than half sends its light into the zero order, which the cost does
// not count, and at the end shows nothing (a constant pattern costs 0).
class WhiteBand {
public:
    explicit WhiteBand(std::size_t n)
        : lowest_(static_cast<std::size_t>(std::ceil(static_cast<double>(n) * MinWhiteShare))),
          highest_(static_cast<std::size_t>(std::floor(static_cast<double>(n) * MaxWhiteShare))) {}

    // How far `white` values lie outside the band.
    std::size_t excess(std::size_t white) const {
        return white < lowest_ ? lowest_ - white : white > highest_ ? white - highest_ : 0;
    }
    bool holds(std::size_t white) const { return excess(white) == 0; }
    // Whether flipping a value that is `white` may be taken when the pattern
    // has `count` white values: not when it takes the pattern further out.
    bool allows(std::size_t count, bool white) const {
        return excess(white ? count - 1 : count + 1) <= excess(count);
    }

private:
    std::size_t lowest_;
    std::size_t highest_;
};

std::size_t WhiteCount(const std::vector<std::uint8_t>& bits) {
    return static_cast<std::size_t>(std::count(bits.begin(), bits.end(), std::uint8_t{1}));
}

// Whether a binarized hologram shows the object: its white share within the
// band and every figure that the balanced start has, finite.
bool Shows(const HologramFigures& figures, const HologramFigures& start, bool inBand) {
    const auto kept = [](double figure, double before) {
        return std::isfinite(figure) || !std::isfinite(before);
    };
    return inBand && kept(figures.fidelity, start.fidelity) && kept(figures.uniformity, start.uniformity) &&
           kept(figures.efficiency, start.efficiency);
}

}  // namespace

BinaryPatternCost::BinaryPatternCost(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                                     double evenness, const ExecutionContext& context)
    : columns_(geometry.columns),
      rows_(geometry.rows),
      evenness_(evenness),
      context_(context),
      plan_(std::make_unique<SpectrumPlan>(columns_, rows_, context_, true)) {
    const std::vector<BinKind> kinds = ClassifyBins(columns_, rows_, points, geometry);
    Reconstruction size;  // only its size and centre
    size.columns = columns_;
    size.rows = rows_;
    const int h = plan_->halfRows();
    // The half-spectrum index of the frequency of centred bin (x, y), or None
    // where that frequency is not kept (kv above rows / 2).
    auto halfIndex = [&](int x, int y) {
        const int ku = (x - size.centreX() + columns_) % columns_;
        const int kv = (y - size.centreY() + rows_) % rows_;
        return kv < h ? static_cast<std::uint32_t>(ku * h + kv) : BoxBin::None;
    };
    auto mirrorIndex = [&](int x, int y) {
        return halfIndex(2 * size.centreX() - x, 2 * size.centreY() - y);
    };
    noiseCount_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(h), 0);
    for (int y = 0; y < rows_; ++y)
        for (int x = 0; x < columns_; ++x) {
            if (kinds[static_cast<std::size_t>(y) * columns_ + x] != Noise) continue;
            ++noiseBins_;
            // Each noise bin is counted on the value that holds its light.
            const std::uint32_t direct = halfIndex(x, y);
            ++noiseCount_[direct != BoxBin::None ? direct : mirrorIndex(x, y)];
        }
    boxBins_.reserve(points.size() * 9);
    for (const ObjectPoint p : points) {
        const BinOffset b = ObjectBin(p, geometry, columns_, rows_);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const std::size_t bin =
                    WrappedBin(size, size.centreX() + b.dx + dx, size.centreY() + b.dy + dy);
                const int x = static_cast<int>(bin % static_cast<std::size_t>(columns_));
                const int y = static_cast<int>(bin / static_cast<std::size_t>(columns_));
                boxBins_.push_back({halfIndex(x, y), mirrorIndex(x, y)});
            }
    }
}

BinaryPatternCost::~BinaryPatternCost() = default;

double BinaryPatternCost::evaluate(std::span<const std::uint8_t> bits) {
    float* t = plan_->real();
    for (std::size_t i = 0; i < bits.size(); ++i) t[i] = bits[i];
    plan_->forward(context_);
    const std::complex<float>* f = plan_->spectrum();

    // Summed in slices of columns, then slice by slice: the same sum for the
    // same pattern on the same number of threads.
    ThreadPool& pool = context_.pool();
    const int slices = ColumnSlices(columns_, pool);
    std::vector<double> noise(static_cast<std::size_t>(slices), 0.0);
    const std::size_t h = static_cast<std::size_t>(plan_->halfRows());
    ParallelFor(pool, slices, static_cast<std::size_t>(columns_),
                [&](int slice, std::size_t first, std::size_t last) {
                    double sum = 0;
                    for (std::size_t k = first * h; k < last * h; ++k)
                        if (noiseCount_[k]) sum += noiseCount_[k] * static_cast<double>(std::norm(f[k]));
                    noise[static_cast<std::size_t>(slice)] = sum;
                });
    trial_.boxes.assign(boxBins_.size() / 9, 0.0);
    for (std::size_t i = 0; i < boxBins_.size(); ++i) {
        const BoxBin b = boxBins_[i];
        trial_.boxes[i / 9] += std::norm(f[b.direct != BoxBin::None ? b.direct : b.mirror]);
    }
    trial_.noise = std::accumulate(noise.begin(), noise.end(), 0.0);
    trial_.cost = trial_.noise * (1 + evenness_ * SquaredSpread(trial_.boxes).value);
    return trial_.cost;
}

BinaryPatternCost::Spread BinaryPatternCost::SquaredSpread(const std::vector<double>& boxes) {
    Spread spread;
    if (boxes.empty()) return spread;
    spread.mean = std::accumulate(boxes.begin(), boxes.end(), 0.0) / static_cast<double>(boxes.size());
    if (!(spread.mean > 0)) return spread;
    for (const double box : boxes) spread.variance += (box - spread.mean) * (box - spread.mean);
    spread.variance /= static_cast<double>(boxes.size());
    spread.value = spread.variance / (spread.mean * spread.mean);
    return spread;
}

void BinaryPatternCost::accept() {
    const std::complex<float>* f = plan_->spectrum();
    spectrum_.assign(f, f + static_cast<std::size_t>(columns_) * static_cast<std::size_t>(plan_->halfRows()));
    std::swap(current_, trial_);
}

void BinaryPatternCost::flipGains(std::span<const std::uint8_t> bits, std::vector<float>& gains) {
    // Flipping value x changes F_k by d·e^(−2πi k·x), d = ±1, so the light
    // I_k = |F_k|^2 by 2d·Re(conj(F_k) e^(−2πi k·x)) + 1, and the cost to
    // first order by the sum of w_k times that, w_k = ∂cost/∂I_k: on a noise
    // bin 1 + evenness·s², on a box's bin noise·evenness·∂s²/∂B summed over
    // the boxes holding it. The sum of the 2d·Re(...) terms is 2d·Re of the
    // inverse transform of w_k F_k, which for Hermitian F is that of
    // H_k = F_k·(w_k + w_−k) / 2 (noise bins are their own mirrors' kind).
    const Spread spread = SquaredSpread(current_.boxes);
    const double noiseWeight = 1 + evenness_ * spread.value;
    std::complex<float>* spectrum = plan_->spectrum();
    const std::size_t h = static_cast<std::size_t>(plan_->halfRows());
    const auto w = static_cast<float>(noiseWeight);
    ThreadPool& pool = context_.pool();
    const int slices = ColumnSlices(columns_, pool);
    ParallelFor(pool, slices, static_cast<std::size_t>(columns_),
                [&](int, std::size_t first, std::size_t last) {
                    for (std::size_t k = first * h; k < last * h; ++k)
                        spectrum[k] = noiseCount_[k] ? w * spectrum_[k] : std::complex<float>{};
                });
    // ∂s²/∂B_p = 2 ((B_p − mean) − variance / mean) / (P mean²).
    const std::vector<double>& boxes = current_.boxes;
    double boxWeights = 0;
    if (spread.mean > 0) {
        const double scale =
            current_.noise * evenness_ * 2 / (static_cast<double>(boxes.size()) * spread.mean * spread.mean);
        for (std::size_t i = 0; i < boxBins_.size(); ++i) {
            const double weight = scale * ((boxes[i / 9] - spread.mean) - spread.variance / spread.mean);
            boxWeights += weight;
            // Half of w on the bin's own frequency, half on its mirror's.
            const auto half = static_cast<float>(weight / 2);
            const BoxBin b = boxBins_[i];
            if (b.direct != BoxBin::None) spectrum[b.direct] += half * spectrum_[b.direct];
            if (b.mirror != BoxBin::None) spectrum[b.mirror] += half * spectrum_[b.mirror];
        }
    }
    plan_->inverse(context_);
    const float* r = plan_->real();
    const auto secondOrder = static_cast<float>(noiseWeight * static_cast<double>(noiseBins_) + boxWeights);
    gains.resize(bits.size());
    ParallelFor(pool, slices, static_cast<std::size_t>(columns_),
                [&](int, std::size_t first, std::size_t last) {
                    const std::size_t end = last * static_cast<std::size_t>(rows_);
                    for (std::size_t i = first * static_cast<std::size_t>(rows_); i < end; ++i)
                        gains[i] = (bits[i] ? -2.0f : 2.0f) * r[i] + secondOrder;
                });
}

BinarizedHologram OptimiseBinary(const HologramField& calculated, const BinarizationRequest& request,
                                 const BinarizationContext& context) {
    const auto started = std::chrono::steady_clock::now();
    const HologramGeometry& g = context.geometry;
    BinarizedHologram binarized;
    binarized.threshold = MedianThreshold(calculated, g.columns, g.rows, context.execution);
    binarized.field = calculated;
    Binarize(binarized.field, binarized.threshold, binarized.greyLevels);
    // Each transform of a large hologram takes a while: the caller may stop
    // the work between any two of them.
    context.stopIfCancelled();
    OptimisationRecord record;
    record.start = context.figures(context.reconstruct(binarized.field));
    context.stopIfCancelled();

    const std::size_t n = static_cast<std::size_t>(g.columns) * static_cast<std::size_t>(g.rows);
    std::vector<std::uint8_t> bits(n);
    for (int u = 0; u < g.columns; ++u)
        for (int v = 0; v < g.rows; ++v)
            bits[static_cast<std::size_t>(u) * g.rows + v] = binarized.field(u, v) > 0 ? 1 : 0;
    const std::vector<std::uint8_t> start = bits;
    // No step or shake takes the pattern further outside the band of white
    // shares than it was; a start inside stays inside.
    const WhiteBand band(n);
    std::size_t white = WhiteCount(bits);
    const std::size_t startWhite = white;

    // The first descent lowers the noise alone, which moves light onto the
    // object fastest; from where it ends the whole cost, the object's
    // unevenness too, takes over. The best pattern is the cheapest by the
    // whole cost, the balanced start included.
    std::optional<BinaryPatternCost> cost(std::in_place, g, context.litSamples, 0.0, context.execution);
    context.stopIfCancelled();
    double current = cost->evaluate(bits);
    cost->accept();
    std::vector<std::uint8_t> best = bits;
    std::size_t bestWhite = white;
    double bestCost = 0;
    bool whole = false;
    auto takeWholeCost = [&] {
        cost.reset();  // one cost's transforms at a time
        cost.emplace(g, context.litSamples, DefaultEvenness, context.execution);
        context.stopIfCancelled();
        bestCost = cost->evaluate(best);
        context.stopIfCancelled();
        current = cost->evaluate(bits);
        cost->accept();
        whole = true;
    };
    std::size_t batch = std::max<std::size_t>(1, n / 100);
    std::vector<float> gains;
    std::vector<std::uint32_t> candidates;
    std::vector<std::uint8_t> trial;
    // A descent that ends above the best pattern starts again from the best,
    // shaken by a few flips of a fixed sequence.
    int fruitlessShakes = 0;
    std::uint64_t sequence = 0x9E3779B97F4A7C15ull;
    const std::size_t shake = std::max<std::size_t>(1, n / ShakeShare);
    while (true) {
        if (request.maxIterations > 0 && record.iterations >= request.maxIterations) break;
        const double elapsed = SecondsSince(started);
        if (elapsed >= request.budgetSeconds) break;
        context.reportProgress(std::clamp(elapsed / request.budgetSeconds, 0.0, 1.0));
        context.stopIfCancelled();

        cost->flipGains(bits, gains);
        context.stopIfCancelled();
        // The batch: the m values with the most negative gains, the first of
        // equal gains first.
        candidates.clear();
        for (std::size_t i = 0; i < n; ++i)
            if (gains[i] < 0) candidates.push_back(static_cast<std::uint32_t>(i));
        const std::size_t m = std::min(batch, candidates.size());
        if (!whole && (m == 0 || elapsed >= request.budgetSeconds * NoiseOnlyShare)) {
            takeWholeCost();
            batch = std::max<std::size_t>(1, n / 1000);
            continue;
        }
        if (m == 0) {
            if (current < bestCost) {
                best = bits;
                bestWhite = white;
                bestCost = current;
                fruitlessShakes = 0;
            } else if (++fruitlessShakes > Shakes) {
                break;
            }
            bits = best;
            white = bestWhite;
            for (std::size_t j = 0; j < shake; ++j) {
                const std::size_t i = NextValue(sequence) % n;
                if (!band.allows(white, bits[i] != 0)) continue;
                white = bits[i] ? white - 1 : white + 1;
                bits[i] ^= 1;
            }
            current = cost->evaluate(bits);
            cost->accept();
            batch = std::max<std::size_t>(1, shake / 4);
            continue;
        }
        const auto gainsMore = [&](std::uint32_t a, std::uint32_t b) {
            return gains[a] < gains[b] || (gains[a] == gains[b] && a < b);
        };
        std::nth_element(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(m - 1),
                         candidates.end(), gainsMore);
        trial = bits;
        std::size_t trialWhite = white;
        for (std::size_t j = 0; j < m; ++j) {
            trialWhite = trial[candidates[j]] ? trialWhite - 1 : trialWhite + 1;
            trial[candidates[j]] ^= 1;
        }
        if (band.excess(trialWhite) > band.excess(white)) {
            // The batch would leave the band: the flips that gain most,
            // leaving out those that would take it further out.
            std::sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(m), gainsMore);
            trial = bits;
            trialWhite = white;
            for (std::size_t j = 0; j < m; ++j) {
                const std::uint32_t i = candidates[j];
                if (!band.allows(trialWhite, trial[i] != 0)) continue;
                trialWhite = trial[i] ? trialWhite - 1 : trialWhite + 1;
                trial[i] ^= 1;
            }
        }

        ++record.iterations;
        const double next = cost->evaluate(trial);
        if (next < current) {
            cost->accept();
            current = next;
            bits.swap(trial);
            white = trialWhite;
            batch = std::min(n / 4 + 1, batch + batch * 3 / 10 + 1);
        } else {
            batch /= 2;
        }
    }
    if (!whole) takeWholeCost();
    if (!(current < bestCost)) {
        bits.swap(best);
        white = bestWhite;
    }

    const auto write = [&](const std::vector<std::uint8_t>& pattern) {
        for (int u = 0; u < g.columns; ++u)
            for (int v = 0; v < g.rows; ++v) {
                const bool isWhite = pattern[static_cast<std::size_t>(u) * g.rows + v] != 0;
                binarized.field(u, v) = isWhite ? 255.0f : 0.0f;
                binarized.greyLevels[static_cast<std::size_t>(u) * binarized.field.rows() + v] =
                    isWhite ? 255 : 0;
            }
    };
    write(bits);
    context.stopIfCancelled();
    record.end = context.figures(context.reconstruct(binarized.field));
    // The cost cannot see every way a pattern fails to show the object (a
    // constant one costs nothing): a result that does not show it, or shows
    // it worse than the start, gives way to the start where that shows it.
    if (!Shows(record.end, record.start, band.holds(white)) || record.end.fidelity < record.start.fidelity) {
        if (!Shows(record.start, record.start, band.holds(startWhite)))
            throw RunTimeError(
                ErrorNumber::InvalidPicture,
                "Invalid picture: the optimised binarization found no pattern that shows the object");
        write(start);
        record.end = record.start;
        record.keptStart = true;
    }
    record.seconds = SecondsSince(started);
    binarized.optimisation = record;
    return binarized;
}

}  // namespace marbleck
