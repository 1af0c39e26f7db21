#include "analysis/bma.h"
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"

#include "analysis_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

namespace vantrel {
namespace {

using testing_support::randomWalk;
using testing_support::seriesOf;
using testing_support::stateWith;

// The averaging written plainly, one loop per step, with the working lists as texts.
struct ReferenceResult {
    std::vector<double> bma;
    std::vector<double> fwd;
    std::vector<double> bwd;
    double bmaRms = 0;
    double residualRms = 0;
    double seriesWavelength = 0;
    double bmaWavelength = 0;
};

double readBack(double value) {
    return valueOfText(formatWorkingList(value));
}

double referenceWavelength(const std::vector<double>& crossings, int n) {
    const size_t c = crossings.size();
    if (c == 0) {
        return 4 * n + 1;
    }
    if (c == 1) {
        return 4 * crossings[0];
    }
    std::vector<double> spacings;
    for (size_t m = 0; m + 1 < c; ++m) {
        spacings.push_back(readBack(crossings[m + 1] - crossings[m]));
    }
    double sum = 0;
    for (double spacing : spacings) {
        sum += spacing;
    }
    return (sum / static_cast<double>(c - 1)) * 2;
}

ReferenceResult referenceAveraging(const std::vector<double>& s, double d, double passes) {
    const int n = static_cast<int>(s.size());
    const double w = std::exp(d);
    ReferenceResult r;
    r.bma = s;
    r.fwd.assign(n, 0);
    r.bwd.assign(n, 0);
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
    double sb = 0;
    double sr = 0;
    std::vector<double> list1;
    std::vector<double> list2;
    auto crossing = [](int k, double a, double b) { return readBack((k * b - (k + 1) * a) / (b - a)); };
    auto opposite = [](double a, double b) { return (a > 0 && b < 0) || (a < 0 && b > 0); };
    for (int k = 1; k <= n; ++k) {
        const double sk = s[k - 1];
        const double bk = r.bma[k - 1];
        const double rk = sk - bk;
        sb += bk * bk;
        sr += rk * rk;
        if (sk == 0) {
            list1.push_back(readBack(k));
        }
        if (bk == 0) {
            list2.push_back(readBack(k));
        }
        if (k < n && opposite(sk, s[k])) {
            list1.push_back(crossing(k, sk, s[k]));
        }
        if (k < n && opposite(bk, r.bma[k])) {
            list2.push_back(crossing(k, bk, r.bma[k]));
        }
    }
    r.bmaRms = std::sqrt(sb / n);
    r.residualRms = std::sqrt(sr / n);
    r.seriesWavelength = referenceWavelength(list1, n);
    r.bmaWavelength = referenceWavelength(list2, n);
    return r;
}

std::uint64_t bits(double x) {
    return std::bit_cast<std::uint64_t>(x);
}

void expectSameAsReference(const std::vector<double>& values, double d, double passes) {
    auto state = stateWith(values);
    const Series series = seriesOf(values);
    BMA_Calculation(*state, series, d, passes);
    const ReferenceResult expected = referenceAveraging(values, d, passes);
    const int n = static_cast<int>(values.size());
    for (int k = 1; k <= n; ++k) {
        ASSERT_EQ(bits(state->BMA_value[k]), bits(expected.bma[k - 1]))
            << "n " << n << " d " << d << " i " << passes << " k " << k;
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
// those of the plain loops, bit for bit, for odd and even lengths and for any weight.
TEST(BMA_Calculation, BitIdenticalToThePlainLoops) {
    for (int n : {3, 4, 10, 11, 12, 57, 1499, 1500}) {
        const std::vector<double> values = randomWalk(n, 100 + n);
        for (double d : {0.0, 1.5, -2.25, 10.0, -10.0, 99.99999, -99.99999}) {
            for (double passes : {0.0, 1.0, 2.0, 8.0}) {
                expectSameAsReference(values, d, passes);
            }
        }
    }
    expectSameAsReference(randomWalk(1500, 9), -3.3, 999);
}

TEST(BMA_Calculation, WorkedExampleOnePass) {
    auto state = stateWith({0, 4, 0});
    BMA_Calculation(*state, seriesOf({0, 4, 0}), 0.0, 1.0);
    EXPECT_EQ(state->Fwd_mean[1], 0.0);
    EXPECT_EQ(state->Fwd_mean[2], 2.0);
    EXPECT_EQ(state->Fwd_mean[3], 1.0);
    EXPECT_EQ(state->Bwd_mean[1], 1.0);
    EXPECT_EQ(state->Bwd_mean[2], 2.0);
    EXPECT_EQ(state->Bwd_mean[3], 0.0);
    EXPECT_EQ(state->BMA_value[1], 0.5);
    EXPECT_EQ(state->BMA_value[2], 2.0);
    EXPECT_EQ(state->BMA_value[3], 0.5);
    EXPECT_EQ(state->BMA_RMS, std::sqrt(1.5));      // (0.25 + 4 + 0.25) / 3
    EXPECT_EQ(state->Residual_RMS, std::sqrt(1.5)); // residual -0.5, 2, -0.5
}

// Pass two works on the result of pass one: forward 0.5, 1.25, 0.875; backward 0.875, 1.25, 0.5.
TEST(BMA_Calculation, FractionalPassCountRunsTheWholePasses) {
    for (double passes : {2.0, 2.7, 2.999}) {
        auto state = stateWith({0, 4, 0});
        BMA_Calculation(*state, seriesOf({0, 4, 0}), 0.0, passes);
        EXPECT_EQ(state->BMA_value[1], 0.6875) << passes;
        EXPECT_EQ(state->BMA_value[2], 1.25) << passes;
        EXPECT_EQ(state->BMA_value[3], 0.6875) << passes;
    }
}

TEST(BMA_Calculation, FewerThanOnePassLeavesTheSeries) {
    const std::vector<double> values = randomWalk(40, 5);
    for (double passes : {0.0, 0.5, 0.999, -3.0}) {
        auto state = stateWith(values);
        BMA_Calculation(*state, seriesOf(values), 1.0, passes);
        for (int k = 1; k <= 40; ++k) {
            ASSERT_EQ(state->BMA_value[k], values[k - 1]) << passes;
        }
        EXPECT_EQ(state->Residual_RMS, 0.0);
        EXPECT_EQ(state->BMA_wavelength, state->Series_wavelength);
        double sum = 0;
        for (double v : values) {
            sum += v * v;
        }
        EXPECT_EQ(state->BMA_RMS, std::sqrt(sum / 40));
    }
}

// A vanishing weight keeps each mean at its seed: the series collapses to the mean of its two ends.
TEST(BMA_Calculation, StrongestSmoothingCollapsesToTheMeanOfTheEnds) {
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        std::vector<double> values = randomWalk(50, seed, 3.0);
        if (seed == 3) {
            values.front() = 0.0;
        }
        auto state = stateWith(values);
        BMA_Calculation(*state, seriesOf(values), -99.99999, 1.0);
        double largest = 0;
        for (double v : values) {
            largest = std::max(largest, std::fabs(v));
        }
        const double ends = (values.front() + values.back()) / 2;
        for (int k = 1; k <= 50; ++k) {
            EXPECT_NEAR(state->BMA_value[k], ends, 1e-39 * largest) << "seed " << seed << " k " << k;
        }
    }
}

TEST(BMA_Calculation, ConstantSeriesHasNoCrossings) {
    for (double c : {2.5, -3.0}) {
        const std::vector<double> values(20, c);
        auto state = stateWith(values);
        BMA_Calculation(*state, seriesOf(values), 0.7, 8.0);
        for (int k = 1; k <= 20; ++k) {
            EXPECT_NEAR(state->BMA_value[k], c, 1e-14);
        }
        EXPECT_NEAR(state->Residual_RMS, 0.0, 1e-14);
        EXPECT_NEAR(state->BMA_RMS, std::fabs(c), 1e-14);
        EXPECT_EQ(state->Series_wavelength, 81.0);
        EXPECT_EQ(state->BMA_wavelength, 81.0);
    }
}

// Every point of a zero series is a crossing, one point apart.
TEST(BMA_Calculation, ZeroSeriesHasWavelengthTwo) {
    const std::vector<double> values(12, 0.0);
    auto state = stateWith(values);
    BMA_Calculation(*state, seriesOf(values), 0.0, 8.0);
    for (int k = 1; k <= 12; ++k) {
        EXPECT_EQ(state->BMA_value[k], 0.0);
    }
    EXPECT_EQ(state->Series_wavelength, 2.0);
    EXPECT_EQ(state->BMA_wavelength, 2.0);
    EXPECT_EQ(state->BMA_RMS, 0.0);
    EXPECT_EQ(state->Residual_RMS, 0.0);
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
        WavelengthCase{"OneTouchingZero", {1, 1, 1, 1, 0, 1, 1, 1, 1, 1}, 20.0},
        WavelengthCase{"NoCrossing", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 41.0},
        // 4/3 is kept as 1.3333333333, so four times it is not 16/3.
        WavelengthCase{"PositionRoundedToTenDecimals", {1, -2, -1, -1, -1, -1, -1, -1, -1, -1}, 4 * 1.3333333333},
        // Crossings 1.3333333333 and 2.6666666667: the spacing is read back as 1.3333333334.
        WavelengthCase{"SpacingRoundedToTenDecimals", {1, -2, 1, 1, 1, 1, 1, 1, 1, 1}, 1.3333333334 * 2}),
    [](const testing::TestParamInfo<WavelengthCase>& info) { return std::string(info.param.name); });

TEST(BMA_Calculation, ListsHoldTheRoundedPositions) {
    const std::vector<double> values = {1, -2, 1, 1, 1, 1, 1, 1, 1, 1};
    auto state = stateWith(values);
    BMA_Calculation(*state, seriesOf(values), 0.0, 0.0);
    ASSERT_EQ(state->List1.count, 2);
    EXPECT_EQ(state->List1.entries[0], 1.3333333333);
    EXPECT_EQ(state->List1.entries[1], 2.6666666667);
    EXPECT_EQ(state->List4.count, 0);
}

TEST(BMA_Calculation, LeavesTheSeriesAndTheEntriesAboveNUntouched) {
    const std::vector<double> values = randomWalk(30, 8);
    auto state = stateWith(values);
    for (int k = 31; k <= kMaxPoints; ++k) {
        state->BMA_value[k] = 777.0;
        state->Fwd_mean[k] = 778.0;
        state->Bwd_mean[k] = 779.0;
    }
    Series series = seriesOf(values);
    series[31] = 55.0;
    const Series before = series;
    BMA_Calculation(*state, series, -0.5, 8.0);
    EXPECT_EQ(series, before);
    for (int k = 31; k <= kMaxPoints; ++k) {
        ASSERT_EQ(state->BMA_value[k], 777.0) << k;
        ASSERT_EQ(state->Fwd_mean[k], 778.0) << k;
        ASSERT_EQ(state->Bwd_mean[k], 779.0) << k;
    }
}

TEST(BMA_Calculation, WeightBeyondTheRangeOfADoubleIsAnOverflow) {
    auto state = stateWith(randomWalk(10, 1));
    EXPECT_THROW(BMA_Calculation(*state, state->Data_value, 710.0, 1.0), RuntimeError);
}

TEST(BMA_Calculation, SquaresBeyondTheRangeOfADoubleAreAnOverflow) {
    const std::vector<double> values = {1e200, -1e200, 1e200, 1, 2, 3, 4, 5, 6, 7};
    auto state = stateWith(values);
    try {
        BMA_Calculation(*state, seriesOf(values), 0.0, 1.0);
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), RuntimeError::Kind::Overflow);
    }
}

} // namespace
} // namespace vantrel
