#include "app/HologramProcedures.h"

#include <cmath>
#include <utility>

#include "app/Document.h"
#include "engine/Binarization.h"
#include "engine/CalculationEngine.h"
#include "engine/CalculationWork.h"
#include "engine/HologramCalculation.h"
#include "engine/ThreadPool.h"
#include "input/ObjectSamples.h"
#include "platform/NumberText.h"
#include "platform/RandomGenerator.h"
#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck {

PreparedCalculation PrepareCalculation(const CalculateSettings& request, const PictureArea& canvas) {
    const float W = canvas.outerWidth() / Screen::TwipsPerPixelX();
    const float H = canvas.outerHeight() / Screen::TwipsPerPixelY();
    PreparedCalculation job;
    job.request.reps = ReadNumber(request.repsText.toStdString());
    job.geometry = MakeHologramGeometry(W, H, job.request.reps);
    job.request.object = CanvasObject(canvas);
    job.request.engine = request.engine;
    job.request.randomPhase = request.randomPhase;
    job.request.seed = ClockSeed();
    return job;
}

HologramResult RunCalculation(const PreparedCalculation& job, std::atomic<float>& percentDone,
                              const CancelFlag* cancel) {
    CalculationControl control;
    control.columnDone = [&](int x) {
        percentDone.store(ProgressAfterColumn(job, x), std::memory_order_relaxed);
    };
    control.cancelFlag = cancel;
    return MakeHologram(job.request, control);
}

namespace {

double EstimatedJobSeconds(const PreparedCalculation& job, int sums) {
    return sums * EstimatedSeconds(CalculationEngineNamed(job.request.engine), job.geometry,
                                   job.request.object.litSamples, ThreadPool::Shared().size());
}

}  // namespace

bool IsLongCalculation(const PreparedCalculation& job, int sums) {
    return EstimatedJobSeconds(job, sums) >= 2;
}

QString CalculationStartText(const PreparedCalculation& job, int sums) {
    const double seconds = EstimatedJobSeconds(job, sums);
    if (seconds < 2) return QStringLiteral("Calculating…");
    const QString estimate = seconds < 90 ? QStringLiteral("%1 s").arg(std::ceil(seconds))
                                          : QStringLiteral("%1 min").arg(std::ceil(seconds / 60));
    return QStringLiteral("Calculating… about %1 (Esc cancels)").arg(estimate);
}

float ProgressAfterColumn(const PreparedCalculation& job, int x) {
    return 100.0f * static_cast<float>(x) / job.geometry.W;
}

void ShowCalculatedHologram(HologramResult&& result, Document& document, PictureArea& view) {
    const HologramGeometry& g = result.geometry;
    // The drawing area holds every value; the border lies around it.
    view.setDrawingAreaSize(QSize(g.columns, g.rows));
    // The engine's threads are idle once its sums are done: they paint too.
    view.paintGreyColumns(result.greyLevels.data(), g.columns, g.rows, [](const auto& band) {
        ThreadPool& pool = ThreadPool::Shared();
        const int count = pool.size();
        pool.run(count, [&](int index) { band(index, count); });
    });
    document.calculation = std::move(result);
    document.binarized.reset();
    document.phase.reset();
}

PreparedBinarization PrepareBinarization(const std::string& method, double budgetSeconds,
                                         const Document& document) {
    PreparedBinarization job;
    job.request.method = method;
    job.request.budgetSeconds = budgetSeconds;
    job.calculated = document.calculation.field;
    job.geometry = document.calculation.geometry;
    job.litSamples = document.calculation.litSamples;
    return job;
}

BinarizedHologram RunBinarization(const PreparedBinarization& job, std::atomic<float>& percentDone,
                                  const CancelFlag* cancel) {
    CalculationControl control;
    control.cancelFlag = cancel;
    control.binarizationProgress = [&](double fraction) {
        percentDone.store(static_cast<float>(100 * fraction), std::memory_order_relaxed);
    };
    const BinarizationContext context{job.geometry, job.litSamples, ThreadPool::Shared(), control};
    return ApplyBinarization(job.request, job.calculated, context);
}

bool IsLongBinarization(const PreparedBinarization& job) { return job.request.budgetSeconds >= 2; }

QString BinarizationStartText(const PreparedBinarization& job) {
    if (!IsLongBinarization(job)) return QStringLiteral("Binarizing…");
    return QStringLiteral("Binarizing… up to %1 s (Esc cancels)")
        .arg(QString::fromStdString(WriteNumber(job.request.budgetSeconds)));
}

void ShowBinarizedHologram(BinarizedHologram&& binarized, Document& document, PictureArea& view) {
    view.paintGreyColumns(binarized.greyLevels.data(), binarized.field.columns(), binarized.field.rows());
    document.binarized = std::move(binarized);
}

namespace {

// Adding 0 turns -0 into 0, which prints without a sign.
QString WholeFigure(double value) {
    return std::isfinite(value) ? QString::number(std::round(value) + 0.0, 'f', 0) : QStringLiteral("-");
}

}  // namespace

QString OptimisationText(const OptimisationRecord& record) {
    return QStringLiteral("Fidelity %1 → %2 in %3 s")
        .arg(WholeFigure(record.start.fidelity), WholeFigure(record.end.fidelity),
             QString::number(record.seconds, 'f', 1));
}

std::optional<double> BinarizeShownHologram(const std::string& method, const QString& thresholdText,
                                            Document& document, PictureArea& view) {
    if (!document.hasHologram()) return std::nullopt;
    BinarizationRequest request{method, 0};
    const BinarizationMethod* entry = FindBinarizationMethod(method);
    if (entry != nullptr && entry->takesThreshold)
        request.threshold = ReadNumber(thresholdText.toStdString());
    const HologramResult& calculation = document.calculation;
    const CalculationControl control;
    const BinarizationContext context{calculation.geometry, calculation.litSamples, ThreadPool::Shared(),
                                      control};
    BinarizedHologram binarized = ApplyBinarization(request, document.field(), context);
    const double threshold = binarized.threshold;
    ShowBinarizedHologram(std::move(binarized), document, view);
    return threshold;
}

}  // namespace marbleck
