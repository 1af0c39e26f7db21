#include "analysis/bma.h"
#include "analysis/bma_lanes.h"

#include "analysis_test_support.h"

namespace vantrel {
namespace {

using namespace testing_support;

// The averaging written plainly, one loop per step: the averaged series and the last pass's means.
struct PlainAveraging {
    std::vector<double> bma, fwd, bwd;
};

PlainAveraging plainAveraging(const std::vector<double>& values, double d, double passes) {
    const int n = static_cast<int>(values.size());
    const double w = std::exp(d);
    PlainAveraging r{values, std::vector<double>(n), std::vector<double>(n)};
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
    return r;
}

void expectThePlainBits(const AnalysisState& s, const PlainAveraging& plain) {
    // Equal bits, or NaN in both: a NaN's payload depends on which operand the compiler put first, and
    // the measuring step turns every NaN into the same overflow error.
    auto sameDouble = [](double a, double b) { return bits(a) == bits(b) || (std::isnan(a) && std::isnan(b)); };
    for (size_t k = 1; k <= plain.bma.size(); ++k) {
        ASSERT_TRUE(sameDouble(s.BMA_value[k], plain.bma[k - 1]) && sameDouble(s.Fwd_mean[k], plain.fwd[k - 1]) &&
                    sameDouble(s.Bwd_mean[k], plain.bwd[k - 1]))
            << "k " << k;
    }
}

// The scalar pass loop runs its two means side by side and averages in their shadow; the lane
// kernels average with a different weight in every lane. Both must give the plain loops' bits for
// odd and even lengths, weights from strong smoothing to almost none, any pass count, and values
// that overflow or are subnormal; with every kernel this processor runs (SSE2 always).
TEST(BMA_Calculation, ScalarAndEveryLaneGiveThePlainLoopsBits) {
    constexpr double kDs[] = {0.0, -99.99999, 99.99999, 10.0, -2.25, 0.1, 3.75, -40.0};
    double weights[std::size(kDs)];
    std::transform(std::begin(kDs), std::end(kDs), weights, [](double d) { return std::exp(d); });
    std::vector cases = {std::pair{std::vector<double>{1.5, -2.0}, 3.0}, std::pair{randomWalk(120, 5), 999.0},
                         std::pair{randomWalk(40, 1, 1e307), 2.0},       std::pair{randomWalk(33, 2, 4e-320), 5.0},
                         std::pair{std::vector<double>(25, 0.0), 4.0},   std::pair{randomWalk(1500, 4, 1e-3), 2.0}};
    for (int n : {1, 2, 3, 4, 11, 12, 1499}) {
        for (double passes : {0.0, 0.5, 1.0, 2.0, 8.0}) {
            cases.emplace_back(randomWalk(n, 100 + n), passes);
        }
    }
    for (const auto& [values, passes] : cases) {
        SCOPED_TRACE("n " + std::to_string(values.size()) + " i " + std::to_string(passes));
        auto state = stateWith(values);
        std::vector<PlainAveraging> plain;
        for (double d : kDs) {
            plain.push_back(plainAveraging(values, d, passes));
            // An error can come only from the measuring step, after the averaging: its arrays are complete.
            runtimeErrorOf([&] { BMA_Calculation(*state, state->Data_value, d, passes); });
            expectThePlainBits(*state, plain.back());
        }
        for (int k = 0; k < kLaneKernelCount; ++k) {
            const LaneKernel kernel = static_cast<LaneKernel>(k);
            if (!laneKernelAvailable(kernel) || passes < 1 || values.size() < 2) {
                continue;
            }
            SCOPED_TRACE(laneKernelName(kernel));
            LaneAveraging lanes(kernel);
            for (int first = 0; first < 8; first += lanes.lanes()) {
                lanes.average(state->Data_value, state->Data_count, weights + first, lanes.lanes(),
                              static_cast<long>(passes));
                for (int lane = 0; lane < lanes.lanes(); ++lane) {
                    lanes.copyAveraged(lane, *state);
                    lanes.copyMeans(lane, *state);
                    expectThePlainBits(*state, plain[first + lane]);
                }
            }
        }
    }
}

// 0, 4, 0 with d = 0: forward 0, 2, 1; backward 1, 2, 0; averaged 0.5, 2, 0.5 (the plain loops above
// give these means). The series crosses zero at its points 1 and 3: wavelength 2 * 2; the averaged
// series does not cross: 4 * 3 + 1.
TEST(BMA_Calculation, WorkedExampleOfOnePassAndOverflows) {
    auto state = stateWith({0, 4, 0});
    BMA_Calculation(*state, state->Data_value, 0.0, 1.0);
    EXPECT_EQ(state->BMA_RMS, std::sqrt(1.5));      // (0.25 + 4 + 0.25) / 3
    EXPECT_EQ(state->Residual_RMS, std::sqrt(1.5)); // residual -0.5, 2, -0.5
    EXPECT_EQ(state->Series_wavelength, 4.0);
    EXPECT_EQ(state->BMA_wavelength, 13.0);
    // A weight beyond the range of a double is an overflow, and so is a crossing position: between
    // the largest double and its negative the straight line's formula gives -inf / -inf (before the
    // squares, which overflow too, are summed).
    expectRuntimeError("overflow", [&] { BMA_Calculation(*state, state->Data_value, 710.0, 1.0); });
    auto huge = stateWith({DBL_MAX, -DBL_MAX, 1});
    expectRuntimeError("overflow in a crossing position", [&] { BMA_Calculation(*huge, huge->Data_value, 0.0, 0.0); });
}

// No pass: the averaged series is the series, so both wavelengths come from the same crossings.
TEST(BMA_Calculation, WavelengthFromTheZeroCrossings) {
    // One sign change: (3 * -3 - 4 * 1) / (-3 - 1) = 3.25, a quarter period from the start. Exact zeros
    // that touch without a sign change count, at their own point numbers. A zero between values of
    // opposite signs is one crossing, at its point, not also a sign change: crossings 2, 4, 6, 8 and 10,
    // two apart. Every point of a zero series is a crossing, one point apart. No crossing: 4N + 1. A
    // change between the last two points crosses at (9 * -1 - 10 * 1) / (-1 - 1) = 9.5.
    // A position of 4/3 is kept as 1.3333333333, so four times it is not 16/3; crossings 1.3333333333
    // and 2.6666666667 are 1.3333333334 apart as read back.
    const std::pair<std::vector<double>, double> cases[] = {{{2, 1.5, 1, -3, -2, -1, -1, -2, -1, -5}, 13.0},
                                                            {{1, 1, -1, -1, -1, -1, -1, 1, 1, 1}, 10.0},
                                                            {{1, 0, 1, 0, 1, 1, 1, 1, 0, 1}, 7.0},
                                                            {{1, 0, -1, 0, 1, 0, -1, 0, 1, 0}, 4.0},
                                                            {std::vector<double>(10, 0.0), 2.0},
                                                            {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 41.0},
                                                            {{1, 1, 1, 1, 1, 1, 1, 1, 1, -1}, 4 * 9.5},
                                                            {{1, -2, -1, -1, -1, -1, -1, -1, -1, -1}, 4 * 1.3333333333},
                                                            {{1, -2, 1, 1, 1, 1, 1, 1, 1, 1}, 1.3333333334 * 2}};
    for (const auto& [values, wavelength] : cases) {
        auto state = stateWith(values);
        BMA_Calculation(*state, state->Data_value, 0.0, 0.0);
        EXPECT_EQ(state->Series_wavelength, wavelength) << values[0] << ", " << values[1] << ", " << values[2];
        EXPECT_EQ(state->BMA_wavelength, wavelength);
    }
}

// The crossings read plainly, point by point, up to a position that overflows.
std::vector<double> plainCrossings(const std::vector<double>& y) {
    std::vector<double> crossings;
    for (size_t k = 1; k <= y.size(); ++k) {
        const double a = y[k - 1];
        if (a == 0) {
            crossings.push_back(static_cast<double>(k));
        }
        const double b = k < y.size() ? y[k] : 0.0;
        if ((a > 0 && b < 0) || (a < 0 && b > 0)) {
            const double position = (static_cast<double>(k) * b - static_cast<double>(k + 1) * a) / (b - a);
            if (!std::isfinite(position)) {
                break;
            }
            crossings.push_back(roundTripWorkingList(position));
        }
    }
    return crossings;
}

// The crossings are found 64 points at a time, two by two: every length about those steps, runs of
// zeros, signed zeros, subnormals, NaN (no sign) and a position that overflows, against the plain
// reading. The averaging's own measuring (no pass: the series itself) finds the same crossings and
// the plain sum of squares.
TEST(BMA_Calculation, CrossingsFoundInBlocksAreThePlainOnes) {
    const double kValues[] = {2.5, -1.0, 0.0, -0.0, 3.0, -7.25, 4e-320, -4e-320, 1.0, -2.0};
    std::mt19937_64 generator(11);
    for (int n : {1, 2, 3, 63, 64, 65, 66, 67, 128, 129, 130, 1500}) {
        for (int variant = 0; variant < 3; ++variant) {
            std::vector<double> y(n);
            std::generate(y.begin(), y.end(), [&] { return kValues[generator() % std::size(kValues)]; });
            if (variant == 1 && n > 2) {
                y[n / 2] = std::nan("");
                y[n - 2] = DBL_MAX; // -DBL_MAX after it: the position overflows
                y[n - 1] = -DBL_MAX;
            }
            SCOPED_TRACE("n " + std::to_string(n) + " variant " + std::to_string(variant));
            auto state = stateWith(y);
            SeriesMeasures measures;
            measureSeries(measures, state->Data_value, n);
            const std::vector<double> plain = plainCrossings(y);
            ASSERT_EQ(measures.crossings.count, static_cast<int>(plain.size()));
            EXPECT_TRUE(std::equal(plain.begin(), plain.end(), measures.crossings.entries.begin()));
            if (variant != 1) {
                BMA_Calculation(*state, state->Data_value, 0.0, 0.0, measures);
                ASSERT_EQ(state->List2.count, static_cast<int>(plain.size()));
                EXPECT_TRUE(std::equal(plain.begin(), plain.end(), state->List2.entries.begin()));
                const double squares = std::inner_product(y.begin(), y.end(), y.begin(), 0.0);
                EXPECT_EQ(state->BMA_RMS, std::sqrt(squares / n));
            }
        }
    }
}

} // namespace
} // namespace vantrel
