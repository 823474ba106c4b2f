#include "engine/kinds/HologramJob.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "HologramCases.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "engine/sums/HologramCalculation.h"

namespace marbleck {
namespace {

// A job of a random object of about 60 points on a 24 x 20 canvas.
HologramJob JobOf(const std::string& kind, std::shared_ptr<const KindPostProcessing> steps) {
    const cases::Case c = cases::RandomPoints(24.0f, 20.0f, 2.0, 60, 5);
    HologramJob job;
    job.object = {24.0f, 20.0f, c.points};
    for (std::size_t i = 0; i < c.points.size(); ++i)
        job.brightness.push_back(0.25f + 0.75f * (i % 4) / 3.0f);
    job.kind = kind;
    job.reps = 2;
    job.randomPhase = true;
    job.seed = 99;
    job.postProcessing = std::move(steps);
    job.figures = true;
    job.reconstruction = true;
    return job;
}

// Bit for bit, NaN equal to NaN.
void ExpectSame(double a, double b, const char* what) {
    if (std::isnan(a) && std::isnan(b)) return;
    EXPECT_EQ(a, b) << what;
}

const NamedValue* Find(const NamedValues& values, std::string_view name) {
    for (const NamedValue& v : values)
        if (v.name == name) return &v;
    return nullptr;
}

struct AmplitudeCase {
    const char* name;
    std::optional<BinarizationRequest> binarization;
};

class AmplitudeJob : public testing::TestWithParam<AmplitudeCase> {};

TEST_P(AmplitudeJob, EqualsTheCalculationBitForBit) {
    auto steps = std::make_shared<AmplitudePostProcessing>();
    steps->binarization = GetParam().binarization;
    const HologramJob job = JobOf("amplitude", steps);
    HologramRequest request = RequestOf(job);
    request.binarization = GetParam().binarization;
    const HologramResult expected = MakeHologram(request);
    const HologramField& expectedField =
        expected.binarization ? expected.binarization->field : expected.field;

    const JobResult result = RunJob(job);
    ASSERT_EQ(&result.hologram->kind(), FindHologramKind("amplitude"));
    const FileContent content = result.hologram->fileContent();
    EXPECT_EQ(content.levels->values(), expectedField.values());
    EXPECT_EQ(content.values->values(), expectedField.values());
    EXPECT_EQ(content.binarized, expected.binarization.has_value());
    const ViewLevels view = result.hologram->view();
    const std::vector<std::uint8_t>& levels =
        expected.binarization ? expected.binarization->greyLevels : expected.greyLevels;
    ASSERT_EQ(static_cast<std::size_t>(view.stride) * view.columns, levels.size());
    EXPECT_TRUE(std::equal(levels.begin(), levels.end(), view.levels));

    // The figures of what a file holds, the three of old under their names.
    const HologramGeometry& g = expected.geometry;
    const Reconstruction r = Reconstruct(expectedField, g.columns, g.rows);
    EXPECT_EQ(result.reconstruction->intensity, r.intensity);
    const HologramFigures old = MeasureFigures(r, expected.litSamples, g);
    ExpectSame(result.figures->fidelity, old.fidelity, "fidelity");
    ExpectSame(result.figures->spread, old.uniformity, "spread");
    ExpectSame(result.figures->signalShare, old.efficiency, "signalShare");
    EXPECT_GT(result.figures->efficiency, 0);
    EXPECT_LE(result.figures->efficiency, result.figures->signalShare);
    EXPECT_GT(result.figures->uniformity, 0);
    EXPECT_LE(result.figures->uniformity, 1);

    const NamedValues details = result.hologram->details();
    const bool optimised = expected.binarization && expected.binarization->optimisation;
    const FieldValue& threshold = Find(details, "threshold")->value;
    if (expected.binarization && !optimised)
        EXPECT_EQ(std::get<double>(threshold.value), expected.binarization->threshold);
    else
        EXPECT_TRUE(std::holds_alternative<std::monostate>(threshold.value));
    EXPECT_EQ(Find(result.hologram->record(), "keptBalanced") != nullptr, optimised);
}

INSTANTIATE_TEST_SUITE_P(Binarizations, AmplitudeJob,
                         testing::Values(AmplitudeCase{"none", std::nullopt},
                                         AmplitudeCase{"threshold", BinarizationRequest{"threshold", 0.5}},
                                         AmplitudeCase{"balanced", BinarizationRequest{"balanced", 0}},
                                         AmplitudeCase{"optimised",
                                                       BinarizationRequest{"optimised", 0, 60, 4}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct PhaseCase {
    const char* name;
    std::optional<RefinementRequest> refinement;
    std::optional<PanelSettings> panel;
};

class PhaseJob : public testing::TestWithParam<PhaseCase> {};

TEST_P(PhaseJob, EqualsTheKinoformAndItsPanelBitForBit) {
    auto steps = std::make_shared<PhasePostProcessing>();
    steps->refinement = GetParam().refinement;
    steps->panel = GetParam().panel;
    const HologramJob job = JobOf("phase", steps);
    const PhaseHologram expected = MakePhaseHologram({RequestOf(job), job.brightness, GetParam().refinement});
    const PanelMap panel = MapToPanel(expected, GetParam().panel.value_or(PanelSettings{}));

    const JobResult result = RunJob(job);
    const FileContent content = result.hologram->fileContent();
    EXPECT_EQ(content.values->values(), panel.phase.values());
    ASSERT_EQ(content.levels->values().size(), panel.levels.size());
    for (std::size_t i = 0; i < panel.levels.size(); ++i)
        ASSERT_EQ(GreyLevel(content.levels->values()[i]), panel.levels[i]) << i;
    EXPECT_FALSE(content.takesDepth);
    const ViewLevels view = result.hologram->view();
    EXPECT_TRUE(std::equal(expected.greyLevels.begin(), expected.greyLevels.end(), view.levels));
    EXPECT_EQ(result.reconstruction->intensity,
              ReconstructPhase(panel.phase, panel.phase.columns(), panel.phase.rows()).intensity);

    // The hologram's own figures, not its panel's, and the signal share of
    // its far field.
    ExpectSame(result.figures->fidelity, expected.figures.fidelity, "fidelity");
    ExpectSame(result.figures->spread, expected.figures.spread, "spread");
    ExpectSame(result.figures->uniformity, expected.figures.uniformity, "uniformity");
    ExpectSame(result.figures->efficiency, expected.figures.efficiency, "efficiency");
    EXPECT_GT(result.figures->signalShare, result.figures->efficiency);
    EXPECT_LE(result.figures->signalShare, 1);

    const NamedValues details = result.hologram->details();
    EXPECT_EQ(std::get<long long>(Find(details, "columns")->value.value), expected.geometry.columns);
    const auto& size = std::get<NamedValues>(Find(details, "panel")->value.value);
    EXPECT_EQ(std::get<long long>(Find(size, "width")->value.value), panel.phase.columns());
    EXPECT_EQ(std::get<long long>(Find(size, "height")->value.value), panel.phase.rows());
    const NamedValues record = result.hologram->record();
    ASSERT_EQ(!record.empty(), GetParam().refinement.has_value());
    if (!record.empty()) {
        EXPECT_EQ(std::get<long long>(Find(record, "iterations")->value.value),
                  expected.refinement->iterations);
    }
}

PanelSettings TiltedPad() {
    PanelSettings panel;
    panel.width = 60;
    panel.height = 44;
    panel.fill = PanelFill::Pad;
    panel.tiltX = 0.125;
    panel.lookup = LinearLookupTable(200);
    return panel;
}

INSTANTIATE_TEST_SUITE_P(Steps, PhaseJob,
                         testing::Values(PhaseCase{"plain", std::nullopt, std::nullopt},
                                         PhaseCase{"refined_on_a_panel",
                                                   RefinementRequest{RefinementMethod::Weighted, 6, 0},
                                                   TiltedPad()}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HologramJobTest, UnknownKindAndCancelThrow) {
    HologramJob job = JobOf("hologram", nullptr);
    EXPECT_THROW(RunJob(job), std::invalid_argument);
    for (const char* kind : {"amplitude", "phase"}) {
        job.kind = kind;
        const CancelFlag stop{true};
        ExecutionContext context;
        context.cancelFlag = &stop;
        EXPECT_THROW(RunJob(job, context), CalculationCancelled) << kind;
    }
}

TEST(HologramJobTest, PostProcessingAgainEqualsAJobThatAskedForIt) {
    auto balanced = std::make_shared<AmplitudePostProcessing>();
    balanced->binarization = BinarizationRequest{"balanced", 0};
    JobResult plain = RunJob(JobOf("amplitude", nullptr));
    plain.hologram->postProcess(*balanced);
    const JobResult asked = RunJob(JobOf("amplitude", balanced));
    EXPECT_EQ(plain.hologram->fileContent().values->values(), asked.hologram->fileContent().values->values());
    // A copy keeps its own binarization when the original lets it go.
    const std::unique_ptr<Hologram> copy = plain.hologram->clone();
    plain.hologram->postProcess(AmplitudePostProcessing{});
    EXPECT_FALSE(plain.hologram->fileContent().binarized);
    EXPECT_TRUE(copy->fileContent().binarized);

    auto padded = std::make_shared<PhasePostProcessing>();
    padded->panel = TiltedPad();
    JobResult phase = RunJob(JobOf("phase", nullptr));
    phase.hologram->postProcess(*padded);
    EXPECT_EQ(phase.hologram->fileContent().values->values(),
              RunJob(JobOf("phase", padded)).hologram->fileContent().values->values());
}

TEST(FigureTableTest, NamesInOrder) {
    std::vector<std::string_view> names, labels;
    for (const FigureEntry& entry : FigureTable()) {
        names.push_back(entry.name);
        labels.push_back(entry.label);
    }
    EXPECT_EQ(names, (std::vector<std::string_view>{"fidelity", "spread", "uniformity", "efficiency",
                                                    "signalShare"}));
    EXPECT_EQ(labels, (std::vector<std::string_view>{"Fidelity", "Spread", "Uniformity", "Efficiency",
                                                     "Signal share"}));
    Figures f;
    f.uniformity = 0.5;
    EXPECT_EQ(f.*FindFigure("uniformity")->value, 0.5);
    EXPECT_EQ(FindFigure("quality"), nullptr);
}

// Two points of a 16 x 16 hologram whose spots hold 1 and 3 on their own
// bins, a zero order of 12 and a noise of 1/4 on every other bin: the
// figures by hand, the same with the zero order kept in its bin or removed.
TEST(FigureTableTest, ByHandWithTheZeroOrderKeptOrRemoved) {
    const HologramGeometry g = MakeHologramGeometry(16.0f, 16.0f, 1.0);
    const std::vector<ObjectPoint> points{{3, 4}, {10, 5}};
    Reconstruction kept;
    kept.columns = kept.rows = 16;
    kept.intensity.assign(256, 0.25f);
    const std::vector<BinKind> kinds = ClassifyBins(16, 16, points, g);
    double signalAndTwin = 0;
    for (std::size_t i = 0; i < kinds.size(); ++i)
        if (kinds[i] == BinKind::Signal) kept.intensity[i] = 0;
    kept.intensity[WrappedBin(kept, 8 + ObjectBin(points[0], g, 16, 16).dx,
                              8 + ObjectBin(points[0], g, 16, 16).dy)] = 1;
    kept.intensity[WrappedBin(kept, 8 + ObjectBin(points[1], g, 16, 16).dx,
                              8 + ObjectBin(points[1], g, 16, 16).dy)] = 3;
    const std::size_t centre = WrappedBin(kept, 8, 8);
    kept.intensity[centre] = 12;
    kept.zeroOrder = 12;
    double all = 0;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        all += kept.intensity[i];
        if (kinds[i] == BinKind::Signal || kinds[i] == BinKind::Twin) signalAndTwin += kept.intensity[i];
    }
    Reconstruction removed = kept;
    removed.intensity[centre] = 0;

    for (const auto& [r, zeroOrder] :
         {std::pair{kept, ZeroOrder::Kept}, std::pair{removed, ZeroOrder::Removed}}) {
        const Figures f = MeasureAllFigures(r, points, g, zeroOrder);
        EXPECT_DOUBLE_EQ(f.uniformity, 1.0 - 2.0 / 4.0);
        EXPECT_DOUBLE_EQ(f.spread, 1.0 / 2.0);
        EXPECT_DOUBLE_EQ(f.efficiency, 4.0 / all);
        EXPECT_DOUBLE_EQ(f.signalShare, signalAndTwin / (all - 12));
        EXPECT_DOUBLE_EQ(f.fidelity, (4.0 / 18.0) / 0.25);
    }
    EXPECT_TRUE(std::isnan(MeasureAllFigures(kept, {}, g, ZeroOrder::Kept).uniformity));
}

// The table measures a kinoform's far field as its own figures do.
TEST(FigureTableTest, OfAKinoformAsItsOwnFigures) {
    const HologramJob job = JobOf("phase", nullptr);
    const PhaseHologram h = MakePhaseHologram({RequestOf(job), job.brightness, std::nullopt});
    const HologramGeometry& g = h.geometry;
    const Reconstruction kept = ReconstructPhase(h.phase, g.columns, g.rows, {.removeZeroOrder = false});
    const Figures all = MeasureAllFigures(kept, h.litSamples, g, ZeroOrder::Kept);
    const Figures own = FiguresOf(h.figures);
    for (const FigureEntry& figure : FigureTable())
        if (figure.name != "signalShare")
            ExpectSame(all.*figure.value, own.*figure.value, figure.name.data());
}

}  // namespace
}  // namespace marbleck
