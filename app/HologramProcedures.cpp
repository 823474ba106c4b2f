#include "app/HologramProcedures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <vector>

#include "engine/HologramCompute.h"
#include "app/Document.h"
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
    HologramField field(geometry.fieldColumns, geometry.fieldRows);
    document.random.reseedFromClock();

    // The lit samples in scan order, one phase drawn for each.
    std::vector<ObjectPoint> points;
    std::vector<double> phases;
    const bool randomPhase = request.randomPhase;
    for (int x = 0; x < geometry.canvasColumns; ++x) {
        for (int y = 0; y < geometry.canvasRows; ++y) {
            if (canvas.colorAt(static_cast<float>(x), static_cast<float>(y)) <= 0) continue;
            points.push_back({x, y});
            phases.push_back(randomPhase ? PhaseOfDraw(document.random.next()) : 0.0);
        }
    }

    QElapsedTimer sinceRepaint;
    sinceRepaint.start();
    const EngineKind engine = request.engine;
    AccumulateHologram(engine, geometry, points, phases, field, [&](int x) {
        progress.setValue(100.0f * static_cast<float>(x) / W);
        keepRepainting(sinceRepaint);
    });

    const FieldRange range = FindRange(field, geometry);
    view.setOuterWidth(static_cast<float>(Screen::TwipsPerPixelX() * W * R));
    view.setOuterHeight(static_cast<float>(Screen::TwipsPerPixelY() * H * R));
    Normalise(field, geometry, range);
    GreyLevels(field, geometry, document.greyLevels);
    view.paintGreyColumns(document.greyLevels.data(), geometry.columns, geometry.rows);
    document.field = std::move(field);
}

void BinarizeHologram(const QString& thresholdText, Document& document, PictureArea& view) {
    if (document.field.empty()) return;
    const double threshold = ReadNumber(thresholdText.toStdString());
    HologramField& field = document.field;
    Binarize(field, threshold, document.greyLevels);
    view.paintGreyColumns(document.greyLevels.data(), field.columns(), field.rows());
}

}  // namespace marbleck
