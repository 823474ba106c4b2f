#include "app/HologramProcedures.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <vector>

#include "app/MainWindow.h"
#include "app/Document.h"
#include "engine/HologramPipeline.h"
#include "input/ObjectSamples.h"
#include "platform/NumberText.h"
#include "widgets/PictureArea.h"
#include "widgets/ProgressBar.h"
#include "widgets/Screen.h"

namespace marbleck {

namespace {

// Hides the progress bar and resets it to its minimum however the
// calculation ends.
class ProgressScope {
public:
    explicit ProgressScope(ProgressBar& bar) : bar_(bar) { bar_.setVisible(true); }
    ~ProgressScope() {
        bar_.setVisible(false);
        bar_.setValue(bar_.min());
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    ProgressBar& bar_;
};

// Lets the window repaint while the calculation runs; user input waits
// until the command has returned.
void keepRepainting(QElapsedTimer& sinceLast) {
    if (sinceLast.elapsed() < 30) return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceLast.restart();
}

}  // namespace

void ComputeHologram(MainWindow& form, Document& module) {
    const float W = form.objectCanvas->outerWidth() / Screen::TwipsPerPixelX();
    const float H = form.objectCanvas->outerHeight() / Screen::TwipsPerPixelY();
    const double R = ReadNumber(form.repsEdit->text().toStdString());
    const HologramGeometry geometry = [&] {
        try {
            return MakeHologramGeometry(W, H, R);
        } catch (const NoHologramError& error) {
            throw error.forBox(form.repsLabel->text().toStdString());
        }
    }();

    ProgressScope progress(*form.progressBar);
    module.random.reseedFromClock();

    // The lit samples in scan order, one phase drawn for each.
    std::vector<ObjectPoint> points;
    LitSamples(form.objectCanvas->image(),
               CanvasSampleGrid(*form.objectCanvas, geometry.canvasColumns, geometry.canvasRows), points);
    std::vector<double> phases(points.size(), 0.0);
    if (form.randomPhaseCheck->isChecked())
        for (double& phase : phases) phase = PhaseOfDraw(module.random.next());

    QElapsedTimer sinceRepaint;
    sinceRepaint.start();
    const EngineKind engine = form.fastCalculationAction->isChecked() ? EngineKind::Fast : EngineKind::Exact;
    HologramField field;
    CalculateHologram(engine, geometry, points, phases, field, module.greyLevels, [&](int x) {
        form.progressBar->setValue(100.0f * static_cast<float>(x) / W);
        keepRepainting(sinceRepaint);
    });

    form.hologramView->setOuterSize(static_cast<float>(Screen::TwipsPerPixelX() * W * R),
                                    static_cast<float>(Screen::TwipsPerPixelY() * H * R));
    form.hologramView->paintGreyColumns(module.greyLevels.data(), geometry.columns, geometry.rows);
    module.field = std::move(field);
}

void BinarizeHologram(MainWindow& form, Document& module) {
    if (module.field.empty()) return;
    const double threshold = ReadNumber(form.thresholdEdit->text().toStdString());
    HologramField& field = module.field;
    Binarize(field, threshold, module.greyLevels);
    form.hologramView->paintGreyColumns(module.greyLevels.data(), field.columns(), field.rows());
}

}  // namespace marbleck
