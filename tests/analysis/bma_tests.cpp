#include "analysis/bma.h"
#include "analysis/text_rules.h"

#include "analysis_test_support.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

namespace vantrel {
namespace {

using testing_support::bits;
using testing_support::expectRuntimeError;
using testing_support::randomWalk;
using testing_support::seriesOf;
using testing_support::stateWith;

// The averaging written plainly, one loop per step, with the working lists kept as texts.
struct Reference {
    std::vector<double> bma, fwd, bwd;
    double bmaRms = 0, residualRms = 0, seriesWavelength = 0, bmaWavelength = 0;
};

double readBack(double value) {
    return valueOfText(formatWorkingList(value));
}

double referenceWavelength(const std::vector<double>& crossings, int n) {
    if (crossings.empty()) {
        return 4 * n + 1;
    }
    if (crossings.size() == 1) {
        return 4 * crossings[0];
    }
    double sum = 0;
    for (size_t m = 0; m + 1 < crossings.size(); ++m) {
        sum += readBack(crossings[m + 1] - crossings[m]);
    }
    return (sum / static_cast<double>(crossings.size() - 1)) * 2;
}

Reference referenceAveraging(const std::vector<double>& s, double d, double passes) {
    const int n = static_cast<int>(s.size());
    const double w = std::exp(d);
    Reference r{s, std::vector<double>(n), std::vector<double>(n)};
    for (double pass = 1; pass <= passes; pass += 1) {
        r.fwd[0] = r.bma[0];
        for (int k = 1; k < n; ++k) {
            r.fwd[k] = (w * r.bma[k] + r.fwd[k - 1]) / (w + 1);
        }
        r.bwd[n - 1] = r.bma[n - 1];
        for (int k = n - 2; k >= 0; --k) {
            r.bwd[k] = (w * r.bma[k] + r.bwd[k + 1]) / (w + 1);
        }
        for (int k = 0; k < n; ++k) {
            r.bma[k] = (r.bwd[k] + r.fwd[k]) / 2;
        }
    }
    double sb = 0, sr = 0;
    std::vector<double> list1, list2;
    auto collect = [n](std::vector<double>& list, const std::vector<double>& y, int k) {
        if (y[k - 1] == 0) {
            list.push_back(readBack(k));
        }
        const double a = y[k - 1];
        if (k < n && ((a > 0 && y[k] < 0) || (a < 0 && y[k] > 0))) {
            list.push_back(readBack((k * y[k] - (k + 1) * a) / (y[k] - a)));
        }
    };
    for (int k = 1; k <= n; ++k) {
        sb += r.bma[k - 1] * r.bma[k - 1];
        sr += (s[k - 1] - r.bma[k - 1]) * (s[k - 1] - r.bma[k - 1]);
        collect(list1, s, k);
        collect(list2, r.bma, k);
    }
    r.bmaRms = std::sqrt(sb / n);
    r.residualRms = std::sqrt(sr / n);
    r.seriesWavelength = referenceWavelength(list1, n);
    r.bmaWavelength = referenceWavelength(list2, n);
    return r;
}

void expectSameAsReference(const std::vector<double>& values, double d, double passes) {
    auto state = stateWith(values);
    BMA_Calculation(*state, seriesOf(values), d, passes);
    const Reference expected = referenceAveraging(values, d, passes);
    for (int k = 1; k <= static_cast<int>(values.size()); ++k) {
        ASSERT_EQ(bits(state->BMA_value[k]), bits(expected.bma[k - 1])) << "d " << d << " i " << passes << " k " << k;
        if (passes >= 1) {
            ASSERT_EQ(bits(state->Fwd_mean[k]), bits(expected.fwd[k - 1])) << "k " << k;
            ASSERT_EQ(bits(state->Bwd_mean[k]), bits(expected.bwd[k - 1])) << "k " << k;
        }
    }
    EXPECT_EQ(bits(state->BMA_RMS), bits(expected.bmaRms));
    EXPECT_EQ(bits(state->Residual_RMS), bits(expected.residualRms));
    EXPECT_EQ(bits(state->Series_wavelength), bits(expected.seriesWavelength));
    EXPECT_EQ(bits(state->BMA_wavelength), bits(expected.bmaWavelength));
}

// The pass loop runs its two means side by side and averages in their shadow; the results must be
// those of the plain loops, bit for bit, for odd and even lengths, any weight and any pass count.
TEST(BMA_Calculation, BitIdenticalToThePlainLoops) {
    for (int n : {3, 4, 11, 12, 1499, 1500}) {
        const std::vector<double> values = randomWalk(n, 100 + n);
        for (double d : {0.0, -2.25, 10.0, 99.99999, -99.99999}) {
            for (double passes : {0.0, 0.5, 1.0, 2.0, 8.0}) {
                expectSameAsReference(values, d, passes);
            }
        }
    }
    expectSameAsReference(randomWalk(1500, 9), -3.3, 999);
}

std::vector<double> firstThree(const Series& values) {
    return {values[1], values[2], values[3]};
}

// 0, 4, 0 with d = 0: forward 0, 2, 1; backward 1, 2, 0. Pass two works on pass one's result:
// forward 0.5, 1.25, 0.875; backward 0.875, 1.25, 0.5. A fractional pass count runs the whole passes.
TEST(BMA_Calculation, WorkedExampleOfOneAndOfTwoPasses) {
    auto state = stateWith({0, 4, 0});
    BMA_Calculation(*state, seriesOf({0, 4, 0}), 0.0, 1.0);
    EXPECT_EQ(firstThree(state->Fwd_mean), (std::vector<double>{0, 2, 1}));
    EXPECT_EQ(firstThree(state->Bwd_mean), (std::vector<double>{1, 2, 0}));
    EXPECT_EQ(firstThree(state->BMA_value), (std::vector<double>{0.5, 2, 0.5}));
    EXPECT_EQ(state->BMA_RMS, std::sqrt(1.5));      // (0.25 + 4 + 0.25) / 3
    EXPECT_EQ(state->Residual_RMS, std::sqrt(1.5)); // residual -0.5, 2, -0.5
    for (double passes : {2.0, 2.7}) {
        BMA_Calculation(*state, seriesOf({0, 4, 0}), 0.0, passes);
        EXPECT_EQ(firstThree(state->BMA_value), (std::vector<double>{0.6875, 1.25, 0.6875})) << passes;
    }
}

// No crossing: 4N + 1. Every point of a zero series is a crossing, one point apart: 2.
TEST(BMA_Calculation, ConstantAndZeroSeries) {
    auto constant = stateWith(std::vector<double>(20, -3.0));
    BMA_Calculation(*constant, constant->Data_value, 0.7, 8.0);
    EXPECT_NEAR(constant->BMA_value[7], -3.0, 1e-14);
    EXPECT_NEAR(constant->Residual_RMS, 0.0, 1e-14);
    EXPECT_NEAR(constant->BMA_RMS, 3.0, 1e-14);
    EXPECT_EQ(constant->Series_wavelength, 81.0);
    EXPECT_EQ(constant->BMA_wavelength, 81.0);
    auto zero = stateWith(std::vector<double>(12, 0.0));
    BMA_Calculation(*zero, zero->Data_value, 0.0, 8.0);
    EXPECT_EQ(zero->BMA_value[5], 0.0);
    EXPECT_EQ(zero->Series_wavelength, 2.0);
    EXPECT_EQ(zero->BMA_wavelength, 2.0);
    EXPECT_EQ(zero->BMA_RMS, 0.0);
}

struct WavelengthCase {
    const char* name;
    std::vector<double> values;
    double wavelength;
};

void PrintTo(const WavelengthCase& c, std::ostream* out) {
    *out << c.name;
}

class SeriesWavelengthTest : public testing::TestWithParam<WavelengthCase> {};

// No pass: the averaged series is the series, so both wavelengths come from the same crossings.
TEST_P(SeriesWavelengthTest, FromTheZeroCrossings) {
    const WavelengthCase& c = GetParam();
    auto state = stateWith(c.values);
    BMA_Calculation(*state, seriesOf(c.values), 0.0, 0.0);
    EXPECT_EQ(state->Series_wavelength, c.wavelength);
    EXPECT_EQ(state->BMA_wavelength, c.wavelength);
}

INSTANTIATE_TEST_SUITE_P(
    Crossings, SeriesWavelengthTest,
    testing::Values(
        // (3 * -3 - 4 * 1) / (-3 - 1) = 3.25, a quarter period from the start.
        WavelengthCase{"OneSignChange", {2, 1.5, 1, -3, -2, -1, -1, -2, -1, -5}, 13.0},
        WavelengthCase{"TwoSignChanges", {1, 1, -1, -1, -1, -1, -1, 1, 1, 1}, 10.0},
        // Exact zeros that touch without a sign change count, at their own point numbers.
        WavelengthCase{"TouchingZeros", {1, 0, 1, 0, 1, 1, 1, 1, 0, 1}, 7.0},
        // A zero between values of opposite signs is one crossing, at its point, not also a sign change:
        // crossings 2, 4, 6, 8 and 10, two apart.
        WavelengthCase{"ZerosBetweenSigns", {1, 0, -1, 0, 1, 0, -1, 0, 1, 0}, 4.0},
        WavelengthCase{"NoCrossing", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 41.0},
        // 4/3 is kept as 1.3333333333, so four times it is not 16/3.
        WavelengthCase{"PositionRoundedToTenDecimals", {1, -2, -1, -1, -1, -1, -1, -1, -1, -1}, 4 * 1.3333333333},
        // Crossings 1.3333333333 and 2.6666666667: the spacing is read back as 1.3333333334.
        WavelengthCase{"SpacingRoundedToTenDecimals", {1, -2, 1, 1, 1, 1, 1, 1, 1, 1}, 1.3333333334 * 2}),
    [](const testing::TestParamInfo<WavelengthCase>& info) { return std::string(info.param.name); });

TEST(BMA_Calculation, WeightOrSquaresBeyondTheRangeOfADoubleAreAnOverflow) {
    auto state = stateWith(randomWalk(10, 1));
    expectRuntimeError(testing_support::kOverflow, [&] { BMA_Calculation(*state, state->Data_value, 710.0, 1.0); });
    auto huge = stateWith({1e200, -1e200, 1e200, 1, 2, 3, 4, 5, 6, 7});
    expectRuntimeError(testing_support::kOverflow, [&] { BMA_Calculation(*huge, huge->Data_value, 0.0, 1.0); });
}

} // namespace
} // namespace vantrel
