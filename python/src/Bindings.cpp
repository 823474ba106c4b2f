#include "python/src/Bindings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "engine/core/CalculationWork.h"
#include "engine/core/ExecutionContext.h"
#include "engine/sums/CalculationEngine.h"
#include "platform/NumberText.h"
#include "platform/RunTimeError.h"

namespace marbleck::python {

void CheckSize(py::ssize_t rows, py::ssize_t columns, const char* what) {
    if (rows > INT_MAX || columns > INT_MAX || rows * columns > MaxHologramValues)
        throw RunTimeError(ErrorNumber::OutOfMemory, std::string("Out of memory: the ") + what + " has " +
                                                         std::to_string(rows) + " x " +
                                                         std::to_string(columns) + " values, more than " +
                                                         std::to_string(MaxHologramValues));
}

void CheckThreads(int threads) {
    if (threads < 0)
        throw std::invalid_argument("nthreads must be a whole number, 0 (every core) or more, not " +
                                    std::to_string(threads));
}

std::vector<ObjectPoint> LitSamplesOf(const Mask& mask) {
    CheckSize(mask.shape(0), mask.shape(1), "object");
    const auto lit = mask.unchecked<2>();
    std::vector<ObjectPoint> points;
    for (py::ssize_t x = 0; x < lit.shape(1); ++x)
        for (py::ssize_t y = 0; y < lit.shape(0); ++y)
            if (lit(y, x)) points.push_back({static_cast<int>(x), static_cast<int>(y)});
    return points;
}

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

HologramField FieldOfArray(const FloatArray& values) {
    CheckSize(values.shape(0), values.shape(1), "field");
    HologramField field(static_cast<int>(values.shape(1)), static_cast<int>(values.shape(0)));
    std::copy(values.data(), values.data() + values.size(), field.values().begin());
    return field;
}

HologramGeometry CheckedGeometry(py::ssize_t rows, py::ssize_t columns, float width, float height,
                                 double reps) {
    const HologramGeometry geometry = MakeHologramGeometry(width, height, reps);
    if (rows != geometry.fieldRows || columns != geometry.fieldColumns)
        throw std::invalid_argument("the hologram has " + std::to_string(rows) + " x " +
                                    std::to_string(columns) + " values, the object at these reps " +
                                    std::to_string(geometry.fieldRows) + " x " +
                                    std::to_string(geometry.fieldColumns));
    return geometry;
}

bool RefuseUnboundedWork(const HologramRequest& request, double timeLimit, int threads) {
    const CalculationEngine& engine = CalculationEngineNamed(request.engine);
    const HologramGeometry geometry =
        MakeHologramGeometry(request.object.width, request.object.height, request.reps);
    const std::vector<ObjectPoint>& points = request.object.litSamples;
    if (!engine.addsEveryPointToEveryValue || PointValues(geometry, points.size()) <= ExactWorkBound)
        return false;
    if (timeLimit > 0) return true;
    // The threads the call would have, without starting a pool of them.
    const int shared = ExecutionContext{}.pool().size();
    const double minutes =
        EstimatedSeconds(engine, geometry, points, threads > 0 ? std::min(threads, shared) : shared) / 60.0;
    throw std::invalid_argument(std::to_string(points.size()) + " points × " +
                                std::to_string(static_cast<long long>(geometry.columns) * geometry.rows) +
                                " values is more than the 2^" + std::to_string(ExactWorkBoundExponent) +
                                " bound of the " + std::string(engine.name) + " engine (about " +
                                WriteNumber(std::ceil(minutes)) +
                                " min here); use engine=\"fast\", or time_limit=S to go on");
}

py::dict FigureDict(const Figures& figures) {
    py::dict named;
    for (const auto& [name, value] : NamedFigures(figures)) named[py::str(name.data(), name.size())] = value;
    return named;
}

}  // namespace marbleck::python
