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

// The wave view written straight from its steps: every averaging it asks for is computed, none is
// reused. It counts the calls asked for and those whose arguments differ from the previous call of
// the same wave, which are all that a run that reuses equal calls needs to compute.
class ReferenceWaveRun {
public:
    long m_requested = 0;
    long m_changed = 0;
    long m_passes = 0; // of the changed calls

    explicit ReferenceWaveRun(WaveRun& run) : m_s(*run.state), m_observer(run.observer) {}

    void run() {
        const int n = m_s.Data_count;
        for (int j = 1; j <= n; ++j) {
            m_s.Rem_value[j] = m_s.Osc_value[j];
        }
        for (int k = 1; k <= kWaveCount; ++k) {
            peel(k);
        }
    }

private:
    void call(double d, double i) {
        ++m_requested;
        const bool changed = m_firstOfWave || d != m_lastD || i != m_lastI;
        m_changed += changed;
        m_passes += changed && i >= 1 ? static_cast<long>(i) : 0;
        m_firstOfWave = false;
        m_lastD = d;
        m_lastI = i;
        BMA_Calculation(m_s, m_s.Rem_value, d, i);
    }

    static double passes(const std::string& text) { return std::min(valueOfText(text), 1024.0); }
    static int sign(double e) { return e > 0 ? 1 : (e < 0 ? -1 : 0); }

    double search(double i, int box, const std::function<double()>& e) {
        double d = 0;
        double step = 10;
        bool done = false;
        call(d, i);
        int prev = sign(e());
        do {
            call(d, i);
            const int s = sign(e());
            if (s == 0) {
                done = true;
            } else if (s == prev) {
                d = d + s * step;
            } else {
                step = step / 10;
            }
            done = done || d <= -100 || d >= 100 || step < 0.00001;
            prev = s;
            d = d >= 100 ? 99.99999 : (d <= -100 ? -99.99999 : d);
            m_observer.searchStep(box, d);
        } while (!done);
        call(d, i);
        return d;
    }

    void peel(int k) {
        const int box = k - 1;
        m_firstOfWave = true;
        m_observer.waveStarted(k);
        const WaveModes modes = m_observer.modes();
        if (!modes.amplitude && !modes.wavelength) {
            const double d = valueOfText(m_observer.dText(box));
            call(d, passes(m_observer.iText(box)));
        }
        double dA = 0, x = 0, i = 0;
        if (modes.amplitude) {
            m_observer.searchStarted(box, SearchKind::Amplitude);
            i = passes(m_observer.iText(box));
            dA = search(i, box, [this] { return m_s.Residual_RMS - m_s.BMA_RMS; });
            x = m_s.BMA_wavelength;
        }
        if (modes.wavelength) {
            m_observer.searchStarted(box, SearchKind::Wavelength);
            i = passes(m_observer.iText(box));
            const double t = std::pow(4.0, (k - 1) / 9.0) * std::pow(double(m_s.Data_count), (10 - k) / 9.0);
            const double dW = search(i, box, [this, t] { return m_s.BMA_wavelength - t; });
            if (modes.amplitude) {
                const double y = m_s.Series_wavelength;
                const double denominator = std::fabs(std::log(t) - std::log(y)) + std::fabs(std::log(x) - std::log(y));
                const double dC =
                    denominator == 0 ? dA : dA + std::fabs(std::log(x) - std::log(y)) * (dW - dA) / denominator;
                m_observer.combinedD(box, dC);
                call(dC, i);
            }
        }
        for (int j = 1; j <= m_s.Data_count; ++j) {
            m_s.Rem_value[j] = m_s.Rem_value[j] - m_s.BMA_value[j];
            m_s.Wave_value[k - 1][j] = m_s.BMA_value[j];
        }
        m_observer.waveDone(k);
    }

