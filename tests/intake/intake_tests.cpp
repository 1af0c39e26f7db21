#include "intake/intake.h"

#include "analysis/runtime_error.h"
#include "intake_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

using testing_support::describe;
using testing_support::joinLines;
using testing_support::numberLines;
using testing_support::PastedText;
using testing_support::RecordingProgress;
using testing_support::repeated;

constexpr double kMarker = -12345.5;
const std::string kOld = "old";

class IntakeTest : public ::testing::Test {
protected:
    IntakeOutcome paste(std::string_view text, RegressionModel model = RegressionModel::Linear) {
        return runIntake(text, state, table, model, progress);
    }

    std::string data(int row) const { return table.text(row, ResultTable::kDataColumn); }

    // A series of an earlier paste that a refused one must leave alone.
    void fillOldSeries() {
        for (int i = 1; i <= kMaxPoints; ++i) {
            state.Data_value[i] = kMarker + i;
        }
        state.Data_count = 777;
        state.Decimals = 7;
    }

    void expectOldSeries() const {
        for (int i = 1; i <= kMaxPoints; ++i) {
            ASSERT_EQ(state.Data_value[i], kMarker + i) << "point " << i;
        }
    }

    void fillOldResults() {
        for (int r = 1; r < ResultTable::kRows; ++r) {
            for (int c = 1; c < ResultTable::kColumns; ++c) {
                table.setText(r, c, kOld);
            }
        }
    }

    void expectEmptyRows(int fromRow, int firstColumn, int lastColumn) const {
        for (int r = fromRow; r < ResultTable::kRows; ++r) {
            for (int c = firstColumn; c <= lastColumn; ++c) {
                ASSERT_EQ(table.text(r, c), "") << "row " << r << " column " << c;
            }
        }
    }

    AnalysisState state;
    ResultTable table;
    RecordingProgress progress;
};

// ---- Too large ----------------------------------------------------------------------------------

struct LengthCase {
    const char* padding; // one character, one to four bytes in UTF-8
    long characters;     // length of the whole text in characters
    IntakeResult expected;
};

void PrintTo(const LengthCase& c, std::ostream* os) {
    *os << c.characters << " characters padded with " << describe(c.padding);
}

class IntakeLengthTest : public IntakeTest, public ::testing::WithParamInterface<LengthCase> {};

// Ten numbers, the first line padded with a character the cleaning drops, to the length wanted.
std::string paddedColumn(std::string_view padding, long characters) {
    const std::string rest = "\r\n" + joinLines(numberLines(2, 10));
    const long paddingCount = characters - 1 - static_cast<long>(rest.size());
    return "1" + repeated(padding, static_cast<std::size_t>(paddingCount)) + rest;
}

TEST_P(IntakeLengthTest, TheLimitCountsCharactersNotBytes) {
    const LengthCase& c = GetParam();
    fillOldResults();
    fillOldSeries();
    const IntakeOutcome outcome = paste(paddedColumn(c.padding, c.characters));
    EXPECT_EQ(outcome.result, c.expected);
    if (c.expected == IntakeResult::TooLarge) {
        expectEmptyRows(1, 1, ResultTable::kRemainderColumn);
        expectOldSeries();
        EXPECT_EQ(state.Data_count, 777);
        EXPECT_EQ(progress.finishedCount, 0);
    } else {
        EXPECT_EQ(state.Data_count, 10);
        EXPECT_EQ(data(1), "1");
        EXPECT_EQ(data(10), "10");
    }
}

INSTANTIATE_TEST_SUITE_P(Limit, IntakeLengthTest,
                         ::testing::Values(LengthCase{" ", 655360, IntakeResult::Loaded},
                                           LengthCase{" ", 655361, IntakeResult::TooLarge},
                                           LengthCase{"\xC3\xA9", 655360, IntakeResult::Loaded},     // é
                                           LengthCase{"\xC3\xA9", 655361, IntakeResult::TooLarge},   // é
                                           LengthCase{"\xE2\x82\xAC", 655360, IntakeResult::Loaded}, // €
                                           LengthCase{"\xF0\x9F\x98\x80", 655360, IntakeResult::Loaded},
                                           LengthCase{"\xF0\x9F\x98\x80", 655361, IntakeResult::TooLarge}));

