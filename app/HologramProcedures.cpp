#include "app/HologramProcedures.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <vector>

#include "app/MainWindow.h"
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

void ComputeHologram(MainWindow& form, Document& module) {
    const float W = form.objectCanvas->outerWidth() / Screen::TwipsPerPixelX();
    const float H = form.objectCanvas->outerHeight() / Screen::TwipsPerPixelY();
    const double R = ReadNumber(form.repsEdit->text().toStdString());
    const HologramGeometry geometry = MakeHologramGeometry(W, H, R);

    ProgressScope progress(*form.progressBar);
    HologramField field(geometry.fieldColumns, geometry.fieldRows);
    module.random.reseedFromClock();

    // The lit samples in scan order, one phase drawn for each.
    std::vector<ObjectPoint> points;
    std::vector<double> phases;
    const bool randomPhase = form.randomPhaseCheck->isChecked();
    for (int x = 0; x < geometry.canvasColumns; ++x) {
        for (int y = 0; y < geometry.canvasRows; ++y) {
            if (form.objectCanvas->colorAt(static_cast<float>(x), static_cast<float>(y)) <= 0) continue;
            points.push_back({x, y});
            phases.push_back(randomPhase ? PhaseOfDraw(module.random.next()) : 0.0);
        }
    }

    QElapsedTimer sinceRepaint;
    sinceRepaint.start();
    const EngineKind engine = form.fastCalculationAction->isChecked() ? EngineKind::Fast : EngineKind::Exact;
    AccumulateHologram(engine, geometry, points, phases, field, [&](int x) {
        form.progressBar->setValue(100.0f * static_cast<float>(x) / W);
        keepRepainting(sinceRepaint);
    });

    const FieldRange range = FindRange(field, geometry);
    form.hologramView->setOuterWidth(static_cast<float>(Screen::TwipsPerPixelX() * W * R));
    form.hologramView->setOuterHeight(static_cast<float>(Screen::TwipsPerPixelY() * H * R));
    Normalise(field, geometry, range);
    GreyLevels(field, geometry, module.greyLevels);
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
