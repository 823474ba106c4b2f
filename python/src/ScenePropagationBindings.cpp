// The calls that carry a scene's field along the axis: propagation by the
// band-limited angular spectrum, the refocus at any depth (intensity, colour
// of several wavelengths) and how well each point comes to focus.
#include <pybind11/stl.h>

#include <algorithm>
#include <complex>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/scenes/AngularSpectrum.h"
#include "engine/scenes/Refocus.h"
#include "python/src/Bindings.h"
#include "python/src/CallControl.h"
#include "python/src/SceneArrays.h"

namespace marbleck::python {

SceneField SceneFieldOf(const ComplexValues& values, double pitch) {
    if (values.ndim() != 2) throw std::invalid_argument("a field is rows x columns");
    CheckSize(values.shape(0), values.shape(1), "field");
    SceneField field(ScenePlane{static_cast<int>(values.shape(1)), static_cast<int>(values.shape(0)), pitch});
    std::copy(values.data(), values.data() + values.size(), field.values.begin());
    return field;
}

namespace {

// The field `distance` metres along the axis by the band-limited angular
// spectrum.
py::array_t<std::complex<float>> PropagateOf(const ComplexValues& values, double distance, double pitch,
                                             double wavelength, int threads) {
    CheckThreads(threads);
    const SceneField field = SceneFieldOf(values, pitch);
    py::array_t<std::complex<float>> out({values.shape(0), values.shape(1)});
    std::complex<float>* to = out.mutable_data();
    const CallLimits limits(threads);
    limits.run(
        [&] {
            const SceneField moved = Propagate(field, distance, wavelength, limits.context());
            std::copy(moved.values.begin(), moved.values.end(), to);
        },
        "the propagation");
    return out;
}

// The intensity of a hologram's field at each depth: depths x rows x
// columns, |U|² or scaled to 0 .. 1 with one maximum over them all.
py::array_t<float> RefocusOf(const ComplexValues& values, const std::vector<double>& depths, double pitch,
                             double wavelength, const std::string& scale, double decades, int threads) {
    CheckThreads(threads);
    if (scale != "" && scale != "linear" && scale != "log")
        throw std::invalid_argument("unknown scale " + scale);
    const SceneField field = SceneFieldOf(values, pitch);
    const auto count = static_cast<py::ssize_t>(depths.size());
    py::array_t<float> out({count, values.shape(0), values.shape(1)});
    float* to = out.mutable_data();
    const CallLimits limits(threads);
    limits.run(
        [&] {
            const Refocus refocus(field, wavelength, limits.context());
            std::vector<std::vector<float>> pictures;
            double maximum = 0;
            for (const double depth : depths) {
                pictures.push_back(refocus.intensityAt(depth, limits.context()));
                for (const float value : pictures.back())
                    maximum = std::max(maximum, static_cast<double>(value));
            }
            for (std::vector<float>& picture : pictures) {
                if (!scale.empty() && maximum > 0)
                    picture =
                        ScaleIntensity(picture, scale == "log" ? IntensityScale::log : IntensityScale::linear,
                                       decades, maximum);
                to = std::copy(picture.begin(), picture.end(), to);
            }
        },
        "the refocus");
    return out;
}

// The colour picture of several wavelengths' fields (wavelengths x rows x
// columns) at each depth: depths x rows x columns x 3, each field's light
// scaled by one maximum over them all, in its wavelength's colour.
py::array_t<float> ColourRefocusOf(const ComplexValues& values, const std::vector<double>& depths,
                                   double pitch, const std::vector<double>& wavelengths, bool log,
                                   double decades, int threads) {
    CheckThreads(threads);
    if (values.ndim() != 3 || static_cast<std::size_t>(values.shape(0)) != wavelengths.size() ||
        wavelengths.empty())
        throw std::invalid_argument("one field of rows x columns for each of one or more wavelengths");
    const py::ssize_t rows = values.shape(1), columns = values.shape(2);
    CheckSize(rows, columns, "field");
    std::vector<SceneField> fields;
    for (std::size_t f = 0; f < wavelengths.size(); ++f) {
        SceneField& field =
            fields.emplace_back(ScenePlane{static_cast<int>(columns), static_cast<int>(rows), pitch});
        const std::complex<float>* from = values.data() + f * field.plane.size();
        std::copy(from, from + field.plane.size(), field.values.begin());
    }
    py::array_t<float> out({static_cast<py::ssize_t>(depths.size()), rows, columns, py::ssize_t{3}});
    float* to = out.mutable_data();
    const CallLimits limits(threads);
    limits.run(
        [&] {
            std::vector<Refocus> refocus;
            refocus.reserve(fields.size());
            for (std::size_t f = 0; f < fields.size(); ++f)
                refocus.emplace_back(fields[f], wavelengths[f], limits.context());
            std::vector<const Refocus*> each;
            for (const Refocus& r : refocus) each.push_back(&r);
            for (const double depth : depths) {
                const ColourPicture picture =
                    ColourAt(each, depth, log ? IntensityScale::log : IntensityScale::linear, decades,
                             limits.context());
                for (const auto& value : picture.values) to = std::copy(value.begin(), value.end(), to);
            }
        },
        "the refocus");
    return out;
}

// How well each point of a scene comes to focus in a hologram's field: the
// share of the light at the point's depth within 3 pixels of it, one a
// point (NaN where none), and their mean.
py::tuple FocusOf(const ComplexValues& values, const Positions& positions, const Colours& colours,
                  double pitch, double wavelength, int threads) {
    CheckThreads(threads);
    const SceneField field = SceneFieldOf(values, pitch);
    const Scene scene = SceneOfArrays(positions, colours, false);
    const CallLimits limits(threads);
    const FocusFigures figures = limits.run(
        [&] {
            return MeasureFocus(Refocus(field, wavelength, limits.context()), scene.points, limits.context());
        },
        "the focus figures");
    py::array_t<double> shares(static_cast<py::ssize_t>(figures.shares.size()));
    std::copy(figures.shares.begin(), figures.shares.end(), shares.mutable_data());
    return py::make_tuple(shares, figures.meanShare);
}

}  // namespace

void RegisterScenePropagationCalls(py::module_& module) {
    module.def("propagate", &PropagateOf,
               "The field `z` metres along the axis by the band-limited angular spectrum.", py::arg("field"),
               py::kw_only(), py::arg("z"), py::arg("pitch"), py::arg("wavelength"), py::arg("nthreads") = 0);
    module.def("refocus", &RefocusOf,
               "The intensity of a hologram's field at each depth: depths x rows x columns, |U|^2 or scaled "
               "(\"linear\", \"log\").",
               py::arg("field"), py::kw_only(), py::arg("depths"), py::arg("pitch"), py::arg("wavelength"),
               py::arg("scale"), py::arg("decades"), py::arg("nthreads") = 0);
    module.def(
        "colour_refocus", &ColourRefocusOf,
        "The colour picture of several wavelengths' fields at each depth: depths x rows x columns x 3.",
        py::arg("fields"), py::kw_only(), py::arg("depths"), py::arg("pitch"), py::arg("wavelengths"),
        py::arg("log"), py::arg("decades"), py::arg("nthreads") = 0);
    module.def("focus_figures", &FocusOf,
               "(each point's share of the light within 3 pixels of it at its depth, their mean) of a "
               "hologram's field.",
               py::arg("field"), py::arg("positions"), py::arg("colours"), py::kw_only(), py::arg("pitch"),
               py::arg("wavelength"), py::arg("nthreads") = 0);
}

}  // namespace marbleck::python
