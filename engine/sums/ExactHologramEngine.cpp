#include "engine/sums/ExactHologramEngine.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "engine/core/ParallelFor.h"
#include "engine/objects/PointRotation.h"
#include "engine/sums/ExactKernel.h"

namespace marbleck {

namespace {

// Below this many updates a batch runs on the calling thread: waking the
// workers would cost more than it saves.
constexpr long long ParallelUpdates = 1LL << 20;
// Roughly the work between two progress reports.
constexpr long long BatchUpdates = 1LL << 24;
// The (Cv, Sv) arrays of one batch.
constexpr std::size_t BatchRotationBytes = std::size_t{8} << 20;
// One thread updates a tile of TileColumns columns × at most MaxTileRows rows for every
// point of a batch before moving on: the tile and one point's (Cv, Sv) for
// those rows stay in the first-level cache.
constexpr int TileColumns = 16;
constexpr int MaxTileRows = 512;

class BatchAccumulator {
public:
    BatchAccumulator(const HologramGeometry& g, std::span<const ObjectPoint> points,
                     std::span<const double> phases, HologramField& field, ThreadPool& pool,
                     const CancelFlag* cancel)
        : g_(g), points_(points), phases_(phases), field_(field), pool_(pool), cancel_(cancel) {}

    // Adds points [first, last) to the field.
    void accumulate(std::size_t first, std::size_t last) {
        const std::size_t count = last - first;
        const std::size_t rows = static_cast<std::size_t>(g_.rows);
        rotations_.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            rotations_[i] = RotationOf(g_, points_[first + i], phases_[first + i]);
        alongV_.resize(2 * rows * count);

        const long long updates = static_cast<long long>(count) * g_.columns * g_.rows;
        const int threads = updates < ParallelUpdates ? 1 : std::min(pool_.size(), g_.columns);
        ParallelFor(pool_, threads, count,
                    [&](int, std::size_t i0, std::size_t i1) { rotateAlongV(i0, i1); });
        ParallelFor(pool_, threads, g_.columns, [&](int, int u0, int u1) { updateSlice(u0, u1); });
    }

private:
    double* cosines(std::size_t i) { return alongV_.data() + 2 * i * static_cast<std::size_t>(g_.rows); }
    double* sines(std::size_t i) { return cosines(i) + g_.rows; }

    void rotateAlongV(std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i) RotateAlongV(rotations_[i], g_.rows, cosines(i), sines(i));
    }

    // One thread owns hologram columns [u0, u1).
    void updateSlice(int u0, int u1) {
        const std::size_t count = rotations_.size();
        // (Cu, Su) of every point at the column before the next one to update.
        std::vector<double> cu(count, 1.0), su(count, 0.0);
        for (std::size_t i = 0; i < count; ++i)
            for (int u = 1; u < u0; ++u) RotateAlongU(rotations_[i], cu[i], su[i]);

        // Rows in equal pieces of at most MaxTileRows, whole vectors each.
        const int pieces = (g_.rows + MaxTileRows - 1) / MaxTileRows;
        const int tileRows = ((g_.rows + pieces - 1) / pieces + 7) / 8 * 8;
        std::vector<double> pq(2 * count * TileColumns);  // (P, Q) per point and tile column
        for (int t0 = u0; t0 < u1; t0 += TileColumns) {
            const int t1 = std::min(u1, t0 + TileColumns);
            for (std::size_t i = 0; i < count; ++i) {
                const PointRotation& r = rotations_[i];
                double* out = pq.data() + 2 * i * TileColumns;
                for (int u = t0; u < t1; ++u, out += 2) {
                    out[0] = r.cphi;
                    out[1] = r.sphi;
                    if (u > 0) {
                        RotateAlongU(r, cu[i], su[i]);
                        PhasedPair(r, cu[i], su[i], out[0], out[1]);
                    }
                }
            }
            for (int v0 = 0; v0 < g_.rows; v0 += tileRows) {
                StopIfCancelled(cancel_);
                const int v1 = std::min(g_.rows, v0 + tileRows);
                for (std::size_t i = 0; i < count; ++i) {
                    const double* cv = cosines(i);
                    const double* sv = sines(i);
                    const double* in = pq.data() + 2 * i * TileColumns;
                    for (int u = t0; u < t1; ++u, in += 2)
                        UpdateColumnRows(field_.column(u), cv, sv, in[0], in[1], v0, v1);
                }
            }
        }
    }

    const HologramGeometry& g_;
    std::span<const ObjectPoint> points_;
    std::span<const double> phases_;
    HologramField& field_;
    ThreadPool& pool_;
    const CancelFlag* cancel_;
    std::vector<PointRotation> rotations_;
    std::vector<double> alongV_;  // per point: Cv[0 .. rows), then Sv[0 .. rows)
};

}  // namespace

void AccumulateExact(const HologramGeometry& g, std::span<const ObjectPoint> points,
                     std::span<const double> phases, HologramField& field, const ExecutionContext& context) {
    CheckAccumulateArguments(g, points, phases, field);
    const ColumnDone& columnDone = context.columnDone;
    const CancelFlag* cancel = context.cancelFlag;
    ThreadPool& pool = context.pool();
    const bool anyWork = g.columns > 0 && g.rows > 0;
    const long long perPoint = static_cast<long long>(g.columns) * g.rows;
    const std::size_t maxBatch = std::max<std::size_t>(
        1, BatchRotationBytes / (2 * sizeof(double) * static_cast<std::size_t>(std::max(1, g.rows))));
    BatchAccumulator accumulator(g, points, phases, field, pool, cancel);

    std::size_t first = 0;
    int x = 0;  // the first canvas column not yet reported
    while (x < g.canvasColumns) {
        StopIfCancelled(cancel);
        // Take whole columns [x, through) while the batch stays within its
        // limits; a column too large for one batch is taken in parts.
        std::size_t last = first;
        int through = x;
        while (through < g.canvasColumns) {
            std::size_t end = last;
            while (end < points.size() && points[end].x == through) ++end;
            if (end - first > maxBatch) {
                if (last == first) last = first + maxBatch;
                break;
            }
            last = end;
            ++through;
            if (static_cast<long long>(last - first) * perPoint >= BatchUpdates) break;
        }
        if (anyWork && last > first) accumulator.accumulate(first, last);
        first = last;
        for (; x < through; ++x)
            if (columnDone) columnDone(x);
    }
}

}  // namespace marbleck
