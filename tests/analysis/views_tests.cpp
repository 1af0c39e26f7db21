// The views, the box editing and the clipboard text: what the user reads in the table and the boxes.

#include "analysis/regression.h"
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"
#include "export/clip_text.h"
#include "views/analysis_views.h"
#include "views/box_editing.h"

#include "analysis_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace vantrel {
namespace {

using testing_support::randomWalk;
using testing_support::stateWith;

struct FormulaCase {
    RegressionModel model;
    double a;
    double b;
    const char* line;
};

void PrintTo(const FormulaCase& c, std::ostream* out) {
    *out << "model " << modelIndex(c.model) << " A " << c.a << " B " << c.b;
}

class FormulaLineTest : public testing::TestWithParam<FormulaCase> {};

TEST_P(FormulaLineTest, PrefixThenBothCoefficients) {
    const FormulaCase& c = GetParam();
    EXPECT_EQ(regressionFormulaLine(c.model, c.a, c.b), c.line);
}

// \u00b7 is the middle dot between factors.
INSTANTIATE_TEST_SUITE_P(
    Models, FormulaLineTest,
    testing::Values(
        FormulaCase{RegressionModel::Linear, 1.25, -0.5, "    Y = A + B \u00b7 X      A = 1.25   B = -0.5"},
        FormulaCase{RegressionModel::Logarithmic, 1.0, 5.0, "    Y = A + B \u00b7 ln X      A = 1.   B = 5."},
        FormulaCase{RegressionModel::Exponential, 2.0, 0.1, "    Y = A \u00b7 e ^ (B \u00b7 X)      A = 2.   B = 0.1"},
        FormulaCase{RegressionModel::Power, 3.0, 0.25, "    Y = A \u00b7 X ^ B      A = 3.   B = 0.25"},
        FormulaCase{RegressionModel::Linear, 1.0 / 3.0, -2.0 / 3.0,
                    "    Y = A + B \u00b7 X      A = 0.333333333333333   B = -0.666666666666667"}));

// Counted in characters, the middle dot being one.
TEST(FormulaLine, PrefixLengths) {
    auto characters = [](const std::string& text) {
        size_t count = 0;
        for (unsigned char c : text) {
            count += (c & 0xC0) != 0x80;
        }
        return count;
    };
    auto prefixLength = [&](RegressionModel model) {
        const std::string line = regressionFormulaLine(model, 7.0, 8.0);
        return characters(line.substr(0, line.find("A = ") + 4));
    };
    EXPECT_EQ(prefixLength(RegressionModel::Linear), 27u);
    EXPECT_EQ(prefixLength(RegressionModel::Logarithmic), 30u);
    EXPECT_EQ(prefixLength(RegressionModel::Exponential), 33u);
    EXPECT_EQ(prefixLength(RegressionModel::Power), 27u);
}

struct ColumnsFixture : public testing::Test {
    std::unique_ptr<ResultTable> table = std::make_unique<ResultTable>();
};

// A long series first, then a short one: nothing of the long one may stay above the short one's end.
TEST_F(ColumnsFixture, RowsAboveTheDataCountAreEmptyAndZero) {
    auto state = stateWith(randomWalk(1500, 4));
    Find_A_B(*state, RegressionModel::Linear);
    fillRegressionColumn(*state, *table, RegressionModel::Linear);
    Display_osc(*state, *table);

    const std::vector<double> shortSeries = randomWalk(10, 5);
    state->Data_count = 10;
    for (int i = 1; i <= kMaxPoints; ++i) {
        state->Data_value[i] = i <= 10 ? shortSeries[i - 1] : 0.0;
    }
    Find_A_B(*state, RegressionModel::Linear);
    fillRegressionColumn(*state, *table, RegressionModel::Linear);
    Display_osc(*state, *table);
    for (int i = 11; i <= kMaxPoints; ++i) {
        ASSERT_EQ(state->Reg_value[i], 0.0) << i;
        ASSERT_EQ(state->Osc_value[i], 0.0) << i;
        ASSERT_TRUE(table->text(i, ResultTable::kRegressionColumn).empty()) << i;
        ASSERT_TRUE(table->text(i, ResultTable::kOscillationColumn).empty()) << i;
    }
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(state->Reg_value[i], state->Reg_A + state->Reg_B * i);
        EXPECT_EQ(state->Osc_value[i], state->Data_value[i] - state->Reg_value[i]);
        EXPECT_EQ(table->text(i, ResultTable::kRegressionColumn), formatCell(state->Reg_value[i], 0));
        EXPECT_EQ(table->text(i, ResultTable::kOscillationColumn), formatCell(state->Osc_value[i], 0));
    }
}

TEST_F(ColumnsFixture, FirstRowIsPointOne) {
    auto state = stateWith(std::vector<double>(10, 1.0));
    state->Reg_A = 3.0;
    state->Reg_B = 0.5;
    fillRegressionColumn(*state, *table, RegressionModel::Linear);
    EXPECT_EQ(table->text(1, ResultTable::kRegressionColumn), "3.50000");
    for (RegressionModel model : {RegressionModel::Logarithmic, RegressionModel::Power}) {
        fillRegressionColumn(*state, *table, model);
        EXPECT_EQ(table->text(1, ResultTable::kRegressionColumn), "3.00000");
    }
}

