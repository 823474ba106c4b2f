#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "Calculation.h"
#include "Controls.h"
#include "Menus.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "engine/sums/CalculationEngine.h"
#include "engine/sums/HologramPipeline.h"
#include "input/ObjectSamples.h"
#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck {
namespace {

using test::Control;

class CalculateView : public ::testing::TestWithParam<std::string> {
protected:
    void calculate() { test::CalculateAndWait(form); }

    test::RecordedErrors errors;
    Document document;
    MainWindow form{document};
};

// "Calculate" shows the grey levels of the canvas's lit samples, bit for bit
// as the separate steps give them: each point of the canvas read in user
// units, the sum, its range, the normalised values, value × 255 rounded.
TEST_P(CalculateView, ShowsTheGreyLevelsOfTheSeparateStepsBitForBit) {
    form.show();
    Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
    const std::string item = GetParam() + "EngineAction";
    test::ChooseFromMenu(form, QStringLiteral("Options"), {"engineMenu", item.c_str()});
    ASSERT_TRUE(Control<QAction>(form, item.c_str())->isChecked());
    ASSERT_EQ(form.calculateSettings().engine, GetParam());
    Control<PictureArea>(form, "objectCanvas")->setPenWidth(2);
    Control<PictureArea>(form, "objectCanvas")->drawLine(5, 90, 70, 20, White);
    Control<PictureArea>(form, "objectCanvas")->drawCircle(60, 60, 12, RGBColor(0, 0, 3));
    Control<PictureArea>(form, "objectCanvas")->setPixel(99, 99, White);
    Control<QLineEdit>(form, "repsEdit")
        ->setText(QStringLiteral("6"));  // enough values to share the work among threads
    calculate();
    ASSERT_TRUE(errors.empty());

    const HologramGeometry g = MakeHologramGeometry(100, 100, 6);
    const PictureArea& canvas = *Control<PictureArea>(form, "objectCanvas");
    std::vector<ObjectPoint> points;
    LitSamples(canvas.image(), CanvasSampleGrid(canvas, g.canvasColumns, g.canvasRows), points);
    ASSERT_GT(points.size(), 100u);
    const std::vector<double> phases(points.size(), 0.0);
    HologramField expected;
    std::vector<std::uint8_t> grey;
    CalculateHologram(CalculationEngineNamed(GetParam()), g, points, phases, expected, grey);
    ASSERT_EQ(document.field(), expected);

    const QImage view = Control<PictureArea>(form, "hologramView")->image();
    ASSERT_EQ(view.size(), QSize(600, 600));  // every value
    for (int v = 0; v < view.height(); ++v)
        for (int u = 0; u < view.width(); ++u) {
            const int grey = GreyLevel(expected(u, v));
            ASSERT_EQ(view.pixel(u, v), qRgb(grey, grey, grey)) << u << "," << v;
        }
}

// Every engine "Options" > "Engine" offers.
std::vector<std::string> OfferedEngines() {
    std::vector<std::string> names;
    for (const CalculationEngine& engine : CalculationEngines())
        if (engine.available()) names.emplace_back(engine.name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Engines, CalculateView, ::testing::ValuesIn(OfferedEngines()),
                         [](const auto& info) { return info.param; });

TEST(CalculateMessages, RepsThatLeaveNoHologramAreNamedByTheirCaption) {
    test::RecordedErrors errors;
    Document document;
    MainWindow form{document};
    Control<QLineEdit>(form, "repsEdit")->setText(QStringLiteral("0"));
    QTest::mouseClick(Control<QPushButton>(form, "calculateButton"), Qt::LeftButton);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.errors()[0].number, 380);
    EXPECT_EQ(errors.errors()[0].description,
              QStringLiteral("Invalid property value: \"# reps\" leaves no hologram"));
}

}  // namespace
}  // namespace marbleck
