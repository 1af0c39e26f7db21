#include "analysis/bma.h"
#include "analysis/d_search.h"
#include "analysis/text_rules.h"
#include "analysis/wave_peeling.h"

#include "analysis_test_support.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace vantrel {
namespace {

using testing_support::bits;
using testing_support::expectRuntimeError;
using testing_support::randomWalk;
using testing_support::stateWith;

// Box texts and switches as a window would hold them, and a record of what the peeling told it.
class RecordingObserver : public WaveObserver {
public:
    WaveModes m_modes{true, true};
    std::array<std::string, kWaveCount> m_iTexts;
    std::array<std::string, kWaveCount> m_dTexts;
    bool m_alternateI = false; // answers "8" and "3" by turns, to see that each search reads its box anew
    std::vector<std::pair<int, double>> m_steps; // search number, d
    std::vector<double> m_combined;
    std::vector<SearchKind> m_searches;
    std::vector<int> m_done;
    const AnalysisState* m_state = nullptr; // when set, each finished wave is copied into m_waves
    std::vector<std::vector<double>> m_waves;

    RecordingObserver() {
        m_iTexts.fill("8");
        m_dTexts.fill("0.00000");
    }

    WaveModes modes() override { return m_modes; }
    std::string iText(int box) override { return m_alternateI ? (m_iReads++ % 2 == 0 ? "8" : "3") : m_iTexts[box]; }
    std::string dText(int box) override { return m_dTexts[box]; }
    void searchStarted(int /*box*/, SearchKind kind) override { m_searches.push_back(kind); }
    void searchStep(int /*box*/, double d) override { m_steps.emplace_back(m_searches.size() - 1, d); }
    void combinedD(int /*box*/, double d) override { m_combined.push_back(d); }
    void waveDone(int wave) override {
        m_done.push_back(wave);
        if (m_state != nullptr) {
            m_waves.emplace_back(m_state->BMA_value.begin() + 1, m_state->BMA_value.begin() + 1 + m_state->Data_count);
        }
    }

    std::vector<double> stepsOfSearch(int search) const {
        std::vector<double> ds;
        for (const auto& [number, d] : m_steps) {
            if (number == search) {
                ds.push_back(d);
            }
        }
        return ds;
    }

private:
    int m_iReads = 0;
};

struct WaveRun {
    explicit WaveRun(const std::vector<double>& oscillation, int decimals = 5) {
        state->Data_count = static_cast<int16_t>(oscillation.size());
        state->Decimals = static_cast<uint8_t>(decimals);
        std::copy(oscillation.begin(), oscillation.end(), state->Osc_value.begin() + 1);
    }
    void run(const AveragingMode& mode = {}) { Display_waves(*state, observer, &stats, mode); }

