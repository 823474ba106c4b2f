#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <utility>

#include "Calculation.h"
#include "Controls.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "widgets/PictureArea.h"

namespace marbleck {

using test::Control;
namespace {

class BinarizeTest : public ::testing::Test {
protected:
    void calculate() { test::CalculateAndWait(form); }
    void binarize() { QTest::mouseClick(Control<QPushButton>(form, "binarizeButton"), Qt::LeftButton); }
    QRgb view(int u, int v) const { return Control<PictureArea>(form, "hologramView")->image().pixel(u, v); }
    static QRgb grey(float level) {
        const int g = static_cast<int>(level);
        return qRgb(g, g, g);
    }
    // A few lit points on the canvas, phases off, calculated.
    void calculateSomePoints() {
        Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
        Control<PictureArea>(form, "objectCanvas")->setPixel(3, 40, White);
        Control<PictureArea>(form, "objectCanvas")->setPixel(60, 7, White);
        Control<PictureArea>(form, "objectCanvas")->setPixel(80, 90, White);
        calculate();
        ASSERT_TRUE(errors.empty());
    }

    test::RecordedErrors errors;
    Document document;
    MainWindow form{document};
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
    HologramResult calculated;
    calculated.field = HologramField(3, 2);
    for (float& value : calculated.field.values()) value = c.value;
    document.hologram = std::make_shared<const AmplitudeHologram>(std::move(calculated));
    Control<QLineEdit>(form, "thresholdEdit")->setText(QString::fromLatin1(c.threshold));
    binarize();
    ASSERT_TRUE(errors.empty());
    for (float value : document.field().values()) EXPECT_EQ(value, c.expected);
    for (int u = 0; u < 3; ++u)
        for (int v = 0; v < 2; ++v) EXPECT_EQ(view(u, v), grey(c.expected)) << u << "," << v;
}

INSTANTIATE_TEST_SUITE_P(
    Thresholds, ThresholdTest,
    ::testing::Values(ThresholdCase{"EqualIsBlack", 0.5f, "0.5", 0},
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
    const QImage before = Control<PictureArea>(form, "hologramView")->image();
    binarize();
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(document.field().empty());
    EXPECT_EQ(Control<PictureArea>(form, "hologramView")->image(), before);
}

TEST_F(BinarizeTest, ACalculatedHologramBecomesBlackAndWhite) {
    calculateSomePoints();
    const HologramField grey = document.field();
    binarize();
    ASSERT_TRUE(errors.empty());
    const QImage image = Control<PictureArea>(form, "hologramView")->image();
    int white = 0;
    for (int u = 0; u < grey.columns(); ++u) {
        for (int v = 0; v < grey.rows(); ++v) {
            const float expected = static_cast<double>(grey(u, v)) > 0.6 ? 255.0f : 0.0f;
            ASSERT_EQ(document.field()(u, v), expected) << u << "," << v;
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
    const HologramField once = document.field();
    const QImage view = Control<PictureArea>(form, "hologramView")->image();
    for (const char* threshold : {"0", "0.1", "1.2", "254.9"}) {
        Control<QLineEdit>(form, "thresholdEdit")->setText(QString::fromLatin1(threshold));
        binarize();
        EXPECT_EQ(document.field(), once) << threshold;
        EXPECT_EQ(Control<PictureArea>(form, "hologramView")->image(), view) << threshold;
    }
}

// The calculated field stays as it was beside what "Binarize" made of it, and
// the document says which method and threshold made the shown hologram; a
// new calculation shows its own field, binarized by nothing.
TEST_F(BinarizeTest, TheCalculatedFieldStaysAndTheMethodIsRecorded) {
    calculateSomePoints();
    const HologramField calculated = document.field();
    EXPECT_FALSE(document.binarized().has_value());
    Control<QLineEdit>(form, "thresholdEdit")->setText(QStringLiteral("0.45"));
    binarize();
    ASSERT_TRUE(document.binarized().has_value());
    EXPECT_EQ(document.binarized()->method, "threshold");
    EXPECT_EQ(document.binarized()->threshold, 0.45);
    EXPECT_EQ(document.calculation().field, calculated);
    EXPECT_NE(document.field(), calculated);

    Control<QAction>(form, "balancedBinarizationAction")->trigger();
    binarize();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(document.binarized()->method, "balanced");
    EXPECT_EQ(Control<QLineEdit>(form, "thresholdEdit")->text().toDouble(),
              static_cast<float>(document.binarized()->threshold));
    EXPECT_EQ(document.calculation().field, calculated);

    calculate();
    EXPECT_FALSE(document.binarized().has_value());
    EXPECT_EQ(document.field(), calculated);
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
    ASSERT_EQ(document.field().columns(), 100);
    ASSERT_EQ(document.field().rows(), 100);
    // A larger view, as loading a bitmap would leave it; its new pixels show
    // the background colour (red 15).
    Control<PictureArea>(form, "hologramView")->setOuterSize(3000, 3000);
    const QRgb background = qRgb(15, 0, 0);
    ASSERT_EQ(view(150, 150), background);
    Control<QLineEdit>(form, "repsEdit")->setText(QString::fromLatin1(GetParam().reps));
    Control<PictureArea>(form, "objectCanvas")->setOuterSize(GetParam().canvasTwips, GetParam().canvasTwips);

    binarize();
    ASSERT_TRUE(errors.empty());
    ASSERT_EQ(document.field().columns(), 100);
    ASSERT_EQ(document.field().rows(), 100);
    for (int u = 0; u < 100; ++u) {
        for (int v = 0; v < 100; ++v) {
            const float value = document.field()(u, v);
            ASSERT_TRUE(value == 0.0f || value == 255.0f) << u << "," << v;
            ASSERT_EQ(view(u, v), grey(value)) << u << "," << v;
        }
    }
    for (int i = 100; i < Control<PictureArea>(form, "hologramView")->image().width(); ++i) {
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
