#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/scenes/AngularSpectrum.h"
#include "engine/scenes/Scene.h"
#include "engine/scenes/ScenePlane.h"

namespace marbleck {

// How an intensity picture maps to 0 … 1: linear, I / max; or log,
// 10·log10(I / max) dB from −10·decades dB (and below, and zero) as 0 to
// 0 dB as 1, as the far-field reconstruction's log picture maps it.
enum class IntensityScale { linear, log };
inline constexpr double DefaultRefocusDecades = 3.0;

// The light of a hologram's field at any depth in front of it, seen as the
// hologram's own plane: C × R values at its pitch (the padding cut away).
//
// The sign: a scene point at depth z > 0 gives the hologram the diverging
// wave a·e^{ikr}/r, the wave of a point z behind the plane as light runs
// along +z. Taking the field back by −z (AngularSpectrum with distance −z)
// brings the point to focus at its own x and y: the depth z of a scene
// point is the distance −z of the propagation. This is the virtual image an
// eye sees through the hologram; the real image of the conjugate field lies
// at +z.
//
// The hologram's padded spectrum is made once (one forward transform), and
// the part of the transfer function every depth shares; each depth then
// costs its transfer function (a cosine and a sine a value), a product and
// one inverse transform. Each call takes a set of work arrays from those earlier calls
// left idle (a new set when none is), so that a redraw touches no new
// memory and several depths may be asked for at once from different threads.
class Refocus {
public:
    // Throws what AngularSpectrum throws, std::invalid_argument for a field
    // without one value for each point of its plane, and CalculationCancelled.
    Refocus(const SceneField& hologram, double wavelength, const ExecutionContext& context = {});

    const ScenePlane& plane() const { return spectrum_.plane(); }
    double wavelength() const { return spectrum_.wavelength(); }

    // The field at depth z (metres, either sign; 0 gives the hologram back).
    SceneField fieldAt(double depth, const ExecutionContext& context = {}) const;
    // |U|² at depth z, row by row.
    std::vector<float> intensityAt(double depth, const ExecutionContext& context = {}) const;
    // The same into `intensity` (C × R values).
    void intensityAt(double depth, std::span<float> intensity, const ExecutionContext& context = {}) const;

private:
    struct Work;
    class WorkShelf;
    // The spectrum times H of `depth` into a work set's padded array.
    void focusInto(double depth, Work& work, const ExecutionContext& context) const;

    AngularSpectrum spectrum_;
    AngularSpectrum::Padded hologramSpectrum_;
    AngularSpectrum::Slowness slowness_;  // what every depth's H shares
    std::shared_ptr<WorkShelf> shelf_;
};

// An intensity picture mapped to 0 … 1 (see IntensityScale); an all-zero
// picture stays zero. `maximum` > 0 takes the place of the picture's own
// maximum (one scale for several pictures). Values that are not numbers
// count as zero.
std::vector<float> ScaleIntensity(std::span<const float> intensity, IntensityScale scale,
                                  double decades = DefaultRefocusDecades, double maximum = 0);
// 0 … 1 as 8-bit grey levels, rounded to the nearest.
std::vector<std::uint8_t> GreyLevelsOf(std::span<const float> scaled);
// GreyLevelsOf(ScaleIntensity(intensity, scale, decades, maximum)), level
// for level, in one pass over the context's threads and with nothing in
// between: rows of `columns` levels into `rows`, each `stride` bytes after
// the one before (a picture's scan lines). Throws std::invalid_argument for
// an intensity that is no whole number of rows or a stride under a row.
void WriteGreyLevels(std::span<const float> intensity, int columns, std::uint8_t* rows, std::ptrdiff_t stride,
                     IntensityScale scale, double decades = DefaultRefocusDecades, double maximum = 0,
                     const ExecutionContext& context = {});

// |U|² at `steps` depths evenly from `nearDepth` to `farDepth` (both
// included; one step gives nearDepth alone). Progress after each picture;
// stops with CalculationCancelled between pictures and transforms. Throws
// std::invalid_argument for steps outside 1 … 1024 or depths that are not
// finite. Memory: steps pictures of C × R floats.
struct FocalStack {
    std::vector<double> depths;
    std::vector<std::vector<float>> intensities;
};
FocalStack MakeFocalStack(const Refocus& refocus, double nearDepth, double farDepth, int steps,
                          const ExecutionContext& context = {});

// How well each point of a scene comes to focus: at the point's depth, the
// light within 3 pixels (centre to centre) of its pixel (x/p + (C − 1)/2,
// y/p + (R − 1)/2, rounded) over all the light of that picture. One picture
// per distinct depth, at most DefaultLayerLimit (more depths: that many
// evenly from the nearest to the farthest, each point at the nearest).
// NaN for a point whose pixel lies outside the plane or whose depth's
// picture is dark; the mean leaves those out (NaN when none is left).
struct FocusFigures {
    std::vector<double> shares;  // one a point, in the scene's order
    double meanShare = 0;
};
FocusFigures MeasureFocus(const Refocus& refocus, std::span<const ScenePoint> points,
                          const ExecutionContext& context = {});

// The colour an eye sees at a wavelength (metres): red, green and blue, the
// largest 1, by a piecewise-linear fit to the visible spectrum; white
// outside 380 … 780 nm, so that infrared or ultraviolet light still shows.
std::array<float, 3> ColourOfWavelength(double wavelength);

// A colour picture, row by row: red, green and blue in 0 … 1.
struct ColourPicture {
    ScenePlane plane;
    std::vector<std::array<float, 3>> values;
};

// The light of several fields (one per wavelength, all on one plane) at one
// depth as one colour picture: each field's intensity scaled with one
// maximum over them all (so their relative brightness stays), times its
// wavelength's colour, added and clipped to 1. Throws std::invalid_argument
// for no fields or fields on different planes.
ColourPicture ColourAt(std::span<const Refocus* const> fields, double depth, IntensityScale scale,
                       double decades = DefaultRefocusDecades, const ExecutionContext& context = {});

}  // namespace marbleck
