#include "engine/HologramCompute.h"

#include "engine/ExactHologramEngine.h"
#include "engine/FastHologramEngine.h"

namespace marbleck {

void AccumulateHologram(EngineKind kind, const HologramGeometry& geometry,
                        std::span<const ObjectPoint> points, std::span<const double> phases,
                        HologramField& field, const ColumnDone& columnDone, const CancelFlag* cancel) {
    switch (kind) {
        case EngineKind::Reference:
            AccumulateReference(geometry, points, phases, field, columnDone, cancel);
            return;
        case EngineKind::Exact:
            AccumulateExact(geometry, points, phases, field, columnDone, ThreadPool::Shared(), cancel);
            return;
        case EngineKind::Fast:
            AccumulateFast(geometry, points, phases, field, columnDone, cancel);
            return;
    }
}

}  // namespace marbleck
