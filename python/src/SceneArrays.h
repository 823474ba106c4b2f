// What the calls of 3-D scenes share: a scene's points and a complex field
// as NumPy hands them in.
#pragma once

#include <pybind11/numpy.h>

#include <complex>

#include "engine/scenes/Scene.h"
#include "engine/scenes/ScenePlane.h"

namespace marbleck::python {

namespace py = pybind11;

using Positions = py::array_t<double, py::array::c_style | py::array::forcecast>;
using Colours = py::array_t<float, py::array::c_style | py::array::forcecast>;
using ComplexValues = py::array_t<std::complex<float>, py::array::c_style>;

// The scene of positions N x 3 (x, y, z in metres) and colours N x 3;
// std::invalid_argument for other shapes, MemoryError (RunTimeError 7)
// beyond MaxScenePoints.
Scene SceneOfArrays(const Positions& positions, const Colours& colours, bool coloured);

// A field of rows x columns at `pitch` metres as the engine keeps it.
SceneField SceneFieldOf(const ComplexValues& values, double pitch);

}  // namespace marbleck::python
