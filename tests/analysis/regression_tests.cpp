#include "analysis/regression.h"
#include "analysis/runtime_error.h"

#include "analysis_test_support.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cfloat>
#include <cmath>
#include <functional>
#include <vector>

namespace vantrel {
namespace {

using testing_support::randomWalk;
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

// A series on the model's own curve gives back its coefficients, up to rounding.
TEST_P(ExactFitTest, GivesBackTheCoefficients) {
    const ExactFit& fit = GetParam();
    for (int n : {10, 11, 100, 1500}) {
        auto state = stateWith(curve(n, fit.y));
        Find_A_B(*state, fit.model);
        const double tolerance = n <= 11 ? 1e-13 : 1e-11;
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
        ExactFit{"Power", RegressionModel::Power, 4.0, 1.5, [](int i) { return 4.0 * std::pow(i, 1.5); }},
        ExactFit{"FallingLinear", RegressionModel::Linear, -7.5, -0.25, [](int i) { return -7.5 - 0.25 * i; }}),
    [](const testing::TestParamInfo<ExactFit>& info) { return std::string(info.param.name); });

TEST(Find_A_B, SmallLinearFitIsExact) {
    auto state = stateWith(curve(10, [](int i) { return 3.0 + 2.0 * i; }));
    Find_A_B(*state, RegressionModel::Linear);
    EXPECT_EQ(state->Reg_A, 3.0);
    EXPECT_EQ(state->Reg_B, 2.0);
}

// 5, 7, ..., 23 is 3 + 2i with i from 1: numbering from 0 would give A = 5.
TEST(Find_A_B, PointsAreNumberedFromOne) {
    auto state = stateWith({5, 7, 9, 11, 13, 15, 17, 19, 21, 23});
    Find_A_B(*state, RegressionModel::Linear);
    EXPECT_DOUBLE_EQ(state->Reg_A, 3.0);
    EXPECT_DOUBLE_EQ(state->Reg_B, 2.0);
}

TEST(Find_A_B, ConstantSeriesHasNoSlope) {
    for (RegressionModel model : {RegressionModel::Linear, RegressionModel::Logarithmic, RegressionModel::Exponential,
                                  RegressionModel::Power}) {
        auto state = stateWith(std::vector<double>(37, 7.3));
        Find_A_B(*state, model);
        EXPECT_NEAR(state->Reg_B, 0.0, 1e-12) << modelIndex(model);
        EXPECT_NEAR(state->Reg_A, 7.3, 1e-13) << modelIndex(model);
    }
}

// Least squares done differently (deviations from the means, in long double) on a noisy series.
TEST(Find_A_B, AgreesWithCentredLeastSquaresOnNoisyData) {
    const std::vector<double> values = randomWalk(1500, 3);
    for (RegressionModel model : {RegressionModel::Linear, RegressionModel::Logarithmic}) {
        auto state = stateWith(values);
        Find_A_B(*state, model);
        const bool logX = model == RegressionModel::Logarithmic;
        long double meanX = 0;
        long double meanY = 0;
        for (int i = 1; i <= 1500; ++i) {
            meanX += logX ? std::log(static_cast<long double>(i)) : i;
            meanY += values[i - 1];
        }
        meanX /= 1500;
        meanY /= 1500;
        long double sxy = 0;
        long double sxx = 0;
        for (int i = 1; i <= 1500; ++i) {
            const long double dx = (logX ? std::log(static_cast<long double>(i)) : i) - meanX;
            sxy += dx * (values[i - 1] - meanY);
            sxx += dx * dx;
        }
        const long double b = sxy / sxx;
        const long double a = meanY - b * meanX;
        EXPECT_NEAR(state->Reg_B, static_cast<double>(b), 1e-9 * std::fabs(static_cast<double>(b)));
        EXPECT_NEAR(state->Reg_A, static_cast<double>(a), 1e-9 * std::fabs(static_cast<double>(a)));
    }
}

void expectErrorLeavesCoefficients(const std::vector<double>& values, RegressionModel model, RuntimeError::Kind kind) {
    auto state = stateWith(values);
    state->Reg_A = 11.5;
    state->Reg_B = -4.25;
    try {
        Find_A_B(*state, model);
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), kind);
    }
    EXPECT_EQ(state->Reg_A, 11.5);
    EXPECT_EQ(state->Reg_B, -4.25);
}

