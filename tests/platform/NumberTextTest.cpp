#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "CaseName.h"
#include "platform/NumberText.h"

namespace marbleck {
namespace {

class ReadNumberTable : public ::testing::TestWithParam<std::pair<const char*, double>> {};

TEST_P(ReadNumberTable, TakesTheLeadingNumber) {
    const auto [text, value] = GetParam();
    EXPECT_EQ(ReadNumber(text), value) << '"' << text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadNumberTable,
    ::testing::Values(std::pair{"1", 1.0}, std::pair{"0.6", 0.6}, std::pair{" 12abc", 12.0},
                      std::pair{"abc", 0.0}, std::pair{"", 0.0}, std::pair{"-2", -2.0}, std::pair{"+3", 3.0},
                      std::pair{"1e3", 1000.0}, std::pair{"1E-2", 0.01},
                      // Blanks inside the number are ignored.
                      std::pair{"1 2", 12.0}, std::pair{" - 2 . 5", -2.5}, std::pair{".5", 0.5},
                      std::pair{"3.", 3.0}, std::pair{".", 0.0}, std::pair{"-", 0.0}, std::pair{"1e", 1.0},
                      std::pair{"2e+x", 2.0}, std::pair{"7,5", 7.0}, std::pair{"1.2.3", 1.2},
                      // Beyond a double's range either way.
                      std::pair{"1e-400", 0.0}, std::pair{"0.0001e-321", 0.0}, std::pair{"1e+2", 100.0},
                      std::pair{"-1e999", -std::numeric_limits<double>::infinity()},
                      std::pair{"0.001e312", std::numeric_limits<double>::infinity()}),
    [](const auto& info) { return test::TextCaseName(info.param.first); });

TEST(ReadNumber, TooLargeReadsAsInfinity) { EXPECT_TRUE(std::isinf(ReadNumber("1e999"))); }

TEST(WriteNumber, GeneralForms) {
    EXPECT_EQ(WriteNumber(13.054688f), "13.05469");
    EXPECT_EQ(WriteNumber(3 / 10.0), "0.3");
    EXPECT_EQ(WriteNumber(600.0), "600");
    EXPECT_EQ(WriteNumber(600.0f), "600");
    EXPECT_EQ(WriteNumber(0.1f), "0.1");
    EXPECT_EQ(WriteNumber(-0.0), "0");
    EXPECT_EQ(WriteNumber(1e-5), "1E-05");
    EXPECT_EQ(WriteNumber(1.5e20), "1.5E+20");
    EXPECT_EQ(WriteNumber(12LL), "12");
}

TEST(WriteNumber, ReadsBackToTheSameValue) {
    for (double value : {0.6, 1.0 / 3.0, 123456.789, -2.5})
        EXPECT_NEAR(ReadNumber(WriteNumber(value)), value, std::abs(value) * 1e-14);
}

// The boxes' numbers have a point as their decimal separator whatever the
// C library's locale, which the program takes from the user's settings.
TEST(NumberText, APointUnderADecimalCommaLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale (locales-all)";
    struct Restore {
        const std::string& locale;
        ~Restore() { std::setlocale(LC_ALL, locale.c_str()); }
    } restore{saved};
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");

    EXPECT_EQ(ReadNumber("0.6"), 0.6);
    EXPECT_EQ(ReadNumber(" - 2 . 5e1x"), -25.0);
    EXPECT_EQ(ReadNumber("7,5"), 7.0);
    EXPECT_TRUE(std::isinf(ReadNumber("-1e999")));
    EXPECT_EQ(WriteNumber(13.054688f), "13.05469");
    EXPECT_EQ(WriteNumber(3 / 10.0), "0.3");
    EXPECT_EQ(WriteNumber(1.5e20), "1.5E+20");
    EXPECT_EQ(WriteNumber(1e-5), "1E-05");
}

}  // namespace
}  // namespace marbleck
