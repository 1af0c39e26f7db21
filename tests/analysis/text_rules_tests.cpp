// The text rules decide every number the user sees, in the table and the boxes, and every crossing
// position the averaging uses.
// Expected texts were worked out with exact decimal arithmetic (the double's exact expansion, cut to
// 15 significant digits half away from zero, then to the pattern's decimals), not taken from the code.

#include "analysis/text_rules.h"
#include "views/box_editing.h"

#include "analysis_test_support.h"

#include <iomanip>

namespace vantrel {
namespace {

using namespace testing_support;

constexpr NumberFormat kComma = NumberFormat::DecimalComma;

// With a decimal comma the comma is the separator and a point ends the number, as a comma does
// with a decimal point.
TEST(ValueOfText, ReadsTheLeadingNumberAndOverflowsBeyondADouble) {
    const std::pair<const char*, double> withPoint[] = {
        {"", 0.0},          {"abc12", 0.0},      {"   12", 12.0},    {"1 2", 12.0},     {"- 1 2 . 5", -12.5},
        {"+3", 3.0},        {"12abc", 12.0},     {"1.5.3", 1.5},     {"1,5", 1.0},      {".5", 0.5},
        {"-.5", -0.5},      {"-", 0.0},          {".", 0.0},         {"--5", 0.0},      {"1E3", 1000.0},
        {"1e+3", 1000.0},   {"2.5E-1x", 0.25},   {"1 e - 3", 0.001}, {"1e", 1.0},       {"7e-x", 7.0},
        {"e5", 0.0},        {"0x10", 0.0},       {"1e-400", 0.0},    {"-1e-400", -0.0}, {"123456e-329", 0.0},
        {"4e-324", 5e-324}, {"0.01e310", 1e308}, {"0.1", 0.1}};
    const std::pair<const char*, double> withComma[] = {{"1,5", 1.5},   {"1.5", 1.0},     {"- 1 2 , 5", -12.5},
                                                        {",5", 0.5},    {"1.234,5", 1.0}, {"2,5E-1x", 0.25},
                                                        {"1,5,3", 1.5}, {",", 0.0},       {"0,1", 0.1}};
    for (const auto& [text, value] : withPoint) {
        EXPECT_EQ(bits(valueOfText(text)), bits(value)) << '"' << text << '"';
    }
    for (const auto& [text, value] : withComma) {
        EXPECT_EQ(bits(valueOfText(text, kComma)), bits(value)) << '"' << text << '"';
    }
    EXPECT_EQ(valueOfText("1.7976931348623157e308"), DBL_MAX);
    // Beyond a double's range, leading zeros do not make a tiny number large.
    EXPECT_EQ(valueOfText(std::string(400, '0') + "1e-330") + valueOfText("0." + std::string(700, '0') + "1e300"), 0.0);
    // Beyond the range of a double is an overflow error, also in a box text that a run would read.
    for (const char* text : {"1e400", "-1e400", "  2 e 308", "1e99999999999999999999", "0.01e311", "1000e306"}) {
        expectRuntimeError("overflow", [text] { valueOfText(text); });
    }
    EXPECT_EQ(valueOfTextSaturating("1e400"), HUGE_VAL);
    EXPECT_EQ(valueOfTextSaturating("-1e400"), -HUGE_VAL);
    EXPECT_THROW(clampITextForRun("1e400"), RuntimeError);
    EXPECT_THROW(clampDTextForRun("-1e400"), RuntimeError);
}

// The grammar both readers of numbers share: how much of a text is a number, and whether it ends
// in an exponent. An exponent without digits is no part of the number.
TEST(NumberPrefix, IsTheLongestWrittenNumberAtTheStart) {
    const std::tuple<const char*, char, std::size_t, bool> cases[] = {
        {"12abc", '.', 2, false}, {"-.5", '.', 3, false}, {".", '.', 0, false},      {"+", '.', 0, false},
        {"1e", '.', 1, false},    {"1E+", '.', 1, false}, {"2.5E-1x", '.', 6, true}, {"1,5e3", ',', 5, true},
        {"1,5e3", '.', 1, false}, {" 1", '.', 0, false},  {"e5", '.', 0, false}};
    for (const auto& [text, separator, length, exponent] : cases) {
        const NumberPrefix prefix = numberPrefix(text, separator);
        EXPECT_EQ(std::pair(prefix.length, prefix.hasExponent), std::pair(length, exponent)) << text;
    }
}

// Halves round away from zero, after the exact value is cut to 15 significant digits; digit 16 and
// later of the exact expansion decide that cut, also where 17 rounded digits would show a misleading
// 50 (501384.95..., 1778514.96..., 0.97...) or an exact half (the next three). Carries run through
// every digit. "-" stands before every negative value, also one that rounds to zero; a negative zero
// is not negative.
using FixedCase = std::tuple<double, int, std::string>; // value, decimals, text

class FormatFixedTest : public testing::TestWithParam<FixedCase> {};

TEST_P(FormatFixedTest, WritesTheValueWithThePatternsDecimals) {
    const auto& [value, decimals, text] = GetParam();
    EXPECT_EQ(formatFixed(value, decimals), text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatFixedTest,
    testing::Values(
        FixedCase{2.5, 0, "3"}, FixedCase{-2.5, 0, "-3"}, FixedCase{0.45, 0, "0"}, FixedCase{-0.125, 2, "-0.13"},
        FixedCase{1.0 / 3.0, 16, "0.3333333333333330"}, FixedCase{1.005, 2, "1.01"},
        FixedCase{1.2345678901234567, 16, "1.2345678901234600"}, FixedCase{0.49999999999999994, 0, "1"},
        FixedCase{0.0000049999999999999, 5, "0.00000"}, FixedCase{99.999995, 5, "100.00000"},
        FixedCase{123456789012344.5, 0, "123456789012345"}, FixedCase{501384.9507048665, 9, "501384.950704866"},
        FixedCase{1778514.961198285, 8, "1778514.96119828"}, FixedCase{0.9721160258848085, 15, "0.972116025884808"},
        FixedCase{1560743.366267235, 8, "1560743.36626724"}, FixedCase{504846.2694548305, 9, "504846.269454831"},
        FixedCase{307055.9178062735, 9, "307055.917806274"}, FixedCase{9.999999999999998, 5, "10.00000"},
        FixedCase{999999999999999.9, 0, "1000000000000000"}, FixedCase{1e20, 3, "100000000000000000000.000"},
        FixedCase{-1e15, 2, "-1000000000000000.00"}, FixedCase{-0.000001, 5, "-0.00000"}, FixedCase{-0.0, 5, "0.00000"},
        FixedCase{-0.4, 0, "-0"}));

TEST(FormatFormulaListAndCells, FormulaDropsTrailingZerosListHasTenDecimalsCellsAtLeastFive) {
    for (const auto& [value, text] :
         {std::pair{2.0, "2."}, std::pair{-0.5, "-0.5"}, std::pair{-0.0, "0."}, std::pair{0.1 + 0.2, "0.3"},
          std::pair{2.0 / 3.0, "0.666666666666667"}, std::pair{1e-16, "0."}, std::pair{2.0000000000000004, "2."},
          std::pair{1e20, "100000000000000000000."}}) {
        EXPECT_EQ(formatFormula(value), text);
    }
    EXPECT_EQ(formatWorkingList(3.25), "0003.2500000000");
    EXPECT_EQ(formatWorkingList(12345.678), "12345.6780000000");
    EXPECT_EQ(formatWorkingList(1.0 / 2048), "0000.0004882813");
    EXPECT_EQ(formatWorkingList(1234.5678901234496), "1234.5678901235");
    EXPECT_EQ(formatFixed(DBL_MAX, 0), "179769313486232" + std::string(294, '0'));
    // Only a comma gives the decimal comma. Row numbers have a blank for the sign; cells show at least
    // five decimals, more when the data has more; a d found by a search is shown with five.
    EXPECT_EQ(numberFormatFor(","), kComma);
    EXPECT_EQ(numberFormatFor("\xD9\xAB"), NumberFormat::DecimalPoint); // Arabic decimal separator
    EXPECT_EQ(formatFormula(-0.5, kComma), "-0,5");
    EXPECT_EQ(formatCell(2.5, 0, kComma), "2,50000");
    EXPECT_EQ(rowNumberText(1500), " 1500");
    EXPECT_EQ(dBoxText(-0.000001, kComma), "-0,00000");
}

// x, its neighbours and their negatives: the working-list value read back without the text (one
// value, and a list of one), and formatFixed's integer path (with some number of decimals), against
// the double's decimal digits.
void expectSameAsTheText(double x) {
    for (double value : {x, -x, std::nextafter(x, 0.0), -std::nextafter(x, 0.0), std::nextafter(x, 1e300),
                         -std::nextafter(x, 1e300)}) {
        const int decimals = static_cast<int>(bits(value) % 17);
        double list = value;
        roundTripWorkingLists(&list, 1);
        const double readBack = valueOfText(formatWorkingList(value));
        ASSERT_EQ(std::tuple(bits(roundTripWorkingList(value)), bits(list), formatFixed(value, decimals)),
                  std::tuple(bits(readBack), bits(readBack), formatFixedFromDecimalDigits(value, decimals)))
            << std::setprecision(17) << value << " written " << formatWorkingList(value) << ", " << decimals;
    }
}

// The averaging reads its crossing positions back without writing the text. The hard cases are the
// two roundings: exact ties at the 16th significant digit (n / 2^(15 - k) with n odd has exactly
// 16 digits when it lies in [10^k, 10^(k+1))), exact ties at the 10th decimal (n / 2^11), their
// neighbours, the neighbours of powers of ten, and the ends of the exact range.
TEST(RoundTripWorkingList, EqualsReadingTheWrittenTextBackAndSoDoSpacings) {
    std::mt19937_64 generator(17);
    for (int k = -4; k <= 14; ++k) {
        const double low = std::max(1.0, std::ldexp(std::pow(10.0, k), 15 - k));
        const double high = std::min(0x1p53, std::ldexp(std::pow(10.0, k + 1), 15 - k));
        std::uniform_real_distribution<double> numerator(low, high);
        for (int n = 0; low < high && n < 300; ++n) {
            expectSameAsTheText(std::ldexp(2 * std::floor(numerator(generator) / 2) + 1, k - 15));
            // Exact ties at the 10th decimal; fifteen digits that carry into it (a fraction of the count of
            // 1e-10 of at least 1/2 - 10^(k - 4) / 2 for k + 1 integer digits) and ones just short of that.
            const double count = std::floor(std::pow(10.0, k + 10) * (1 + n / 34.0));
            expectSameAsTheText(std::ldexp(std::floor(count / 1e10 * 1024) + 0.5, -10));
            expectSameAsTheText((count + 0.5 - (0.35 + 0.1 * (n % 4)) * std::pow(10.0, k - 4)) / 1e10);
        }
    }
    for (int k = -12; k <= 16; ++k) {
        for (double x = std::pow(10.0, k), y = x, ulps = 0; ulps < 40; ++ulps) {
            expectSameAsTheText(x = std::nextafter(x, 0.0));
            expectSameAsTheText(y = std::nextafter(y, 1e300));
        }
    }
    for (double x : {0.0, 5e-324, 2.2250738585072014e-308, 4.99999999999995e-11, 5e-11, 1e-11, 9.9999999999999e-12,
                     1e-4, 1e4, 99999.99999999999, 999999999999999.9, 1e15, 1e20, 1e300}) {
        expectSameAsTheText(x);
    }
    // The spacings of crossing positions are taken from their counts of 1e-10; each must equal the round
    // trip of its difference: of working-list values (random, one ten-decimal unit apart, equal, in
    // either order) and of values that are not.
    std::uniform_real_distribution<double> position(1e-4, 1500.0);
    for (double n = 0, before = 1.0; n < 1e6; ++n) {
        const double x = position(generator);
        const double entry = roundTripWorkingList(x);
        const double list[] = {before, entry, entry, before, entry, roundTripWorkingList(entry + 1e-10), x, before};
        double spacings[7];
        workingListSpacings(list, 8, spacings);
        for (int m = 0; m < 7; ++m) {
            ASSERT_EQ(bits(spacings[m]), bits(roundTripWorkingList(list[m + 1] - list[m]))) << std::hexfloat << x;
        }
        before = entry;
    }
}

struct BoxCase {
    std::string (*rule)(const std::string&, NumberFormat);
    const char* text;
    const char* result;
    NumberFormat format = NumberFormat::DecimalPoint;
};

// The window tests hold the common cases of leaving a box; these are the edges: halves, the bounds,
// beyond a double (cut to 15 digits, the largest double is written as a number beyond it). Before a
// run only texts beyond the bounds change: an i text of letters is 0, below 1, and becomes "1"; a d
// text of letters is 0, inside its bounds, and stays as typed. With a decimal comma the boxes are
// written with it, and a point ends the number typed.
TEST(BoxText, BecomesItsNormalOrBoundedText) {
    for (const auto& [rule, text, result, format] :
         {BoxCase{normaliseIText, "0.5", "1"}, BoxCase{normaliseIText, "2.5", "3"},
          BoxCase{normaliseIText, "1024.5", "1024"}, BoxCase{normaliseIText, "1e18", "1024"},
          BoxCase{normaliseIText, "-1e400", "1"}, BoxCase{normaliseIText, "", "1"},
          BoxCase{normaliseDText, "-1e400", "-99.99999"}, BoxCase{normaliseDText, "99.999995", "99.99999"},
          BoxCase{normaliseDText, "-0.000001", "-0.00000"}, BoxCase{normaliseDText, "1\t.5", "1.50000"},
          BoxCase{normaliseDText, "1.7976931348623157e308", "99.99999"}, BoxCase{clampITextForRun, "abc", "1"},
          BoxCase{clampITextForRun, "12.7", "12.7"}, BoxCase{clampITextForRun, "999", "999"}}) {
        EXPECT_EQ(rule(text, format), result) << '"' << text << '"';
    }
    for (const auto& [rule, text, result, format] :
         {BoxCase{clampITextForRun, "1000", "999"}, BoxCase{clampDTextForRun, "1.5x", "1.5x"},
          BoxCase{clampDTextForRun, "150", "99.99999"}, BoxCase{clampDTextForRun, "-150", "-99.99999"},
          BoxCase{clampDTextForRun, "99.999991", "99.99999"}, BoxCase{clampDTextForRun, "-99.999989", "-99.999989"},
          BoxCase{normaliseDText, "1,5", "1,50000", kComma}, BoxCase{normaliseDText, "1.5", "1,00000", kComma},
          BoxCase{normaliseDText, "", "0,00000", kComma}, BoxCase{normaliseDText, "-1e400", "-99,99999", kComma},
          BoxCase{normaliseIText, "2,5", "3", kComma}, BoxCase{normaliseIText, "2.5", "2", kComma},
          BoxCase{clampDTextForRun, "-99,999991", "-99,99999", kComma},
          BoxCase{clampITextForRun, "1024,5", "999", kComma}}) {
        EXPECT_EQ(rule(text, format), result) << '"' << text << '"';
    }
}

} // namespace
} // namespace vantrel
