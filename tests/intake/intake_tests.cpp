#include "intake/intake.h"

#include "analysis/runtime_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace vantrel {
namespace {

constexpr double kMarker = -12345.5;
constexpr NumberFormat kComma = NumberFormat::DecimalComma;

std::vector<std::string> numberLines(int first, int last) {
    std::vector<std::string> lines;
    for (int n = first; n <= last; ++n) {
        lines.push_back(std::to_string(n));
    }
    return lines;
}

// The lines joined with the line end given.
std::string joinLines(const std::vector<std::string>& lines, const std::string& end = "\r\n", bool finalEnd = true) {
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        text += lines[k] + (k + 1 < lines.size() || finalEnd ? end : "");
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
    std::string data(int row) const { return table.text(row, ResultTable::kDataColumn); }

    void expectRows(const std::vector<std::string>& rows) const {
        ASSERT_EQ(state.Data_count, static_cast<int>(rows.size()));
        for (std::size_t k = 0; k < rows.size(); ++k) {
            EXPECT_EQ(data(static_cast<int>(k) + 1), rows[k]) << "row " << k + 1;
        }
        if (rows.size() < kMaxPoints) {
            EXPECT_EQ(data(static_cast<int>(rows.size()) + 1), "");
        }
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

    void expectOldSeriesAndNoResults(int fromColumn) const {
        for (int i = 1; i <= kMaxPoints; ++i) {
            ASSERT_EQ(state.Data_value[i], kMarker + i) << "point " << i;
            for (int c = fromColumn; c < ResultTable::kColumns; ++c) {
                ASSERT_EQ(table.text(i, c), "") << "row " << i << " column " << c;
            }
        }
    }

    AnalysisState state;
    ResultTable table;
    RecordingProgress progress;
};

// A text and the Data cells it must give; no cells: a run-time error.
struct TextCase {
    std::string text;
    std::vector<std::string> rows = {};
    NumberFormat format = NumberFormat::DecimalPoint;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.text.size() << " bytes" << (c.format == kComma ? " with a decimal comma" : "");
}

using IntakeTextTest = IntakeTest;
class IntakeCaseTest : public IntakeTest, public ::testing::WithParamInterface<TextCase> {};

// The limit counts characters, not bytes: ten numbers, the first line padded with a character the
// cleaning drops.
TEST_F(IntakeTextTest, MoreThan655360CharactersAreTooLarge) {
    const std::string rest = "\r\n" + joinLines(numberLines(2, 10));
    const std::pair<std::string, long> cases[] = {
        {" ", 655360}, {" ", 655361}, {"\xC3\xA9", 655360}, {"\xC3\xA9", 655361}};
    for (const auto& [padding, characters] : cases) {
        std::string text = "1";
        for (long k = 0; k < characters - 1 - static_cast<long>(rest.size()); ++k) {
            text += padding;
        }
        fillOldPaste();
        progress.marks.clear();
        const IntakeResult expected = characters > 655360 ? IntakeResult::TooLarge : IntakeResult::Loaded;
        EXPECT_EQ(paste(text + rest).result, expected) << characters;
        if (expected == IntakeResult::TooLarge) {
            expectOldSeriesAndNoResults(1);
            EXPECT_TRUE(progress.marks.empty());
        }
    }
}

TEST_F(IntakeTextTest, TenNumbersAreNeededAndNothingOfAnEarlierSeriesStays) {
    for (const int count : {9, 10, 1500}) {
        fillOldPaste();
        const IntakeResult result = paste(joinLines(numberLines(1, count))).result;
        EXPECT_EQ(result, count < 10 ? IntakeResult::NotEnoughData : IntakeResult::Loaded);
        EXPECT_EQ(state.Data_count, count);
        EXPECT_EQ(data(count), std::to_string(count));
        EXPECT_EQ(table.text(1, ResultTable::kRemainderColumn), "");
        if (count < 10) {
            expectOldSeriesAndNoResults(2);
            continue;
        }
        for (int i = 1; i <= kMaxPoints; ++i) {
            ASSERT_EQ(state.Data_value[i], i <= count ? i : 0.0) << "point " << i;
        }
    }
}

// An empty text, one character, or a first line of at most one character with only empty lines after
// it is a run-time error; just past those, too little data with the rows as placed. Only CR LF is one
// line end; LF CR, CR CR LF and CR LF LF are two.
TEST_P(IntakeCaseTest, SmallTextIsARunTimeErrorOrTooLittleData) {
    fillOldPaste();
    if (GetParam().rows.empty()) {
        EXPECT_THROW(paste(GetParam().text), RuntimeError);
        EXPECT_TRUE(progress.marks.empty());
    } else {
        EXPECT_EQ(paste(GetParam().text).result, IntakeResult::NotEnoughData);
        expectRows(GetParam().rows);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, IntakeCaseTest,
                         ::testing::Values(TextCase{""}, TextCase{"7"}, TextCase{"\xC3\xA9"}, TextCase{"7\r\n"},
                                           TextCase{"7\r\r\n\n"}, TextCase{std::string(5000, '\n')},
                                           TextCase{"77", {"77"}}, TextCase{"2.5\r\n3", {"2.5", "3.0"}},
                                           TextCase{"\r\n7", {"0", "7"}},
                                           TextCase{"1\r\n2\n3\r4", {"1", "2", "3", "4"}},
                                           TextCase{"1\n\r2", {"1", "0", "2"}}, TextCase{"1\r\r\n2", {"1", "0", "2"}},
                                           TextCase{"1\r\n\n2", {"1", "0", "2"}}));

TEST_F(IntakeTextTest, NumberBeyondTheRangeOfADoubleIsARunTimeError) {
    for (const std::string& number : {std::string(309, '9'), std::string("1e400"), std::string(" -1.5E+400")}) {
        fillOldPaste();
        try {
            paste(tenLinesWith({"1", "2", "3", "4", number}));
            ADD_FAILURE() << "no run-time error for " << number;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(std::string(error.what()).rfind("overflow in ", 0), 0u);
        }
        EXPECT_EQ(state.Data_value[5], kMarker + 5);
        // The table shows how far the cleaning got.
        EXPECT_EQ(data(4), "4.0000000000000000");
        EXPECT_EQ(data(6), "6");
    }
}

// Empty lines among and before the numbers are points of value 0; lines without a number after the
// last one are ignored; only the first TAB-separated field counts; of a longer text the last 1500
// lines up to the last non-empty one are kept, CR LF, LF and CR each ending a line.
TEST_F(IntakeTextTest, LinesArePlacedOneByOne) {
    const std::string oneToTen = joinLines(numberLines(1, 10));
    std::vector<std::string> leadingZero = numberLines(0, 1499);
    const TextCase cases[] = {
        {tenLinesWith({"1", "2", "", ""}), {"1", "2", "0", "0", "5", "6", "7", "8", "9", "10"}},
        {"\r\n\r\n" + oneToTen, {"0", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
        {oneToTen + "\r\r\rTotal\r\nn/a\tx\r\n", numberLines(1, 10)},
        {joinLines({"1\t100\t0.5", "2\t200", "\t300", "4", "5", "6", "7", "8", "9", "10\t0.5"}),
         {"1", "2", "0", "4", "5", "6", "7", "8", "9", "10"}},
        {joinLines(numberLines(1, 2000), "\n", false), numberLines(501, 2000)},
        {"\r" + joinLines(numberLines(1, 1500), "\r", false), numberLines(1, 1500)},
        {"\r\n" + joinLines(numberLines(1, 1499)) + "\r\n", leadingZero},
    };
    for (const TextCase& c : cases) {
        ASSERT_EQ(paste(c.text).result, IntakeResult::Loaded) << c.text.substr(0, 20);
        expectRows(c.rows);
        for (int i = 1; i <= state.Data_count; ++i) {
            ASSERT_EQ(state.Data_value[i], std::stod(c.rows[i - 1])) << "point " << i;
        }
    }
}

// The fifth of ten lines gives the cell shown and its value. Only a whole field of the shape of
// scientific notation is read as one; magnitudes from 10^16 on are capped at 9999999999999990; with
// a decimal comma a point is a character like any other that no number is written with.
TEST_F(IntakeTextTest, CleaningKeepsTheNumberWrittenInTheLine) {
    const TextCase cases[] = {
        {"12a3", {"123"}},
        {"1,5", {"15"}},
        {"1e5", {"100000"}},
        {"5-3", {"53"}},
        {"abc-5", {"-5"}},
        {"-", {"0"}},
        {"1.2.3", {"1.23"}},
        {"-.5", {"-0.5"}},
        {"$1,234.50", {"1234.5"}},
        {"\xE2\x88\x92\x35", {"5"}},     // minus sign U+2212
        {"\xC2\xA0\x38\xC2\xA0", {"8"}}, // no-break spaces
        {"20000000000000000", {"9999999999999990"}},
        {"10000000000000000", {"9999999999999990"}},
        {"-10000000000000000", {"-9999999999999990"}},
        {"9999999999999980", {"9999999999999980"}},
        {"1e5x", {"15"}},
        {"e5", {"5"}},
        {"1.2.3e4", {"1.234"}},
        {"--1e5", {"-15"}},
        {"-0,34", {"-0,34"}, kComma},
        {"1.234,5", {"1234,5"}, kComma},
        {"1,2,3", {"1,23"}, kComma},
        {"1,5E3", {"1500"}, kComma},
        {"1.5E3", {"153"}, kComma},
    };
    for (const TextCase& c : cases) {
        ASSERT_EQ(paste(tenLinesWith({"1", "2", "3", "4", c.text}), RegressionModel::Linear, c.format).result,
                  IntakeResult::Loaded);
        EXPECT_EQ(data(5), c.rows[0]) << c.text;
        std::string written = c.rows[0];
        std::replace(written.begin(), written.end(), ',', '.');
        EXPECT_EQ(state.Data_value[5], std::stod(written)) << c.text;
    }
}

// The places of the widest point, wherever it stands; whole numbers are centred. A field in
// scientific notation counts as the number it denotes written out.
TEST_F(IntakeTextTest, DecimalsAreTheMostSignificantPlacesOfAnyPoint) {
    const struct {
        std::vector<std::string> lines;
        int decimals;
        std::vector<std::string> cells;
    } cases[] = {
        {{"1", "2.5", "3.25"}, 2, {"1.00", "2.50", "3.25"}},
        {{"3.25", "2.5", "1"}, 2, {"3.25", "2.50", "1.00"}},
        {{"1", "2", "3"}, 0, {"1", "2", "3"}},
        {{"2.50", "7.000"}, 1, {"2.5", "7.0"}},
        {{"0.3333333333333333333"}, 15, {"0.333333333333333"}},
        {{"0.0000000000000001"}, 16, {"0.0000000000000001"}},
        {{"0.00000000000000004"}, 0, {"0"}},
        {{"1.20E+00"}, 1, {"1.2"}},
        {{"-1.17E+03", "1.5E-05"}, 6, {"-1170.000000", "0.000015"}},
        {{"1.5E-17"}, 0, {"0"}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(paste(tenLinesWith(c.lines)).result, IntakeResult::Loaded);
        EXPECT_EQ(state.Decimals, c.decimals) << c.lines[0];
        EXPECT_EQ(table.dataColumnCentred(), c.decimals == 0) << c.lines[0];
        for (std::size_t k = 0; k < c.cells.size(); ++k) {
            EXPECT_EQ(data(static_cast<int>(k) + 1), c.cells[k]) << c.lines[0];
        }
    }
}

TEST_F(IntakeTextTest, NonpositiveDataRuleOutExponentialAndPower) {
    const struct {
        std::string fifthLine;
        RegressionModel model;
        bool nonpositive;
        bool fallBack;
    } cases[] = {{"5", RegressionModel::Power, false, false},
                 {"0.0000001", RegressionModel::Exponential, false, false},
                 {"0", RegressionModel::Exponential, true, true},
                 {"", RegressionModel::Power, true, true},
                 {"0.00000000000000004", RegressionModel::Exponential, true, true},
                 {"-2", RegressionModel::Logarithmic, true, false}};
    for (const auto& c : cases) {
        const IntakeOutcome outcome = paste(tenLinesWith({"1", "2", "3", "4", c.fifthLine}), c.model);
        EXPECT_EQ(outcome.result, IntakeResult::Loaded);
        EXPECT_EQ(state.Nonpositive_data, c.nonpositive) << c.fifthLine;
        EXPECT_EQ(outcome.fellBackToLinear, c.fallBack) << c.fifthLine;
    }
}

// The strip draws a hairline per mark: every whole unit from 0 to the end of the scan, once, however
// long the lines; then the scan is ended.
TEST_F(IntakeTextTest, EveryProgressUnitIsMarkedOnceAndTheScanEnds) {
    paste(std::string(600000, 'x') + "\r\n" + joinLines(numberLines(1, 10)));
    EXPECT_EQ(progress.marksAtFinish, std::vector<std::size_t>{1001u});
    ASSERT_EQ(progress.marks.size(), 1001u);
    for (std::size_t k = 0; k < progress.marks.size(); ++k) {
        ASSERT_EQ(progress.marks[k], static_cast<double>(k));
    }
}

} // namespace
} // namespace vantrel
