#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/phase/Kinoform.h"
#include "engine/scenes/ScenePlane.h"

namespace marbleck {

// The ways a complex hologram field U on a ScenePlane is shown or printed.
//
//  complex       U as it is (the SceneField itself; nothing to compute).
//  phase         φ = arg U in [0, 2π): a phase hologram for a modulator,
//                which MapToPanel (engine/phase/PanelMap.h) puts on the
//                panel with its lookup table, tilt and lens.
//  amplitude     the interference of U/max|U| with an off-axis plane
//                reference wave, I = |U/max|U| + a·e^(iψ)|², normalised to
//                0 … 1: a field for printing, which Binarize, MedianThreshold
//                and the binarization table take as they take the amplitude
//                kind's normalised field, under GeometryOfPlane (the
//                optimised method judges its steps by the far field at the
//                object's lit samples, which a caller gives as canvas bins).
//  double-phase  A = |U|/max|U|, θ = arg U ± acos A on a checkerboard (+ where
//                row + column is even): a phase hologram whose low-pass
//                filtered transmittance is U/max|U|.
enum class FieldEncoding { Complex, Phase, Amplitude, DoublePhase };

// The encodings' names as a front end takes them: "complex", "phase",
// "amplitude", "double-phase", in the enum's order.
std::span<const std::string_view> FieldEncodingNames();
std::string_view FieldEncodingName(FieldEncoding encoding);
// The encoding named `name`, or nothing for a name not in the list.
std::optional<FieldEncoding> FindFieldEncoding(std::string_view name);

// The plane reference wave of the amplitude encoding: a·e^(iψ(x, y)) with
// ψ = 2π (sinX·x + sinY·y) / λ, x and y the plane's own (ScenePlane::x, y).
struct ReferenceWave {
    double sinX = 0;  // the sine of its angle to the axis in the x–z plane
    double sinY = 0;  // and in the y–z plane
    double amplitude = 1;
};

// The reference a hologram of `pitch` at `wavelength` (both in metres) gets
// unless the caller sets one: a carrier at a quarter of the sampling
// frequency along x, sinX = λ / (4·pitch), sinY = 0, amplitude 1.
ReferenceWave DefaultReferenceWave(double wavelength, double pitch);

// Throws std::invalid_argument for a field whose values do not fill its
// plane (values.size() != columns × rows, a side below 1, a pitch not above
// 0) or, from the encodings below, holding a value that is not a finite
// number.
void CheckSceneField(const SceneField& field);

// arg U wrapped into [0, 2π) (a value of 0 gives 0), columns × rows of the
// plane, column by column (HologramField's layout, column c row r at
// (c, r)).
HologramField PhaseOfField(const SceneField& field, const ExecutionContext& context = {});

// The double-phase coding of U, laid out as PhaseOfField's. A field that is
// 0 everywhere codes as A = 0.
HologramField DoublePhaseOfField(const SceneField& field, const ExecutionContext& context = {});

// The amplitude encoding: I at every value, then (I − min I) / (max I −
// min I) formed in 64-bit and rounded to 32-bit once, columns × rows column
// by column; a field whose I is the same everywhere gives zeros (as
// Normalise leaves a field without range). Throws std::invalid_argument for
// a wavelength not above 0, an amplitude not above 0 or not finite, or an
// angle the plane's pitch cannot carry: |sinX| or |sinY| above λ / (2·pitch)
// (beyond it the fringes alias) or not finite.
HologramField AmplitudeOfField(const SceneField& field, double wavelength, const ReferenceWave& reference,
                               const ExecutionContext& context = {});

// The geometry under which the binarization table (engine/binarization/
// Binarization.h) and Normalise see a field of the plane: W = columns,
// H = rows, reps 1, so that columns, rows, fieldColumns and fieldRows are the
// plane's sides. Throws what MakeHologramGeometry throws.
HologramGeometry GeometryOfPlane(const ScenePlane& plane);

// A phase hologram of a phase field from PhaseOfField or DoublePhaseOfField
// (values in [0, 2π)), for MapToPanel, the view's grey levels and the
// phase kind's files: its geometry GeometryOfPlane's, its phase and grey
// levels (φ / 2π × 255 rounded, as every phase hologram's); no lit samples,
// figures or refinement. Throws std::invalid_argument for a phase outside
// [0, 2π) or not a number.
PhaseHologram PhaseHologramOfField(HologramField phase);

}  // namespace marbleck
