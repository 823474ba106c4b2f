// The layer method against its own L + 1 plain transforms of the padded
// size (FFTW's complex 2-D transforms of 2C × 2R, sliced over the same
// threads), interleaved in one run: a depth picture's scene, one point a
// pixel, at 1920 × 1080 with 64 layers and at 1024 × 1024 with 16; and the
// refocus of a 1024 × 1024 field at a new depth (what the window redraws)
// against one plain padded transform; the layer method with occlusion
// against without. Each time is the fastest of its
// repetitions; the ratios are printed at the end.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "FastestRuns.h"
#include "engine/scenes/LayerHologram.h"
#include "engine/scenes/Refocus.h"
#include "engine/transforms/SpectrumPlan.h"

namespace marbleck {
namespace {

constexpr double Green = 520e-9;
constexpr double Pitch = 8e-6;

struct LayerCase {
    const char* name;
    int columns, rows, layers;
};
const LayerCase Cases[] = {{"1920x1080x64", 1920, 1080, 64}, {"1024x1024x16", 1024, 1024, 16}};

// One point a pixel, as a depth picture gives: a tilted, rippled surface
// from 5 to 15 cm, in `layers` depth levels, each of them lit.
Scene DepthPictureScene(const ScenePlane& plane, int layers) {
    Scene scene;
    scene.points.reserve(plane.size());
    for (int r = 0; r < plane.rows; ++r)
        for (int c = 0; c < plane.columns; ++c) {
            const double s = c / (plane.columns - 1.0) + 0.1 * std::sin(r * 0.01 + c * 0.02);
            const int level = std::clamp(static_cast<int>(s * layers), 0, layers - 1);
            const float grey = static_cast<float>((r * 7 + c * 13) % 256) / 255.0f;
            scene.points.push_back(
                {plane.x(c), plane.y(r), 0.05 + 0.1 * level / (layers - 1.0), {grey, grey, grey}});
        }
    return scene;
}

void Layers(benchmark::State& state, const LayerCase& c, bool occlusion = false) {
    const ScenePlane plane{c.columns, c.rows, Pitch};
    const Scene scene = DepthPictureScene(plane, c.layers);
    LayerOptions options;
    options.randomPhase = true;
    options.occlusion = occlusion;
    for (auto _ : state) {
        const LayerHologram made = MakeLayerHologram(scene, plane, Green, options);
        if (made.depths.size() != static_cast<std::size_t>(c.layers))
            state.SkipWithError("wrong layer count");
        benchmark::DoNotOptimize(made.field.values.data());
    }
    state.counters["layers"] = c.layers;
    state.counters["points"] = static_cast<double>(scene.points.size());
}

// `count` plain complex 2-D transforms of twice the plane's size each way.
void Transforms(benchmark::State& state, int columns, int rows, int count) {
    const ExecutionContext context;
    const ComplexSpectrumPlan plan(2 * columns, 2 * rows, context);
    std::fill(plan.data(), plan.data() + plan.size(), std::complex<float>(0.5f, 0.25f));
    for (auto _ : state) {
        for (int k = 0; k < count; ++k) plan.forward(context);
        benchmark::DoNotOptimize(plan.data());
    }
    state.counters["transforms"] = count;
}

// A redraw of the refocus at 1024 x 1024: a new depth each time.
void RefocusRedraw(benchmark::State& state) {
    const ScenePlane plane{1024, 1024, Pitch};
    Scene scene;
    for (int k = 0; k < 64; ++k)
        scene.points.push_back({plane.x(100 + 13 * k), plane.y(900 - 11 * k), 0.05 + 0.001 * k});
    LayerOptions options;
    options.layers = 8;
    const Refocus refocus(MakeLayerHologram(scene, plane, Green, options).field, Green);
    double depth = 0.05;
    for (auto _ : state) {
        const std::vector<float> picture = refocus.intensityAt(depth);
        benchmark::DoNotOptimize(picture.data());
        depth += 1e-4;
    }
}

class RatioReporter : public bench::FastestRunsReporter {
    double TimeOf(const std::string& name) const {
        for (const auto& [run, time] : times_)
            if (run.starts_with(name + "/") || run == name) return time;
        return 0;
    }

public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const LayerCase& c : Cases) {
            const double layers = TimeOf(std::string("layers/") + c.name);
            const double plain = TimeOf(std::string("transforms/") + c.name);
            std::printf("%-13s layer method %8.1f ms  its %d plain transforms %8.1f ms  ratio %.2f\n", c.name,
                        layers, c.layers + 1, plain, layers / plain);
        }
        const double occluded = TimeOf("occlusion/1024x1024x16");
        std::printf("1024x1024x16  with occlusion %8.1f ms  ratio to the layer method %.2f\n", occluded,
                    occluded / TimeOf("layers/1024x1024x16"));
        const double redraw = TimeOf("refocus/1024x1024");
        const double one = TimeOf("transforms/1024x1024x1");
        std::printf("refocus 1024x1024 redraw %.1f ms  one plain padded transform %.1f ms  ratio %.2f\n",
                    redraw, one, redraw / one);
    }
};

}  // namespace
}  // namespace marbleck

int main(int argc, char** argv) {
    using namespace marbleck;
    for (const LayerCase& c : Cases) {
        benchmark::RegisterBenchmark((std::string("layers/") + c.name + "/").c_str(),
                                     [&c](benchmark::State& s) { Layers(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1)
            ->Repetitions(3);
        benchmark::RegisterBenchmark(
            (std::string("transforms/") + c.name + "/").c_str(),
            [&c](benchmark::State& s) { Transforms(s, c.columns, c.rows, c.layers + 1); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1)
            ->Repetitions(3);
    }
    benchmark::RegisterBenchmark("occlusion/1024x1024x16/",
                                 [](benchmark::State& s) { Layers(s, Cases[1], true); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(3);
    benchmark::RegisterBenchmark("refocus/1024x1024/", RefocusRedraw)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(1.0);
    benchmark::RegisterBenchmark("transforms/1024x1024x1/",
                                 [](benchmark::State& s) { Transforms(s, 1024, 1024, 1); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(1.0);
    benchmark::AddCustomContext("threads", std::to_string(std::max(1u, std::thread::hardware_concurrency())));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
