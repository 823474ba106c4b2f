#include "cli/HologramExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "cli/CalculationDeadline.h"
#include "engine/CalculationEngine.h"
#include "engine/CalculationWork.h"
#include "engine/HologramCalculation.h"
#include "engine/Reconstruction.h"
#include "input/picture/NativeFileName.h"
#include "input/picture/ObjectFile.h"
#include "input/picture/PictureSamples.h"
#include "output/FieldWriters.h"
#include "output/FileWriteError.h"
#include "output/OutputFormats.h"
#include "output/OwnNameFile.h"
#include "platform/RunTimeError.h"

namespace marbleck::cli {

namespace {

// The output layer's failures as the command line's write errors.
template <typename Write>
void WriteOrExportError(const Write& write) {
    try {
        write();
    } catch (const FileWriteError& error) {
        throw ExportError(ExitStatus::Write, error.file(), error.what(), error.runTimeError());
    }
}

// libpng prints its errors itself on standard error, beside the one line per
// failure that the command line promises; while an object is read, standard
// error goes nowhere.
class StandardErrorSilenced {
public:
    StandardErrorSilenced() {
        std::fflush(stderr);
        saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && nowhere >= 0) ::dup2(nowhere, STDERR_FILENO);
        if (nowhere >= 0) ::close(nowhere);
    }
    ~StandardErrorSilenced() {
        if (saved_ < 0) return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    StandardErrorSilenced(const StandardErrorSilenced&) = delete;
    StandardErrorSilenced& operator=(const StandardErrorSilenced&) = delete;

private:
    int saved_ = -1;
};

}  // namespace

void WriteReconstruction(const QImage& picture, const QString& output) {
    WriteOrExportError(
        [&] { WriteUnderOwnName(output, [&](const QString& name) { WritePng(picture, name); }); });
}

void WriteField(const HologramField& field, bool binarized, int depth, const QString& output) {
    WriteOrExportError([&] { WriteHologramFile(field, binarized, depth, output); });
}

QImage ReadObjectImage(const QString& object) {
    try {
        // The window's reader: the same checks, and the same picture of the same file.
        const StandardErrorSilenced quiet;
        return ReadObjectFile(object, ObjectFileKindOf(object), WholePicture).picture;
    } catch (const RunTimeError& error) {
        throw ExportError(ExitStatus::Input, object, error.description());
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Input, object, "out of memory");
    }
}

HologramRequest ObjectRequest(const CliOptions& options, HologramObject object, std::uint64_t seed) {
    HologramRequest request;
    request.object = std::move(object);
    request.reps = options.reps;
    request.engine = options.engine;
    request.randomPhase = options.randomPhase;
    request.seed = seed;
    if (options.balanced)
        request.binarization = BinarizationRequest{"balanced", 0};
    else if (options.binarizeThreshold)
        request.binarization = BinarizationRequest{"threshold", *options.binarizeThreshold};
    else if (options.optimised)
        request.binarization = BinarizationRequest{"optimised", 0, options.budgetSeconds};
    return request;
}

void RefuseUnboundedWork(const CliOptions& options, const HologramGeometry& geometry,
                         const std::vector<ObjectPoint>& points, double sums) {
    const CalculationEngine& engine = CalculationEngineNamed(options.engine);
    if (engine.addsEveryPointToEveryValue && !options.maxSeconds &&
        PointValues(geometry, points.size()) > ExactWorkBound) {
        const double minutes =
            sums * EstimatedSeconds(engine, geometry, points, RunContext(options.threads).pool().size()) /
            60.0;
        throw CalculationTooLong(
            QStringLiteral("%1 points × %2 values is more than the 2^%3 bound of the %4 engine (about %5 "
                           "min here); use --engine fast, or --max-seconds S to go on")
                .arg(points.size())
                .arg(static_cast<long long>(geometry.columns) * geometry.rows)
                .arg(ExactWorkBoundExponent)
                .arg(QString::fromUtf8(engine.name.data(), static_cast<qsizetype>(engine.name.size())))
                .arg(std::ceil(minutes))
                .toStdString());
    }
}

void CalculateWithinLimits(const CliOptions& options, const QImage& image, std::uint64_t seed,
                           const ExportProgress& progress, double sums,
                           const std::function<void(HologramRequest&&, const ExecutionContext&)>& calculate) {
    // The reps are refused before the picture is read into samples.
    const HologramGeometry geometry = MakeHologramGeometry(static_cast<float>(image.width()),
                                                           static_cast<float>(image.height()), options.reps);
    RefuseUnvisitedHologram(geometry);
    CancelFlag cancel{false};
    std::optional<CalculationDeadline> deadline;
    if (options.maxSeconds) deadline.emplace(*options.maxSeconds, cancel);
    HologramRequest request = ObjectRequest(options, PictureObject(image), seed);
    RefuseUnboundedWork(options, geometry, request.object.litSamples, sums);
    const ObjectControl control(geometry, request.object.litSamples, progress, cancel, options.threads);
    try {
        calculate(std::move(request), control.context());
    } catch (const CalculationCancelled&) {
        throw CalculationTooLong(
            QStringLiteral("stopped after %1 s (--max-seconds)").arg(*options.maxSeconds).toStdString());
    }
}

