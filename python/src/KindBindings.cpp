// The kinds table's calls: its entries, and a hologram of any kind made by
// the job runner, its post-processing read by the kind's own entry.
#include <pybind11/stl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/kinds/HologramJob.h"
#include "engine/kinds/HologramKind.h"
#include "engine/kinds/OptionTextMap.h"
#include "engine/sums/Normalisation.h"
#include "python/src/Bindings.h"
#include "python/src/CallControl.h"

namespace marbleck::python {

namespace {

// The options a caller gave, by their names in the table ("refine-method"),
// each as text.
using Texts = OptionTextMap::Texts;

std::string Text(std::string_view text) { return std::string(text); }

// (name, label, caption, ((option, value name, help, file name?), ...)) of each entry.
std::vector<py::tuple> KindEntries() {
    std::vector<py::tuple> entries;
    for (const HologramKind* kind : HologramKinds()) {
        std::vector<py::tuple> options;
        for (const KindOption& option : kind->options)
            options.push_back(py::make_tuple(Text(option.name), Text(option.valueName), Text(option.help),
                                             option.fileName));
        entries.push_back(py::make_tuple(Text(kind->name), Text(kind->label), Text(kind->caption), options));
    }
    return entries;
}

const HologramKind& KindNamed(const std::string& name) {
    const HologramKind* kind = FindHologramKind(name);
    if (kind == nullptr) throw std::invalid_argument("unknown hologram kind " + name);
    return *kind;
}

// The kind's post-processing from the options given, with the files it
// names read in; null where the kind reads no options or asks for none. `common`
// holds the caller's values a kind may read beside its own ("wavelength").
// KindOptionError is a std::invalid_argument, a ValueError to Python; a
// file that cannot be used an OSError naming it.
std::shared_ptr<const KindPostProcessing> PostProcessingOf(const HologramKind& kind, Texts given,
                                                           const Texts& common) {
    for (const auto& [name, value] : given) {
        bool known = false;
        for (const KindOption& option : kind.options) known = known || option.name == name;
        if (!known) throw std::invalid_argument("the " + Text(kind.name) + " kind has no option " + name);
    }
    if (kind.readOptions == nullptr) {
        if (!given.empty()) throw std::invalid_argument("the " + Text(kind.name) + " kind reads no options");
        return nullptr;
    }
    given.insert(common.begin(), common.end());
    const std::shared_ptr<const KindPostProcessing> steps = kind.readOptions(OptionTextMap(std::move(given)));
    if (steps == nullptr) return nullptr;
    try {
        std::shared_ptr<const KindPostProcessing> read;
        {
            py::gil_scoped_release released;
            read = steps->readInputFiles();
        }
        return read != nullptr ? read : steps;
    } catch (const KindInputFileError& error) {
        std::string role = "file";
        for (const KindInputFile& file : steps->inputFiles())
            if (file.path == error.file()) role = file.role;
        PyErr_SetString(PyExc_OSError, (role + " " + error.file() + ": " + error.what()).c_str());
        throw py::error_already_set();
    }
}

// A named value as Python has it: None, a number, a flag, a text or a dict.
py::object ObjectOf(const FieldValue& field);

py::dict DictOf(const NamedValues& values) {
    py::dict named;
    for (const NamedValue& value : values) named[py::str(value.name)] = ObjectOf(value.value);
    return named;
}

py::object ObjectOf(const FieldValue& field) {
    return std::visit(
        [](const auto& value) -> py::object {
            using Value = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<Value, std::monostate>)
                return py::none();
            else if constexpr (std::is_same_v<Value, NamedValues>)
                return DictOf(value);
            else
                return py::cast(value);
        },
        field.value);
}

// A rows x columns view of `field`, which `owner` keeps alive.
py::array_t<float> ViewOf(const HologramField& field, const py::capsule& owner) {
    const py::ssize_t rows = field.rows(), columns = field.columns();
    return py::array_t<float>(
        {rows, columns},
        {static_cast<py::ssize_t>(sizeof(float)), rows * static_cast<py::ssize_t>(sizeof(float))},
        field.values().data(), owner);
}

// What a file of the hologram holds: its numbers (a binarized field's 255
// as 1, as a NumPy file holds it) and its 8-bit grey levels, rows x columns.
std::pair<py::object, py::object> FileArrays(std::unique_ptr<Hologram> hologram) {
    const FileContent content = hologram->fileContent();
    auto* held = new std::shared_ptr<const Hologram>(std::move(hologram));
    const py::capsule owner(held, [](void* h) { delete static_cast<std::shared_ptr<const Hologram>*>(h); });
    py::object values = py::none(), levels = py::none();
    if (content.values != nullptr) {
        if (content.binarized) {
            HologramField ones(*content.values);
            for (float& value : ones.values()) value = value / 255.0f;
            values = ArrayOfField(std::move(ones));
        } else {
            values = ViewOf(*content.values, owner);
        }
    }
    if (content.levels != nullptr) {
        const HologramField& field = *content.levels;
        const py::ssize_t rows = field.rows(), columns = field.columns();
        py::array_t<std::uint8_t> grey({rows, columns}, {py::ssize_t{1}, rows});
        std::uint8_t* out = grey.mutable_data();
        for (const float value : field.values()) *out++ = GreyLevel(value);
        levels = grey;
    }
    return {values, levels};
}

// (kind, values, levels, figures or None, record or None, details) of the
// job's hologram.
py::tuple MakeOf(const Mask& mask, const std::vector<float>& brightness, float width, float height,
                 double reps, const std::string& kindName, const Texts& options, const Texts& common,
                 bool randomPhase, std::uint64_t seed, const std::string& engine, bool figures,
                 double timeLimit, int threads) {
    CheckThreads(threads);
    const HologramKind& kind = KindNamed(kindName);
    HologramJob job;
    job.object = {width, height, LitSamplesOf(mask)};
    if (!brightness.empty() && brightness.size() != job.object.litSamples.size())
        throw std::invalid_argument("the brightness has " + std::to_string(brightness.size()) +
                                    " values for " + std::to_string(job.object.litSamples.size()) +
                                    " lit samples");
    job.brightness = brightness;
    job.kind = kindName;
    job.reps = reps;
    job.engine = engine;
    job.randomPhase = randomPhase;
    job.seed = seed;
    job.figures = figures;
    job.postProcessing = PostProcessingOf(kind, options, common);
    // Reps that leave no value summed, and sums beyond the exact engines'
    // bound without a time limit, are refused before any work.
    RefuseUnvisitedHologram(MakeHologramGeometry(width, height, reps));
    RefuseUnboundedWork(RequestOf(job), timeLimit, threads);
    const CallLimits limits(threads, timeLimit);
    JobResult result = limits.run([&] { return RunJob(job, limits.context()); }, "the hologram");
    py::object measured = result.figures ? py::object(FigureDict(*result.figures)) : py::none();
    const NamedValues record = result.hologram->record();
    py::object recorded = record.empty() ? py::none() : py::object(DictOf(record));
    py::dict details = DictOf(result.hologram->details());
    auto [values, levels] = FileArrays(std::move(result.hologram));
    return py::make_tuple(Text(kind.name), values, levels, measured, recorded, details);
}

}  // namespace

void RegisterKindCalls(py::module_& module) {
    module.def("kinds", &KindEntries,
               "(name, label, caption, ((option, value name, help, file name?), ...)) of each entry of the "
               "kinds table, the first kind first.");
    module.def("make", &MakeOf,
               "(kind, values, levels, figures by name or None, record or None, details) of the hologram "
               "of kind `kind` of the lit samples of `mask`, its post-processing read from `options` (by "
               "the table's names, as text) and the caller's `common` values by the kind's entry.",
               py::arg("mask"), py::arg("brightness"), py::arg("width"), py::arg("height"), py::arg("reps"),
               py::kw_only(), py::arg("kind"), py::arg("options"), py::arg("common"), py::arg("random_phase"),
               py::arg("seed"), py::arg("engine"), py::arg("figures"), py::arg("time_limit"),
               py::arg("nthreads") = 0);
}

}  // namespace marbleck::python
