#include "app/HologramProcedures.h"

#include <cmath>
#include <vector>

#include "app/Document.h"
#include "engine/Binarization.h"
#include "engine/CalculationWork.h"
#include "engine/HologramPipeline.h"
#include "engine/ThreadPool.h"
#include "input/ObjectSamples.h"
#include "platform/NumberText.h"
#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck {

PreparedCalculation PrepareCalculation(const CalculationRequest& request, Document& document,
                                       const PictureArea& canvas) {
    const float W = canvas.outerWidth() / Screen::TwipsPerPixelX();
    const float H = canvas.outerHeight() / Screen::TwipsPerPixelY();
    const double R = ReadNumber(request.repsText.toStdString());
    PreparedCalculation job;
    job.engine = request.engine;
    job.geometry = MakeHologramGeometry(W, H, R);

    document.random.reseedFromClock();
    LitSamples(canvas.image(), CanvasSampleGrid(canvas, job.geometry.canvasColumns, job.geometry.canvasRows),
               job.points);
    job.phases.assign(job.points.size(), 0.0);
    if (request.randomPhase)
        for (double& phase : job.phases) phase = PhaseOfDraw(document.random.next());
    return job;
}

CalculatedHologram RunCalculation(const PreparedCalculation& job, std::atomic<int>& lastColumnDone,
                                  const CancelFlag* cancel) {
    CalculatedHologram result;
    CalculateHologram(
        *job.engine, job.geometry, job.points, job.phases, result.field, result.greyLevels,
        [&](int x) { lastColumnDone.store(x, std::memory_order_relaxed); }, ThreadPool::Shared(), cancel);
    return result;
}

namespace {

double EstimatedJobSeconds(const PreparedCalculation& job) {
    return EstimatedSeconds(*job.engine, job.geometry, job.points, ThreadPool::Shared().size());
}

}  // namespace

bool IsLongCalculation(const PreparedCalculation& job) { return EstimatedJobSeconds(job) >= 2; }

QString CalculationStartText(const PreparedCalculation& job) {
    const double seconds = EstimatedJobSeconds(job);
    if (seconds < 2) return QStringLiteral("Calculating…");
    const QString estimate = seconds < 90 ? QStringLiteral("%1 s").arg(std::ceil(seconds))
                                          : QStringLiteral("%1 min").arg(std::ceil(seconds / 60));
    return QStringLiteral("Calculating… about %1 (Esc cancels)").arg(estimate);
}

float ProgressAfterColumn(const PreparedCalculation& job, int x) {
    return 100.0f * static_cast<float>(x) / job.geometry.W;
}

void ShowCalculatedHologram(const PreparedCalculation& job, CalculatedHologram&& result, Document& document,
                            PictureArea& view) {
    const HologramGeometry& g = job.geometry;
    view.setOuterSize(static_cast<float>(Screen::TwipsPerPixelX() * g.W * g.R),
                      static_cast<float>(Screen::TwipsPerPixelY() * g.H * g.R));
    // The engine's threads are idle once its sums are done: they paint too.
    view.paintGreyColumns(result.greyLevels.data(), g.columns, g.rows, [](const auto& band) {
        ThreadPool& pool = ThreadPool::Shared();
        const int count = pool.size();
        pool.run(count, [&](int index) { band(index, count); });
    });
    document.field = std::move(result.field);
    document.greyLevels = std::move(result.greyLevels);
    document.geometry = g;
    document.litPoints = job.points;
}

void BinarizeHologram(const QString& thresholdText, Document& document, PictureArea& view) {
    if (document.field.empty()) return;
    const double threshold = ReadNumber(thresholdText.toStdString());
    HologramField& field = document.field;
    Binarize(field, threshold, document.greyLevels);
    view.paintGreyColumns(document.greyLevels.data(), field.columns(), field.rows());
}

std::optional<double> BinarizeHologramBalanced(Document& document, PictureArea& view) {
    if (document.field.empty()) return std::nullopt;
    HologramField& field = document.field;
    const double threshold = MedianThreshold(field, document.geometry.columns, document.geometry.rows);
    Binarize(field, threshold, document.greyLevels);
    view.paintGreyColumns(document.greyLevels.data(), field.columns(), field.rows());
    return threshold;
}

}  // namespace marbleck
