#include "engine/kinds/scene/SceneKind.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

#include "engine/kinds/HologramJob.h"
#include "engine/kinds/scene/SceneKindOptions.h"
#include "engine/scenes/LayerHologram.h"
#include "engine/scenes/PointSum.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const KindOption Options[] = {
    {"size", "WxH",
     "With a 3-D scene: the hologram's size in pixels (default 1024x1024, at most 8192x8192)."},
    {"pitch", "UM", "With a 3-D scene: the hologram's pixel pitch in micrometres (default 8).", false, true},
    {"wavelength", "NM[,NM...]",
     "With a 3-D scene: the wavelengths in nm, one field each (default 638,520,450 for a colour scene, each "
     "from its channel, 633 for a grey one).",
     false, true},
    {"method", "METHOD",
     "With a 3-D scene: points or layers; points (the default) sums every point's spherical wave exactly; "
     "layers cuts the "
     "depths into layers taken to the hologram by the band-limited angular spectrum."},
    {"layers", "N",
     "With --method layers: N layers evenly over the scene's depths (default: one a distinct depth, at "
     "most 256)."},
    {"occlusion", "",
     "With --method layers: mask each layer by the silhouettes of the nearer layers, so that near points "
     "hide those behind them."},
    {"encode", "ENCODING",
     "With a 3-D scene: complex, phase, amplitude or double-phase: the complex field (-o FILE.npy, "
     "complex64, or -o FILE.tif, its real and imaginary parts as FILE.re.tif and FILE.im.tif, 32-bit float, "
     "a page a wavelength), its phase "
     "(the default), an amplitude hologram against an off-axis reference, or the double-phase coding. The "
     "phase encodings go onto a panel with --slm, --two-pi, --lut, --tilt and --lens as with --phase; the "
     "amplitude one takes --reference-angle and --binarize."},
    {"refine", "N",
     "With a 3-D scene: place the points as spots by N weighted Gerchberg-Saxton iterations (a phase "
     "hologram).",
     false, true},
    {"focus", "M|M1:M2:N",
     "With a 3-D scene and --reconstruct: the depth in metres to reconstruct at (default: the points' mean "
     "depth), or N depths from M1 to M2, the pictures one below the other in one PNG, nearest first."},
    {"slm", "WxH",
     "With a 3-D scene's phase or double-phase encoding: the panel's size, which the hologram takes.", false,
     true},
    {"two-pi", "G", "With a 3-D scene's phase: the grey level that delays by 2π (1 to 255, default 255).",
     false, true},
    {"lut", "FILE", "With a 3-D scene's phase: the panel's lookup table, instead of --two-pi.", true, true},
    {"tilt", "FX,FY", "With a 3-D scene's phase: a blazed grating of FX and FY cycles per pixel.", false,
     true},
    {"lens", "F",
     "With a 3-D scene's phase: a lens term of focal length F metres at the hologram's pitch and wavelength.",
     false, true},
    {"reference-angle", "DEG|DEGX,DEGY",
     "With --encode amplitude: the reference wave's angle to the axis in degrees along x (and y), its "
     "fringes "
     "at most the pitch's limit, sin θ <= λ/(2·pitch) (default: sin θ = λ/(4·pitch) along x)."},
    {"binarize", "T|balanced",
     "With --encode amplitude: the printed hologram binarized at the threshold T or at its median.", false,
     true},
    {"near", "M", "With --depth-map: the distance in metres of the depth picture's level 0."},
    {"far", "M", "With --depth-map: the distance in metres of its largest level."},
    {"object-pitch", "UM",
     "With --depth-map: the spacing of the picture's points in micrometres (default: the hologram's "
     "--pitch)."},
};

constexpr std::string_view SceneFiles[] = {"ply", "xyz"};

const ScenePostProcessing& StepsOf(const HologramJob& job) {
    static const ScenePostProcessing plain;
    const auto* steps = dynamic_cast<const ScenePostProcessing*>(job.postProcessing.get());
    return steps != nullptr ? *steps : plain;
}

double MeanDepth(const Scene& scene) {
    double sum = 0;
    for (const ScenePoint& point : scene.points) sum += point.z;
    return scene.points.empty() ? 0 : sum / static_cast<double>(scene.points.size());
}

