#include "HologramProcedures.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <vector>

#include "Form1.h"
#include "HologramCompute.h"
#include "Module1.h"
#include "NumberText.h"
#include "PictureArea.h"
#include "ProgressBar.h"
#include "Screen.h"

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

void ComputeHologram(Form1& form, Module1& module) {
    const float W = form.Picture1->outerWidth() / Screen::TwipsPerPixelX();
    const float H = form.Picture1->outerHeight() / Screen::TwipsPerPixelY();
    const double R = ReadNumber(form.Text1->text().toStdString());
    const HologramGeometry geometry = MakeHologramGeometry(W, H, R);

    ProgressScope progress(*form.ProgressBar1);
    HologramField field(geometry.fieldColumns, geometry.fieldRows);
    module.Random.reseedFromClock();

    // The lit samples in scan order, one phase drawn for each.
    std::vector<ObjectPoint> points;
    std::vector<double> phases;
    const bool randomPhase = form.Check1->isChecked();
    for (int x = 0; x < geometry.canvasColumns; ++x) {
        for (int y = 0; y < geometry.canvasRows; ++y) {
            if (form.Picture1->point(static_cast<float>(x), static_cast<float>(y)) <= 0) continue;
            points.push_back({x, y});
            phases.push_back(randomPhase ? PhaseOfDraw(module.Random.next()) : 0.0);
        }
    }

    QElapsedTimer sinceRepaint;
    sinceRepaint.start();
    const EngineKind engine = form.FastCalculation->isChecked() ? EngineKind::Fast : EngineKind::Exact;
    AccumulateHologram(engine, geometry, points, phases, field, [&](int x) {
        form.ProgressBar1->setValue(100.0f * static_cast<float>(x) / W);
        keepRepainting(sinceRepaint);
    });

    const FieldRange range = FindRange(field, geometry);
    form.Picture2->setOuterWidth(static_cast<float>(Screen::TwipsPerPixelX() * W * R));
    form.Picture2->setOuterHeight(static_cast<float>(Screen::TwipsPerPixelY() * H * R));
    Normalise(field, geometry, range);
    GreyLevels(field, geometry, module.GreyBuffer);
    form.Picture2->paintGreyColumns(module.GreyBuffer.data(), geometry.columns, geometry.rows);
    module.HologramField = std::move(field);
}

void BinarizeHologram(Form1& form, Module1& module) {
    if (module.HologramField.empty()) return;
    const double threshold = ReadNumber(form.Text3->text().toStdString());
    HologramField& field = module.HologramField;
    Binarize(field, threshold, module.GreyBuffer);
    form.Picture2->paintGreyColumns(module.GreyBuffer.data(), field.columns(), field.rows());
}

}  // namespace marbleck
