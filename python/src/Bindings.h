// What the areas of marbleck._engine share: NumPy arrays to and from the
// engine's values, the figures by their public names, the bound on exact
// work, and the registration of each area's calls.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/phase/PhaseFigures.h"
#include "engine/reconstruction/Figures.h"
#include "engine/reconstruction/Reconstruction.h"
#include "engine/sums/HologramCalculation.h"

namespace marbleck::python {

namespace py = pybind11;

using Mask = py::array_t<bool, py::array::c_style>;
using FloatArray = py::array_t<float, py::array::f_style>;

// The engine's limits on an array of rows x columns handed in, checked
// before anything is copied: both sides within an int and no more values
// than a hologram may have.
void CheckSize(py::ssize_t rows, py::ssize_t columns, const char* what);

// Refuses a thread count below 0 (0 is every core).
void CheckThreads(int threads);

// The lit samples of a mask of rows x columns (row y, column x, row by row),
// in the engine's scan order: x outer, y inner.
std::vector<ObjectPoint> LitSamplesOf(const Mask& mask);

// A field as NumPy sees it: rows x columns, row v at index v. The engine
// keeps a field column by column, so the array is a Fortran-ordered view of
// the field's own values, which the array keeps alive.
py::array_t<float> ArrayOfField(HologramField&& field);

// The engine's own copy of a rows x columns array.
HologramField FieldOfArray(const FloatArray& values);

// The geometry of an object whose hologram has rows x columns values;
// std::invalid_argument when the object makes another size.
HologramGeometry CheckedGeometry(py::ssize_t rows, py::ssize_t columns, float width, float height,
                                 double reps);

// Refuses a calculation by an engine that adds every point into every value
// above ExactWorkBound unless a time limit stops it, with the estimate for
// `threads` threads; true where such work goes on under the time limit.
bool RefuseUnboundedWork(const HologramRequest& request, double timeLimit, int threads);

// The five figures by the figure table's names (fidelity, spread,
// uniformity, efficiency, signalShare), NaN where a figure is none.
py::dict FigureDict(const Figures& figures);

// Each area's calls.
void RegisterHologramCalls(py::module_& module);
void RegisterBinarizationCalls(py::module_& module);
void RegisterPhaseCalls(py::module_& module);
void RegisterReconstructionCalls(py::module_& module);
void RegisterKindCalls(py::module_& module);
void RegisterSceneCalls(py::module_& module);
void RegisterScenePropagationCalls(py::module_& module);

}  // namespace marbleck::python
