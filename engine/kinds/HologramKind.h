#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/reconstruction/Figures.h"
#include "engine/reconstruction/Reconstruction.h"
#include "engine/scenes/ScenePlane.h"

namespace marbleck {

struct HologramKind;
struct HologramJob;
struct JobTimings;
struct KindPostProcessing;

// A named value of a hologram's record or details: none (null), a number, a
// count, a flag, a text, named values of its own or a list of numbers.
struct NamedValue;
using NamedValues = std::vector<NamedValue>;
struct FieldValue {
    std::variant<std::monostate, double, long long, bool, std::string, NamedValues, std::vector<double>>
        value;
};
struct NamedValue {
    std::string name;
    FieldValue value;
};

// Figures as named values (the table's names); with `only`, those the
// entries name alone.
NamedValues FigureValues(const Figures& figures, std::span<const std::string_view> only = {});

// The grey levels a view paints: columns x rows of them, column by column,
// `stride` levels a column.
struct ViewLevels {
    const std::uint8_t* levels = nullptr;
    int columns = 0;
    int rows = 0;
    int stride = 0;
};

// What a file of the hologram holds: `levels` for the formats of grey
// levels (PNG, BMP: each value's GreyLevel is its level; 16-bit levels of a
// binarized one are 0 and 65535), `values` for the formats of numbers
// (TIFF, NumPy; a binarized field's 255 is written as 1; none where the
// values are complex). A kind whose levels have 8 bits only takes no depth.
// `complex` holds complex fields (one a wavelength, on one plane), which the
// formats of complex values (NumPy) write.
struct FileContent {
    const HologramField* levels = nullptr;
    const HologramField* values = nullptr;
    bool binarized = false;
    bool takesDepth = true;
    std::span<const SceneField> complex = {};
};

// One hologram of any kind, as made by its kind's engine call and
// post-processing: what a window shows, a file holds, a reconstruction
// transforms and a report says of it.
class Hologram {
public:
    virtual ~Hologram() = default;