HologramResult CalculateObjectHologram(const CliOptions& options, const QImage& image, std::uint64_t seed,
                                       const ExportProgress& progress) {
    HologramResult result;
    CalculateWithinLimits(options, image, seed, progress, 1,
                          [&](HologramRequest&& request, const ExecutionContext& context) {
                              result = MakeHologram(std::move(request), context);
                          });
    return result;
}

QImage ReconstructionImage(const Reconstruction& r, const ExecutionContext& context) {
    QImage image(r.columns, r.rows, QImage::Format_Grayscale8);
    if (image.isNull()) throw std::bad_alloc();
    const std::vector<std::uint8_t> levels = LogScaleLevels(r, DefaultDecades, context);
    for (int y = 0; y < r.rows; ++y)
        std::memcpy(image.scanLine(y), levels.data() + static_cast<std::size_t>(y) * r.columns,
                    static_cast<std::size_t>(r.columns));
    return image;
}

ExportSummary SummaryOf(const CliOptions& options, const QString& object, const QString& output,
                        const QImage& image, std::uint64_t seed) {
    ExportSummary summary;
    summary.input = object;
    summary.output = output;
    summary.width = image.width();
    summary.height = image.height();
    summary.reps = options.reps;
    summary.engine = QString::fromStdString(options.engine);
    if (options.randomPhase) summary.seed = seed;
    return summary;
}

ExportSummary ExportHologram(const CliOptions& options, const QString& object, const QString& output,
                             std::uint64_t seed, const ExportProgress& progress,
                             const QString& reconstruction) {
    QElapsedTimer timer;
    timer.start();
    const QImage image = ReadObjectImage(object);
    ExportSummary summary = SummaryOf(options, object, output, image, seed);

    HologramResult hologram;
    try {
        hologram = CalculateObjectHologram(options, image, seed, progress);
        summary.points = static_cast<long long>(hologram.litSamples.size());
        if (hologram.binarization) {
            summary.optimisation = hologram.binarization->optimisation;
            if (!options.optimised) summary.threshold = hologram.binarization->threshold;
        }
        summary.rawMinimum = hologram.rawRange.minimum;
        summary.rawMaximum = hologram.rawRange.maximum;
    } catch (const RunTimeError& error) {
        throw ExportError(ExitStatus::Input, object, error.description());
    } catch (const CalculationTooLong& error) {
        throw ExportError(ExitStatus::Input, object, error.what());
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Input, object, "out of memory");
    }
    // What the output holds: the binarized field when the options binarize.
    const HologramField& field = hologram.binarization ? hologram.binarization->field : hologram.field;
    summary.columns = field.columns();
    summary.rows = field.rows();

    try {
        WriteField(field, hologram.binarization.has_value(), options.depth, output);
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Write, output, "out of memory");
    }
    if (options.dpi)
        summary.physical = ComputePhysicalFigures(summary.columns, summary.rows, *options.dpi, options.scale,
                                                  options.wavelengthNm, options.distanceM);
    const bool reconstructed = !options.reconstruct.isEmpty() && !reconstruction.isEmpty();
    if (!options.report && !reconstructed) {
        summary.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        return summary;
    }
    try {
        const HologramGeometry& g = hologram.geometry;
        const ExecutionContext& context = RunContext(options.threads);
        const Reconstruction r = Reconstruct(field, g.columns, g.rows, {}, context);
        summary.figures = MeasureFigures(r, hologram.litSamples, g);
        if (reconstructed) {
            const QImage picture = ReconstructionImage(r, context);
            WriteReconstruction(picture, reconstruction);
            summary.reconstruction = reconstruction;
        }
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Write, reconstruction, "out of memory");
    }
    summary.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return summary;
}

