#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>

#include "CaseName.h"
#include "app/MainWindow.h"
#include "engine/HologramGeometry.h"
#include "app/Document.h"
#include "platform/NumberText.h"
#include "widgets/PictureArea.h"
#include "widgets/ProgressBar.h"
#include "RecordedErrors.h"

namespace marbleck {
namespace {

class CalculateTest : public ::testing::Test {
protected:
    void calculate() { QTest::mouseClick(form.calculateButton, Qt::LeftButton); }
    int grey(int u, int v) const { return qRed(form.hologramView->image().pixel(u, v)); }

    test::RecordedErrors errors;
    Document module;
    MainWindow form{module};
};

TEST_F(CalculateTest, PointAtTheOriginGivesAnAllWhiteView) {
    form.randomPhaseCheck->setChecked(false);
    form.objectCanvas->setPixel(0, 0, White);
    calculate();
    ASSERT_TRUE(errors.empty());
    // The view is resized to R·W × R·H screen pixels (outer size).
    EXPECT_FLOAT_EQ(form.hologramView->outerWidth(), 1500.0f);
    EXPECT_FLOAT_EQ(form.hologramView->outerHeight(), 1500.0f);
    EXPECT_EQ(form.hologramView->size(), QSize(100, 100));
    ASSERT_EQ(module.field.columns(), 100);
    ASSERT_EQ(module.field.rows(), 100);
    for (float value : module.field.values()) ASSERT_EQ(value, 1.0f);
    const QImage view = form.hologramView->image();
    for (int v = 0; v < view.height(); ++v)
        for (int u = 0; u < view.width(); ++u) ASSERT_EQ(view.pixel(u, v), qRgb(255, 255, 255));
}

TEST_F(CalculateTest, PointAtTheRightColumnGivesStripes) {
    form.randomPhaseCheck->setChecked(false);
    form.objectCanvas->setPixel(99, 0, White);
    calculate();
    ASSERT_TRUE(errors.empty());
    // cos(u·3.1415): +1, −1, +1 … normalised over the range −1 … 1.
    for (int u = 0; u < 6; ++u) {
        const float expected = static_cast<float>((std::cos(u * HologramPi) + 1.0) / 2.0);
        EXPECT_NEAR(module.field(u, 0), expected, 1e-5);
        EXPECT_NEAR(module.field(u, 50), expected, 1e-5);
        EXPECT_EQ(grey(u, 7), u % 2 == 0 ? 255 : 0);
    }
}

TEST_F(CalculateTest, ColoursOtherThanWhiteCountTheSame) {
    form.randomPhaseCheck->setChecked(false);
    form.objectCanvas->setPixel(20, 30, White);
    form.objectCanvas->setPixel(70, 10, White);
    calculate();
    const HologramField white = module.field;
    form.objectCanvas->clear();
    form.objectCanvas->setPixel(20, 30, RGBColor(0, 0, 1));
    form.objectCanvas->setPixel(70, 10, RGBColor(200, 3, 0));
    calculate();
    EXPECT_EQ(module.field, white);
}

TEST_F(CalculateTest, RandomPhaseGivesADifferentHologramEachRun) {
    form.objectCanvas->setPixel(20, 30, White);
    form.objectCanvas->setPixel(70, 10, White);
    form.objectCanvas->setPixel(40, 40, White);
    calculate();
    const HologramField first = module.field;
    calculate();
    EXPECT_NE(module.field, first);

    form.randomPhaseCheck->setChecked(false);
    calculate();
    const HologramField plain = module.field;
    calculate();
    EXPECT_EQ(module.field, plain);
}

TEST_F(CalculateTest, RepsScaleTheViewAndTheField) {
    form.objectCanvas->setPixel(10, 10, White);
    form.repsEdit->setText("3");
    calculate();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(form.hologramView->size(), QSize(300, 300));
    EXPECT_EQ(module.field.columns(), 300);
    EXPECT_EQ(form.hologramView->drawingAreaSize(), QSize(296, 296));
    for (float value : module.field.values()) {
        ASSERT_GE(value, 0.0f);
        ASSERT_LE(value, 1.0f);
    }
}

TEST_F(CalculateTest, ProgressBarIsHiddenAndResetAfterwardsAndTimeIsShown) {
    form.show();
    form.objectCanvas->setPixel(10, 10, White);
    form.timeEdit->setText("stale");
    float largest = -1;
    QObject::connect(form.progressBar, &QProgressBar::valueChanged, [&] {
        if (form.progressBar->isVisible()) largest = std::max(largest, form.progressBar->value());
    });
    calculate();
    EXPECT_FLOAT_EQ(largest, 99.0f);  // 100 × (W − 1) / W after the last column
    EXPECT_TRUE(form.progressBar->isHidden());
    EXPECT_EQ(form.progressBar->value(), 0.0f);
    const double seconds = ReadNumber(form.timeEdit->text().toStdString());
    EXPECT_NE(form.timeEdit->text(), "stale");
    EXPECT_GE(seconds, 0.0);
    EXPECT_LT(seconds, 60.0);
}

TEST_F(CalculateTest, EmptyCanvasPaintsABlackViewWithoutError) {
    calculate();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(module.field.columns(), 100);
    for (float value : module.field.values()) ASSERT_EQ(value, 0.0f);
    EXPECT_EQ(grey(0, 0), 0);
    EXPECT_EQ(grey(95, 95), 0);
    EXPECT_EQ(form.hologramView->image().pixel(50, 50), qRgb(0, 0, 0));
}

class RepsWithoutHologram : public CalculateTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RepsWithoutHologram, IsRefusedBeforeAnythingChanges) {
    form.randomPhaseCheck->setChecked(false);
    form.objectCanvas->setPixel(0, 0, White);
    calculate();  // a hologram to keep
    const HologramField before = module.field;
    const QImage view = form.hologramView->image();
    form.timeEdit->setText("kept");
    form.repsEdit->setText(GetParam());
    calculate();
    EXPECT_EQ(errors.lastNumber(), 380);
    EXPECT_EQ(module.field, before);
    EXPECT_EQ(form.hologramView->image(), view);
    EXPECT_TRUE(form.progressBar->isHidden());
    EXPECT_EQ(form.timeEdit->text(), "kept");
}

INSTANTIATE_TEST_SUITE_P(Texts, RepsWithoutHologram, ::testing::Values("0", "-2", "abc", "", "0.004"),
                         [](const auto& info) { return test::TextCaseName(info.param); });

TEST_F(CalculateTest, TooLargeAHologramIsOutOfMemoryBeforeAnythingChanges) {
    form.objectCanvas->setPixel(0, 0, White);
    form.repsEdit->setText("100");  // 10 000 × 10 000 values
    calculate();
    EXPECT_EQ(errors.lastNumber(), 7);
    EXPECT_TRUE(module.field.empty());
    EXPECT_TRUE(form.progressBar->isHidden());
    EXPECT_EQ(form.timeEdit->text(), "0");
    // The program runs on: the next calculation works.
    form.repsEdit->setText("1");
    calculate();
    EXPECT_EQ(module.field.columns(), 100);
}

TEST_F(CalculateTest, OnePixelWideCanvasDoesNotDivideByZero) {
    form.objectCanvas->setOuterWidth(15);
    form.objectCanvas->setPixel(0, 5, White);
    calculate();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(module.field.columns(), 1);
    EXPECT_EQ(module.field.rows(), 100);
}

TEST_F(CalculateTest, FractionalRepsFollowTheFieldBounds) {
    form.objectCanvas->setPixel(0, 0, White);
    form.repsEdit->setText("1.5abc");  // 150 × 150
    calculate();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(module.field.columns(), 150);
    EXPECT_EQ(form.hologramView->size(), QSize(150, 150));
}

TEST_F(CalculateTest, FastCalculationAgreesWithTheExactOneAndShowsProgress) {
    form.show();
    form.randomPhaseCheck->setChecked(false);
    for (int i = 0; i < 40; ++i)
        form.objectCanvas->setPixel(static_cast<float>(i * 7 % 97), static_cast<float>(i * 13 % 89), White);
    form.repsEdit->setText("2");
    calculate();
    const HologramField exact = module.field;
    const QImage exactView = form.hologramView->image();

    form.fastCalculationAction->setChecked(true);
    float largest = -1;
    QObject::connect(form.progressBar, &QProgressBar::valueChanged, [&] {
        if (form.progressBar->isVisible()) largest = std::max(largest, form.progressBar->value());
    });
    calculate();
    ASSERT_TRUE(errors.empty());
    EXPECT_FLOAT_EQ(largest, 99.0f);
    ASSERT_EQ(module.field.columns(), exact.columns());
    ASSERT_EQ(module.field.rows(), exact.rows());
    const QImage fastView = form.hologramView->image();
    for (int u = 0; u < exact.columns(); ++u)
        for (int v = 0; v < exact.rows(); ++v) {
            ASSERT_NEAR(module.field(u, v), exact(u, v), 1e-5) << u << "," << v;
            if (u < fastView.width() && v < fastView.height()) {
                ASSERT_LE(std::abs(qRed(fastView.pixel(u, v)) - qRed(exactView.pixel(u, v))), 1);
            }
        }
}

}  // namespace
}  // namespace marbleck
