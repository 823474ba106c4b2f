#include "engine/sums/FastHologramEngine.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <functional>
#include <new>
#include <utility>

#include <cblas.h>

#include "engine/core/ParallelFor.h"
#include "engine/objects/PointRotation.h"
#include "platform/BlasThreads.h"

namespace marbleck {

namespace {

// Hologram columns per product: large enough for BLAS to run at full speed,
// small enough that the block of sums stays in cache and progress moves.
constexpr int BlockColumns = 192;
// Fewer where a block would be more than StepMultiplyAdds a thread, but no
// fewer than this.
constexpr int MinBlockColumns = 8;

// The multiply-adds of one thread between two looks at the cancel flag: a
// fraction of a second.
constexpr long long StepMultiplyAdds = 1LL << 28;

// The most bytes of Ev (hologram rows × lit canvas rows, complex) at a time:
// the rows are formed and multiplied a block at a time, so that a tall
// object's table stays small.
constexpr std::size_t EvBlockBytes = std::size_t{16} << 20;

// The hologram rows of Ev one block holds: at most EvBlockBytes, and no more
// than StepMultiplyAdds a thread of product, so cancelling is looked at often.
int EvBlockRows(int rows, int X, int Y, int threads) {
    const long long byBytes =
        static_cast<long long>(EvBlockBytes / (2 * sizeof(double) * static_cast<std::size_t>(Y)));
    const long long byWork = StepMultiplyAdds * threads / (4LL * X * Y);
    return static_cast<int>(std::clamp<long long>(std::min(byBytes, byWork), 1, rows));
}

// Lit rows × hologram rows of Ev below which one thread forms a block.
constexpr long long ParallelRotations = 1LL << 18;

// Multiply-adds of one product below which it runs on the calling thread
// alone: smaller products finish before the pool's threads would wake.
constexpr long long ParallelProduct = 1LL << 21;

// How many row slices a product of `multiplyAdds` over `rows` rows is cut
// into, on at most `threads` threads.
int SlicesFor(long long multiplyAdds, int rows, int threads) {
    if (multiplyAdds < ParallelProduct) return 1;
    return std::max(1, std::min(threads, rows / 8));
}

// OpenBLAS takes a work buffer of this size (Debian's build: 128 MiB and a
// page) for each thread that calls it, and when there is no room for one it
// retries for ever. Under a limit on the process's memory, the products run
// on no more threads than there is room for buffers, found by taking them
// and letting them go again first; with room for none the calculation has
// no memory. Buffers OpenBLAS keeps from earlier products are counted
// again: the check errs on the safe side.
constexpr std::size_t BlasBufferBytes = (std::size_t{128} << 20) + 4096;

int ThreadsWithRoomForBlas(int wanted) {
    if (!MemoryIsLimited()) return wanted;
    std::vector<void*> taken;
    taken.reserve(static_cast<std::size_t>(wanted));
    for (int i = 0; i < wanted; ++i) {
        void* buffer = std::malloc(BlasBufferBytes);
        if (buffer == nullptr) break;
        taken.push_back(buffer);
    }
    for (void* buffer : taken) std::free(buffer);
    if (taken.empty()) throw std::bad_alloc();
    return static_cast<int>(taken.size());
}

// Indexes the distinct values of `of(point)` in increasing order.
template <typename Of>
void compact(std::span<const ObjectPoint> points, int size, Of of, std::vector<int>& index,
             std::vector<int>& lit) {
    index.assign(static_cast<std::size_t>(size), -1);
    for (const ObjectPoint& p : points) index[static_cast<std::size_t>(of(p))] = 0;
    lit.clear();
    for (int i = 0; i < size; ++i)
        if (index[static_cast<std::size_t>(i)] == 0) {
            index[static_cast<std::size_t>(i)] = static_cast<int>(lit.size());
            lit.push_back(i);
        }
}

// The work buffers of one call.
struct Buffers {
    std::vector<int> columnIndex;  // canvas column → compact column, −1 when unlit
    std::vector<int> rowIndex;
    std::vector<int> litColumns;  // compact → canvas
    std::vector<int> litRows;
    std::vector<double> a;                // X' × Y' complex: the phased amplitudes
    std::vector<double> ev;               // a block of rows × Y' complex
    std::vector<double> bt;               // rows × X' complex = rows × 2X' real
    std::vector<double> eu;               // block × 2X' real: (Re, −Im) pairs
    std::vector<double> c;                // block × rows: the sums of one block
    std::vector<double> cu, su;           // running rotations, one per lit column or row
    std::vector<FieldRange> sliceRanges;  // the range of each row slice's values in a block
    int warmedSlices = 0;                 // the most product slices prepare() has run
};

// The idle work buffers kept: more concurrent calls than this allocate
// their own beyond it, and give them up at their end.
constexpr std::size_t KeptIdle = 4;

// Bᵀ = Ev · Aᵀ into b.bt, a block of hologram rows at a time, from b.a of
// X' × Y' and the lit rows; looks at `cancel` between blocks.
void ProductOfRows(Buffers& b, const HologramGeometry& g, int X, int Y, int threads, ThreadPool& pool,
                   const CancelFlag* cancel);

}  // namespace

struct FastHologramEngine::Workspace : Buffers {};

// A workspace taken from the engine for one call, given back at its end.
class FastHologramEngine::Lease {
public:
    explicit Lease(FastHologramEngine& engine) : engine_(engine) {
        {
            std::lock_guard lock(engine_.mutex_);
            if (!engine_.idle_.empty()) {
                workspace_ = std::move(engine_.idle_.back());
                engine_.idle_.pop_back();
            }
        }
        if (!workspace_) workspace_ = std::make_unique<Workspace>();
    }
    ~Lease() {
        std::lock_guard lock(engine_.mutex_);
        if (engine_.idle_.size() < KeptIdle) engine_.idle_.push_back(std::move(workspace_));
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    Workspace& operator*() const { return *workspace_; }

private:
    FastHologramEngine& engine_;
    std::unique_ptr<Workspace> workspace_;
};

FastHologramEngine::FastHologramEngine() {
    // Before any product: BLAS's own threads would sit beside the pool's.
    openblas_set_num_threads(1);
}

FastHologramEngine::~FastHologramEngine() = default;

FastHologramEngine& FastHologramEngine::Shared() {
    static FastHologramEngine engine;
    return engine;
}

void FastHologramEngine::accumulate(const HologramGeometry& g, std::span<const ObjectPoint> points,
                                    std::span<const double> phases, HologramField& field, FieldRange* range,
                                    const ExecutionContext& context) {
    CheckAccumulateArguments(g, points, phases, field);
    const CancelFlag* cancel = context.cancelFlag;
    const ColumnDone& columnDone = context.columnDone;
    // Every visited value is written exactly once below, so the range of the
    // written values is the range of the result.
    FieldRange found;
    int reported = 0;  // canvas columns reported so far
    auto reportThrough = [&](int columns) {
        for (; reported < columns; ++reported)
            if (columnDone) columnDone(reported);
    };
    const int M = g.columns, N = g.rows;
    if (points.empty() || M <= 0 || N <= 0) {
        if (range) *range = FindRange(field, g);
        reportThrough(g.canvasColumns);
        return;
    }

    ThreadPool& pool = context.pool();
    const Lease lease(*this);
    Buffers& b = *lease;
    compact(
        points, g.canvasColumns, [](ObjectPoint p) { return p.x; }, b.columnIndex, b.litColumns);
    compact(
        points, g.canvasRows, [](ObjectPoint p) { return p.y; }, b.rowIndex, b.litRows);
    const int X = static_cast<int>(b.litColumns.size());
    const int Y = static_cast<int>(b.litRows.size());
    const auto sz = [](long long n) { return static_cast<std::size_t>(n); };

    // A(x', y') = e^{iφ} of the point there (at most one per canvas sample).
    b.a.assign(sz(2LL * X * Y), 0.0);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const long long at =
            static_cast<long long>(b.columnIndex[sz(points[i].x)]) * Y + b.rowIndex[sz(points[i].y)];
        b.a[sz(2 * at)] += std::cos(phases[i]);
        b.a[sz(2 * at + 1)] += std::sin(phases[i]);
    }

