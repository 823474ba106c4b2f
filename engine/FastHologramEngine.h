#pragma once

#include <mutex>
#include <span>
#include <vector>

#include "engine/Cancellation.h"
#include "engine/HologramField.h"
#include "engine/HologramGeometry.h"
#include "engine/Normalisation.h"
#include "engine/ObjectPoint.h"

namespace marbleck {

// The hologram as two matrix products instead of one sweep per object point.
// The sum separates:
//   F(u, v) = Re Σx e^{i u αx} Σy A(x, y) e^{i φ(x, y)} e^{i v αy}
// so with Ev(v, y) = e^{i v αy} and Eu(u, x) = e^{i u αx} (both from the same
// rotation recurrences as the exact engine), Bᵀ = Ev · Aᵀ is one complex
// product and F = Re(Eu · B) one real product of twice the inner size. Both
// run in 64-bit through BLAS; each sum is then added to the field and rounded
// to 32-bit once. The result equals the exact engine's up to rounding
// (the exact engine rounds once per object point).
//
// The work buffers stay allocated between calculations, since fresh
// allocations of this size cost page faults on every run. They grow with the
// hologram and the object (Bᵀ: rows × lit columns; A: lit columns × lit
// rows), never with rows × rows: Ev is formed a block of rows at a time.
class FastHologramEngine {
public:
    FastHologramEngine();

    // Adds the sums of `points` into `field` (normally zero-filled).
    // columnDone runs on the calling thread for every canvas column in order,
    // spread over the work as it progresses. With `range`, also gives what
    // FindRange would give on the result, found while each value is written.
    // Throws CalculationCancelled soon after `cancel` is set.
    void accumulate(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                    std::span<const double> phases, HologramField& field, const ColumnDone& columnDone = {},
                    FieldRange* range = nullptr, const CancelFlag* cancel = nullptr);

    // Gets ready for accumulate() of `points` on `geometry` without
    // calculating anything: the work buffers take that job's sizes (their
    // pages touched), the shared pool's threads are started and each runs
    // one product of the job's shape on zeros, so that BLAS has its buffer
    // on every thread. A calculation's first run then pays none of that.
    void prepare(const HologramGeometry& geometry, std::span<const ObjectPoint> points);

    // The engine that AccumulateFast uses, shared by the whole program.
    static FastHologramEngine& Shared();

private:
    // Bᵀ = Ev · Aᵀ into bt_, a block of hologram rows at a time, from a_ of
    // X' × Y' and the lit rows; looks at `cancel` between blocks.
    void productOfRows(const HologramGeometry& geometry, int X, int Y, int threads, const CancelFlag* cancel);

    std::mutex mutex_;
    std::vector<int> columnIndex_;  // canvas column → compact column, −1 when unlit
    std::vector<int> rowIndex_;
    std::vector<int> litColumns_;  // compact → canvas
    std::vector<int> litRows_;
    std::vector<double> a_;                // X' × Y' complex: the phased amplitudes
    std::vector<double> ev_;               // a block of rows × Y' complex
    std::vector<double> bt_;               // rows × X' complex = rows × 2X' real
    std::vector<double> eu_;               // block × 2X' real: (Re, −Im) pairs
    std::vector<double> c_;                // block × rows: the sums of one block
    std::vector<double> cu_, su_;          // running u-rotations, one per lit column
    std::vector<FieldRange> sliceRanges_;  // the range of each row slice's values in a block
    int warmedSlices_ = 0;                 // the most product slices prepare() has run
};

// FastHologramEngine::Shared().accumulate(...).
void AccumulateFast(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                    std::span<const double> phases, HologramField& field, const ColumnDone& columnDone = {},
                    const CancelFlag* cancel = nullptr);

}  // namespace marbleck
