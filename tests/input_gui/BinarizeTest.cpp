#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <string>

#include "app/MainWindow.h"
#include "app/Document.h"
#include "widgets/PictureArea.h"
#include "RecordedErrors.h"

namespace marbleck {
namespace {

class BinarizeTest : public ::testing::Test {
protected:
    void calculate() { QTest::mouseClick(form.calculateButton, Qt::LeftButton); }
    void binarize() { QTest::mouseClick(form.binarizeButton, Qt::LeftButton); }
    QRgb view(int u, int v) const { return form.hologramView->image().pixel(u, v); }
    static QRgb grey(float level) {
        const int g = static_cast<int>(level);
        return qRgb(g, g, g);
    }
    // A few lit points on the canvas, phases off, calculated.
    void calculateSomePoints() {
        form.randomPhaseCheck->setChecked(false);
        form.objectCanvas->setPixel(3, 40, White);
        form.objectCanvas->setPixel(60, 7, White);
        form.objectCanvas->setPixel(80, 90, White);
        calculate();
        ASSERT_TRUE(errors.empty());
    }

    test::RecordedErrors errors;
    Document module;
    MainWindow form{module};
};

struct ThresholdCase {
    const char* name;
    float value;
    const char* threshold;
    float expected;
};

class ThresholdTest : public BinarizeTest, public ::testing::WithParamInterface<ThresholdCase> {};

TEST_P(ThresholdTest, OnlyValuesStrictlyAboveTheThresholdBecomeWhite) {
    const ThresholdCase& c = GetParam();
    module.field = HologramField(3, 2);
    for (float& value : module.field.values()) value = c.value;
    form.thresholdEdit->setText(QString::fromLatin1(c.threshold));
    binarize();
    ASSERT_TRUE(errors.empty());
    for (float value : module.field.values()) EXPECT_EQ(value, c.expected);
    for (int u = 0; u < 3; ++u)
        for (int v = 0; v < 2; ++v) EXPECT_EQ(view(u, v), grey(c.expected)) << u << "," << v;
}

INSTANTIATE_TEST_SUITE_P(
    Thresholds, ThresholdTest,
    ::testing::Values(
        ThresholdCase{"EqualIsBlack", 0.5f, "0.5", 0},
        ThresholdCase{"EqualQuarterIsBlack", 0.25f, "0.25", 0},
        // 0.6 as a float is 0.60000002384..., above the double 0.6.
        ThresholdCase{"FloatSixTenthsIsAboveSixTenths", 0.6f, "0.6", 255},
        ThresholdCase{"FloatSixTenthsIsBelowSlightlyMore", 0.6f, "0.6000001", 0},
        ThresholdCase{"ZeroThresholdKeepsZeroBlack", 0.0f, "0", 0},
        ThresholdCase{"ZeroThresholdWhitensAnythingAbove", 1e-7f, "0", 255},
        ThresholdCase{"ThresholdOneBlackensOne", 1.0f, "1", 0},
        ThresholdCase{"ThresholdAboveOneBlackensOne", 1.0f, "1.2", 0},
        ThresholdCase{"NegativeThresholdWhitensZero", 0.0f, "-0.1", 255},
        ThresholdCase{"NegativeThresholdWhitensOne", 1.0f, "-3", 255},
        ThresholdCase{"TextWithoutANumberReadsAsZero", 0.5f, "abc", 255},
        ThresholdCase{"TrailingTextIsIgnored", 0.5f, "0.7 or so", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BinarizeTest, BeforeAnyCalculationNothingHappens) {
    const QImage before = form.hologramView->image();
    binarize();
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(module.field.empty());
    EXPECT_EQ(form.hologramView->image(), before);
}

TEST_F(BinarizeTest, ACalculatedHologramBecomesBlackAndWhite) {
    calculateSomePoints();
    const HologramField grey = module.field;
    binarize();
    ASSERT_TRUE(errors.empty());
    const QImage image = form.hologramView->image();
    int white = 0;
    for (int u = 0; u < grey.columns(); ++u) {
        for (int v = 0; v < grey.rows(); ++v) {
            const float expected = static_cast<double>(grey(u, v)) > 0.6 ? 255.0f : 0.0f;
            ASSERT_EQ(module.field(u, v), expected) << u << "," << v;
            if (u < image.width() && v < image.height()) {
                ASSERT_EQ(image.pixel(u, v), BinarizeTest::grey(expected)) << u << "," << v;
            }
            white += expected > 0 ? 1 : 0;
        }
    }
    // Both levels occur, or the comparison above proves little.
    EXPECT_GT(white, 0);
    EXPECT_LT(white, grey.columns() * grey.rows());
}

TEST_F(BinarizeTest, ASecondBinarizationChangesNothing) {
    calculateSomePoints();
    binarize();
    const HologramField once = module.field;
    const QImage view = form.hologramView->image();
    for (const char* threshold : {"0", "0.1", "1.2", "254.9"}) {
        form.thresholdEdit->setText(QString::fromLatin1(threshold));
        binarize();
        EXPECT_EQ(module.field, once) << threshold;
        EXPECT_EQ(form.hologramView->image(), view) << threshold;
    }
}

// The size of the last calculation lives in the array: whatever the canvas
// and the reps box say now, the whole array, and only the array, is
// binarized and painted.
struct ChangeCase {
    const char* name;
    const char* reps;
    float canvasTwips;
};

class ChangedSizeTest : public BinarizeTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangedSizeTest, BinarizesTheWholeArrayAndOnlyTheArray) {
    calculateSomePoints();
    ASSERT_EQ(module.field.columns(), 100);
    ASSERT_EQ(module.field.rows(), 100);
    // A larger view, as loading a bitmap would leave it; its new pixels show
    // the background colour (red 15).
    form.hologramView->setOuterSize(3000, 3000);
    const QRgb background = qRgb(15, 0, 0);
    ASSERT_EQ(view(150, 150), background);
    form.repsEdit->setText(QString::fromLatin1(GetParam().reps));
    form.objectCanvas->setOuterSize(GetParam().canvasTwips, GetParam().canvasTwips);

    binarize();
    ASSERT_TRUE(errors.empty());
    ASSERT_EQ(module.field.columns(), 100);
    ASSERT_EQ(module.field.rows(), 100);
    for (int u = 0; u < 100; ++u) {
        for (int v = 0; v < 100; ++v) {
            const float value = module.field(u, v);
            ASSERT_TRUE(value == 0.0f || value == 255.0f) << u << "," << v;
            ASSERT_EQ(view(u, v), grey(value)) << u << "," << v;
        }
    }
    for (int i = 100; i < form.hologramView->image().width(); ++i) {
        ASSERT_EQ(view(i, 50), background) << i;
        ASSERT_EQ(view(50, i), background) << i;
        ASSERT_EQ(view(i, i), background) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, ChangedSizeTest,
                         ::testing::Values(ChangeCase{"MoreReps", "3", 1500},
                                           ChangeCase{"FewerReps", "0.5", 1500},
                                           ChangeCase{"NoReps", "0", 1500},
                                           ChangeCase{"LargerCanvas", "1", 2400},
                                           ChangeCase{"SmallerCanvas", "1", 600}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace marbleck
