#include "app/HologramProcedures.h"

#include <QColor>
#include <QImage>
#include <cmath>
#include <utility>

#include "app/Document.h"
#include "app/PhaseProcedures.h"
#include "engine/binarization/Binarization.h"
#include "engine/core/CalculationWork.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ThreadPool.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/kinds/scene/SceneKind.h"
#include "engine/sums/CalculationEngine.h"
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
    job.kind = request.kind;
    job.request.object = CanvasObject(canvas);
    job.request.engine = request.engine;
    job.request.randomPhase = request.randomPhase;
    job.request.seed = ClockSeed();
    job.brightness = CanvasBrightness(canvas, job.request.object);
    // Loops that visit no value sum nothing, so the kind's own call is
    // cheap: a kind that refuses such a hologram does so before it starts.
    if (job.geometry.columns == 0 || job.geometry.rows == 0) {
        PreparedCalculation probe = job;
        RunJob(CalculationJob(std::move(probe)));
    }
    return job;
}

HologramJob CalculationJob(PreparedCalculation&& prepared) {
    HologramJob job;
    job.object = std::move(prepared.request.object);
    job.brightness = std::move(prepared.brightness);
    job.kind = std::string(prepared.kind->name);
    job.reps = prepared.request.reps;
    job.engine = prepared.request.engine;
    job.randomPhase = prepared.request.randomPhase;
    job.seed = prepared.request.seed;
    job.scene = std::move(prepared.scene);
    job.postProcessing = std::move(prepared.postProcessing);
    prepared = {};
    return job;
}

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

namespace {

// A scene's exact sum forms a few hundred million point-pixels a second
// on a small machine, for each wavelength.
constexpr double ScenePointPixelsPerSecond = 3e8;

double EstimatedJobSeconds(const PreparedCalculation& job) {
    if (job.scene) {
        const auto* steps = dynamic_cast<const ScenePostProcessing*>(job.postProcessing.get());
        const double waves = steps != nullptr && !steps->wavelengths.empty()
                                 ? static_cast<double>(steps->wavelengths.size())
                                 : (job.scene->coloured ? 3.0 : 1.0);
        return waves * static_cast<double>(job.scene->points.size()) * job.geometry.columns *
               job.geometry.rows / ScenePointPixelsPerSecond;
    }
    return job.kind->sumsPerPoint * EstimatedSeconds(CalculationEngineNamed(job.request.engine), job.geometry,
                                                     job.request.object.litSamples,
                                                     ExecutionContext().pool().size());
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

float ProgressAfterColumn(const HologramGeometry& geometry, int x) {
    return 100.0f * static_cast<float>(x) / geometry.W;
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

PreparedPostProcessing PrepareBinarization(const std::string& method, double budgetSeconds,
                                           const Document& document) {
    if (dynamic_cast<const SceneHologram*>(document.hologram.get()) != nullptr)
        throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                           "Invalid property value: the optimised binarization judges the far field of a "
                           "flat picture's points, which a 3-D hologram does not form; take a threshold or "
                           "balanced");
    auto steps = std::make_shared<AmplitudePostProcessing>();
    steps->binarization = BinarizationRequest{method, 0, budgetSeconds};
    PreparedPostProcessing job{document.hologram, std::move(steps), QStringLiteral("Binarizing…"),
                               budgetSeconds >= 2};
    if (job.longJob)
        job.startText = QStringLiteral("Binarizing… up to %1 s (Esc cancels)")
                            .arg(QString::fromStdString(WriteNumber(budgetSeconds)));
    return job;
}

std::shared_ptr<const Hologram> RunPostProcessing(const PreparedPostProcessing& job,
                                                  const ExecutionContext& context) {
    std::unique_ptr<Hologram> made = job.source->clone();
    made->postProcess(*job.steps, context);
    return made;
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

QString CalculatedText(const Hologram& hologram, double seconds) {
    const NamedValues details = hologram.details();
    const std::string_view caption = hologram.kind().caption;
    return QStringLiteral("%1 %2 × %3 in %4 s")
        .arg(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())))
        .arg(static_cast<long long>(Number(details, "columns")))
        .arg(static_cast<long long>(Number(details, "rows")))
        .arg(seconds, 0, 'f', 2);
}

namespace {

// A 3-D hologram's amplitude encoding binarized as a printed one is: encoded
// again from its field, which stays, with the binarization.
double BinarizeScene(const SceneHologram& scene, const BinarizationRequest& request, Document& document,
                     PictureArea& view) {
    if (scene.encoding() != FieldEncoding::Amplitude || scene.phaseHologram() != nullptr)
        throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                           "Invalid property value: Binarize prints a 3-D hologram's amplitude encoding; "
                           "choose amplitude in Options > 3-D Hologram… and calculate again");
    ScenePostProcessing steps = scene.postProcessing();
    steps.binarization = request;
    auto binarized = std::make_shared<SceneHologram>(scene);
    binarized->postProcess(steps);
    const double threshold = binarized->binarizationThreshold().value_or(request.threshold);
    ShowHologram(std::move(binarized), document, view, false);
    return threshold;
}

}  // namespace

std::optional<double> BinarizeShownHologram(const std::string& method, const QString& thresholdText,
                                            Document& document, PictureArea& view) {
    const auto* scene = dynamic_cast<const SceneHologram*>(document.hologram.get());
    if (scene == nullptr && document.calculation().field.empty()) return std::nullopt;
    BinarizationRequest request{method, 0};
    const BinarizationMethod* entry = FindBinarizationMethod(method);
    if (entry != nullptr && entry->takesThreshold)
        request.threshold = ReadNumber(thresholdText.toStdString());
    if (scene != nullptr) return BinarizeScene(*scene, request, document, view);
    const HologramResult& calculation = document.calculation();
    const ExecutionContext execution;
    const BinarizationContext context{calculation.geometry, calculation.litSamples, execution};
    // The binarization lies beside the calculated field, which stays.
    HologramResult result = calculation;
    result.binarization = ApplyBinarization(request, document.field(), context);
    const double threshold = result.binarization->threshold;
    ShowHologram(std::make_shared<const AmplitudeHologram>(std::move(result)), document, view, false);
    return threshold;
}

}  // namespace marbleck
