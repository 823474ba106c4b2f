#include "engine/sums/CalculationEngine.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "engine/core/CalculationWork.h"
#include "engine/core/NamedTable.h"
#include "engine/sums/ChirpZEngine.h"
#include "engine/sums/ExactHologramEngine.h"
#include "engine/sums/FastHologramEngine.h"
#include "engine/sums/ReferenceSums.h"

namespace marbleck {

namespace {

// Rates a current desktop processor reaches per thread, for estimates
// within a factor of a few.
constexpr double ExactPointValuesPerSecond = 1.5e9;
constexpr double FastMultiplyAddsPerSecond = 4e9;
constexpr double ReferencePointValuesPerSecond = 1.5e8;
// Values a thread takes through the chirp-z transforms' FFTs (the input's
// and each block's, with the products between): about 5 log2 N + 6
// operations each.
constexpr double ChirpZValuesPerSecond = 3e8;

void AccumulateWithReference(const HologramGeometry& g, std::span<const ObjectPoint> points,
                             std::span<const double> phases, HologramField& field, FieldRange* range,
                             const ExecutionContext& context) {
    AccumulateReference(g, points, phases, field, context.columnDone, context.cancelFlag);
    if (range) *range = FindRange(field, g);
}

void AccumulateWithExact(const HologramGeometry& g, std::span<const ObjectPoint> points,
                         std::span<const double> phases, HologramField& field, FieldRange* range,
                         const ExecutionContext& context) {
    AccumulateExact(g, points, phases, field, context);
    if (range) *range = FindRange(field, g);
}

// The fast engine finds the range while it writes.
void AccumulateWithFast(const HologramGeometry& g, std::span<const ObjectPoint> points,
                        std::span<const double> phases, HologramField& field, FieldRange* range,
                        const ExecutionContext& context) {
    FastHologramEngine::Shared().accumulate(g, points, phases, field, range, context);
}

// The chirp-z engine finds the range while it writes.
void AccumulateWithChirpZ(const HologramGeometry& g, std::span<const ObjectPoint> points,
                          std::span<const double> phases, HologramField& field, FieldRange* range,
                          const ExecutionContext& context) {
    AccumulateChirpZ(g, points, phases, field, range, context);
}

// The processor's engines run wherever the program does.
bool OnEveryMachine() { return true; }

double ReferenceSeconds(const HologramGeometry& g, std::span<const ObjectPoint> points, int) {
    return SweepSeconds(g, points, 1, ReferencePointValuesPerSecond);
}

double ExactSeconds(const HologramGeometry& g, std::span<const ObjectPoint> points, int threads) {
    return SweepSeconds(g, points, threads, ExactPointValuesPerSecond);
}

double ChirpZSeconds(const HologramGeometry& g, std::span<const ObjectPoint> points, int threads) {
    return ChirpZTransformValues(g, points) / (ChirpZValuesPerSecond * std::max(1, threads));
}

double FastSeconds(const HologramGeometry& g, std::span<const ObjectPoint> points, int threads) {
    return ProductSeconds(g, points, threads, FastMultiplyAddsPerSecond);
}

constexpr std::array<CalculationEngine, 4> Engines{{
    // The same values as the reference bit for bit, on every core and vector lane.
    {"exact", "Exact", AccumulateWithExact, ExactSeconds, OnEveryMachine, true},
    // Two 64-bit matrix products; equal to "exact" up to rounding.
    {"fast", "Fast", AccumulateWithFast, FastSeconds, OnEveryMachine, false},
    // Separable chirp-z transforms on FFTW in 32-bit; equal to "exact" up to
    // a few millionths of the range.
    {"czt", "Chirp-z", AccumulateWithChirpZ, ChirpZSeconds, OnEveryMachine, false},
    // The straightforward scalar recurrence on one thread.
    {"reference", "Reference", AccumulateWithReference, ReferenceSeconds, OnEveryMachine, true},
}};

}  // namespace

std::span<const CalculationEngine> CalculationEngines() { return Engines; }

const CalculationEngine* FindCalculationEngine(std::string_view name) {
    return FindNamed(CalculationEngines(), name);
}

const CalculationEngine& CalculationEngineNamed(std::string_view name) {
    const CalculationEngine* engine = FindCalculationEngine(name);
    if (engine == nullptr) throw std::invalid_argument("unknown engine " + std::string(name));
    if (!engine->available())
        throw std::invalid_argument("the engine " + std::string(name) + " is not available on this machine");
    return *engine;
}

const CalculationEngine& DefaultCalculationEngine() { return Engines.front(); }

void AccumulateHologram(const CalculationEngine& engine, const HologramGeometry& geometry,
                        std::span<const ObjectPoint> points, std::span<const double> phases,
                        HologramField& field, const ExecutionContext& context) {
    engine.accumulate(geometry, points, phases, field, nullptr, context);
}

}  // namespace marbleck
