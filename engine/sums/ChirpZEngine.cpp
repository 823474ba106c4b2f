#include "engine/sums/ChirpZEngine.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <memory>
#include <vector>

#include "engine/core/ComplexTimes.h"
#include "engine/core/ParallelFor.h"
#include "engine/objects/PointRotation.h"
#include "engine/sums/ChirpZKernels.h"
#include "engine/transforms/ChirpZ.h"

namespace marbleck {

namespace {

using Complex = std::complex<float>;

// Transforms one thread runs between two looks at the progress and between
// the calling thread's reports: a fraction of a millisecond each.
constexpr int TransformsPerStep = 64;

// Transform values below which the calling thread works alone: the pool's
// threads would wake for less than they save.
constexpr double ParallelTransformValues = 1 << 16;

// The lit canvas rows, and the points of each, row by row.
struct LitRows {
    std::vector<int> y;
    std::vector<std::size_t> first;   // one more than y: the end of the last
    std::vector<std::size_t> points;  // indexes into the points, row by row
};

LitRows LitRowsOf(std::span<const ObjectPoint> points, int canvasRows) {
    std::vector<std::size_t> count(static_cast<std::size_t>(canvasRows) + 1, 0);
    for (const ObjectPoint& p : points) ++count[static_cast<std::size_t>(p.y) + 1];
    LitRows lit;
    std::vector<std::size_t> at(static_cast<std::size_t>(canvasRows), 0);
    std::size_t start = 0;
    for (int y = 0; y < canvasRows; ++y) {
        const std::size_t n = count[static_cast<std::size_t>(y) + 1];
        at[static_cast<std::size_t>(y)] = start;
        if (n > 0) {
            lit.y.push_back(y);
            lit.first.push_back(start);
        }
        start += n;
    }
    lit.first.push_back(start);
    lit.points.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        lit.points[at[static_cast<std::size_t>(points[i].y)]++] = i;
    return lit;
}

// The step denominator of a side of `size` pixels: the angle of sample n is
// n·C / (size − 1), or 0 on a side one pixel long.
double SpanOf(float size) { return static_cast<double>(size) - 1.0; }

// G of the calls made on this thread, kept between them: allocated afresh,
// an array of a few hundred kilobytes is mapped and faulted in page by page
// on every call, which on a virtual machine can take longer than the
// transforms. Above KeptBytes it is given back after the call.
constexpr std::size_t KeptBytes = std::size_t{32} << 20;

std::vector<Complex>& RowSumsOfThisThread() {
    thread_local std::vector<Complex> kept;
    return kept;
}

// One thread's arrays: the work of each direction's transform.
struct Slice {
    ChirpZ::Work alongU;
    ChirpZ::Work alongV;
    FieldRange range;
};

}  // namespace

double ChirpZTransformValues(const HologramGeometry& g, std::span<const ObjectPoint> points) {
    if (points.empty() || g.columns <= 0 || g.rows <= 0) return 0.0;
    std::vector<bool> lit(static_cast<std::size_t>(g.canvasRows), false);
    for (const ObjectPoint& p : points) lit[static_cast<std::size_t>(p.y)] = true;
    const auto rows = static_cast<double>(std::count(lit.begin(), lit.end(), true));
    return rows * ChirpZ::TransformedValues(g.canvasColumns, g.columns) +
           static_cast<double>((g.columns + 1) / 2) * ChirpZ::TransformedValues(2 * g.canvasRows - 1, g.rows);
}

void AccumulateChirpZ(const HologramGeometry& g, std::span<const ObjectPoint> points,
                      std::span<const double> phases, HologramField& field, FieldRange* range,
                      const ExecutionContext& context) {
    CheckAccumulateArguments(g, points, phases, field);
    const CancelFlag* cancel = context.cancelFlag;
    int reported = 0;  // canvas columns reported so far
    auto reportThrough = [&](int columns) {
        for (; reported < columns; ++reported)
            if (context.columnDone) context.columnDone(reported);
    };
    const int M = g.columns, N = g.rows;
    if (points.empty() || M <= 0 || N <= 0) {
        if (range) *range = FindRange(field, g);
        reportThrough(g.canvasColumns);
        return;
    }
    StopIfCancelled(cancel);
    const auto sz = [](long long n) { return static_cast<std::size_t>(n); };
    const LitRows lit = LitRowsOf(points, g.canvasRows);
    const int Y = static_cast<int>(lit.y.size());
    const std::shared_ptr<const ChirpZ> rowTransform =
        ChirpZ::Shared(g.canvasColumns, M, HologramPi, SpanOf(g.W));
    const ChirpZ& alongU = *rowTransform;
    // Re Σy G(y)·e^{i·v·αy} = Σ H(y)·e^{i·v·αy} over y = −(R − 1) .. R − 1 with
    // the Hermitian H(y) = G(y) / 2, H(−y) = conj G(y) / 2, H(0) = Re G(0),
    // whose sums are real: one transform of H₁ + i·H₂ makes two hologram
    // columns, the one as its real part and the other as its imaginary part.
    const int R = g.canvasRows, pairInputs = 2 * R - 1, pairs = (M + 1) / 2;
    const std::shared_ptr<const ChirpZ> pairTransform =
        ChirpZ::Shared(pairInputs, N, HologramPi, SpanOf(g.H), R - 1);
    const ChirpZ& alongV = *pairTransform;

    ThreadPool& pool = context.pool();
    const double rowValues = ChirpZ::TransformedValues(g.canvasColumns, M);
    const double pairValues = ChirpZ::TransformedValues(pairInputs, N);
    const double total = Y * rowValues + pairs * pairValues;
    const int parts = total < ParallelTransformValues ? 1 : pool.size();
    std::vector<Slice> slices;
    slices.reserve(sz(parts));
    for (int s = 0; s < parts; ++s) slices.push_back({ChirpZ::Work(alongU), ChirpZ::Work(alongV), {}});
    double done = 0;
    auto progressed = [&](double values) {
        done += values;
        reportThrough(
            static_cast<int>(std::min<double>(g.canvasColumns - 1, g.canvasColumns * done / total)));
    };

    // G(u, y) = Σx A(x, y) e^{i u αx}, stored hologram column by hologram
    // column: each column's canvas rows together, zero where a row is unlit.
    std::vector<Complex>& rowSums = RowSumsOfThisThread();
    rowSums.assign(sz(1LL * R * M), Complex{});
    struct GiveBackWhenLarge {
        std::vector<Complex>& sums;
        ~GiveBackWhenLarge() {
            if (sums.capacity() * sizeof(Complex) > KeptBytes) std::vector<Complex>().swap(sums);
        }
    } giveBack{rowSums};
    const int step = parts * TransformsPerStep;
    for (int j0 = 0; j0 < Y; j0 += step) {
        StopIfCancelled(cancel);
        const int count = std::min(step, Y - j0);
        ParallelFor(pool, parts, count, [&](int s, int first, int last) {
            const ChirpZ::Work& work = slices[sz(s)].alongU;
            Complex* reversed = work.reversed();
            const Complex* chirp = alongU.inputChirp();
            for (int j = j0 + first; j < j0 + last; ++j) {
                StopIfCancelled(cancel);
                const std::size_t begin = lit.first[sz(j)], end = lit.first[sz(j) + 1];
                for (std::size_t k = begin; k < end; ++k) {
                    const std::size_t i = lit.points[k];
                    const Complex unit{static_cast<float>(std::cos(phases[i])),
                                       static_cast<float>(std::sin(phases[i]))};
                    reversed[alongU.reversedIndex(points[i].x)] = Times(unit, chirp[points[i].x]);
                }
                Complex* row = rowSums.data() + lit.y[sz(j)];
                alongU.transformReversedBlocks(
                    work, [&](int u0, int columns, const Complex* convolved, const Complex* outputChirp) {
                        for (int u = 0; u < columns; ++u)
                            row[sz(1LL * (u0 + u) * R)] = Times(outputChirp[u], convolved[u]);
                    });
                for (std::size_t k = begin; k < end; ++k)
                    reversed[alongU.reversedIndex(points[lit.points[k]].x)] = {};
            }
        });
        progressed(count * rowValues);
    }

    // F(u, ·) += Re Σy G(u, y) e^{i v αy}, two hologram columns at a time.
    for (int p0 = 0; p0 < pairs; p0 += step) {
        StopIfCancelled(cancel);
        const int count = std::min(step, pairs - p0);
        ParallelFor(pool, parts, count, [&](int s, int first, int last) {
            Slice& slice = slices[sz(s)];
            for (int q = p0 + first; q < p0 + last; ++q) {
                StopIfCancelled(cancel);
                const int u = 2 * q;
                const bool second = u + 1 < M;
                const Complex* one = rowSums.data() + 1LL * u * R;
                PutPairInputs(one, second ? one + R : nullptr, R, alongV.inputChirp(),
                              slice.alongV.reversed(), alongV.length());
                float* first = field.column(u);
                float* next = second ? field.column(u + 1) : nullptr;
                alongV.transformReversedBlocks(
                    slice.alongV,
                    [&](int firstRow, int rowCount, const Complex* convolved, const Complex* chirp) {
                        AddPair(first + firstRow, next ? next + firstRow : nullptr, convolved, chirp,
                                rowCount, slice.range);
                    });
            }
        });
        progressed(count * pairValues);
    }
    if (range) {
        FieldRange found;
        for (const Slice& slice : slices) {
            found.maximum = slice.range.maximum > found.maximum ? slice.range.maximum : found.maximum;
            found.minimum = slice.range.minimum < found.minimum ? slice.range.minimum : found.minimum;
        }
        *range = found;
    }
    reportThrough(g.canvasColumns);
}

}  // namespace marbleck