    AnalysisState& m_s;
    WaveObserver& m_observer;
    bool m_firstOfWave = true;
    double m_lastD = 0;
    double m_lastI = 0;
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

struct ReuseCase {
    const char* name;
    WaveModes modes;
    int points;
    std::array<std::string, kWaveCount> iTexts;
    bool alternateI = false;
    bool constant = false; // a constant oscillation: from wave 2 on the amplitude search ends at d = 0
};

void PrintTo(const ReuseCase& c, std::ostream* out) {
    *out << c.name;
}

class ReuseOfEqualCallsTest : public testing::TestWithParam<ReuseCase> {};

// Reusing an averaging whose arguments equal the previous call's changes nothing in the results, and
// every call it computes differs from the one computed before it in the same wave. Manual mode reads
// the typed texts as values (a d of letters is 0, an i of 9999 is 1024 passes).
TEST_P(ReuseOfEqualCallsTest, ResultsEqualARunThatComputesEveryCall) {
    const ReuseCase& c = GetParam();
    const std::vector<double> oscillation =
        c.constant ? std::vector<double>(c.points, 1.0) : randomWalk(c.points, c.points + 11);
    WaveRun actual(oscillation);
    WaveRun expected(oscillation);
    for (WaveRun* run : {&actual, &expected}) {
        run->observer.m_modes = c.modes;
        run->observer.m_iTexts = c.iTexts;
        run->observer.m_dTexts = {"0.5", "-1.25", "2", "0.00000", "-3.5", "7e-1", "x", "  -0.3", "1.5.2", "-99.99999"};
        run->observer.m_alternateI = c.alternateI;
    }
    actual.run();
    ReferenceWaveRun reference(expected);
    reference.run();

    expectSameResults(actual, expected);
    EXPECT_EQ(actual.stats.requestedCalls, reference.m_requested);
    EXPECT_EQ(actual.stats.computedCalls, reference.m_changed);
    EXPECT_EQ(actual.stats.passes, reference.m_passes);
    EXPECT_EQ(actual.observer.m_done, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

const std::array<std::string, kWaveCount> kDefaultI = {"8", "8", "8", "8", "8", "8", "8", "8", "8", "8"};
const std::array<std::string, kWaveCount> kMixedI = {"8", "3", "1", "12", "0", "5.7", "8", "1e1", "9999", "abc"};

// The i box is read anew for the wavelength search: a changed text must not reuse the amplitude
// search's last averaging, also when both searches start at d = 0 (IReadAgain). Passes are capped at 1024.
INSTANTIATE_TEST_SUITE_P(Modes, ReuseOfEqualCallsTest,
                         testing::Values(ReuseCase{"BothMixed", {true, true}, 300, kMixedI},
                                         ReuseCase{"BothShort", {true, true}, 10, kDefaultI},
                                         ReuseCase{"BothLong", {true, true}, 1500, kDefaultI},
                                         ReuseCase{"Amplitude", {true, false}, 200, kMixedI},
                                         ReuseCase{"Wavelength", {false, true}, 201, kMixedI},
                                         ReuseCase{"Manual", {false, false}, 202, kMixedI},
                                         ReuseCase{"IReadAgain", {true, true}, 120, kDefaultI, true},
                                         ReuseCase{"IReadAgainAtDZero", {true, true}, 10, kDefaultI, true, true}),
                         [](const testing::TestParamInfo<ReuseCase>& info) { return std::string(info.param.name); });

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
        expectRuntimeError(RuntimeError::Kind::Overflow,
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
    expectRuntimeError(RuntimeError::Kind::InvalidArgument, [] { combinedD(1.0, 2.0, 0.0, 10.0, 10.0); });
}

// Wave, series and target wavelengths all equal: the formula would be 0 / 0; the wave is taken with dA.
TEST(CombinedD, AllThreeWavelengthsEqualGivesTheAmplitudeD) {
    EXPECT_EQ(combinedD(2.5, -7.0, 13.0, 13.0, 13.0), 2.5);
    EXPECT_EQ(combinedD(-99.99999, 99.99999, 4.0, 4.0, 4.0), -99.99999);
}

} // namespace
} // namespace vantrel
