#include "intake/intake.h"
#include "intake/messages.h"
#include "intake/paste_run.h"
#include "intake/pasted_text.h"

#include "analysis/runtime_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace vantrel {
namespace {

constexpr NumberFormat kComma = NumberFormat::DecimalComma;
constexpr double kMarker = -12345.5;

std::string numberLines(int first, int last, const std::string& end = "\r\n") {
    std::string text;
    for (int n = first; n <= last; ++n) {
        text += std::to_string(n) + end;
    }
    return text;
}

// The given CR LF lines, then nine more of whole numbers: enough points.
std::string padded(const std::string& first) {
    return first + "\r\n" + numberLines(1, 9);
}

// Exponential is checked in every paste: non-positive data must make it fall back to Linear. The
// fixture records the scan's progress.
class IntakeTest : public ::testing::Test, public IntakeProgress {
protected:
    void scanMark(double x) override { marks.push_back(x); }
    void scanFinished() override { ++finished; }
    IntakeResult paste(const std::string& text, NumberFormat format = NumberFormat::DecimalPoint) {
        const IntakeOutcome outcome = runIntake(text, state, table, RegressionModel::Exponential, *this, format);
        EXPECT_EQ(outcome.fellBackToLinear, state.Nonpositive_data);
        return outcome.result;
    }
    std::string data(int row) const { return table.text(row, ResultTable::kDataColumn); }
    // The Data cells from the first up to as many as `expected` lists, joined like it by '|'.
    std::string cellsLike(const std::string& expected) const {
        std::string cells = data(1);
        for (int row = 2; row <= 1 + static_cast<int>(std::count(expected.begin(), expected.end(), '|')); ++row) {
            cells += "|" + data(row);
        }
        return cells;
    }

