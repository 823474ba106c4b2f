// The Reconstruction window's focus slider at 1024 x 1024 as the user sees
// it: a key moves the slider, until the picture of the new depth is shown
// (the refocus on the worker, its grey levels and the picture), against one
// plain complex transform of the padded size (2048 x 2048) in the same run.
// Each time is the fastest of its repetitions; the ratio is printed at the
// end. Runs headless (QT_QPA_PLATFORM=offscreen unless set).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <algorithm>
#include <complex>
#include <cstdio>
#include <memory>

#include "FastestRuns.h"
#include "app/SceneFocusPanel.h"
#include "engine/kinds/HologramJob.h"
#include "engine/kinds/scene/SceneKind.h"
#include "engine/transforms/SpectrumPlan.h"

namespace marbleck {
namespace {

constexpr int Side = 1024;

std::shared_ptr<const Hologram> SmallSceneHologram(std::vector<double>& depths) {
    auto scene = std::make_shared<Scene>();
    const ScenePlane plane{Side, Side, 8e-6};
    for (int k = 0; k < 16; ++k) {
        scene->points.push_back({plane.x(200 + 40 * k), plane.y(800 - 35 * k), 0.05 + 0.005 * k, {1, 1, 1}});
        depths.push_back(scene->points.back().z);
    }
    auto steps = std::make_shared<ScenePostProcessing>();
    steps->plane = plane;
    HologramJob job;
    job.kind = "scene";
    job.scene = scene;
    job.postProcessing = steps;
    return std::shared_ptr<const Hologram>(RunJob(job).hologram);
}

void SliderRedraw(benchmark::State& state) {
    std::vector<double> depths;
    const auto hologram = SmallSceneHologram(depths);
    SceneFocusPanel panel;
    QSignalSpy shown(&panel, &SceneFocusPanel::pictureShown);
    panel.setHologram(hologram);
    if (!shown.wait(120000)) state.SkipWithError("no first picture");
    auto* slider = panel.findChild<QSlider*>(QStringLiteral("focusSlider"));
    int direction = 1;
    for (auto _ : state) {
        if (slider->value() >= slider->maximum()) direction = -1;
        if (slider->value() <= slider->minimum()) direction = 1;
        shown.clear();
        QTest::keyClick(slider, direction > 0 ? Qt::Key_Right : Qt::Key_Left);
        if (!shown.wait(60000)) state.SkipWithError("no picture");
    }
}

void PaddedTransform(benchmark::State& state) {
    const ExecutionContext context;
    const ComplexSpectrumPlan plan(2 * Side, 2 * Side, context);
    std::fill(plan.data(), plan.data() + plan.size(), std::complex<float>(0.5f, 0.25f));
    for (auto _ : state) {
        plan.forward(context);
        benchmark::DoNotOptimize(plan.data());
    }
}

class RatioReporter : public bench::FastestRunsReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        double slider = 0;
        double transform = 0;
        for (const auto& [name, time] : times_) {
            if (name.starts_with("slider/")) slider = time;
            if (name.starts_with("transform/")) transform = time;
        }
        std::printf("focus slider 1024x1024 redraw %.1f ms  one plain padded transform %.1f ms  ratio %.2f\n",
                    slider, transform, slider / transform);
    }
};

}  // namespace
}  // namespace marbleck

int main(int argc, char** argv) {
    using namespace marbleck;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::RegisterBenchmark("slider/1024x1024/", SliderRedraw)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(1.0)
        ->Repetitions(3);
    benchmark::RegisterBenchmark("transform/2048x2048/", PaddedTransform)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(1.0)
        ->Repetitions(3);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
