// The reconstruction's calls: the far field of a hologram or of a complex
// transmittance, and its figures.
#include <complex>
#include <span>
#include <vector>

#include "engine/reconstruction/ComplexFarField.h"
#include "engine/reconstruction/Figures.h"
#include "python/src/Bindings.h"
#include "python/src/CallControl.h"

namespace marbleck::python {

namespace {

using ComplexArray = py::array_t<std::complex<float>, py::array::f_style>;

py::array_t<float> ArrayOfReconstruction(const Reconstruction& r) {
    py::array_t<float> intensity({r.rows, r.columns});
    std::copy(r.intensity.begin(), r.intensity.end(), intensity.mutable_data());
    return intensity;
}

Reconstruction ReconstructionOf(const HologramField& field, bool removeZeroOrder, const CallLimits& limits) {
    return limits.run(
        [&] {
            return Reconstruct(field, field.columns(), field.rows(), {.removeZeroOrder = removeZeroOrder},
                               limits.context());
        },
        "the reconstruction");
}

// The far field of a complex transmittance of rows x columns.
Reconstruction ComplexFarFieldOf(const ComplexArray& values, bool removeZeroOrder, const CallLimits& limits) {
    CheckSize(values.shape(0), values.shape(1), "field");
    const auto rows = static_cast<int>(values.shape(0)), columns = static_cast<int>(values.shape(1));
    const std::span<const std::complex<float>> t(values.data(), static_cast<std::size_t>(values.size()));
    return limits.run(
        [&] {
            return ReconstructComplex(t, columns, rows, {.removeZeroOrder = removeZeroOrder},
                                      limits.context());
        },
        "the reconstruction");
}

py::dict FiguresOf(const FloatArray& values, const Mask& mask, float width, float height, double reps,
                   int threads) {
    CheckThreads(threads);
    const HologramGeometry geometry = CheckedGeometry(values.shape(0), values.shape(1), width, height, reps);
    const HologramField field = FieldOfArray(values);
    const std::vector<ObjectPoint> litSamples = LitSamplesOf(mask);
    const CallLimits limits(threads);
    return FigureDict(limits.run(
        [&] {
            return MeasureAllFigures(
                Reconstruct(field, geometry.columns, geometry.rows, {}, limits.context()), litSamples,
                geometry, ZeroOrder::Removed);
        },
        "the figures"));
}

// The same figures of the far field of a complex transmittance (every value
// counts: a complex field has no unvisited column).
py::dict ComplexFiguresOf(const ComplexArray& values, const Mask& mask, float width, float height,
                          double reps, int threads) {
    CheckThreads(threads);
    HologramGeometry geometry = CheckedGeometry(values.shape(0), values.shape(1), width, height, reps);
    geometry.columns = geometry.fieldColumns;
    geometry.rows = geometry.fieldRows;
    const std::vector<ObjectPoint> litSamples = LitSamplesOf(mask);
    const CallLimits limits(threads);
    const Reconstruction r = ComplexFarFieldOf(values, true, limits);
    return FigureDict(limits.run(
        [&] { return MeasureAllFigures(r, litSamples, geometry, ZeroOrder::Removed); }, "the figures"));
}

}  // namespace

void RegisterReconstructionCalls(py::module_& module) {
    module.def(
        "reconstruct",
        [](const FloatArray& values, bool removeZeroOrder, int threads) {
            CheckThreads(threads);
            const HologramField field = FieldOfArray(values);
            const CallLimits limits(threads);
            return ArrayOfReconstruction(ReconstructionOf(field, removeZeroOrder, limits));
        },
        "The centred far field |FFT2(t)|^2 of a real field, t its grey level / 255.", py::arg("values"),
        py::kw_only(), py::arg("remove_zero_order"), py::arg("nthreads") = 0);
    module.def(
        "reconstruct_complex",
        [](const ComplexArray& values, bool removeZeroOrder, int threads) {
            CheckThreads(threads);
            const CallLimits limits(threads);
            return ArrayOfReconstruction(ComplexFarFieldOf(values, removeZeroOrder, limits));
        },
        "The centred far field |FFT2(t)|^2 of a complex transmittance.", py::arg("values"), py::kw_only(),
        py::arg("remove_zero_order"), py::arg("nthreads") = 0);
    module.def("figures", &FiguresOf,
               "The figures by name of a real field of the object (width x height at `reps`).",
               py::arg("values"), py::arg("mask"), py::arg("width"), py::arg("height"), py::arg("reps"),
               py::kw_only(), py::arg("nthreads") = 0);
    module.def("figures_complex", &ComplexFiguresOf,
               "The figures by name of a complex transmittance of the object (width x height at `reps`).",
               py::arg("values"), py::arg("mask"), py::arg("width"), py::arg("height"), py::arg("reps"),
               py::kw_only(), py::arg("nthreads") = 0);
}

}  // namespace marbleck::python
