#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>

#include "Calculation.h"
#include "CaseName.h"
#include "Controls.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "engine/core/HologramGeometry.h"
#include "platform/NumberText.h"
#include "widgets/PictureArea.h"
#include "widgets/ProgressBar.h"

namespace marbleck {

using test::Control;
namespace {

class CalculateTest : public ::testing::Test {
protected:
    void calculate() { test::CalculateAndWait(form); }
    int grey(int u, int v) const {
        return qRed(Control<PictureArea>(form, "hologramView")->image().pixel(u, v));
    }

    test::RecordedErrors errors;
    Document document;
    MainWindow form{document};
};

TEST_F(CalculateTest, PointAtTheOriginGivesAnAllWhiteView) {
    Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
    Control<PictureArea>(form, "objectCanvas")->setPixel(0, 0, White);
    calculate();
    ASSERT_TRUE(errors.empty());
    // The view's drawing area is resized to R·W × R·H screen pixels, the
    // border around it.
    EXPECT_FLOAT_EQ(Control<PictureArea>(form, "hologramView")->outerWidth(), 1560.0f);
    EXPECT_FLOAT_EQ(Control<PictureArea>(form, "hologramView")->outerHeight(), 1560.0f);
    EXPECT_EQ(Control<PictureArea>(form, "hologramView")->size(), QSize(104, 104));
    EXPECT_EQ(Control<PictureArea>(form, "hologramView")->drawingAreaSize(), QSize(100, 100));
    ASSERT_EQ(document.field().columns(), 100);
    ASSERT_EQ(document.field().rows(), 100);
    for (float value : document.field().values()) ASSERT_EQ(value, 1.0f);
    const QImage view = Control<PictureArea>(form, "hologramView")->image();
    for (int v = 0; v < view.height(); ++v)
        for (int u = 0; u < view.width(); ++u) ASSERT_EQ(view.pixel(u, v), qRgb(255, 255, 255));
}

TEST_F(CalculateTest, PointAtTheRightColumnGivesStripes) {
    Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
    Control<PictureArea>(form, "objectCanvas")->setPixel(99, 0, White);
    calculate();
    ASSERT_TRUE(errors.empty());
    // cos(u·3.1415): +1, −1, +1 … normalised over the range −1 … 1.
    for (int u = 0; u < 6; ++u) {
        const float expected = static_cast<float>((std::cos(u * HologramPi) + 1.0) / 2.0);
        EXPECT_NEAR(document.field()(u, 0), expected, 1e-5);
        EXPECT_NEAR(document.field()(u, 50), expected, 1e-5);
        EXPECT_EQ(grey(u, 7), u % 2 == 0 ? 255 : 0);
    }
}

TEST_F(CalculateTest, ColoursOtherThanWhiteCountTheSame) {
    Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
    Control<PictureArea>(form, "objectCanvas")->setPixel(20, 30, White);
    Control<PictureArea>(form, "objectCanvas")->setPixel(70, 10, White);
    calculate();
    const HologramField white = document.field();
    Control<PictureArea>(form, "objectCanvas")->clear();
    Control<PictureArea>(form, "objectCanvas")->setPixel(20, 30, RGBColor(0, 0, 1));
    Control<PictureArea>(form, "objectCanvas")->setPixel(70, 10, RGBColor(200, 3, 0));
    calculate();
    EXPECT_EQ(document.field(), white);
}

TEST_F(CalculateTest, RandomPhaseGivesADifferentHologramEachRun) {
    Control<PictureArea>(form, "objectCanvas")->setPixel(20, 30, White);
    Control<PictureArea>(form, "objectCanvas")->setPixel(70, 10, White);
    Control<PictureArea>(form, "objectCanvas")->setPixel(40, 40, White);
    calculate();
    const HologramField first = document.field();
    calculate();
    EXPECT_NE(document.field(), first);

    Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
    calculate();
    const HologramField plain = document.field();
    calculate();
    EXPECT_EQ(document.field(), plain);
}

TEST_F(CalculateTest, RepsScaleTheViewAndTheField) {
    Control<PictureArea>(form, "objectCanvas")->setPixel(10, 10, White);
    Control<QLineEdit>(form, "repsEdit")->setText("3");
    calculate();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(Control<PictureArea>(form, "hologramView")->size(), QSize(304, 304));
    EXPECT_EQ(document.field().columns(), 300);
    EXPECT_EQ(Control<PictureArea>(form, "hologramView")->drawingAreaSize(), QSize(300, 300));
    for (float value : document.field().values()) {
        ASSERT_GE(value, 0.0f);
        ASSERT_LE(value, 1.0f);
    }
}

TEST_F(CalculateTest, ProgressBarIsHiddenAndResetAfterwardsAndTimeIsShown) {
    form.show();
    Control<PictureArea>(form, "objectCanvas")->setPixel(10, 10, White);
    Control<QLineEdit>(form, "timeEdit")->setText("stale");
    float largest = -1;
    QObject::connect(Control<ProgressBar>(form, "progressBar"), &QProgressBar::valueChanged, [&] {
        if (Control<ProgressBar>(form, "progressBar")->isVisible())
            largest = std::max(largest, Control<ProgressBar>(form, "progressBar")->value());
    });
    calculate();
    EXPECT_FLOAT_EQ(largest, 99.0f);  // 100 × (W − 1) / W after the last column
    EXPECT_TRUE(Control<ProgressBar>(form, "progressBar")->isHidden());
    EXPECT_EQ(Control<ProgressBar>(form, "progressBar")->value(), 0.0f);
    const double seconds = ReadNumber(Control<QLineEdit>(form, "timeEdit")->text().toStdString());
    EXPECT_NE(Control<QLineEdit>(form, "timeEdit")->text(), "stale");
    EXPECT_GE(seconds, 0.0);
    EXPECT_LT(seconds, 60.0);
}

TEST_F(CalculateTest, EmptyCanvasPaintsABlackViewWithoutError) {
    calculate();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(document.field().columns(), 100);
    for (float value : document.field().values()) ASSERT_EQ(value, 0.0f);
    EXPECT_EQ(grey(0, 0), 0);
    EXPECT_EQ(grey(95, 95), 0);
    EXPECT_EQ(Control<PictureArea>(form, "hologramView")->image().pixel(50, 50), qRgb(0, 0, 0));
}

class RepsWithoutHologram : public CalculateTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RepsWithoutHologram, IsRefusedBeforeAnythingChanges) {
    Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
    Control<PictureArea>(form, "objectCanvas")->setPixel(0, 0, White);
    calculate();  // a hologram to keep
    const HologramField before = document.field();
    const QImage view = Control<PictureArea>(form, "hologramView")->image();
    Control<QLineEdit>(form, "timeEdit")->setText("kept");
    Control<QLineEdit>(form, "repsEdit")->setText(GetParam());
    calculate();
    EXPECT_EQ(errors.lastNumber(), 380);
    EXPECT_EQ(document.field(), before);
    EXPECT_EQ(Control<PictureArea>(form, "hologramView")->image(), view);
    EXPECT_TRUE(Control<ProgressBar>(form, "progressBar")->isHidden());
    EXPECT_EQ(Control<QLineEdit>(form, "timeEdit")->text(), "kept");
}

INSTANTIATE_TEST_SUITE_P(Texts, RepsWithoutHologram, ::testing::Values("0", "-2", "abc", "", "0.004"),
                         [](const auto& info) { return test::TextCaseName(info.param); });

TEST_F(CalculateTest, TooLargeAHologramIsOutOfMemoryBeforeAnythingChanges) {
    Control<PictureArea>(form, "objectCanvas")->setPixel(0, 0, White);
    Control<QLineEdit>(form, "repsEdit")->setText("100");  // 10 000 × 10 000 values
    calculate();
    EXPECT_EQ(errors.lastNumber(), 7);
    EXPECT_TRUE(document.field().empty());
    EXPECT_TRUE(Control<ProgressBar>(form, "progressBar")->isHidden());
    EXPECT_EQ(Control<QLineEdit>(form, "timeEdit")->text(), "0");
    // The program runs on: the next calculation works.
    Control<QLineEdit>(form, "repsEdit")->setText("1");
    calculate();
    EXPECT_EQ(document.field().columns(), 100);
}

TEST_F(CalculateTest, OnePixelWideCanvasDoesNotDivideByZero) {
    Control<PictureArea>(form, "objectCanvas")->setOuterWidth(15);
    Control<PictureArea>(form, "objectCanvas")->setPixel(0, 5, White);
    calculate();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(document.field().columns(), 1);
    EXPECT_EQ(document.field().rows(), 100);
}

TEST_F(CalculateTest, FractionalRepsFollowTheFieldBounds) {
    Control<PictureArea>(form, "objectCanvas")->setPixel(0, 0, White);
    Control<QLineEdit>(form, "repsEdit")->setText("1.5abc");  // 150 × 150
    calculate();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(document.field().columns(), 150);
    EXPECT_EQ(Control<PictureArea>(form, "hologramView")->drawingAreaSize(), QSize(150, 150));
}

TEST_F(CalculateTest, FastCalculationAgreesWithTheExactOneAndShowsProgress) {
    form.show();
    Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
    for (int i = 0; i < 40; ++i)
        Control<PictureArea>(form, "objectCanvas")
            ->setPixel(static_cast<float>(i * 7 % 97), static_cast<float>(i * 13 % 89), White);
    Control<QLineEdit>(form, "repsEdit")->setText("2");
    calculate();
    const HologramField exact = document.field();
    const QImage exactView = Control<PictureArea>(form, "hologramView")->image();

    Control<QAction>(form, "fastEngineAction")->setChecked(true);
    float largest = -1;
    QObject::connect(Control<ProgressBar>(form, "progressBar"), &QProgressBar::valueChanged, [&] {
        if (Control<ProgressBar>(form, "progressBar")->isVisible())
            largest = std::max(largest, Control<ProgressBar>(form, "progressBar")->value());
    });
    calculate();
    ASSERT_TRUE(errors.empty());
    EXPECT_FLOAT_EQ(largest, 99.0f);
    ASSERT_EQ(document.field().columns(), exact.columns());
    ASSERT_EQ(document.field().rows(), exact.rows());
    const QImage fastView = Control<PictureArea>(form, "hologramView")->image();
    for (int u = 0; u < exact.columns(); ++u)
        for (int v = 0; v < exact.rows(); ++v) {
            ASSERT_NEAR(document.field()(u, v), exact(u, v), 1e-5) << u << "," << v;
            if (u < fastView.width() && v < fastView.height()) {
                ASSERT_LE(std::abs(qRed(fastView.pixel(u, v)) - qRed(exactView.pixel(u, v))), 1);
            }
        }
}

}  // namespace
}  // namespace marbleck