    std::unique_ptr<AnalysisState> state = std::make_unique<AnalysisState>();
    RecordingObserver observer;
    WaveRunStats stats;
};

void expectSameResults(const WaveRun& actual, const WaveRun& expected) {
    for (int j = 1; j <= actual.state->Data_count; ++j) {
        ASSERT_EQ(bits(actual.state->Rem_value[j]), bits(expected.state->Rem_value[j])) << "point " << j;
        for (int k = 0; k < kWaveCount; ++k) {
            ASSERT_EQ(bits(actual.state->Wave_value[k][j]), bits(expected.state->Wave_value[k][j])) << j << " " << k;
        }
    }
    EXPECT_EQ(actual.observer.m_steps, expected.observer.m_steps);
    EXPECT_EQ(actual.observer.m_combined, expected.observer.m_combined);
}

const std::array<std::string, kWaveCount> kDefaultI = {"8", "8", "8", "8", "8", "8", "8", "8", "8", "8"};
const std::array<std::string, kWaveCount> kMixedI = {"8", "3", "1", "12", "0", "5.7", "8", "1e1", "9999", "abc"};

// A random walk scaled so that its squares add up to just past the largest double: an averaging
// that leaves it almost as it is (a large d) overflows, one that smooths it (d <= 0) does not.
std::vector<double> walkNearOverflow(std::uint64_t seed) {
    std::vector<double> values = randomWalk(200, seed);
    double squares = 0;
    for (double v : values) {
        squares += v * v;
    }
    const double scale = std::sqrt(DBL_MAX / (0.985 * squares));
    for (double& v : values) {
        v *= scale;
    }
    return values;
}

struct SpeculationCase {
    const char* name;
    std::vector<double> oscillation;
    WaveModes modes;
    std::array<std::string, kWaveCount> iTexts;
    bool alternateI = false;
    double overflowingD = NAN; // an averaging of the oscillation with this d overflows
    bool stopsWithAnError = false;
};

void PrintTo(const SpeculationCase& c, std::ostream* out) {
    *out << c.name;
}

std::string runCatchingTheError(WaveRun& run, const SpeculationCase& c, const AveragingMode& mode) {
    run.observer.m_modes = c.modes;
    run.observer.m_iTexts = c.iTexts;
    run.observer.m_alternateI = c.alternateI;
    try {
        run.run(mode);
    } catch (const RuntimeError& error) {
        return error.what();
    }
    return "";
}

class SpeculativeSearchTest : public testing::TestWithParam<SpeculationCase> {};

// Whatever the lanes guess, the run shows the same d values in the same order, writes the same
// columns and counts, and raises the same error after the same steps as the search that computes
// one averaging at a time; with every lane kernel of the processor.
TEST_P(SpeculativeSearchTest, EveryKernelRunsAsTheSequentialSearch) {
    const SpeculationCase& c = GetParam();
    WaveRun sequential(c.oscillation);
    const std::string error = runCatchingTheError(sequential, c, AveragingMode{false, LaneKernel::Sse2});
    ASSERT_EQ(!error.empty(), c.stopsWithAnError) << error;
    if (!std::isnan(c.overflowingD)) {
        auto state = stateWith(c.oscillation);
        expectRuntimeError(testing_support::kOverflow,
                           [&] { BMA_Calculation(*state, state->Data_value, c.overflowingD, 8); });
        for (double d : sequential.observer.stepsOfSearch(0)) {
            ASSERT_LT(d, c.overflowingD) << "wave 1 must not reach the overflow";
        }
    }
    for (LaneKernel kernel : {LaneKernel::Sse2, LaneKernel::Avx2, LaneKernel::Avx512}) {
        if (!laneKernelAvailable(kernel)) {
            continue;
        }
        SCOPED_TRACE(laneKernelName(kernel));
        WaveRun speculative(c.oscillation);
        EXPECT_EQ(runCatchingTheError(speculative, c, AveragingMode{true, kernel}), error);
        expectSameResults(speculative, sequential);
        for (int k = 1; k <= sequential.state->Data_count; ++k) {
            ASSERT_EQ(bits(speculative.state->BMA_value[k]), bits(sequential.state->BMA_value[k])) << k;
            ASSERT_EQ(bits(speculative.state->Fwd_mean[k]), bits(sequential.state->Fwd_mean[k])) << k;
            ASSERT_EQ(bits(speculative.state->Bwd_mean[k]), bits(sequential.state->Bwd_mean[k])) << k;
        }
        EXPECT_EQ(speculative.observer.m_searches, sequential.observer.m_searches);
        EXPECT_EQ(speculative.observer.m_done, sequential.observer.m_done);
        EXPECT_EQ(speculative.stats.computedCalls, sequential.stats.computedCalls);
        EXPECT_EQ(speculative.stats.passes, sequential.stats.passes);
    }
}

// Bounds: a constant oscillation drives the first searches to -99.99999 and +99.99999. Near overflow:
// d = 10 is among the first guesses (the first step goes 10 either way), but wave 1's amplitude
// search goes down; the wavelength search of the other walk goes up into the overflow.
INSTANTIATE_TEST_SUITE_P(
    Cases, SpeculativeSearchTest,
    testing::Values(
        SpeculationCase{"LongWalk", randomWalk(1500, 5), {true, true}, kDefaultI},
        SpeculationCase{"MixedI", randomWalk(300, 6), {true, true}, kMixedI},
        SpeculationCase{"IReadAgain", randomWalk(120, 7), {true, true}, kDefaultI, true},
        SpeculationCase{"Bounds", std::vector<double>(10, 1.0), {true, true}, kDefaultI},
        SpeculationCase{"AmplitudeOnly", randomWalk(200, 8), {true, false}, kMixedI},
        SpeculationCase{"WavelengthOnly", randomWalk(201, 9), {false, true}, kDefaultI},
        SpeculationCase{"Manual", randomWalk(202, 10), {false, false}, kMixedI},
        SpeculationCase{"UnreachedGuessOverflows", walkNearOverflow(1), {true, false}, kDefaultI, false, 10.0},
        SpeculationCase{"OverflowInTheSecondSearch", walkNearOverflow(3), {true, true}, kDefaultI, false, 10.0, true}),
    [](const testing::TestParamInfo<SpeculationCase>& info) { return std::string(info.param.name); });

// The first averaging of a search puts d = 10 among the lanes' guesses (the first move is 10 either
// way). A lane's averaging is taken for its own d, i and remainder only.
TEST(Averager, TakesALaneOnlyForItsDIAndRemainder) {
    auto state = stateWith(randomWalk(50, 3));
    state->Rem_value = state->Data_value;
    WaveRunStats stats;
    Averager averager(*state, stats, AveragingMode{});
    averager.run(SearchAhead{SearchStep{}, true, MeasureRef{}}, 8);
    auto expectThePlainAveraging = [&](double d, double i) {
        averager.run(d, i);
        auto plain = stateWith({});
        plain->Data_count = state->Data_count;
        BMA_Calculation(*plain, state->Rem_value, d, i);
        for (int k = 1; k <= state->Data_count; ++k) {
            ASSERT_EQ(bits(state->BMA_value[k]), bits(plain->BMA_value[k])) << "d " << d << " i " << i << " k " << k;
        }
        EXPECT_EQ(bits(state->BMA_wavelength), bits(plain->BMA_wavelength));
    };
    expectThePlainAveraging(10, 8);
    expectThePlainAveraging(10, 3);
    averager.forget();
    for (double& value : state->Rem_value) {
        value *= -0.5;
    }
    expectThePlainAveraging(10, 8);
    EXPECT_EQ(stats.laneRounds, 1);
}

// Manual mode takes each wave with its typed d and i read as values, once: letters read as 0 and an
// i beyond 1024 passes as 1024.
TEST(Display_waves, ManualModeReadsTheBoxesAsValuesAndCapsThePasses) {
    WaveRun run(randomWalk(60, 12));
    run.observer.m_modes = {false, false};
    run.observer.m_iTexts.fill("9999");
    run.observer.m_dTexts.fill("x");
    run.run();
    EXPECT_EQ(run.stats.requestedCalls, kWaveCount);
    EXPECT_EQ(run.stats.passes, kWaveCount * kMaxPasses);
    WaveRun typedZero(randomWalk(60, 12));
    typedZero.observer.m_modes = {false, false};
    typedZero.observer.m_iTexts.fill("1024");
    typedZero.run();
    expectSameResults(run, typedZero);
}

// Oscillation = wave 1 + ... + wave 10 + Remainder at every point; rows and entries above N untouched.
TEST(Display_waves, OscillationIsTheSumOfTheWavesAndTheRemainder) {
    const std::vector<double> oscillation = randomWalk(400, 31, 2.5);
    WaveRun run(oscillation);
    std::fill(run.state->Rem_value.begin() + 401, run.state->Rem_value.end(), 123.0);
    run.observer.m_state = run.state.get();
    run.run();
    ASSERT_EQ(run.observer.m_waves.size(), 10u);
    for (int j = 1; j <= 400; ++j) {
        double remainder = oscillation[j - 1];
        double sum = 0;
        for (const std::vector<double>& wave : run.observer.m_waves) {
            remainder = remainder - wave[j - 1];
            sum += wave[j - 1];
        }
        ASSERT_EQ(bits(run.state->Rem_value[j]), bits(remainder)) << j;
        EXPECT_NEAR(oscillation[j - 1], sum + run.state->Rem_value[j], 1e-10) << j;
    }
    EXPECT_EQ(run.state->Rem_value[401], 123.0);
    EXPECT_EQ(run.state->Rem_value[1500], 123.0);
    for (const Series& wave : run.state->Wave_value) {
        EXPECT_EQ(wave[401], 0.0);
    }
}

const std::vector<double> kUpToTheBound = {10, 20, 30, 40, 50, 60, 70, 80, 90, 99.99999};
const std::vector<double> kDownToTheBound = {-10, -20, -30, -40, -50, -60, -70, -80, -90, -99.99999};

// A positive oscillation without crossings: after any averaging its wavelength is 4N + 1, longer than
// every target, so the measure stays positive. Taking the whole series as wave 1 leaves zeros, whose
// wavelength 2 is shorter than every target.
TEST(Display_waves, SearchThatStaysPositiveEndsAtTheUpperBound) {
    WaveRun run(std::vector<double>(10, 1.0), 0);
    run.observer.m_modes = {false, true};
    run.run();
    EXPECT_EQ(run.observer.stepsOfSearch(0), kUpToTheBound);
    for (int search = 1; search < kWaveCount; ++search) {
        EXPECT_EQ(run.observer.stepsOfSearch(search), kDownToTheBound) << search;
    }
    EXPECT_EQ(run.state->Wave_value[0][1], 1.0);
    EXPECT_EQ(run.state->Rem_value[1], 0.0);
}

// A constant oscillation: the averaged series is the series, so the residual (0) is always weaker
// than the wave. The zeros left after wave 1 give a measure of exactly 0 at d = 0.
TEST(Display_waves, SearchThatStaysNegativeEndsAtTheLowerBoundAndAZeroMeasureStopsAtOnce) {
    WaveRun run(std::vector<double>(10, 1.0));
    run.observer.m_modes = {true, false};
    run.run();
    EXPECT_EQ(run.observer.stepsOfSearch(0), kDownToTheBound);
    for (int search = 1; search < kWaveCount; ++search) {
        EXPECT_EQ(run.observer.stepsOfSearch(search), std::vector<double>{0.0}) << search;
    }
    // Wave 1: 12 calls asked for (first, 10 loop passes, last), 11 computed; then 3 asked for and 1 computed.
    EXPECT_EQ(run.stats.requestedCalls, 12 + 9 * 3);
    EXPECT_EQ(run.stats.computedCalls, 11 + 9 * 1);
}

// Both on over the same series: dA = -99.99999 (X = 41), dW = 99.99999 (Y = 41, T = 10): the combined
// d stays at dA. From wave 2 on, X = Y = 2 and the combined d is dA = 0. The amplitude search comes first.
TEST(Display_waves, CombinedStepOnAConstantOscillation) {
    WaveRun run(std::vector<double>(10, 1.0));
    run.run();
    EXPECT_EQ(run.observer.m_combined, (std::vector<double>{-99.99999, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_EQ(run.observer.m_searches.size(), 20u);
    EXPECT_EQ(run.observer.m_searches[0], SearchKind::Amplitude);
    EXPECT_EQ(run.observer.m_searches[1], SearchKind::Wavelength);
}

// T(k) = 4^((k-1)/9) N^((10-k)/9): N for wave 1 down to 4 for wave 10.
TEST(WavelengthTarget, FromTheSeriesLengthDownToFour) {
    EXPECT_EQ(wavelengthTarget(1, 1500), 1500);
    EXPECT_EQ(wavelengthTarget(10, 1500), 4.0);
    EXPECT_NEAR(wavelengthTarget(5, 1500), 107.66569849574817, 1e-12);
    EXPECT_NEAR(wavelengthTarget(2, 10), 9.03201070136682, 1e-12);
}

TEST(CombinedD, BetweenTheAmplitudeAndTheWavelengthD) {
    // |ln 10 - ln 20| = |ln 40 - ln 20|: half way.
    EXPECT_NEAR(combinedD(1.0, 5.0, 10.0, 20.0, 40.0), 3.0, 1e-12);
    // The amplitude-adjusted wave already has the series' wavelength: dA.
    EXPECT_EQ(combinedD(1.5, -3.0, 20.0, 20.0, 40.0), 1.5);
    // The target is the series' wavelength: dW.
    EXPECT_NEAR(combinedD(1.5, -3.0, 10.0, 20.0, 20.0), -3.0, 1e-12);
    expectRuntimeError(testing_support::kInvalidArgument, [] { combinedD(1.0, 2.0, 0.0, 10.0, 10.0); });
}

// Wave, series and target wavelengths all equal: the formula would be 0 / 0; the wave is taken with dA.
TEST(CombinedD, AllThreeWavelengthsEqualGivesTheAmplitudeD) {
    EXPECT_EQ(combinedD(2.5, -7.0, 13.0, 13.0, 13.0), 2.5);
    EXPECT_EQ(combinedD(-99.99999, 99.99999, 4.0, 4.0, 4.0), -99.99999);
}

} // namespace
} // namespace vantrel
