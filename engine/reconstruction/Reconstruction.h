#pragma once

#include <complex>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"

namespace marbleck {

struct ReconstructionOptions {
    // Subtract the mean of the transmittance before the transform, so that the
    // undiffracted light (the zero order) does not outshine everything else.
    bool removeZeroOrder = true;
};

// The simulated far field of a hologram: the intensity |FFT2(t)|^2 of its
// transmittance t, unnormalised, zero frequency at the centre (index
// columns / 2, rows / 2), stored row by row (y outer, x inner), columns x rows.
// The bin `columns / 2 + k` holds k cycles per hologram width (k cycles /
// columns cycles per hologram pixel); bins wrap round, so on an even side the
// first bin holds the frequency −columns / 2 (the same as +columns / 2).
struct Reconstruction {
    int columns = 0;
    int rows = 0;
    std::vector<float> intensity;
    // The zero order's intensity, |sum of t|^2: what the centre bin holds
    // when the mean is not removed (removing it changes that bin only).
    double zeroOrder = 0;

    float at(int x, int y) const {
        return intensity[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) +
                         static_cast<std::size_t>(x)];
    }
    int centreX() const { return columns / 2; }
    int centreY() const { return rows / 2; }
};

// The reconstruction of grey levels: t = grey / 255, the levels stored column
// by column, `stride` levels a column, of which the first `rows` of the first
// `columns` columns are the hologram. After "Calculate" that is the pipeline's
// `grey` with geometry.columns x geometry.rows and stride geometry.rows; after
// Binarize, `grey` holds the whole field (stride field.rows()) as 0/255, i.e.
// t = 0/1: pass geometry.columns x geometry.rows and stride field.rows().
// Runs on the context's pool (one slice a thread for large holograms); each
// size is planned once and the plan kept with its arrays. Safe to call from
// any thread: a call that finds the kept plan in use makes one of its own,
// so concurrent calls run side by side and give the same values.
// Returns an empty reconstruction when columns or rows is 0. Throws
// std::invalid_argument for a context CheckExecutionContext refuses.
Reconstruction Reconstruct(const std::uint8_t* grey, int columns, int rows, int stride,
                           ReconstructionOptions options = {}, const ExecutionContext& context = {});

// The same from the field itself: t = GreyLevel(value) / 255, which equals the
// grey levels both after "Calculate" (normalised values) and after Binarize
// (0 / 255). Only the first columns x rows values are read.
Reconstruction Reconstruct(const HologramField& field, int columns, int rows,
                           ReconstructionOptions options = {}, const ExecutionContext& context = {});

// The reconstruction of a half spectrum (SpectrumPlan's layout: columns x
// (rows / 2 + 1), ku outer), |F|^2 spread over the whole centred picture by
// Hermitian symmetry. zeroOrder is left 0.
Reconstruction SpreadSpectrum(const std::complex<float>* halfSpectrum, int columns, int rows,
                              const ExecutionContext& context = {});

// The range of the log-scale picture, in decades below the brightest bin,
// that shows a letter object and its twin well above the noise.
inline constexpr double DefaultDecades = 3.0;

// The 8-bit log-scale picture of a reconstruction, row by row like it:
// 10·log10(intensity / maximum) dB mapped linearly so that 0 dB is 255 and
// −10·decades dB (and below, and zero intensity) is 0, rounded to the nearest
// level. An all-zero reconstruction is all black. The window and
// marbleck-cli --reconstruct both use it.
std::vector<std::uint8_t> LogScaleLevels(const Reconstruction& r, double decades = DefaultDecades,
                                         const ExecutionContext& context = {});

// An offset in bins from the centre of a reconstruction.
struct BinOffset {
    int dx = 0;
    int dy = 0;
    bool operator==(const BinOffset&) const = default;
};

// Where canvas sample `point` lands in the reconstruction of a hologram of
// `columns` x `rows` values (normally the geometry's columns x rows): the
// sample adds cos(u·ax + v·ay + phase) with ax = PointAngle(x, W) radians a
// hologram column, i.e. ax / 2π cycles a column, so its bin is
// round(ax / 2π · columns), likewise along y (halves away from zero). A real
// transmittance puts the same intensity at this bin and at its mirror through
// the centre: this one is called the object's image, the mirror its twin.
BinOffset ObjectBin(ObjectPoint point, const HologramGeometry& geometry, int columns, int rows);

// The index in r.intensity of bin (x, y), each wrapped round into the
// reconstruction (x = -1 is the last column).
std::size_t WrappedBin(const Reconstruction& r, int x, int y);

// What each bin of a reconstruction counts as in the figures below: signal
// (each lit point's ObjectBin and its 8 neighbours, wrapping round the
// edges), twin (a signal bin mirrored through the centre, unless itself a
// signal bin), centre (the 5 x 5 bins around the centre) or noise (the rest).
enum class BinKind : std::uint8_t { Noise, Signal, Twin, Centre };

// The kinds of the bins of a reconstruction of columns x rows, row by row.
std::vector<BinKind> ClassifyBins(int columns, int rows, std::span<const ObjectPoint> points,
                                  const HologramGeometry& geometry);

// The fidelity figure of a reconstruction formed with the zero order removed:
// the mean intensity over the signal bins (each lit point's ObjectBin and its
// 8 neighbours, wrapping round the edges, each bin counted once) divided by
// the mean intensity over the noise bins (every bin that is neither signal,
// nor twin (a signal bin mirrored through the centre), nor within the 5 x 5
// bins around the centre). The hologram's size N is the reconstruction's.
// NaN when there is no lit point or no noise bin; +infinity when the noise is
// exactly zero and the signal is not.
double FidelityFigure(const Reconstruction& meanRemoved, std::span<const ObjectPoint> points,
                      const HologramGeometry& geometry);

// What a reconstruction with the zero order removed says of a hologram.
struct HologramFigures {
    // FidelityFigure.
    double fidelity = 0;
    // The spread of the object's brightness: the standard deviation over the
    // mean of the light in the 3 x 3 bins around each lit point's ObjectBin
    // (a box per lit point, bins wrapping round, points sharing a bin counted
    // each). 0 for an even object; NaN without lit points or light on them.
    double uniformity = 0;
    // The share of the diffracted light (every bin of the mean-removed
    // reconstruction) on the signal and twin bins of FidelityFigure. NaN for
    // a reconstruction without light.
    double efficiency = 0;
};

// The three figures of one reconstruction formed with the zero order removed.
HologramFigures MeasureFigures(const Reconstruction& meanRemoved, std::span<const ObjectPoint> points,
                               const HologramGeometry& geometry);

}  // namespace marbleck
