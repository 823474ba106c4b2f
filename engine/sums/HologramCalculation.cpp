#include "engine/sums/HologramCalculation.h"

#include <chrono>
#include <stdexcept>
#include <string>
#include <utility>

#include "engine/sums/CalculationEngine.h"
#include "engine/sums/HologramPipeline.h"
#include "platform/RandomGenerator.h"

namespace marbleck {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

std::vector<double> SamplePhases(const HologramRequest& request) {
    std::vector<double> phases(request.object.litSamples.size(), 0.0);
    if (request.randomPhase) {
        RandomGenerator random;
        random.seed(request.seed);
        for (double& phase : phases) phase = PhaseOfDraw(random.next());
    }
    return phases;
}

HologramResult MakeHologram(HologramRequest request, const ExecutionContext& context) {
    CheckExecutionContext(context);
    const CalculationEngine& engine = CalculationEngineNamed(request.engine);
    if (request.binarization && FindBinarizationMethod(request.binarization->method) == nullptr)
        throw std::invalid_argument("unknown binarization " + request.binarization->method);
    HologramResult result;
    result.geometry = MakeHologramGeometry(request.object.width, request.object.height, request.reps);
    const HologramGeometry& g = result.geometry;
    result.phases = SamplePhases(request);
    result.litSamples = std::move(request.object.litSamples);

    context.stopIfCancelled();
    ExecutionContext sums = context;
    if (context.columnDone || context.cancelRequested)
        sums.columnDone = [&context](int x) {
            if (context.columnDone) context.columnDone(x);
            if (context.cancelRequested && context.cancelRequested()) throw CalculationCancelled();
        };
    auto start = Clock::now();
    result.rawRange = SumHologram(engine, g, result.litSamples, result.phases, result.field, sums);
    result.seconds.sums = SecondsSince(start);
    context.stopIfCancelled();

    start = Clock::now();
    NormaliseHologram(result.field, g, result.rawRange, request.greyLevels ? &result.greyLevels : nullptr,
                      context);
    result.seconds.normalising = SecondsSince(start);

    if (request.binarization) {
        context.stopIfCancelled();
        start = Clock::now();
        const BinarizationContext binarization{g, result.litSamples, context};
        result.binarization = ApplyBinarization(*request.binarization, result.field, binarization);
        result.seconds.binarizing = SecondsSince(start);
    }
    return result;
}

}  // namespace marbleck
