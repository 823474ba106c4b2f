// The calls of 3-D scenes in physical units (metres and radians): point
// clouds from files and from colour-plus-depth pictures, the hologram of a
// scene's points in any of its encodings at one or several wavelengths, by
// the point sum or the layer method.
#include <pybind11/stl.h>

#include <algorithm>
#include <complex>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/core/CalculationWork.h"
#include "engine/scenes/DepthMapScene.h"
#include "engine/scenes/FieldEncoding.h"
#include "engine/scenes/LayerHologram.h"
#include "engine/scenes/PointCloudFile.h"
#include "engine/scenes/PointSum.h"
#include "engine/scenes/Scene.h"
#include "engine/scenes/ScenePlane.h"
#include "python/src/Bindings.h"
#include "python/src/CallControl.h"
#include "python/src/SceneArrays.h"

namespace marbleck::python {

Scene SceneOfArrays(const Positions& positions, const Colours& colours, bool coloured) {
    if (positions.ndim() != 2 || positions.shape(1) != 3 || colours.ndim() != 2 || colours.shape(1) != 3 ||
        colours.shape(0) != positions.shape(0))
        throw std::invalid_argument("positions and colours are two arrays of N x 3");
    if (static_cast<std::uint64_t>(positions.shape(0)) > MaxScenePoints)
        throw RunTimeError(ErrorNumber::OutOfMemory, "Out of memory: " + std::to_string(positions.shape(0)) +
                                                         " points, more than " +
                                                         std::to_string(MaxScenePoints));
    Scene scene;
    scene.coloured = coloured;
    scene.points.resize(static_cast<std::size_t>(positions.shape(0)));
    const double* p = positions.data();
    const float* c = colours.data();
    for (ScenePoint& point : scene.points) {
        point.x = p[0];
        point.y = p[1];
        point.z = p[2];
        std::copy(c, c + 3, point.colour.begin());
        p += 3;
        c += 3;
    }
    return scene;
}

namespace {

// A scene's points as NumPy arrays: positions N x 3 (x, y, z in metres) and
// colours N x 3 (red, green, blue amplitudes), and whether it is coloured.
py::tuple ArraysOfScene(const Scene& scene) {
    const auto count = static_cast<py::ssize_t>(scene.points.size());
    py::array_t<double> positions({count, py::ssize_t{3}});
    py::array_t<float> colours({count, py::ssize_t{3}});
    double* p = positions.mutable_data();
    float* c = colours.mutable_data();
    for (const ScenePoint& point : scene.points) {
        *p++ = point.x;
        *p++ = point.y;
        *p++ = point.z;
        c = std::copy(point.colour.begin(), point.colour.end(), c);
    }
    return py::make_tuple(positions, colours, scene.coloured);
}

// The points of a point-cloud file by the reader the window and the command
// line use: no file raises FileNotFoundError, one that cannot be read
// OSError, one that is no point cloud ValueError naming the line or vertex.
py::tuple PointsOfFile(const py::bytes& path, bool ply) {
    const std::string name = path;
    try {
        Scene scene;
        {
            py::gil_scoped_release released;
            scene = ReadPointCloudFile(name, ply ? SceneFileKind::Ply : SceneFileKind::Xyz);
        }
        return ArraysOfScene(scene);
    } catch (const SceneFileError& error) {
        PyObject* type = error.number() == ErrorNumber::FileNotFound     ? PyExc_FileNotFoundError
                         : error.number() == ErrorNumber::InvalidPicture ? PyExc_ValueError
                                                                         : PyExc_OSError;
        PyErr_SetString(type, error.what());
        throw py::error_already_set();
    }
}

template <typename Value>
Scene SceneOfPicture(const py::array& colour, const DepthLevels& levels, const DepthRange& range,
                     double pitch) {
    const RgbPixels<Value> pixels{static_cast<int>(colour.shape(1)), static_cast<int>(colour.shape(0)),
                                  std::span<const Value>(static_cast<const Value*>(colour.data()),
                                                         static_cast<std::size_t>(colour.size()))};
    py::gil_scoped_release released;
    return DepthMapScene(pixels, levels, range, pitch);
}

// The points of a colour picture, rows x columns x 3 of bytes or of float32
// values 0 .. 1 row by row, and its depth levels, rows x columns.
py::tuple PointsOfPicture(const py::array& colour,
                          const py::array_t<std::uint16_t, py::array::c_style>& depth, int largestLevel,
                          double near, double far, double pitch) {
    const bool bytes = colour.dtype().is(py::dtype::of<std::uint8_t>());
    if (!bytes && !colour.dtype().is(py::dtype::of<float>()))
        throw std::invalid_argument("the colour holds uint8 or float32 values");
    if (colour.ndim() != 3 || colour.shape(2) != 3 || depth.ndim() != 2 ||
        !(colour.flags() & py::array::c_style))
        throw std::invalid_argument(
            "the colour is rows x columns x 3 (C order) and the depth rows x columns");
    CheckSize(colour.shape(0), colour.shape(1), "colour picture");
    CheckSize(depth.shape(0), depth.shape(1), "depth picture");
    const DepthLevels levels{
        static_cast<int>(depth.shape(1)), static_cast<int>(depth.shape(0)),
        std::span<const std::uint16_t>(depth.data(), static_cast<std::size_t>(depth.size())), largestLevel};
    const DepthRange range{near, far};
    return ArraysOfScene(bytes ? SceneOfPicture<std::uint8_t>(colour, levels, range, pitch)
                               : SceneOfPicture<float>(colour, levels, range, pitch));
}

// The field of one wavelength in the encoding asked for, into `out` (rows x
// columns, row by row): complex values, or the float values of an encoding.
template <typename Out>
void Encode(const SceneField& field, FieldEncoding encoding, double wavelength,
            const std::optional<std::pair<double, double>>& reference, Out* out,
            const ExecutionContext& context) {
    if constexpr (std::is_same_v<Out, std::complex<float>>) {
        std::copy(field.values.begin(), field.values.end(), out);
    } else {
        HologramField values;
        if (encoding == FieldEncoding::Phase)
            values = PhaseOfField(field, context);
        else if (encoding == FieldEncoding::DoublePhase)
            values = DoublePhaseOfField(field, context);
        else
            values = AmplitudeOfField(field, wavelength,
                                      reference ? ReferenceWave{reference->first, reference->second, 1.0}
                                                : DefaultReferenceWave(wavelength, field.plane.pitch),
                                      context);
        // Column by column to row by row.
        const int rows = values.rows(), columns = values.columns();
        for (int c = 0; c < columns; ++c) {
            const float* column = values.column(c);
            for (int r = 0; r < rows; ++r) out[static_cast<std::size_t>(r) * columns + c] = column[r];
        }
    }
}

struct HologramSettings {
    ScenePlane plane;
    std::vector<double> wavelengths;
    std::vector<int> channels;
    FieldEncoding encoding = FieldEncoding::Complex;
    bool randomPhase = false;
    std::uint64_t seed = 0;
    bool panelLimit = true;
    std::optional<std::pair<double, double>> reference;
};

// One field a wavelength, made by `fieldOf(options)`, each encoded into its
// slice of `out`.
template <typename Out, typename FieldOf>
void FieldsEncoded(const HologramSettings& s, FieldOf&& fieldOf, Out* out, const ExecutionContext& context) {
    for (std::size_t i = 0; i < s.wavelengths.size(); ++i) {
        const PointSumOptions options{.wavelength = s.wavelengths[i],
                                      .channel = s.channels[i],
                                      .randomPhases = s.randomPhase,
                                      .seed = s.seed,
                                      .panelLimit = s.panelLimit};
        const SceneField field = fieldOf(options);
        Encode(field, s.encoding, s.wavelengths[i], s.reference, out + i * s.plane.size(), context);
    }
}

// The fields of every wavelength in an array of wavelengths x rows x
// columns: complex64 for the complex encoding, float32 for the others.
template <typename FieldOf>
py::array EncodedArray(const HologramSettings& s, FieldOf&& fieldOf, const CallLimits& limits,
                       const char* what) {
    const std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(s.wavelengths.size()), s.plane.rows,
                                         s.plane.columns};
    if (s.encoding == FieldEncoding::Complex) {
        py::array_t<std::complex<float>> out(shape);
        std::complex<float>* values = out.mutable_data();
        limits.run([&] { FieldsEncoded(s, fieldOf, values, limits.context()); }, what);
        return out;
    }
    py::array_t<float> out(shape);
    float* values = out.mutable_data();
    limits.run([&] { FieldsEncoded(s, fieldOf, values, limits.context()); }, what);
    return out;
}

// The settings every hologram of a scene's points takes, checked.
HologramSettings SettingsOf(int columns, int rows, double pitch, const std::vector<double>& wavelengths,
                            const std::vector<int>& channels, const std::string& encode, bool randomPhase,
                            std::uint64_t seed, const std::optional<std::pair<double, double>>& reference) {
    CheckSize(rows, columns, "hologram");
    if (wavelengths.empty() || wavelengths.size() != channels.size())
        throw std::invalid_argument("one channel for each of one or more wavelengths");
    const std::optional<FieldEncoding> encoding = FindFieldEncoding(encode);
    if (!encoding) throw std::invalid_argument("unknown encoding " + encode);
    return HologramSettings{ScenePlane{columns, rows, pitch},
                            wavelengths,
                            channels,
                            *encoding,
                            randomPhase,
                            seed,
                            true,
                            reference};
}

// The hologram of the points at each wavelength: an array of wavelengths x
// rows x columns, complex64 for the complex encoding, float32 for the others.
py::array PointHologramOf(const Positions& positions, const Colours& colours, bool coloured, int columns,
                          int rows, double pitch, const std::vector<double>& wavelengths,
                          const std::vector<int>& channels, const std::string& encode, bool randomPhase,
                          std::uint64_t seed, bool panelLimit,
                          const std::optional<std::pair<double, double>>& reference, double timeLimit,
                          int threads) {
    CheckThreads(threads);
    HologramSettings settings =
        SettingsOf(columns, rows, pitch, wavelengths, channels, encode, randomPhase, seed, reference);
    settings.panelLimit = panelLimit;
    const double work = static_cast<double>(positions.shape(0)) * static_cast<double>(settings.plane.size()) *
                        static_cast<double>(wavelengths.size());
    if (work > ExactWorkBound && timeLimit <= 0)
        throw std::invalid_argument(
            std::to_string(positions.shape(0)) + " points × " + std::to_string(settings.plane.size()) +
            " values × " + std::to_string(wavelengths.size()) + " wavelengths is more than the 2^" +
            std::to_string(ExactWorkBoundExponent) +
            " bound of the point sum; use method=\"layers\", or time_limit=S to go on");
    const Scene scene = SceneOfArrays(positions, colours, coloured);
    const CallLimits limits(threads, timeLimit);
    return EncodedArray(
        settings,
        [&](const PointSumOptions& options) {
            return SumPoints(scene, settings.plane, options, limits.context());
        },
        limits, "the point hologram");
}

// The layer method's transforms, as the command line bounds them: above
// LayerWorkBound only with a time limit.
void RefuseUnboundedLayers(const Scene& scene, const HologramSettings& settings, int layers, bool occlusion,
                           double timeLimit) {
    if (timeLimit > 0) return;
    LayerOptions layering;
    layering.layers = layers;
    const std::size_t count = LayerDepths(scene, layering).size();
    const double work = LayerTransformValues(count, settings.plane, occlusion) *
                        static_cast<double>(settings.wavelengths.size());
    if (work <= LayerWorkBound) return;
    throw std::invalid_argument(std::to_string(count) + " layers of " +
                                std::to_string(settings.plane.size()) + " values × " +
                                std::to_string(settings.wavelengths.size()) +
                                " wavelengths is more than the 2^" + std::to_string(LayerWorkBoundExponent) +
                                " bound of the layer method's transforms; use fewer layers, or time_limit=S "
                                "to go on");
}

// The same by the layer method: `layers` layers (0: one a distinct depth, up
// to DefaultLayerLimit), each masked by the nearer ones with `occlusion`.
py::array LayerHologramOf(const Positions& positions, const Colours& colours, bool coloured, int columns,
                          int rows, double pitch, const std::vector<double>& wavelengths,
                          const std::vector<int>& channels, const std::string& encode, int layers,
                          bool occlusion, bool randomPhase, std::uint64_t seed,
                          const std::optional<std::pair<double, double>>& reference, double timeLimit,
                          int threads) {
    CheckThreads(threads);
    const HologramSettings settings =
        SettingsOf(columns, rows, pitch, wavelengths, channels, encode, randomPhase, seed, reference);
    const Scene scene = SceneOfArrays(positions, colours, coloured);
    RefuseUnboundedLayers(scene, settings, layers, occlusion, timeLimit);
    const CallLimits limits(threads, timeLimit);
    return EncodedArray(
        settings,
        [&](const PointSumOptions& options) {
            LayerOptions layering;
            layering.layers = layers;
            layering.channel = options.channel;
            layering.randomPhase = options.randomPhases;
            layering.seed = options.seed;
            layering.occlusion = occlusion;
            return MakeLayerHologram(scene, settings.plane, options.wavelength, layering, limits.context())
                .field;
        },
        limits, "the layer hologram");
}

}  // namespace