TEST_F(ColumnsFixture, AtLeastFiveDecimals) {
    auto state = stateWith(std::vector<double>(10, 2.375));
    state->Reg_A = 2.5;
    state->Reg_B = 0.0;
    for (int decimals = 0; decimals <= 5; ++decimals) {
        state->Decimals = static_cast<uint8_t>(decimals);
        fillRegressionColumn(*state, *table, RegressionModel::Linear);
        Display_osc(*state, *table);
        EXPECT_EQ(table->text(4, ResultTable::kRegressionColumn), "2.50000") << decimals;
        EXPECT_EQ(table->text(4, ResultTable::kOscillationColumn), "-0.12500") << decimals;
    }
    state->Decimals = 8;
    fillRegressionColumn(*state, *table, RegressionModel::Linear);
    Display_osc(*state, *table);
    EXPECT_EQ(table->text(4, ResultTable::kRegressionColumn), "2.50000000");
    EXPECT_EQ(table->text(4, ResultTable::kOscillationColumn), "-0.12500000");
}

// A trend beyond the range of a double stops the column at that row.
TEST_F(ColumnsFixture, OverflowingTrendStopsAtItsRow) {
    auto state = stateWith(std::vector<double>(20, 1.0));
    state->Reg_A = 1.0;
    state->Reg_B = 700.0 / 10.5; // e^(B i) passes the range of a double at i = 11
    EXPECT_THROW(fillRegressionColumn(*state, *table, RegressionModel::Exponential), RuntimeError);
    EXPECT_FALSE(table->text(10, ResultTable::kRegressionColumn).empty());
    EXPECT_TRUE(table->text(11, ResultTable::kRegressionColumn).empty());
}

// Records what a whole run tells the window, in order.
class OrderObserver : public AnalysisObserver {
public:
    std::vector<std::string> m_events;

    WaveModes modes() override { return {true, true}; }
    std::string iText(int /*box*/) override { return "8"; }
    std::string dText(int /*box*/) override { return "0.00000"; }
    void formulaLine(const std::string& text) override { m_events.push_back("formula " + text); }
    void columnFilled(int column) override { m_events.push_back("column " + std::to_string(column)); }
    void wavesStarting() override { m_events.push_back("waves"); }
    void waveDone(int wave) override { m_events.push_back("wave " + std::to_string(wave)); }
};

// The formula line is shown before the table is filled; the columns follow in the order of the run.
TEST(RunFullAnalysis, FitThenTrendThenOscillationThenWaves) {
    std::vector<double> values;
    for (int i = 1; i <= 50; ++i) {
        values.push_back(3.0 + 2.0 * i + (i % 2 == 0 ? 0.5 : -0.5));
    }
    auto state = stateWith(values);
    auto table = std::make_unique<ResultTable>();
    OrderObserver observer;
    runFullAnalysis(*state, *table, RegressionModel::Linear, observer);
    std::vector<std::string> expected = {"formula " +
                                             regressionFormulaLine(RegressionModel::Linear, state->Reg_A, state->Reg_B),
                                         "column 2", "column 3", "waves"};
    for (int wave = 1; wave <= 10; ++wave) {
        expected.push_back("wave " + std::to_string(wave));
    }
    expected.push_back("column 14");
    EXPECT_EQ(observer.m_events, expected);
    EXPECT_NEAR(state->Reg_B, 2.0, 1e-2);
    EXPECT_FALSE(table->text(50, ResultTable::kRemainderColumn).empty());
}

struct NormaliseCase {
    const char* text;
    const char* normalised;
};

