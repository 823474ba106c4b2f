#include "engine/sums/HologramPipeline.h"

#include <algorithm>
#include <cstddef>

#include "engine/core/ParallelFor.h"
#include "engine/sums/NormalisedGrey.h"

namespace marbleck {

namespace {

// Below this many values one thread normalises alone: waking the others
// would cost more than it saves.
constexpr long long ParallelValues = 1LL << 18;

// Normalises columns [first, last) in place and writes their grey levels
// where `grey` is not null. A field whose range is empty (no object point)
// keeps its values. Built for the widest vectors the processor has:
// division, conversion, comparison and the rounding add are exact in every
// lane width.
__attribute__((target_clones("avx2", "default"))) void NormaliseColumns(HologramField& field, int rows,
                                                                        FieldRange range, std::uint8_t* grey,
                                                                        int first, int last) {
    const double minimum = range.minimum;
    const double span = static_cast<double>(range.maximum) - minimum;
    for (int u = first; u < last; ++u) {
        float* column = field.column(u);
        std::uint8_t* out =
            grey ? grey + static_cast<std::size_t>(u) * static_cast<std::size_t>(rows) : nullptr;
        if (span == 0.0) {
            if (out)
                for (int v = 0; v < rows; ++v) out[v] = detail::GreyOf(column[v]);
            continue;
        }
        if (!out) {
            for (int v = 0; v < rows; ++v) column[v] = detail::NormalisedValue(column[v], minimum, span);
            continue;
        }
        for (int v = 0; v < rows; ++v) {
            const float normalised = detail::NormalisedValue(column[v], minimum, span);
            column[v] = normalised;
            out[v] = detail::GreyOf(normalised);
        }
    }
}

}  // namespace

FieldRange SumHologram(const CalculationEngine& engine, const HologramGeometry& g,
                       std::span<const ObjectPoint> points, std::span<const double> phases,
                       HologramField& field, const ExecutionContext& context) {
    field = HologramField(g.fieldColumns, g.fieldRows);
    FieldRange range;
    engine.accumulate(g, points, phases, field, &range, context);
    StopIfCancelled(context.cancelFlag);
    return range;
}

void NormaliseHologram(HologramField& field, const HologramGeometry& g, FieldRange range,
                       std::vector<std::uint8_t>* grey, const ExecutionContext& context) {
    if (grey) grey->resize(static_cast<std::size_t>(g.columns) * static_cast<std::size_t>(g.rows));
    std::uint8_t* levels = grey ? grey->data() : nullptr;
    const long long values = static_cast<long long>(g.columns) * g.rows;
    ThreadPool& pool = context.pool();
    ParallelFor(pool, PartsFor(pool, values, ParallelValues), g.columns, [&](int, int first, int last) {
        NormaliseColumns(field, g.rows, range, levels, first, last);
    });
}

FieldRange CalculateHologram(const CalculationEngine& engine, const HologramGeometry& g,
                             std::span<const ObjectPoint> points, std::span<const double> phases,
                             HologramField& field, std::vector<std::uint8_t>& grey,
                             const ExecutionContext& context) {
    const FieldRange range = SumHologram(engine, g, points, phases, field, context);
    NormaliseHologram(field, g, range, &grey, context);
    return range;
}

}  // namespace marbleck
