#include <gtest/gtest.h>

#include <cmath>

#include "engine/reconstruction/PhysicalFigures.h"
#include "platform/RunTimeError.h"

namespace marbleck {
namespace {

TEST(PhysicalFigures, ThreeHundredDpiAtScaleOneUnderARedLaser) {
    const PhysicalFigures f = ComputePhysicalFigures(1653, 1000, 300, 1, 633, 1);
    EXPECT_NEAR(f.pitchMm, 0.08467, 0.00001);
    EXPECT_NEAR(f.widthMm, 139.95, 0.01);
    EXPECT_NEAR(f.heightMm, 84.67, 0.01);
    ASSERT_TRUE(f.maxAngleDegrees);
    EXPECT_NEAR(*f.maxAngleDegrees, 0.2142, 0.0001);
    // 1 m · tan(0.2142°) on each side of the undiffracted spot.
    ASSERT_TRUE(f.screenSpanMm && f.screenImageMm);
    EXPECT_NEAR(*f.screenSpanMm, 7.476, 0.001);
    EXPECT_NEAR(*f.screenImageMm, 3.738, 0.001);

    // Twice the scale at twice the resolution prints the same pitch; twice
    // the distance doubles the image.
    const PhysicalFigures same = ComputePhysicalFigures(1653, 1000, 600, 2, 633, 2);
    EXPECT_DOUBLE_EQ(same.pitchMm, f.pitchMm);
    EXPECT_NEAR(*same.screenSpanMm, 2 * *f.screenSpanMm, 1e-9);
}

TEST(PhysicalFigures, PixelsFinerThanHalfAWavelengthDiffractNothing) {
    // p = 25.4 mm / 100000 = 254 nm < 633 nm / 2.
    const PhysicalFigures f = ComputePhysicalFigures(10, 10, 100000, 1, 633, 1);
    EXPECT_FALSE(f.maxAngleDegrees);
    EXPECT_FALSE(f.screenSpanMm);
    EXPECT_FALSE(f.screenImageMm);
    // At 400 nm the highest frequency still leaves: sin θ = 400 / 508.
    const PhysicalFigures blue = ComputePhysicalFigures(10, 10, 100000, 1, 400, 1);
    ASSERT_TRUE(blue.maxAngleDegrees);
    EXPECT_NEAR(*blue.maxAngleDegrees, std::asin(400.0 / 508.0) * 180 / 3.14159265358979, 1e-9);
}

TEST(PhysicalFigures, BinsBecomeAnglesAndPlacesOnTheScreen) {
    const double p = 25.4 / 300;
    const PhysicalFigures f = ComputePhysicalFigures(200, 200, 300, 1, 633, 1);
    // The last bin of an even side is half a cycle a pixel: the largest angle.
    EXPECT_NEAR(*BinAngleDegrees(100, 200, p, 633), *f.maxAngleDegrees, 1e-12);
    EXPECT_NEAR(*BinAngleDegrees(-100, 200, p, 633), -*f.maxAngleDegrees, 1e-12);
    EXPECT_EQ(*BinAngleDegrees(0, 200, p, 633), 0.0);
    EXPECT_NEAR(*BinScreenMm(100, 200, p, 633, 1), *f.screenSpanMm / 2, 1e-9);
    EXPECT_FALSE(BinAngleDegrees(100, 200, 0.000254, 633));
    EXPECT_FALSE(BinScreenMm(100, 200, 0.000254, 633, 1));
}

TEST(PhysicalFigures, RefusesWhatIsNotAPositiveNumber) {
    for (double bad : {0.0, -1.0, std::nan("")}) {
        for (int which = 0; which < 4; ++which) {
            double values[4] = {300, 1, 633, 1};
            values[which] = bad;
            try {
                ComputePhysicalFigures(10, 10, values[0], values[1], values[2], values[3]);
                ADD_FAILURE() << "accepted " << bad << " as argument " << which;
            } catch (const RunTimeError& e) {
                EXPECT_EQ(e.number(), ErrorNumber::InvalidPropertyValue);
            }
        }
    }
}

}  // namespace
}  // namespace marbleck
