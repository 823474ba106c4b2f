#include "cli/PhaseExport.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <stdexcept>
#include <string_view>

#include "engine/CalculationWork.h"
#include "engine/Reconstruction.h"
#include "output/OutputFormats.h"
#include "platform/RunTimeError.h"

namespace marbleck::cli {

namespace {

// The panel's grey levels as a field whose 8-bit grey levels they are.
HologramField LevelField(const std::vector<std::uint8_t>& levels, int columns, int rows) {
    HologramField field(columns, rows);
    std::vector<float>& values = field.values();
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(levels[i]) / 255.0f;
    return field;
}

}  // namespace

std::vector<float> SampleBrightness(const QImage& image, const std::vector<ObjectPoint>& samples) {
    // The object reader's pictures are 32-bit already; anything else is converted once.
    const QImage colours = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                               ? image
                               : image.convertToFormat(QImage::Format_RGB32);
    if (colours.isNull() && !image.isNull()) throw std::bad_alloc();
    std::vector<float> brightness;
    brightness.reserve(samples.size());
    for (const ObjectPoint& p : samples) {
        const QRgb pixel = reinterpret_cast<const QRgb*>(colours.constScanLine(p.y))[p.x];
        const int grey = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)});
        brightness.push_back(BrightnessOfLevel(grey));
    }
    return brightness;
}

void RefuseUnboundedRefinement(const CliOptions& options, const HologramGeometry& geometry) {
    if (!options.phase || !options.phase->refinement || options.maxSeconds) return;
    const int iterations = options.phase->refinement->iterations;
    if (RefinementValues(geometry, iterations) <= RefinementWorkBound) return;
    const double minutes =
        RefinementSeconds(geometry, iterations, RunContext(options.threads).pool().size()) / 60.0;
    throw CalculationTooLong(
        QStringLiteral("%1 iterations × %2 values is more than the 2^%3 bound of a refinement (about %4 "
                       "min here); use fewer iterations, or --max-seconds S to go on")
            .arg(iterations)
            .arg(static_cast<long long>(geometry.columns) * geometry.rows)
            .arg(RefinementWorkBoundExponent)
            .arg(std::ceil(minutes), 0, 'f', 0)
            .toStdString());
}

PhaseHologram CalculateObjectPhaseHologram(const CliOptions& options, const QImage& image, std::uint64_t seed,
                                           const ExportProgress& progress) {
    // Refused before the picture is read into samples, as the reps are.
    const HologramGeometry geometry = MakeHologramGeometry(static_cast<float>(image.width()),
                                                           static_cast<float>(image.height()), options.reps);
    RefuseUnvisitedHologram(geometry);
    RefuseUnboundedRefinement(options, geometry);
    PhaseHologram result;
    // A kinoform sums the imaginary part besides the real one.
    CalculateWithinLimits(options, image, seed, progress, 2,
                          [&](HologramRequest&& hologram, const ExecutionContext& context) {
                              PhaseRequest request;
                              request.brightness = SampleBrightness(image, hologram.object.litSamples);
                              request.hologram = std::move(hologram);
                              if (options.phase) request.refinement = options.phase->refinement;
                              result = MakePhaseHologram(std::move(request), context);
                          });
    return result;
}

ExportSummary ExportPhaseHologram(const CliOptions& options, const QString& object, const QString& output,
                                  std::uint64_t seed, const ExportProgress& progress,
                                  const QString& reconstruction) {
    QElapsedTimer timer;
    timer.start();
    const QImage image = ReadObjectImage(object);
    ExportSummary summary = SummaryOf(options, object, output, image, seed);

    const PanelSettings panelSettings = options.phase ? options.phase->panel : PanelSettings{};
    PhaseHologram hologram;
    PanelMap panel;
    try {
        hologram = CalculateObjectPhaseHologram(options, image, seed, progress);
        panel = MapToPanel(hologram, panelSettings, RunContext(options.threads));
    } catch (const RunTimeError& error) {
        throw ExportError(ExitStatus::Input, object, error.description());
    } catch (const CalculationTooLong& error) {
        throw ExportError(ExitStatus::Input, object, error.what());
    } catch (const std::invalid_argument& error) {
        throw ExportError(ExitStatus::Input, object, error.what());
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Input, object, "out of memory");
    }
    summary.points = static_cast<long long>(hologram.litSamples.size());
    summary.columns = hologram.geometry.columns;
    summary.rows = hologram.geometry.rows;
    const int width = panel.phase.columns();
    const int height = panel.phase.rows();
    summary.phase = PhaseSummary{width, height, hologram.figures, hologram.refinement};

    try {
        // Float formats hold the phase itself, grey ones what the panel shows.
        const OutputFormat* format = OutputFormatOf(output);
        if (format != nullptr && format->depths.empty())
            WriteField(panel.phase, false, 8, output);
        else
            WriteField(LevelField(panel.levels, width, height), false, 8, output);
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Write, output, "out of memory");
    }
    if (!options.reconstruct.isEmpty() && !reconstruction.isEmpty()) {
        try {
            const ExecutionContext& context = RunContext(options.threads);
            WriteReconstruction(
                ReconstructionImage(ReconstructPhase(panel.phase, width, height, {}, context), context),
                reconstruction);
        } catch (const std::bad_alloc&) {
            throw ExportError(ExitStatus::Write, reconstruction, "out of memory");
        }
        summary.reconstruction = reconstruction;
    }
    summary.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return summary;
}

}  // namespace marbleck::cli