    StopIfCancelled(cancel);
    // Bᵀ = Ev · Aᵀ: rows × X' complex. BLAS runs on one thread (the
    // context's pool divides the products by rows), so that a failed
    // allocation in one of its threads cannot leave the program waiting.
    b.bt.resize(sz(2LL * N * X));
    // Only the threads the products will use need a buffer.
    const int threads =
        ThreadsWithRoomForBlas(std::max(SlicesFor(4LL * N * X * Y, N, pool.size()),
                                        SlicesFor(2LL * std::min(BlockColumns, M) * N * X, N, pool.size())));
    ProductOfRows(b, g, X, Y, threads, pool, cancel);

    // F = Re(Eu · B), block by block of hologram columns. Eu's rows come from
    // the u-rotation of every lit canvas column, carried from block to block.
    std::vector<PointRotation> r(sz(X));
    for (int j = 0; j < X; ++j) r[sz(j)] = RotationOf(g, {b.litColumns[sz(j)], 0}, 0.0);
    b.cu.assign(sz(X), 1.0);
    b.su.assign(sz(X), 0.0);
    const long long columnMultiplyAdds = 2LL * N * X;
    const int blockColumns = static_cast<int>(std::clamp<long long>(
        StepMultiplyAdds * threads / columnMultiplyAdds, MinBlockColumns, BlockColumns));
    b.eu.resize(sz(2LL * blockColumns * X));
    b.c.resize(sz(static_cast<long long>(blockColumns) * N));
    for (int u0 = 0; u0 < M; u0 += blockColumns) {
        StopIfCancelled(cancel);
        const int count = std::min(blockColumns, M - u0);
        for (int k = 0; k < count; ++k) {
            double* out = b.eu.data() + 2LL * k * X;
            const bool advance = u0 + k > 0;
            for (int j = 0; j < X; ++j) {
                if (advance) RotateAlongU(r[sz(j)], b.cu[sz(j)], b.su[sz(j)]);
                out[2 * j] = b.cu[sz(j)];
                out[2 * j + 1] = -b.su[sz(j)];
            }
        }
        // Each slice of rows multiplies and writes its own rows of the block.
        const int slices = SlicesFor(2LL * count * N * X, N, threads);
        std::vector<FieldRange>& ranges = b.sliceRanges;
        ranges.assign(sz(slices), found);
        ParallelFor(pool, slices, N, [&](int s, int first, int last) {
            if (last <= first) return;
            cblas_dgemm(CblasRowMajor, CblasNoTrans, CblasTrans, count, last - first, 2 * X, 1.0, b.eu.data(),
                        2 * X, b.bt.data() + 2LL * first * X, 2 * X, 0.0, b.c.data() + first, N);
            float minimum = ranges[sz(s)].minimum, maximum = ranges[sz(s)].maximum;
            for (int k = 0; k < count; ++k) {
                float* column = field.column(u0 + k);
                const double* sums = b.c.data() + static_cast<long long>(k) * N;
                for (int v = first; v < last; ++v) {
                    const float value = static_cast<float>(static_cast<double>(column[v]) + sums[v]);
                    column[v] = value;
                    // As FindRange compares: NaN never replaces an end.
                    maximum = value > maximum ? value : maximum;
                    minimum = value < minimum ? value : minimum;
                }
            }
            ranges[sz(s)] = {minimum, maximum};
        });
        float minimum = found.minimum, maximum = found.maximum;
        for (const FieldRange& slice : ranges) {
            maximum = slice.maximum > maximum ? slice.maximum : maximum;
            minimum = slice.minimum < minimum ? slice.minimum : minimum;
        }
        found = {minimum, maximum};
        reportThrough(static_cast<int>(static_cast<long long>(g.canvasColumns) * (u0 + count) / M));
    }
    if (range) *range = found;
    reportThrough(g.canvasColumns);
}

namespace {

void ProductOfRows(Buffers& b, const HologramGeometry& g, int X, int Y, int threads, ThreadPool& pool,
                   const CancelFlag* cancel) {
    const int N = g.rows;
    const auto sz = [](long long n) { return static_cast<std::size_t>(n); };
    // Ev(v, y') = (Cv, Sv) of canvas row y', by the v-rotation, a block of
    // hologram rows at a time: each lit row's recurrence carries on from
    // block to block, so every value is the one a single sweep gives.
    const long long rowMultiplyAdds = 4LL * X * Y;
    const int blockRows = EvBlockRows(N, X, Y, threads);
    b.ev.resize(sz(2LL * blockRows * Y));
    std::vector<PointRotation> r(sz(Y));
    for (int j = 0; j < Y; ++j) r[sz(j)] = RotationOf(g, {0, b.litRows[sz(j)]}, 0.0);
    b.cu.assign(sz(Y), 1.0);
    b.su.assign(sz(Y), 0.0);
    const std::complex<double> one(1.0, 0.0), zero(0.0, 0.0);
    for (int v0 = 0; v0 < N; v0 += blockRows) {
        StopIfCancelled(cancel);
        const int count = std::min(blockRows, N - v0);
        // The lit rows' recurrences are independent: each thread takes a
        // share of them through the block's rows.
        const int rotationSlices =
            1LL * count * Y < ParallelRotations ? 1 : std::max(1, std::min(threads, Y / 64));
        ParallelFor(pool, rotationSlices, Y, [&](int, int first, int last) {
            for (int v = v0; v < v0 + count; ++v) {
                double* out = b.ev.data() + 2LL * (v - v0) * Y;
                for (int j = first; j < last; ++j) {
                    if (v > 0) {
                        const double c2 = r[sz(j)].cy * b.cu[sz(j)] - r[sz(j)].sy * b.su[sz(j)];
                        const double s2 = r[sz(j)].cy * b.su[sz(j)] + r[sz(j)].sy * b.cu[sz(j)];
                        b.cu[sz(j)] = c2;
                        b.su[sz(j)] = s2;
                    }
                    out[2 * j] = b.cu[sz(j)];
                    out[2 * j + 1] = b.su[sz(j)];
                }
            }
        });
        const int slices = SlicesFor(rowMultiplyAdds * count, count, threads);
        ParallelFor(pool, slices, count, [&](int, int first, int last) {
            if (last > first)
                cblas_zgemm(CblasRowMajor, CblasNoTrans, CblasTrans, last - first, X, Y, &one,
                            b.ev.data() + 2LL * first * Y, Y, b.a.data(), Y, &zero,
                            b.bt.data() + 2LL * (v0 + first) * X, X);
        });
    }
}

}  // namespace

void FastHologramEngine::prepare(const HologramGeometry& g, std::span<const ObjectPoint> points,
                                 const ExecutionContext& context) {
    const int M = g.columns, N = g.rows;
    if (points.empty() || M <= 0 || N <= 0) return;
    ThreadPool& pool = context.pool();
    const Lease lease(*this);
    Buffers& b = *lease;
    compact(
        points, g.canvasColumns, [](ObjectPoint p) { return p.x; }, b.columnIndex, b.litColumns);
    compact(
        points, g.canvasRows, [](ObjectPoint p) { return p.y; }, b.rowIndex, b.litRows);
    const long long X = static_cast<long long>(b.litColumns.size());
    const long long Y = static_cast<long long>(b.litRows.size());
    const auto sz = [](long long n) { return static_cast<std::size_t>(n); };
    const std::size_t held =
        b.a.capacity() + b.ev.capacity() + b.bt.capacity() + b.eu.capacity() + b.c.capacity();
    b.a.resize(sz(2 * X * Y));
    const int threads = ThreadsWithRoomForBlas(pool.size());
    b.ev.resize(sz(2LL * EvBlockRows(N, static_cast<int>(X), static_cast<int>(Y), threads) * Y));
    b.bt.resize(sz(2LL * N * X));
    b.eu.resize(sz(2LL * BlockColumns * X));
    b.c.resize(sz(static_cast<long long>(BlockColumns) * N));
    const int count = std::min(BlockColumns, M);
    const int slices = SlicesFor(2LL * count * N * X, N, threads);
    // Prepared before for buffers of this size, the threads need nothing more.
    if (b.a.capacity() + b.ev.capacity() + b.bt.capacity() + b.eu.capacity() + b.c.capacity() == held &&
        slices <= b.warmedSlices)
        return;
    b.warmedSlices = std::max(b.warmedSlices, slices);
    ParallelFor(pool, slices, N, [&](int, int first, int last) {
        if (last > first)
            cblas_dgemm(CblasRowMajor, CblasNoTrans, CblasTrans, count, last - first, static_cast<int>(2 * X),
                        1.0, b.eu.data(), static_cast<int>(2 * X), b.bt.data() + 2LL * first * X,
                        static_cast<int>(2 * X), 0.0, b.c.data() + first, N);
    });
}

void AccumulateFast(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                    std::span<const double> phases, HologramField& field, const ExecutionContext& context) {
    FastHologramEngine::Shared().accumulate(geometry, points, phases, field, nullptr, context);
}

}  // namespace marbleck
