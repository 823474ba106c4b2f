#include "app/PhaseProcedures.h"

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/Document.h"
#include "engine/core/ThreadPool.h"
#include "engine/kinds/HologramJob.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "input/ObjectSamples.h"
#include "platform/NumberText.h"
#include "platform/RunTimeError.h"
#include "widgets/PictureArea.h"

namespace marbleck {

namespace {

// Refinements of more values × iterations than this are said to take
// seconds: one iteration is two transforms of the hologram's size, and 30
// iterations of a 1920 × 1080 hologram take a few seconds on two cores.
constexpr double LongRefinementWork = 1 << 26;

QString Figure(double value, int decimals) {
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("-");
}

}  // namespace

std::vector<float> CanvasBrightness(const PictureArea& canvas, const HologramObject& object) {
    const SampleGrid grid = CanvasSampleGrid(canvas, SampleCount(object.width), SampleCount(object.height));
    const QImage& image = canvas.image();
    std::vector<float> brightness;
    brightness.reserve(object.litSamples.size());
    for (const ObjectPoint& point : object.litSamples) {
        const QRgb pixel = image.pixel(grid.pixelColumns[static_cast<std::size_t>(point.x)],
                                       grid.pixelRows[static_cast<std::size_t>(point.y)]);
        brightness.push_back(BrightnessOfColour(qRed(pixel), qGreen(pixel), qBlue(pixel)));
    }
    return brightness;
}

PreparedPhase PrepareKinoform(const CalculateSettings& request, const PictureArea& canvas,
                              const Document& document) {
    PreparedPhase job;
    job.kind = PreparedPhase::Kind::Kinoform;
    job.calculation = PrepareCalculation(request, canvas);
    RefuseUnvisitedHologram(job.calculation.geometry);
    job.brightness = CanvasBrightness(canvas, job.calculation.request.object);
    job.panel = document.panel.settings;
    return job;
}

PreparedPhase PrepareRefinement(const RefinementRequest& request, const Document& document) {
    if (document.phase() == nullptr)
        throw RunTimeError(ErrorNumber::InvalidPicture,
                           "Invalid picture: there is no phase hologram to refine");
    PreparedPhase job;
    job.kind = PreparedPhase::Kind::Refinement;
    job.hologram = *document.phase();
    job.refinement = request;
    job.panel = document.panel.settings;
    return job;
}

namespace {

// The phase hologram mapped onto `panel`. The map is made again wherever
// the panel matters (OnPanel), which reports a panel that cannot show the
// hologram; until then it lies on a panel of its own size.
std::shared_ptr<const Hologram> MappedOnto(PhaseHologram hologram, const PanelSettings& panel) {
    try {
        CheckPanelSettings(panel, hologram.phase.columns(), hologram.phase.rows());
    } catch (const std::invalid_argument&) {
        return std::make_shared<const PhaseKindHologram>(std::move(hologram), PanelSettings{});
    }
    return std::make_shared<const PhaseKindHologram>(std::move(hologram), panel);
}

}  // namespace

std::shared_ptr<const Hologram> RunPhaseJob(PreparedPhase& job, std::atomic<float>& percentDone,
                                            const CancelFlag* cancel) {
    ExecutionContext context;
    context.cancelFlag = cancel;
    if (job.kind == PreparedPhase::Kind::Refinement) {
        context.progress = [&](double fraction) {
            percentDone.store(static_cast<float>(100 * fraction), std::memory_order_relaxed);
        };
        RefinePhaseHologram(job.hologram, job.refinement, context);
        return MappedOnto(std::move(job.hologram), job.panel);
    }
    context.columnDone = [&](int x) {
        percentDone.store(ProgressAfterColumn(job.calculation, x), std::memory_order_relaxed);
    };
    return MappedOnto(MakeKinoform(job.calculation.request, job.brightness, context), job.panel);
}

bool IsLongPhaseJob(const PreparedPhase& job) {
    if (job.kind == PreparedPhase::Kind::Kinoform) return IsLongCalculation(job.calculation, 2);
    const double values = static_cast<double>(job.hologram.geometry.columns) * job.hologram.geometry.rows;
    return job.refinement.budgetSeconds >= 2 || values * job.refinement.iterations >= LongRefinementWork;
}

QString PhaseStartText(const PreparedPhase& job) {
    if (job.kind == PreparedPhase::Kind::Kinoform) return CalculationStartText(job.calculation, 2);
    const QString text = QStringLiteral("Refining… %1 iterations").arg(job.refinement.iterations);
    if (!IsLongPhaseJob(job)) return text;
    if (job.refinement.budgetSeconds > 0)
        return text + QStringLiteral(", up to %1 s (Esc cancels)")
                          .arg(QString::fromStdString(WriteNumber(job.refinement.budgetSeconds)));
    return text + QStringLiteral(" (Esc cancels)");
}

QString RefinementText(const RefinementRecord& record) {
    return QStringLiteral("Efficiency %1 → %2 in %3 iterations, %4 s")
        .arg(Figure(record.start.efficiency, 2), Figure(record.end.efficiency, 2))
        .arg(record.iterations)
        .arg(QString::number(record.seconds, 'f', 1));
}

}  // namespace marbleck