TEST(Find_A_B, LogarithmOfANonPositiveValueIsAnInvalidArgument) {
    std::vector<double> withZero(12, 2.0);
    withZero[0] = 0.0;
    std::vector<double> withNegative(12, 2.0);
    withNegative[11] = -1.0;
    for (RegressionModel model : {RegressionModel::Exponential, RegressionModel::Power}) {
        expectErrorLeavesCoefficients(withZero, model, RuntimeError::Kind::InvalidArgument);
        expectErrorLeavesCoefficients(withNegative, model, RuntimeError::Kind::InvalidArgument);
    }
}

// Only the data's logarithm is at stake: the models on the point numbers take any data.
TEST(Find_A_B, LinearAndLogarithmicModelsTakeNonPositiveData) {
    auto state = stateWith(curve(10, [](int i) { return -20.0 + 2.0 * i; }));
    Find_A_B(*state, RegressionModel::Linear);
    EXPECT_DOUBLE_EQ(state->Reg_A, -20.0);
    Find_A_B(*state, RegressionModel::Logarithmic);
    EXPECT_TRUE(std::isfinite(state->Reg_A) && std::isfinite(state->Reg_B));
}

TEST(Find_A_B, SumBeyondTheRangeOfADoubleIsAnOverflow) {
    expectErrorLeavesCoefficients(std::vector<double>(10, DBL_MAX), RegressionModel::Linear,
                                  RuntimeError::Kind::Overflow);
    expectErrorLeavesCoefficients(std::vector<double>(10, -DBL_MAX), RegressionModel::Logarithmic,
                                  RuntimeError::Kind::Overflow);
}

TEST(TrendValue, EachModelAtAPoint) {
    EXPECT_EQ(trendValue(RegressionModel::Linear, 3.0, 2.0, 1), 5.0);
    EXPECT_EQ(trendValue(RegressionModel::Linear, 3.0, 2.0, 10), 23.0);
    EXPECT_EQ(trendValue(RegressionModel::Logarithmic, 1.5, 5.0, 1), 1.5);
    EXPECT_DOUBLE_EQ(trendValue(RegressionModel::Logarithmic, 1.5, 5.0, 100), 1.5 + 5.0 * std::log(100.0));
    EXPECT_DOUBLE_EQ(trendValue(RegressionModel::Exponential, 2.0, 0.1, 1), 2.0 * std::exp(0.1));
    EXPECT_EQ(trendValue(RegressionModel::Power, 4.0, 1.5, 1), 4.0);
    EXPECT_EQ(trendValue(RegressionModel::Power, 4.0, 1.5, 4), 32.0);
}

TEST(TrendValue, ValueBeyondTheRangeOfADoubleIsAnOverflow) {
    const struct {
        RegressionModel model;
        double a;
        double b;
        int i;
    } cases[] = {{RegressionModel::Exponential, 1.0, 1000.0, 1},
                 {RegressionModel::Exponential, 2.0, 0.5, 1500},
                 {RegressionModel::Power, 1e300, 10.0, 1500},
                 {RegressionModel::Linear, DBL_MAX, DBL_MAX, 2},
                 {RegressionModel::Logarithmic, DBL_MAX, DBL_MAX, 1500}};
    for (const auto& c : cases) {
        try {
            trendValue(c.model, c.a, c.b, c.i);
            ADD_FAILURE() << "no error for model " << modelIndex(c.model);
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), RuntimeError::Kind::Overflow);
        }
    }
}

} // namespace
} // namespace vantrel
