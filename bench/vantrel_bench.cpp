// Times the ten-wave run with both adjustments on, with i = 8 and with i = 999 in every box, and
// compares the i = 999 run with the least the averagings the search asks for would cost one after
// another: one bare dependent running-mean chain per averaging pass. The lane kernel computes several
// averagings in the time of one, and the two searches of a wave run on two threads, so the ratio can
// fall well below 1. floor_ratio takes the run's wall time, cpu_ratio the processor time of all its
// threads; both over the same floor, the chain's processor time (on a shared machine a batch of chains
// of milliseconds is hardly ever descheduled). Also reports how many lane slots computed an averaging
// a search went on to take, and times a whole default command-line run over the same 1500 numbers.
// The last line is the one a script reads. With VANTREL_BENCH_KERNELS set it also runs i = 999 with
// every other lane kernel this processor runs, on two threads: what the preferred kernel gains.
//
// Each measurement keeps the best of several repetitions, in wall time and in processor time. On a
// shared machine the wall time also blames the run for other programs: the load average is printed.

#include "analysis/analysis_state.h"
#include "analysis/bma_lanes.h"
#include "analysis/d_search.h"
#include "analysis/regression.h"
#include "analysis/result_table.h"
#include "analysis/wave_peeling.h"
#include "batch/batch.h"
#include "views/analysis_views.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPoints = 1500;
constexpr std::uint64_t kSeed = 20240611;

// The window's defaults: both adjustments on, the same i in every box.
class BenchObserver final : public vantrel::WaveObserver {
public:
    explicit BenchObserver(std::string iText) : m_iText(std::move(iText)) {}

    vantrel::WaveModes modes() override { return {true, true}; }
    std::string iText(int /*box*/) override { return m_iText; }
    std::string dText(int /*box*/) override { return "0.00000"; }

private:
    std::string m_iText;
};

void loadRandomWalk(vantrel::AnalysisState& state) {
    std::mt19937_64 generator(kSeed);
    std::normal_distribution<double> step(0.0, 1.0);
    state.Data_count = kPoints;
    state.Decimals = 5;
    double level = 100.0;
    for (int i = 1; i <= kPoints; ++i) {
        level += step(generator);
        state.Data_value[i] = level;
    }
}

void prepareOscillation(vantrel::AnalysisState& state, vantrel::ResultTable& table) {
    loadRandomWalk(state);
    vantrel::Find_A_B(state, vantrel::RegressionModel::Linear);
    vantrel::fillRegressionColumn(state, table, vantrel::RegressionModel::Linear);
    vantrel::Display_osc(state, table);
}

double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Wall and processor seconds of one measurement.
struct Seconds {
    double wall = INFINITY;
    double cpu = INFINITY;

    void keepBest(const Seconds& other) {
        wall = std::min(wall, other.wall);
        cpu = std::min(cpu, other.cpu);
    }
};

class Stopwatch {
public:
    Seconds elapsed() const {
        return {std::chrono::duration<double>(Clock::now() - m_wallStart).count(), processSeconds() - m_cpuStart};
    }

private:
    Clock::time_point m_wallStart = Clock::now();
    double m_cpuStart = processSeconds();
};

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct TimedRun {
    Seconds seconds;
    double callingThreadCpu = INFINITY; // of the calling thread alone: the other thread's share is the rest
    vantrel::WaveRunStats stats;
};

TimedRun bestWaveRun(vantrel::AnalysisState& state, const std::string& iText, int repetitions,
                     const vantrel::AveragingMode& mode = {}) {
    TimedRun best;
    for (int r = 0; r < repetitions; ++r) {
        BenchObserver observer(iText);
        const Stopwatch stopwatch;
        const double threadStart = threadSeconds();
        best.stats = {};
        vantrel::Display_waves(state, observer, &best.stats, mode);
        best.seconds.keepBest(stopwatch.elapsed());
        best.callingThreadCpu = std::min(best.callingThreadCpu, threadSeconds() - threadStart);
    }
    return best;
}

// The weight comes through a volatile so that the compiler cannot fold the chain.
volatile double g_floorD = 0.3;
volatile double g_sink = 0.0;

// One chain f = (w*x[k] + f) / (w + 1) over the points, continuing from f. Kept out of line so that f
// stays in a register, as the averaging pass keeps its running means.
[[gnu::noinline]] double runningMeanChain(const vantrel::Series& x, double w, double f) {
    for (int k = 1; k <= kPoints; ++k) {
        f = (w * x[k] + f) / (w + 1);
    }
    return f;
}

// Seconds of one chain, best of several batches. The chains of a batch continue one another, so no
// two of them can overlap.
Seconds floorSecondsPerChain(const vantrel::Series& x) {
    constexpr int kChainsPerBatch = 2000;
    constexpr int kBatches = 15;
    Seconds best;
    double f = x[1];
    for (int batch = 0; batch < kBatches; ++batch) {
        const Stopwatch stopwatch;
        for (int chain = 0; chain < kChainsPerBatch; ++chain) {
            f = runningMeanChain(x, std::exp(g_floorD), f);
        }
        const Seconds batchSeconds = stopwatch.elapsed();
        best.keepBest({batchSeconds.wall / kChainsPerBatch, batchSeconds.cpu / kChainsPerBatch});
    }
    g_sink = f;
    return best;
}

