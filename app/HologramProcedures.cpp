#include "app/HologramProcedures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <vector>

#include "app/Document.h"
#include "engine/HologramPipeline.h"
#include "engine/Reconstruction.h"
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

void ComputeHologram(const CalculationRequest& request, Document& document, const PictureArea& canvas,
                     PictureArea& view, ProgressBar& progress) {
    const float W = canvas.outerWidth() / Screen::TwipsPerPixelX();
    const float H = canvas.outerHeight() / Screen::TwipsPerPixelY();
    const double R = ReadNumber(request.repsText.toStdString());
    const HologramGeometry geometry = MakeHologramGeometry(W, H, R);

    ProgressScope showProgress(progress);
    document.random.reseedFromClock();

    // The lit samples in scan order, one phase drawn for each.
    std::vector<ObjectPoint> points;
    LitSamples(canvas.image(), CanvasSampleGrid(canvas, geometry.canvasColumns, geometry.canvasRows), points);
    std::vector<double> phases(points.size(), 0.0);
    if (request.randomPhase)
        for (double& phase : phases) phase = PhaseOfDraw(document.random.next());

    QElapsedTimer sinceRepaint;
    sinceRepaint.start();
    HologramField field;
    CalculateHologram(request.engine, geometry, points, phases, field, document.greyLevels, [&](int x) {
        progress.setValue(100.0f * static_cast<float>(x) / W);
        keepRepainting(sinceRepaint);
    });

    view.setOuterSize(static_cast<float>(Screen::TwipsPerPixelX() * W * R),
                      static_cast<float>(Screen::TwipsPerPixelY() * H * R));
    view.paintGreyColumns(document.greyLevels.data(), geometry.columns, geometry.rows);
    document.field = std::move(field);
    document.geometry = geometry;
    document.litPoints = std::move(points);
}

void BinarizeHologram(const QString& thresholdText, Document& document, PictureArea& view) {
    if (document.field.empty()) return;
    const double threshold = ReadNumber(thresholdText.toStdString());
    HologramField& field = document.field;
    Binarize(field, threshold, document.greyLevels);
    view.paintGreyColumns(document.greyLevels.data(), field.columns(), field.rows());
}

std::optional<double> BinarizeHologramBalanced(Document& document, PictureArea& view) {
    if (document.field.empty()) return std::nullopt;
    HologramField& field = document.field;
    const double threshold = MedianThreshold(field, document.geometry.columns, document.geometry.rows);
    Binarize(field, threshold, document.greyLevels);
    view.paintGreyColumns(document.greyLevels.data(), field.columns(), field.rows());
    return threshold;
}

}  // namespace marbleck
