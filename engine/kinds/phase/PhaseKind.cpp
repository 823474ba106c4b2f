#include "engine/kinds/phase/PhaseKind.h"

#include <chrono>
#include <string>

#include "engine/kinds/HologramJob.h"
#include "engine/kinds/phase/PhaseKindOptions.h"

namespace marbleck {

namespace {

using Clock = std::chrono::steady_clock;

// The command line's --help lists them so, after the switch.
const std::string RefineMethodHelp = "With --refine: " + RefinementMethodChoices(true) + ".";
const KindOption Options[] = {
    {"refine", "N",
     "With --phase: refine the kinoform by N iterations of --refine-method, which move light from the noise "
     "onto the object's points; with a 3-D scene: place its points as spots by N weighted iterations."},
    {"refine-method", "METHOD", RefineMethodHelp},
    {"slm", "WxH", "With --phase: the panel's size in pixels (default: the hologram's own size)."},
    {"fill", "tile|pad",
     "With --slm: tile (the default) repeats the hologram from the top left corner, pad centres it with "
     "phase 0 around it."},
    {"two-pi", "G", "With --phase: the grey level that delays by 2π (1 to 255, default 255)."},
    {"lut", "FILE",
     "With --phase: the panel's lookup table, 256 lines of one grey level each (or an index and a level), "
     "entry k for the phase k · 2π / 256; instead of --two-pi.",
     true},
    {"tilt", "FX,FY",
     "With --phase: a blazed grating of FX and FY cycles per pixel (-0.5 to 0.5) along x and y, moving the "
     "image off the zero order."},
    {"lens", "F",
     "With --phase: a lens term of focal length F metres (negative diverges); needs --pitch, its wavelength "
     "is --wavelength (default 633)."},
    {"pitch", "UM",
     "The panel's pixel pitch in micrometres, for --lens; with a 3-D scene, the hologram's (default 8)."},
};

// The figures a refinement record holds.
constexpr std::string_view RecordFigures[] = {"fidelity", "spread", "uniformity", "efficiency"};

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

PanelSettings PanelOf(const PhasePostProcessing* steps) {
    return steps != nullptr && steps->panel ? *steps->panel : PanelSettings{};
}

std::unique_ptr<Hologram> Make(const HologramJob& job, const ExecutionContext& context, JobTimings& seconds) {
    const auto* steps = dynamic_cast<const PhasePostProcessing*>(job.postProcessing.get());
    PhaseRequest request;
    request.hologram = RequestOf(job);
    request.brightness = job.brightness;
    if (steps != nullptr) request.refinement = steps->refinement;
    PhaseHologram hologram = MakePhaseHologram(std::move(request), context);
    seconds.sums = hologram.sumSeconds;
    const auto start = Clock::now();
    auto made = std::make_unique<PhaseKindHologram>(std::move(hologram), PanelOf(steps), context);
    seconds.postProcessing = SecondsSince(start);
    if (made->hologram().refinement) seconds.postProcessing += made->hologram().refinement->seconds;
    return made;
}

const HologramKind Kind{.name = "phase",
                        .label = "&Phase (SLM)",
                        .caption = "Phase hologram",
                        .plural = "phase holograms",
                        .sumsPerPoint = 2,
                        .recordName = "refinement",
                        .choice = {"phase", "",
                                   "Write a phase hologram (kinoform) for a spatial light modulator instead: "
                                   "the phase of the points' complex sum, on the panel's pixels."},
                        .options = Options,
                        .readOptions = ReadPhaseOptions,
                        .make = Make,
                        .progressStage = "refining",
                        .weighsBrightness = true};

}  // namespace

Figures FiguresOf(const PhaseFigures& f) {
    Figures figures;
    figures.fidelity = f.fidelity;
    figures.spread = f.spread;
    figures.uniformity = f.uniformity;
    figures.efficiency = f.efficiency;
    return figures;
}

const HologramKind& PhaseKind() { return Kind; }

PhaseKindHologram::PhaseKindHologram(PhaseHologram hologram, const PanelSettings& panel,
                                     const ExecutionContext& context)
    : hologram_(std::move(hologram)) {
    mapTo(panel, context);
}

void PhaseKindHologram::mapTo(const PanelSettings& panel, const ExecutionContext& context) {
    PanelMap map = MapToPanel(hologram_, panel, context);
    HologramField levels(map.phase.columns(), map.phase.rows());
    std::vector<float>& values = levels.values();
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(map.levels[i]) / 255.0f;
    panel_ = std::move(map);
    panelLevels_ = std::move(levels);
}

const HologramKind& PhaseKindHologram::kind() const { return Kind; }

ViewLevels PhaseKindHologram::view() const {
    const HologramGeometry& g = hologram_.geometry;
    return {hologram_.greyLevels.data(), g.columns, g.rows, g.rows};
}

FileContent PhaseKindHologram::fileContent() const { return {&panelLevels_, &panel_.phase, false, false}; }

Reconstruction PhaseKindHologram::reconstruct(const ExecutionContext& context) const {
    context.stopIfCancelled();
    return ReconstructPhase(panel_.phase, panel_.phase.columns(), panel_.phase.rows(), {}, context);
}

Figures PhaseKindHologram::figures(const Reconstruction*, const ExecutionContext& context) const {
    context.stopIfCancelled();
    const HologramGeometry& g = hologram_.geometry;
    Figures figures = FiguresOf(hologram_.figures);
    const Reconstruction own =
        ReconstructPhase(hologram_.phase, g.columns, g.rows, {.removeZeroOrder = false}, context);
    figures.signalShare = MeasureAllFigures(own, hologram_.litSamples, g, ZeroOrder::Kept).signalShare;
    return figures;
}

NamedValues PhaseKindHologram::details() const {
    const HologramGeometry& g = hologram_.geometry;
    return {{"columns", {static_cast<long long>(g.columns)}},
            {"rows", {static_cast<long long>(g.rows)}},
            {"panel",
             {NamedValues{{"width", {static_cast<long long>(panel_.phase.columns())}},
                          {"height", {static_cast<long long>(panel_.phase.rows())}}}}}};
}

NamedValues PhaseKindHologram::record() const {
    if (!hologram_.refinement) return {};
    const RefinementRecord& r = *hologram_.refinement;
    return {{"method", {std::string(RefinementMethodEntryOf(r.method).name)}},
            {"before", {FigureValues(FiguresOf(r.start), RecordFigures)}},
            {"after", {FigureValues(FiguresOf(r.end), RecordFigures)}},
            {"iterations", {static_cast<long long>(r.iterations)}},
            {"seconds", {r.seconds}}};
}

void PhaseKindHologram::postProcess(const KindPostProcessing& steps, const ExecutionContext& context) {
    const auto* phase = dynamic_cast<const PhasePostProcessing*>(&steps);
    if (phase != nullptr && phase->refinement) {
        PhaseHologram refined = hologram_;
        RefinePhaseHologram(refined, *phase->refinement, context);
        PhaseKindHologram next(std::move(refined), PanelOf(phase), context);
        *this = std::move(next);
        return;
    }
    mapTo(PanelOf(phase), context);
}

}  // namespace marbleck