    AnalysisState state;
    ResultTable table;
    std::vector<double> marks;
    int finished = 0;
};

// Of a longer text the last 1500 lines up to the last non-empty one are kept, CR LF, LF and CR each
// ending a line; empty lines are points of value 0; only the first TAB-separated field counts. The
// cleaning keeps what a number is written with; a whole field in scientific notation is read as one;
// magnitudes from 10^16 on are capped. The decimals are the most significant places of any point.
TEST_F(IntakeTest, TextsArePlacedCleanedAndWrittenWithTheWidestPlaces) {
    constexpr NumberFormat kPoint = NumberFormat::DecimalPoint;
    // The text, its first Data cells joined by '|', the number of points and the format.
    const std::tuple<std::string, std::string, int, NumberFormat> cases[] = {
        {numberLines(1, 2000, "\n"), "501|502", 1500, kPoint},
        {"\r" + numberLines(1, 1500, "\r"), "1|2", 1500, kPoint},
        {"\r\n" + numberLines(1, 1499), "0|1", 1500, kPoint},
        {"1\n\r2\r\r\n3\r\n\n4\r5\n6\r\n" + numberLines(7, 10), "1|0|2|0|3|0|4|5|6|7", 13, kPoint},
        {numberLines(1, 10) + "\r\r\rTotal\r\nn/a\tx\r\n", "1|2", 10, kPoint},
        {padded("1\t100\t0.5\r\n\r\n\t300"), "1|0|0|1", 12, kPoint},
        {padded("12a3"), "123", 10, kPoint},
        {padded("1e5"), "100000", 10, kPoint},
        {padded("abc-5"), "-5", 10, kPoint},
        {padded("0"), "0", 10, kPoint},
        {padded("1.2.3"), "1.23", 10, kPoint},
        {padded("$1,234.50"), "1234.5", 10, kPoint},
        {padded("\xE2\x88\x92\x35"), "5", 10, kPoint}, // minus sign U+2212
        {padded("10000000000000000"), "9999999999999990", 10, kPoint},
        {padded("-10000000000000000"), "-9999999999999990", 10, kPoint},
        {padded("9999999999999980"), "9999999999999980", 10, kPoint},
        {padded("1e5x"), "15", 10, kPoint},
        {padded("e5"), "5", 10, kPoint},
        {padded("1.2.3e4"), "1.234", 10, kPoint},
        {padded("--1e5"), "-15", 10, kPoint},
        {padded("1.234,5"), "1234,5", 10, kComma},
        {padded("1,2,3"), "1,23", 10, kComma},
        {padded("1,5E3"), "1500", 10, kComma},
        {padded(" 1.5E3 "), "1500", 10, kPoint},
        {padded("1.5E3"), "153", 10, kComma},
        {padded("3.25\r\n2.5\r\n1"), "3.25|2.50|1.00", 12, kPoint},
        {padded("2.50\r\n7.000"), "2.5|7.0", 11, kPoint},
        {padded("0.3333333333333333333"), "0.333333333333333", 10, kPoint},
        {padded("0.0000000000000001"), "0.0000000000000001", 10, kPoint},
        {padded("0.00000000000000004"), "0", 10, kPoint},
        {padded("-1.17E+03\r\n1.5E-05"), "-1170.000000|0.000015", 11, kPoint},
    };
    for (const auto& [text, cells, count, format] : cases) {
        marks.clear();
        ASSERT_EQ(paste(text, format), IntakeResult::Loaded) << cells;
        // Every whole unit of the strip once, also when the scan stops at the 1500th line.
        EXPECT_TRUE(marks.size() == 1001 && marks.back() == 1000) << cells;
        EXPECT_EQ(cellsLike(cells), cells);
        ASSERT_EQ(state.Data_count, count) << cells;
        const std::size_t separator = data(1).find(decimalSeparator(format));
        EXPECT_EQ(state.Decimals, separator == std::string::npos ? 0 : data(1).size() - separator - 1) << cells;
        EXPECT_EQ(table.dataColumnCentred(), state.Decimals == 0) << cells;
        for (int i = 1; i <= kMaxPoints; ++i) {
            ASSERT_EQ(state.Data_value[i], i <= count ? valueOfText(data(i), format) : 0.0) << cells << i;
        }
        const auto first = state.Data_value.begin() + 1;
        EXPECT_EQ(state.Nonpositive_data, std::any_of(first, first + count, [](double v) { return v <= 0; })) << cells;
    }
    EXPECT_EQ(finished, static_cast<int>(std::size(cases)));
    // Columns 1 to 14 take 96 twips a character of the longest Data text ("-1170.000000"), never less
    // than 1000; the row numbers' column keeps its 1000.
    for (const auto& [text, twips] : {std::pair{numberLines(1, 10), 1000}, {padded("-1.17E+03\r\n1.5E-05"), 1152}}) {
        ASSERT_EQ(paste(text), IntakeResult::Loaded);
        for (int c = 0; c < ResultTable::kColumns; ++c) {
            EXPECT_EQ(table.columnWidthTwips(c), c == 0 ? 1000 : twips) << c;
        }
    }
    // The empty text is scanned at once: its strip runs to the end, as a non-empty one's does.
    marks.clear();
    EXPECT_EQ(keptLines("", *this), "");
    EXPECT_TRUE(marks.size() == 1001 && marks.back() == 1000) << marks.size();
}

// The limit counts characters, not bytes, and a malformed UTF-8 byte is a character of its own. An
// empty text or a first line of at most one character with only line ends after it, or a number
// beyond a double, is a run-time error; only CR LF is one line end. Nothing of the earlier results
// stays, and the earlier series itself is kept.
TEST_F(IntakeTest, ShortLongAndBrokenTextsAreRefusedOrAnErrorAndKeepTheEarlierSeries) {
    std::string twoBytes;
    std::string fourBytes;
    for (int k = 0; k < kMaxClipboardCharacters; ++k) {
        twoBytes += "\xC3\xA9";
        fourBytes += "\xF0\x9F\x98\x80";
    }
    // The text, the result (none for a run-time error) and, of too little data, the Data cells.
    const std::tuple<std::string, std::optional<IntakeResult>, std::string> cases[] = {
        {"7" + std::string(655357, ' ') + "\r\n", IntakeResult::NotEnoughData, "7"},
        {"7" + std::string(655358, ' ') + "\r\n", IntakeResult::TooLarge, ""},
        // 655360 characters with the line end, then one more.
        {"7" + twoBytes.substr(2 * 3) + "\r\n", IntakeResult::NotEnoughData, "7"},
        {"7" + twoBytes.substr(2 * 2) + "\r\n", IntakeResult::TooLarge, ""},
        {fourBytes, IntakeResult::NotEnoughData, "0"},
        {"", std::nullopt, ""},
        {"7\r\r\n\n", std::nullopt, ""},
        {std::string(5000, '\n'), std::nullopt, ""},
        {padded("1e400"), std::nullopt, ""},
        {padded(std::string(309, '9')), std::nullopt, ""},
        {"7\r\n\r\n8", IntakeResult::NotEnoughData, "7|0|8"},
        {"\r\n7", IntakeResult::NotEnoughData, "0|7"},
        {numberLines(1, 9), IntakeResult::NotEnoughData, "1|2|3|4|5|6|7|8|9"},
        // One character each, or bytes that start no well-formed sequence.
        {"\xC2\x80", std::nullopt, ""},
        {"\xE0\xA0\x80", std::nullopt, ""},
        {"\xF0\x90\x80\x80", std::nullopt, ""},
        {"\xF4\x8F\xBF\xBF", std::nullopt, ""},
        {"\xC1\xBF", IntakeResult::NotEnoughData, "0"},
        {"\xE0\x9F\xBF", IntakeResult::NotEnoughData, "0"},
        {"\xED\xA0\x80", IntakeResult::NotEnoughData, "0"},
        {"\xF0\x8F\xBF\xBF", IntakeResult::NotEnoughData, "0"},
        {"\xF4\x90\x80\x80", IntakeResult::NotEnoughData, "0"},
        {"\xF5\x80\x80\x80", IntakeResult::NotEnoughData, "0"},
        {"\xE2\x82\x28", IntakeResult::NotEnoughData, "0"},
    };
    for (const auto& [text, result, cells] : cases) {
        std::fill(state.Data_value.begin(), state.Data_value.end(), kMarker);
        table.setText(1, ResultTable::kRemainderColumn, "old");
        marks.clear();
        const std::string shown = text.substr(0, 12);
        if (!result) {
            EXPECT_THROW(paste(text), RuntimeError) << shown;
        } else {
            EXPECT_EQ(paste(text), *result) << shown;
            EXPECT_EQ(cellsLike(cells), cells) << shown;
            EXPECT_TRUE(cells.empty() || state.Data_count == 1 + std::count(cells.begin(), cells.end(), '|')) << shown;
            EXPECT_EQ(marks.empty(), result == IntakeResult::TooLarge) << shown;
        }
        EXPECT_EQ(table.text(1, ResultTable::kRemainderColumn), "") << shown;
        EXPECT_EQ(state.Data_value[1], kMarker) << shown;
        EXPECT_EQ(state.Data_value[kMaxPoints], kMarker) << shown;
    }
}

// Boxes as a comma desktop's window holds them before a Paste; what the run writes back into them, and
// what it says of the data's sign: whether the check fell back to Linear, whether data is <= 0.
struct CommaBoxes final : PasteObserver {
    WaveModes modes() override { return {false, false}; }
    std::string iText(int box) override { return box == 0 ? "999,5" : "2"; }
    std::string dText(int box) override { return box == 0 ? "150,5" : "0,5"; }
    void setBoxText(BoxKind kind, int box, const std::string& text) override {
        written += (kind == BoxKind::D ? "d" : "i") + std::to_string(box) + "=" + text + " ";
    }
    void signChecked(bool fellBack, bool nonpositive) override {
        written += "sign " + std::to_string(fellBack) + std::to_string(nonpositive);
    }
    std::string written;
};

// The run brings the box texts into bounds as the boxes read them: "999,5" is beyond 999 in a comma
// desktop. Data at or below zero is reported whatever the model; only a log-of-data model falls back.
TEST(PasteRun, BringsBoxTextsIntoBoundsInTheDesktopsFormatAndReportsTheSign) {
    AnalysisState state;
    state.format = kComma;
    ResultTable table;
    for (const auto& [model, first, sign] :
         {std::tuple{RegressionModel::Linear, "1", "00"}, std::tuple{RegressionModel::Linear, "-1", "01"},
          std::tuple{RegressionModel::Power, "0", "11"}}) {
        CommaBoxes boxes;
        ASSERT_EQ(runPaste(padded(first), model, state, table, boxes).result, PasteResult::Loaded);
        EXPECT_EQ(boxes.written, std::string("d0=99,99999 i0=999 sign ") + sign);
    }
}

// A failure message starts with the joke drawn, numbered from 1, then a blank line and the reason.
TEST(FailureMessage, JokeThenABlankLineThenTheReason) {
    EXPECT_EQ(failureMessage(jokeNumber(0.0), "R"), "Hey! Quit breaking me!\r\n\r\nR");
    EXPECT_EQ(failureMessage(jokeNumber(0.999), "R"), "It ain't gonna happen.\r\n\r\nR");
    EXPECT_EQ(failureMessage(jokeNumber(1.0), "R"), "It ain't gonna happen.\r\n\r\nR");
}

} // namespace
} // namespace vantrel
