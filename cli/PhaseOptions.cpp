#include "cli/PhaseOptions.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "cli/CliOptions.h"

namespace marbleck::cli {

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "gs or weighted"; with `help`, each with its label and the default marked.
QString MethodChoices(bool help) {
    QStringList names;
    for (const RefinementMethodEntry& entry : RefinementMethods()) {
        names.append(Text(entry.name));
        if (help) {
            names.back() += QStringLiteral(" (") + Text(entry.label);
            if (entry.method == RefinementRequest{}.method) names.back() += QStringLiteral(", the default");
            names.back() += QLatin1Char(')');
        }
    }
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

std::string LongName(const QCommandLineOption& option) { return "--" + option.names().front().toStdString(); }

// A whole number from `low` to `high`, or UsageError naming the option.
int WholeNumberIn(const QString& text, int low, int high, const char* option) {
    const std::optional<double> value = WholeNumber(text);
    if (!value || *value != std::floor(*value) || *value < low || *value > high)
        throw UsageError(std::string(option) + " must be a whole number from " + std::to_string(low) +
                         " to " + std::to_string(high) + ": " + text.toStdString());
    return static_cast<int>(*value);
}

// Two whole numbers around `separator`, each read as WholeNumber reads one.
std::optional<std::pair<double, double>> NumberPair(const QString& text, QChar separator) {
    const QStringList parts = text.split(separator);
    if (parts.size() != 2) return std::nullopt;
    const std::optional<double> first = WholeNumber(parts[0]);
    const std::optional<double> second = WholeNumber(parts[1]);
    if (!first || !second) return std::nullopt;
    return std::pair{*first, *second};
}

void ReadPanelSize(const QString& text, PanelSettings& panel) {
    static const QRegularExpression size(QStringLiteral("^([0-9]{1,9})x([0-9]{1,9})$"));
    const QRegularExpressionMatch match = size.match(text);
    if (!match.hasMatch())
        throw UsageError("--slm must be WIDTHxHEIGHT in pixels (1920x1080): " + text.toStdString());
    const long long width = match.captured(1).toLongLong();
    const long long height = match.captured(2).toLongLong();
    if (width < 1 || height < 1 || width > MaxPanelSide || height > MaxPanelSide ||
        width * height > MaxHologramValues)
        throw UsageError("--slm " + text.toStdString() + " is over the panel's limits (sides from 1 to " +
                         std::to_string(MaxPanelSide) + ", at most " + std::to_string(MaxHologramValues) +
                         " pixels)");
    panel.width = static_cast<int>(width);
    panel.height = static_cast<int>(height);
}

}  // namespace

PhaseCommandLine::PhaseCommandLine()
    : phase_(
          QStringLiteral("phase"),
          QStringLiteral("Write a phase hologram (kinoform) for a spatial light modulator instead: the phase "
                         "of the points' complex sum, on the panel's pixels.")),
      refine_(
          QStringLiteral("refine"),
          QStringLiteral("With --phase: refine the kinoform by N iterations of --refine-method, which move "
                         "light from the noise onto the object's points."),
          QStringLiteral("N")),
      refineMethod_(QStringLiteral("refine-method"),
                    QStringLiteral("With --refine: %1.").arg(MethodChoices(true)), QStringLiteral("METHOD")),
      slm_(QStringLiteral("slm"),
           QStringLiteral("With --phase: the panel's size in pixels (default: the hologram's own size)."),
           QStringLiteral("WxH")),
      fill_(
          QStringLiteral("fill"),
          QStringLiteral("With --slm: tile (the default) repeats the hologram from the top left corner, pad "
                         "centres it with phase 0 around it."),
          QStringLiteral("tile|pad")),
      twoPi_(QStringLiteral("two-pi"),
             QStringLiteral("With --phase: the grey level that delays by 2π (1 to 255, default 255)."),
             QStringLiteral("G")),
      lut_(QStringLiteral("lut"),
           QStringLiteral("With --phase: the panel's lookup table, 256 lines of one grey level each (or an "
                          "index and a level), entry k for the phase k · 2π / 256; instead of --two-pi."),
           QStringLiteral("FILE")),
      tilt_(QStringLiteral("tilt"),
            QStringLiteral("With --phase: a blazed grating of FX and FY cycles per pixel (-0.5 to 0.5) "
                           "along x and y, moving the image off the zero order."),
            QStringLiteral("FX,FY")),
      lens_(QStringLiteral("lens"),
            QStringLiteral("With --phase: a lens term of focal length F metres (negative diverges); needs "
                           "--pitch, its wavelength is --wavelength (default 633)."),
            QStringLiteral("F")),
      pitch_(QStringLiteral("pitch"), QStringLiteral("The panel's pixel pitch in micrometres, for --lens."),
             QStringLiteral("UM")) {}

void PhaseCommandLine::addTo(QCommandLineParser& parser) const {
    parser.addOptions({phase_, refine_, refineMethod_, slm_, fill_, twoPi_, lut_, tilt_, lens_, pitch_});
}

std::optional<PhaseOptions> PhaseCommandLine::read(const QCommandLineParser& parser,
                                                   const QCommandLineOption& wavelength) const {
    if (!parser.isSet(phase_)) {
        // Each would be silently ignored by a print's hologram.
        for (const QCommandLineOption* option :
             {&refine_, &refineMethod_, &slm_, &fill_, &twoPi_, &lut_, &tilt_, &lens_, &pitch_})
            if (parser.isSet(*option)) throw UsageError(LongName(*option) + " needs --phase");
        return std::nullopt;
    }
    PhaseOptions phase;
    if (parser.isSet(refine_)) {
        RefinementRequest refinement;
        refinement.iterations =
            WholeNumberIn(parser.value(refine_), 1, std::numeric_limits<int>::max(), "--refine");
        if (parser.isSet(refineMethod_)) {
            const RefinementMethodEntry* entry =
                FindRefinementMethod(parser.value(refineMethod_).toStdString());
            if (entry == nullptr)
                throw UsageError("unknown refinement method " + parser.value(refineMethod_).toStdString() +
                                 " (" + MethodChoices(false).toStdString() + ")");
            refinement.method = entry->method;
        }
        phase.refinement = refinement;
    } else if (parser.isSet(refineMethod_)) {
        throw UsageError("--refine-method needs --refine N");
    }

    PanelSettings& panel = phase.panel;
    if (parser.isSet(slm_)) ReadPanelSize(parser.value(slm_), panel);
    if (parser.isSet(fill_)) {
        // Without --slm the panel is the hologram: nothing to fill.
        if (!parser.isSet(slm_)) throw UsageError("--fill needs --slm WxH");
        const QString fill = parser.value(fill_);
        if (fill == QLatin1String("tile"))
            panel.fill = PanelFill::Tile;
        else if (fill == QLatin1String("pad"))
            panel.fill = PanelFill::Pad;
        else
            throw UsageError("--fill must be tile or pad: " + fill.toStdString());
    }

    if (parser.isSet(twoPi_) && parser.isSet(lut_))
        throw UsageError("--two-pi and --lut both set the grey levels; give one");
    if (parser.isSet(twoPi_)) phase.twoPiLevel = WholeNumberIn(parser.value(twoPi_), 1, 255, "--two-pi");
    panel.lookup = LinearLookupTable(phase.twoPiLevel);
    phase.lookupFile = parser.value(lut_);
    if (parser.isSet(lut_) && phase.lookupFile.isEmpty()) throw UsageError("--lut needs a file name");

    if (parser.isSet(tilt_)) {
        const auto tilt = NumberPair(parser.value(tilt_), QLatin1Char(','));
        if (!tilt)
            throw UsageError("--tilt must be two numbers FX,FY (cycles per pixel): " +
                             parser.value(tilt_).toStdString());
        if (!(std::abs(tilt->first) <= MaxTilt) || !(std::abs(tilt->second) <= MaxTilt))
            throw UsageError("--tilt must be from -0.5 to 0.5 cycles per pixel either way: " +
                             parser.value(tilt_).toStdString());
        panel.tiltX = tilt->first;
        panel.tiltY = tilt->second;
    }

    const bool lensParts = parser.isSet(wavelength) || parser.isSet(pitch_);
    if (parser.isSet(lens_)) {
        if (!parser.isSet(pitch_)) throw UsageError("--lens needs --pitch UM");
        LensTerm lens;
        lens.focalMetres = Number(parser.value(lens_), "--lens");
        if (lens.focalMetres == 0) throw UsageError("--lens must be a focal length other than 0");
        lens.wavelengthNm = parser.isSet(wavelength)
                                ? PositiveNumber(parser.value(wavelength), "--wavelength")
                                : DefaultLensWavelengthNm;
        lens.pitchMicrometres = PositiveNumber(parser.value(pitch_), "--pitch");
        panel.lens = lens;
        // A lens whose phase is beyond any number even on the smallest panel
        // that shows it (the hologram's own size is not known yet) can give
        // no panel at all.
        try {
            CheckPanelSettings(panel, 2, 2);
        } catch (const std::invalid_argument& error) {
            throw UsageError(std::string("--lens ") + parser.value(lens_).toStdString() + ": " +
                             error.what());
        }
    } else if (lensParts) {
        throw UsageError("--wavelength and --pitch with --phase are for --lens F");
    }
    return phase;
}

}  // namespace marbleck::cli
