// The Reconstruction window's focus slider at 1024 x 1024 as the user sees
// it: a key moves the slider, until the picture of the new depth is shown
// (the refocus on the worker, its grey levels and the picture), against one
// plain complex transform of the padded size (2048 x 2048) and against the
// redraw as the window first made it (fresh arrays and transfer function
// each depth, the spectrum copied and then multiplied, the field, its
// intensity, scaled, grey levels, the picture copied and scaled for the
// screen on the window's thread), in the same run. Each time is the fastest
// of its repetitions; the ratios are printed at the end. Runs headless
// (QT_QPA_PLATFORM=offscreen unless set).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
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
#include "engine/scenes/AngularSpectrum.h"
#include "engine/scenes/Refocus.h"
#include "engine/transforms/SpectrumPlan.h"

namespace marbleck {
namespace {

constexpr int Side = 1024;

std::shared_ptr<const Hologram> SmallSceneHologram() {
    auto scene = std::make_shared<Scene>();
    const ScenePlane plane{Side, Side, 8e-6};
    for (int k = 0; k < 16; ++k) {
        scene->points.push_back({plane.x(200 + 40 * k), plane.y(800 - 35 * k), 0.05 + 0.005 * k, {1, 1, 1}});
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
    const auto hologram = SmallSceneHologram();
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

// The redraw of one depth as the window first made it.
QPixmap FirstRedraw(const AngularSpectrum& spectrum, const AngularSpectrum::Padded& hologramSpectrum,
                    double depth) {
    const AngularSpectrum::Transfer transfer = spectrum.transfer(-depth);
    AngularSpectrum::Padded work(spectrum);
    std::copy(hologramSpectrum.data(), hologramSpectrum.data() + work.size(), work.data());
    spectrum.multiply(work, transfer);
    SceneField field(spectrum.plane());
    spectrum.inverse(work, field.values.data());
    std::vector<float> intensity(field.values.size());
    for (std::size_t i = 0; i < intensity.size(); ++i) intensity[i] = std::norm(field.values[i]);
    const std::vector<std::uint8_t> levels = GreyLevelsOf(ScaleIntensity(intensity, IntensityScale::linear));
    const ScenePlane& plane = spectrum.plane();
    QImage picture(plane.columns, plane.rows, QImage::Format_Grayscale8);
    for (int r = 0; r < plane.rows; ++r)
        std::copy_n(levels.begin() + static_cast<std::ptrdiff_t>(r) * plane.columns, plane.columns,
                    picture.scanLine(r));
    return QPixmap::fromImage(picture).scaled(384, 384, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void FirstPath(benchmark::State& state) {
    const auto hologram = SmallSceneHologram();
    const auto& scene = static_cast<const SceneHologram&>(*hologram);
    const AngularSpectrum spectrum(scene.transmittance().plane, scene.waves().front().wavelength);
    AngularSpectrum::Padded hologramSpectrum(spectrum);
    spectrum.load(scene.transmittance().values.data(), hologramSpectrum);
    spectrum.forward(hologramSpectrum);
    double depth = 0.05;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FirstRedraw(spectrum, hologramSpectrum, depth));
        depth += 1e-4;
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
        double first = 0;
        for (const auto& [name, time] : times_) {
            if (name.starts_with("slider/")) slider = time;
            if (name.starts_with("transform/")) transform = time;
            if (name.starts_with("firstpath/")) first = time;
        }
        std::printf("focus slider 1024x1024 redraw %.1f ms  one plain padded transform %.1f ms  ratio %.2f\n",
                    slider, transform, slider / transform);
        std::printf("the first redraw path %.1f ms  ratio slider / first path %.2f\n", first, slider / first);
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
    benchmark::RegisterBenchmark("firstpath/1024x1024/", FirstPath)
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