TEST_F(IntakeTest, TooLargeTextOfOneLineIsRefused) {
    EXPECT_EQ(paste(std::string(655361, '5')).result, IntakeResult::TooLarge);
}

// ---- Count of numbers ---------------------------------------------------------------------------

class IntakeCountTest : public IntakeTest, public ::testing::WithParamInterface<int> {};

TEST_P(IntakeCountTest, TenNumbersAreNeeded) {
    const int count = GetParam();
    fillOldSeries();
    const IntakeOutcome outcome = paste(joinLines(numberLines(1, count)));
    EXPECT_EQ(state.Data_count, count);
    EXPECT_EQ(data(count), std::to_string(count));
    expectEmptyRows(count + 1, 1, 1);
    if (count < kMinPoints) {
        EXPECT_EQ(outcome.result, IntakeResult::NotEnoughData);
        expectOldSeries();
    } else {
        EXPECT_EQ(outcome.result, IntakeResult::Loaded);
        for (int i = 1; i <= kMaxPoints; ++i) {
            ASSERT_EQ(state.Data_value[i], i <= count ? i : 0.0) << "point " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, IntakeCountTest, ::testing::Values(2, 9, 10, 11, 1499, 1500));

TEST_F(IntakeTest, ColumnWithoutFinalLineEndLoadsTheSame) {
    ASSERT_EQ(paste(joinLines(numberLines(1, 10), "\r\n", false)).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Data_count, 10);
    EXPECT_EQ(data(10), "10");
    EXPECT_EQ(state.Data_value[10], 10.0);
}

TEST_F(IntakeTest, TextWithoutDigitsIsOneEmptyPoint) {
    const IntakeOutcome outcome = paste("no\r\nnumbers\r\nhere at all\r\n");
    EXPECT_EQ(outcome.result, IntakeResult::NotEnoughData);
    EXPECT_EQ(state.Data_count, 1);
    EXPECT_EQ(data(1), "0");
    EXPECT_EQ(data(2), "");
    EXPECT_TRUE(state.Nonpositive_data);
}

// ---- Run-time errors ----------------------------------------------------------------------------

class IntakeTinyTextTest : public IntakeTest, public ::testing::WithParamInterface<PastedText> {};

TEST_P(IntakeTinyTextTest, IsARunTimeErrorNotARefusal) {
    fillOldResults();
    fillOldSeries();
    EXPECT_THROW(paste(GetParam().text), RuntimeError);
    expectEmptyRows(1, 1, ResultTable::kRemainderColumn);
    expectOldSeries();
    EXPECT_EQ(state.Data_count, 777);
    EXPECT_TRUE(progress.marks.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, IntakeTinyTextTest,
                         ::testing::Values(PastedText{""}, PastedText{"7"}, PastedText{"\xC3\xA9"}, PastedText{"\r"},
                                           PastedText{"\n"}, PastedText{"7\r\n"}, PastedText{"\r\n"},
                                           PastedText{"7\n\n\n"}, PastedText{"7\r\r\n\n"}, PastedText{" \r\n\r\n"},
                                           PastedText{"\r\n\r\n\r\n"}, PastedText{"\xE2\x82\xAC\n\r"},
                                           PastedText{std::string(5000, '\n')}));

struct SmallTextCase {
    std::string text;
    std::vector<std::string> rows;
};

void PrintTo(const SmallTextCase& c, std::ostream* os) {
    *os << describe(c.text);
}

class IntakeSmallTextTest : public IntakeTest, public ::testing::WithParamInterface<SmallTextCase> {};

TEST_P(IntakeSmallTextTest, IsTooLittleData) {
    const SmallTextCase& c = GetParam();
    fillOldSeries();
    EXPECT_EQ(paste(c.text).result, IntakeResult::NotEnoughData);
    ASSERT_EQ(state.Data_count, static_cast<int>(c.rows.size()));
    for (std::size_t k = 0; k < c.rows.size(); ++k) {
        EXPECT_EQ(data(static_cast<int>(k) + 1), c.rows[k]) << "row " << k + 1;
    }
    expectOldSeries();
}

INSTANTIATE_TEST_SUITE_P(Texts, IntakeSmallTextTest,
                         ::testing::Values(SmallTextCase{"77", {"77"}}, SmallTextCase{"\r\n7", {"0", "7"}},
                                           SmallTextCase{"\n7\n", {"0", "7"}}, SmallTextCase{"7\r\n8", {"7", "8"}},
                                           SmallTextCase{"7\n\n8", {"7", "0", "8"}},
                                           SmallTextCase{"\xC3\xA9\x37", {"7"}}, SmallTextCase{"-5", {"-5"}}));

class IntakeOverflowTest : public IntakeTest, public ::testing::WithParamInterface<PastedText> {};

TEST_P(IntakeOverflowTest, NumberBeyondTheRangeOfADoubleIsARunTimeError) {
    std::vector<std::string> lines = numberLines(1, 10);
    lines[4] = GetParam().text;
    fillOldSeries();
    try {
        paste(joinLines(lines));
        FAIL() << "no run-time error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), RuntimeError::Kind::Overflow);
    }
    expectOldSeries();
    // The table shows how far the cleaning got.
    EXPECT_EQ(state.Data_count, 10);
    EXPECT_EQ(data(4), "4.0000000000000000");
    EXPECT_EQ(data(6), "6");
}

INSTANTIATE_TEST_SUITE_P(Numbers, IntakeOverflowTest,
                         ::testing::Values(PastedText{std::string(400, '1')}, PastedText{std::string(309, '9')},
                                           PastedText{"-" + std::string(309, '9')},
                                           PastedText{"x" + std::string(320, '2') + ".5"},
                                           PastedText{std::string(309, '9') + "0"}));

TEST_F(IntakeTest, LargestReadableNumberIsCapped) {
    std::vector<std::string> lines = numberLines(1, 10);
    lines[4] = "1" + std::string(308, '0');
    ASSERT_EQ(paste(joinLines(lines)).result, IntakeResult::Loaded);
    EXPECT_EQ(data(5), "9999999999999990");
}

// ---- Lines --------------------------------------------------------------------------------------

TEST_F(IntakeTest, EmptyLinesAmongTheNumbersArePointsOfValueZero) {
    const std::vector<std::string> lines{"1", "2", "", "", "5", "6", "7", "8", "9", "10"};
    ASSERT_EQ(paste(joinLines(lines)).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Data_count, 10);
    EXPECT_EQ(data(3), "0");
    EXPECT_EQ(data(4), "0");
    EXPECT_EQ(state.Data_value[3], 0.0);
    EXPECT_EQ(state.Data_value[5], 5.0);
    EXPECT_TRUE(state.Nonpositive_data);
}

TEST_F(IntakeTest, EmptyLinesAmongNineNumbersMakeTen) {
    const std::vector<std::string> lines{"1", "2", "3", "4", "", "6", "7", "8", "9", "10"};
    EXPECT_EQ(paste(joinLines(lines)).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Data_count, 10);
}

class IntakeTrailingTest : public IntakeTest, public ::testing::WithParamInterface<PastedText> {};

TEST_P(IntakeTrailingTest, LinesWithoutNumbersAtTheEndAreIgnored) {
    ASSERT_EQ(paste(joinLines(numberLines(1, 10)) + GetParam().text).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Data_count, 10);
    EXPECT_EQ(data(10), "10");
    EXPECT_EQ(data(11), "");
    EXPECT_FALSE(state.Nonpositive_data);
}

INSTANTIATE_TEST_SUITE_P(Endings, IntakeTrailingTest,
                         ::testing::Values(PastedText{"\r\n"}, PastedText{"\r\n\r\n\r\n"}, PastedText{"\n\n"},
                                           PastedText{"\r\r\r"}, PastedText{"\n\r\n\r"},
                                           PastedText{repeated("\r\n", 3000)}, PastedText{"Total\r\n"},
                                           PastedText{"n/a\tx\r\n\r\n"}, PastedText{" "}));

TEST_F(IntakeTest, LeadingEmptyLinesAreLeadingZeroPoints) {
    ASSERT_EQ(paste("\r\n\r\n" + joinLines(numberLines(1, 10))).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Data_count, 12);
    EXPECT_EQ(data(1), "0");
    EXPECT_EQ(data(2), "0");
    EXPECT_EQ(data(3), "1");
    EXPECT_EQ(data(12), "10");
    EXPECT_EQ(state.Data_value[1], 0.0);
    EXPECT_EQ(state.Data_value[12], 10.0);
}

struct LineEndCase {
    std::vector<std::string> lineEnds;
    bool finalLineEnd;
};

void PrintTo(const LineEndCase& c, std::ostream* os) {
    for (const std::string& end : c.lineEnds) {
        *os << describe(end);
    }
    *os << (c.finalLineEnd ? " with" : " without") << " final line end";
}

class IntakeLineEndTest : public IntakeTest, public ::testing::WithParamInterface<LineEndCase> {};

TEST_P(IntakeLineEndTest, TwoThousandLinesLoadTheLastFifteenHundred) {
    const LineEndCase& c = GetParam();
    ASSERT_EQ(paste(joinLines(numberLines(1, 2000), c.lineEnds, c.finalLineEnd)).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Data_count, 1500);
    EXPECT_EQ(data(1), "501");
    EXPECT_EQ(data(1500), "2000");
    for (int i = 1; i <= kMaxPoints; ++i) {
        ASSERT_EQ(state.Data_value[i], 500.0 + i) << "point " << i;
    }
}

TEST_P(IntakeLineEndTest, EmptyFirstLineBeforeFifteenHundredLinesIsDropped) {
    const LineEndCase& c = GetParam();
    const std::string text = c.lineEnds.front() + joinLines(numberLines(1, 1500), c.lineEnds, c.finalLineEnd);
    ASSERT_EQ(paste(text).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Data_count, 1500);
    EXPECT_EQ(data(1), "1");
    EXPECT_EQ(data(1500), "1500");
    EXPECT_EQ(state.Data_value[1500], 1500.0);
}

TEST_P(IntakeLineEndTest, EmptyFirstLineBeforeFewerLinesIsAZeroPoint) {
    const LineEndCase& c = GetParam();
    const std::string text = c.lineEnds.front() + joinLines(numberLines(1, 1499), c.lineEnds, c.finalLineEnd);
    ASSERT_EQ(paste(text).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Data_count, 1500);
    EXPECT_EQ(data(1), "0");
    EXPECT_EQ(data(2), "1");
    EXPECT_EQ(data(1500), "1499");
}

TEST_P(IntakeLineEndTest, EmptyLinesCountTowardsTheFifteenHundred) {
    const LineEndCase& c = GetParam();
    std::vector<std::string> lines = numberLines(1, 1000);
    lines.insert(lines.end(), 600, "");
    const std::vector<std::string> tail = numberLines(1001, 1400);
    lines.insert(lines.end(), tail.begin(), tail.end());
    lines.insert(lines.end(), 50, ""); // trailing, ignored
    ASSERT_EQ(paste(joinLines(lines, c.lineEnds, c.finalLineEnd)).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Data_count, 1500);
    EXPECT_EQ(data(1), "501");
    EXPECT_EQ(data(500), "1000");
    EXPECT_EQ(data(501), "0");
    EXPECT_EQ(data(1100), "0");
    EXPECT_EQ(data(1101), "1001");
    EXPECT_EQ(data(1500), "1400");
}

INSTANTIATE_TEST_SUITE_P(Conventions, IntakeLineEndTest,
                         ::testing::Values(LineEndCase{{"\r\n"}, true}, LineEndCase{{"\r\n"}, false},
                                           LineEndCase{{"\n"}, true}, LineEndCase{{"\n"}, false},
                                           LineEndCase{{"\r"}, true}, LineEndCase{{"\r"}, false},
                                           LineEndCase{{"\r\n", "\n", "\r"}, true},
                                           LineEndCase{{"\n", "\r", "\r\n"}, false}));

struct MixedLinesCase {
    std::string text;
    std::vector<std::string> rows;
};

void PrintTo(const MixedLinesCase& c, std::ostream* os) {
    *os << describe(c.text);
}

class IntakeMixedLinesTest : public IntakeTest, public ::testing::WithParamInterface<MixedLinesCase> {};

TEST_P(IntakeMixedLinesTest, EveryCarriageReturnAndLineFeedEndsALineUnlessTheyArePaired) {
    const MixedLinesCase& c = GetParam();
    paste(c.text);
    ASSERT_EQ(state.Data_count, static_cast<int>(c.rows.size()));
    for (std::size_t k = 0; k < c.rows.size(); ++k) {
        EXPECT_EQ(data(static_cast<int>(k) + 1), c.rows[k]) << "row " << k + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, IntakeMixedLinesTest,
                         ::testing::Values(MixedLinesCase{"1\r\n2\n3\r4", {"1", "2", "3", "4"}},
                                           MixedLinesCase{"1\n\r2", {"1", "0", "2"}},
                                           MixedLinesCase{"1\r\r\n2", {"1", "0", "2"}},
                                           MixedLinesCase{"1\r\n\r\n2\r\n", {"1", "0", "2"}},
                                           MixedLinesCase{"1\r\n\n2", {"1", "0", "2"}}));

TEST_F(IntakeTest, OnlyTheFirstTabSeparatedColumnIsLoaded) {
    std::vector<std::string> lines;
    for (int n = 1; n <= 10; ++n) {
        lines.push_back(std::to_string(n) + "\t" + std::to_string(100 * n) + "\t0.5");
    }
    lines[2] = "\t300"; // an empty first field
    ASSERT_EQ(paste(joinLines(lines)).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Decimals, 0);
    EXPECT_EQ(data(1), "1");
    EXPECT_EQ(data(3), "0");
    EXPECT_EQ(data(10), "10");
    EXPECT_EQ(state.Data_value[10], 10.0);
}

// ---- Cleaning -----------------------------------------------------------------------------------

struct CleaningCase {
    std::string line;
    std::string cell;
    double value;
};

void PrintTo(const CleaningCase& c, std::ostream* os) {
    *os << describe(c.line);
}

class IntakeCleaningTest : public IntakeTest, public ::testing::WithParamInterface<CleaningCase> {};

TEST_P(IntakeCleaningTest, KeepsTheNumberWrittenInTheLine) {
    const CleaningCase& c = GetParam();
    std::vector<std::string> lines = numberLines(1, 10);
    lines[4] = c.line;
    ASSERT_EQ(paste(joinLines(lines)).result, IntakeResult::Loaded);
    EXPECT_EQ(data(5), c.cell);
    EXPECT_EQ(state.Data_value[5], c.value);
    EXPECT_EQ(state.Data_count, 10);
}

INSTANTIATE_TEST_SUITE_P(Examples, IntakeCleaningTest,
                         ::testing::Values(CleaningCase{"12a3", "123", 123}, CleaningCase{"1,5", "15", 15},
                                           CleaningCase{"1e5", "15", 15}, CleaningCase{"+7", "7", 7},
                                           CleaningCase{"5-3", "53", 53}, CleaningCase{"abc-5", "-5", -5},
                                           CleaningCase{"5-", "5", 5}, CleaningCase{"-", "0", 0},
                                           CleaningCase{".", "0", 0}, CleaningCase{"--5", "-5", -5},
                                           CleaningCase{" 4 2 ", "42", 42}, CleaningCase{"1.2.3", "1.23", 1.23},
                                           CleaningCase{"-.5", "-0.5", -0.5}, CleaningCase{"007", "7", 7},
                                           CleaningCase{"-0", "0", 0}, CleaningCase{"$1,234.50", "1234.5", 1234.5},
                                           CleaningCase{"(12)", "12", 12},
                                           CleaningCase{"\xEF\xBC\x91\xEF\xBC\x92", "0", 0}, // full-width digits
                                           CleaningCase{"\xE2\x88\x92\x35", "5", 5},         // minus sign U+2212
                                           CleaningCase{"\xC2\xA0\x38\xC2\xA0", "8", 8},     // no-break spaces
                                           CleaningCase{"3\x0B\x0C", "3", 3}));

// ---- Decimals -----------------------------------------------------------------------------------

struct DecimalsCase {
    std::vector<std::string> lines; // the first lines; whole numbers follow up to ten
    int decimals;
    std::vector<std::string> cells;
};

void PrintTo(const DecimalsCase& c, std::ostream* os) {
    for (const std::string& line : c.lines) {
        *os << describe(line) << " ";
    }
}

class IntakeDecimalsTest : public IntakeTest, public ::testing::WithParamInterface<DecimalsCase> {};

std::string wholeNumberCell(int n, int decimals) {
    return decimals == 0 ? std::to_string(n) : std::to_string(n) + "." + std::string(decimals, '0');
}

TEST_P(IntakeDecimalsTest, AreTheMostSignificantPlacesOfAnyPoint) {
    const DecimalsCase& c = GetParam();
    std::vector<std::string> lines = c.lines;
    for (int n = static_cast<int>(lines.size()) + 1; n <= 10; ++n) {
        lines.push_back(std::to_string(n));
    }
    ASSERT_EQ(paste(joinLines(lines)).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Decimals, c.decimals);
    EXPECT_EQ(table.dataColumnCentred(), c.decimals == 0);
    for (std::size_t k = 0; k < c.cells.size(); ++k) {
        EXPECT_EQ(data(static_cast<int>(k) + 1), c.cells[k]) << "row " << k + 1;
    }
    EXPECT_EQ(data(10), wholeNumberCell(10, c.decimals));
}

INSTANTIATE_TEST_SUITE_P(Columns, IntakeDecimalsTest,
                         ::testing::Values(DecimalsCase{{"0.1"}, 1, {"0.1", "2.0"}},
                                           DecimalsCase{{"1", "2.5", "3.25"}, 2, {"1.00", "2.50", "3.25"}},
                                           DecimalsCase{{"3.25", "2.5", "1"}, 2, {"3.25", "2.50", "1.00"}},
                                           DecimalsCase{{"1", "2", "3"}, 0, {"1", "2", "3"}},
                                           DecimalsCase{{"2.50", "7.000"}, 1, {"2.5", "7.0"}},
                                           DecimalsCase{{"-0.75"}, 2, {"-0.75"}},
                                           DecimalsCase{{"12.345678"}, 6, {"12.345678"}},
                                           DecimalsCase{{"0.3333333333333333333"}, 15, {"0.333333333333333"}},
                                           DecimalsCase{{"0.0000000000000001"}, 16, {"0.0000000000000001"}},
                                           DecimalsCase{{"0.00000000000000004"}, 0, {"0"}},
                                           DecimalsCase{{"1234567890.123456789"}, 5, {"1234567890.12346"}},
                                           DecimalsCase{{"0.000001"}, 6, {"0.000001"}}));

// ---- Caps ---------------------------------------------------------------------------------------

struct CapCase {
    std::vector<std::string> lines;
    std::vector<std::string> cells;
    double value; // of the last of the lines
};

void PrintTo(const CapCase& c, std::ostream* os) {
    *os << describe(c.lines.back());
}

class IntakeCapTest : public IntakeTest, public ::testing::WithParamInterface<CapCase> {};

TEST_P(IntakeCapTest, MagnitudesFromTenToTheSixteenAreCapped) {
    const CapCase& c = GetParam();
    std::vector<std::string> lines = c.lines;
    for (int n = static_cast<int>(lines.size()) + 1; n <= 10; ++n) {
        lines.push_back(std::to_string(n));
    }
    ASSERT_EQ(paste(joinLines(lines)).result, IntakeResult::Loaded);
    for (std::size_t k = 0; k < c.cells.size(); ++k) {
        EXPECT_EQ(data(static_cast<int>(k) + 1), c.cells[k]) << "row " << k + 1;
    }
    EXPECT_EQ(state.Data_value[c.lines.size()], c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, IntakeCapTest,
    ::testing::Values(CapCase{{"20000000000000000"}, {"9999999999999990"}, 9999999999999990.0},
                      CapCase{{"-30000000000000000"}, {"-9999999999999990"}, -9999999999999990.0},
                      CapCase{{"10000000000000000"}, {"9999999999999990"}, 9999999999999990.0},
                      CapCase{{"9999999999999999"}, {"9999999999999990"}, 9999999999999990.0},
                      CapCase{{"9999999999999980"}, {"9999999999999980"}, 9999999999999980.0},
                      CapCase{{"2.5", "20000000000000000"}, {"2.5", "9999999999999990.0"}, 9999999999999990.0},
                      CapCase{{"-1" + std::string(200, '7')}, {"-9999999999999990"}, -9999999999999990.0}));

// ---- Column widths ------------------------------------------------------------------------------

struct WidthCase {
    std::vector<std::string> lines;
    int twips;
};

void PrintTo(const WidthCase& c, std::ostream* os) {
    *os << describe(c.lines.front()) << " " << c.lines.size() << " lines";
}

class IntakeWidthTest : public IntakeTest, public ::testing::WithParamInterface<WidthCase> {};

TEST_P(IntakeWidthTest, ResultColumnsFitTheLongestDataText) {
    const WidthCase& c = GetParam();
    table.setColumnWidthTwips(1, 5000);
    table.setColumnWidthTwips(14, 5000);
    paste(joinLines(c.lines));
    EXPECT_EQ(table.columnWidthTwips(0), ResultTable::kStartWidthTwips);
    for (int column = 1; column <= ResultTable::kRemainderColumn; ++column) {
        EXPECT_EQ(table.columnWidthTwips(column), c.twips) << "column " << column;
    }
}

std::vector<std::string> tenWith(std::vector<std::string> first) {
    for (int n = static_cast<int>(first.size()) + 1; n <= 10; ++n) {
        first.push_back(std::to_string(n));
    }
    return first;
}

INSTANTIATE_TEST_SUITE_P(Columns, IntakeWidthTest,
                         ::testing::Values(WidthCase{numberLines(1, 10), 1000},
                                           WidthCase{tenWith({"1234567890"}), 1000},     // 10 characters: 960
                                           WidthCase{tenWith({"12345678901"}), 11 * 96}, // 11 characters
                                           WidthCase{tenWith({"-123456.125"}), 11 * 96},
                                           WidthCase{tenWith({"2.25", "20000000000000000"}), 19 * 96},
                                           WidthCase{{"1", "22.5", "123456789012"}, 14 * 96})); // refused, still set

// ---- Signs and the model ------------------------------------------------------------------------

struct SignCase {
    std::string fifthLine;
    RegressionModel model;
    bool nonpositive;
    bool fallBack;
};

void PrintTo(const SignCase& c, std::ostream* os) {
    *os << describe(c.fifthLine) << " model " << modelIndex(c.model);
}

class IntakeSignTest : public IntakeTest, public ::testing::WithParamInterface<SignCase> {};

TEST_P(IntakeSignTest, NonpositiveDataRuleOutExponentialAndPower) {
    const SignCase& c = GetParam();
    std::vector<std::string> lines = numberLines(1, 10);
    lines[4] = c.fifthLine;
    const IntakeOutcome outcome = paste(joinLines(lines), c.model);
    EXPECT_EQ(outcome.result, IntakeResult::Loaded);
    EXPECT_EQ(state.Nonpositive_data, c.nonpositive);
    EXPECT_EQ(outcome.fellBackToLinear, c.fallBack);
}

INSTANTIATE_TEST_SUITE_P(Models, IntakeSignTest,
                         ::testing::Values(SignCase{"5", RegressionModel::Exponential, false, false},
                                           SignCase{"5", RegressionModel::Power, false, false},
                                           SignCase{"0.0000001", RegressionModel::Power, false, false},
                                           SignCase{"0", RegressionModel::Exponential, true, true},
                                           SignCase{"-2", RegressionModel::Power, true, true},
                                           SignCase{"", RegressionModel::Power, true, true},
                                           SignCase{"-", RegressionModel::Exponential, true, true},
                                           SignCase{"0.00000000000000004", RegressionModel::Exponential, true, true},
                                           SignCase{"0", RegressionModel::Linear, true, false},
                                           SignCase{"-2", RegressionModel::Logarithmic, true, false}));

TEST_F(IntakeTest, RefusedPasteStillShowsItsColumnAndRulesOutExponential) {
    fillOldResults();
    fillOldSeries();
    const std::vector<std::string> lines{"3", "0", "2.5", "x", "", "1", "7", "8", "9"};
    const IntakeOutcome outcome = paste(joinLines(lines), RegressionModel::Exponential);
    EXPECT_EQ(outcome.result, IntakeResult::NotEnoughData);
    EXPECT_TRUE(outcome.fellBackToLinear);
    EXPECT_TRUE(state.Nonpositive_data);
    EXPECT_EQ(state.Data_count, 9);
    EXPECT_EQ(state.Decimals, 1);
    EXPECT_FALSE(table.dataColumnCentred());
    const std::vector<std::string> cells{"3.0", "0.0", "2.5", "0.0", "0.0", "1.0", "7.0", "8.0", "9.0"};
    for (int r = 1; r <= 9; ++r) {
        EXPECT_EQ(data(r), cells[r - 1]) << "row " << r;
    }
    expectEmptyRows(10, 1, 1);
    expectEmptyRows(1, 2, ResultTable::kRemainderColumn);
    expectOldSeries();
}

// ---- What a paste leaves behind -----------------------------------------------------------------

TEST_F(IntakeTest, OldResultsAreClearedAndHeadingsAndRowNumbersKept) {
    fillOldResults();
    ASSERT_EQ(paste(joinLines(numberLines(1, 10))).result, IntakeResult::Loaded);
    expectEmptyRows(11, 1, 1);
    expectEmptyRows(1, 2, ResultTable::kRemainderColumn);
    EXPECT_EQ(table.text(0, 1), "Data");
    EXPECT_EQ(table.text(0, 14), "Remainder");
    EXPECT_EQ(table.text(1, 0), " 1");
    EXPECT_EQ(table.text(1500, 0), " 1500");
}

TEST_F(IntakeTest, ShortPasteAfterALongOneLeavesNoStalePoints) {
    ASSERT_EQ(paste(joinLines(numberLines(1001, 2500))).result, IntakeResult::Loaded);
    ASSERT_EQ(state.Data_value[1500], 2500.0);
    ASSERT_EQ(paste(joinLines(numberLines(1, 10))).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Data_count, 10);
    for (int i = 1; i <= kMaxPoints; ++i) {
        ASSERT_EQ(state.Data_value[i], i <= 10 ? i : 0.0) << "point " << i;
    }
    expectEmptyRows(11, 1, 1);
}

TEST_F(IntakeTest, NarrowPasteAfterAWideOneNarrowsTheColumns) {
    paste(joinLines(tenWith({"12345678901234.5"})));
    ASSERT_EQ(table.columnWidthTwips(3), 16 * 96);
    ASSERT_FALSE(table.dataColumnCentred());
    paste(joinLines(numberLines(1, 10)));
    EXPECT_EQ(table.columnWidthTwips(3), 1000);
    EXPECT_TRUE(table.dataColumnCentred());
}

// ---- Progress -----------------------------------------------------------------------------------

// The strip draws a hairline per mark: every whole unit from 0 to the end of the scan, once.
void expectEveryUnitMarked(const RecordingProgress& progress) {
    EXPECT_EQ(progress.finishedCount, 1);
    EXPECT_EQ(progress.marksAtFinish, progress.marks.size());
    ASSERT_EQ(progress.marks.size(), 1001u);
    for (std::size_t k = 0; k < progress.marks.size(); ++k) {
        ASSERT_EQ(progress.marks[k], static_cast<double>(k));
    }
}

TEST_F(IntakeTest, LongScanMarksItsProgressAndEnds) {
    paste(joinLines(numberLines(100000, 180000), "\n"));
    expectEveryUnitMarked(progress);
}

TEST_F(IntakeTest, ScanOfAHugeLineMarksItsProgressAndEnds) {
    paste(std::string(600000, 'x') + "\r\n" + joinLines(numberLines(1, 10)));
    expectEveryUnitMarked(progress);
}

TEST_F(IntakeTest, ShortScanEndsToo) {
    paste(joinLines(numberLines(1, 5)));
    expectEveryUnitMarked(progress);
}

} // namespace
} // namespace vantrel
