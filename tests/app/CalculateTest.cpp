#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>

#include "CaseName.h"
#include "Form1.h"
#include "HologramGeometry.h"
#include "Module1.h"
#include "NumberText.h"
#include "PictureArea.h"
#include "ProgressBar.h"
#include "RecordedErrors.h"

namespace marbleck {
namespace {

class CalculateTest : public ::testing::Test {
protected:
    void calculate() { QTest::mouseClick(form.Command1, Qt::LeftButton); }
    int grey(int u, int v) const { return qRed(form.Picture2->image().pixel(u, v)); }

    test::RecordedErrors errors;
    Module1 module;
    Form1 form{module};
};

TEST_F(CalculateTest, PointAtTheOriginGivesAnAllWhiteView) {
    form.Check1->setChecked(false);
    form.Picture1->pset(0, 0, White);
    calculate();
    ASSERT_TRUE(errors.empty());
    // The view is resized to R·W × R·H screen pixels (outer size).
    EXPECT_FLOAT_EQ(form.Picture2->outerWidth(), 1500.0f);
    EXPECT_FLOAT_EQ(form.Picture2->outerHeight(), 1500.0f);
    EXPECT_EQ(form.Picture2->size(), QSize(100, 100));
    ASSERT_EQ(module.HologramField.columns(), 100);
    ASSERT_EQ(module.HologramField.rows(), 100);
    for (float value : module.HologramField.values()) ASSERT_EQ(value, 1.0f);
    const QImage view = form.Picture2->image();
    for (int v = 0; v < view.height(); ++v)
        for (int u = 0; u < view.width(); ++u) ASSERT_EQ(view.pixel(u, v), qRgb(255, 255, 255));
}

TEST_F(CalculateTest, PointAtTheRightColumnGivesStripes) {
    form.Check1->setChecked(false);
    form.Picture1->pset(99, 0, White);
    calculate();
    ASSERT_TRUE(errors.empty());
    // cos(u·3.1415): +1, −1, +1 … normalised over the range −1 … 1.
    for (int u = 0; u < 6; ++u) {
        const float expected = static_cast<float>((std::cos(u * HologramPi) + 1.0) / 2.0);
        EXPECT_NEAR(module.HologramField(u, 0), expected, 1e-5);
        EXPECT_NEAR(module.HologramField(u, 50), expected, 1e-5);
        EXPECT_EQ(grey(u, 7), u % 2 == 0 ? 255 : 0);
    }
}

TEST_F(CalculateTest, ColoursOtherThanWhiteCountTheSame) {
    form.Check1->setChecked(false);
    form.Picture1->pset(20, 30, White);
    form.Picture1->pset(70, 10, White);
    calculate();
    const HologramField white = module.HologramField;
    form.Picture1->cls();
    form.Picture1->pset(20, 30, RGBColor(0, 0, 1));
    form.Picture1->pset(70, 10, RGBColor(200, 3, 0));
    calculate();
    EXPECT_EQ(module.HologramField, white);
}

TEST_F(CalculateTest, RandomPhaseGivesADifferentHologramEachRun) {
    form.Picture1->pset(20, 30, White);
    form.Picture1->pset(70, 10, White);
    form.Picture1->pset(40, 40, White);
    calculate();
    const HologramField first = module.HologramField;
    calculate();
    EXPECT_NE(module.HologramField, first);

    form.Check1->setChecked(false);
    calculate();
    const HologramField plain = module.HologramField;
    calculate();
    EXPECT_EQ(module.HologramField, plain);
}

TEST_F(CalculateTest, RepsScaleTheViewAndTheField) {
    form.Picture1->pset(10, 10, White);
    form.Text1->setText("3");
    calculate();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(form.Picture2->size(), QSize(300, 300));
    EXPECT_EQ(module.HologramField.columns(), 300);
    EXPECT_EQ(form.Picture2->drawingAreaSize(), QSize(296, 296));
    for (float value : module.HologramField.values()) {
        ASSERT_GE(value, 0.0f);
        ASSERT_LE(value, 1.0f);
    }
}

TEST_F(CalculateTest, ProgressBarIsHiddenAndResetAfterwardsAndTimeIsShown) {
    form.show();
    form.Picture1->pset(10, 10, White);
    form.Time->setText("stale");
    float largest = -1;
    QObject::connect(form.ProgressBar1, &QProgressBar::valueChanged, [&] {
        if (form.ProgressBar1->isVisible()) largest = std::max(largest, form.ProgressBar1->value());
    });
    calculate();
    EXPECT_FLOAT_EQ(largest, 99.0f);  // 100 × (W − 1) / W after the last column
    EXPECT_TRUE(form.ProgressBar1->isHidden());
    EXPECT_EQ(form.ProgressBar1->value(), 0.0f);
    const double seconds = ReadNumber(form.Time->text().toStdString());
    EXPECT_NE(form.Time->text(), "stale");
    EXPECT_GE(seconds, 0.0);
    EXPECT_LT(seconds, 60.0);
}

TEST_F(CalculateTest, EmptyCanvasPaintsABlackViewWithoutError) {
    calculate();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(module.HologramField.columns(), 100);
    for (float value : module.HologramField.values()) ASSERT_EQ(value, 0.0f);
    EXPECT_EQ(grey(0, 0), 0);
    EXPECT_EQ(grey(95, 95), 0);
    EXPECT_EQ(form.Picture2->image().pixel(50, 50), qRgb(0, 0, 0));
}

class RepsWithoutHologram : public CalculateTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RepsWithoutHologram, IsRefusedBeforeAnythingChanges) {
    form.Check1->setChecked(false);
    form.Picture1->pset(0, 0, White);
    calculate();  // a hologram to keep
    const HologramField before = module.HologramField;
    const QImage view = form.Picture2->image();
    form.Time->setText("kept");
    form.Text1->setText(GetParam());
    calculate();
    EXPECT_EQ(errors.lastNumber(), 380);
    EXPECT_EQ(module.HologramField, before);
    EXPECT_EQ(form.Picture2->image(), view);
    EXPECT_TRUE(form.ProgressBar1->isHidden());
    EXPECT_EQ(form.Time->text(), "kept");
}

INSTANTIATE_TEST_SUITE_P(Texts, RepsWithoutHologram, ::testing::Values("0", "-2", "abc", "", "0.004"),
                         [](const auto& info) { return test::TextCaseName(info.param); });

TEST_F(CalculateTest, TooLargeAHologramIsOutOfMemoryBeforeAnythingChanges) {
    form.Picture1->pset(0, 0, White);
    form.Text1->setText("100");  // 10 000 × 10 000 values
    calculate();
    EXPECT_EQ(errors.lastNumber(), 7);
    EXPECT_TRUE(module.HologramField.empty());
    EXPECT_TRUE(form.ProgressBar1->isHidden());
    EXPECT_EQ(form.Time->text(), "0");
    // The program runs on: the next calculation works.
    form.Text1->setText("1");
    calculate();
    EXPECT_EQ(module.HologramField.columns(), 100);
}

TEST_F(CalculateTest, OnePixelWideCanvasDoesNotDivideByZero) {
    form.Picture1->setOuterWidth(15);
    form.Picture1->pset(0, 5, White);
    calculate();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(module.HologramField.columns(), 1);
    EXPECT_EQ(module.HologramField.rows(), 100);
}

TEST_F(CalculateTest, FractionalRepsFollowTheFieldBounds) {
    form.Picture1->pset(0, 0, White);
    form.Text1->setText("1.5abc");  // 150 × 150
    calculate();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(module.HologramField.columns(), 150);
    EXPECT_EQ(form.Picture2->size(), QSize(150, 150));
}

TEST_F(CalculateTest, FastCalculationAgreesWithTheExactOneAndShowsProgress) {
    form.show();
    form.Check1->setChecked(false);
    for (int i = 0; i < 40; ++i)
        form.Picture1->pset(static_cast<float>(i * 7 % 97), static_cast<float>(i * 13 % 89), White);
    form.Text1->setText("2");
    calculate();
    const HologramField exact = module.HologramField;
    const QImage exactView = form.Picture2->image();

    form.FastCalculation->setChecked(true);
    float largest = -1;
    QObject::connect(form.ProgressBar1, &QProgressBar::valueChanged, [&] {
        if (form.ProgressBar1->isVisible()) largest = std::max(largest, form.ProgressBar1->value());
    });
    calculate();
    ASSERT_TRUE(errors.empty());
    EXPECT_FLOAT_EQ(largest, 99.0f);
    ASSERT_EQ(module.HologramField.columns(), exact.columns());
    ASSERT_EQ(module.HologramField.rows(), exact.rows());
    const QImage fastView = form.Picture2->image();
    for (int u = 0; u < exact.columns(); ++u)
        for (int v = 0; v < exact.rows(); ++v) {
            ASSERT_NEAR(module.HologramField(u, v), exact(u, v), 1e-5) << u << "," << v;
            if (u < fastView.width() && v < fastView.height()) {
                ASSERT_LE(std::abs(qRed(fastView.pixel(u, v)) - qRed(exactView.pixel(u, v))), 1);
            }
        }
}

}  // namespace
}  // namespace marbleck
