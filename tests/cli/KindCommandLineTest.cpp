// The command line's kinds come from the table alone: a table of three kinds
// of its own gives their switches and options, refuses what mixes them, and
// hands each kind its own values.
#include "cli/KindCommandLine.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <string>

#include "cli/CliOptions.h"
#include "input/picture/NativeFileName.h"

namespace marbleck::cli {
namespace {

// What a kind's reader was given: its option's value, or "" when not set.
struct Given : KindPostProcessing {
    std::string value;
};

template <const char* Option>
std::shared_ptr<KindPostProcessing> ReadValue(const KindOptionValues& values) {
    auto given = std::make_shared<Given>();
    given->value = values.isSet(Option) ? values.value(Option) : std::string();
    if (given->value == "bad") throw KindOptionError(std::string("--") + Option + " cannot be bad");
    return given;
}

constexpr char Grain[] = "grain";
constexpr char Mask[] = "mask";
constexpr char Ink[] = "ink";
constexpr KindOption PrintOptions[] = {{"grain", "G", "The print's grain."}};
constexpr KindOption FilmOptions[] = {{"mask", "FILE", "The film's mask.", true}};
constexpr KindOption GlassOptions[] = {{"ink", "I", "The glass's ink."}};
HologramKind KindOf(std::string_view name, std::string_view plural, KindOption choice,
                    std::span<const KindOption> options, decltype(HologramKind::readOptions) read) {
    HologramKind kind;
    kind.name = name;
    kind.plural = plural;
    kind.choice = choice;
    kind.options = options;
    kind.readOptions = read;
    return kind;
}

const HologramKind Print = KindOf("print", "prints", {}, PrintOptions, ReadValue<Grain>);
const HologramKind Film =
    KindOf("film", "films", {"film", "", "A film instead."}, FilmOptions, ReadValue<Mask>);
const HologramKind Glass =
    KindOf("glass", "glasses", {"glass", "", "A glass instead."}, GlassOptions, ReadValue<Ink>);
const HologramKind* const Table[] = {&Print, &Film, &Glass};

struct Case {
    const char* name;
    QStringList arguments;
    const HologramKind* kind;  // nullptr: refused
    const char* result;        // the value the kind was given, or the whole refusal
};

class TableKinds : public ::testing::TestWithParam<Case> {};

TEST_P(TableKinds, ChooseOneAndHandItItsValues) {
    const Case& c = GetParam();
    const KindCommandLine kinds(Table);
    QCommandLineParser parser;
    kinds.addFirstKindsOptions(parser);
    kinds.addOtherKinds(parser);
    ASSERT_TRUE(parser.parse(QStringList{"marbleck-cli"} + c.arguments)) << parser.errorText().toStdString();
    try {
        const KindChoice choice = kinds.choose(parser, kinds.readFirstKind(parser));
        ASSERT_NE(c.kind, nullptr) << "accepted";
        EXPECT_EQ(choice.kind, c.kind);
        const auto* given = dynamic_cast<const Given*>(choice.postProcessing.get());
        ASSERT_NE(given, nullptr);
        EXPECT_EQ(given->value, c.result);
    } catch (const UsageError& error) {
        EXPECT_EQ(c.kind, nullptr) << error.what();
        EXPECT_EQ(std::string(error.what()), c.result);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableKinds,
    ::testing::Values(
        Case{"FirstWithoutASwitch", {"--grain", "5"}, &Print, "5"}, Case{"FirstBare", {}, &Print, ""},
        Case{"Second", {"--film", "--mask", "m.png"}, &Film, "m.png"},
        Case{"Third", {"--ink", "blue", "--glass"}, &Glass, "blue"},
        Case{"TwoSwitches",
             {"--film", "--glass"},
             nullptr,
             "--film and --glass choose different kinds of hologram; give one"},
        Case{"OptionWithoutItsSwitch", {"--mask", "m.png"}, nullptr, "--mask needs --film"},
        Case{"OptionOfAnotherSwitch", {"--glass", "--mask", "m.png"}, nullptr, "--mask needs --film"},
        Case{"FirstsOptionWithASwitch",
             {"--glass", "--grain", "5"},
             nullptr,
             "--grain is for prints, not --glass"},
        // The first kind's values are its own to refuse, whatever is chosen.
        Case{"FirstsBadValueFirst", {"--glass", "--grain", "bad"}, nullptr, "--grain cannot be bad"},
        Case{"ChosenBadValue", {"--glass", "--ink", "bad"}, nullptr, "--ink cannot be bad"},
        // The chosen kind's reasons come before the first kind's option.
        Case{"ChosenBeforeFirsts",
             {"--glass", "--ink", "bad", "--grain", "5"},
             nullptr,
             "--ink cannot be bad"}),
    [](const auto& info) { return std::string(info.param.name); });

// A file's name reaches the kind as its own bytes, even where they are no
// text; any other value as text.
TEST(KindCommandLine, HandsAFileNameOnAsItsBytes) {
    const KindCommandLine kinds(Table);
    QCommandLineParser parser;
    kinds.addFirstKindsOptions(parser);
    kinds.addOtherKinds(parser);
    ASSERT_TRUE(
        parser.parse({"marbleck-cli", "--film", "--mask", DecodeNativeFileName(QByteArray("m\xff.png"))}));
    const KindChoice choice = kinds.choose(parser, kinds.readFirstKind(parser));
    const auto* given = dynamic_cast<const Given*>(choice.postProcessing.get());
    ASSERT_NE(given, nullptr);
    EXPECT_EQ(given->value, "m\xff.png");
}

// An option whose name the command line has already is refused, not lost.
TEST(KindCommandLine, RefusesAnOptionNamedTwice) {
    const KindCommandLine kinds(Table);
    QCommandLineParser parser;
    kinds.addFirstKindsOptions(parser);
    EXPECT_THROW(kinds.addFirstKindsOptions(parser), std::logic_error);
}

}  // namespace
}  // namespace marbleck::cli
