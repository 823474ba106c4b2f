#include "engine/phase/PhaseFigures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/phase/PhaseSteps.h"
#include "engine/reconstruction/ComplexFarField.h"
#include "engine/reconstruction/Figures.h"
#include "engine/transforms/SpectrumPlan.h"

namespace marbleck {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

namespace phase_steps {

PhaseFigures FiguresOfFarField(Reconstruction& r, std::span<const ObjectPoint> points,
                               const HologramGeometry& geometry) {
    const int columns = geometry.columns, rows = geometry.rows;
    const std::vector<BinKind> kind = ClassifyBins(columns, rows, points, geometry);
    double total = 0, onSpots = 0;
    for (std::size_t i = 0; i < kind.size(); ++i) {
        total += r.intensity[i];
        if (kind[i] == BinKind::Signal) onSpots += r.intensity[i];
    }
    PhaseFigures figures;
    figures.efficiency = total > 0 ? onSpots / total : NaN;

    const SpotEvenness evenness = MeasureSpotEvenness(r, points, geometry);
    figures.spread = evenness.spread;
    figures.uniformity = evenness.uniformity;

    r.intensity[WrappedBin(r, r.centreX(), r.centreY())] = 0;
    figures.fidelity = FidelityFigure(r, points, geometry);
    return figures;
}

}  // namespace phase_steps

using namespace phase_steps;

Reconstruction ReconstructPhase(const HologramField& phase, int columns, int rows,
                                ReconstructionOptions options, const ExecutionContext& context) {
    CheckExecutionContext(context);
    if (columns <= 0 || rows <= 0) return {};
    const ComplexSpectrumPlan plan(columns, rows, context);
    LoadTransmittance(plan, phase, context);
    return FarField(plan, options, context);
}

PhaseFigures MeasurePhaseFigures(const HologramField& phase, std::span<const ObjectPoint> points,
                                 const HologramGeometry& geometry, const ExecutionContext& context) {
    CheckExecutionContext(context);
    if (points.empty() || geometry.columns <= 0 || geometry.rows <= 0) return {NaN, NaN, NaN, NaN};
    // One transform with the zero order kept: removing the mean changes the
    // centre bin only, which the fidelity figure then leaves out.
    Reconstruction r =
        ReconstructPhase(phase, geometry.columns, geometry.rows, {.removeZeroOrder = false}, context);
    return FiguresOfFarField(r, points, geometry);
}

}  // namespace marbleck
