#include "engine/scenes/LayerHologram.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>

#include "engine/scenes/AngularSpectrum.h"
#include "platform/RandomGenerator.h"

namespace marbleck {

namespace {

using Complex = std::complex<float>;

// The most layers a count may ask for: a 16-bit depth picture's levels.
constexpr int MaxLayers = 65536;

// A point on its layer: its pixel on the plane (row·C + column, below 2²⁹
// as AngularSpectrum bounds the plane) and its amplitude; 12 bytes.
struct Placed {
    std::uint32_t pixel;
    Complex amplitude;
};

// The scene's points grouped by layer: layer l's are
// points[starts[l] .. starts[l + 1]).
struct LayerPoints {
    std::vector<Placed> points;
    std::vector<std::size_t> starts;
    std::size_t skipped = 0;

    std::size_t count(std::size_t layer) const { return starts[layer + 1] - starts[layer]; }
};

// The index of the depth nearest `z` among the sorted depths.
std::size_t NearestLayer(const std::vector<double>& depths, double z) {
    const auto above = std::lower_bound(depths.begin(), depths.end(), z);
    if (above == depths.begin()) return 0;
    if (above == depths.end()) return depths.size() - 1;
    const auto below = above - 1;
    return static_cast<std::size_t>((z - *below <= *above - z ? below : above) - depths.begin());
}

LayerPoints PlacePoints(const Scene& scene, const ScenePlane& plane, double wavelength,
                        const std::vector<double>& depths, const LayerOptions& options) {
    RandomGenerator random;
    random.seed(options.seed);
    // iλ/p²: a pixel's value for a point of amplitude 1 (see the header).
    const Complex scale(0.0f, static_cast<float>(wavelength / (plane.pitch * plane.pitch)));
    std::vector<std::uint32_t> layerOf;
    std::vector<Placed> placed;
    LayerPoints grouped;
    for (const ScenePoint& point : scene.points) {
        const float phase = options.randomPhase ? 2.0f * std::numbers::pi_v<float> * random.next() : 0.0f;
        const double column = point.x / plane.pitch + (plane.columns - 1) / 2.0;
        const double row = point.y / plane.pitch + (plane.rows - 1) / 2.0;
        if (!(column >= -0.5 && column < plane.columns - 0.5 && row >= -0.5 && row < plane.rows - 0.5) ||
            !std::isfinite(point.z) || depths.empty()) {
            ++grouped.skipped;
            continue;
        }
        const auto c = static_cast<std::size_t>(std::floor(column + 0.5));
        const auto r = static_cast<std::size_t>(std::floor(row + 0.5));
        layerOf.push_back(static_cast<std::uint32_t>(NearestLayer(depths, point.z)));
        placed.push_back(
            {static_cast<std::uint32_t>(r * static_cast<std::size_t>(plane.columns) + c),
             scale * std::polar(point.colour[static_cast<std::size_t>(options.channel)], phase)});
    }
    // Grouped by layer, each layer's points in the scene's order.
    grouped.starts.assign(depths.size() + 1, 0);
    for (std::uint32_t layer : layerOf) ++grouped.starts[layer + 1];
    for (std::size_t l = 1; l < grouped.starts.size(); ++l) grouped.starts[l] += grouped.starts[l - 1];
    grouped.points.resize(placed.size());
    std::vector<std::size_t> next(grouped.starts.begin(), grouped.starts.end() - 1);
    for (std::size_t k = 0; k < placed.size(); ++k) grouped.points[next[layerOf[k]]++] = placed[k];
    return grouped;
}

// Adds layer l's points into the padded array's corner.
void AddLayer(const LayerPoints& grouped, std::size_t layer, const ScenePlane& plane, Complex* padded) {
    const auto columns = static_cast<std::size_t>(plane.columns);
    for (std::size_t k = grouped.starts[layer]; k < grouped.starts[layer + 1]; ++k) {
        const Placed& p = grouped.points[k];
        padded[p.pixel / columns * 2 * columns + p.pixel % columns] += p.amplitude;
    }
}

void Report(const ExecutionContext& context, std::size_t done, std::size_t steps) {
    if (context.progress) context.progress(static_cast<double>(done) / static_cast<double>(steps));
    context.stopIfCancelled();
}

// Without occlusion: each layer's spectrum times its transfer function, the
// sum taken back once.
void SumLayers(const AngularSpectrum& spectrum, const LayerPoints& grouped, const std::vector<double>& depths,
               SceneField& field, const ExecutionContext& context) {
    std::vector<std::size_t> lit;
    for (std::size_t l = 0; l < depths.size(); ++l)
        if (grouped.count(l) > 0) lit.push_back(l);
    if (lit.empty()) return;
    AngularSpectrum::Padded work(spectrum);
    AngularSpectrum::Padded sum(spectrum);
    AngularSpectrum::Transfer transfer;
    spectrum.load(nullptr, sum, context);
    for (std::size_t k = 0; k < lit.size(); ++k) {
        spectrum.load(nullptr, work, context);
        AddLayer(grouped, lit[k], field.plane, work.data());
        spectrum.forward(work, context);
        spectrum.makeTransfer(depths[lit[k]], transfer, context);
        spectrum.multiplyAdd(work, transfer, sum, context);
        Report(context, k + 1, lit.size() + 1);
    }
    spectrum.inverse(sum, field.values.data(), context);
}

// With occlusion: the light carried from the farthest layer to the nearest,
// zeroed on each layer's silhouette, then taken to the hologram.
void OccludeLayers(const AngularSpectrum& spectrum, const LayerPoints& grouped,
                   const std::vector<double>& depths, SceneField& field, const ExecutionContext& context) {
    std::vector<std::size_t> lit;
    for (std::size_t l = depths.size(); l-- > 0;)
        if (grouped.count(l) > 0) lit.push_back(l);
    if (lit.empty()) return;
    AngularSpectrum::Padded work(spectrum);
    AngularSpectrum::Transfer transfer;
    bool haveTransfer = false;
    std::vector<Complex>& light = field.values;
    const auto carry = [&](double distance) {
        if (!haveTransfer || transfer.distance() != distance) {
            spectrum.makeTransfer(distance, transfer, context);
            haveTransfer = true;
        }
        spectrum.load(light.data(), work, context);
        spectrum.forward(work, context);
        spectrum.multiply(work, transfer, context);
        spectrum.inverse(work, light.data(), context);
    };
    for (std::size_t k = 0; k < lit.size(); ++k) {
        const std::size_t layer = lit[k];
        if (k > 0) carry(depths[lit[k - 1]] - depths[layer]);
        const auto first = grouped.points.begin() + static_cast<std::ptrdiff_t>(grouped.starts[layer]);
        const auto last = grouped.points.begin() + static_cast<std::ptrdiff_t>(grouped.starts[layer + 1]);
        for (auto p = first; p != last; ++p) light[p->pixel] = {};
        for (auto p = first; p != last; ++p) light[p->pixel] += p->amplitude;
        Report(context, k + 1, lit.size() + 1);
    }
    carry(depths[lit.back()]);
}

}  // namespace

std::vector<double> LayerDepths(const Scene& scene, const LayerOptions& options) {
    if (options.layers < 0 || options.layers > MaxLayers)
        throw std::invalid_argument("a layer count runs from 0 (the scene's own depths) to 65536");
    std::vector<double> depths = options.depths;
    if (depths.empty()) {
        for (const ScenePoint& point : scene.points)
            if (std::isfinite(point.z)) depths.push_back(point.z);
        std::sort(depths.begin(), depths.end());
        depths.erase(std::unique(depths.begin(), depths.end()), depths.end());
        if (depths.empty()) return depths;
        int count = options.layers;
        if (count == 0) {
            if (depths.size() <= static_cast<std::size_t>(DefaultLayerLimit)) return depths;
            count = DefaultLayerLimit;
        }
        const double nearest = depths.front();
        const double farthest = depths.back();
        depths.clear();
        if (count == 1 || nearest == farthest) return {(nearest + farthest) / 2};
        for (int l = 0; l < count; ++l) depths.push_back(nearest + (farthest - nearest) * l / (count - 1));
        return depths;
    }
    for (double z : depths)
        if (!std::isfinite(z)) throw std::invalid_argument("a layer's depth must be a number");
    std::sort(depths.begin(), depths.end());
    depths.erase(std::unique(depths.begin(), depths.end()), depths.end());
    return depths;
}

double LayerTransformValues(std::size_t layers, const ScenePlane& plane, bool occlusion) {
    const double transforms =
        occlusion ? 2.0 * static_cast<double>(layers) : static_cast<double>(layers) + (layers > 0 ? 1 : 0);
    return transforms * 4.0 * static_cast<double>(plane.size());
}

LayerHologram MakeLayerHologram(const Scene& scene, const ScenePlane& plane, double wavelength,
                                const LayerOptions& options, const ExecutionContext& context) {
    CheckExecutionContext(context);
    if (options.channel < 0 || options.channel > 2)
        throw std::invalid_argument("a colour channel runs from 0 to 2");
    const AngularSpectrum spectrum(plane, wavelength);
    LayerHologram made;
    made.depths = LayerDepths(scene, options);
    const LayerPoints grouped = PlacePoints(scene, plane, wavelength, made.depths, options);
    made.pointsSkipped = grouped.skipped;
    made.pointsUsed = grouped.points.size();
    made.field = SceneField(plane);
    context.stopIfCancelled();
    if (options.occlusion)
        OccludeLayers(spectrum, grouped, made.depths, made.field, context);
    else
        SumLayers(spectrum, grouped, made.depths, made.field, context);
    if (context.progress) context.progress(1.0);
    return made;
}

}  // namespace marbleck
