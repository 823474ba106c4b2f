#pragma once

#include <span>

#include "engine/core/Cancellation.h"
#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/core/ThreadPool.h"

namespace marbleck {

// The same sums as AccumulateReference, bit for bit, using every hardware
// thread and vector lane:
// - the v-rotation does not depend on u, so (Cv, Sv) is computed once per
//   object point into arrays and every column update is a vector loop;
// - the u range is split into one slice per thread; each thread owns its
//   columns, so every value still receives the object points in scan order;
// - points are taken in batches of whole canvas columns where possible, and
//   the context's columnDone runs on the calling thread after each batch, for every column
//   the batch completed, in order.
// Jobs too small to gain from threads run on the calling thread alone.
// Every thread looks at the context's cancel flag once per tile of columns and rows, and the
// call throws CalculationCancelled once they have all stopped.
void AccumulateExact(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                     std::span<const double> phases, HologramField& field,
                     const ExecutionContext& context = {});

}  // namespace marbleck
