#pragma once

#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "engine/core/Cancellation.h"
#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/sums/Normalisation.h"

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
// allocations of this size cost page faults on every run: a call takes a set
// the engine keeps idle (or a new one) and gives it back at its end, so that
// concurrent calls each work in their own. They grow with the hologram and
// the object (Bᵀ: rows × lit columns; A: lit columns × lit
// rows), never with rows × rows: Ev is formed a block of rows at a time.
class FastHologramEngine {
public:
    FastHologramEngine();
    ~FastHologramEngine();

    // Adds the sums of `points` into `field` (normally zero-filled), the
    // products cut by rows over the context's pool. The context's columnDone
    // runs on the calling thread for every canvas column in order, spread
    // over the work as it progresses. With `range`, also gives what FindRange
    // would give on the result, found while each value is written. Throws
    // CalculationCancelled soon after the context's cancel flag is set.
    // Calls from several threads run side by side, each in work buffers of
    // its own.
    void accumulate(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                    std::span<const double> phases, HologramField& field, FieldRange* range = nullptr,
                    const ExecutionContext& context = {});

    // Gets ready for accumulate() of `points` on `geometry` without
    // calculating anything: a set of work buffers takes that job's sizes
    // (their pages touched), the context's pool's threads are started and
    // each runs one product of the job's shape on zeros, so that BLAS has its
    // buffer on every thread. A calculation's first run then pays none of
    // that.
    void prepare(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                 const ExecutionContext& context = {});

    // The engine that AccumulateFast and the engine table use, shared by the
    // whole program.
    static FastHologramEngine& Shared();

private:
    struct Workspace;
    class Lease;

    std::mutex mutex_;  // guards idle_ only
    // The buffers of calls that ended, kept for the next ones.
    std::vector<std::unique_ptr<Workspace>> idle_;
};

// FastHologramEngine::Shared().accumulate(...).
void AccumulateFast(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                    std::span<const double> phases, HologramField& field,
                    const ExecutionContext& context = {});

}  // namespace marbleck
