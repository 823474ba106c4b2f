// The binarization's call: a hologram to black and white by a method of the
// binarization table.
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/binarization/Binarization.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "python/src/Bindings.h"
#include "python/src/CallControl.h"

namespace marbleck::python {

namespace {

// An iterative method's record by the names Python gives it.
py::dict RecordDict(const OptimisationRecord& done) {
    py::dict record;
    record["before"] = FigureDict(FiguresOf(done.start));
    record["after"] = FigureDict(FiguresOf(done.end));
    record["iterations"] = done.iterations;
    record["seconds"] = done.seconds;
    record["keptBalanced"] = done.keptStart;
    return record;
}

// The binarized field as 0 and 1, the threshold used and what an iterative
// method did (None for the others).
py::tuple BinarizationOf(const FloatArray& values, const std::string& method, double threshold,
                         double budgetSeconds, int maxIterations, const std::optional<Mask>& mask,
                         float width, float height, double reps, int threads) {
    CheckThreads(threads);
    const HologramField field = FieldOfArray(values);
    HologramGeometry geometry;
    std::vector<ObjectPoint> litSamples;
    if (mask) {
        geometry = MakeHologramGeometry(width, height, reps);
        litSamples = LitSamplesOf(*mask);
    } else {
        // Without the object every value counts as visited.
        geometry.fieldColumns = geometry.columns = field.columns();
        geometry.fieldRows = geometry.rows = field.rows();
    }
    const CallLimits limits(threads);
    BinarizedHologram binarized = limits.run(
        [&] {
            const BinarizationContext context{geometry, litSamples, limits.context()};
            BinarizedHologram result =
                ApplyBinarization({method, threshold, budgetSeconds, maxIterations}, field, context);
            for (float& value : result.field.values()) value = value / 255.0f;
            return result;
        },
        "the binarization");
    py::object record = py::none();
    if (binarized.optimisation) record = RecordDict(*binarized.optimisation);
    const double used = binarized.threshold;
    return py::make_tuple(ArrayOfField(std::move(binarized.field)), used, record);
}

}  // namespace

void RegisterBinarizationCalls(py::module_& module) {
    module.def("binarize", &BinarizationOf,
               "(field of 0 and 1, threshold used, the record of an iterative method or None); the mask "
               "of the object (width x height at `reps`) or None, where every value counts.",
               py::arg("values"), py::arg("method"), py::kw_only(), py::arg("threshold"), py::arg("budget"),
               py::arg("max_iterations"), py::arg("mask"), py::arg("width"), py::arg("height"),
               py::arg("reps"), py::arg("nthreads") = 0);
}

}  // namespace marbleck::python
