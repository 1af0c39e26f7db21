#include "intake/intake.h"

#include "analysis/runtime_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace vantrel {
namespace {

constexpr double kMarker = -12345.5;

std::vector<std::string> numberLines(int first, int last) {
    std::vector<std::string> lines;
    for (int n = first; n <= last; ++n) {
        lines.push_back(std::to_string(n));
    }
    return lines;
}

// The lines joined with the line ends given, used in turn.
std::string joinLines(const std::vector<std::string>& lines, const std::vector<std::string>& ends = {"\r\n"},
                      bool finalLineEnd = true) {
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        text += lines[k] + (k + 1 < lines.size() || finalLineEnd ? ends[k % ends.size()] : "");
    }
    return text;
}

// The given first lines, then whole numbers up to ten lines.
std::string tenLinesWith(std::vector<std::string> first) {
    for (int n = static_cast<int>(first.size()) + 1; n <= 10; ++n) {
        first.push_back(std::to_string(n));
    }
    return joinLines(first);
}

// Line ends and bytes outside printable ASCII escaped, a long text cut short: for case names.
std::string describe(const std::string& text) {
    std::string out = "\"";
    for (std::size_t k = 0; k < text.size() && k < 24; ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\x%02X", c);
        out += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : std::string(escaped);
    }
    return out + "\"" + (text.size() > 24 ? "... (" + std::to_string(text.size()) + " bytes)" : "");
}

class RecordingProgress : public IntakeProgress {
public:
    void scanMark(double x) override { marks.push_back(x); }
    void scanFinished() override { marksAtFinish.push_back(marks.size()); }

    std::vector<double> marks;
    std::vector<std::size_t> marksAtFinish;
};

class IntakeTest : public ::testing::Test {
protected:
    IntakeOutcome paste(std::string_view text, RegressionModel model = RegressionModel::Linear,
                        NumberFormat format = NumberFormat::DecimalPoint) {
        return runIntake(text, state, table, model, progress, format);
    }
    IntakeOutcome paste(std::string_view text, NumberFormat format) {
        return paste(text, RegressionModel::Linear, format);
    }
    std::string data(int row) const { return table.text(row, ResultTable::kDataColumn); }

    void expectRows(const std::vector<std::string>& rows) const {
        ASSERT_EQ(state.Data_count, static_cast<int>(rows.size()));
        for (std::size_t k = 0; k < rows.size(); ++k) {
            EXPECT_EQ(data(static_cast<int>(k) + 1), rows[k]) << "row " << k + 1;
        }
        EXPECT_EQ(data(static_cast<int>(rows.size()) + 1), "");
    }

    // A series and results of an earlier paste that a refused one must leave alone (the series) or clear.
    void fillOldPaste() {
        for (int i = 1; i <= kMaxPoints; ++i) {
            state.Data_value[i] = kMarker + i;
            for (int c = 1; c < ResultTable::kColumns; ++c) {
                table.setText(i, c, "old");
            }
        }
        state.Data_count = 777;
    }

