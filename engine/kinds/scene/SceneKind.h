#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/binarization/Binarization.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/kinds/HologramKind.h"
#include "engine/phase/PanelMap.h"
#include "engine/scenes/FieldEncoding.h"
#include "engine/scenes/FocusByDepth.h"
#include "engine/scenes/Scene.h"
#include "engine/scenes/ScenePlane.h"
#include "engine/scenes/SpotRefinement.h"

namespace marbleck {

// How a scene's field is formed: the exact point sum, or the layer method.
enum class SceneMethod { Points, Layers };

// The depths (metres) a scene hologram is reconstructed at: `steps` evenly
// from `nearDepth` to `farDepth`, both included (one step: nearDepth alone).
struct SceneFocus {
    double nearDepth = 0;
    double farDepth = 0;
    int steps = 1;
};

// The largest side of a scene hologram, and the most values a focal stack's
// pictures may hold together (a gibibyte of intensities).
inline constexpr int MaxSceneSide = 8192;
inline constexpr long long MaxFocalStackValues = 1LL << 28;
// The most wavelengths one hologram takes, and the most layers.
inline constexpr int MaxSceneWavelengths = 16;
inline constexpr int MaxSceneLayers = 4096;

// The default wavelengths (metres) of a colour scene, red, green and blue
// (each field from its channel), and of a grey one.
inline constexpr double ColourWavelengths[3] = {638e-9, 520e-9, 450e-9};
inline constexpr double GreyWavelength = 633e-9;

// What a scene hologram is made as: its plane, light, method, encoding,
// 3-D spots and reconstruction depths; for a colour-plus-depth scene, the
// depth picture a front end reads with the colour picture.
struct ScenePostProcessing : KindPostProcessing {
    ScenePlane plane{1024, 1024, 8e-6};
    // Metres; empty for the scene's defaults (ColourWavelengths, one for
    // each channel, or GreyWavelength).
    std::vector<double> wavelengths;
    SceneMethod method = SceneMethod::Points;
    int layers = 0;  // the layer method's; 0: one a distinct depth (LayerOptions)
    // The layer method's: each layer masked by the nearer layers' silhouettes.
    bool occlusion = false;
    FieldEncoding encoding = FieldEncoding::Phase;
    // Weighted Gerchberg–Saxton iterations on the scene's points as spots
    // (a phase hologram); 0 for none.
    int spotIterations = 0;
    // None: the points' mean depth.
    std::optional<SceneFocus> focus;
    // The depth picture's file (its name's bytes), "" for a point cloud,
    // and the distances its nearest and farthest levels stand for.
    std::string depthMap;
    double nearDepth = 0;
    double farDepth = 0;
    // The spacing of a depth picture's points in metres; 0: the plane's pitch.
    double objectPitch = 0;

    // The panel a phase or double-phase encoding (or the spots' phase) is
    // mapped onto by MapToPanel, its size the plane's; none: the phase's own
    // grey levels. A lookup table's file (its name's bytes) is read into it
    // by readInputFiles.
    std::optional<PanelSettings> panel;
    std::string lookupFile;
    // The amplitude encoding's reference wave: its angles to the axis in
    // degrees, in the x–z and the y–z plane; none: DefaultReferenceWave.
    std::optional<std::pair<double, double>> referenceDegrees;
    // The amplitude encoding's binarization (threshold or balanced); none:
    // the values 0 … 1.
    std::optional<BinarizationRequest> binarization;

    // The depth picture, which a front end reads with the colour picture,
    // and the panel's lookup table.
    std::vector<KindInputFile> inputFiles() const override;
    // A copy with the lookup table read into the panel; null without one.
    std::shared_ptr<const KindPostProcessing> readInputFiles() const override;
    // The complex encoding's.
    bool complexValues() const override { return encoding == FieldEncoding::Complex && spotIterations == 0; }
};

// One field a scene hologram holds: its wavelength (metres), the colour
// channel its amplitudes came from (0 red, 1 green, 2 blue).
struct SceneWave {
    double wavelength = 0;
    int channel = 0;
};

// The waves of a scene under `steps`: the given wavelengths, each from the
// red channel of a grey scene or, for a colour scene, from the channel of
// its place (red, green, blue, then red again); or the defaults.
std::vector<SceneWave> SceneWaves(const Scene& scene, const ScenePostProcessing& steps);

// The reference wave of the amplitude encoding at `wavelength` on `plane`:
// the angles of `steps` (sin of each), or DefaultReferenceWave.
ReferenceWave SceneReferenceWave(const ScenePostProcessing& steps, double wavelength);

// Throws std::invalid_argument naming the option when the reference angles
// (degrees) give fringes finer than the pitch carries at `wavelength`
// (metres): sin θ above λ / (2·pitch) either way.
void CheckReferenceAngles(std::pair<double, double> degrees, double wavelength, double pitch);

// A hologram of a 3-D scene in physical units: one complex field a
// wavelength and its encoding (of the first wavelength's field), which the
// view, the level files (PNG, BMP) and the value files (TIFF, NumPy) hold;
// for the complex encoding, the complex fields themselves.
class SceneHologram : public Hologram {
public:
    // What the kind's engine calls made of a scene.
    struct Made {
        std::vector<SceneWave> waves;
        std::vector<SceneField> fields;  // one a wave, on steps.plane; none with spots
        // The scene the fields are of, kept with the hologram.
        std::shared_ptr<const Scene> scene;
        std::size_t points = 0;
        double meanDepth = 0;
        double sumSeconds = 0;
        int layers = 0;  // the layer method's layers; 0 for the exact sum
        std::optional<SpotHologram> spots;
    };
    // Encodes the fields as `steps` asks, or takes the spots' phase. Throws
    // what the encodings throw.
    SceneHologram(const ScenePostProcessing& steps, Made made, const ExecutionContext& context = {});

