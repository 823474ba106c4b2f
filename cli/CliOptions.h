#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>

#include <string>

#include "engine/kinds/HologramKind.h"

namespace marbleck::cli {

// A command line that cannot be run; the process exits with status 1.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Everything a run needs, read from the command line.
struct CliOptions {
    QStringList objects;
    QString output;
    QString repsText = QStringLiteral("1");
    double reps = 1;
    bool randomPhase = false;
    std::optional<std::uint64_t> seed;
    std::string engine = "exact";  // a name in the engine table
    // The kind chosen by its switch (the kinds table's first without one) and
    // the post-processing its options ask for (null: the kind's plain one);
    // a lookup table file is read into it after the parse.
    const HologramKind* kind = HologramKinds().front();
    std::shared_ptr<const KindPostProcessing> postProcessing;
    QString reconstruct;  // --reconstruct: where the reconstruction picture goes ("" for none)
    // The print's physical figures in the report, only with --dpi.
    std::optional<double> dpi;
    double scale = 1;
    double wavelengthNm = 633;
    double distanceM = 1;
    // --max-seconds: an object's calculation stops after this long; without
    // it, an exact calculation above ExactWorkBound is refused.
    std::optional<double> maxSeconds;
    // --threads: the threads each engine call may use, 0 for every core.
    int threads = 0;
    int depth = 8;
    bool report = false;
    bool quiet = false;
};

// The option's whole text as a finite number, or nothing (the engine's
// WholeNumber, the one rule of every option's number).
std::optional<double> WholeNumber(const QString& text);
// The whole number, or UsageError naming `option`.
double Number(const QString& text, const char* option);
// The whole number above 0, or UsageError naming `option`.
double PositiveNumber(const QString& text, const char* option);

// The most threads --threads takes (more than any machine's cores, which
// bound what a call uses anyway).
inline constexpr int MaxThreadsOption = 4096;

// What the command line asks for: a run, or only the help or version text.
struct ParsedCommandLine {
    enum class Action { Run, Help, Version } action = Action::Run;
    QString text;  // the help or version text
    CliOptions options;
};

// Reads the arguments (the program's name first). Throws UsageError with a
// one-line reason for anything that cannot run: no object, no output, an
// unknown option or engine, a depth other than 8 or 16, an output whose
// extension is not written, several objects without %n in the output (or in
// the reconstruction's), a reconstruction not to .png, physical figures asked
// for without --dpi and --report, or a number that is not positive there,
// --threads other than a whole number from 0 to MaxThreadsOption, what the
// kinds refuse (KindCommandLine), with a kind other than the first (the
// print's), a depth of 16 or the print's physical figures, and, with a 3-D
// scene, --reps, --engine or --focus without --reconstruct.
ParsedCommandLine ParseCommandLine(const QStringList& arguments);

// The output path of `object`: %n replaced by its base name without extension.
QString OutputPathFor(const QString& outputPattern, const QString& object);

}  // namespace marbleck::cli
