#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include <vector>

#include "cli/CliOptions.h"
#include "cli/ObjectControl.h"
#include "engine/Binarization.h"
#include "engine/CalculationWork.h"
#include "engine/HologramField.h"
#include "engine/HologramGeometry.h"
#include "engine/HologramRequest.h"
#include "engine/HologramResult.h"
#include "engine/PhaseFigures.h"
#include "engine/PhysicalFigures.h"
#include "engine/Reconstruction.h"
#include "engine/Refinement.h"

namespace marbleck::cli {

// Exit statuses of the command line.
namespace ExitStatus {
inline constexpr int Success = 0;
inline constexpr int Usage = 1;
inline constexpr int Input = 2;  // an object that cannot be read, or no hologram to calculate
inline constexpr int Write = 3;  // an output that cannot be written
}  // namespace ExitStatus

// One input that failed: `file` is the object for an input or computation
// error, the output for a write error.
class ExportError : public std::runtime_error {
public:
    ExportError(int status, QString file, const std::string& reason, int runTimeError = 0)
        : std::runtime_error(reason), status_(status), file_(std::move(file)), runTimeError_(runTimeError) {}
    int status() const { return status_; }
    const QString& file() const { return file_; }
    // The run-time error the failure came from (61 for lack of space, 75
    // otherwise), or 0 when it did not come from one.
    int runTimeError() const { return runTimeError_; }

private:
    int status_;
    QString file_;
    int runTimeError_;
};

// A calculation refused for its size (above ExactWorkBound without
// --max-seconds) or stopped at --max-seconds; what() says how to go on.
class CalculationTooLong : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a --phase export did besides: the panel written, and the phase
// hologram's own figures and refinement (not the panel's).
struct PhaseSummary {
    int panelWidth = 0;
    int panelHeight = 0;
    PhaseFigures figures;
    std::optional<RefinementRecord> refinement;
};

// What one export did, as --report prints it.
struct ExportSummary {
    QString input;
    QString output;
    int width = 0;
    int height = 0;
    double reps = 0;
    long long points = 0;
    int columns = 0;
    int rows = 0;
    double rawMinimum = 0;
    double rawMaximum = 0;
    QString engine;
    std::optional<std::uint64_t> seed;  // only with random phases
    // The binarization's threshold, the median's value with --binarize median;
    // none with --binarize optimise, whose hologram is no threshold's.
    std::optional<double> threshold;
    // MeasureFigures of what OUTPUT holds (NaN: none, printed as null); only
    // with --report or --reconstruct.
    HologramFigures figures{std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::quiet_NaN()};
    // What --binarize optimise did: the figures it started from and ended at.
    std::optional<OptimisationRecord> optimisation;
    QString reconstruction;                   // where the reconstruction went, "" for nowhere
    std::optional<PhysicalFigures> physical;  // with --dpi
    // With --phase; then the raw range, threshold, figures and optimisation
    // above are not reported.
    std::optional<PhaseSummary> phase;
    double seconds = 0;
};

// The summary's first fields: the object, its size, the reps, the engine and
// the seed (only with random phases).
ExportSummary SummaryOf(const CliOptions& options, const QString& object, const QString& output,
                        const QImage& image, std::uint64_t seed);

// The picture of an object file as the window reads it (what the image
// libraries print meanwhile is not shown). Throws ExportError with the input
// status.
QImage ReadObjectImage(const QString& object);

// Throws CalculationTooLong for a calculation by an engine that adds every
// point into every value of `geometry` above ExactWorkBound without
// options.maxSeconds; `sums` is how many such sums it forms, for the time
// the message estimates.
void RefuseUnboundedWork(const CliOptions& options, const HologramGeometry& geometry,
                         const std::vector<ObjectPoint>& points, double sums = 1);

// The request the options make of `object`: their reps, engine, random
// phases from `seed` and binarization ("median" is the balanced method,
// "optimise" the optimised one with the options' budget).
HologramRequest ObjectRequest(const CliOptions& options, HologramObject object, std::uint64_t seed);

// Runs `calculate` on the request the options make of a decoded object image
// (ObjectRequest), within the command line's limits: reps that leave no
// hologram and unbounded work of `sums` sums are refused before it, and a
// --max-seconds deadline that passes while it runs becomes
// CalculationTooLong. The control reports progress as points done.
void CalculateWithinLimits(
    const CliOptions& options, const QImage& image, std::uint64_t seed, const ExportProgress& progress,
    double sums, const std::function<void(HologramRequest&&, const CalculationControl&)>& calculate);

// The hologram of a decoded object image as the options ask: every pixel
// that is not black is a point, W and H are the image's size, the phases come
// from a generator seeded with `seed`. Only the computation, from the image
// to the engine's result in memory (the normalised field, and apart from it
// the binarized one when the options binarize). Throws RunTimeError,
// std::bad_alloc, and CalculationTooLong for a calculation that adds every
// point into every value above ExactWorkBound without options.maxSeconds or
// one that ran past it.
HologramResult CalculateObjectHologram(const CliOptions& options, const QImage& image, std::uint64_t seed,
                                       const ExportProgress& progress = {});

// The reconstruction picture of a calculated (or binarized) hologram: the
// far field of its columns x rows values with the zero order removed, on the
// log scale of LogScaleLevels at DefaultDecades, zero frequency at pixel
// (columns / 2, rows / 2); row y of the image is the reconstruction's row y.
QImage ReconstructionImage(const Reconstruction& reconstruction);

// Calculates the hologram of the image `object` as the options ask, with
// random phases drawn from a generator seeded with `seed`, and writes the
// whole field to `output` atomically; with options.reconstruct, also the
// reconstruction picture to `reconstruction`. Throws ExportError.
ExportSummary ExportHologram(const CliOptions& options, const QString& object, const QString& output,
                             std::uint64_t seed, const ExportProgress& progress = {},
                             const QString& reconstruction = {});

// Writes the whole field by the output's extension (.png with 8 or 16 bits,
// .bmp, .tif or .tiff and .npy with 32-bit floats), atomically: an earlier file survives any failure. A
// binarized field holds 0 and 255. Throws ExportError with the write status.
void WriteField(const HologramField& field, bool binarized, int depth, const QString& output);

// Writes a reconstruction picture as a PNG, atomically. Throws ExportError
// with the write status.
void WriteReconstruction(const QImage& picture, const QString& output);

// The JSON line of a summary.
QByteArray SummaryJson(const ExportSummary& summary);

}  // namespace marbleck::cli
