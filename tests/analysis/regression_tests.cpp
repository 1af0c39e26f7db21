#include "analysis/regression.h"

#include "analysis_test_support.h"

#include <cfloat>
#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace vantrel {
namespace {

using testing_support::expectRuntimeError;
using testing_support::stateWith;

std::vector<double> curve(int n, const std::function<double(int)>& y) {
    std::vector<double> values;
    for (int i = 1; i <= n; ++i) {
        values.push_back(y(i));
    }
    return values;
}

struct ExactFit {
    const char* name;
    RegressionModel model;
    double a;
    double b;
    std::function<double(int)> y;
};

void PrintTo(const ExactFit& fit, std::ostream* os) {
    *os << fit.name;
}

class ExactFitTest : public testing::TestWithParam<ExactFit> {};

// A series on the model's own curve gives back its coefficients; x counts from 1 (from 0, A would move).
TEST_P(ExactFitTest, GivesBackTheCoefficients) {
    const ExactFit& fit = GetParam();
    for (int n : {10, 1500}) {
        auto state = stateWith(curve(n, fit.y));
        Find_A_B(*state, fit.model);
        const double tolerance = n == 10 ? 1e-13 : 1e-11;
        EXPECT_NEAR(state->Reg_A, fit.a, tolerance * std::fabs(fit.a)) << "n = " << n;
        EXPECT_NEAR(state->Reg_B, fit.b, tolerance * std::fabs(fit.b)) << "n = " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Models, ExactFitTest,
    testing::Values(
        ExactFit{"Linear", RegressionModel::Linear, 3.0, 2.0, [](int i) { return 3.0 + 2.0 * i; }},
        ExactFit{"Logarithmic", RegressionModel::Logarithmic, 1.0, 5.0, [](int i) { return 1.0 + 5.0 * std::log(i); }},
        ExactFit{"Exponential", RegressionModel::Exponential, 2.0, 0.1, [](int i) { return 2.0 * std::exp(0.1 * i); }},
        ExactFit{"Power", RegressionModel::Power, 4.0, 1.5, [](int i) { return 4.0 * std::pow(i, 1.5); }}),
    [](const testing::TestParamInfo<ExactFit>& info) { return std::string(info.param.name); });

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

void expectErrorLeavesCoefficients(const std::vector<double>& values, RegressionModel model, const char* kind) {
    auto state = stateWith(values);
    state->Reg_A = 11.5;
    state->Reg_B = -4.25;
    expectRuntimeError(kind, [&] { Find_A_B(*state, model); });
    EXPECT_EQ(state->Reg_A, 11.5);
    EXPECT_EQ(state->Reg_B, -4.25);
}

TEST(Find_A_B, LogarithmOfANonPositiveValueIsAnInvalidArgument) {
    std::vector<double> withZero(12, 2.0);
    withZero[0] = 0.0;
    std::vector<double> withNegative(12, 2.0);
    withNegative[11] = -1.0;
    for (RegressionModel model : {RegressionModel::Exponential, RegressionModel::Power}) {
        expectErrorLeavesCoefficients(withZero, model, testing_support::kInvalidArgument);
        expectErrorLeavesCoefficients(withNegative, model, testing_support::kInvalidArgument);
    }
}

TEST(Find_A_B, SumBeyondTheRangeOfADoubleIsAnOverflow) {
    expectErrorLeavesCoefficients(std::vector<double>(10, DBL_MAX), RegressionModel::Linear,
                                  testing_support::kOverflow);
    expectErrorLeavesCoefficients(std::vector<double>(10, -DBL_MAX), RegressionModel::Logarithmic,
                                  testing_support::kOverflow);
}

// Never an infinity shown to the user.
TEST(TrendValue, ValueBeyondTheRangeOfADoubleIsAnOverflow) {
    const struct {
        RegressionModel model;
        double a;
        double b;
        int i;
    } cases[] = {{RegressionModel::Exponential, 2.0, 0.5, 1500},
                 {RegressionModel::Power, 1e300, 10.0, 1500},
                 {RegressionModel::Linear, DBL_MAX, DBL_MAX, 2},
                 {RegressionModel::Logarithmic, DBL_MAX, DBL_MAX, 1500}};
    for (const auto& c : cases) {
        expectRuntimeError(testing_support::kOverflow, [&c] { trendValue(c.model, c.a, c.b, c.i); });
    }
}

} // namespace
} // namespace vantrel