    void expectOldSeries() const {
        for (int i = 1; i <= kMaxPoints; ++i) {
            ASSERT_EQ(state.Data_value[i], kMarker + i) << "point " << i;
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

constexpr NumberFormat kComma = NumberFormat::DecimalComma;

// A parameter of a test case: a text, with the lines or values it must give.
struct TextCase {
    std::string text;
    std::vector<std::string> rows = {};
    NumberFormat format = NumberFormat::DecimalPoint;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << describe(c.text) << (c.format == kComma ? " with a decimal comma" : "");
}

std::string withCommas(std::string text) {
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

std::string withPoints(std::string text) {
    std::replace(text.begin(), text.end(), ',', '.');
    return text;
}

template <typename Param> class IntakeCaseTest : public IntakeTest, public ::testing::WithParamInterface<Param> {};

// ---- The character limit ------------------------------------------------------------------------

struct LengthCase {
    const char* padding; // one character, one to four bytes in UTF-8
    long characters;     // length of the whole text in characters
    IntakeResult expected;
};

void PrintTo(const LengthCase& c, std::ostream* os) {
    *os << c.characters << " characters padded with " << describe(c.padding);
}

using IntakeLengthTest = IntakeCaseTest<LengthCase>;

// Ten numbers, the first line padded with a character the cleaning drops, to the length wanted.
TEST_P(IntakeLengthTest, TheLimitCountsCharactersNotBytes) {
    const LengthCase& c = GetParam();
    const std::string rest = "\r\n" + joinLines(numberLines(2, 10));
    std::string text = "1";
    for (long k = 0; k < c.characters - 1 - static_cast<long>(rest.size()); ++k) {
        text += c.padding;
    }
    fillOldPaste();
    EXPECT_EQ(paste(text + rest).result, c.expected);
    if (c.expected == IntakeResult::TooLarge) {
        expectEmptyRows(1, 1, ResultTable::kRemainderColumn);
        expectOldSeries();
        EXPECT_TRUE(progress.marks.empty());
    } else {
        EXPECT_EQ(state.Data_count, 10);
        EXPECT_EQ(data(1), "1");
    }
}

INSTANTIATE_TEST_SUITE_P(Limit, IntakeLengthTest,
                         ::testing::Values(LengthCase{" ", 655360, IntakeResult::Loaded},
                                           LengthCase{" ", 655361, IntakeResult::TooLarge},
                                           LengthCase{"\xC3\xA9", 655360, IntakeResult::Loaded},   // é
                                           LengthCase{"\xC3\xA9", 655361, IntakeResult::TooLarge}, // é
                                           LengthCase{"\xF0\x9F\x98\x80", 655360, IntakeResult::Loaded}));

// ---- Refusals and run-time errors ---------------------------------------------------------------

class IntakeCountTest : public IntakeTest, public ::testing::WithParamInterface<int> {};

TEST_P(IntakeCountTest, TenNumbersAreNeeded) {
    const int count = GetParam();
    fillOldPaste();
    const IntakeOutcome outcome = paste(joinLines(numberLines(1, count)));
    EXPECT_EQ(state.Data_count, count);
    EXPECT_EQ(data(count), std::to_string(count));
    expectEmptyRows(count + 1, 1, 1);
    expectEmptyRows(1, 2, ResultTable::kRemainderColumn);
    if (count < 10) {
        EXPECT_EQ(outcome.result, IntakeResult::NotEnoughData);
        expectOldSeries();
    } else {
        EXPECT_EQ(outcome.result, IntakeResult::Loaded);
        for (int i = 1; i <= kMaxPoints; ++i) {
            ASSERT_EQ(state.Data_value[i], i <= count ? i : 0.0) << "point " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, IntakeCountTest, ::testing::Values(9, 10, 1500));

// An empty text, one character, or a first line of at most one character with only empty lines after
// it is a run-time error (no rows given); just past those, too little data with the rows as placed.
// Only CR LF is one line end; LF CR, CR CR LF and CR LF LF are two.
using IntakeSmallTextTest = IntakeCaseTest<TextCase>;

TEST_P(IntakeSmallTextTest, IsARunTimeErrorOrTooLittleData) {
    fillOldPaste();
    if (GetParam().rows.empty()) {
        EXPECT_THROW(paste(GetParam().text), RuntimeError);
        expectEmptyRows(1, 1, ResultTable::kRemainderColumn);
        EXPECT_TRUE(progress.marks.empty());
    } else {
        EXPECT_EQ(paste(GetParam().text).result, IntakeResult::NotEnoughData);
        expectRows(GetParam().rows);
    }
    expectOldSeries();
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IntakeSmallTextTest,
    ::testing::Values(TextCase{""}, TextCase{"7"}, TextCase{"\xC3\xA9"}, TextCase{"\n"}, TextCase{"7\r\n"},
                      TextCase{"7\r\r\n\n"}, TextCase{" \r\n\r\n"}, TextCase{std::string(5000, '\n')},
                      TextCase{"77", {"77"}}, TextCase{"2.5\r\n3", {"2.5", "3.0"}}, TextCase{"\r\n7", {"0", "7"}},
                      TextCase{"\xC3\xA9\x37", {"7"}}, TextCase{"no\r\nnumbers\r\nhere\r\n", {"0"}},
                      TextCase{"1\r\n2\n3\r4", {"1", "2", "3", "4"}}, TextCase{"1\n\r2", {"1", "0", "2"}},
                      TextCase{"1\r\r\n2", {"1", "0", "2"}}, TextCase{"1\r\n\n2", {"1", "0", "2"}}));

using IntakeOverflowTest = IntakeCaseTest<TextCase>;

TEST_P(IntakeOverflowTest, NumberBeyondTheRangeOfADoubleIsARunTimeError) {
    fillOldPaste();
    try {
        paste(tenLinesWith({"1", "2", "3", "4", GetParam().text}));
        FAIL() << "no run-time error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), RuntimeError::Kind::Overflow);
    }
    expectOldSeries();
    // The table shows how far the cleaning got.
    EXPECT_EQ(data(4), "4.0000000000000000");
    EXPECT_EQ(data(6), "6");
}

INSTANTIATE_TEST_SUITE_P(Numbers, IntakeOverflowTest,
                         ::testing::Values(TextCase{std::string(309, '9')},
                                           TextCase{"x-" + std::string(320, '2') + ".5"}, TextCase{"1e400"},
                                           TextCase{" -1.5E+400"}));

// ---- Lines --------------------------------------------------------------------------------------

// Empty lines among the numbers and before them are points of value 0; lines without a number after
// the last one are ignored; only the first TAB-separated field of a line counts.
using IntakeRowsTest = IntakeCaseTest<TextCase>;

TEST_P(IntakeRowsTest, ArePlacedLineByLine) {
    ASSERT_EQ(paste(GetParam().text).result, IntakeResult::Loaded);
    expectRows(GetParam().rows);
    for (int i = 1; i <= state.Data_count; ++i) {
        EXPECT_EQ(state.Data_value[i], std::stod(GetParam().rows[i - 1])) << "point " << i;
    }
}

const std::string kOneToTen = joinLines(numberLines(1, 10));

INSTANTIATE_TEST_SUITE_P(
    Texts, IntakeRowsTest,
    ::testing::Values(TextCase{tenLinesWith({"1", "2", "", ""}), {"1", "2", "0", "0", "5", "6", "7", "8", "9", "10"}},
                      TextCase{"\r\n\r\n" + kOneToTen, {"0", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
                      TextCase{kOneToTen + "\r\n\r\n", numberLines(1, 10)},
                      TextCase{kOneToTen + "\r\r\r", numberLines(1, 10)},
                      TextCase{kOneToTen + "Total\r\nn/a\tx\r\n", numberLines(1, 10)},
                      TextCase{kOneToTen + joinLines(std::vector<std::string>(3000, "")), numberLines(1, 10)},
                      TextCase{joinLines({"1\t100\t0.5", "2\t200", "\t300", "4", "5", "6", "7", "8", "9", "10\t0.5"}),
                               {"1", "2", "0", "4", "5", "6", "7", "8", "9", "10"}}));

struct LineEndCase {
    std::vector<std::string> ends;
    bool finalLineEnd;
};

void PrintTo(const LineEndCase& c, std::ostream* os) {
    for (const std::string& end : c.ends) {
        *os << describe(end);
    }
    *os << (c.finalLineEnd ? " with" : " without") << " final line end";
}

// CR LF, a lone LF and a lone CR all end a line, and an unterminated last line is a line: the last
// 1500 lines up to the last non-empty one are kept. Empty lines inside count towards the 1500.
using IntakeLineEndTest = IntakeCaseTest<LineEndCase>;

TEST_P(IntakeLineEndTest, TheLastFifteenHundredLinesAreKept) {
    auto pasteLines = [this](const std::vector<std::string>& lines, const std::string& before = "") {
        ASSERT_EQ(paste(before + joinLines(lines, GetParam().ends, GetParam().finalLineEnd)).result,
                  IntakeResult::Loaded);
        ASSERT_EQ(state.Data_count, 1500);
    };
    pasteLines(numberLines(1, 2000));
    for (int i = 1; i <= kMaxPoints; ++i) {
        ASSERT_EQ(state.Data_value[i], 500.0 + i) << "point " << i;
    }
    // When the 1501st line end counted backwards is the first character, the text after it is placed.
    pasteLines(numberLines(1, 1500), GetParam().ends.front());
    EXPECT_EQ(data(1), "1");
    EXPECT_EQ(state.Data_value[1500], 1500.0);
    pasteLines(numberLines(1, 1499), GetParam().ends.front());
    EXPECT_EQ(data(1), "0");
    EXPECT_EQ(data(1500), "1499");

    std::vector<std::string> lines = numberLines(1, 1000);
    lines.insert(lines.end(), 600, "");
    const std::vector<std::string> tail = numberLines(1001, 1400);
    lines.insert(lines.end(), tail.begin(), tail.end());
    lines.insert(lines.end(), 50, "");
    pasteLines(lines);
    EXPECT_EQ(data(1), "501");
    EXPECT_EQ(data(501), "0");
    EXPECT_EQ(data(1100), "0");
    EXPECT_EQ(data(1101), "1001");
    EXPECT_EQ(data(1500), "1400");
}

INSTANTIATE_TEST_SUITE_P(Conventions, IntakeLineEndTest,
                         ::testing::Values(LineEndCase{{"\r\n"}, true}, LineEndCase{{"\r\n"}, false},
                                           LineEndCase{{"\n"}, true}, LineEndCase{{"\n"}, false},
                                           LineEndCase{{"\r"}, false}, LineEndCase{{"\r\n", "\n", "\r"}, true}));

// ---- Cleaning, caps, decimals -------------------------------------------------------------------

using IntakeCleaningTest = IntakeCaseTest<TextCase>;

// The fifth of ten lines gives the cell shown (rows) and its value; magnitudes from 10^16 on are
// capped at 9999999999999990.
TEST_P(IntakeCleaningTest, KeepsTheNumberWrittenInTheLine) {
    const TextCase& c = GetParam();
    ASSERT_EQ(paste(tenLinesWith({"1", "2", "3", "4", c.text}), c.format).result, IntakeResult::Loaded);
    EXPECT_EQ(data(5), c.rows[0]);
    EXPECT_EQ(state.Data_value[5], std::stod(withPoints(c.rows[0])));
}

// With a decimal comma a point is a character like any other that no number is written with.
INSTANTIATE_TEST_SUITE_P(DecimalComma, IntakeCleaningTest,
                         ::testing::Values(TextCase{"-0,34", {"-0,34"}, kComma},
                                           TextCase{"1.234,5", {"1234,5"}, kComma}, TextCase{"1,5", {"1,5"}, kComma},
                                           TextCase{"1.5", {"15"}, kComma}, TextCase{"1,2,3", {"1,23"}, kComma},
                                           TextCase{",", {"0"}, kComma}, TextCase{"1,5E3", {"1500"}, kComma},
                                           TextCase{"1.5E3", {"153"}, kComma}));

// Only a whole field of the shape of scientific notation is read as one; anything like it is cleaned.
INSTANTIATE_TEST_SUITE_P(LooksScientific, IntakeCleaningTest,
                         ::testing::Values(TextCase{"1e", {"1"}}, TextCase{"e5", {"5"}}, TextCase{"1e5x", {"15"}},
                                           TextCase{"1 e5", {"15"}}, TextCase{"1.2.3e4", {"1.234"}},
                                           TextCase{"1e5.5", {"15.5"}}, TextCase{"--1e5", {"-15"}},
                                           TextCase{".e5", {"0.5"}}, TextCase{"\xC2\xA0\x31\x65\x35", {"15"}}));

INSTANTIATE_TEST_SUITE_P(Examples, IntakeCleaningTest,
                         ::testing::Values(TextCase{"12a3", {"123"}}, TextCase{"1,5", {"15"}},
                                           TextCase{"1e5", {"100000"}}, TextCase{"+7", {"7"}}, TextCase{"5-3", {"53"}},
                                           TextCase{"abc-5", {"-5"}}, TextCase{"5-", {"5"}}, TextCase{"-", {"0"}},
                                           TextCase{".", {"0"}}, TextCase{"1.2.3", {"1.23"}}, TextCase{"-.5", {"-0.5"}},
                                           TextCase{"$1,234.50", {"1234.5"}},
                                           TextCase{"\xE2\x88\x92\x35", {"5"}},     // minus sign U+2212
                                           TextCase{"\xC2\xA0\x38\xC2\xA0", {"8"}}, // no-break spaces
                                           TextCase{"20000000000000000", {"9999999999999990"}},
                                           TextCase{"-30000000000000000", {"-9999999999999990"}},
                                           TextCase{"10000000000000000", {"9999999999999990"}},
                                           TextCase{"9999999999999980", {"9999999999999980"}},
                                           TextCase{"1" + std::string(308, '0'), {"9999999999999990"}}));

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

using IntakeDecimalsTest = IntakeCaseTest<DecimalsCase>;

// The places of the widest point, wherever it stands; whole numbers are centred.
TEST_P(IntakeDecimalsTest, AreTheMostSignificantPlacesOfAnyPoint) {
    const DecimalsCase& c = GetParam();
    ASSERT_EQ(paste(tenLinesWith(c.lines)).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Decimals, c.decimals);
    EXPECT_EQ(table.dataColumnCentred(), c.decimals == 0);
    for (std::size_t k = 0; k < c.cells.size(); ++k) {
        EXPECT_EQ(data(static_cast<int>(k) + 1), c.cells[k]) << "row " << k + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Columns, IntakeDecimalsTest,
                         ::testing::Values(DecimalsCase{{"0.1"}, 1, {"0.1", "2.0"}},
                                           DecimalsCase{{"1", "2.5", "3.25"}, 2, {"1.00", "2.50", "3.25"}},
                                           DecimalsCase{{"3.25", "2.5", "1"}, 2, {"3.25", "2.50", "1.00"}},
                                           DecimalsCase{{"1", "2", "3"}, 0, {"1", "2", "3"}},
                                           DecimalsCase{{"2.50", "7.000"}, 1, {"2.5", "7.0"}},
                                           DecimalsCase{{"0.3333333333333333333"}, 15, {"0.333333333333333"}},
                                           DecimalsCase{{"0.0000000000000001"}, 16, {"0.0000000000000001"}},
                                           DecimalsCase{{"0.00000000000000004"}, 0, {"0"}},
                                           DecimalsCase{
                                               {"2.5", "20000000000000000"}, 1, {"2.5", "9999999999999990.0"}}));

struct ScientificCase {
    std::vector<std::string> lines; // the first lines, whole numbers follow up to ten
    std::vector<std::string> plainLines;
    int decimals;
    NumberFormat format = NumberFormat::DecimalPoint;
};

void PrintTo(const ScientificCase& c, std::ostream* os) {
    for (const std::string& line : c.lines) {
        *os << describe(line) << " ";
    }
    *os << (c.format == kComma ? "with a decimal comma" : "");
}

using IntakeScientificTest = IntakeCaseTest<ScientificCase>;

// A field in scientific notation gives the table, the decimals and the series that the same number
// written out in digits gives.
TEST_P(IntakeScientificTest, CountsAsTheNumberItDenotes) {
    const ScientificCase& c = GetParam();
    ASSERT_EQ(paste(tenLinesWith(c.plainLines), c.format).result, IntakeResult::Loaded);
    const AnalysisState plainState = state;
    const ResultTable plainTable = table;
    ASSERT_EQ(paste(tenLinesWith(c.lines), c.format).result, IntakeResult::Loaded);
    EXPECT_EQ(state.Decimals, c.decimals);
    EXPECT_EQ(plainState.Decimals, c.decimals);
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(data(i), plainTable.text(i, ResultTable::kDataColumn)) << "row " << i;
        EXPECT_EQ(state.Data_value[i], plainState.Data_value[i]) << "point " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, IntakeScientificTest,
    ::testing::Values(
        ScientificCase{{"1.20E+00"}, {"1.20"}, 1}, ScientificCase{{"-1.17E+03"}, {"-1170"}, 0},
        ScientificCase{{"1.5E-05", "2.5"}, {"0.000015", "2.5"}, 6},
        ScientificCase{{"1.5E-17"}, {"0.000000000000000015"}, 0},
        ScientificCase{{"1e5", "5E3", " 5.E3 ", ".5E3", "+2.5e-1"}, {"100000", "5000", "5000", "500", "0.25"}, 2},
        ScientificCase{{"1E16", "-1e300", "1e-400"}, {"10000000000000000", "-1" + std::string(300, '0'), "0"}, 0},
        ScientificCase{{"1,5E-3", "2,5", "5,e1"}, {"0,0015", "2,5", "50"}, 4, kComma}));

// A column written with decimal commas, pasted into a desktop that writes them, loads the numbers
// that the same column with decimal points loads where points are written, and shows the same texts.
TEST_F(IntakeTest, DecimalCommaColumnLoadsAsTheDecimalPointColumn) {
    std::mt19937_64 generator(11);
    for (const int places : {0, 3, 16}) {
        std::vector<std::string> lines;
        for (int n = 0; n < kMaxPoints; ++n) {
            const double value = std::uniform_real_distribution<double>(-5.0, 5.0)(generator);
            char text[40];
            std::snprintf(text, sizeof text, "%.*f", static_cast<int>(generator() % (places + 1)), value);
            lines.push_back(text);
        }
        ASSERT_EQ(paste(joinLines(lines)).result, IntakeResult::Loaded);
        const AnalysisState pointState = state;
        const ResultTable pointTable = table;
        std::transform(lines.begin(), lines.end(), lines.begin(), withCommas);
        ASSERT_EQ(paste(joinLines(lines), kComma).result, IntakeResult::Loaded);
        EXPECT_EQ(state.Decimals, pointState.Decimals);
        EXPECT_EQ(state.Nonpositive_data, pointState.Nonpositive_data);
        for (int i = 1; i <= kMaxPoints; ++i) {
            ASSERT_EQ(state.Data_value[i], pointState.Data_value[i]) << "point " << i;
            ASSERT_EQ(data(i), withCommas(pointTable.text(i, ResultTable::kDataColumn))) << "row " << i;
        }
    }
}

// ---- Widths, signs, what a paste leaves behind --------------------------------------------------

struct SignCase {
    std::string fifthLine;
    RegressionModel model;
    bool nonpositive;
    bool fallBack;
};

void PrintTo(const SignCase& c, std::ostream* os) {
    *os << describe(c.fifthLine) << " model " << modelNumber(c.model);
}

using IntakeSignTest = IntakeCaseTest<SignCase>;

TEST_P(IntakeSignTest, NonpositiveDataRuleOutExponentialAndPower) {
    const SignCase& c = GetParam();
    const IntakeOutcome outcome = paste(tenLinesWith({"1", "2", "3", "4", c.fifthLine}), c.model);
    EXPECT_EQ(outcome.result, IntakeResult::Loaded);
    EXPECT_EQ(state.Nonpositive_data, c.nonpositive);
    EXPECT_EQ(outcome.fellBackToLinear, c.fallBack);
}

INSTANTIATE_TEST_SUITE_P(Models, IntakeSignTest,
                         ::testing::Values(SignCase{"5", RegressionModel::Power, false, false},
                                           SignCase{"0.0000001", RegressionModel::Exponential, false, false},
                                           SignCase{"0", RegressionModel::Exponential, true, true},
                                           SignCase{"-2", RegressionModel::Power, true, true},
                                           SignCase{"", RegressionModel::Power, true, true},
                                           SignCase{"0.00000000000000004", RegressionModel::Exponential, true, true},
                                           SignCase{"-2", RegressionModel::Logarithmic, true, false}));

TEST_F(IntakeTest, ShortPasteAfterALongOneLeavesNoStalePointsAndKeepsHeadings) {
    ASSERT_EQ(paste(joinLines(numberLines(1001, 2500))).result, IntakeResult::Loaded);
    ASSERT_EQ(state.Data_value[1500], 2500.0);
    ASSERT_EQ(paste(joinLines(numberLines(1, 10))).result, IntakeResult::Loaded);
    for (int i = 1; i <= kMaxPoints; ++i) {
        ASSERT_EQ(state.Data_value[i], i <= 10 ? i : 0.0) << "point " << i;
    }
    expectEmptyRows(11, 1, 1);
    EXPECT_EQ(table.text(0, 14), "Remainder");
    EXPECT_EQ(table.text(1500, 0), " 1500");
}

// The strip draws a hairline per mark: every whole unit from 0 to the end of the scan, once, however
// long the lines; then the scan is ended.
TEST(IntakeProgressMarks, EveryUnitIsMarkedOnceAndTheScanEnds) {
    const std::string texts[] = {joinLines(numberLines(100000, 180000), {"\n"}),
                                 std::string(600000, 'x') + "\r\n" + joinLines(numberLines(1, 10)),
                                 joinLines(numberLines(1, 5))};
    for (const std::string& text : texts) {
        AnalysisState state;
        ResultTable table;
        RecordingProgress progress;
        runIntake(text, state, table, RegressionModel::Linear, progress);
        EXPECT_EQ(progress.marksAtFinish, std::vector<std::size_t>{1001u});
        ASSERT_EQ(progress.marks.size(), 1001u);
        for (std::size_t k = 0; k < progress.marks.size(); ++k) {
            ASSERT_EQ(progress.marks[k], static_cast<double>(k));
        }
    }
}

} // namespace
} // namespace vantrel
