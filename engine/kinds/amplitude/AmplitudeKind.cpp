#include "engine/kinds/amplitude/AmplitudeKind.h"

#include <chrono>

#include "engine/kinds/HologramJob.h"
#include "engine/kinds/amplitude/AmplitudeKindOptions.h"
#include "engine/sums/HologramCalculation.h"

namespace marbleck {

namespace {

// The command line's --help lists them so.
const KindOption Options[] = {
    {"binarize", "T|balanced|optimised",
     "Write the binarized hologram: values above the number T are 255; \"balanced\" (or \"median\") takes "
     "the hologram's median for T, so that half the values are white; \"optimised\" (or \"optimise\") starts "
     "there and flips values while that evens out the object's points and takes light from the noise, for up "
     "to --budget seconds."},
    {"budget", "SECONDS", BudgetHelp()},
};

// The figures an optimisation record holds.
constexpr std::string_view RecordFigures[] = {"fidelity", "spread", "signalShare"};

std::unique_ptr<Hologram> Make(const HologramJob& job, const ExecutionContext& context, JobTimings& seconds) {
    HologramRequest request = RequestOf(job);
    if (const auto* steps = dynamic_cast<const AmplitudePostProcessing*>(job.postProcessing.get()))
        request.binarization = steps->binarization;
    HologramResult result = MakeHologram(std::move(request), context);
    seconds.sums = result.seconds.sums;
    seconds.normalising = result.seconds.normalising;
    seconds.postProcessing = result.seconds.binarizing;
    return std::make_unique<AmplitudeHologram>(std::move(result));
}

const HologramKind Kind{.name = "amplitude",
                        .label = "&Amplitude (print)",
                        .caption = "Hologram",
                        .plural = "printed holograms",
                        .sumsPerPoint = 1,
                        .recordName = "optimisation",
                        .options = Options,
                        .readOptions = ReadAmplitudeOptions,
                        .make = Make,
                        .progressStage = "optimising"};

}  // namespace

Figures FiguresOf(const HologramFigures& f) {
    Figures figures;
    figures.fidelity = f.fidelity;
    figures.spread = f.uniformity;
    figures.signalShare = f.efficiency;
    return figures;
}

const HologramKind& AmplitudeKind() { return Kind; }

const HologramKind& AmplitudeHologram::kind() const { return Kind; }

const HologramField& AmplitudeHologram::field() const {
    return result_.binarization ? result_.binarization->field : result_.field;
}

ViewLevels AmplitudeHologram::view() const {
    if (result_.binarization) {
        const BinarizedHologram& b = *result_.binarization;
        return {b.greyLevels.data(), b.field.columns(), b.field.rows(), b.field.rows()};
    }
    const HologramGeometry& g = result_.geometry;
    return {result_.greyLevels.data(), g.columns, g.rows, g.rows};
}

FileContent AmplitudeHologram::fileContent() const {
    return {&field(), &field(), result_.binarization.has_value(), true};
}

Reconstruction AmplitudeHologram::reconstruct(const ExecutionContext& context) const {
    context.stopIfCancelled();
    return Reconstruct(field(), result_.geometry.columns, result_.geometry.rows, {}, context);
}

Figures AmplitudeHologram::figures(const Reconstruction* reconstructed,
                                   const ExecutionContext& context) const {
    if (reconstructed != nullptr)
        return MeasureAllFigures(*reconstructed, result_.litSamples, result_.geometry, ZeroOrder::Removed);
    return MeasureAllFigures(reconstruct(context), result_.litSamples, result_.geometry, ZeroOrder::Removed);
}

NamedValues AmplitudeHologram::details() const {
    // The size of what a file holds: the field's bounds.
    NamedValues values{{"columns", {static_cast<long long>(field().columns())}},
                       {"rows", {static_cast<long long>(field().rows())}},
                       {"rawMinimum", {double{result_.rawRange.minimum}}},
                       {"rawMaximum", {double{result_.rawRange.maximum}}}};
    const auto& b = result_.binarization;
    // An optimised hologram is no threshold's.
    const bool threshold = b && !b->optimisation;
    values.push_back({"threshold", threshold ? FieldValue{b->threshold} : FieldValue{}});
    values.push_back({"binarization", b ? FieldValue{b->method} : FieldValue{}});
    return values;
}

NamedValues AmplitudeHologram::record() const {
    if (!result_.binarization || !result_.binarization->optimisation) return {};
    const OptimisationRecord& r = *result_.binarization->optimisation;
    return {{"before", {FigureValues(FiguresOf(r.start), RecordFigures)}},
            {"after", {FigureValues(FiguresOf(r.end), RecordFigures)}},
            {"iterations", {static_cast<long long>(r.iterations)}},
            {"seconds", {r.seconds}},
            {"keptBalanced", {r.keptStart}}};
}

void AmplitudeHologram::postProcess(const KindPostProcessing& steps, const ExecutionContext& context) {
    const auto* amplitude = dynamic_cast<const AmplitudePostProcessing*>(&steps);
    if (amplitude == nullptr || !amplitude->binarization) {
        result_.binarization.reset();
        return;
    }
    const BinarizationContext binarizing{result_.geometry, result_.litSamples, context};
    const auto start = std::chrono::steady_clock::now();
    BinarizedHologram binarized = ApplyBinarization(*amplitude->binarization, result_.field, binarizing);
    result_.seconds.binarizing =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result_.binarization = std::move(binarized);
}

}  // namespace marbleck
