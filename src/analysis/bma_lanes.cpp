#include "analysis/bma_lanes.h"

#include "analysis/averaging_pass.h"

#include <cstddef>
#include <iterator>
#include <new>

namespace vantrel {

namespace {

typedef double Pack2 __attribute__((vector_size(16)));
typedef double Pack4 __attribute__((vector_size(32)));
typedef double Pack8 __attribute__((vector_size(64)));

// Two packs side by side: their chains are independent, so the divider, bound by its latency in one
// pack's chain, works on both at once. Written as two packs, not as one pack of twice the width, which
// GCC splits through memory.
template <typename Pack> struct PackPair {
    Pack first;
    Pack second;
};
template <typename Pack> [[gnu::always_inline]] inline PackPair<Pack> operator*(PackPair<Pack> x, PackPair<Pack> y) {
    return {x.first * y.first, x.second * y.second};
}
template <typename Pack> [[gnu::always_inline]] inline PackPair<Pack> operator+(PackPair<Pack> x, PackPair<Pack> y) {
    return {x.first + y.first, x.second + y.second};
}
template <typename Pack> [[gnu::always_inline]] inline PackPair<Pack> operator/(PackPair<Pack> x, PackPair<Pack> y) {
    return {x.first / y.first, x.second / y.second};
}
template <typename Pack> [[gnu::always_inline]] inline PackPair<Pack> operator/(PackPair<Pack> x, int y) {
    return {x.first / y, x.second / y};
}

// The scalar averaging's passes with a pack of lanes in place of each double, inlined into one
// function per instruction set below, so each copy is compiled for its target.
template <typename Pack>
[[gnu::always_inline]] inline void lanePasses(double* bma, double* forwardMeans, double* backwardMeans,
                                              const double* weights, const double* weightsPlusOne, int n, long passes) {
    const Pack w = *reinterpret_cast<const Pack*>(weights);
    const Pack wPlusOne = *reinterpret_cast<const Pack*>(weightsPlusOne);
    for (long pass = 0; pass < passes; ++pass) {
        averageOnePass(reinterpret_cast<Pack*>(bma), reinterpret_cast<Pack*>(forwardMeans),
                       reinterpret_cast<Pack*>(backwardMeans), w, wPlusOne, n);
    }
}

using KernelFunction = void (*)(double*, double*, double*, const double*, const double*, int, long);

void sse2Passes(double* b, double* f, double* g, const double* w, const double* w1, int n, long passes) {
    lanePasses<Pack2>(b, f, g, w, w1, n, passes);
}

void sse2PairPasses(double* b, double* f, double* g, const double* w, const double* w1, int n, long passes) {
    lanePasses<PackPair<Pack2>>(b, f, g, w, w1, n, passes);
}

__attribute__((target("avx2"))) void avx2Passes(double* b, double* f, double* g, const double* w, const double* w1,
                                                int n, long passes) {
    lanePasses<Pack4>(b, f, g, w, w1, n, passes);
}

__attribute__((target("avx512f"))) void avx512Passes(double* b, double* f, double* g, const double* w, const double* w1,
                                                     int n, long passes) {
    lanePasses<Pack8>(b, f, g, w, w1, n, passes);
}

__attribute__((target("avx2"))) void avx2PairPasses(double* b, double* f, double* g, const double* w, const double* w1,
                                                    int n, long passes) {
    lanePasses<PackPair<Pack4>>(b, f, g, w, w1, n, passes);
}

// Every lane starts from the series. With the lane count known to the compiler a point's copies are
// one vector store, not a loop of scalar ones.
template <int Lanes> void spread(const double* series, double* lanes, int n) {
    for (int k = 1; k <= n; ++k) {
        for (int lane = 0; lane < Lanes; ++lane) {
            lanes[k * Lanes + lane] = series[k];
        }
    }
}

struct KernelEntry {
    const char* name;
    int lanes;
    KernelFunction passes;
    void (*spread)(const double*, double*, int);
};

constexpr KernelEntry kKernels[] = {
    {"SSE2, 2 lanes", 2, sse2Passes, spread<2>},
    {"AVX2, 4 lanes", 4, avx2Passes, spread<4>},
    {"AVX-512, 8 lanes", 8, avx512Passes, spread<8>},
    {"AVX2, 8 lanes in two packs", 8, avx2PairPasses, spread<8>},
    {"SSE2, 4 lanes in two packs", 4, sse2PairPasses, spread<4>},
};
// The table is indexed by the enum: a kernel added to one and not the other must not build.
static_assert(std::size(kKernels) == kLaneKernelCount);
static_assert(static_cast<int>(LaneKernel::Sse2Pairs) == kLaneKernelCount - 1);

const KernelEntry& entryOf(LaneKernel kernel) {
    return kKernels[static_cast<int>(kernel)];
}

constexpr std::size_t kAlignment = 64;

} // namespace

int laneCount(LaneKernel kernel) {
    return entryOf(kernel).lanes;
}

const char* laneKernelName(LaneKernel kernel) {
    return entryOf(kernel).name;
}

bool laneKernelAvailable(LaneKernel kernel) {
    switch (kernel) {
    case LaneKernel::Sse2:
    case LaneKernel::Sse2Pairs:
        return true;
    case LaneKernel::Avx2:
    case LaneKernel::Avx2Pairs:
        return __builtin_cpu_supports("avx2");
    case LaneKernel::Avx512:
        return __builtin_cpu_supports("avx512f");
    }
    return false;
}

LaneKernel preferredLaneKernel() {
    static const LaneKernel preferred =
        laneKernelAvailable(LaneKernel::Avx2Pairs) ? LaneKernel::Avx2Pairs : LaneKernel::Sse2Pairs;
    return preferred;
}

void LaneAveraging::AlignedFree::operator()(double* p) const {
    ::operator delete[](p, std::align_val_t(kAlignment));
}

LaneAveraging::LaneAveraging(LaneKernel kernel, int points) : m_kernel(kernel), m_lanes(laneCount(kernel)) {
    allocate(seriesRows(points));
}

void LaneAveraging::allocate(int points) {
    const std::size_t size = (static_cast<std::size_t>(points) + 1) * static_cast<std::size_t>(m_lanes);
    auto buffer = [size] {
        return Buffer(static_cast<double*>(::operator new[](size * sizeof(double), std::align_val_t(kAlignment))));
    };
    m_bma = buffer();
    m_forward = buffer();
    m_backward = buffer();
    m_points = points;
}

void LaneAveraging::average(const Series& series, int n, const double* weights, int count, long passes) {
    alignas(kAlignment) double w[kMaxLanes];
    alignas(kAlignment) double wPlusOne[kMaxLanes];
    for (int lane = 0; lane < m_lanes; ++lane) {
        w[lane] = weights[lane < count ? lane : 0];
        wPlusOne[lane] = w[lane] + 1;
    }
    if (n > m_points) {
        allocate(n);
    }
    double* b = m_bma.get();
    entryOf(m_kernel).spread(series.data(), b, n);
    m_n = n;
    entryOf(m_kernel).passes(b, m_forward.get(), m_backward.get(), w, wPlusOne, n, passes);
}

} // namespace vantrel
