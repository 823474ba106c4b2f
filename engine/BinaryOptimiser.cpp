#include "engine/BinaryOptimiser.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <numeric>

#include "engine/ThreadPool.h"

namespace marbleck {

namespace {

using enum BinKind;

// Runs part(first, last) over the columns in slices on the shared pool's
// threads, as the transforms do.
void InColumnSlices(int columns, const std::function<void(int, int)>& part) {
    const int slices = std::min(columns, ThreadPool::Shared().size());
    ThreadPool::Shared().run(slices, [&](int k) {
        part(static_cast<int>(static_cast<long long>(columns) * k / slices),
             static_cast<int>(static_cast<long long>(columns) * (k + 1) / slices));
    });
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

BinaryPatternCost::BinaryPatternCost(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                                     double evenness)
    : columns_(geometry.columns),
      rows_(geometry.rows),
      evenness_(evenness),
      kinds_(ClassifyBins(columns_, rows_, points, geometry)),
      plan_(std::make_unique<SpectrumPlan>(columns_, rows_, SpectrumPlan::SlicesFor(columns_, rows_), true)) {
    for (std::size_t i = 0; i < kinds_.size(); ++i)
        if (kinds_[i] == Noise) noise_.push_back(i);
    Reconstruction size;
    size.columns = columns_;
    size.rows = rows_;
    boxCentres_.reserve(points.size());
    for (const ObjectPoint p : points) {
        const BinOffset b = ObjectBin(p, geometry, columns_, rows_);
        boxCentres_.push_back(WrappedBin(size, size.centreX() + b.dx, size.centreY() + b.dy));
    }
    boxWeight_.assign(kinds_.size(), 0.0f);
}

BinaryPatternCost::~BinaryPatternCost() = default;

double BinaryPatternCost::evaluate(std::span<const std::uint8_t> bits) {
    float* t = plan_->real();
    for (std::size_t i = 0; i < bits.size(); ++i) t[i] = bits[i];
    plan_->forward();
    const std::size_t half = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(plan_->halfRows());
    trial_.spectrum.assign(plan_->spectrum(), plan_->spectrum() + half);
    const Reconstruction r = SpreadSpectrum(trial_.spectrum.data(), columns_, rows_);

    double noise = 0;
    for (const std::size_t i : noise_) noise += r.intensity[i];
    trial_.boxes.resize(boxCentres_.size());
    for (std::size_t p = 0; p < boxCentres_.size(); ++p) {
        const int x = static_cast<int>(boxCentres_[p] % static_cast<std::size_t>(columns_));
        const int y = static_cast<int>(boxCentres_[p] / static_cast<std::size_t>(columns_));
        double box = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) box += r.intensity[WrappedBin(r, x + dx, y + dy)];
        trial_.boxes[p] = box;
    }
    double unevenness = 0;
    if (!trial_.boxes.empty()) {
        const double mean = std::accumulate(trial_.boxes.begin(), trial_.boxes.end(), 0.0) /
                            static_cast<double>(trial_.boxes.size());
        if (mean > 0)
            for (const double box : trial_.boxes) unevenness += (box - mean) * (box - mean) / mean;
    }
    trial_.cost = noise + evenness_ * unevenness;
    return trial_.cost;
}

void BinaryPatternCost::accept() { std::swap(current_, trial_); }

void BinaryPatternCost::flipGains(std::span<const std::uint8_t> bits, std::vector<float>& gains) {
    // The cost's gradient as a spectrum H: flipping value x changes F by
    // d·e^(−2πi k·x), d = ±1, so the cost changes by 2d·Re(sum conj(R_k)
    // e^(−2πi k·x)) plus the second-order light, 1 on every noise bin;
    // R_k = w_k F_k with w = 1 on noise bins and 2·evenness·(the deviations
    // (B − mean) / mean of the boxes holding k) on signal bins. Since F is
    // Hermitian, that real part is the inverse transform of H_k = F_k·(w_k +
    // w_−k) / 2.
    const Reconstruction size = [&] {
        Reconstruction r;
        r.columns = columns_;
        r.rows = rows_;
        return r;
    }();
    std::fill(boxWeight_.begin(), boxWeight_.end(), 0.0f);
    const std::vector<double>& boxes = current_.boxes;
    const double mean =
        boxes.empty() ? 0
                      : std::accumulate(boxes.begin(), boxes.end(), 0.0) / static_cast<double>(boxes.size());
    if (mean > 0)
        for (std::size_t p = 0; p < boxes.size(); ++p) {
            const float pull = static_cast<float>(2.0 * evenness_ * (boxes[p] - mean) / mean);
            const int x = static_cast<int>(boxCentres_[p] % static_cast<std::size_t>(columns_));
            const int y = static_cast<int>(boxCentres_[p] / static_cast<std::size_t>(columns_));
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) boxWeight_[WrappedBin(size, x + dx, y + dy)] += pull;
        }
    auto weight = [&](std::size_t bin) {
        switch (kinds_[bin]) {
            case Noise:
                return 1.0f;
            case Signal:
                return boxWeight_[bin];
            default:
                return 0.0f;
        }
    };
    const int h = plan_->halfRows();
    const int cx = size.centreX();
    const int cy = size.centreY();
    std::complex<float>* spectrum = plan_->spectrum();
    InColumnSlices(columns_, [&](int first, int last) {
        for (int ku = first; ku < last; ++ku) {
            const int x = (ku + cx) % columns_;
            const int mirrorX = ((columns_ - ku) % columns_ + cx) % columns_;
            int y = cy;        // (kv + cy) mod rows
            int mirrorY = cy;  // (rows - kv + cy) mod rows
            for (int kv = 0; kv < h; ++kv) {
                const float w = 0.5f * (weight(static_cast<std::size_t>(y) * columns_ + x) +
                                        weight(static_cast<std::size_t>(mirrorY) * columns_ + mirrorX));
                const std::size_t k = static_cast<std::size_t>(ku) * h + kv;
                spectrum[k] = w * current_.spectrum[k];
                y = y + 1 == rows_ ? 0 : y + 1;
                mirrorY = mirrorY == 0 ? rows_ - 1 : mirrorY - 1;
            }
        }
    });
    plan_->inverse();
    const float* r = plan_->real();
    const float secondOrder = static_cast<float>(noise_.size());
    gains.resize(bits.size());
    InColumnSlices(columns_, [&](int first, int last) {
        const std::size_t end = static_cast<std::size_t>(last) * rows_;
        for (std::size_t i = static_cast<std::size_t>(first) * rows_; i < end; ++i)
            gains[i] = (bits[i] ? -2.0f : 2.0f) * r[i] + secondOrder;
    });
}

BinarizedHologram OptimiseBinary(const HologramField& calculated, const BinarizationRequest& request,
                                 const BinarizationContext& context) {
    const auto started = std::chrono::steady_clock::now();
    const HologramGeometry& g = context.geometry;
    BinarizedHologram binarized;
    binarized.threshold = MedianThreshold(calculated, g.columns, g.rows);
    binarized.field = calculated;
    Binarize(binarized.field, binarized.threshold, binarized.greyLevels);
    OptimisationRecord record;
    record.start = context.figures(context.reconstruct(binarized.field));

    const std::size_t n = static_cast<std::size_t>(g.columns) * static_cast<std::size_t>(g.rows);
    std::vector<std::uint8_t> bits(n);
    for (int u = 0; u < g.columns; ++u)
        for (int v = 0; v < g.rows; ++v)
            bits[static_cast<std::size_t>(u) * g.rows + v] = binarized.field(u, v) > 0 ? 1 : 0;

    BinaryPatternCost cost(g, context.litSamples);
    double current = cost.evaluate(bits);
    cost.accept();
    std::size_t batch = std::max<std::size_t>(1, n / 100);
    std::vector<float> gains;
    std::vector<std::uint32_t> candidates;
    std::vector<std::uint8_t> trial;
    while (batch > 0) {
        if (request.maxIterations > 0 && record.iterations >= request.maxIterations) break;
        const double elapsed = SecondsSince(started);
        if (elapsed >= request.budgetSeconds) break;
        context.reportProgress(std::clamp(elapsed / request.budgetSeconds, 0.0, 1.0));
        context.stopIfCancelled();

        cost.flipGains(bits, gains);
        // The batch: the m values with the most negative gains, the first of
        // equal gains first.
        candidates.clear();
        for (std::size_t i = 0; i < n; ++i)
            if (gains[i] < 0) candidates.push_back(static_cast<std::uint32_t>(i));
        const std::size_t m = std::min(batch, candidates.size());
        if (m == 0) break;
        std::nth_element(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(m - 1),
                         candidates.end(), [&](std::uint32_t a, std::uint32_t b) {
                             return gains[a] < gains[b] || (gains[a] == gains[b] && a < b);
                         });
        trial = bits;
        for (std::size_t j = 0; j < m; ++j) trial[candidates[j]] ^= 1;
        const std::size_t flipped = m;
        if (flipped == 0) break;

        ++record.iterations;
        const double next = cost.evaluate(trial);
        if (next < current) {
            cost.accept();
            current = next;
            bits.swap(trial);
            batch = std::min(n / 4 + 1, batch + batch * 3 / 10 + 1);
        } else {
            batch /= 2;
        }
    }

    for (int u = 0; u < g.columns; ++u)
        for (int v = 0; v < g.rows; ++v) {
            const bool white = bits[static_cast<std::size_t>(u) * g.rows + v] != 0;
            binarized.field(u, v) = white ? 255.0f : 0.0f;
            binarized.greyLevels[static_cast<std::size_t>(u) * binarized.field.rows() + v] = white ? 255 : 0;
        }
    record.end = context.figures(context.reconstruct(binarized.field));
    record.seconds = SecondsSince(started);
    binarized.optimisation = record;
    return binarized;
}

}  // namespace marbleck
