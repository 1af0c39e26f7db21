#include "analysis/bma.h"
#include "analysis/bma_lanes.h"

#include "analysis_test_support.h"

#include <cmath>
#include <string>
#include <vector>

namespace vantrel {
namespace {

using testing_support::bits;
using testing_support::randomWalk;
using testing_support::seriesOf;
using testing_support::stateWith;

// Equal bits, or NaN in both: a NaN's payload depends on which operand the compiler put first, and
// the measuring step turns every NaN into the same overflow error.
bool sameDouble(double a, double b) {
    return bits(a) == bits(b) || (std::isnan(a) && std::isnan(b));
}

std::vector<double> alternating(int n, double magnitude) {
    std::vector<double> values(n);
    for (int k = 0; k < n; ++k) {
        values[k] = (k % 2 == 0 ? magnitude : -magnitude) * (1 + k % 7);
    }
    return values;
}

struct LaneCase {
    std::string name;
    std::vector<double> values;
    long passes;
};

std::vector<LaneCase> laneCases() {
    return {
        {"two points", {1.5, -2.0}, 3},
        {"three points", {0, 4, 0}, 1},
        {"random walk, odd", randomWalk(1499, 3), 8},
        {"random walk, even", randomWalk(1500, 4, 1e-3), 2},
        {"many passes", randomWalk(120, 5), 999},
        {"huge values overflow", alternating(40, 1e307), 2},
        {"subnormal values", alternating(33, 4e-320), 5},
        {"zeros", std::vector<double>(25, 0.0), 4},
    };
}

// Weights from strong smoothing to almost none, a different one in every lane.
constexpr double kDs[] = {0.0, -99.99999, 99.99999, 10.0, -2.5, 0.1, 3.75, -40.0};

// Every lane of every kernel this processor runs (SSE2 always) gives the scalar averaging's bits.
TEST(LaneAveraging, EveryLaneEqualsTheScalarAveraging) {
    for (LaneKernel kernel : {LaneKernel::Sse2, LaneKernel::Avx2, LaneKernel::Avx512}) {
        if (!laneKernelAvailable(kernel)) {
            continue;
        }
        LaneAveraging lanes(kernel);
        for (const LaneCase& c : laneCases()) {
            SCOPED_TRACE(std::string(laneKernelName(kernel)) + ", " + c.name);
            const int n = static_cast<int>(c.values.size());
            for (int first = 0; first < 8; first += lanes.lanes()) {
                double weights[kMaxLanes];
                for (int lane = 0; lane < lanes.lanes(); ++lane) {
                    weights[lane] = std::exp(kDs[(first + lane) % 8]);
                }
                lanes.average(seriesOf(c.values), n, weights, lanes.lanes(), c.passes);
                for (int lane = 0; lane < lanes.lanes(); ++lane) {
                    auto scalar = stateWith(c.values);
                    try {
                        BMA_Calculation(*scalar, scalar->Data_value, kDs[(first + lane) % 8], c.passes);
                    } catch (const RuntimeError&) {
                        // the measuring step comes after the averaging; its arrays are complete
                    }
                    auto laned = stateWith(c.values);
                    lanes.copyAveraged(lane, *laned);
                    lanes.copyMeans(lane, *laned);
                    for (int k = 1; k <= n; ++k) {
                        ASSERT_TRUE(sameDouble(laned->BMA_value[k], scalar->BMA_value[k]) &&
                                    sameDouble(laned->Fwd_mean[k], scalar->Fwd_mean[k]) &&
                                    sameDouble(laned->Bwd_mean[k], scalar->Bwd_mean[k]))
                            << "lane " << lane << " k " << k;
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace vantrel