double laneSlotUse(const vantrel::WaveRunStats& stats) {
    return stats.laneSlots > 0 ? double(stats.laneAveragesTaken) / double(stats.laneSlots) : 0.0;
}

void printRun(const char* name, const TimedRun& run) {
    const vantrel::WaveRunStats& stats = run.stats;
    std::printf("%s: wall %.3f s, cpu %.3f s (calling thread %.3f s); requested calls %ld, needed calls %ld (reused "
                "%ld, averaged again "
                "%ld), passes %ld; lane rounds %ld, slots %ld, averagings taken %ld: lane-slot use %.3f; "
                "second-thread searches %ld\n",
                name, run.seconds.wall, run.seconds.cpu, run.callingThreadCpu, stats.requestedCalls,
                stats.computedCalls, stats.reusedCalls, stats.settledCalls, stats.passes, stats.laneRounds,
                stats.laneSlots, stats.laneAveragesTaken, laneSlotUse(stats), stats.secondThreadResults);
}

void printLoad() {
    double load[3] = {};
    if (getloadavg(load, 3) == 3) {
        std::printf("load average: %.2f %.2f %.2f on %u hardware threads\n", load[0], load[1], load[2],
                    std::thread::hardware_concurrency());
    }
}

// The whole default vantrel-batch run over the data as a 1500-line text, without the process start.
Seconds bestBatchRun(const vantrel::AnalysisState& data, int repetitions) {
    std::ostringstream text;
    text.precision(17);
    for (int i = 1; i <= data.Data_count; ++i) {
        text << data.Data_value[i] << "\r\n";
    }
    Seconds best;
    for (int r = 0; r < repetitions; ++r) {
        std::istringstream in(text.str());
        std::ostringstream out;
        std::ostringstream err;
        const Stopwatch stopwatch;
        if (vantrel::runBatch({}, in, out, err) != vantrel::kBatchOk) {
            std::fprintf(stderr, "batch run failed: %s\n", err.str().c_str());
        }
        best.keepBest(stopwatch.elapsed());
    }
    return best;
}

} // namespace

int main() {
    auto state = std::make_unique<vantrel::AnalysisState>();
    auto table = std::make_unique<vantrel::ResultTable>();
    prepareOscillation(*state, *table);

    printLoad();
    const vantrel::LaneKernel kernel = vantrel::preferredLaneKernel();
    std::printf("lane kernel: %s; a round of half the lanes takes %.2f of its time\n", vantrel::laneKernelName(kernel),
                vantrel::narrowLaneRoundCost(kernel));
    Seconds chain = floorSecondsPerChain(state->Osc_value);
    const TimedRun i8 = bestWaveRun(*state, "8", 5);
    printRun("i=8", i8);
    vantrel::AveragingMode oneThread;
    oneThread.parallelSearches = false;
    const TimedRun i999OneThread = bestWaveRun(*state, "999", 2, oneThread);
    printRun("i=999, one thread", i999OneThread);
    const TimedRun i999 = bestWaveRun(*state, "999", 3);
    printRun("i=999", i999);
    for (int k = 0; k < vantrel::kLaneKernelCount && std::getenv("VANTREL_BENCH_KERNELS") != nullptr; ++k) {
        vantrel::AveragingMode other;
        other.kernel = static_cast<vantrel::LaneKernel>(k);
        if (other.kernel != kernel && vantrel::laneKernelAvailable(other.kernel)) {
            printRun((std::string("i=999, ") + vantrel::laneKernelName(other.kernel)).c_str(),
                     bestWaveRun(*state, "999", 2, other));
        }
    }
    const Seconds batch = bestBatchRun(*state, 10);
    std::printf("batch, default options, %d lines: wall %.4f s, cpu %.4f s\n", kPoints, batch.wall, batch.cpu);
    chain.keepBest(floorSecondsPerChain(state->Osc_value));
    printLoad();

    const double floor = chain.cpu * static_cast<double>(i999.stats.passes);
    std::printf("floor: one chain of %d points: wall %.3f us, cpu %.3f us; x %ld passes: %.3f s\n", kPoints,
                chain.wall * 1e6, chain.cpu * 1e6, i999.stats.passes, floor);
    std::printf("one thread: floor_ratio %.3f cpu_ratio %.3f\n", i999OneThread.seconds.wall / floor,
                i999OneThread.seconds.cpu / floor);
    std::printf("floor_ratio: the i=999 run's wall time over the floor (target 0.12 or less), cpu_ratio: its processor "
                "time over the floor; lane-slot use: lane averagings a search took over the lanes the rounds ran "
                "(target 0.80). A second thread runs from 32 passes on.\n");
    std::printf("lane-slot use at i=999: %.3f\n", laneSlotUse(i999.stats));
    std::printf("cpu_ratio: %.3f\n", i999.seconds.cpu / floor);
    std::printf("floor_ratio: %.3f calls: %ld\n", i999.seconds.wall / floor, i999.stats.computedCalls);
    return 0;
}
