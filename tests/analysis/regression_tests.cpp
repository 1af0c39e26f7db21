#include "analysis/regression.h"
#include "views/analysis_views.h"

#include "analysis_test_support.h"

namespace vantrel {
namespace {

using namespace testing_support;

// The fit, the trend and what the user reads of them: the formula line, the columns and the order in
// which a run shows them.

// A series on the model's own curve gives back its coefficients; x counts from 1 (from 0, A would move).
// Worked by hand: x = 1..4, y = 2, 3, 5, 6 give n = 4, Sx = 10, Sy = 16, Sxx = 30, Sxy = 47, so
// B = (4 * 47 - 10 * 16) / (4 * 30 - 10 * 10) = 1.4 and A = (16 - 1.4 * 10) / 4 = 0.5.
TEST(Find_A_B, ExactFitGivesBackTheCoefficientsAndAWorkedExample) {
    auto noisy = stateWith({2, 3, 5, 6});
    Find_A_B(*noisy, RegressionModel::Linear);
    EXPECT_NEAR(noisy->Reg_B, 1.4, 1e-15);
    EXPECT_NEAR(noisy->Reg_A, 0.5, 1e-15);
    // Every model of the table, with a rising and a falling trend: a slope of 0.002 over ln 1 to ln 1500
    // loses about 1e-11 of itself in the sums.
    for (const ModelInfo& info : allModels()) {
        for (const auto& [a, b] : {std::pair{3.0, 0.002}, std::pair{2.5, -0.003}}) {
            std::vector<double> values;
            for (int i = 1; i <= 1500; ++i) {
                values.push_back(trendValue(info.id, a, b, i));
            }
            auto state = stateWith(values);
            Find_A_B(*state, info.id);
            EXPECT_NEAR(state->Reg_A, a, 1e-9 * std::fabs(a)) << info.name;
            EXPECT_NEAR(state->Reg_B, b, 1e-9 * std::fabs(b)) << info.name;
        }
    }
}

// A failed fit leaves the coefficients as they were: the logarithm of a value that is not positive,
// or sums beyond the range of a double. The trend of a value beyond a double is an error, never an
// infinity shown to the user.
TEST(Find_A_B, ErrorLeavesTheCoefficientsAndATrendBeyondADoubleIsAnError) {
    for (const auto& [model, a, b] :
         {std::tuple{RegressionModel::Exponential, 2.0, 0.5}, std::tuple{RegressionModel::Power, 1e300, 10.0},
          std::tuple{RegressionModel::Linear, DBL_MAX, DBL_MAX},
          std::tuple{RegressionModel::Logarithmic, DBL_MAX, DBL_MAX}}) {
        expectRuntimeError("overflow", [&] { trendValue(model, a, b, 1500); });
    }
    for (const auto& [values, model, kind] :
         {std::tuple{std::vector<double>{0.0, 2.0, 2.0}, RegressionModel::Exponential, "invalid argument"},
          std::tuple{std::vector<double>{2.0, 2.0, -1.0}, RegressionModel::Power, "invalid argument"},
          std::tuple{std::vector<double>{DBL_MAX, DBL_MAX, 1.0}, RegressionModel::Linear, "overflow"},
          std::tuple{std::vector<double>{-DBL_MAX, -DBL_MAX, 1.0}, RegressionModel::Logarithmic, "overflow"}}) {
        auto state = stateWith(values);
        std::tie(state->Reg_A, state->Reg_B) = std::pair(11.5, -4.25);
        expectRuntimeError(kind, [&] { Find_A_B(*state, model); });
        EXPECT_EQ(std::pair(state->Reg_A, state->Reg_B), std::pair(11.5, -4.25));
    }
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
    std::tie(state->Reg_A, state->Reg_B) = std::pair(3.0, 0.5);
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
// each wave's column written before its wave is done, down to the last point.
TEST(RunFullAnalysis, FitThenTrendThenOscillationThenWavesAndTheFormulaLine) {
    auto state = stateWith(randomWalk(50, 8));
    auto table = std::make_unique<ResultTable>();
    OrderObserver observer;
    runFullAnalysis(*state, *table, RegressionModel::Linear, observer);
    const std::string formula = regressionFormulaLine(RegressionModel::Linear, state->Reg_A, state->Reg_B);
    std::vector<std::string> expected = {"formula " + formula, "column 2", "column 3", "waves"};
    for (int wave = 1; wave <= 10; ++wave) {
        expected.insert(expected.end(), {"column " + std::to_string(wave + 3), "wave " + std::to_string(wave)});
    }
    expected.push_back("column 14");
    EXPECT_EQ(observer.events, expected);
    EXPECT_EQ(table->text(50, ResultTable::kFirstWaveColumn), formatCell(state->Wave_value[0][50], state->Decimals));
    EXPECT_EQ(table->text(50, ResultTable::kRemainderColumn), formatCell(state->Rem_value[50], state->Decimals));
    // The prefix of the model, then both coefficients as formulas show them; \u00b7 is the middle dot.
    EXPECT_EQ(regressionFormulaLine(RegressionModel::Logarithmic, 1.0 / 3.0, -0.5),
              "    Y = A + B \u00b7 ln X      A = 0.333333333333333   B = -0.5");
    EXPECT_EQ(regressionFormulaLine(RegressionModel::Exponential, 2.0, 0.1, NumberFormat::DecimalComma),
              "    Y = A \u00b7 e ^ (B \u00b7 X)      A = 2,   B = 0,1");
    // Before its first run the window shows zeros with one decimal, in the desktop's format.
    state->format = NumberFormat::DecimalComma;
    fillModelTexts(*state);
    EXPECT_EQ(state->Reg_formula[2], "    Y = A + B \u00b7 ln X      A = 0,0  B = 0,0");
}

} // namespace
} // namespace vantrel
