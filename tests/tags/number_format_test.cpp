#include "tags/duration_format.h"
#include "tags/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace keltrix;

namespace {

class NumberFormatTest : public ::testing::Test {
protected:
    void SetUp() override { SetLocaleSeparators({".", ","}); }
    void TearDown() override { SetLocaleSeparators({".", ","}); }
};

TEST_F(NumberFormatTest, FixedPointRoundsHalvesAwayFromZero) {
    EXPECT_EQ(FormatF(37.25), "37.25");
    EXPECT_EQ(FormatF0(37.25), "37");
    EXPECT_EQ(FormatF0(2.5), "3");
    EXPECT_EQ(FormatF0(-2.5), "-3");
    EXPECT_EQ(FormatF0(0.49999999999999994), "0");
    EXPECT_EQ(FormatF(0.125), "0.13");
    EXPECT_EQ(FormatF(9.995f), "9.99"); // the float lies below the half
    EXPECT_EQ(FormatF(99.999), "100.00");
    EXPECT_EQ(FormatF(-0.001), "0.00");
    EXPECT_EQ(FormatF(0), "0.00");
    EXPECT_EQ(FormatF(1e-300), "0.00");
    EXPECT_EQ(FormatF0(3.4e38f).size(), 39u);
    EXPECT_EQ(FormatF(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FormatF0(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST_F(NumberFormatTest, ThousandsSeparators) {
    EXPECT_EQ(FormatN(1500), "1,500.00");
    EXPECT_EQ(FormatN(100), "100.00");
    EXPECT_EQ(FormatN(999999.999), "1,000,000.00");
    EXPECT_EQ(FormatN0(-1234567.5), "-1,234,568");
    EXPECT_EQ(FormatF(1234567), "1234567.00");

    SetLocaleSeparators({",", "."});
    EXPECT_EQ(FormatN(1500), "1.500,00");
    EXPECT_EQ(FormatF(5.3), "5,30");
    SetLocaleSeparators({".", ""});
    EXPECT_EQ(FormatN0(1234567), "1234567");
    SetLocaleSeparators({"\xC2\xB7", "\xE2\x80\xAF"}); // multi-byte separators
    EXPECT_EQ(FormatN(1234.5), "1\xE2\x80\xAF"
                               "234\xC2\xB7"
                               "50");
}

TEST_F(NumberFormatTest, GeneralFormKeepsFifteenDigits) {
    EXPECT_EQ(FormatG(46), "46");
    EXPECT_EQ(FormatG(46 * 9.0 / 5.0 + 32), "114.8");
    EXPECT_EQ(FormatG(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatG(-2.5), "-2.5");
    EXPECT_EQ(FormatG(0), "0");
    EXPECT_EQ(FormatG(0.00001), "0.00001");
    EXPECT_EQ(FormatG(0.0000015), "1.5E-6");
    EXPECT_EQ(FormatG(999999999999999.0), "999999999999999");
    EXPECT_EQ(FormatG(1e15), "1E15");
    EXPECT_EQ(FormatG(123456789012345678.0), "1.23456789012346E17");
    SetLocaleSeparators({",", "."});
    EXPECT_EQ(FormatG(114.8), "114,8");
}

TEST_F(NumberFormatTest, WholeNumbers) {
    EXPECT_EQ(FormatInt(-42), "-42");
    EXPECT_EQ(FormatIntWidth(5, 2), " 5");
    EXPECT_EQ(FormatIntWidth(123, 2), "123");
    EXPECT_EQ(FormatIntWidth(7, 3), "  7");
    EXPECT_EQ(FormatIntWidth(-7, 3), " -7");
    EXPECT_EQ(FormatIntDigits(5, 2), "05");
    EXPECT_EQ(FormatIntDigits(-5, 2), "-05");
    EXPECT_EQ(FormatInt(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

TEST_F(NumberFormatTest, LeadZeroRule) {
    EXPECT_EQ(ApplyLeadZero(FormatF(5.3), 5.3, true), "05.30");
    EXPECT_EQ(ApplyLeadZero(FormatF0(9.6), 9.6, true), "010");
    EXPECT_EQ(ApplyLeadZero(FormatF0(12), 12, true), "12");
    EXPECT_EQ(ApplyLeadZero(FormatF0(5.3), 5.3, false), "5");
}

TEST(Rounding, HalvesToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(45.6), 46);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
    EXPECT_EQ(RoundHalfEven(1e30), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(RoundHalfEven(-1e30), std::numeric_limits<std::int64_t>::min());
}

TEST(WholeNumberText, ParsesDecimalIntegersOnly) {
    EXPECT_EQ(ParseWholeNumber("2"), 2);
    EXPECT_EQ(ParseWholeNumber("  -3"), -3);
    EXPECT_EQ(ParseWholeNumber("+04"), 4);
    EXPECT_EQ(ParseWholeNumber("-2147483648"), std::numeric_limits<std::int32_t>::min());
    for (const char* bad : {"", "ALL", "2 ", "-", "2147483648", "1.5", "0x2"})
        EXPECT_FALSE(ParseWholeNumber(bad)) << bad;
}

TEST(LocaleSeparators, ReadFromTheCLocale) {
    // The tests never call setlocale, so the C library is in the "C" locale.
    const TLocaleSeparators separators = ReadLocaleSeparators();
    EXPECT_EQ(separators.Decimal, ".");
    EXPECT_EQ(separators.Thousands, "");
}

TEST(Duration, EachTokenOnceFromTheRemainder) {
    EXPECT_EQ(FormatDuration("*d* days, *H* hrs, *M* mins, *S* secs", false, 200000),
              "2 days, 07 hrs, 33 mins, 20 secs");
    EXPECT_EQ(FormatDuration("*h*:*M*", false, 90061), "1:01");
    EXPECT_EQ(FormatDuration("*h*:*M*", true, 90061), "01:01");
    EXPECT_EQ(FormatDuration("*m*m *s*s", true, 61), "01m 01s");
    EXPECT_EQ(FormatDuration("*m*m *s*s", false, 61), "1m 1s");
    EXPECT_EQ(FormatDuration("[*d*] [*D*]", true, 5 * 86400), "[ 5] [ 5]");
    EXPECT_EQ(FormatDuration("*H* *H* *h*", false, 7200), "02 *H* 2");
    EXPECT_EQ(FormatDuration("*D*", false, 0), " 0");
    EXPECT_EQ(FormatDuration("", true, 12345), "");
    EXPECT_EQ(FormatDuration("*d* *s*", false, -86401), "-1 -1");
}

} // namespace
