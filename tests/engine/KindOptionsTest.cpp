// Each kind reads its own options from their values as text: what a good set
// of values asks of its post-processing, and every value it cannot take
// refused with the one-line reason the command line prints.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "FileFolder.h"
#include "engine/kinds/HologramKind.h"
#include "engine/kinds/OptionTextMap.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/kinds/phase/PhaseKind.h"

namespace marbleck {
namespace {

using Values = OptionTextMap;

std::shared_ptr<const PhasePostProcessing> PhaseRead(const Values& values) {
    auto steps = std::dynamic_pointer_cast<const PhasePostProcessing>(PhaseKind().readOptions(values));
    EXPECT_NE(steps, nullptr);
    return steps;
}

std::shared_ptr<const AmplitudePostProcessing> AmplitudeRead(const Values& values) {
    auto steps =
        std::dynamic_pointer_cast<const AmplitudePostProcessing>(AmplitudeKind().readOptions(values));
    EXPECT_NE(steps, nullptr);
    return steps;
}

TEST(PhaseKindOptions, GoodValuesSetThePanelAndTheRefinement) {
    const auto steps = PhaseRead({{"refine", "30"},
                                  {"refine-method", "weighted"},
                                  {"slm", "1920x1080"},
                                  {"fill", "pad"},
                                  {"two-pi", "200"},
                                  {"tilt", "0.1,-2.5e-2"},
                                  {"lens", "-0.5"},
                                  {"wavelength", "532"},
                                  {"pitch", "8"}});
    ASSERT_TRUE(steps->refinement.has_value());
    EXPECT_EQ(steps->refinement->iterations, 30);
    EXPECT_EQ(steps->refinement->method, RefinementMethod::Weighted);
    ASSERT_TRUE(steps->panel.has_value());
    const PanelSettings& panel = *steps->panel;
    EXPECT_EQ(panel.width, 1920);
    EXPECT_EQ(panel.height, 1080);
    EXPECT_EQ(panel.fill, PanelFill::Pad);
    EXPECT_EQ(panel.tiltX, 0.1);
    EXPECT_EQ(panel.tiltY, -0.025);
    ASSERT_TRUE(panel.lens.has_value());
    EXPECT_EQ(panel.lens->focalMetres, -0.5);
    EXPECT_EQ(panel.lens->wavelengthNm, 532);
    EXPECT_EQ(panel.lens->pitchMicrometres, 8);
    EXPECT_EQ(panel.lookup, LinearLookupTable(200));
    EXPECT_TRUE(steps->inputFiles().empty());
    EXPECT_EQ(steps->readInputFiles(), nullptr);
}

TEST(PhaseKindOptions, FewValuesAreTheHologramsOwnSizeAndLinear) {
    const auto bare = PhaseRead({{"refine", "1"}});
    EXPECT_EQ(bare->panel->width, 0);
    EXPECT_EQ(bare->panel->height, 0);
    EXPECT_EQ(bare->panel->fill, PanelFill::Tile);
    EXPECT_EQ(bare->refinement->method, RefinementMethod::GerchbergSaxton);
    EXPECT_EQ(bare->panel->lookup, LinearLookupTable(255));
    EXPECT_FALSE(bare->panel->lens.has_value());
    EXPECT_FALSE(PhaseRead({})->refinement.has_value());
    // A lens without a wavelength is at 633 nm, as in the window.
    const auto lens = PhaseRead({{"lens", "0.5"}, {"pitch", "8"}, {"tilt", "-0.5,0.5"}});
    ASSERT_TRUE(lens->panel->lens.has_value());
    EXPECT_EQ(lens->panel->lens->wavelengthNm, 633);
    EXPECT_EQ(lens->panel->tiltX, -0.5);
    EXPECT_EQ(lens->panel->tiltY, 0.5);
}

struct Refusal {
    const char* name;
    Values values;
    const char* message;  // the whole of what()
};

class PhaseRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(PhaseRefusals, NameWhy) {
    try {
        PhaseKind().readOptions(GetParam().values);
        ADD_FAILURE() << "accepted";
    } catch (const KindOptionError& error) {
        EXPECT_EQ(std::string(error.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PhaseRefusals,
    ::testing::Values(
        Refusal{"TwoPiAndLut",
                {{"two-pi", "200"}, {"lut", "LUT.txt"}},
                "--two-pi and --lut both set the grey "
                "levels; give one"},
        Refusal{"LutEmpty", {{"lut", ""}}, "--lut needs a file name"},
        Refusal{"TwoPiZero", {{"two-pi", "0"}}, "--two-pi must be a whole number from 1 to 255: 0"},
        Refusal{"TwoPi256", {{"two-pi", "256"}}, "--two-pi must be a whole number from 1 to 255: 256"},
        Refusal{
            "TwoPiFraction", {{"two-pi", "127.5"}}, "--two-pi must be a whole number from 1 to 255: 127.5"},
        Refusal{"LensAlone", {{"lens", "0.5"}}, "--lens needs --pitch UM"},
        Refusal{"LensWithoutPitch", {{"lens", "0.5"}, {"wavelength", "633"}}, "--lens needs --pitch UM"},
        Refusal{"LensWord", {{"lens", "far"}, {"pitch", "8"}}, "--lens must be a number: far"},
        // Lenses whose phase is no number anywhere on a panel.
        Refusal{
            "LensDenormal",
            {{"lens", "1e-320"}, {"pitch", "8"}},
            "--lens 1e-320: the lens's phase is beyond any number on this panel (focal length, wavelength "
            "or pitch out of range)"},
        Refusal{
            "LensOnItsPanel",
            {{"slm", "16384x4096"}, {"lens", "5e-294"}, {"pitch", "1e7"}},
            "--lens 5e-294: the lens's phase is beyond any number on this panel (focal length, wavelength "
            "or pitch out of range)"},
        Refusal{"TiltOverHalf",
                {{"tilt", "0.7,0"}},
                "--tilt must be from -0.5 to 0.5 cycles per pixel either "
                "way: 0.7,0"},
        Refusal{"TiltNotANumber",
                {{"tilt", "nan,0"}},
                "--tilt must be two numbers FX,FY (cycles per pixel): "
                "nan,0"},
        Refusal{
            "PitchWithoutLens", {{"pitch", "8"}}, "--wavelength and --pitch with --phase are for --lens F"},
        Refusal{"WavelengthWithoutLens",
                {{"wavelength", "633"}},
                "--wavelength and --pitch with --phase are for --lens F"},
        Refusal{"LensZero",
                {{"lens", "0"}, {"wavelength", "633"}, {"pitch", "8"}},
                "--lens must be a focal length other than 0"},
        Refusal{"PitchNegative",
                {{"lens", "1"}, {"wavelength", "633"}, {"pitch", "-8"}},
                "--pitch must be a number above 0: -8"},
        Refusal{"WavelengthZero",
                {{"lens", "1"}, {"wavelength", "0"}, {"pitch", "8"}},
                "--wavelength must be a number above 0: 0"},
        Refusal{
            "SlmStar", {{"slm", "1920*1080"}}, "--slm must be WIDTHxHEIGHT in pixels (1920x1080): 1920*1080"},
        Refusal{"SlmOneSide", {{"slm", "1920x"}}, "--slm must be WIDTHxHEIGHT in pixels (1920x1080): 1920x"},
        Refusal{"SlmNegative", {{"slm", "-5x10"}}, "--slm must be WIDTHxHEIGHT in pixels (1920x1080): -5x10"},
        Refusal{"SlmCapitalX", {{"slm", "8X8"}}, "--slm must be WIDTHxHEIGHT in pixels (1920x1080): 8X8"},
        Refusal{"SlmTwoXs", {{"slm", "8x8x8"}}, "--slm must be WIDTHxHEIGHT in pixels (1920x1080): 8x8x8"},
        Refusal{"SlmTenDigits",
                {{"slm", "0000000008x8"}},
                "--slm must be WIDTHxHEIGHT in pixels (1920x1080): 0000000008x8"},
        Refusal{"SlmZero",
                {{"slm", "0x1080"}},
                "--slm 0x1080 is over the panel's limits (sides from 1 to 16384, at most 67108864 pixels)"},
        Refusal{"SlmSideTooLong",
                {{"slm", "16385x2"}},
                "--slm 16385x2 is over the panel's limits (sides from 1 to 16384, at most 67108864 pixels)"},
        Refusal{
            "SlmTooManyPixels",
            {{"slm", "16384x4097"}},
            "--slm 16384x4097 is over the panel's limits (sides from 1 to 16384, at most 67108864 pixels)"},
        Refusal{
            "TiltOneNumber", {{"tilt", "0.1"}}, "--tilt must be two numbers FX,FY (cycles per pixel): 0.1"},
        Refusal{"TiltDecimalComma",
                {{"tilt", "0,1,0"}},
                "--tilt must be two numbers FX,FY (cycles per pixel): 0,1,0"},
        Refusal{"TiltWords", {{"tilt", "a,b"}}, "--tilt must be two numbers FX,FY (cycles per pixel): a,b"},
        Refusal{"FillWithoutSlm", {{"fill", "pad"}}, "--fill needs --slm WxH"},
        Refusal{"FillUnknown", {{"slm", "8x8"}, {"fill", "mirror"}}, "--fill must be tile or pad: mirror"},
        Refusal{"RefineZero", {{"refine", "0"}}, "--refine must be a whole number from 1 to 2147483647: 0"},
        Refusal{"RefineFraction",
                {{"refine", "2.5"}},
                "--refine must be a whole number from 1 to 2147483647: 2.5"},
        Refusal{"RefineTooMany",
                {{"refine", "2147483648"}},
                "--refine must be a whole number from 1 to 2147483647: 2147483648"},
        Refusal{"MethodUnknown",
                {{"refine", "3"}, {"refine-method", "adam"}},
                "unknown refinement method adam (gs or weighted)"},
        Refusal{"MethodWithoutRefine", {{"refine-method", "gs"}}, "--refine-method needs --refine N"}),
    [](const auto& info) { return std::string(info.param.name); });

struct AmplitudeCase {
    const char* name;
    Values values;
    const char* refusal;           // the whole of what(), nullptr for good values
    const char* method = nullptr;  // the binarization's, nullptr for none
    double threshold = 0;
    double budget = DefaultBinarizationBudget;
};

class AmplitudeValues : public ::testing::TestWithParam<AmplitudeCase> {};

TEST_P(AmplitudeValues, AreReadWholeOrRefusedNamingTheOption) {
    const AmplitudeCase& c = GetParam();
    if (c.refusal != nullptr) {
        try {
            AmplitudeKind().readOptions(c.values);
            ADD_FAILURE() << "accepted";
        } catch (const KindOptionError& error) {
            EXPECT_EQ(std::string(error.what()), c.refusal);
        }
        return;
    }
    const auto steps = AmplitudeRead(c.values);
    ASSERT_EQ(steps->binarization.has_value(), c.method != nullptr);
    if (c.method == nullptr) return;
    EXPECT_EQ(steps->binarization->method, c.method);
    EXPECT_EQ(steps->binarization->threshold, c.threshold);
    EXPECT_EQ(steps->binarization->budgetSeconds, c.budget);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AmplitudeValues,
    ::testing::Values(
        AmplitudeCase{"None", {}, nullptr},
        AmplitudeCase{"Number", {{"binarize", "0.25"}}, nullptr, "threshold", 0.25},
        AmplitudeCase{"Negative", {{"binarize", "-0.5"}}, nullptr, "threshold", -0.5},
        AmplitudeCase{"Median", {{"binarize", "median"}}, nullptr, "balanced"},
        AmplitudeCase{"Balanced", {{"binarize", "balanced"}}, nullptr, "balanced"},
        AmplitudeCase{"Optimised", {{"binarize", "optimised"}}, nullptr, "optimised"},
        AmplitudeCase{"Optimise", {{"binarize", "optimise"}}, nullptr, "optimised"},
        AmplitudeCase{
            "OptimiseBudget", {{"budget", "0.25"}, {"binarize", "optimise"}}, nullptr, "optimised", 0, 0.25},
        AmplitudeCase{"MedianCapital",
                      {{"binarize", "Median"}},
                      "--binarize must be a number, balanced or optimised: Median"},
        AmplitudeCase{"Threshold",
                      {{"binarize", "threshold"}},
                      "--binarize must be a number, balanced or optimised: threshold"},
        AmplitudeCase{
            "Overflow", {{"binarize", "1e999"}}, "--binarize must be a number, balanced or optimised: 1e999"},
        AmplitudeCase{
            "NotANumber", {{"binarize", "nan"}}, "--binarize must be a number, balanced or optimised: nan"},
        AmplitudeCase{"Empty", {{"binarize", ""}}, "--binarize must be a number, balanced or optimised: "},
        AmplitudeCase{"BudgetZero",
                      {{"binarize", "optimise"}, {"budget", "0"}},
                      "--budget must be a number above 0: 0"},
        AmplitudeCase{"BudgetNegative",
                      {{"binarize", "optimise"}, {"budget", "-1"}},
                      "--budget must be a number above 0: -1"},
        AmplitudeCase{"BudgetWord",
                      {{"binarize", "optimise"}, {"budget", "2s"}},
                      "--budget must be a number above 0: 2s"},
        AmplitudeCase{"BudgetAlone", {{"budget", "1"}}, "--budget needs --binarize optimised"},
        // Checked before the budget's value: any other method would run without it.
        AmplitudeCase{"BudgetWithThreshold",
                      {{"binarize", "0.5"}, {"budget", "x"}},
                      "--budget needs --binarize optimised"},
        AmplitudeCase{"BudgetWithBalanced",
                      {{"binarize", "balanced"}, {"budget", "1"}},
                      "--budget needs --binarize optimised"}),
    [](const auto& info) { return std::string(info.param.name); });

// The lookup table file is named by the options and read only when asked,
// into a copy: the options' own post-processing keeps the linear table.
class PhaseInputFiles : public test::FileFolder {
protected:
    static std::string Failure(const KindPostProcessing& steps, const std::string& file) {
        try {
            steps.readInputFiles();
        } catch (const KindInputFileError& error) {
            EXPECT_EQ(error.file(), file);
            return error.what();
        }
        return "read";
    }
};

TEST_F(PhaseInputFiles, ReadTheLookupTableIntoACopy) {
    std::string table;
    for (int k = 0; k < 256; ++k) table += std::to_string(255 - k) + "\n";
    const std::string path = write("LUT.txt", table);
    const auto steps = PhaseRead({{"lut", path}, {"slm", "8x4"}});
    ASSERT_EQ(steps->inputFiles().size(), 1u);
    EXPECT_EQ(steps->inputFiles()[0].path, path);
    EXPECT_EQ(steps->inputFiles()[0].role, "lookup table");
    const auto read = std::dynamic_pointer_cast<const PhasePostProcessing>(steps->readInputFiles());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->panel->lookup[0], 255);
    EXPECT_EQ(read->panel->lookup[255], 0);
    EXPECT_EQ(read->panel->width, 8);
    EXPECT_EQ(steps->panel->lookup, LinearLookupTable(255));
}

TEST_F(PhaseInputFiles, RefuseATableThatCannotBeUsedNamingTheFile) {
    const std::string missing = folder_ + "/none.txt";
    EXPECT_EQ(Failure(*PhaseRead({{"lut", missing}}), missing), "File not found: " + missing);
    const std::string bad = write("bad.txt", "1\n2\nfoo\n");
    EXPECT_EQ(Failure(*PhaseRead({{"lut", bad}}), bad), "line 3: \"foo\" is not a whole number");
    EXPECT_EQ(Failure(*PhaseRead({{"lut", folder_}}), folder_),
              "Path/File access error: " + folder_ + " is a folder");
}

// The first kind reads no files; with no values set every kind reads its
// plain post-processing, of its own type.
TEST(KindOptions, EveryKindReadsItsOwnPostProcessing) {
    for (const HologramKind* kind : HologramKinds()) {
        ASSERT_NE(kind->readOptions, nullptr) << kind->name;
        const std::shared_ptr<KindPostProcessing> steps = kind->readOptions(Values{});
        ASSERT_NE(steps, nullptr) << kind->name;
        EXPECT_TRUE(steps->inputFiles().empty()) << kind->name;
        for (const KindOption& option : kind->options) EXPECT_FALSE(option.help.empty()) << option.name;
    }
    EXPECT_NE(dynamic_cast<AmplitudePostProcessing*>(AmplitudeKind().readOptions(Values{}).get()), nullptr);
    EXPECT_NE(dynamic_cast<PhasePostProcessing*>(PhaseKind().readOptions(Values{}).get()), nullptr);
}

// A name held is an option given even with "" (as a switch is), which the
// kind then reads, and refuses where it wants a value; a name not held, a
// prefix of one included, is not given; a later value replaces the first.
TEST(OptionTextMap, HeldNamesAreGivenEvenEmpty) {
    Values values{{"refine-method", "weighted"}, {"refine", ""}};
    EXPECT_TRUE(values.isSet("refine"));
    EXPECT_EQ(values.value("refine"), "");
    EXPECT_FALSE(values.isSet("refin"));
    EXPECT_FALSE(values.isSet("lut"));
    EXPECT_EQ(values.value("lut"), "");
    EXPECT_THROW(PhaseKind().readOptions(values), KindOptionError);
    values.set("refine", "12");
    values.set("refine", "30");
    const auto steps = PhaseRead(values);
    ASSERT_TRUE(steps && steps->refinement);
    EXPECT_EQ(steps->refinement->iterations, 30);
    EXPECT_EQ(steps->refinement->method, RefinementMethod::Weighted);
}

}  // namespace
}  // namespace marbleck
