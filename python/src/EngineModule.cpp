// marbleck._engine: the engine library's calls over NumPy arrays. The
// package's pure-Python layer (marbleck/__init__.py) checks and converts the
// arguments and documents them; this module trusts what it is handed.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <climits>
#include <cmath>
#include <complex>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/Binarization.h"
#include "engine/CalculationEngine.h"
#include "engine/CalculationWork.h"
#include "engine/ComplexFarField.h"
#include "engine/HologramCalculation.h"
#include "engine/HologramField.h"
#include "engine/HologramGeometry.h"
#include "engine/Kinoform.h"
#include "engine/LookupTable.h"
#include "engine/LookupTableFile.h"
#include "engine/PanelMap.h"
#include "engine/PhaseFigures.h"
#include "engine/PhysicalFigures.h"
#include "engine/Reconstruction.h"
#include "engine/Refinement.h"
#include "platform/NumberText.h"
#include "platform/RunTimeError.h"
#include "python/src/CallControl.h"

namespace py = pybind11;
using namespace marbleck;
using marbleck::python::CallLimits;

namespace {

// The engine's limits on an array of rows x columns handed in, checked
// before anything is copied: both sides within an int and no more values
// than a hologram may have.
void CheckSize(py::ssize_t rows, py::ssize_t columns, const char* what) {
    if (rows > INT_MAX || columns > INT_MAX || rows * columns > MaxHologramValues)
        throw RunTimeError(ErrorNumber::OutOfMemory, std::string("Out of memory: the ") + what + " has " +
                                                         std::to_string(rows) + " x " +
                                                         std::to_string(columns) + " values, more than " +
                                                         std::to_string(MaxHologramValues));
}

// The lit samples of a mask of rows x columns (row y, column x, row by row),
// in the engine's scan order: x outer, y inner.
std::vector<ObjectPoint> LitSamplesOf(const py::array_t<bool, py::array::c_style>& mask) {
    CheckSize(mask.shape(0), mask.shape(1), "object");
    const auto lit = mask.unchecked<2>();
    std::vector<ObjectPoint> points;
    for (py::ssize_t x = 0; x < lit.shape(1); ++x)
        for (py::ssize_t y = 0; y < lit.shape(0); ++y)
            if (lit(y, x)) points.push_back({static_cast<int>(x), static_cast<int>(y)});
    return points;
}

// A field as NumPy sees it: rows x columns, row v at index v. The engine
// keeps a field column by column, so the array is a Fortran-ordered view of
// the field's own values, which the array keeps alive.
py::array_t<float> ArrayOfField(HologramField&& field) {
    auto owner = std::make_unique<HologramField>(std::move(field));
    const py::ssize_t rows = owner->rows(), columns = owner->columns();
    float* data = owner->values().data();
    py::capsule keeper(owner.get(), [](void* held) { delete static_cast<HologramField*>(held); });
    owner.release();
    return py::array_t<float>(
        {rows, columns},
        {static_cast<py::ssize_t>(sizeof(float)), rows * static_cast<py::ssize_t>(sizeof(float))}, data,
        keeper);
}

// The engine's own copy of a rows x columns array.
HologramField FieldOfArray(const py::array_t<float, py::array::f_style>& values) {
    CheckSize(values.shape(0), values.shape(1), "field");
    HologramField field(static_cast<int>(values.shape(1)), static_cast<int>(values.shape(0)));
    std::copy(values.data(), values.data() + values.size(), field.values().begin());
    return field;
}

HologramGeometry GeometryOf(float width, float height, double reps) {
    return MakeHologramGeometry(width, height, reps);
}

// Refuses a calculation by an engine that adds every point into every value
// above ExactWorkBound unless a time limit stops it, with the estimate; true
// where such work goes on under the time limit.
bool RefuseUnboundedWork(const HologramRequest& request, double timeLimit) {
    const CalculationEngine& engine = CalculationEngineNamed(request.engine);
    const HologramGeometry geometry =
        MakeHologramGeometry(request.object.width, request.object.height, request.reps);
    const std::vector<ObjectPoint>& points = request.object.litSamples;
    if (!engine.addsEveryPointToEveryValue || PointValues(geometry, points.size()) <= ExactWorkBound)
        return false;
    if (timeLimit > 0) return true;
    const double minutes = EstimatedSeconds(engine, geometry, points, ThreadPool::Shared().size()) / 60.0;
    throw std::invalid_argument(std::to_string(points.size()) + " points × " +
                                std::to_string(static_cast<long long>(geometry.columns) * geometry.rows) +
                                " values is more than the 2^" + std::to_string(ExactWorkBoundExponent) +
                                " bound of the " + std::string(engine.name) + " engine (about " +
                                WriteNumber(std::ceil(minutes)) +
                                " min here); use engine=\"fast\", or time_limit=S to go on");
}

py::array_t<float> HologramOf(const py::array_t<bool, py::array::c_style>& mask, float width, float height,
                              double reps, bool randomPhase, std::uint64_t seed, const std::string& engine,
                              double timeLimit) {
    // Reps that leave no value summed are refused, as the command line does.
    RefuseUnvisitedHologram(GeometryOf(width, height, reps));
    HologramRequest request;
    request.object = {width, height, LitSamplesOf(mask)};
    request.reps = reps;
    request.engine = engine;
    request.randomPhase = randomPhase;
    request.seed = seed;
    RefuseUnboundedWork(request, timeLimit);
    const CallLimits limits(timeLimit);
    HologramResult result =
        limits.run([&] { return MakeHologram(std::move(request), limits.control()); }, "the hologram");
    return ArrayOfField(std::move(result.field));
}

// The binarized field as 0 and 1, the calculated field's threshold and what
// an iterative method did (None for the others).
py::tuple BinarizationOf(const py::array_t<float, py::array::f_style>& values, const std::string& method,
                         double threshold, double budgetSeconds, int maxIterations,
                         const std::optional<py::array_t<bool, py::array::c_style>>& mask, float width,
                         float height, double reps) {
    const HologramField field = FieldOfArray(values);
    HologramGeometry geometry;
    std::vector<ObjectPoint> litSamples;
    if (mask) {
        geometry = GeometryOf(width, height, reps);
        litSamples = LitSamplesOf(*mask);
    } else {
        // Without the object every value counts as visited.
        geometry.fieldColumns = geometry.columns = field.columns();
        geometry.fieldRows = geometry.rows = field.rows();
    }
    const CallLimits limits;
    BinarizedHologram binarized = limits.run(
        [&] {
            const BinarizationContext context{geometry, litSamples, ThreadPool::Shared(), limits.control()};
            BinarizedHologram result =
                ApplyBinarization({method, threshold, budgetSeconds, maxIterations}, field, context);
            for (float& value : result.field.values()) value = value / 255.0f;
            return result;
        },
        "the binarization");
    py::object record = py::none();
    if (binarized.optimisation) {
        const OptimisationRecord& done = *binarized.optimisation;
        record = py::make_tuple(done.start.fidelity, done.start.uniformity, done.start.efficiency,
                                done.end.fidelity, done.end.uniformity, done.end.efficiency, done.iterations,
                                done.seconds);
    }
    const double used = binarized.threshold;
    return py::make_tuple(ArrayOfField(std::move(binarized.field)), used, record);
}

py::array_t<float> ArrayOfReconstruction(const Reconstruction& r) {
    py::array_t<float> intensity({r.rows, r.columns});
    std::copy(r.intensity.begin(), r.intensity.end(), intensity.mutable_data());
    return intensity;
}

py::array_t<float> ReconstructionOf(const py::array_t<float, py::array::f_style>& values,
                                    bool removeZeroOrder) {
    const HologramField field = FieldOfArray(values);
    return ArrayOfReconstruction(python::RunReleased([&] {
        return Reconstruct(field, field.columns(), field.rows(), {.removeZeroOrder = removeZeroOrder});
    }));
}

using ComplexArray = py::array_t<std::complex<float>, py::array::f_style>;

// The far field of a complex transmittance of rows x columns.
Reconstruction ComplexFarFieldOf(const ComplexArray& values, bool removeZeroOrder) {
    CheckSize(values.shape(0), values.shape(1), "field");
    const auto rows = static_cast<int>(values.shape(0)), columns = static_cast<int>(values.shape(1));
    const std::span<const std::complex<float>> t(values.data(), static_cast<std::size_t>(values.size()));
    return python::RunReleased(
        [&] { return ReconstructComplex(t, columns, rows, {.removeZeroOrder = removeZeroOrder}); });
}

// The geometry of an object whose hologram has rows x columns values.
HologramGeometry CheckedGeometry(py::ssize_t rows, py::ssize_t columns, float width, float height,
                                 double reps) {
    const HologramGeometry geometry = GeometryOf(width, height, reps);
    if (rows != geometry.fieldRows || columns != geometry.fieldColumns)
        throw std::invalid_argument("the hologram has " + std::to_string(rows) + " x " +
                                    std::to_string(columns) + " values, the object at these reps " +
                                    std::to_string(geometry.fieldRows) + " x " +
                                    std::to_string(geometry.fieldColumns));
    return geometry;
}

py::tuple FigureTuple(const HologramFigures& figures) {
    return py::make_tuple(figures.fidelity, figures.uniformity, figures.efficiency);
}

py::tuple FiguresOf(const py::array_t<float, py::array::f_style>& values,
                    const py::array_t<bool, py::array::c_style>& mask, float width, float height,
                    double reps) {
    const HologramGeometry geometry = CheckedGeometry(values.shape(0), values.shape(1), width, height, reps);
    const HologramField field = FieldOfArray(values);
    const std::vector<ObjectPoint> litSamples = LitSamplesOf(mask);
    return FigureTuple(python::RunReleased([&] {
        return MeasureFigures(Reconstruct(field, geometry.columns, geometry.rows), litSamples, geometry);
    }));
}

// The same figures of the far field of a complex transmittance (every value
// counts: a complex field has no unvisited column).
py::tuple ComplexFiguresOf(const ComplexArray& values, const py::array_t<bool, py::array::c_style>& mask,
                           float width, float height, double reps) {
    HologramGeometry geometry = CheckedGeometry(values.shape(0), values.shape(1), width, height, reps);
    geometry.columns = geometry.fieldColumns;
    geometry.rows = geometry.fieldRows;
    const std::vector<ObjectPoint> litSamples = LitSamplesOf(mask);
    const Reconstruction r = ComplexFarFieldOf(values, true);
    return FigureTuple(python::RunReleased([&] { return MeasureFigures(r, litSamples, geometry); }));
}

py::array_t<std::uint8_t> GreyLevelsOf(const py::array_t<float, py::array::c_style>& values) {
    py::array_t<std::uint8_t> grey(std::vector<py::ssize_t>(values.shape(), values.shape() + values.ndim()));
    const float* in = values.data();
    std::uint8_t* out = grey.mutable_data();
    for (py::ssize_t i = 0; i < values.size(); ++i) out[i] = GreyLevel(in[i]);
    return grey;
}

py::dict PhysicalOf(int columns, int rows, double dpi, double scale, double wavelengthNm, double distanceM) {
    const PhysicalFigures f = ComputePhysicalFigures(columns, rows, dpi, scale, wavelengthNm, distanceM);
    py::dict figures;
    figures["pitch_mm"] = f.pitchMm;
    figures["width_mm"] = f.widthMm;
    figures["height_mm"] = f.heightMm;
    figures["wavelength_nm"] = f.wavelengthNm;
    figures["distance_m"] = f.distanceM;
    figures["max_angle_degrees"] = f.maxAngleDegrees;
    figures["screen_image_mm"] = f.screenImageMm;
    figures["screen_span_mm"] = f.screenSpanMm;
    return figures;
}

py::tuple PhaseFiguresTuple(const PhaseFigures& f) {
    return py::make_tuple(f.efficiency, f.uniformity, f.spread, f.fidelity);
}

// The kinoform of an object and, with iterations, its refinement: the phase
// (rows x columns, 0 .. 2π), its figures and the refinement's record.
py::tuple KinoformOf(const py::array_t<bool, py::array::c_style>& mask, const std::vector<float>& brightness,
                     float width, float height, double reps, bool randomPhase, std::uint64_t seed,
                     const std::string& engine, int iterations, const std::string& method,
                     double budgetSeconds) {
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
    const bool beyondBound = RefuseUnboundedWork(request.hologram, budgetSeconds);
    const CallLimits limits(beyondBound ? budgetSeconds : 0);
    PhaseHologram h =
        limits.run([&] { return MakePhaseHologram(std::move(request), limits.control()); }, "the kinoform");
    py::object record = py::none();
    if (h.refinement)
        record = py::make_tuple(std::string(RefinementMethodEntryOf(h.refinement->method).name),
                                PhaseFiguresTuple(h.refinement->start), PhaseFiguresTuple(h.refinement->end),
                                h.refinement->iterations, h.refinement->seconds);
    const py::tuple figures = PhaseFiguresTuple(h.figures);
    return py::make_tuple(ArrayOfField(std::move(h.phase)), figures, record);
}

// A phase map on a modulator's panel: its grey levels through the lookup
// table and its phase, both rows x columns.
py::tuple PanelMapOf(const py::array_t<float, py::array::f_style>& phase, int width, int height, bool pad,
                     double tiltX, double tiltY,
                     const std::optional<std::tuple<double, double, double>>& lens,
                     const py::array_t<std::uint8_t, py::array::c_style>& lookup) {
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
    PanelMap map = python::RunReleased([&] { return MapToPanel(h, panel); });
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

py::array_t<std::uint8_t> LookupTableOf(std::optional<std::string> text, int twoPiLevel) {
    return ArrayOfTable(text ? ParseLookupTable(*text) : LinearLookupTable(twoPiLevel));
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
    const HologramGeometry geometry = GeometryOf(width, height, reps);
    return py::make_tuple(RefinementValues(geometry, iterations),
                          RefinementSeconds(geometry, iterations, ThreadPool::Shared().size()));
}

std::vector<std::string> NamesOf(const auto& table) {
    std::vector<std::string> names;
    for (const auto& entry : table) names.emplace_back(entry.name);
    return names;
}

}  // namespace

PYBIND11_MODULE(_engine, module) {
    module.doc() = "The Marbleck engine's calls; use the marbleck package, which checks their arguments.";
    // A hologram too large for the engine is a memory error to Python, any
    // other run-time error a bad argument.
    py::register_exception_translator([](std::exception_ptr error) {
        try {
            if (error) std::rethrow_exception(error);
        } catch (const RunTimeError& failure) {
            if (failure.number() == ErrorNumber::OutOfMemory)
                PyErr_SetString(PyExc_MemoryError, failure.what());
            else
                PyErr_SetString(PyExc_ValueError, failure.what());
        }
    });
    module.def("hologram", &HologramOf);
    module.def("binarize", &BinarizationOf);
    module.def("reconstruct", &ReconstructionOf);
    module.def("reconstruct_complex", [](const ComplexArray& values, bool removeZeroOrder) {
        return ArrayOfReconstruction(ComplexFarFieldOf(values, removeZeroOrder));
    });
    module.def("figures", &FiguresOf);
    module.def("figures_complex", &ComplexFiguresOf);
    module.def("brightness_of_levels", [](const py::array_t<std::uint8_t, py::array::c_style>& levels) {
        py::array_t<float> brightness(levels.size());
        for (py::ssize_t i = 0; i < levels.size(); ++i)
            brightness.mutable_data()[i] = BrightnessOfLevel(levels.data()[i]);
        return brightness;
    });
    module.def("grey_levels", &GreyLevelsOf);
    module.def("physical", &PhysicalOf);
    module.def("geometry", [](float width, float height, double reps) {
        const HologramGeometry g = GeometryOf(width, height, reps);
        return py::make_tuple(g.canvasColumns, g.canvasRows, g.fieldColumns, g.fieldRows, g.columns, g.rows);
    });
    module.def("kinoform", &KinoformOf);
    module.def("panel_map", &PanelMapOf);
    module.def("lookup_table", &LookupTableOf);
    module.def("lookup_file", &LookupFileOf);
    module.def("refinement_work", &RefinementWorkOf);
    module.attr("refinement_work_bound") = RefinementWorkBound;
    module.attr("default_lens_wavelength") = DefaultLensWavelengthNm;
    module.attr("refinement_methods") = NamesOf(RefinementMethods());
    module.attr("engines") = NamesOf(CalculationEngines());
    module.attr("methods") = NamesOf(BinarizationMethods());
    module.attr("max_values") = MaxHologramValues;
    module.attr("version") = MARBLECK_VERSION;
}
