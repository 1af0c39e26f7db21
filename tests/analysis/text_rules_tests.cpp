// The text rules decide every number the user sees and every crossing position the averaging uses.
// Expected texts were worked out with exact decimal arithmetic (the double's exact expansion, cut to
// 15 significant digits half away from zero, then to the pattern's decimals), not taken from the code.

#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <ostream>
#include <random>
#include <string>

namespace vantrel {
namespace {

struct ValueCase {
    const char* text;
    double value;
};

void PrintTo(const ValueCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class ValueOfTextTest : public testing::TestWithParam<ValueCase> {};

TEST_P(ValueOfTextTest, ReadsTheLeadingNumber) {
    const ValueCase& c = GetParam();
    EXPECT_EQ(std::bit_cast<std::uint64_t>(valueOfText(c.text)), std::bit_cast<std::uint64_t>(c.value))
        << "text \"" << c.text << "\" gave " << valueOfText(c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ValueOfTextTest,
    testing::Values(ValueCase{"", 0.0}, ValueCase{"abc", 0.0}, ValueCase{"abc12", 0.0}, ValueCase{"12", 12.0},
                    ValueCase{"   12", 12.0}, ValueCase{"1 2", 12.0}, ValueCase{"- 1 2 . 5", -12.5},
                    ValueCase{"+3", 3.0}, ValueCase{" - 5", -5.0}, ValueCase{"0012", 12.0}, ValueCase{"12abc", 12.0},
                    ValueCase{"1.5.3", 1.5}, ValueCase{"1,5", 1.0}, ValueCase{".5", 0.5}, ValueCase{"5.", 5.0},
                    ValueCase{"-.5", -0.5}, ValueCase{"-", 0.0}, ValueCase{".", 0.0}, ValueCase{"-.", 0.0},
                    ValueCase{"+", 0.0}, ValueCase{"--5", 0.0}, ValueCase{"+-5", 0.0}, ValueCase{"1e3", 1000.0},
                    ValueCase{"1E3", 1000.0}, ValueCase{"1e+3", 1000.0}, ValueCase{"1e-3", 0.001},
                    ValueCase{"2.5E-1x", 0.25}, ValueCase{"1 e - 3", 0.001}, ValueCase{"1e0003", 1000.0},
                    ValueCase{"1e", 1.0}, ValueCase{"1e+", 1.0}, ValueCase{"1ex", 1.0}, ValueCase{"7e-x", 7.0},
                    ValueCase{"e5", 0.0}, ValueCase{".e5", 0.0}, ValueCase{"0x10", 0.0}, ValueCase{"1e-400", 0.0},
                    ValueCase{"12345678901234567890", 12345678901234567890.0}, ValueCase{"0.1", 0.1},
                    ValueCase{"1.7976931348623157e308", DBL_MAX}, ValueCase{"-1.7976931348623157e308", -DBL_MAX},
                    ValueCase{"99.999995", 99.999995}));

TEST(ValueOfText, NumberBeyondTheRangeOfADoubleIsAnOverflowError) {
    for (const char* text : {"1e400", "-1e400", "1.8e308", "  2 e 308", "1e99999999999999999999"}) {
        try {
            valueOfText(text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), RuntimeError::Kind::Overflow) << text;
        }
    }
}

TEST(ValueOfTextSaturating, NumberBeyondTheRangeGivesAnInfinityOfItsSign) {
    EXPECT_EQ(valueOfTextSaturating("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(valueOfTextSaturating("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(valueOfTextSaturating(" 7.25 z"), 7.25);
    EXPECT_EQ(valueOfTextSaturating("z"), 0.0);
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
    const FixedCase& c = GetParam();
    EXPECT_EQ(formatFixed(c.value, c.decimals), c.text) << "value " << c.value << " decimals " << c.decimals;
}

INSTANTIATE_TEST_SUITE_P(HalvesAwayFromZero, FormatFixedTest,
                         testing::Values(FixedCase{2.5, 0, "3"}, FixedCase{-2.5, 0, "-3"}, FixedCase{0.5, 0, "1"},
                                         FixedCase{1.5, 0, "2"}, FixedCase{-0.5, 0, "-1"}, FixedCase{0.45, 0, "0"},
                                         FixedCase{-0.125, 5, "-0.12500"}, FixedCase{-0.125, 2, "-0.13"},
                                         FixedCase{0.0, 0, "0"}, FixedCase{0.0, 16, "0.0000000000000000"},
                                         FixedCase{12345.678, 3, "12345.678"},
                                         FixedCase{-987.6543215, 6, "-987.654322"}));

// The exact value is first cut to 15 significant digits; only then is it rounded to the decimals.
INSTANTIATE_TEST_SUITE_P(
    FifteenSignificantDigits, FormatFixedTest,
    testing::Values(FixedCase{1.0 / 3.0, 16, "0.3333333333333330"}, FixedCase{1.005, 2, "1.01"},
                    FixedCase{0.15, 1, "0.2"}, FixedCase{2.675, 2, "2.68"}, FixedCase{0.1, 16, "0.1000000000000000"},
                    FixedCase{0.1 + 0.2, 16, "0.3000000000000000"},
                    FixedCase{1.2345678901234567, 16, "1.2345678901234600"}, FixedCase{0.49999999999999994, 0, "1"},
                    FixedCase{0.0000049999999999999, 5, "0.00000"}, FixedCase{0.000005, 5, "0.00001"},
                    FixedCase{-0.000005, 5, "-0.00001"}, FixedCase{99.999995, 5, "100.00000"},
                    FixedCase{99.999994, 5, "99.99999"}, FixedCase{123456789012344.5, 0, "123456789012345"},
                    FixedCase{123456789012345.5, 0, "123456789012346"}));

// Digit 16 and later of the exact expansion decide the cut, also where 17 rounded digits would show
// a misleading 50 (the first three) or an exact half (the last three).
INSTANTIATE_TEST_SUITE_P(ExactTail, FormatFixedTest,
                         testing::Values(FixedCase{501384.9507048665, 16, "501384.9507048660000000"},
                                         FixedCase{1778514.961198285, 16, "1778514.9611982800000000"},
                                         FixedCase{0.9721160258848085, 16, "0.9721160258848080"},
                                         FixedCase{1560743.366267235, 16, "1560743.3662672400000000"},
                                         FixedCase{504846.2694548305, 16, "504846.2694548310000000"},
                                         FixedCase{307055.9178062735, 16, "307055.9178062740000000"}));

INSTANTIATE_TEST_SUITE_P(
    CarriesAndLargeValues, FormatFixedTest,
    testing::Values(FixedCase{9.999999999999998, 5, "10.00000"}, FixedCase{0.9999999999999999, 5, "1.00000"},
                    FixedCase{999999999999999.9, 0, "1000000000000000"}, FixedCase{2e16, 5, "20000000000000000.00000"},
                    FixedCase{1e20, 0, "100000000000000000000"}, FixedCase{1e20, 3, "100000000000000000000.000"},
                    FixedCase{-1e15, 2, "-1000000000000000.00"}));

// "-" stands before every negative value, also one that rounds to zero; a negative zero is not negative.
INSTANTIATE_TEST_SUITE_P(Signs, FormatFixedTest,
                         testing::Values(FixedCase{-0.000001, 5, "-0.00000"}, FixedCase{-0.0, 5, "0.00000"},
                                         FixedCase{-0.0, 0, "0"}, FixedCase{1e-7, 5, "0.00000"},
                                         FixedCase{5e-324, 16, "0.0000000000000000"},
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
    EXPECT_EQ(formatFormula(GetParam().value), GetParam().text) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, FormatFormulaTest,
                         testing::Values(TextCase{2.0, "2."}, TextCase{-0.5, "-0.5"}, TextCase{1.25, "1.25"},
                                         TextCase{0.0, "0."}, TextCase{-0.0, "0."}, TextCase{-3.0, "-3."},
                                         TextCase{3.0, "3."}, TextCase{0.25, "0.25"}, TextCase{0.1, "0.1"},
                                         TextCase{0.1 + 0.2, "0.3"}, TextCase{1.0 / 3.0, "0.333333333333333"},
                                         TextCase{2.0 / 3.0, "0.666666666666667"}, TextCase{1e-16, "0."},
                                         TextCase{123.456, "123.456"}, TextCase{1234567.891, "1234567.891"},
                                         TextCase{2.0000000000000004, "2."}, TextCase{1e20, "100000000000000000000."}));

class FormatWorkingListTest : public testing::TestWithParam<TextCase> {};

TEST_P(FormatWorkingListTest, WritesFourIntegerDigitsAndTenDecimals) {
    EXPECT_EQ(formatWorkingList(GetParam().value), GetParam().text) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, FormatWorkingListTest,
                         testing::Values(TextCase{12.5, "0012.5000000000"}, TextCase{5.0, "0005.0000000000"},
                                         TextCase{3.25, "0003.2500000000"}, TextCase{1500.0, "1500.0000000000"},
                                         TextCase{12345.678, "12345.6780000000"}, TextCase{0.0, "0000.0000000000"},
                                         TextCase{1.0 / 3.0, "0000.3333333333"}, TextCase{2.0 / 3.0, "0000.6666666667"},
                                         TextCase{4.0 / 3.0, "0001.3333333333"}, TextCase{8.0 / 3.0, "0002.6666666667"},
                                         TextCase{1.00000000005, "0001.0000000001"},
                                         TextCase{1.0 / 2048, "0000.0004882813"},
                                         TextCase{3.0 / 2048, "0000.0014648438"},
                                         TextCase{1.0 / 4096, "0000.0002441406"},
                                         TextCase{1234.5678901234496, "1234.5678901235"}));

void expectRoundTripMatchesText(double x) {
    const double viaText = valueOfText(formatWorkingList(x));
    const double direct = roundTripWorkingList(x);
    ASSERT_EQ(std::bit_cast<std::uint64_t>(direct), std::bit_cast<std::uint64_t>(viaText))
        << "x = " << x << " text " << formatWorkingList(x) << " direct " << direct;
}

TEST(RoundTripWorkingList, EqualsReadingTheWrittenTextBack) {
    std::mt19937_64 generator(17);
    std::uniform_real_distribution<double> uniform(1e-6, 2e4);
    std::uniform_real_distribution<double> exponent(-6.0, std::log10(2e4));
    for (int n = 0; n < 200000; ++n) {
        expectRoundTripMatchesText(uniform(generator));
        expectRoundTripMatchesText(std::pow(10.0, exponent(generator)));
    }
}

// Binary fractions with eleven or more decimals put exact halves at the tenth decimal.
TEST(RoundTripWorkingList, ExactHalvesAndIntegers) {
    for (int k = 1; k < 20000; ++k) {
        expectRoundTripMatchesText(k / 2048.0);
        expectRoundTripMatchesText(k / 65536.0);
        expectRoundTripMatchesText(static_cast<double>(k));
        expectRoundTripMatchesText(k + 0.00000000005);
        expectRoundTripMatchesText(k * 0.1);
    }
    EXPECT_EQ(roundTripWorkingList(1.0 / 2048), 0.0004882813);
    EXPECT_EQ(roundTripWorkingList(1234.5678901234496), 1234.5678901235);
    EXPECT_EQ(roundTripWorkingList(4.0 / 3.0), 1.3333333333);
}

TEST(RoundTripWorkingList, ValuesOutsideTheCrossingRange) {
    for (double x : {0.0, 1e-5, 9.99999e-5, 1e4, 12345.678, 99999.99999999, -3.25, 1e-12}) {
        expectRoundTripMatchesText(x);
    }
}

TEST(RowNumberText, BlankInThePlaceOfTheSign) {
    EXPECT_EQ(rowNumberText(1), " 1");
    EXPECT_EQ(rowNumberText(10), " 10");
    EXPECT_EQ(rowNumberText(1500), " 1500");
}

TEST(CellDecimals, AtLeastFiveOtherwiseTheDataDecimals) {
    for (int decimals = 0; decimals <= 5; ++decimals) {
        EXPECT_EQ(cellDecimals(decimals), 5) << decimals;
    }
    for (int decimals = 6; decimals <= 16; ++decimals) {
        EXPECT_EQ(cellDecimals(decimals), decimals);
    }
    EXPECT_EQ(formatCell(2.5, 0), "2.50000");
    EXPECT_EQ(formatCell(2.5, 8), "2.50000000");
    EXPECT_EQ(formatCell(-0.123456, 3), "-0.12346");
    EXPECT_EQ(formatCell(-0.123456, 9), "-0.123456000");
}

} // namespace
} // namespace vantrel
