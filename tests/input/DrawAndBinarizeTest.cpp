#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <vector>

#include "Calculation.h"
#include "CanvasMouse.h"
#include "Controls.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "engine/binarization/Binarization.h"
#include "engine/core/HologramGeometry.h"
#include "engine/sums/HologramPipeline.h"
#include "input/ObjectSamples.h"
#include "widgets/PictureArea.h"

namespace marbleck {

using test::Control;
namespace {

// What is drawn with the mouse is what "Calculate" computes: a line and a
// circle drawn through mouse events, calculated and binarized, give the
// view of the hologram that the engine computes directly from the lit
// samples of the canvas.
TEST(DrawAndBinarizeTest, ViewMatchesTheEngineOnTheDrawnSamples) {
    test::RecordedErrors errors;
    Document document;
    MainWindow form{document};
    test::CanvasMouse mouse{*Control<PictureArea>(form, "objectCanvas")};
    Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);

    Control<QRadioButton>(form, "lineTool")->click();
    mouse.click(10, 12);
    mouse.move(25, 30);
    mouse.move(30, 22);
    mouse.click(30, 22);
    Control<QRadioButton>(form, "penWidth2")->click();
    Control<QRadioButton>(form, "circleTool")->click();
    mouse.click(65, 60);
    mouse.move(80, 80);
    mouse.move(72, 66);
    mouse.click(72, 66);
    ASSERT_FALSE(document.drawing.lineActive);
    ASSERT_FALSE(document.drawing.circleActive);

    // The lit samples in scan order, x outer, read from the canvas's image.
    const HologramGeometry geometry = MakeHologramGeometry(100, 100, 1);
    std::vector<ObjectPoint> points;
    const PictureArea& canvas = *Control<PictureArea>(form, "objectCanvas");
    LitSamples(canvas.image(), CanvasSampleGrid(canvas, geometry.canvasColumns, geometry.canvasRows), points);
    ASSERT_GT(points.size(), 40u);
    const std::vector<double> phases(points.size(), 0.0);

    Control<QLineEdit>(form, "thresholdEdit")->setText(QStringLiteral("0.55"));
    test::CalculateAndWait(form);
    QTest::mouseClick(Control<QPushButton>(form, "binarizeButton"), Qt::LeftButton);
    ASSERT_TRUE(errors.empty());

    HologramField field;
    std::vector<std::uint8_t> grey;
    CalculateHologram(CalculationEngineNamed("reference"), geometry, points, phases, field, grey);
    Binarize(field, 0.55, grey);

    EXPECT_EQ(document.field(), field);
    const QImage view = Control<PictureArea>(form, "hologramView")->image();
    ASSERT_EQ(view.size(), QSize(100, 100));  // every value
    int white = 0;
    for (int u = 0; u < view.width(); ++u) {
        for (int v = 0; v < view.height(); ++v) {
            const int g = grey[static_cast<std::size_t>(u) * static_cast<std::size_t>(field.rows()) +
                               static_cast<std::size_t>(v)];
            ASSERT_EQ(view.pixel(u, v), qRgb(g, g, g)) << u << "," << v;
            white += g == 255 ? 1 : 0;
        }
    }
    EXPECT_GT(white, 0);
    EXPECT_LT(white, view.width() * view.height());
}

}  // namespace
}  // namespace marbleck
