// marbleck._engine: the engine library's calls over NumPy arrays, one file
// an area. The package's pure-Python layer (marbleck/__init__.py) checks and
// converts the arguments and documents them; this module checks only what
// would harm the engine. Every call that works takes nthreads (0: every
// core) and runs without the interpreter's lock.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <exception>
#include <string>
#include <vector>

#include "engine/binarization/Binarization.h"
#include "engine/core/CalculationWork.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/phase/PanelMap.h"
#include "engine/phase/Refinement.h"
#include "engine/scenes/FieldEncoding.h"
#include "engine/sums/CalculationEngine.h"
#include "platform/RunTimeError.h"
#include "python/src/Bindings.h"

namespace py = pybind11;
using namespace marbleck;

namespace {

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
    python::RegisterHologramCalls(module);
    python::RegisterBinarizationCalls(module);
    python::RegisterPhaseCalls(module);
    python::RegisterReconstructionCalls(module);
    python::RegisterKindCalls(module);
    python::RegisterSceneCalls(module);
    python::RegisterScenePropagationCalls(module);
    module.attr("refinement_work_bound") = RefinementWorkBound;
    module.attr("default_lens_wavelength") = DefaultLensWavelengthNm;
    module.attr("refinement_methods") = NamesOf(RefinementMethods());
    module.attr("engines") = NamesOf(CalculationEngines());
    module.attr("methods") = NamesOf(BinarizationMethods());
    module.attr("max_values") = MaxHologramValues;
    std::vector<std::string> encodings;
    for (const auto name : FieldEncodingNames()) encodings.emplace_back(name);
    module.attr("encodings") = encodings;
    module.attr("version") = MARBLECK_VERSION;
}