SpotHologram MakeSpots(const Scene& scene, const ScenePostProcessing& steps, double wavelength,
                       const ExecutionContext& context) {
    SpotRequest request;
    request.plane = steps.plane;
    request.wavelength = wavelength;
    request.iterations = steps.spotIterations;
    for (const ScenePoint& point : scene.points) {
        const float amplitude = std::max({point.colour[0], point.colour[1], point.colour[2]});
        if (amplitude > 0)
            request.spots.push_back({point.x, point.y, point.z, double{amplitude} * amplitude});
    }
    if (request.spots.empty()) throw std::invalid_argument("the scene has no lit point to place as a spot");
    if (request.spots.size() > static_cast<std::size_t>(MaxSpots))
        throw std::invalid_argument("--refine places at most " + std::to_string(MaxSpots) +
                                    " spots; the scene has " + std::to_string(request.spots.size()) +
                                    " lit points");
    return RefineSpots(request, context);
}

std::unique_ptr<Hologram> Make(const HologramJob& job, const ExecutionContext& context, JobTimings& seconds) {
    // A canvas object has no depth: a window or a caller that chose this kind
    // without a scene gets a run-time error, not a hologram of nothing.
    if (!job.scene)
        throw RunTimeError(
            ErrorNumber::InvalidPropertyValue,
            "Invalid property value: a 3-D hologram is made of a 3-D scene, and there is none");
    const Scene& scene = *job.scene;
    const ScenePostProcessing& steps = StepsOf(job);
    SceneHologram::Made made;
    made.waves = SceneWaves(scene, steps);
    made.scene = job.scene;
    made.points = scene.points.size();
    made.meanDepth = MeanDepth(scene);
    if (steps.panel && steps.spotIterations == 0 && made.waves.size() > 1)
        throw std::invalid_argument("a panel shows one wavelength; the colour scene has " +
                                    std::to_string(made.waves.size()) + ": give one --wavelength NM");
    const auto start = Clock::now();
    if (steps.spotIterations > 0) {
        made.spots = MakeSpots(scene, steps, made.waves.front().wavelength, context);
        made.waves.resize(1);
        seconds.postProcessing = made.spots->seconds;
    } else {
        for (const SceneWave& wave : made.waves) {
            if (steps.method == SceneMethod::Layers) {
                LayerOptions layers;
                layers.layers = steps.layers;
                layers.channel = wave.channel;
                layers.randomPhase = job.randomPhase;
                layers.seed = job.seed;
                layers.occlusion = steps.occlusion;
                LayerHologram layered =
                    MakeLayerHologram(scene, steps.plane, wave.wavelength, layers, context);
                made.layers = static_cast<int>(layered.depths.size());
                made.fields.push_back(std::move(layered.field));
            } else {
                PointSumOptions sum;
                sum.wavelength = wave.wavelength;
                sum.channel = wave.channel;
                sum.randomPhases = job.randomPhase;
                sum.seed = job.seed;
                made.fields.push_back(SumPoints(scene, steps.plane, sum, context));
            }
        }
        seconds.sums = SecondsSince(start);
    }
    made.sumSeconds = seconds.sums;
    const auto encoding = Clock::now();
    auto hologram = std::make_unique<SceneHologram>(steps, std::move(made), context);
    seconds.normalising = SecondsSince(encoding);
    // The focus figures go with the reconstruction they measure.
    if (job.figures && job.reconstruction) hologram->measureFocus(scene.points, context);
    return hologram;
}

const HologramKind Kind{
    .name = "scene",
    .label = "&3-D Scene",
    .caption = "3-D hologram",
    .plural = "3-D holograms",
    .sumsPerPoint = 1,
    .recordName = "spots",
    .choice = {"depth-map", "DEPTH",
               "Make a 3-D hologram of the colour picture OBJECT and its depth picture DEPTH "
               "(8- or 16-bit grey, level 0 nearest); needs --near and --far. A .ply or "
               ".xyz OBJECT is a 3-D scene of its own.",
               true},
    .options = Options,
    .readOptions = ReadSceneOptions,
    .make = Make,
    .progressStage = "calculating",
    .weighsBrightness = false,
    .sceneFiles = SceneFiles};

}  // namespace

std::vector<SceneWave> SceneWaves(const Scene& scene, const ScenePostProcessing& steps) {
    std::vector<SceneWave> waves;
    if (steps.wavelengths.empty()) {
        if (!scene.coloured) return {{GreyWavelength, 0}};
        for (int channel = 0; channel < 3; ++channel) waves.push_back({ColourWavelengths[channel], channel});
        return waves;
    }
    for (std::size_t i = 0; i < steps.wavelengths.size(); ++i)
        waves.push_back({steps.wavelengths[i], scene.coloured ? static_cast<int>(i % 3) : 0});
    return waves;
}

const HologramKind& SceneKind() { return Kind; }

}  // namespace marbleck
