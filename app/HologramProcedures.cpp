#include "app/HologramProcedures.h"

#include <cmath>
#include <utility>

#include "app/Document.h"
#include "app/PhaseProcedures.h"
#include "engine/binarization/Binarization.h"
#include "engine/core/CalculationWork.h"
#include "engine/core/ThreadPool.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/sums/CalculationEngine.h"
#include "engine/sums/HologramCalculation.h"
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
    ExecutionContext context;
    context.columnDone = [&](int x) {
        percentDone.store(ProgressAfterColumn(job, x), std::memory_order_relaxed);
    };
    context.cancelFlag = cancel;
    return MakeHologram(job.request, context);
}

namespace {

double EstimatedJobSeconds(const PreparedCalculation& job, int sums) {
    return sums * EstimatedSeconds(CalculationEngineNamed(job.request.engine), job.geometry,
                                   job.request.object.litSamples, ExecutionContext().pool().size());
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

void ShowHologram(std::shared_ptr<const Hologram> hologram, Document& document, PictureArea& view,
                  bool sizeView) {
    const ViewLevels shown = hologram->view();
    // The drawing area holds every value; the border lies around it.
    if (sizeView) view.setDrawingAreaSize(QSize(shown.columns, shown.rows));
    // The engine's threads are idle once a job is done: they paint too.
    view.paintGreyColumns(shown.levels, shown.columns, shown.rows, [](const auto& band) {
        ThreadPool& pool = ThreadPool::Shared();
        const int count = pool.size();
        pool.run(count, [&](int index) { band(index, count); });
    });
    document.hologram = std::move(hologram);
}

PreparedBinarization PrepareBinarization(const std::string& method, double budgetSeconds,
                                         const Document& document) {
    PreparedBinarization job;
    job.request.method = method;
    job.request.budgetSeconds = budgetSeconds;
    job.source = document.hologram;
    return job;
}

namespace {

// The amplitude hologram `source` with `binarized` beside its calculated
// field.
std::shared_ptr<const Hologram> WithBinarization(const Hologram& source, BinarizedHologram binarized) {
    HologramResult result = dynamic_cast<const AmplitudeHologram&>(source).result();
    result.binarization = std::move(binarized);
    return std::make_shared<const AmplitudeHologram>(std::move(result));
}

}  // namespace

std::shared_ptr<const Hologram> RunBinarization(const PreparedBinarization& job,
                                                std::atomic<float>& percentDone, const CancelFlag* cancel) {
    ExecutionContext execution;
    execution.cancelFlag = cancel;
    execution.progress = [&](double fraction) {
        percentDone.store(static_cast<float>(100 * fraction), std::memory_order_relaxed);
    };
    const HologramResult& calculation = dynamic_cast<const AmplitudeHologram&>(*job.source).result();
    const BinarizationContext context{calculation.geometry, calculation.litSamples, execution};
    return WithBinarization(*job.source, ApplyBinarization(job.request, calculation.field, context));
}

bool IsLongBinarization(const PreparedBinarization& job) { return job.request.budgetSeconds >= 2; }

QString BinarizationStartText(const PreparedBinarization& job) {
    if (!IsLongBinarization(job)) return QStringLiteral("Binarizing…");
    return QStringLiteral("Binarizing… up to %1 s (Esc cancels)")
        .arg(QString::fromStdString(WriteNumber(job.request.budgetSeconds)));
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

namespace {

const FieldValue* Named(const NamedValues& values, std::string_view name) {
    for (const NamedValue& value : values)
        if (value.name == name) return &value.value;
    return nullptr;
}

// A number of a record, none where it has none.
double Number(const NamedValues& values, std::string_view name) {
    const FieldValue* value = Named(values, name);
    if (value == nullptr) return Figures::None;
    if (const auto* number = std::get_if<double>(&value->value)) return *number;
    if (const auto* count = std::get_if<long long>(&value->value)) return static_cast<double>(*count);
    return Figures::None;
}

// A figure of the record's `when` ("before", "after").
double RecordFigure(const NamedValues& record, std::string_view when, std::string_view figure) {
    const FieldValue* figures = Named(record, when);
    const auto* values = figures != nullptr ? std::get_if<NamedValues>(&figures->value) : nullptr;
    return values != nullptr ? Number(*values, figure) : Figures::None;
}

}  // namespace

QString RecordText(const Hologram& hologram) {
    const NamedValues record = hologram.record();
    if (record.empty()) return {};
    const std::string_view name = hologram.kind().recordName;
    const double seconds = Number(record, "seconds");
    if (name == "refinement") {
        RefinementRecord refinement;
        refinement.start.efficiency = RecordFigure(record, "before", "efficiency");
        refinement.end.efficiency = RecordFigure(record, "after", "efficiency");
        refinement.iterations = static_cast<int>(Number(record, "iterations"));
        refinement.seconds = seconds;
        return RefinementText(refinement);
    }
    OptimisationRecord optimisation;
    optimisation.start.fidelity = RecordFigure(record, "before", "fidelity");
    optimisation.end.fidelity = RecordFigure(record, "after", "fidelity");
    optimisation.seconds = seconds;
    return OptimisationText(optimisation);
}

std::optional<double> BinarizeShownHologram(const std::string& method, const QString& thresholdText,
                                            Document& document, PictureArea& view) {
    if (document.calculation().field.empty()) return std::nullopt;
    BinarizationRequest request{method, 0};
    const BinarizationMethod* entry = FindBinarizationMethod(method);
    if (entry != nullptr && entry->takesThreshold)
        request.threshold = ReadNumber(thresholdText.toStdString());
    const HologramResult& calculation = document.calculation();
    const ExecutionContext execution;
    const BinarizationContext context{calculation.geometry, calculation.litSamples, execution};
    BinarizedHologram binarized = ApplyBinarization(request, document.field(), context);
    const double threshold = binarized.threshold;
    ShowHologram(WithBinarization(*document.hologram, std::move(binarized)), document, view, false);
    return threshold;
}

}  // namespace marbleck
