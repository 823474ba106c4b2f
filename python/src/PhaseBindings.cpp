// The phase hologram's calls: the kinoform and its refinement, the panel
// map, the modulator's lookup tables and the refinement's work.
#include <pybind11/stl.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/core/CalculationWork.h"
#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramGeometry.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/LookupTable.h"
#include "engine/phase/LookupTableFile.h"
#include "engine/phase/PanelMap.h"
#include "engine/phase/Refinement.h"
#include "python/src/Bindings.h"
#include "python/src/CallControl.h"

namespace marbleck::python {

namespace {

using Levels = py::array_t<std::uint8_t, py::array::c_style>;

// The kinoform of an object and, with iterations, its refinement: the phase
// (rows x columns, 0 .. 2π), its figures and the refinement's record.
py::tuple KinoformOf(const Mask& mask, const std::vector<float>& brightness, float width, float height,
                     double reps, bool randomPhase, std::uint64_t seed, const std::string& engine,
                     int iterations, const std::string& method, double budgetSeconds, int threads) {
    CheckThreads(threads);
    PhaseRequest request;
    request.hologram.object = {width, height, LitSamplesOf(mask)};
    request.hologram.reps = reps;
    request.hologram.engine = engine;
    request.hologram.randomPhase = randomPhase;
    request.hologram.seed = seed;
    request.brightness = brightness;
    if (iterations > 0) {
        const RefinementMethodEntry* entry = FindRefinementMethod(method);
        if (entry == nullptr) throw std::invalid_argument("unknown refinement method " + method);
        request.refinement = RefinementRequest{entry->method, iterations, budgetSeconds};
    }
    // Sums beyond the exact engines' bound run only under the time limit,
    // which then bounds the whole call, refinement included.
    const bool beyondBound = RefuseUnboundedWork(request.hologram, budgetSeconds, threads);
    const CallLimits limits(threads, beyondBound ? budgetSeconds : 0);
    // The phase kind's own figures, as the command line reports them.
    std::optional<PhaseKindHologram> made;
    const Figures figures = limits.run(
        [&] {
            made.emplace(MakePhaseHologram(std::move(request), limits.context()), PanelSettings{},
                         limits.context());
            return made->figures(nullptr, limits.context());
        },
        "the kinoform");
    const PhaseHologram& h = made->hologram();
    py::object record = py::none();
    if (h.refinement)
        record = py::make_tuple(std::string(RefinementMethodEntryOf(h.refinement->method).name),
                                FigureDict(FiguresOf(h.refinement->start)),
                                FigureDict(FiguresOf(h.refinement->end)), h.refinement->iterations,
                                h.refinement->seconds);
    return py::make_tuple(ArrayOfField(HologramField(h.phase)), FigureDict(figures), record);
}

// A phase map on a modulator's panel: its grey levels through the lookup
// table and its phase, both rows x columns.
py::tuple PanelMapOf(const FloatArray& phase, int width, int height, bool pad, double tiltX, double tiltY,
                     const std::optional<std::tuple<double, double, double>>& lens, const Levels& lookup,
                     int threads) {
    CheckThreads(threads);
    if (lookup.size() != 256) throw std::invalid_argument("a lookup table has 256 entries");
    PhaseHologram h;
    h.phase = FieldOfArray(phase);
    PanelSettings panel;
    panel.width = width;
    panel.height = height;
    panel.fill = pad ? PanelFill::Pad : PanelFill::Tile;
    panel.tiltX = tiltX;
    panel.tiltY = tiltY;
    if (lens) panel.lens = LensTerm{std::get<0>(*lens), std::get<1>(*lens), std::get<2>(*lens)};
    std::copy(lookup.data(), lookup.data() + 256, panel.lookup.begin());
    const CallLimits limits(threads);
    PanelMap map = limits.run([&] { return MapToPanel(h, panel, limits.context()); }, "the panel map");
    const py::ssize_t rows = map.phase.rows(), columns = map.phase.columns();
    py::array_t<std::uint8_t> levels({rows, columns}, {py::ssize_t{1}, rows});
    std::copy(map.levels.begin(), map.levels.end(), levels.mutable_data());
    return py::make_tuple(levels, ArrayOfField(std::move(map.phase)));
}

py::array_t<std::uint8_t> ArrayOfTable(const PhaseLookupTable& table) {
    py::array_t<std::uint8_t> values(256);
    std::copy(table.begin(), table.end(), values.mutable_data());
    return values;
}

// The table in the file named by `path` (its bytes), by the reader the
// window and the command line use: a file that cannot be read raises
// OSError (FileNotFoundError when there is none), one that is no table
// ValueError.
py::array_t<std::uint8_t> LookupFileOf(const py::bytes& path) {
    const std::string name = path;
    try {
        PhaseLookupTable table;
        {
            py::gil_scoped_release released;
            table = ReadLookupTableFile(name);
        }
        return ArrayOfTable(table);
    } catch (const LookupTableFileError& error) {
        PyObject* type = error.number() == ErrorNumber::FileNotFound           ? PyExc_FileNotFoundError
                         : error.number() == ErrorNumber::InvalidPropertyValue ? PyExc_ValueError
                                                                               : PyExc_OSError;
        PyErr_SetString(type, error.what());
        throw py::error_already_set();
    }
}

// A refinement's values × iterations and the seconds it may take here.
py::tuple RefinementWorkOf(float width, float height, double reps, int iterations) {
    const HologramGeometry geometry = MakeHologramGeometry(width, height, reps);
    return py::make_tuple(RefinementValues(geometry, iterations),
                          RefinementSeconds(geometry, iterations, ExecutionContext{}.pool().size()));
}

py::array_t<float> BrightnessOf(const Levels& levels) {
    py::array_t<float> brightness(levels.size());
    for (py::ssize_t i = 0; i < levels.size(); ++i)
        brightness.mutable_data()[i] = BrightnessOfLevel(levels.data()[i]);
    return brightness;
}

}  // namespace

void RegisterPhaseCalls(py::module_& module) {
    module.def("kinoform", &KinoformOf,
               "(phase, figures by name, (method, figures before, figures after, iterations, seconds) or "
               "None) of the kinoform of the lit samples of `mask` with their `brightness`.",
               py::arg("mask"), py::arg("brightness"), py::arg("width"), py::arg("height"), py::arg("reps"),
               py::kw_only(), py::arg("random_phase"), py::arg("seed"), py::arg("engine"),
               py::arg("iterations"), py::arg("method"), py::arg("time_limit"), py::arg("nthreads") = 0);
    module.def("panel_map", &PanelMapOf,
               "(grey levels, phase) of a phase map on a modulator's panel of width x height (0: the "
               "map's own size).",
               py::arg("phase"), py::kw_only(), py::arg("width"), py::arg("height"), py::arg("pad"),
               py::arg("tilt_x"), py::arg("tilt_y"), py::arg("lens"), py::arg("lut"),
               py::arg("nthreads") = 0);
    module.def(
        "lookup_table",
        [](const std::optional<std::string>& text, int twoPiLevel) {
            return ArrayOfTable(text ? ParseLookupTable(*text) : LinearLookupTable(twoPiLevel));
        },
        "The lookup table that `text` holds, or without it the linear one for `two_pi`.", py::arg("text"),
        py::kw_only(), py::arg("two_pi") = 255);
    module.def("lookup_file", &LookupFileOf, "The lookup table in the file named by `path`.",
               py::arg("path"));
    module.def("refinement_work", &RefinementWorkOf,
               "(values x iterations, estimated seconds) of a refinement of an object of width x height.",
               py::arg("width"), py::arg("height"), py::arg("reps"), py::arg("iterations"));
    module.def("brightness_of_levels", &BrightnessOf, "The brightness each grey level asks for.",
               py::arg("levels"));
}

}  // namespace marbleck::python
