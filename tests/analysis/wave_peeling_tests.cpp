#include "analysis/bma.h"
#include "analysis/d_search.h"
#include "analysis/wave_peeling.h"

#include "analysis_test_support.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace vantrel {
namespace {

using namespace testing_support;

using BoxTexts = std::array<std::string, kWaveCount>;
const BoxTexts kEights = {"8", "8", "8", "8", "8", "8", "8", "8", "8", "8"};
const BoxTexts kForties = {"40", "40", "40", "40", "40", "40", "40", "40", "40", "40"};
const BoxTexts kLargeI = {"300", "300", "300", "300", "300", "300", "300", "300", "300", "300"};
const BoxTexts kMixedI = {"8", "3", "1", "12", "0", "5.7", "8", "1e1", "9999", "abc"};

// A run of the peeling over an oscillation with the switches and box texts a window would hold, and a
// record of what the peeling told the window.
struct WaveRun : WaveObserver {
    explicit WaveRun(const std::vector<double>& oscillation, WaveModes modes = {}, const BoxTexts& i = kEights,
                     const BoxTexts& laterI = {})
        : state(stateWith(oscillation)), switches(modes), iTexts(i), laterITexts(laterI) {
        state->Osc_value = state->Data_value;
    }
    // The text of the run-time error that stopped the run, or "".
    std::string run(const AveragingMode& mode = {}) {
        return runtimeErrorOf([&] { Display_waves(*state, *this, &stats, mode); });
    }

    WaveModes modes() override {
        log += "modes ";
        return switches;
    }
    // From its second reading on, a box reads as laterITexts says, where that has a text.
    std::string iText(int box) override {
        const bool later = ++iReads[box] > 1 && !laterITexts[box].empty();
        log += "i" + std::to_string(box) + " ";
        return later ? laterITexts[box] : iTexts[box];
    }
    std::string dText(int box) override {
        log += "d" + std::to_string(box) + " ";
        return dTexts;
    }
    void waveStarted(int wave) override { log += "wave" + std::to_string(wave) + " "; }
    void searchStarted(int box, SearchKind kind) override {
        searches.push_back(kind);
        steps.emplace_back();
        log += "search" + std::to_string(box) + " ";
    }
    void searchStep(int box, double d) override {
        steps.back().push_back(d);
        log += std::to_string(box) + ":" + std::to_string(bits(d)) + " ";
    }
    void combinedD(int /*box*/, double d) override { combined.push_back(d); }
    void waveDone(int wave) override { log += "done" + std::to_string(wave) + " "; }

