#include "cli/PhaseExport.h"

#include <QElapsedTimer>
#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <string_view>

#include "engine/Reconstruction.h"
#include "input/picture/ObjectFile.h"
#include "output/OutputFormats.h"
#include "platform/RunTimeError.h"

namespace marbleck::cli {

namespace {

// Makers' tables are a few kilobytes; anything far larger is no table.
constexpr qint64 LargestLookupFile = 1 << 20;

// The panel's grey levels as a field whose 8-bit grey levels they are.
HologramField LevelField(const std::vector<std::uint8_t>& levels, int columns, int rows) {
    HologramField field(columns, rows);
    std::vector<float>& values = field.values();
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(levels[i]) / 255.0f;
    return field;
}

}  // namespace

PhaseLookupTable ReadLookupTableFile(const QString& path) {
    QByteArray text;
    try {
        const std::unique_ptr<QFile> file = OpenObjectFile(path);
        text = file->read(LargestLookupFile + 1);
        if (file->error() != QFileDevice::NoError)
            throw ExportError(ExitStatus::Input, path, file->errorString().toStdString());
    } catch (const RunTimeError& error) {
        throw ExportError(ExitStatus::Input, path, error.description());
    }
    if (text.size() > LargestLookupFile)
        throw ExportError(ExitStatus::Input, path, "more than 1 MiB, not a lookup table");
    try {
        return ParseLookupTable(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    } catch (const std::invalid_argument& error) {
        throw ExportError(ExitStatus::Input, path, error.what());
    }
}

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

PhaseHologram CalculateObjectPhaseHologram(const CliOptions& options, const QImage& image, std::uint64_t seed,
                                           const ExportProgress& progress) {
    PhaseHologram result;
    // A kinoform sums the imaginary part besides the real one.
    CalculateWithinLimits(options, image, seed, progress, 2,
                          [&](HologramRequest&& hologram, const CalculationControl& control) {
                              PhaseRequest request;
                              request.brightness = SampleBrightness(image, hologram.object.litSamples);
                              request.hologram = std::move(hologram);
                              if (options.phase) request.refinement = options.phase->refinement;
                              result = MakePhaseHologram(std::move(request), control);
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
        panel = MapToPanel(hologram, panelSettings);
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
            WriteReconstruction(ReconstructionImage(ReconstructPhase(panel.phase, width, height)),
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
