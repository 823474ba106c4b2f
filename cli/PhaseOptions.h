#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <optional>

#include "engine/phase/PanelMap.h"
#include "engine/phase/Refinement.h"

namespace marbleck::cli {

// What --phase and the options that go with it ask for.
struct PhaseOptions {
    // --refine N with its method; none: the kinoform as summed.
    std::optional<RefinementRequest> refinement;
    // Size (0 x 0: the hologram's own), fill, tilt, lens and lookup table;
    // the table of lookupFile is read into it before any object is.
    PanelSettings panel;
    int twoPiLevel = 255;
    QString lookupFile;  // --lut; "" for the linear table of twoPiLevel
};

// The options of phase holograms, added to the command line's parser.
class PhaseCommandLine {
public:
    PhaseCommandLine();
    // This object must outlive the parser's parse.
    void addTo(QCommandLineParser& parser) const;
    // The phase options of a parsed command line, none without --phase.
    // `wavelength` is the command line's --wavelength, which with --phase is
    // the lens's. Throws UsageError for an option of phase holograms without
    // --phase, a value that is not what its option takes, a panel over the
    // engine's limits, a tilt beyond ±0.5 cycles per pixel, --two-pi with
    // --lut, --fill without --slm, --refine-method without --refine, a lens
    // without its pitch (its wavelength is DefaultLensWavelengthNm unless
    // given) or whose phase is beyond any number, and a wavelength or pitch
    // without a lens.
    std::optional<PhaseOptions> read(const QCommandLineParser& parser,
                                     const QCommandLineOption& wavelength) const;

private:
    QCommandLineOption phase_;
    QCommandLineOption refine_;
    QCommandLineOption refineMethod_;
    QCommandLineOption slm_;
    QCommandLineOption fill_;
    QCommandLineOption twoPi_;
    QCommandLineOption lut_;
    QCommandLineOption tilt_;
    QCommandLineOption lens_;
    QCommandLineOption pitch_;
};

}  // namespace marbleck::cli
