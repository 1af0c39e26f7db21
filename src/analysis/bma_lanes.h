#pragma once

#include "analysis/analysis_state.h"

#include <memory>

namespace vantrel {

// Vector kernels that average one series with several weights at once, one weight per lane. A lane
// does the scalar averaging's multiplications, additions and divisions in the same order, element by
// element, so every lane holds the bits the scalar averaging gives for its weight. The divider is
// far from busy in one chain of the scalar averaging; the lanes fill it for the price of one chain.
// The pair kernels run two packs side by side, two independent chains per step: the divider is bound
// by its latency, so twice the lanes take little more time than one pack's.
enum class LaneKernel { Sse2, Avx2, Avx512, Avx2Pairs, Sse2Pairs };
constexpr int kLaneKernelCount = 5;

constexpr int kMaxLanes = 8;

int laneCount(LaneKernel kernel);
const char* laneKernelName(LaneKernel kernel);
// Whether this processor (and its operating system) runs the kernel's instructions.
bool laneKernelAvailable(LaneKernel kernel);
// The kernel with the most lanes per unit of time: two packs of AVX2, or of SSE2 where AVX2 is
// missing. AVX-512's one pack of eight lanes runs one chain per mean, bound by a division latency no
// shorter than AVX2's, where two packs of four run two.
LaneKernel preferredLaneKernel();

// The working arrays of every lane, allocated once for a series of up to `points` points (at least
// the window's 1500), point by point: entry k * lanes() + lane. A longer series grows them once.
class LaneAveraging {
public:
    explicit LaneAveraging(LaneKernel kernel = preferredLaneKernel(), int points = kMaxPoints);

    LaneKernel kernel() const { return m_kernel; }
    int lanes() const { return m_lanes; }

    // Averages series(1..n), n >= 2, with `passes` >= 1 passes for each of weights[0 .. count),
    // 1 <= count <= lanes(); lanes beyond count repeat the first weight.
    void average(const Series& series, int n, const double* weights, int count, long passes);

    // One lane's result into BMA_value (1..n), and its last pass's means into Fwd_mean and Bwd_mean
    // (1..n): the arrays as the scalar averaging leaves them, in the state or in arrays of its shape.
    template <typename Averaged> void copyAveraged(int lane, Averaged& averaged) const {
        for (int k = 1; k <= m_n; ++k) {
            averaged.BMA_value[k] = m_bma[k * m_lanes + lane];
        }
    }
    template <typename Averaged> void copyMeans(int lane, Averaged& averaged) const {
        for (int k = 1; k <= m_n; ++k) {
            averaged.Fwd_mean[k] = m_forward[k * m_lanes + lane];
            averaged.Bwd_mean[k] = m_backward[k * m_lanes + lane];
        }
    }

private:
    struct AlignedFree {
        void operator()(double* p) const;
    };
    using Buffer = std::unique_ptr<double[], AlignedFree>;

    void allocate(int points);

    LaneKernel m_kernel;
    int m_lanes;
    int m_n = 0;
    int m_points = 0; // the points the buffers hold
    Buffer m_bma;
    Buffer m_forward;
    Buffer m_backward;
};

} // namespace vantrel
