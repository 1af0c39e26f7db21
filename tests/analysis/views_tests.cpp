// The views and the box editing: what the user reads in the table and the boxes.

#include "analysis/regression.h"
#include "analysis/text_rules.h"
#include "views/analysis_views.h"
#include "views/box_editing.h"

#include "analysis_test_support.h"

namespace vantrel {
namespace {

using namespace testing_support;

constexpr NumberFormat kComma = NumberFormat::DecimalComma;

// \u00b7 is the middle dot between factors.
TEST(FormulaLine, PrefixThenBothCoefficients) {
    EXPECT_EQ(regressionFormulaLine(RegressionModel::Linear, 1.0 / 3.0, -0.5),
              "    Y = A + B \u00b7 X      A = 0.333333333333333   B = -0.5");
    EXPECT_EQ(regressionFormulaLine(RegressionModel::Logarithmic, 1.0, 5.0),
              "    Y = A + B \u00b7 ln X      A = 1.   B = 5.");
    EXPECT_EQ(regressionFormulaLine(RegressionModel::Exponential, 2.0, 0.1, kComma),
              "    Y = A \u00b7 e ^ (B \u00b7 X)      A = 2,   B = 0,1");
    EXPECT_EQ(regressionFormulaLine(RegressionModel::Power, 3.0, 0.25),
              "    Y = A \u00b7 X ^ B      A = 3.   B = 0.25");
}

// Row 1 is point 1; the cells show at least five decimals, more when the data has more. A long series
// first, then a short one: nothing of the long one may stay above the short one's end.
TEST(Columns, TrendAndOscillationCellsUpToTheDataCount) {
    auto state = stateWith(std::vector<double>(1500, 2.375));
    auto table = std::make_unique<ResultTable>();
    auto fill = [&](RegressionModel model) {
        fillRegressionColumn(*state, *table, model);
        Display_osc(*state, *table);
    };
    state->Reg_A = 3.0;
    state->Reg_B = 0.5;
    fill(RegressionModel::Linear);
    state->Data_count = 10;
    fill(RegressionModel::Linear);
    EXPECT_EQ(table->text(1, ResultTable::kRegressionColumn), "3.50000");
    EXPECT_EQ(table->text(1, ResultTable::kOscillationColumn), "-1.12500");
    for (int i = 11; i <= kMaxPoints; ++i) {
        ASSERT_TRUE(state->Reg_value[i] == 0 && state->Osc_value[i] == 0 &&
                    table->text(i, ResultTable::kRegressionColumn).empty() &&
                    table->text(i, ResultTable::kOscillationColumn).empty())
            << i;
    }
    EXPECT_FALSE(table->text(10, ResultTable::kOscillationColumn).empty());
    state->Decimals = 8;
    fill(RegressionModel::Logarithmic);
    EXPECT_EQ(table->text(1, ResultTable::kRegressionColumn), "3.00000000");
    EXPECT_EQ(table->text(1, ResultTable::kOscillationColumn), "-0.62500000");
}

// Records what a whole run tells the window, in order.
struct OrderObserver : AnalysisObserver {
    std::string iText(int /*box*/) override { return "8"; }
    std::string dText(int /*box*/) override { return "0.00000"; }
    WaveModes modes() override { return {}; }
    void formulaLine(const std::string& text) override { events.push_back("formula " + text); }
    void columnFilled(int column) override { events.push_back("column " + std::to_string(column)); }
    void wavesStarting() override { events.push_back("waves"); }
    void waveDone(int wave) override { events.push_back("wave " + std::to_string(wave)); }

