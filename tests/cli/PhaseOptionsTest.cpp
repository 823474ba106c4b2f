// --phase and its options on the command line: the kind they choose and
// reach, and every line that mixes the kinds refused naming why.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <string>

#include "cli/CliOptions.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "input/picture/NativeFileName.h"

namespace marbleck::cli {
namespace {

CliOptions Parsed(const QStringList& arguments) {
    return ParseCommandLine(QStringList{"marbleck-cli", "in.png", "-o", "slm.png"} + arguments).options;
}

// --phase chooses the phase kind, whose options (and --wavelength, its
// lens's) reach its own reader; the file of --lut is named by its bytes and
// read only later. The values' readings are the kind's (KindOptionsTest).
TEST(PhaseOptions, ChooseThePhaseKindAndReachIt) {
    const CliOptions options =
        Parsed({"--phase", "--refine", "30", "--lens", "-0.5", "--wavelength", "532", "--pitch", "8", "--lut",
                DecodeNativeFileName(QByteArray("LUT-\xff.txt"))});
    EXPECT_EQ(options.kind, &PhaseKind());
    const auto* steps = dynamic_cast<const PhasePostProcessing*>(options.postProcessing.get());
    ASSERT_NE(steps, nullptr);
    EXPECT_EQ(steps->refinement->iterations, 30);
    ASSERT_TRUE(steps->panel->lens.has_value());
    EXPECT_EQ(steps->panel->lens->wavelengthNm, 532);
    EXPECT_EQ(steps->lookupFile, "LUT-\xff.txt");
    EXPECT_EQ(steps->panel->lookup, LinearLookupTable(255));
    EXPECT_FALSE(options.dpi.has_value());
    // Without --phase, --wavelength is still the print's.
    const CliOptions print = Parsed({"--report", "--dpi", "300", "--wavelength", "532"});
    EXPECT_EQ(print.kind, &AmplitudeKind());
    EXPECT_EQ(print.wavelengthNm, 532);
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
        // A value the kind refuses, in the kind's words.
        Refusal{"TwoPiAndLut", {Png, "--phase", "--two-pi", "200", "--lut", "LUT.txt"}, "give one"},
        Refusal{"RefineBeforeBinarize",
                {Png, "--phase", "--binarize", "median", "--refine", "0"},
                "--refine must be a whole number from 1"},
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
