#include "analysis/regression.h"

#include "analysis_test_support.h"

namespace vantrel {
namespace {

using namespace testing_support;

// A series on the model's own curve gives back its coefficients; x counts from 1 (from 0, A would move).
TEST(Find_A_B, ExactFitGivesBackTheCoefficients) {
    const struct {
        RegressionModel model;
        double a;
        double b;
    } fits[] = {{RegressionModel::Linear, 3.0, 2.0},
                {RegressionModel::Logarithmic, 1.0, 5.0},
                {RegressionModel::Exponential, 2.0, 0.1},
                {RegressionModel::Power, 4.0, 1.5}};
    for (const auto& fit : fits) {
        for (int n : {10, 1500}) {
            std::vector<double> values;
            for (int i = 1; i <= n; ++i) {
                values.push_back(trendValue(fit.model, fit.a, fit.b, i));
            }
            auto state = stateWith(values);
            Find_A_B(*state, fit.model);
            EXPECT_NEAR(state->Reg_A, fit.a, 1e-11 * fit.a) << modelNumber(fit.model) << " n = " << n;
            EXPECT_NEAR(state->Reg_B, fit.b, 1e-11 * fit.b) << modelNumber(fit.model) << " n = " << n;
        }
    }
}

// Worked by hand: x = 1..4, y = 2, 3, 5, 6 give n = 4, Sx = 10, Sy = 16, Sxx = 30, Sxy = 47, so
// B = (4 * 47 - 10 * 16) / (4 * 30 - 10 * 10) = 1.4 and A = (16 - 1.4 * 10) / 4 = 0.5.
TEST(Find_A_B, WorkedExampleOfNoisyData) {
    auto state = stateWith({2, 3, 5, 6});
    Find_A_B(*state, RegressionModel::Linear);
    EXPECT_NEAR(state->Reg_B, 1.4, 1e-15);
    EXPECT_NEAR(state->Reg_A, 0.5, 1e-15);
}

// The trend at point i counts x from 1, as the fit does.
TEST(TrendValue, IsTheModelAtPointI) {
    EXPECT_DOUBLE_EQ(trendValue(RegressionModel::Linear, 0.5, 1.4, 3), 4.7);
    EXPECT_DOUBLE_EQ(trendValue(RegressionModel::Logarithmic, 1, 2, 1), 1);
    EXPECT_DOUBLE_EQ(trendValue(RegressionModel::Exponential, 2, std::log(3.0), 2), 18);
    EXPECT_DOUBLE_EQ(trendValue(RegressionModel::Power, 2, 3, 2), 16);
}

// A failed fit leaves the coefficients as they were: the logarithm of a value that is not positive,
// or sums beyond the range of a double.
TEST(Find_A_B, ErrorLeavesTheCoefficients) {
    const struct {
        std::vector<double> values;
        RegressionModel model;
        const char* kind;
    } cases[] = {{{0.0, 2.0, 2.0}, RegressionModel::Exponential, "invalid argument"},
                 {{2.0, 2.0, -1.0}, RegressionModel::Power, "invalid argument"},
                 {{DBL_MAX, DBL_MAX, 1.0}, RegressionModel::Linear, "overflow"},
                 {{-DBL_MAX, -DBL_MAX, 1.0}, RegressionModel::Logarithmic, "overflow"}};
    for (const auto& c : cases) {
        auto state = stateWith(c.values);
        state->Reg_A = 11.5;
        state->Reg_B = -4.25;
        expectRuntimeError(c.kind, [&] { Find_A_B(*state, c.model); });
        EXPECT_EQ(state->Reg_A, 11.5);
        EXPECT_EQ(state->Reg_B, -4.25);
    }
}

// Never an infinity shown to the user.
TEST(TrendValue, ValueBeyondTheRangeOfADoubleIsAnOverflow) {
    expectRuntimeError("overflow", [] { trendValue(RegressionModel::Exponential, 2.0, 0.5, 1500); });
    expectRuntimeError("overflow", [] { trendValue(RegressionModel::Power, 1e300, 10.0, 1500); });
    expectRuntimeError("overflow", [] { trendValue(RegressionModel::Linear, DBL_MAX, DBL_MAX, 2); });
    expectRuntimeError("overflow", [] { trendValue(RegressionModel::Logarithmic, DBL_MAX, DBL_MAX, 1500); });
}

} // namespace
} // namespace vantrel