void RegisterSceneCalls(py::module_& module) {
    module.attr("max_scene_points") = MaxScenePoints;
    module.def("read_points", &PointsOfFile,
               "(positions N x 3 in metres, colours N x 3, coloured) of the point-cloud file named by "
               "`path`, read as PLY or as XYZ text.",
               py::arg("path"), py::kw_only(), py::arg("ply"));
    module.def("rgbd_points", &PointsOfPicture,
               "(positions, colours, coloured) of a colour picture (uint8, or float32 0 .. 1) and its "
               "depth levels.",
               py::arg("colour"), py::arg("depth"), py::kw_only(), py::arg("largest_level"), py::arg("near"),
               py::arg("far"), py::arg("pitch"));
    module.def("point_hologram", &PointHologramOf,
               "The field of the points at each wavelength by the exact point sum, encoded: wavelengths x "
               "rows x columns.",
               py::arg("positions"), py::arg("colours"), py::kw_only(), py::arg("coloured"),
               py::arg("columns"), py::arg("rows"), py::arg("pitch"), py::arg("wavelengths"),
               py::arg("channels"), py::arg("encode"), py::arg("random_phase"), py::arg("seed"),
               py::arg("panel_limit"), py::arg("reference"), py::arg("time_limit"), py::arg("nthreads") = 0);
    module.def(
        "layer_hologram", &LayerHologramOf,
        "The field of the points at each wavelength by the layer method, encoded: wavelengths x rows x "
        "columns.",
        py::arg("positions"), py::arg("colours"), py::kw_only(), py::arg("coloured"), py::arg("columns"),
        py::arg("rows"), py::arg("pitch"), py::arg("wavelengths"), py::arg("channels"), py::arg("encode"),
        py::arg("layers"), py::arg("occlusion"), py::arg("random_phase"), py::arg("seed"),
        py::arg("reference"), py::arg("time_limit"), py::arg("nthreads") = 0);
}

}  // namespace marbleck::python