namespace {

// JSON has no NaN or infinity: a figure that is none is null.
QJsonValue Number(std::optional<double> value) {
    return value && std::isfinite(*value) ? QJsonValue(*value) : QJsonValue();
}

QJsonObject Figures(const HologramFigures& f) {
    return {{QStringLiteral("fidelity"), Number(f.fidelity)},
            {QStringLiteral("uniformity"), Number(f.uniformity)},
            {QStringLiteral("efficiency"), Number(f.efficiency)}};
}

QJsonValue Optimisation(const std::optional<OptimisationRecord>& record) {
    if (!record) return QJsonValue();
    return QJsonObject{{QStringLiteral("before"), Figures(record->start)},
                       {QStringLiteral("after"), Figures(record->end)},
                       {QStringLiteral("iterations"), record->iterations},
                       {QStringLiteral("seconds"), record->seconds},
                       {QStringLiteral("keptBalanced"), record->keptStart}};
}

QJsonObject Figures(const PhaseFigures& f) {
    return {{QStringLiteral("efficiency"), Number(f.efficiency)},
            {QStringLiteral("uniformity"), Number(f.uniformity)},
            {QStringLiteral("spread"), Number(f.spread)},
            {QStringLiteral("fidelity"), Number(f.fidelity)}};
}

QJsonValue Refinement(const std::optional<RefinementRecord>& record) {
    if (!record) return QJsonValue();
    const std::string_view method = RefinementMethodEntryOf(record->method).name;
    return QJsonObject{
        {QStringLiteral("method"), QString::fromUtf8(method.data(), static_cast<qsizetype>(method.size()))},
        {QStringLiteral("before"), Figures(record->start)},
        {QStringLiteral("after"), Figures(record->end)},
        {QStringLiteral("iterations"), record->iterations},
        {QStringLiteral("seconds"), record->seconds}};
}

// What every line says: the object, the hologram's size, how it was made,
// where the reconstruction went and the seconds.
QJsonObject CommonJson(const ExportSummary& s) {
    return {{QStringLiteral("input"), s.input},
            {QStringLiteral("output"), s.output},
            {QStringLiteral("width"), s.width},
            {QStringLiteral("height"), s.height},
            {QStringLiteral("reps"), s.reps},
            {QStringLiteral("points"), s.points},
            {QStringLiteral("columns"), s.columns},
            {QStringLiteral("rows"), s.rows},
            {QStringLiteral("engine"), s.engine},
            {QStringLiteral("seed"), s.seed ? QJsonValue(QString::number(*s.seed)) : QJsonValue()},
            {QStringLiteral("reconstruction"),
             s.reconstruction.isEmpty() ? QJsonValue() : QJsonValue(s.reconstruction)},
            {QStringLiteral("seconds"), s.seconds}};
}

// A phase hologram's line: the panel, its figures and refinement in place
// of a print's raw range, threshold and optimisation.
QJsonObject PhaseJson(const ExportSummary& s, const PhaseSummary& phase) {
    QJsonObject json = CommonJson(s);
    json.insert(QStringLiteral("panel"), QJsonObject{{QStringLiteral("width"), phase.panelWidth},
                                                     {QStringLiteral("height"), phase.panelHeight}});
    json.insert(QStringLiteral("refinement"), Refinement(phase.refinement));
    const QJsonObject figures = Figures(phase.figures);
    for (auto figure = figures.begin(); figure != figures.end(); ++figure) json.insert(figure.key(), *figure);
    return json;
}

}  // namespace

QByteArray SummaryJson(const ExportSummary& s) {
    if (s.phase) return QJsonDocument(PhaseJson(s, *s.phase)).toJson(QJsonDocument::Compact);
    QJsonObject json = CommonJson(s);
    json.insert(QStringLiteral("rawMinimum"), s.rawMinimum);
    json.insert(QStringLiteral("rawMaximum"), s.rawMaximum);
    json.insert(QStringLiteral("threshold"), s.threshold ? QJsonValue(*s.threshold) : QJsonValue());
    json.insert(QStringLiteral("fidelity"), Number(s.figures.fidelity));
    json.insert(QStringLiteral("uniformity"), Number(s.figures.uniformity));
    json.insert(QStringLiteral("efficiency"), Number(s.figures.efficiency));
    json.insert(QStringLiteral("optimisation"), Optimisation(s.optimisation));
    if (s.physical) {
        const PhysicalFigures& f = *s.physical;
        json.insert(QStringLiteral("print"),
                    QJsonObject{{QStringLiteral("pitchMm"), f.pitchMm},
                                {QStringLiteral("widthMm"), f.widthMm},
                                {QStringLiteral("heightMm"), f.heightMm},
                                {QStringLiteral("wavelengthNm"), f.wavelengthNm},
                                {QStringLiteral("distanceM"), f.distanceM},
                                {QStringLiteral("maxAngleDegrees"), Number(f.maxAngleDegrees)},
                                {QStringLiteral("screenImageMm"), Number(f.screenImageMm)},
                                {QStringLiteral("screenSpanMm"), Number(f.screenSpanMm)}});
    }
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

}  // namespace marbleck::cli