    std::unique_ptr<AnalysisState> state;
    WaveRunStats stats;
    WaveModes switches;
    BoxTexts iTexts;
    BoxTexts laterITexts;
    std::string dTexts = "0.00000";
    std::vector<SearchKind> searches;
    std::vector<std::vector<double>> steps; // the d values each search showed
    std::vector<double> combined;
    std::array<int, kWaveCount> iReads{};
    std::string log; // every call the window would see, in order
};

bool sameBits(const Series& a, const Series& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// A series scaled so that its squares add up to just past the largest double: an averaging that leaves
// it almost as it is (a large d) overflows, one that smooths it (d <= 0) does not.
std::vector<double> nearOverflow(std::vector<double> values) {
    const double squares = std::inner_product(values.begin(), values.end(), values.begin(), 0.0);
    for (double& v : values) {
        v *= std::sqrt(DBL_MAX / (0.985 * squares));
    }
    return values;
}

// Averaging at d = 0 leaves little of white noise, so its amplitude search goes up, towards the series.
std::vector<double> whiteNoiseNearOverflow(std::uint64_t seed) {
    std::vector<double> values = randomWalk(200, seed);
    std::adjacent_difference(values.begin(), values.end(), values.begin());
    return nearOverflow(values);
}

const AveragingMode kOneAtATime{false, LaneKernel::Sse2, false};

// The peeling as a plain loop of whole averagings, both switches on, the same i in every box: the d
// values each search shows and the d each wave is taken with.
struct PlainPeeling {
    std::vector<std::vector<double>> steps;
    std::vector<double> waveDs;
    std::unique_ptr<AnalysisState> state;
};

template <typename Measure> double plainSearch(PlainPeeling& p, double i, Measure measure) {
    AnalysisState& s = *p.state;
    p.steps.emplace_back();
    SearchStep at;
    BMA_Calculation(s, s.Rem_value, at.d, i);
    at.previous = signOf(measure());
    do {
        BMA_Calculation(s, s.Rem_value, at.d, i);
        at = nextStep(at, signOf(measure()));
        p.steps.back().push_back(at.d);
    } while (!at.done);
    BMA_Calculation(s, s.Rem_value, at.d, i);
    return at.d;
}

PlainPeeling plainPeeling(const std::vector<double>& oscillation, double i) {
    PlainPeeling p{{}, {}, stateWith(oscillation)};
    AnalysisState& s = *p.state;
    s.Rem_value = s.Data_value;
    for (int wave = 1; wave <= kWaveCount; ++wave) {
        const double target = wavelengthTarget(wave, s.Data_count);
        const double dA = plainSearch(p, i, [&s] { return s.Residual_RMS - s.BMA_RMS; });
        const double x = s.BMA_wavelength;
        const double dW = plainSearch(p, i, [&s, target] { return s.BMA_wavelength - target; });
        p.waveDs.push_back(combinedD(dA, dW, x, s.Series_wavelength, target));
        BMA_Calculation(s, s.Rem_value, p.waveDs.back(), i);
        for (int j = 1; j <= s.Data_count; ++j) {
            s.Rem_value[j] = s.Rem_value[j] - s.BMA_value[j];
            s.Wave_value[wave - 1][j] = s.BMA_value[j];
        }
    }
    return p;
}

// Whatever the lanes guess and whichever thread runs the wavelength search, the run makes the same
// calls of the window in the same order (the same i readings, the same d values shown), writes the
// same columns and counts, and raises the same error after the same steps as the search that
// computes one averaging at a time on one thread; with every lane kernel of the processor. Bounds: a
// constant oscillation drives the first searches to -99.99999 and +99.99999. Near overflow: d = 10 is
// among the first guesses (the first step goes 10 either way), but wave 1's amplitude search goes down
// and never asks for it; the wavelength search of the other walk goes up into the overflow, and the
// amplitude search of white noise does. A second thread's search stands for every wave with both
// switches on that reaches its wavelength search without an error, unless its i box changed meanwhile,
// when the wave asks for 32 passes or more, or as many point passes as 32 passes over 1500 points:
// below that a run is quicker on one thread than the time a second one costs.
TEST(Display_waves, GuessingAheadAndASecondThreadRunAsTheSequentialSearch) {
    struct Case {
        const char* name;
        std::vector<double> oscillation;
        WaveModes modes;
        BoxTexts iTexts;
        BoxTexts laterITexts;
        SearchKind stopsIn; // with an error
        int secondThreadResults;
    };
    constexpr SearchKind kNoError{-1};
    const Case cases[] = {
        {"long walk", randomWalk(1500, 5), {true, true}, kEights, {}, kNoError, 0},
        {"mixed i", randomWalk(300, 6), {true, true}, kMixedI, {}, kNoError, 1},
        {"large i", randomWalk(150, 7), {true, true}, kLargeI, {}, kNoError, 10},
        {"i box changed", randomWalk(300, 6), {true, true}, kForties, {"5"}, kNoError, 9},
        {"i box emptied", randomWalk(300, 6), {true, true}, kForties, {"0"}, kNoError, 9},
        {"bounds", std::vector<double>(10, 1.0), {true, true}, kForties, {}, kNoError, 10},
        {"amplitude only", randomWalk(200, 8), {true, false}, kMixedI, {}, kNoError, 0},
        {"wavelength only", randomWalk(201, 9), {false, true}, kEights, {}, kNoError, 0},
        {"unreached guess overflows", nearOverflow(randomWalk(200, 1)), {true, false}, kEights, {}, kNoError, 0},
        {"overflow, 2nd", nearOverflow(randomWalk(200, 3)), {true, true}, kForties, {}, SearchKind::Wavelength, 0},
        {"overflow, 1st", whiteNoiseNearOverflow(4), {true, true}, kForties, {}, SearchKind::Amplitude, 0}};
    for (const Case& c : cases) {
        WaveRun sequential(c.oscillation, c.modes, c.iTexts, c.laterITexts);
        const std::string error = sequential.run(kOneAtATime);
        EXPECT_EQ(!error.empty(), c.stopsIn != kNoError) << c.name << ": " << error;
        if (!error.empty()) {
            EXPECT_EQ(sequential.searches.back(), c.stopsIn) << c.name;
            EXPECT_FALSE(sequential.steps.back().empty()) << c.name << ": the error comes after some steps";
        }
        // Each wave keeps the d it was taken with: the combined one, or the last its search showed.
        const bool both = c.modes.amplitude && c.modes.wavelength;
        for (int wave = 1; wave <= kWaveCount && error.empty(); ++wave) {
            const auto& shown = sequential.steps[both ? 2 * wave - 1 : wave - 1];
            const double taken = both ? sequential.combined[wave - 1] : shown.back();
            EXPECT_EQ(sequential.state->Wave_result[wave - 1].d, taken) << c.name << " wave " << wave;
        }
        // Reusing a wave's averagings changes nothing of what a plain loop of whole averagings shows and takes.
        if (both && error.empty() && c.iTexts == kEights) {
            const PlainPeeling plain = plainPeeling(c.oscillation, 8);
            EXPECT_EQ(sequential.steps, plain.steps);
            EXPECT_EQ(sequential.combined, plain.waveDs);
            EXPECT_TRUE(sameBits(sequential.state->Rem_value, plain.state->Rem_value) &&
                        std::equal(sequential.state->Wave_value.begin(), sequential.state->Wave_value.end(),
                                   plain.state->Wave_value.begin(), sameBits));
        }
        for (int k = 0; k < kLaneKernelCount; ++k) {
            const LaneKernel kernel = static_cast<LaneKernel>(k);
            for (const int lanes : {0, 1, 2}) { // none; on two threads; on one thread
                const bool speculative = lanes > 0;
                if (!laneKernelAvailable(kernel) || (!speculative && kernel != LaneKernel::Sse2) ||
                    (lanes == 2 && kernel != preferredLaneKernel())) {
                    continue;
                }
                SCOPED_TRACE(std::string(c.name) + ", " + laneKernelName(kernel) + ", lanes " + std::to_string(lanes));
                WaveRun other(c.oscillation, c.modes, c.iTexts, c.laterITexts);
                EXPECT_EQ(other.run(AveragingMode{speculative, kernel, lanes < 2}), error);
                const AnalysisState& a = *other.state;
                const AnalysisState& e = *sequential.state;
                EXPECT_TRUE(sameBits(a.Rem_value, e.Rem_value) && sameBits(a.BMA_value, e.BMA_value) &&
                            sameBits(a.Fwd_mean, e.Fwd_mean) && sameBits(a.Bwd_mean, e.Bwd_mean) &&
                            std::equal(a.Wave_value.begin(), a.Wave_value.end(), e.Wave_value.begin(), sameBits) &&
                            std::memcmp(a.Wave_result.data(), e.Wave_result.data(), sizeof a.Wave_result) == 0);
                EXPECT_EQ(other.log, sequential.log);
                EXPECT_TRUE(other.combined == sequential.combined &&
                            other.stats.requestedCalls == sequential.stats.requestedCalls &&
                            other.stats.computedCalls == sequential.stats.computedCalls &&
                            other.stats.passes == sequential.stats.passes);
                EXPECT_EQ(other.stats.secondThreadResults,
                          std::thread::hardware_concurrency() >= 2 && lanes < 2 ? c.secondThreadResults : 0);
            }
        }
    }
}

// Manual mode takes each wave with its typed d and i read as values, once: letters read as 0 and an
// i beyond 1024 passes as 1024.
TEST(Display_waves, ManualModeReadsTheBoxesAsValuesAndCapsThePasses) {
    WaveRun typed(randomWalk(60, 12), {false, false},
                  {"9999", "9999", "9999", "9999", "9999", "9999", "9999", "9999", "9999", "9999"});
    typed.dTexts = "x";
    EXPECT_EQ(typed.run(), "");
    EXPECT_EQ(typed.stats.requestedCalls, kWaveCount);
    EXPECT_EQ(typed.stats.passes, kWaveCount * kMaxPasses);
    auto plain = stateWith(randomWalk(60, 12));
    BMA_Calculation(*plain, plain->Data_value, 0.0, kMaxPasses);
    EXPECT_TRUE(sameBits(typed.state->Wave_value[0], plain->BMA_value));
    const WaveResult first = typed.state->Wave_result[0];
    EXPECT_EQ(std::tuple(first.d, first.i, first.wavelength), std::tuple(0.0, kMaxPasses, plain->BMA_wavelength));
}

// A measure that changes its sign at every pass only divides the step, from 10: the seventh change
// leaves 1e-6, below the least step, and ends the search where it stands.
TEST(NextStep, EveryChangeOfSignDividesTheStepUntilItFallsBelowTheLeast) {
    SearchStep s;
    int changes = 0;
    for (int sign = 1; !s.done; sign = -sign, ++changes) {
        s = nextStep(s, sign);
    }
    EXPECT_EQ(changes, 7);
    EXPECT_EQ(s.d, 0.0);
}

// A constant oscillation, both switches on. Wave 1: the averaged series is the series, so the residual
// (0) is always weaker than the wave and the amplitude search ends at the lower bound; without
// crossings the wavelength is 4N + 1 = 41, longer than the target 10, and the wavelength search ends at
// the upper bound. X = Y = 41, so the combined d is dA. Taking the series as wave 1 leaves zeros: a
// measure of exactly 0 at d = 0 ends the amplitude search at once, and their wavelength 2 is shorter
// than every target. Rows above N are left as they were.
TEST(Display_waves, SearchesOfAConstantOscillationEndAtTheBoundsOrAtOnce) {
    WaveRun run(std::vector<double>(10, 1.0));
    run.state->Rem_value[11] = 123.0;
    run.run();
    const std::vector<double> up = {10, 20, 30, 40, 50, 60, 70, 80, 90, 99.99999};
    const std::vector<double> down = {-10, -20, -30, -40, -50, -60, -70, -80, -90, -99.99999};
    std::vector<std::vector<double>> steps = {down, up};
    std::vector<SearchKind> searches = {SearchKind::Amplitude, SearchKind::Wavelength};
    for (int wave = 2; wave <= kWaveCount; ++wave) {
        steps.insert(steps.end(), {{0.0}, down});
        searches.insert(searches.end(), {SearchKind::Amplitude, SearchKind::Wavelength});
    }
    EXPECT_EQ(run.steps, steps);
    EXPECT_EQ(run.searches, searches);
    EXPECT_EQ(run.combined, (std::vector<double>{-99.99999, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::tuple(run.state->Wave_value[0][10], run.state->Rem_value[11], run.state->Wave_value[0][11]),
              std::tuple(1.0, 123.0, 0.0));
    // Wave 1 is the constant itself (41 = 4N + 1 without crossings); the zeros after it measure 2.
    for (int wave = 1; wave <= kWaveCount; ++wave) {
        const WaveResult result = run.state->Wave_result[wave - 1];
        EXPECT_EQ(std::tuple(result.d, result.i, result.wavelength),
                  wave == 1 ? std::tuple(-99.99999, 8.0, 41.0) : std::tuple(0.0, 8.0, 2.0))
            << wave;
    }
    // A search asks for 12 averagings (first, 10 loop passes, last), a repeat of the previous one is
    // not computed. Wave 1: 12 + 12 + 1 asked for, 11 + 11 + 1 computed; then 3 + 12 + 1 asked for
    // and 1 + 10 + 1 computed (the wavelength search starts at the amplitude search's d = 0).
    EXPECT_EQ(run.stats.requestedCalls, 25 + 9 * 16);
    EXPECT_EQ(run.stats.computedCalls, 23 + 9 * 12);
}

// The wavelength target T(k) = 4^((k-1)/9) N^((10-k)/9) runs from N for wave 1 down to 4 for wave 10.
// The combined d lies between dA and dW, weighted by how far the wave's (x) and the target (t)
// wavelengths lie from the series' (y); dA when all three are equal, where the formula would be 0 / 0.
TEST(WavelengthTargetAndCombinedD, FromTheSeriesLengthDownToFourAndBetweenTheTwoDs) {
    EXPECT_EQ(wavelengthTarget(1, 1500), 1500);
    EXPECT_EQ(wavelengthTarget(10, 1500), 4.0);
    EXPECT_NEAR(wavelengthTarget(5, 1500), 107.66569849574817, 1e-12);
    EXPECT_NEAR(wavelengthTarget(2, 10), 9.03201070136682, 1e-12);
    EXPECT_NEAR(combinedD(1.0, 5.0, 10.0, 20.0, 40.0), 3.0, 1e-12); // |ln 10 - ln 20| = |ln 40 - ln 20|
    EXPECT_EQ(combinedD(1.5, -3.0, 20.0, 20.0, 40.0), 1.5);
    EXPECT_NEAR(combinedD(1.5, -3.0, 10.0, 20.0, 20.0), -3.0, 1e-12);
    EXPECT_EQ(combinedD(2.5, -7.0, 13.0, 13.0, 13.0), 2.5);
    EXPECT_EQ(combinedD(-99.99999, 99.99999, 4.0, 4.0, 4.0), -99.99999);
    expectRuntimeError("invalid argument", [] { combinedD(1.0, 2.0, 0.0, 10.0, 10.0); });
}

} // namespace
} // namespace vantrel
