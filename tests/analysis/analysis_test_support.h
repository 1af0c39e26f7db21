#pragma once

#include "analysis/analysis_state.h"
#include "analysis/runtime_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace vantrel::testing_support {

inline std::uint64_t bits(double x) {
    return std::bit_cast<std::uint64_t>(x);
}

// The state is large; tests keep it on the heap.
inline std::unique_ptr<AnalysisState> stateWith(const std::vector<double>& values) {
    auto state = std::make_unique<AnalysisState>();
    state->Data_count = static_cast<int>(values.size());
    std::copy(values.begin(), values.end(), state->Data_value.begin() + 1);
    return state;
}

// A random walk around zero: it crosses zero now and then, like an oscillation does.
inline std::vector<double> randomWalk(int n, std::uint64_t seed, double stepSize = 1.0) {
    std::mt19937_64 generator(seed);
    std::normal_distribution<double> step(0.0, stepSize);
    std::vector<double> values(n);
    std::generate(values.begin(), values.end(), [&] { return step(generator); });
    std::partial_sum(values.begin(), values.end(), values.begin());
    return values;
}

// The text of the run-time error the work raises, or "". Its kind ("overflow", "invalid argument")
// is the start of the text.
template <typename Work> std::string runtimeErrorOf(Work work) {
    try {
        work();
    } catch (const RuntimeError& error) {
        return error.what();
    }
    return "";
}

template <typename Work> void expectRuntimeError(const char* kind, Work work) {
    const std::string error = runtimeErrorOf(work);
    EXPECT_EQ(error.rfind(kind, 0), 0u) << error;
}

} // namespace vantrel::testing_support
