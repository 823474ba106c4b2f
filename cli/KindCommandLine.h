#pragma once

#include <QCommandLineParser>
#include <memory>
#include <span>
#include <string>

#include "engine/kinds/HologramKind.h"

namespace marbleck::cli {

// The kind a command line chose and the post-processing its options ask for.
struct KindChoice {
    const HologramKind* kind = nullptr;
    std::shared_ptr<const KindPostProcessing> postProcessing;
    // What chose it, as messages name it: "--phase", "the scene a.ply"; ""
    // for the first kind.
    std::string how;
};

// The kinds' switches and options on the command line, all from the kinds
// table: the first kind (the one chosen without a switch) has its options
// among the calculation's, every other kind its switch (`choice`) and
// options after the common ones (a shared option once); an object that is
// one of a kind's scene files chooses that kind. The table must outlive this
// object.
class KindCommandLine {
public:
    explicit KindCommandLine(std::span<const HologramKind* const> kinds = HologramKinds());

    // The first kind's options; then every other kind's switch and options.
    // Throws std::logic_error for a name the parser already has.
    void addFirstKindsOptions(QCommandLineParser& parser) const;
    void addOtherKinds(QCommandLineParser& parser) const;

    // The first kind's post-processing, its options' values checked whatever
    // kind is chosen. Throws UsageError with the kind's reason.
    std::shared_ptr<const KindPostProcessing> readFirstKind(const QCommandLineParser& parser) const;

    // The kind chosen, by its switch or by the objects' scene files, and its
    // post-processing (`first`, readFirstKind's, for the first kind). Throws
    // UsageError for two kinds' switches (or a switch and a scene file),
    // scene files beside other objects, a switch naming an object's second
    // file with several objects, an option of a kind not chosen ("--refine
    // needs --phase", "--binarize is for printed holograms, not --phase") and
    // a value the chosen kind cannot take.
    KindChoice choose(const QCommandLineParser& parser,
                      std::shared_ptr<const KindPostProcessing> first) const;

private:
    std::span<const HologramKind* const> kinds_;
};

}  // namespace marbleck::cli