    const std::vector<SceneField>& fields() const { return fields_; }
    const std::vector<SceneWave>& waves() const { return waves_; }
    FieldEncoding encoding() const { return settings_.encoding; }
    // The scene the hologram was made of; null where none was kept.
    const std::shared_ptr<const Scene>& scene() const { return scene_; }
    // What the hologram passes of the light that reconstructs it, on its own
    // plane, at the first wavelength: the complex field itself, e^(iφ) of a
    // phase (the 3-D spots' and the double-phase coding's too; on a panel, the
    // panel's φ), or the amplitude hologram I lit by its own reference wave,
    // I·e^(iψ).
    SceneField transmittance() const;
    // The phase a modulator shows, of the phase and double-phase encodings
    // and of the 3-D spots, before any panel map; null for the complex and
    // amplitude encodings.
    const PhaseHologram* phaseHologram() const { return phase_ ? &*phase_ : nullptr; }
    // The depths reconstruct() shows, nearest first.
    std::vector<double> focusDepths() const;
    // What the hologram was encoded as (its plane, encoding, panel,
    // reference wave and binarization among them).
    const ScenePostProcessing& postProcessing() const { return settings_; }
    // The threshold the amplitude encoding was binarized at; none where it
    // was not.
    std::optional<double> binarizationThreshold() const { return threshold_; }

    const HologramKind& kind() const override;
    const HologramGeometry& geometry() const override { return geometry_; }
    std::span<const ObjectPoint> litSamples() const override { return {}; }
    ViewLevels view() const override;
    FileContent fileContent() const override;
    // The intensity of the first wavelength's encoded hologram (the complex
    // field, e^(iφ) of a phase, the amplitude hologram lit by its reference)
    // at each focus depth (Refocus), the pictures one below the other,
    // nearest first, as a Reconstruction of columns × (rows · depths).
    Reconstruction reconstruct(const ExecutionContext& context = {}) const override;
    // How well the scene's points come to focus in the reconstruct()ed
    // light of the first wavelength, each at its own depth
    // (MeasureFocusByDepth), kept for details() until the hologram is
    // encoded again.
    void measureFocus(std::span<const ScenePoint> points, const ExecutionContext& context = {});
    // The 3-D spots' efficiency and uniformity; none without them.
    Figures figures(const Reconstruction* reconstructed = nullptr,
                    const ExecutionContext& context = {}) const override;
    // The physical figures: columns, rows, pitchUm, widthMm, heightMm,
    // wavelengthsNm, method, layers, occlusion, encoding, points,
    // pointPixelsPerSecond, sumSeconds, focusM; after measureFocus,
    // focusFigures: meanShare, and depths, each depth's points and share
    // under the depth in metres as its name.
    NamedValues details() const override;
    // The 3-D spots' iterations, seconds, overall and per-depth figures.
    NamedValues record() const override;
    // Encodes the fields again as a ScenePostProcessing on the same plane
    // asks (its spots and wavelengths are the hologram's own).
    void postProcess(const KindPostProcessing& steps, const ExecutionContext& context = {}) override;
    std::unique_ptr<Hologram> clone() const override { return std::make_unique<SceneHologram>(*this); }

private:
    void encode(const ExecutionContext& context);

    ScenePostProcessing settings_;
    std::vector<SceneWave> waves_;
    std::vector<SceneField> fields_;
    std::shared_ptr<const Scene> scene_;
    std::size_t points_ = 0;
    double meanDepth_ = 0;
    double sumSeconds_ = 0;
    int layers_ = 0;
    std::optional<SpotHologram> spots_;
    std::optional<SceneFocusFigures> focus_;
    HologramGeometry geometry_;
    // The encoding's grey levels (as values whose GreyLevel they are), its
    // values (none for the complex encoding), and the levels column by column.
    HologramField levels_;
    HologramField values_;
    std::vector<std::uint8_t> view_;
    bool binarized_ = false;  // values_ and levels_ 0 and 255
    std::optional<double> threshold_;
    std::optional<PhaseHologram> phase_;
};

// The kinds table's "scene" entry: holograms of .ply and .xyz point clouds
// and of colour-plus-depth pictures (--depth-map).
const HologramKind& SceneKind();

}  // namespace marbleck
