// The amplitude hologram's calls: the hologram of an object, its geometry,
// its grey levels and a print's physical figures.
#include <pybind11/stl.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/reconstruction/PhysicalFigures.h"
#include "engine/sums/HologramCalculation.h"
#include "python/src/Bindings.h"
#include "python/src/CallControl.h"

namespace marbleck::python {

namespace {

py::array_t<float> HologramOf(const Mask& mask, float width, float height, double reps, bool randomPhase,
                              std::uint64_t seed, const std::string& engine, double timeLimit, int threads) {
    CheckThreads(threads);
    // Reps that leave no value summed are refused, as the command line does.
    RefuseUnvisitedHologram(MakeHologramGeometry(width, height, reps));
    HologramRequest request;
    request.object = {width, height, LitSamplesOf(mask)};
    request.reps = reps;
    request.engine = engine;
    request.randomPhase = randomPhase;
    request.seed = seed;
    request.greyLevels = false;  // the caller gets the normalised field alone
    RefuseUnboundedWork(request, timeLimit, threads);
    const CallLimits limits(threads, timeLimit);
    HologramResult result =
        limits.run([&] { return MakeHologram(std::move(request), limits.context()); }, "the hologram");
    return ArrayOfField(std::move(result.field));
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

py::tuple GeometryTuple(float width, float height, double reps) {
    const HologramGeometry g = MakeHologramGeometry(width, height, reps);
    return py::make_tuple(g.canvasColumns, g.canvasRows, g.fieldColumns, g.fieldRows, g.columns, g.rows);
}

}  // namespace

void RegisterHologramCalls(py::module_& module) {
    module.def("hologram", &HologramOf,
               "The normalised hologram (rows x columns, Fortran order) of the lit samples of `mask`, "
               "an object of width x height at `reps`.",
               py::arg("mask"), py::arg("width"), py::arg("height"), py::arg("reps"), py::kw_only(),
               py::arg("random_phase"), py::arg("seed"), py::arg("engine"), py::arg("time_limit"),
               py::arg("nthreads") = 0);
    module.def("geometry", &GeometryTuple,
               "The canvas's, the field's and the visited columns and rows of an object of width x "
               "height at `reps`.",
               py::arg("width"), py::arg("height"), py::arg("reps"));
    module.def("grey_levels", &GreyLevelsOf, "The grey levels GreyLevel gives each value, as uint8.",
               py::arg("values"));
    module.def("physical", &PhysicalOf, "A print's physical figures by name.", py::arg("columns"),
               py::arg("rows"), py::arg("dpi"), py::arg("scale"), py::arg("wavelength_nm"),
               py::arg("distance_m"));
}

}  // namespace marbleck::python
