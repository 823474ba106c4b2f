// The command line's own options are read whole: a number in full (and
// finite) or the named choice, or the run is refused naming the option.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <string>

#include "CliProcess.h"
#include "cli/CliOptions.h"
#include "engine/kinds/HologramKind.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/sums/CalculationEngine.h"
#include "output/OutputFormats.h"

namespace marbleck::cli {
namespace {

struct OptionCase {
    const char* name;
    QStringList arguments;  // after "marbleck-cli in.png"
    const char* refusal;    // part of the usage error, nullptr for a good command line
    double reps = 1;
    int depth = 8;
};

class OptionValues : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionValues, AreReadWholeOrRefusedNamingTheOption) {
    const OptionCase& c = GetParam();
    const QStringList arguments =
        QStringList{QStringLiteral("marbleck-cli"), QStringLiteral("in.png")} + c.arguments;
    if (c.refusal != nullptr) {
        try {
            ParseCommandLine(arguments);
            ADD_FAILURE() << "accepted";
        } catch (const UsageError& error) {
            EXPECT_NE(std::string(error.what()).find(c.refusal), std::string::npos) << error.what();
        }
        return;
    }
    const CliOptions options = ParseCommandLine(arguments).options;
    EXPECT_EQ(options.reps, c.reps);
    EXPECT_EQ(options.depth, c.depth);
}

const QString Png = QStringLiteral("-o=h.png");

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionValues,
    ::testing::Values(
        OptionCase{"RepsDecimalComma", {Png, "--reps", "2,5"}, "--reps must be a number: 2,5"},
        OptionCase{"RepsWord", {Png, "--reps", "abc"}, "--reps must be a number: abc"},
        OptionCase{"RepsTrailingText", {Png, "--reps", "3x"}, "--reps"},
        OptionCase{"RepsEmpty", {Png, "--reps", ""}, "--reps"},
        OptionCase{"RepsInfinite", {Png, "--reps", "inf"}, "--reps"},
        OptionCase{"RepsBlankFirst", {Png, "--reps", " 2"}, "--reps"},
        OptionCase{"DpiWithUnit", {Png, "--report", "--dpi", "300dpi"}, "--dpi must be a number above 0"},
        OptionCase{"DistanceComma", {Png, "--report", "--dpi", "300", "--distance", "1,5"}, "--distance"},
        OptionCase{"Depth16Bmp", {"-o=h.bmp", "--depth", "16"}, "--depth 16 is for .png outputs only"},
        OptionCase{"Depth16Tiff", {"-o=h.tif", "--depth", "16"}, "--depth 16"},
        OptionCase{"Depth16Npy", {"-o=h.npy", "--depth", "16"}, "--depth 16"},
        OptionCase{"RepsFraction", {Png, "--reps", "2.5"}, nullptr, 2.5},
        OptionCase{"RepsExponent", {Png, "--reps", "3e0"}, nullptr, 3},
        OptionCase{"Depth16Png", {Png, "--depth", "16"}, nullptr, 1, 16},
        OptionCase{"Depth8Bmp", {"-o=h.bmp", "--depth", "8"}, nullptr},
        OptionCase{
            "BudgetMissing", {Png, "--binarize", "optimise", "--budget"}, "Missing value after '--budget'"},
        // The amplitude kind's reason for its value, as the command line's.
        OptionCase{"BudgetZero",
                   {Png, "--binarize", "optimise", "--budget", "0"},
                   "--budget must be a number above 0: 0"}),
    [](const auto& info) { return std::string(info.param.name); });

// As a script meets them: a usage error is one line and the hint, status 1,
// before any object is read or written (none of them exists).
struct UsageCase {
    const char* name;
    QStringList arguments;  // after the objects and -o
    const char* line;       // the whole line after "marbleck-cli: "
};

class UsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrors, AreOneLineAndTheHint) {
    const test::CliRun run =
        test::RunCli(QStringList{"/nonexistent/a.png", "/nonexistent/b.png", "-o", "/nonexistent/H-%n.png"} +
                     GetParam().arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, QStringLiteral("marbleck-cli: %1\nTry 'marbleck-cli --help'.\n")
                           .arg(QString::fromUtf8(GetParam().line)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageErrors,
    ::testing::Values(UsageCase{"BadRepsForTheWholeBatch", {"--reps", "abc"}, "--reps must be a number: abc"},
                      UsageCase{"BudgetWithoutOptimised",
                                {"--binarize", "0.5", "--budget", "1"},
                                "--budget needs --binarize optimised"},
                      UsageCase{"BudgetWithBalanced",
                                {"--binarize", "balanced", "--budget", "1"},
                                "--budget needs --binarize optimised"},
                      UsageCase{"BinarizeByAMethodWithAThreshold",
                                {"--binarize", "threshold"},
                                "--binarize must be a number, balanced or optimised: threshold"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every extension of the table is an output, in any case, and takes a
// depth exactly where the format has a choice of them.
TEST(CliOptions, EveryFormatOfTheTableIsAnOutput) {
    for (const OutputFormat& format : OutputFormats())
        for (const QString& extension : format.extensions)
            for (const QString& name :
                 {QStringLiteral("h.") + extension, QStringLiteral("H.") + extension.toUpper()})
                for (const int depth : {8, 16}) {
                    const QStringList arguments{QStringLiteral("marbleck-cli"), QStringLiteral("in.png"),
                                                QStringLiteral("-o"),           name,
                                                QStringLiteral("--depth"),      QString::number(depth)};
                    const bool taken = depth == 8 || format.takesDepth(depth);
                    try {
                        EXPECT_EQ(ParseCommandLine(arguments).options.depth, depth);
                        EXPECT_TRUE(taken) << name.toStdString() << " took --depth " << depth;
                    } catch (const UsageError& error) {
                        EXPECT_FALSE(taken) << name.toStdString() << ": " << error.what();
                    }
                }
}

// The manual page lists exactly the extensions the table writes, in its
// order: a format added in one place only fails here.
TEST(CliOptions, ManualPageListsTheTablesExtensions) {
    QFile page(QStringLiteral(MARBLECK_CLI_MANUAL_PAGE));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(page.readAll());
    const qsizetype start = text.indexOf(QStringLiteral("chooses the format:"));
    const qsizetype end = text.indexOf(QStringLiteral("Column u of an image"), start);
    ASSERT_TRUE(start >= 0 && end > start) << "the paragraph on OUTPUT's extension is gone";
    QStringList listed;
    const QRegularExpression extension(QStringLiteral("^\\.B \\.(\\w+)$"),
                                       QRegularExpression::MultilineOption);
    for (const auto& match : extension.globalMatch(text.mid(start, end - start)))
        listed.append(match.captured(1));
    QStringList written;
    for (const OutputFormat& format : OutputFormats()) written += format.extensions;
    EXPECT_EQ(listed, written);
}

// --engine takes every name of the engine table and only those; --help and
// the refusal list them all.
TEST(EngineOption, TakesTheTableNamesAndListsThem) {
    const QString help = ParseCommandLine({QStringLiteral("marbleck-cli"), QStringLiteral("--help")}).text;
    for (const CalculationEngine& engine : CalculationEngines()) {
        const QString name =
            QString::fromUtf8(engine.name.data(), static_cast<qsizetype>(engine.name.size()));
        const CliOptions options = ParseCommandLine({QStringLiteral("marbleck-cli"), QStringLiteral("in.png"),
                                                     Png, QStringLiteral("--engine"), name})
                                       .options;
        EXPECT_EQ(options.engine, engine.name);
        EXPECT_TRUE(help.contains(name)) << engine.name;
    }
    EXPECT_EQ(
        ParseCommandLine({QStringLiteral("marbleck-cli"), QStringLiteral("in.png"), Png}).options.engine,
        "exact");
    try {
        ParseCommandLine({QStringLiteral("marbleck-cli"), QStringLiteral("in.png"), Png,
                          QStringLiteral("--engine"), QStringLiteral("Fast")});
        ADD_FAILURE() << "accepted";
    } catch (const UsageError& error) {
        EXPECT_EQ(std::string(error.what()), "unknown engine Fast (exact, fast, czt or reference)");
    }
}

}  // namespace
}  // namespace marbleck::cli

namespace marbleck::cli {
namespace {

// The kinds table's post-processing options are the command line's, and
// --binarize takes every method of the binarization table by its name.
TEST(KindOptions, AreTheCommandLinesOptions) {
    const QString help = ParseCommandLine({QStringLiteral("marbleck-cli"), QStringLiteral("--help")}).text;
    for (const HologramKind* kind : HologramKinds())
        for (const KindOption& option : kind->options)
            EXPECT_TRUE(help.contains(QStringLiteral("--") + QLatin1String(option.name))) << option.name;
    for (const BinarizationMethod& method : BinarizationMethods()) {
        if (method.takesThreshold) continue;
        const QString name =
            QString::fromUtf8(method.name.data(), static_cast<qsizetype>(method.name.size()));
        const CliOptions options = ParseCommandLine({QStringLiteral("marbleck-cli"), QStringLiteral("in.png"),
                                                     Png, QStringLiteral("--binarize"), name})
                                       .options;
        const auto* steps = dynamic_cast<const AmplitudePostProcessing*>(options.postProcessing.get());
        ASSERT_NE(steps, nullptr) << method.name;
        ASSERT_TRUE(steps->binarization.has_value()) << method.name;
        EXPECT_EQ(steps->binarization->method, method.name);
        EXPECT_TRUE(help.contains(name)) << method.name;
    }
}

}  // namespace
}  // namespace marbleck::cli
