// The text rules decide every number the user sees and every crossing position the averaging uses.
// Expected texts were worked out with exact decimal arithmetic (the double's exact expansion, cut to
// 15 significant digits half away from zero, then to the pattern's decimals), not taken from the code.

#include "analysis/text_rules.h"

#include "analysis_test_support.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iomanip>
#include <limits>
#include <ostream>
#include <string>

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
        expectRuntimeError(RuntimeError::Kind::Overflow, [text] { valueOfText(text); });
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

// The averaging reads its crossing positions back without writing the text; the two must agree.
TEST(RoundTripWorkingList, EqualsReadingTheWrittenTextBack) {
    auto expectSame = [](double x) {
        ASSERT_EQ(bits(roundTripWorkingList(x)), bits(valueOfText(formatWorkingList(x))))
            << std::setprecision(17) << x << " written " << formatWorkingList(x);
    };
    std::mt19937_64 generator(17);
    std::uniform_real_distribution<double> uniform(1e-6, 2e4);
    std::uniform_real_distribution<double> exponent(-6.0, std::log10(2e4));
    for (int n = 0; n < 200000; ++n) {
        expectSame(uniform(generator));
        expectSame(std::pow(10.0, exponent(generator)));
    }
    // Binary fractions with eleven or more decimals put exact halves at the tenth decimal.
    for (int k = 1; k < 20000; ++k) {
        for (double x : {k / 2048.0, k / 65536.0, static_cast<double>(k), k + 0.00000000005, k * 0.1}) {
            expectSame(x);
        }
    }
    for (double x : {1e-5, 9.99999e-5, 1e4, 99999.99999999, -3.25, 1e-12}) {
        expectSame(x);
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