    virtual const HologramKind& kind() const = 0;
    virtual const HologramGeometry& geometry() const = 0;
    // The object's lit samples, in scan order.
    virtual std::span<const ObjectPoint> litSamples() const = 0;
    // What the view paints.
    virtual ViewLevels view() const = 0;
    // What an output file holds (for a phase hologram: its panel's).
    virtual FileContent fileContent() const = 0;
    // The far field of what a file holds, the zero order removed: what a
    // reconstruction window and --reconstruct show.
    virtual Reconstruction reconstruct(const ExecutionContext& context = {}) const = 0;
    // The five figures. `reconstructed` is reconstruct()'s result when the
    // caller has one, which a kind whose figures come from that far field
    // uses instead of transforming again.
    virtual Figures figures(const Reconstruction* reconstructed = nullptr,
                            const ExecutionContext& context = {}) const = 0;
    // The kind's details for a report: the columns and rows of the hologram
    // (an amplitude hologram's field bounds), with the raw range, threshold
    // and binarization method of an amplitude hologram, the panel of a phase
    // one.
    virtual NamedValues details() const = 0;
    // The record of its iterative post-processing (an optimised binarization,
    // a refinement), named by the kind's recordName; empty without one.
    virtual NamedValues record() const = 0;
    // Post-processes the hologram again as `steps` asks (the kind's own
    // KindPostProcessing): a window's Binarize or Refine, or a new panel.
    virtual void postProcess(const KindPostProcessing& steps, const ExecutionContext& context = {}) = 0;
    virtual std::unique_ptr<Hologram> clone() const = 0;
};

// An option of a kind: its name on the command line (without the "--"; a
// Python keyword with "_" for "-"), the name of its value ("" for a
// switch), what it does (the command line's help text), whether its
// value is a file's name. A `shared` option is the same option as another
// kind's or the caller's common one of that name (a hologram's --pitch, its
// --wavelength): a front end offers it once, with the first one's help.
struct KindOption {
    std::string_view name;
    std::string_view valueName;
    std::string_view help;
    bool fileName = false;
    bool shared = false;
};

// The values a caller gave a kind's options, as text (the command line's
// words; Python's keywords as text). A kind may also read the caller's
// common options by name (the command line's "wavelength").
class KindOptionValues {
public:
    virtual ~KindOptionValues() = default;
    virtual bool isSet(std::string_view name) const = 0;
    // The value as given; "" for a switch or an option not set.
    virtual std::string value(std::string_view name) const = 0;
};

// An option value a kind cannot take; what() is the one-line reason,
// naming the option ("--refine must be a whole number from 1 to ...").
class KindOptionError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// A file a post-processing reads: its name as bytes and what messages call
// it ("lookup table").
struct KindInputFile {
    std::string path;
    std::string role;
};

// A file a post-processing reads that cannot be used: the file's name (as
// bytes) and the reason ("line 3: ...", "File not found: ...").
class KindInputFileError : public std::runtime_error {
public:
    KindInputFileError(std::string file, const std::string& reason)
        : std::runtime_error(reason), file_(std::move(file)) {}
    const std::string& file() const { return file_; }

private:
    std::string file_;
};

// The post-processing a job asks of its kind; each kind derives its own
// (AmplitudePostProcessing, PhasePostProcessing) and reads only that.
struct KindPostProcessing {
    virtual ~KindPostProcessing() = default;
    // The files it reads before any hologram is made (none by default).
    virtual std::vector<KindInputFile> inputFiles() const { return {}; }
    // A copy of it with those files read in; null where it reads none.
    // Throws KindInputFileError naming the file.
    virtual std::shared_ptr<const KindPostProcessing> readInputFiles() const { return nullptr; }
    // How many times its iterative stage goes over every value of the
    // hologram (a refinement's iterations), work a caller bounds as it bounds
    // the sums; 0 for none.
    virtual int iterationsOverValues() const { return 0; }
    // Whether the hologram's values are complex (a complex field), which only
    // the formats that hold complex values take.
    virtual bool complexValues() const { return false; }
};

// One kind of hologram: an entry of the kinds table.
struct HologramKind {
    std::string_view name;   // "amplitude", "phase"
    std::string_view label;  // what a menu shows, its mnemonic after "&"
    // What a window's status bar calls one just made ("Hologram").
    std::string_view caption;
    // What messages call its holograms ("printed holograms").
    std::string_view plural;
    // How many times the engine sums every point into every value.
    double sumsPerPoint = 1;
    // The name of its record in a report ("optimisation", "refinement").
    std::string_view recordName;
    // The command-line switch that chooses this kind instead of the first
    // kind's (none for the first), and the options of its post-processing.
    KindOption choice = {};
    std::span<const KindOption> options = {};
    // The post-processing the options' values ask for; null where the kind
    // reads none. Throws KindOptionError.
    std::shared_ptr<KindPostProcessing> (*readOptions)(const KindOptionValues& given) = nullptr;
    // Makes the job's hologram and post-processes it, filling in the
    // timings of its stages. Throws what the engine's calls throw.
    std::unique_ptr<Hologram> (*make)(const HologramJob& job, const ExecutionContext& context,
                                      JobTimings& seconds) = nullptr;
    // What a progress line calls its iterative post-processing while it
    // runs ("optimising", "refining").
    std::string_view progressStage;
    // Whether it weighs each sample by its brightness (HologramJob's); an
    // amplitude hologram adds every sample at full strength.
    bool weighsBrightness = false;
    // The extensions (lower case, without the dot) of the scene files that
    // choose this kind without its switch. A kind with any makes holograms
    // of a 3-D scene (HologramJob::scene), whose switch names the second
    // file of a scene made of two (a colour picture's depth picture).
    std::span<const std::string_view> sceneFiles = {};
};

// Every kind, "amplitude" first.
std::span<const HologramKind* const> HologramKinds();

// The kind named `name`, or nullptr.
const HologramKind* FindHologramKind(std::string_view name);

}  // namespace marbleck
