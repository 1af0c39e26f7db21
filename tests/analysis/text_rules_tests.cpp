// The text rules decide every number the user sees and every crossing position the averaging uses.
// Expected texts were worked out with exact decimal arithmetic (the double's exact expansion, cut to
// 15 significant digits half away from zero, then to the pattern's decimals), not taken from the code.

#include "analysis/text_rules.h"

#include "analysis_test_support.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <ostream>
#include <string>
#include <utility>

namespace vantrel {
namespace {

using testing_support::bits;
using testing_support::expectRuntimeError;

constexpr NumberFormat kComma = NumberFormat::DecimalComma;

struct ValueCase {
    const char* text;
    double value;
    NumberFormat format = NumberFormat::DecimalPoint;
};

void PrintTo(const ValueCase& c, std::ostream* out) {
    *out << '"' << c.text << '"' << (c.format == kComma ? " with a decimal comma" : "");
}

class ValueOfTextTest : public testing::TestWithParam<ValueCase> {};

TEST_P(ValueOfTextTest, ReadsTheLeadingNumber) {
    const double value = valueOfText(GetParam().text, GetParam().format);
    EXPECT_EQ(bits(value), bits(GetParam().value)) << value;
}

INSTANTIATE_TEST_SUITE_P(Texts, ValueOfTextTest,
                         testing::Values(ValueCase{"", 0.0}, ValueCase{"abc12", 0.0}, ValueCase{"   12", 12.0},
                                         ValueCase{"1 2", 12.0}, ValueCase{"- 1 2 . 5", -12.5}, ValueCase{"+3", 3.0},
                                         ValueCase{"12abc", 12.0}, ValueCase{"1.5.3", 1.5}, ValueCase{"1,5", 1.0},
                                         ValueCase{".5", 0.5}, ValueCase{"-.5", -0.5}, ValueCase{"-", 0.0},
                                         ValueCase{".", 0.0}, ValueCase{"--5", 0.0}, ValueCase{"1E3", 1000.0},
                                         ValueCase{"1e+3", 1000.0}, ValueCase{"2.5E-1x", 0.25},
                                         ValueCase{"1 e - 3", 0.001}, ValueCase{"1e", 1.0}, ValueCase{"7e-x", 7.0},
                                         ValueCase{"e5", 0.0}, ValueCase{"0x10", 0.0}, ValueCase{"1e-400", 0.0},
                                         ValueCase{"-1e-400", -0.0}, ValueCase{"123456e-329", 0.0},
                                         ValueCase{"4e-324", 5e-324}, ValueCase{"0.01e310", 1e308},
                                         ValueCase{"0.1", 0.1}, ValueCase{"1.7976931348623157e308", DBL_MAX}));

// With a decimal comma the comma is the separator and a point ends the number, as a comma does
// with a decimal point.
INSTANTIATE_TEST_SUITE_P(DecimalComma, ValueOfTextTest,
                         testing::Values(ValueCase{"1,5", 1.5, kComma}, ValueCase{"1.5", 1.0, kComma},
                                         ValueCase{"- 1 2 , 5", -12.5, kComma}, ValueCase{",5", 0.5, kComma},
                                         ValueCase{"1.234,5", 1.0, kComma}, ValueCase{"2,5E-1x", 0.25, kComma},
                                         ValueCase{"1,5,3", 1.5, kComma}, ValueCase{",", 0.0, kComma},
                                         ValueCase{"0,1", 0.1, kComma}));

TEST(ValueOfText, NumberBeyondTheRangeOfADoubleIsAnOverflowError) {
    for (const char* text : {"1e400", "-1e400", "  2 e 308", "1e99999999999999999999", "0.01e311", "1000e306"}) {
        expectRuntimeError(testing_support::kOverflow, [text] { valueOfText(text); });
    }
    EXPECT_EQ(valueOfTextSaturating("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(valueOfTextSaturating("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(valueOfTextSaturating(" 7.25 z"), 7.25);
}

struct FixedCase {
    double value;
    int decimals;
    const char* text;
};

void PrintTo(const FixedCase& c, std::ostream* out) {
    *out << std::setprecision(17) << c.value << " with " << c.decimals << " decimals";
}

class FormatFixedTest : public testing::TestWithParam<FixedCase> {};

TEST_P(FormatFixedTest, WritesTheValueWithThePatternsDecimals) {
    EXPECT_EQ(formatFixed(GetParam().value, GetParam().decimals), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(HalvesAwayFromZero, FormatFixedTest,
                         testing::Values(FixedCase{2.5, 0, "3"}, FixedCase{-2.5, 0, "-3"}, FixedCase{0.45, 0, "0"},
                                         FixedCase{-0.125, 5, "-0.12500"}, FixedCase{-0.125, 2, "-0.13"},
                                         FixedCase{0.0, 16, "0.0000000000000000"},
                                         FixedCase{-987.6543215, 6, "-987.654322"}));

// The exact value is first cut to 15 significant digits; only then is it rounded to the decimals.
INSTANTIATE_TEST_SUITE_P(FifteenSignificantDigits, FormatFixedTest,
                         testing::Values(FixedCase{1.0 / 3.0, 16, "0.3333333333333330"}, FixedCase{1.005, 2, "1.01"},
                                         FixedCase{2.675, 2, "2.68"}, FixedCase{0.1 + 0.2, 16, "0.3000000000000000"},
                                         FixedCase{1.2345678901234567, 16, "1.2345678901234600"},
                                         FixedCase{0.49999999999999994, 0, "1"},
                                         FixedCase{0.0000049999999999999, 5, "0.00000"},
                                         FixedCase{99.999995, 5, "100.00000"},
                                         FixedCase{123456789012344.5, 0, "123456789012345"}));

// Digit 16 and later of the exact expansion decide the cut, also where 17 rounded digits would show
// a misleading 50 (the first three) or an exact half (the last three).
INSTANTIATE_TEST_SUITE_P(ExactTail, FormatFixedTest,
                         testing::Values(FixedCase{501384.9507048665, 16, "501384.9507048660000000"},
                                         FixedCase{1778514.961198285, 16, "1778514.9611982800000000"},
                                         FixedCase{0.9721160258848085, 16, "0.9721160258848080"},
                                         FixedCase{1560743.366267235, 16, "1560743.3662672400000000"},
                                         FixedCase{504846.2694548305, 16, "504846.2694548310000000"},
                                         FixedCase{307055.9178062735, 16, "307055.9178062740000000"}));

// Carries through every digit, and values beyond fifteen integer digits.
INSTANTIATE_TEST_SUITE_P(CarriesAndLargeValues, FormatFixedTest,
                         testing::Values(FixedCase{9.999999999999998, 5, "10.00000"},
                                         FixedCase{999999999999999.9, 0, "1000000000000000"},
                                         FixedCase{1e20, 3, "100000000000000000000.000"},
                                         FixedCase{-1e15, 2, "-1000000000000000.00"}));

// "-" stands before every negative value, also one that rounds to zero; a negative zero is not negative.
INSTANTIATE_TEST_SUITE_P(Signs, FormatFixedTest,
                         testing::Values(FixedCase{-0.000001, 5, "-0.00000"}, FixedCase{-0.0, 5, "0.00000"},
                                         FixedCase{-5e-324, 16, "-0.0000000000000000"}, FixedCase{-0.4, 0, "-0"}));

TEST(FormatFixed, LargestDoubleIsWrittenWithFifteenDigitsAndZeros) {
    const std::string text = formatFixed(DBL_MAX, 0);
    ASSERT_EQ(text.size(), 309u);
    EXPECT_EQ(text.substr(0, 15), "179769313486232");
    EXPECT_EQ(text.find_first_not_of('0', 15), std::string::npos);
}

struct TextCase {
    double value;
    const char* text;
};

void PrintTo(const TextCase& c, std::ostream* out) {
    *out << std::setprecision(17) << c.value;
}

class FormatFormulaTest : public testing::TestWithParam<TextCase> {};

TEST_P(FormatFormulaTest, DropsTrailingZerosAndKeepsThePoint) {
    EXPECT_EQ(formatFormula(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, FormatFormulaTest,
                         testing::Values(TextCase{2.0, "2."}, TextCase{-0.5, "-0.5"}, TextCase{-0.0, "0."},
                                         TextCase{0.1 + 0.2, "0.3"}, TextCase{2.0 / 3.0, "0.666666666666667"},
                                         TextCase{1e-16, "0."}, TextCase{2.0000000000000004, "2."},
                                         TextCase{1e20, "100000000000000000000."}));

class FormatWorkingListTest : public testing::TestWithParam<TextCase> {};

TEST_P(FormatWorkingListTest, WritesFourIntegerDigitsAndTenDecimals) {
    EXPECT_EQ(formatWorkingList(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, FormatWorkingListTest,
                         testing::Values(TextCase{3.25, "0003.2500000000"}, TextCase{12345.678, "12345.6780000000"},
                                         TextCase{1.0 / 2048, "0000.0004882813"},
                                         TextCase{1234.5678901234496, "1234.5678901235"}));

// The round trip as it was before the exact fast path covered every magnitude below 1e15: 128-bit
// integers from log10, frexp and a division for 1e-4 <= value < 1e4, the written text otherwise.
double previousRoundTrip(double value) {
    using u128 = unsigned __int128;
    if (!(value >= 1e-4 && value < 1e4)) {
        return valueOfText(formatWorkingList(value));
    }
    auto pow10 = [](int n) {
        u128 p = 1;
        while (n-- > 0) {
            p *= 10;
        }
        return p;
    };
    int binaryExponent = 0;
    const u128 mantissa = static_cast<uint64_t>(std::ldexp(std::frexp(value, &binaryExponent), 53));
    const int shiftDown = 53 - binaryExponent;
    const u128 half = static_cast<u128>(1) << (shiftDown - 1);
    auto digits15 = [&](int scale) { return (mantissa * pow10(scale)) >> shiftDown; };
    int scale = 14 - static_cast<int>(std::floor(std::log10(value)));
    while (digits15(scale) >= pow10(15)) {
        --scale;
    }
    while (digits15(scale) < pow10(14)) {
        ++scale;
    }
    const u128 product = mantissa * pow10(scale);
    const u128 rounded = (product >> shiftDown) + ((product & (2 * half - 1)) >= half ? 1 : 0);
    const u128 divisor = pow10(scale - 10);
    return static_cast<double>(static_cast<uint64_t>((rounded + divisor / 2) / divisor)) / 1e10;
}

void expectSameAsTheText(double x) {
    for (double value : {x, -x}) {
        ASSERT_EQ(bits(roundTripWorkingList(value)), bits(valueOfText(formatWorkingList(value))))
            << std::setprecision(17) << value << " written " << formatWorkingList(value);
    }
}

// The averaging reads its crossing positions back without writing the text. The hard cases are the
// two roundings: exact ties at the 16th significant digit (n / 2^(15 - k) with n odd has exactly
// 16 digits when it lies in [10^k, 10^(k+1))), exact ties at the 10th decimal (n / 2^11), their
// neighbours, the neighbours of powers of ten, and the ends of the exact range.
TEST(RoundTripWorkingList, EqualsReadingTheWrittenTextBack) {
    std::mt19937_64 generator(17);
    for (int k = -4; k <= 14; ++k) {
        const double low = std::max(1.0, std::ldexp(std::pow(10.0, k), 15 - k));
        const double high = std::min(0x1p53, std::ldexp(std::pow(10.0, k + 1), 15 - k));
        std::uniform_real_distribution<double> numerator(low, high);
        for (int n = 0; low < high && n < 300; ++n) {
            const double tie = std::ldexp(2 * std::floor(numerator(generator) / 2) + 1, k - 15);
            for (double x : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300)}) {
                expectSameAsTheText(x);
            }
        }
    }
    for (int k = -12; k <= 16; ++k) {
        for (double x = std::pow(10.0, k), y = x, ulps = 0; ulps < 40; ++ulps) {
            expectSameAsTheText(x = std::nextafter(x, 0.0));
            expectSameAsTheText(y = std::nextafter(y, 1e300));
        }
    }
    for (int n = 1; n < 40000; n += 2) {
        expectSameAsTheText(n / 2048.0);
        expectSameAsTheText(std::nextafter(n / 2048.0, 0.0));
    }
    for (double x : {0.0, 5e-324, 2.2250738585072014e-308, 4.99999999999995e-11, 5e-11, 1e-11, 9.9999999999999e-12,
                     1e-4, 1e4, 99999.99999999999, 999999999999999.9, 1e15, 1e20, 1e300}) {
        expectSameAsTheText(x);
        expectSameAsTheText(std::nextafter(x, 0.0));
        expectSameAsTheText(std::nextafter(x, 1e300));
    }
    std::uniform_real_distribution<double> exponent(-12.0, 16.0);
    for (int n = 0; n < 100000; ++n) {
        expectSameAsTheText(std::pow(10.0, exponent(generator)));
    }
}

// Crossing positions, two million of them, against the previous round trip; and the spacing of two
// positions as it is read back, against the round trip of their difference: of working-list values
// (random, one ten-decimal unit apart, equal, in either order) and of values that are not.
TEST(RoundTripWorkingList, EqualsThePreviousRoundTripOnCrossingPositionsAndSpacings) {
    std::mt19937_64 generator(18);
    std::uniform_real_distribution<double> position(1e-4, 1500.0);
    double before = 1.0;
    for (int n = 0; n < 2000000; ++n) {
        const double x = position(generator);
        const double entry = roundTripWorkingList(x);
        ASSERT_EQ(bits(entry), bits(previousRoundTrip(x))) << std::setprecision(17) << x;
        const double next = roundTripWorkingList(entry + 1e-10);
        for (auto [from, to] : {std::pair{before, entry}, std::pair{entry, before}, std::pair{entry, next},
                                std::pair{entry, entry}, std::pair{x, before}}) {
            ASSERT_EQ(bits(workingListSpacing(from, to)), bits(roundTripWorkingList(to - from)))
                << std::setprecision(17) << from << " to " << to;
        }
        before = entry;
    }
}

TEST(NumberFormatFor, OnlyACommaGivesTheDecimalComma) {
    EXPECT_EQ(numberFormatFor(","), kComma);
    EXPECT_EQ(numberFormatFor("."), NumberFormat::DecimalPoint);
    EXPECT_EQ(numberFormatFor("\xD9\xAB"), NumberFormat::DecimalPoint); // Arabic decimal separator
}

// Every text written with a decimal comma is the decimal point's text with the point turned into a
// comma, and reads back to the same value.
TEST(DecimalComma, WritesTheCommaWhereThePointStands) {
    std::mt19937_64 generator(5);
    std::uniform_real_distribution<double> exponent(-18.0, 18.0);
    for (int n = 0; n < 20000; ++n) {
        const double value = (n % 2 ? -1 : 1) * std::pow(10.0, exponent(generator));
        const int decimals = n % 17;
        std::string pointText = formatFixed(value, decimals);
        const std::string commaText = formatFixed(value, decimals, kComma);
        EXPECT_EQ(bits(valueOfText(commaText, kComma)), bits(valueOfText(pointText)));
        std::replace(pointText.begin(), pointText.end(), '.', ',');
        ASSERT_EQ(commaText, pointText);
    }
    EXPECT_EQ(formatFormula(-0.5, kComma), "-0,5");
    EXPECT_EQ(formatFormula(2.0, kComma), "2,");
    EXPECT_EQ(formatCell(2.5, 0, kComma), "2,50000");
    EXPECT_EQ(formatWorkingList(3.25), "0003.2500000000");
}

TEST(RowAndCellTexts, RowNumbersHaveABlankForTheSignAndCellsAtLeastFiveDecimals) {
    EXPECT_EQ(rowNumberText(1), " 1");
    EXPECT_EQ(rowNumberText(1500), " 1500");
    EXPECT_EQ(formatCell(2.5, 0), "2.50000");
    EXPECT_EQ(formatCell(-0.123456, 4), "-0.12346");
    EXPECT_EQ(formatCell(-0.123456, 6), "-0.123456");
    EXPECT_EQ(formatCell(2.5, 16), "2.5000000000000000");
}

} // namespace
} // namespace vantrel