void PrintTo(const NormaliseCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class NormaliseITest : public testing::TestWithParam<NormaliseCase> {};
class NormaliseDTest : public testing::TestWithParam<NormaliseCase> {};

TEST_P(NormaliseITest, WholeNumberFromOneTo1024) {
    EXPECT_EQ(normaliseIText(GetParam().text), GetParam().normalised) << GetParam().text;
}

TEST_P(NormaliseDTest, FiveDecimalsWithinTheBounds) {
    EXPECT_EQ(normaliseDText(GetParam().text), GetParam().normalised) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, NormaliseITest,
                         testing::Values(NormaliseCase{"12.3", "12"}, NormaliseCase{"0", "1"}, NormaliseCase{"-5", "1"},
                                         NormaliseCase{"2000", "1024"}, NormaliseCase{"abc", "1"},
                                         NormaliseCase{"0012", "12"}, NormaliseCase{"0.4", "1"},
                                         NormaliseCase{"0.5", "1"}, NormaliseCase{"2.5", "3"}, NormaliseCase{"8", "8"},
                                         NormaliseCase{" 7 ", "7"}, NormaliseCase{"1024", "1024"},
                                         NormaliseCase{"1024.4", "1024"}, NormaliseCase{"1024.5", "1024"},
                                         NormaliseCase{"1e18", "1024"}, NormaliseCase{"1e400", "1024"},
                                         NormaliseCase{"-1e400", "1"}, NormaliseCase{"", "1"}));

INSTANTIATE_TEST_SUITE_P(Texts, NormaliseDTest,
                         testing::Values(NormaliseCase{"5", "5.00000"}, NormaliseCase{"1.234567", "1.23457"},
                                         NormaliseCase{"-150", "-99.99999"}, NormaliseCase{"abc", "0.00000"},
                                         NormaliseCase{"1e3", "99.99999"}, NormaliseCase{"1e400", "99.99999"},
                                         NormaliseCase{"-1e400", "-99.99999"}, NormaliseCase{"99.999994", "99.99999"},
                                         NormaliseCase{"99.999995", "99.99999"},
                                         NormaliseCase{"-99.999995", "-99.99999"},
                                         NormaliseCase{"-99.999994", "-99.99999"}, NormaliseCase{"0.00000", "0.00000"},
                                         NormaliseCase{"-0.000001", "-0.00000"}, NormaliseCase{"  -2 .5", "-2.50000"},
                                         // Cut to 15 digits, the largest double is written as a number beyond it.
                                         NormaliseCase{"1.7976931348623157e308", "99.99999"},
                                         NormaliseCase{"-1.7976931348623157e308", "-99.99999"}));

struct ClampCase {
    const char* text;
    const char* clamped;
};

void PrintTo(const ClampCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

// An i text of letters has the value 0, below the bound 1, and becomes "1"; a d text of letters is 0,
// inside its bounds, and stays as typed.
class ClampForRunTest : public testing::TestWithParam<std::pair<bool, ClampCase>> {};

TEST_P(ClampForRunTest, OnlyTextsBeyondTheBoundsChange) {
    const bool iBox = GetParam().first;
    const ClampCase& c = GetParam().second;
    EXPECT_EQ(iBox ? clampITextForRun(c.text) : clampDTextForRun(c.text), c.clamped) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ClampForRunTest,
    testing::Values(std::make_pair(true, ClampCase{"abc", "1"}), std::make_pair(true, ClampCase{"8", "8"}),
                    std::make_pair(true, ClampCase{"12.7", "12.7"}), std::make_pair(true, ClampCase{"999", "999"}),
                    std::make_pair(true, ClampCase{"1000", "999"}), std::make_pair(true, ClampCase{"1024", "999"}),
                    std::make_pair(true, ClampCase{"0", "1"}), std::make_pair(true, ClampCase{"0.5", "1"}),
                    std::make_pair(true, ClampCase{"1", "1"}), std::make_pair(false, ClampCase{"abc", "abc"}),
                    std::make_pair(false, ClampCase{"1.5x", "1.5x"}), std::make_pair(false, ClampCase{"0", "0"}),
                    std::make_pair(false, ClampCase{"150", "99.99999"}),
                    std::make_pair(false, ClampCase{"-150", "-99.99999"}),
                    std::make_pair(false, ClampCase{"99.999991", "99.99999"}),
                    std::make_pair(false, ClampCase{"99.99999", "99.99999"}),
                    std::make_pair(false, ClampCase{"-99.999989", "-99.999989"})));

TEST(ClampForRun, NumberBeyondTheRangeOfADoubleIsAnError) {
    EXPECT_THROW(clampITextForRun("1e400"), RuntimeError);
    EXPECT_THROW(clampDTextForRun("-1e400"), RuntimeError);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator)) {
        parts.push_back(part);
    }
    if (!text.empty() && text.back() == separator) {
        parts.emplace_back();
    }
    return parts;
}

TEST(ClipText, StartUpTableIsTheHeadingAnd1500NumberedEmptyRows) {
    auto table = std::make_unique<ResultTable>();
    const std::string text = tableClipText(*table);
    const std::vector<std::string> lines = split(text, '\r');
    ASSERT_EQ(lines.size(), 1501u);
    EXPECT_EQ(lines[0], "Index\tData\tRegression\tOscillation\tWave 1\tWave 2\tWave 3\tWave 4\tWave 5\tWave 6\t"
                        "Wave 7\tWave 8\tWave 9\tWave 10\tRemainder");
    for (int r = 1; r <= 1500; ++r) {
        ASSERT_EQ(lines[r], " " + std::to_string(r) + std::string(14, '\t')) << r;
    }
    EXPECT_EQ(text.find('\n'), std::string::npos);
}

TEST(ClipText, CellsAsShown) {
    auto table = std::make_unique<ResultTable>();
    table->setText(1, ResultTable::kDataColumn, "1.5");
    table->setText(1, ResultTable::kRemainderColumn, "-0.12500");
    table->setText(1500, ResultTable::kRegressionColumn, "2.50000");
    const std::vector<std::string> lines = split(tableClipText(*table), '\r');
    ASSERT_EQ(lines.size(), 1501u);
    EXPECT_EQ(lines[1], " 1\t1.5" + std::string(13, '\t') + "-0.12500");
    EXPECT_EQ(lines[1500], " 1500\t\t2.50000" + std::string(12, '\t'));
}

} // namespace
} // namespace vantrel
