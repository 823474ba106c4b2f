#include "engine/phase/Kinoform.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>

#include "engine/phase/PhaseSteps.h"
#include "engine/sums/CalculationEngine.h"
#include "engine/sums/HologramCalculation.h"
#include "engine/sums/HologramPipeline.h"

namespace marbleck {

namespace {

using namespace phase_steps;
using Clock = std::chrono::steady_clock;

void CheckBrightness(const std::vector<float>& brightness, std::size_t points) {
    if (brightness.empty()) return;
    if (brightness.size() != points) throw std::invalid_argument("one brightness per lit sample is needed");
    for (float b : brightness)
        if (!(b >= 0) || !std::isfinite(b))
            throw std::invalid_argument("a brightness is negative or not a number");
}

}  // namespace

float BrightnessOfLevel(int level) { return static_cast<float>(std::clamp(level, 0, 255)) / 255.0f; }

PhaseHologram MakeKinoform(HologramRequest request, std::vector<float> brightness,
                           const ExecutionContext& context) {
    CheckExecutionContext(context);
    const CalculationEngine& engine = CalculationEngineNamed(request.engine);
    CheckBrightness(brightness, request.object.litSamples.size());
    PhaseHologram h;
    h.geometry = MakeHologramGeometry(request.object.width, request.object.height, request.reps);
    const HologramGeometry& g = h.geometry;
    RefuseUnvisitedHologram(g);
    h.phases = SamplePhases(request);
    h.litSamples = std::move(request.object.litSamples);
    h.brightness = std::move(brightness);

    context.stopIfCancelled();
    // The real part, then the imaginary part as the real part of every
    // source turned back by π/2. The progress runs over both sums.
    int shown = -1;
    auto progress = [&](int x) {
        if (context.columnDone)
            while (shown < x) context.columnDone(++shown);
        if (context.cancelRequested && context.cancelRequested()) throw CalculationCancelled();
    };
    const int canvasColumns = g.canvasColumns;
    const auto start = Clock::now();
    HologramField real, imaginary;
    ExecutionContext sums = context;
    sums.columnDone = [&](int x) { progress(x / 2); };
    SumHologram(engine, g, h.litSamples, h.phases, real, sums);
    std::vector<double> turned(h.phases);
    for (double& phase : turned) phase -= std::numbers::pi / 2;
    sums.columnDone = [&](int x) { progress((canvasColumns + x) / 2); };
    SumHologram(engine, g, h.litSamples, turned, imaginary, sums);
    h.sumSeconds = SecondsSince(start);
    context.stopIfCancelled();

    h.phase = HologramField(g.columns, g.rows);
    for (int u = 0; u < g.columns; ++u) {
        StopIfCancelled(context.cancelFlag);
        const float* re = real.column(u);
        const float* im = imaginary.column(u);
        float* phi = h.phase.column(u);
        for (int v = 0; v < g.rows; ++v)
            phi[v] = WrappedPhase(std::atan2(static_cast<double>(im[v]), static_cast<double>(re[v])));
    }
    h.greyLevels = ViewLevels(h.phase);
    context.stopIfCancelled();
    h.figures = MeasurePhaseFigures(h.phase, h.litSamples, g, context);
    return h;
}

PhaseHologram MakePhaseHologram(PhaseRequest request, const ExecutionContext& context) {
    PhaseHologram h = MakeKinoform(std::move(request.hologram), std::move(request.brightness), context);
    if (request.refinement) RefinePhaseHologram(h, *request.refinement, context);
    return h;
}

}  // namespace marbleck
