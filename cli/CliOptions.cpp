#include "cli/CliOptions.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cmath>
#include <optional>
#include <string>

#include "cli/KindCommandLine.h"
#include "engine/core/OptionText.h"
#include "engine/sums/CalculationEngine.h"
#include "output/OutputFormats.h"

namespace marbleck::cli {

std::optional<double> WholeNumber(const QString& text) { return marbleck::WholeNumber(text.toStdString()); }

double Number(const QString& text, const char* option) {
    const std::optional<double> value = WholeNumber(text);
    if (!value) throw UsageError(std::string(option) + " must be a number: " + text.toStdString());
    return *value;
}

double PositiveNumber(const QString& text, const char* option) {
    const std::optional<double> value = WholeNumber(text);
    if (!value || !(*value > 0))
        throw UsageError(std::string(option) + " must be a number above 0: " + text.toStdString());
    return *value;
}

namespace {

// The common options a 3-D scene refuses (its --reps and --engine) or takes
// only with another (its --focus with --reconstruct).
struct FlatOptions {
    const QCommandLineOption& reps;
    const QCommandLineOption& engine;
    const QCommandLineOption& reconstruct;
};

QString EngineName(const CalculationEngine& engine) {
    return QString::fromUtf8(engine.name.data(), static_cast<qsizetype>(engine.name.size()));
}

// The engine table's names, "exact, fast, czt or reference"; with `help`, the
// default is marked as such.
QString EngineChoices(bool help) {
    QStringList names;
    for (const CalculationEngine& engine : CalculationEngines()) {
        names.append(EngineName(engine));
        if (help && &engine == &DefaultCalculationEngine())
            names.back() += QStringLiteral(" (default, as \"Calculate\")");
    }
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// A 3-D scene's hologram has a plane of its own and a method for its sums:
// a picture's repetitions and engine would be ignored. Its focus depths are
// those of the reconstruction.
void RefuseFlatOptions(const QCommandLineParser& parser, const FlatOptions& flat, const std::string& how) {
    for (const QCommandLineOption* option : {&flat.reps, &flat.engine})
        if (parser.isSet(*option))
            throw UsageError("--" + option->names().constLast().toStdString() +
                             " is for holograms of pictures, not " + how +
                             " (its hologram has --size, --pitch and --method)");
    if (parser.isSet(QStringLiteral("focus")) && !parser.isSet(flat.reconstruct))
        throw UsageError("--focus needs --reconstruct FILE, where the light at that depth is drawn");
}

}  // namespace

ParsedCommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Calculates the hologram of each OBJECT image (every pixel that is not black is a point) "
            "and writes the whole field to OUTPUT (%1). An OBJECT ending in .ply or .xyz is a 3-D "
            "point cloud in metres, and a picture with --depth-map a colour-plus-depth scene: their "
            "holograms have a --size, --pitch and --wavelength of their own.")
            .arg(WrittenExtensionsText(true)));
    parser.addPositionalArgument(QStringLiteral("OBJECT"),
                                 QStringLiteral("Object images, or 3-D scenes (.ply, .xyz)."),
                                 QStringLiteral("OBJECT..."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Output file; with several objects it must contain %n, "
                                                   "replaced by each object's base name."),
                                    QStringLiteral("OUTPUT"));
    const QCommandLineOption reps(QStringLiteral("reps"),
                                  QStringLiteral("Repetition factor, a number (default 1)."),
                                  QStringLiteral("R"), QStringLiteral("1"));
    const QCommandLineOption randomPhase(QStringLiteral("random-phase"),
                                         QStringLiteral("Give every point a random phase."));
    const QCommandLineOption seed(
        QStringLiteral("seed"),
        QStringLiteral("Seed of the random phases (default: from the clock, printed "
                       "to standard error)."),
        QStringLiteral("N"));
    const QCommandLineOption engine(QStringLiteral("engine"), EngineChoices(true) + QLatin1Char('.'),
                                    QStringLiteral("ENGINE"), EngineName(DefaultCalculationEngine()));
    const QCommandLineOption reconstruct(
        QStringLiteral("reconstruct"),
        QStringLiteral(
            "Also write the simulated far field of what OUTPUT holds to FILE (8-bit PNG, log scale "
            "over 3 decades, zero order removed); of a 3-D scene, the light at the --focus depths; with "
            "several objects it must contain %n."),
        QStringLiteral("FILE"));
    const QCommandLineOption dpi(QStringLiteral("dpi"),
                                 QStringLiteral("Add the print's physical figures at D dots per inch to the "
                                                "report (needs --report)."),
                                 QStringLiteral("D"));
    const QCommandLineOption scale(QStringLiteral("scale"),
                                   QStringLiteral("Printer dots per hologram value, for --dpi (default 1)."),
                                   QStringLiteral("K"), QStringLiteral("1"));
    const QCommandLineOption wavelength(
        QStringLiteral("wavelength"),
        QStringLiteral(
            "Laser wavelength in nm (default 633), for --dpi or, with "
            "--phase, for --lens; for a 3-D scene, its wavelengths NM[,NM...], one field each "
            "(default 638,520,450 for a colour scene, each from its channel, 633 for a grey one)."),
        QStringLiteral("NM"), QStringLiteral("633"));
    const QCommandLineOption distance(QStringLiteral("distance"),
                                      QStringLiteral("Distance of the screen in m, for --dpi (default 1)."),
                                      QStringLiteral("M"), QStringLiteral("1"));
    const QCommandLineOption maxSeconds(
        QStringLiteral("max-seconds"),
        QStringLiteral("Stop an object's calculation after S seconds (exit status 2). Without it, an exact "
                       "calculation of more than 2^38 points × values (minutes of work) is refused."),
        QStringLiteral("S"));
    const QCommandLineOption threads(
        QStringLiteral("threads"),
        QStringLiteral("Threads each calculation uses, this one included: 0 (the default) for every core, "
                       "1 for this thread alone."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption depth(QStringLiteral("depth"),
                                   QStringLiteral("PNG grey depth, 8 or 16 (other formats have their own)."),
                                   QStringLiteral("BITS"), QStringLiteral("8"));
    const QCommandLineOption report(
        QStringLiteral("report"),
        QStringLiteral("Print one JSON object per object on standard output; with "
                       "--phase it gives the phase hologram's efficiency (the share "
                       "of the light on the object's spots), uniformity (1 - "
                       "(max - min) / (max + min) of the spots' light), spread (their "
                       "standard deviation over their mean), fidelity and its "
                       "refinement (method, before, after, iterations, seconds)."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Print no progress."));
    // The first kind's options among the calculation's, the other kinds'
    // switches and options after the common ones.
    const KindCommandLine kinds;
    parser.addOptions({output, reps, randomPhase, seed, engine});
    kinds.addFirstKindsOptions(parser);
    parser.addOptions(
        {reconstruct, maxSeconds, threads, depth, report, dpi, scale, wavelength, distance, quiet});
    kinds.addOtherKinds(parser);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();

    if (!parser.parse(arguments)) throw UsageError(parser.errorText().toStdString());
    ParsedCommandLine parsed;
    if (parser.isSet(help)) {
        parsed.action = ParsedCommandLine::Action::Help;
        parsed.text = parser.helpText();
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.action = ParsedCommandLine::Action::Version;
        parsed.text = QStringLiteral("marbleck-cli %1\n").arg(QStringLiteral(MARBLECK_VERSION));
        return parsed;
    }

    CliOptions& o = parsed.options;
    o.objects = parser.positionalArguments();
    if (o.objects.isEmpty()) throw UsageError("no object image given");
    o.output = parser.value(output);
    if (o.output.isEmpty()) throw UsageError("no output given (-o OUTPUT)");
    const OutputFormat* format = OutputFormatOf(o.output);
    if (format == nullptr)
        throw UsageError("the output must end in " + WrittenExtensionsText().toStdString() + ": " +
                         o.output.toStdString());
    if (o.objects.size() > 1 && !o.output.contains(QLatin1String("%n")))
        throw UsageError("several objects need %n in the output name");

    o.repsText = parser.value(reps);
    o.reps = Number(o.repsText, "--reps");
    o.randomPhase = parser.isSet(randomPhase);
    if (parser.isSet(seed)) {
        bool ok = false;
        const qulonglong value = parser.value(seed).toULongLong(&ok);
        if (!ok) throw UsageError("the seed must be a whole number from 0 to 2^64 - 1");
        o.seed = value;
    }
    o.engine = parser.value(engine).toStdString();
    if (FindCalculationEngine(o.engine) == nullptr)
        throw UsageError("unknown engine " + o.engine + " (" + EngineChoices(false).toStdString() + ")");
    std::shared_ptr<const KindPostProcessing> firstKindSteps = kinds.readFirstKind(parser);
    o.reconstruct = parser.value(reconstruct);
    if (parser.isSet(reconstruct)) {
        if (QFileInfo(o.reconstruct).suffix().toLower() != QLatin1String("png"))
            throw UsageError("the reconstruction must end in .png: " + o.reconstruct.toStdString());
        if (o.objects.size() > 1 && !o.reconstruct.contains(QLatin1String("%n")))
            throw UsageError("several objects need %n in the reconstruction's name");
    }
    if (parser.isSet(maxSeconds)) o.maxSeconds = PositiveNumber(parser.value(maxSeconds), "--max-seconds");
    const std::optional<double> threadCount = WholeNumber(parser.value(threads));
    if (!threadCount || *threadCount != std::floor(*threadCount) || *threadCount < 0 ||
        *threadCount > MaxThreadsOption)
        throw UsageError("--threads must be a whole number from 0 to " + std::to_string(MaxThreadsOption) +
                         ": " + parser.value(threads).toStdString());
    o.threads = static_cast<int>(*threadCount);
    const QString depthText = parser.value(depth);
    if (depthText == QLatin1String("8"))
        o.depth = 8;
    else if (depthText == QLatin1String("16"))
        o.depth = 16;
    else
        throw UsageError("the depth must be 8 or 16");
    // Only a format with a choice of depth takes one; asking for one elsewhere would be ignored.
    if (o.depth != 8 && !format->takesDepth(o.depth))
        throw UsageError("--depth " + depthText.toStdString() +
                         " is for .png outputs only: " + o.output.toStdString());
    o.report = parser.isSet(report);
    o.quiet = parser.isSet(quiet);
    const KindChoice choice = kinds.choose(parser, std::move(firstKindSteps));
    o.kind = choice.kind;
    o.postProcessing = choice.postProcessing;
    if (!o.kind->sceneFiles.empty()) RefuseFlatOptions(parser, {reps, engine, reconstruct}, choice.how);
    if (o.postProcessing && o.postProcessing->complexValues() && format->writeComplex == nullptr)
        throw UsageError("the hologram's values are complex; they are written to " +
                         ComplexExtensionsText().toStdString() + " only: " + o.output.toStdString());
    // The first kind's holograms are printed: the depths and the print's
    // figures are theirs.
    const HologramKind& prints = *HologramKinds().front();
    const bool printed = o.kind == &prints;
    if (!printed) {
        const std::string plural(prints.plural);
        if (o.depth != 8)
            throw UsageError(choice.how + " writes 8-bit grey levels; --depth 16 is for " + plural);
        if (parser.isSet(dpi) || parser.isSet(scale) || parser.isSet(distance))
            throw UsageError("--dpi, --scale and --distance are for " + plural + ", not " + choice.how);
    }
    // With another kind, --wavelength is that kind's (a phase hologram's lens).
    const bool physical = parser.isSet(dpi) || parser.isSet(scale) || (parser.isSet(wavelength) && printed) ||
                          parser.isSet(distance);
    if (physical && !parser.isSet(dpi)) throw UsageError("--scale, --wavelength and --distance need --dpi");
    if (physical && !o.report) throw UsageError("--dpi needs --report, where the figures are printed");
    if (physical) {
        o.dpi = PositiveNumber(parser.value(dpi), "--dpi");
        o.scale = PositiveNumber(parser.value(scale), "--scale");
        o.wavelengthNm = PositiveNumber(parser.value(wavelength), "--wavelength");
        o.distanceM = PositiveNumber(parser.value(distance), "--distance");
    }
    return parsed;
}

QString OutputPathFor(const QString& outputPattern, const QString& object) {
    QString path = outputPattern;
    return path.replace(QLatin1String("%n"), QFileInfo(object).completeBaseName());
}

}  // namespace marbleck::cli