    std::vector<std::string> events;
};

// The formula line is shown before the table is filled; the columns follow in the order of the run,
// each wave's column written before its wave is done.
TEST(RunFullAnalysis, FitThenTrendThenOscillationThenWaves) {
    auto state = stateWith(randomWalk(50, 8));
    auto table = std::make_unique<ResultTable>();
    OrderObserver observer;
    runFullAnalysis(*state, *table, RegressionModel::Linear, observer);
    std::vector<std::string> expected = {"formula " +
                                             regressionFormulaLine(RegressionModel::Linear, state->Reg_A, state->Reg_B),
                                         "column 2", "column 3", "waves"};
    for (int wave = 1; wave <= 10; ++wave) {
        expected.insert(expected.end(), {"column " + std::to_string(wave + 3), "wave " + std::to_string(wave)});
    }
    expected.push_back("column 14");
    EXPECT_EQ(observer.events, expected);
}

struct BoxCase {
    std::string (*rule)(const std::string&, NumberFormat);
    const char* text;
    const char* result;
    NumberFormat format = NumberFormat::DecimalPoint;
};

class BoxTextTest : public testing::TestWithParam<BoxCase> {};

TEST_P(BoxTextTest, BecomesItsNormalOrBoundedText) {
    EXPECT_EQ(GetParam().rule(GetParam().text, GetParam().format), GetParam().result) << '"' << GetParam().text << '"';
}

// The window tests hold the common cases of leaving a box; these are the edges: halves, the bounds,
// beyond a double (cut to 15 digits, the largest double is written as a number beyond it). Before a
// run only texts beyond the bounds change: an i text of letters is 0, below 1, and becomes "1"; a d
// text of letters is 0, inside its bounds, and stays as typed. With a decimal comma the boxes are
// written with it, and a point ends the number typed.
INSTANTIATE_TEST_SUITE_P(
    Edges, BoxTextTest,
    testing::Values(BoxCase{normaliseIText, "0.5", "1"}, BoxCase{normaliseIText, "2.5", "3"},
                    BoxCase{normaliseIText, "1024.5", "1024"}, BoxCase{normaliseIText, "1e18", "1024"},
                    BoxCase{normaliseIText, "-1e400", "1"}, BoxCase{normaliseIText, "", "1"},
                    BoxCase{normaliseDText, "-1e400", "-99.99999"}, BoxCase{normaliseDText, "99.999995", "99.99999"},
                    BoxCase{normaliseDText, "-0.000001", "-0.00000"}, BoxCase{normaliseDText, "1\t.5", "1.50000"},
                    BoxCase{normaliseDText, "1.7976931348623157e308", "99.99999"},
                    BoxCase{clampITextForRun, "abc", "1"}, BoxCase{clampITextForRun, "12.7", "12.7"},
                    BoxCase{clampITextForRun, "999", "999"}, BoxCase{clampITextForRun, "1000", "999"},
                    BoxCase{clampDTextForRun, "1.5x", "1.5x"}, BoxCase{clampDTextForRun, "150", "99.99999"},
                    BoxCase{clampDTextForRun, "-150", "-99.99999"}, BoxCase{clampDTextForRun, "99.999991", "99.99999"},
                    BoxCase{clampDTextForRun, "-99.999989", "-99.999989"},
                    BoxCase{normaliseDText, "1,5", "1,50000", kComma},
                    BoxCase{normaliseDText, "1.5", "1,00000", kComma}, BoxCase{normaliseDText, "", "0,00000", kComma},
                    BoxCase{normaliseDText, "-1e400", "-99,99999", kComma}, BoxCase{normaliseIText, "2,5", "3", kComma},
                    BoxCase{normaliseIText, "2.5", "2", kComma},
                    BoxCase{clampDTextForRun, "-99,999991", "-99,99999", kComma},
                    BoxCase{clampITextForRun, "1024,5", "999", kComma}));

TEST(BoxTexts, FoundDValuesHaveFiveDecimalsAndANumberBeyondADoubleStopsARun) {
    EXPECT_EQ(dBoxText(-0.000001, kComma), "-0,00000");
    EXPECT_EQ(dBoxText(-2.123456, NumberFormat::DecimalPoint), "-2.12346");
    EXPECT_THROW(clampITextForRun("1e400"), RuntimeError);
    EXPECT_THROW(clampDTextForRun("-1e400"), RuntimeError);
}

} // namespace
} // namespace vantrel
