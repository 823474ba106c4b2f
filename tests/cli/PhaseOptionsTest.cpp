// --phase and its options: what a good line sets on the panel and the
// refinement, and every line that cannot run refused naming why.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <string>

#include "cli/CliOptions.h"

namespace marbleck::cli {
namespace {

CliOptions Parsed(const QStringList& arguments) {
    return ParseCommandLine(QStringList{"marbleck-cli", "in.png", "-o", "slm.png"} + arguments).options;
}

TEST(PhaseOptions, GoodLineSetsThePanelAndTheRefinement) {
    const CliOptions options =
        Parsed({"--phase", "--refine", "30", "--refine-method", "weighted", "--slm", "1920x1080", "--fill",
                "pad", "--two-pi", "200", "--tilt", "0.1,-2.5e-2", "--lens", "-0.5", "--wavelength", "532",
                "--pitch", "8"});
    ASSERT_TRUE(options.phase.has_value());
    const PhaseOptions& phase = *options.phase;
    ASSERT_TRUE(phase.refinement.has_value());
    EXPECT_EQ(phase.refinement->iterations, 30);
    EXPECT_EQ(phase.refinement->method, RefinementMethod::Weighted);
    EXPECT_EQ(phase.panel.width, 1920);
    EXPECT_EQ(phase.panel.height, 1080);
    EXPECT_EQ(phase.panel.fill, PanelFill::Pad);
    EXPECT_EQ(phase.panel.tiltX, 0.1);
    EXPECT_EQ(phase.panel.tiltY, -0.025);
    ASSERT_TRUE(phase.panel.lens.has_value());
    EXPECT_EQ(phase.panel.lens->focalMetres, -0.5);
    EXPECT_EQ(phase.panel.lens->wavelengthNm, 532);
    EXPECT_EQ(phase.panel.lens->pitchMicrometres, 8);
    EXPECT_EQ(phase.panel.lookup, LinearLookupTable(200));
    EXPECT_TRUE(phase.lookupFile.isEmpty());
}

TEST(PhaseOptions, BareLineIsTheHologramsOwnSizeAndLinear) {
    const CliOptions options = Parsed({"--phase", "--refine", "1"});
    ASSERT_TRUE(options.phase.has_value());
    EXPECT_EQ(options.phase->panel.width, 0);
    EXPECT_EQ(options.phase->panel.height, 0);
    EXPECT_EQ(options.phase->refinement->method, RefinementMethod::GerchbergSaxton);
    EXPECT_EQ(options.phase->panel.lookup, LinearLookupTable(255));
    EXPECT_FALSE(options.phase->panel.lens.has_value());
    // A lens without a wavelength is at 633 nm, as in the window.
    const CliOptions lens = Parsed({"--phase", "--lens", "0.5", "--pitch", "8", "--tilt", "-0.5,0.5"});
    ASSERT_TRUE(lens.phase->panel.lens.has_value());
    EXPECT_EQ(lens.phase->panel.lens->wavelengthNm, 633);
    EXPECT_EQ(lens.phase->panel.tiltX, -0.5);
    // Without --phase, --wavelength is still the print's.
    EXPECT_FALSE(Parsed({"--report", "--dpi", "300", "--wavelength", "532"}).phase.has_value());
}

struct Refusal {
    const char* name;
    QStringList arguments;  // after "marbleck-cli in.png"
    const char* reason;     // part of the usage error
};

class PhaseRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(PhaseRefusals, NameWhy) {
    const Refusal& c = GetParam();
    try {
        ParseCommandLine(QStringList{"marbleck-cli", "in.png"} + c.arguments);
        ADD_FAILURE() << "accepted";
    } catch (const UsageError& error) {
        EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
    }
}

const QString Png = QStringLiteral("-o=slm.png");

INSTANTIATE_TEST_SUITE_P(
    Cases, PhaseRefusals,
    ::testing::Values(
        Refusal{"RefineWithoutPhase", {Png, "--refine", "3"}, "--refine needs --phase"},
        Refusal{"SlmWithoutPhase", {Png, "--slm", "1920x1080"}, "--slm needs --phase"},
        Refusal{"LutWithoutPhase", {Png, "--lut", "LUT.txt"}, "--lut needs --phase"},
        Refusal{"TiltWithoutPhase", {Png, "--tilt", "0.1,0"}, "--tilt needs --phase"},
        Refusal{"PitchWithoutPhase", {Png, "--pitch", "8"}, "--pitch needs --phase"},
        Refusal{"TwoPiAndLut", {Png, "--phase", "--two-pi", "200", "--lut", "LUT.txt"}, "give one"},
        Refusal{
            "TwoPiZero", {Png, "--phase", "--two-pi", "0"}, "--two-pi must be a whole number from 1 to 255"},
        Refusal{"TwoPi256", {Png, "--phase", "--two-pi", "256"}, "from 1 to 255: 256"},
        Refusal{"TwoPiFraction", {Png, "--phase", "--two-pi", "127.5"}, "from 1 to 255: 127.5"},
        Refusal{"LensAlone", {Png, "--phase", "--lens", "0.5"}, "--lens needs --pitch UM"},
        Refusal{"LensWithoutPitch",
                {Png, "--phase", "--lens", "0.5", "--wavelength", "633"},
                "--lens needs --pitch UM"},
        // Lenses whose phase is no number anywhere on a panel.
        Refusal{"LensDenormal", {Png, "--phase", "--lens", "1e-320", "--pitch", "8"}, "beyond any number"},
        Refusal{"LensOnItsPanel",
                {Png, "--phase", "--slm", "16384x4096", "--lens", "5e-294", "--pitch", "1e7"},
                "beyond any number"},
        Refusal{"TiltOverHalf", {Png, "--phase", "--tilt", "0.7,0"}, "from -0.5 to 0.5 cycles per pixel"},
        Refusal{"PitchWithoutLens", {Png, "--phase", "--pitch", "8"}, "are for --lens F"},
        Refusal{"WavelengthWithoutLens", {Png, "--phase", "--wavelength", "633"}, "are for --lens F"},
        Refusal{"LensZero",
                {Png, "--phase", "--lens", "0", "--wavelength", "633", "--pitch", "8"},
                "other than 0"},
        Refusal{"PitchNegative",
                {Png, "--phase", "--lens", "1", "--wavelength", "633", "--pitch", "-8"},
                "--pitch must be a number above 0"},
        Refusal{"SlmStar", {Png, "--phase", "--slm", "1920*1080"}, "--slm must be WIDTHxHEIGHT"},
        Refusal{"SlmOneSide", {Png, "--phase", "--slm", "1920x"}, "--slm must be WIDTHxHEIGHT"},
        Refusal{"SlmNegative", {Png, "--phase", "--slm", "-5x10"}, "--slm must be WIDTHxHEIGHT"},
        Refusal{"SlmZero", {Png, "--phase", "--slm", "0x1080"}, "over the panel's limits"},
        Refusal{"SlmSideTooLong", {Png, "--phase", "--slm", "16385x2"}, "over the panel's limits"},
        Refusal{"SlmTooManyPixels", {Png, "--phase", "--slm", "16384x4097"}, "over the panel's limits"},
        Refusal{"TiltOneNumber", {Png, "--phase", "--tilt", "0.1"}, "--tilt must be two numbers"},
        Refusal{"TiltDecimalComma", {Png, "--phase", "--tilt", "0,1,0"}, "--tilt must be two numbers"},
        Refusal{"TiltNotANumber", {Png, "--phase", "--tilt", "a,b"}, "--tilt must be two numbers"},
        Refusal{"FillWithoutSlm", {Png, "--phase", "--fill", "pad"}, "--fill needs --slm"},
        Refusal{"FillUnknown",
                {Png, "--phase", "--slm", "8x8", "--fill", "mirror"},
                "--fill must be tile or pad"},
        Refusal{"RefineZero", {Png, "--phase", "--refine", "0"}, "--refine must be a whole number from 1"},
        Refusal{"RefineFraction", {Png, "--phase", "--refine", "2.5"}, "--refine must be a whole number"},
        Refusal{"MethodUnknown",
                {Png, "--phase", "--refine", "3", "--refine-method", "adam"},
                "unknown refinement method adam (gs or weighted)"},
        Refusal{"MethodWithoutRefine",
                {Png, "--phase", "--refine-method", "gs"},
                "--refine-method needs --refine"},
        Refusal{"Binarize", {Png, "--phase", "--binarize", "median"}, "--binarize is for printed holograms"},
        Refusal{"Depth16", {Png, "--phase", "--depth", "16"}, "--phase writes 8-bit grey levels"},
        Refusal{
            "Dpi", {Png, "--phase", "--report", "--dpi", "300"}, "--dpi, --scale and --distance are for"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every option --help offers is described in the manual page, and the
// report's figures of phase holograms in both.
TEST(PhaseOptions, HelpAndManualPageDescribeTheSameOptions) {
    const QString help = ParseCommandLine({"marbleck-cli", "--help"}).text;
    QFile page(QStringLiteral(MARBLECK_CLI_MANUAL_PAGE));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString manual = QString::fromUtf8(page.readAll());
    const QRegularExpression option(QStringLiteral("^ +(?:-\\w, )?--([a-z-]+)"),
                                    QRegularExpression::MultilineOption);
    int options = 0;
    for (const auto& match : option.globalMatch(help)) {
        // Qt's own --help-all lists the toolkit's options besides.
        if (match.captured(1) == QLatin1String("help-all")) continue;
        QString troff = QStringLiteral("--") + match.captured(1);
        troff.replace(QLatin1Char('-'), QStringLiteral("\\-"));
        EXPECT_TRUE(manual.contains(troff)) << match.captured(1).toStdString();
        ++options;
    }
    EXPECT_GT(options, 25);
    for (const char* figure : {"efficiency", "uniformity", "spread", "fidelity", "refinement"}) {
        EXPECT_TRUE(help.contains(QLatin1String(figure))) << figure;
        EXPECT_TRUE(manual.contains(QLatin1String(figure))) << figure;
    }
}

}  // namespace
}  // namespace marbleck::cli
