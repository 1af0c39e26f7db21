#include "analysis/bma.h"
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"
#include "analysis/wave_peeling.h"

#include "analysis_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace vantrel {
namespace {

using testing_support::randomWalk;

// Box texts and switches as a window would hold them, and a record of what the peeling told it.
class RecordingObserver : public WaveObserver {
public:
    struct Step {
        int box;
        double d;
        int search = -1; // index into m_searches
    };

    WaveModes m_modes{true, true};
    std::array<std::string, kWaveCount> m_iTexts;
    std::array<std::string, kWaveCount> m_dTexts;
    // Lets a test answer an i box differently from one read to the next.
    std::function<std::string(int box, int read)> m_iTextOfRead;
    std::vector<Step> m_steps;
    std::vector<Step> m_combined;
    std::vector<std::pair<int, SearchKind>> m_searches;
    std::vector<int> m_started;
    std::vector<int> m_done;
    std::vector<std::string> m_readErrors;
    // The wave just taken, copied from the state when the peeling reports it done.
    const AnalysisState* m_state = nullptr;
    std::vector<std::vector<double>> m_waves;

    RecordingObserver() {
        m_iTexts.fill("8");
        m_dTexts.fill("0.00000");
    }

    WaveModes modes() override { return m_modes; }
    std::string iText(int box) override {
        checkCurrentBox(box, "i");
        const int read = m_iReads[box]++;
        return m_iTextOfRead ? m_iTextOfRead(box, read) : m_iTexts[box];
    }
    std::string dText(int box) override {
        checkCurrentBox(box, "d");
        return m_dTexts[box];
    }
    void waveStarted(int wave) override { m_started.push_back(wave); }
    void searchStarted(int box, SearchKind kind) override { m_searches.emplace_back(box, kind); }
    void searchStep(int box, double d) override {
        m_steps.push_back({box, d, static_cast<int>(m_searches.size()) - 1});
    }
    void combinedD(int box, double d) override { m_combined.push_back({box, d}); }
    void waveDone(int wave) override {
        m_done.push_back(wave);
        if (m_state != nullptr) {
            m_waves.emplace_back(m_state->BMA_value.begin() + 1, m_state->BMA_value.begin() + 1 + m_state->Data_count);
        }
    }

    std::vector<double> stepsOfSearch(int search) const {
        std::vector<double> ds;
        for (const Step& step : m_steps) {
            if (step.search == search) {
                ds.push_back(step.d);
            }
        }
        return ds;
    }

    std::vector<double> stepsOf(int box) const {
        std::vector<double> ds;
        for (const Step& step : m_steps) {
            if (step.box == box) {
                ds.push_back(step.d);
            }
        }
        return ds;
    }

private:
    // A box is read only once its wave has been reached.
    void checkCurrentBox(int box, const char* which) {
        if (m_started.empty() || m_started.back() != box + 1) {
            m_readErrors.push_back(std::string(which) + " box " + std::to_string(box) + " read out of its wave");
        }
    }

    std::array<int, kWaveCount> m_iReads{};
};

std::unique_ptr<AnalysisState> oscillationState(const std::vector<double>& oscillation, int decimals = 5) {
    auto state = std::make_unique<AnalysisState>();
    state->Data_count = static_cast<int16_t>(oscillation.size());
    state->Decimals = static_cast<uint8_t>(decimals);
    for (size_t j = 0; j < oscillation.size(); ++j) {
        state->Osc_value[j + 1] = oscillation[j];
    }
    return state;
}

std::uint64_t bits(double x) {
    return std::bit_cast<std::uint64_t>(x);
}

// The wave view written straight from its steps: every averaging it asks for is computed, none is
// reused. It counts the calls asked for and those whose arguments differ from the previous call of
// the same wave, which are all that a run that reuses equal calls needs to compute.
class ReferenceWaveRun {
public:
    long m_requested = 0;
    long m_changed = 0;

    ReferenceWaveRun(AnalysisState& state, ResultTable& table, WaveObserver& observer)
        : m_s(state), m_table(table), m_observer(observer) {}

    void run() {
        const int n = m_s.Data_count;
        for (int j = 1; j <= n; ++j) {
            m_s.Rem_value[j] = m_s.Osc_value[j];
        }
        for (int k = 1; k <= kWaveCount; ++k) {
            peel(k);
        }
        for (int j = 1; j <= n; ++j) {
            m_table.setText(j, ResultTable::kRemainderColumn, formatCell(m_s.Rem_value[j], m_s.Decimals));
        }
    }

private:
    void call(double d, double i) {
        ++m_requested;
        if (m_firstOfWave || d != m_lastD || i != m_lastI) {
            ++m_changed;
        }
        m_firstOfWave = false;
        m_lastD = d;
        m_lastI = i;
        BMA_Calculation(m_s, m_s.Rem_value, d, i);
    }

    static double passes(const std::string& text) {
        const double i = valueOfText(text);
        return i > 1024 ? 1024 : i;
    }

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
            if (s == -1 && s == prev) {
                d = d - step;
            } else if (s == -1 && s != prev) {
                step = step / 10;
            } else if (s == 0) {
                done = true;
            } else if (s == 1 && s == prev) {
                d = d + step;
            } else if (s == 1 && s != prev) {
                step = step / 10;
            }
            if (d <= -100 || d >= 100 || step < 0.00001) {
                done = true;
            }
            prev = s;
            if (d >= 100) {
                d = 99.99999;
            }
            if (d <= -100) {
                d = -99.99999;
            }
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
        double dA = 0;
        double x = 0;
        double i = 0;
        if (modes.amplitude) {
            m_observer.searchStarted(box, SearchKind::Amplitude);
            i = passes(m_observer.iText(box));
            dA = search(i, box, [this] { return m_s.Residual_RMS - m_s.BMA_RMS; });
            x = m_s.BMA_wavelength;
        }
        if (modes.wavelength) {
            m_observer.searchStarted(box, SearchKind::Wavelength);
            i = passes(m_observer.iText(box));
            const double n = m_s.Data_count;
            const double t = std::pow(4.0, (k - 1) / 9.0) * std::pow(n, (10 - k) / 9.0);
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
            m_table.setText(j, ResultTable::kFirstWaveColumn + k - 1, formatCell(m_s.BMA_value[j], m_s.Decimals));
        }
        m_observer.waveDone(k);
    }

    AnalysisState& m_s;
    ResultTable& m_table;
    WaveObserver& m_observer;
    bool m_firstOfWave = true;
    double m_lastD = 0;
    double m_lastI = 0;
};

struct WaveRun {
    explicit WaveRun(std::unique_ptr<AnalysisState> runState) : state(std::move(runState)) {}

    std::unique_ptr<AnalysisState> state;
    std::unique_ptr<ResultTable> table = std::make_unique<ResultTable>();
    RecordingObserver observer;
    WaveRunStats stats;
};

void configure(RecordingObserver& observer, WaveModes modes, const std::array<std::string, kWaveCount>& iTexts) {
    observer.m_modes = modes;
    observer.m_iTexts = iTexts;
}

void expectSameResults(const WaveRun& actual, const WaveRun& expected) {
    const int n = actual.state->Data_count;
    for (int j = 1; j <= n; ++j) {
        ASSERT_EQ(bits(actual.state->Rem_value[j]), bits(expected.state->Rem_value[j])) << "point " << j;
        for (int c = ResultTable::kFirstWaveColumn; c <= ResultTable::kRemainderColumn; ++c) {
            ASSERT_EQ(actual.table->text(j, c), expected.table->text(j, c)) << "row " << j << " column " << c;
        }
    }
    ASSERT_EQ(actual.observer.m_steps.size(), expected.observer.m_steps.size());
    for (size_t m = 0; m < actual.observer.m_steps.size(); ++m) {
        EXPECT_EQ(actual.observer.m_steps[m].box, expected.observer.m_steps[m].box);
        EXPECT_EQ(bits(actual.observer.m_steps[m].d), bits(expected.observer.m_steps[m].d)) << "step " << m;
    }
    ASSERT_EQ(actual.observer.m_combined.size(), expected.observer.m_combined.size());
    for (size_t m = 0; m < actual.observer.m_combined.size(); ++m) {
        EXPECT_EQ(bits(actual.observer.m_combined[m].d), bits(expected.observer.m_combined[m].d));
    }
}

struct ReuseCase {
    const char* name;
    WaveModes modes;
    int points;
    std::uint64_t seed;
    std::array<std::string, kWaveCount> iTexts;
};

void PrintTo(const ReuseCase& c, std::ostream* out) {
    *out << c.name;
}

class ReuseOfEqualCallsTest : public testing::TestWithParam<ReuseCase> {};

// Reusing an averaging whose arguments equal the previous call's changes nothing in the results, and
// every call it computes differs from the one computed before it in the same wave.
TEST_P(ReuseOfEqualCallsTest, ResultsEqualARunThatComputesEveryCall) {
    const ReuseCase& c = GetParam();
    const std::vector<double> oscillation = randomWalk(c.points, c.seed);

    WaveRun actual{oscillationState(oscillation)};
    configure(actual.observer, c.modes, c.iTexts);
    actual.stats = Display_waves(*actual.state, *actual.table, actual.observer);

    WaveRun expected{oscillationState(oscillation)};
    configure(expected.observer, c.modes, c.iTexts);
    ReferenceWaveRun reference(*expected.state, *expected.table, expected.observer);
    reference.run();

    expectSameResults(actual, expected);
    EXPECT_EQ(actual.stats.requestedCalls, reference.m_requested);
    EXPECT_EQ(actual.stats.computedCalls, reference.m_changed);
    if (c.modes.amplitude || c.modes.wavelength) {
        EXPECT_LT(actual.stats.computedCalls, actual.stats.requestedCalls);
    }
    EXPECT_TRUE(actual.observer.m_readErrors.empty()) << actual.observer.m_readErrors.front();
}

const std::array<std::string, kWaveCount> kDefaultI = {"8", "8", "8", "8", "8", "8", "8", "8", "8", "8"};
const std::array<std::string, kWaveCount> kMixedI = {"8", "3", "1", "12", "0", "5.7", "8", "2", "20", "abc"};

INSTANTIATE_TEST_SUITE_P(Modes, ReuseOfEqualCallsTest,
                         testing::Values(ReuseCase{"BothDefault", {true, true}, 300, 11, kDefaultI},
                                         ReuseCase{"BothMixed", {true, true}, 300, 12, kMixedI},
                                         ReuseCase{"BothShort", {true, true}, 10, 13, kDefaultI},
                                         ReuseCase{"BothLong", {true, true}, 1500, 14, kDefaultI},
                                         ReuseCase{"Amplitude", {true, false}, 200, 15, kMixedI},
                                         ReuseCase{"Wavelength", {false, true}, 200, 16, kMixedI},
                                         ReuseCase{"Manual", {false, false}, 200, 17, kMixedI}),
                         [](const testing::TestParamInfo<ReuseCase>& info) { return std::string(info.param.name); });

// The i box is read anew for the wavelength search; a changed text must not reuse the amplitude
// search's last averaging.
TEST(Display_waves, IReadAgainForTheWavelengthSearch) {
    const std::vector<double> oscillation = randomWalk(120, 21);
    auto alternate = [](int /*box*/, int read) { return read % 2 == 0 ? std::string("8") : std::string("3"); };
    WaveRun actual{oscillationState(oscillation)};
    actual.observer.m_iTextOfRead = alternate;
    actual.stats = Display_waves(*actual.state, *actual.table, actual.observer);
    WaveRun expected{oscillationState(oscillation)};
    expected.observer.m_iTextOfRead = alternate;
    ReferenceWaveRun reference(*expected.state, *expected.table, expected.observer);
    reference.run();
    expectSameResults(actual, expected);
    EXPECT_EQ(actual.stats.computedCalls, reference.m_changed);
}

TEST(Display_waves, OscillationIsTheSumOfTheWavesAndTheRemainder) {
    const std::vector<double> oscillation = randomWalk(400, 31, 2.5);
    WaveRun run{oscillationState(oscillation)};
    run.observer.m_state = run.state.get();
    run.stats = Display_waves(*run.state, *run.table, run.observer);
    ASSERT_EQ(run.observer.m_waves.size(), 10u);
    for (int j = 1; j <= 400; ++j) {
        double remainder = oscillation[j - 1];
        double sum = 0;
        for (const std::vector<double>& wave : run.observer.m_waves) {
            remainder = remainder - wave[j - 1];
            sum += wave[j - 1];
        }
        ASSERT_EQ(bits(run.state->Rem_value[j]), bits(remainder)) << j;
        EXPECT_NEAR(oscillation[j - 1], sum + run.state->Rem_value[j], 1e-12 * 100) << j;
        // The shown texts add up too, within the rounding of their five decimals.
        double shown = valueOfText(run.table->text(j, ResultTable::kRemainderColumn));
        for (int c = ResultTable::kFirstWaveColumn; c < ResultTable::kRemainderColumn; ++c) {
            shown += valueOfText(run.table->text(j, c));
        }
        EXPECT_NEAR(shown, oscillation[j - 1], 11 * 0.5e-5 + 1e-9) << j;
    }
}

TEST(Display_waves, ManualModeAveragesOncePerWaveWithTheTypedValues) {
    const std::vector<double> oscillation = randomWalk(200, 41);
    const std::array<std::string, kWaveCount> dTexts = {"0.5",  "-1.25", "2",      "0.00000", "-3.5",
                                                        "7e-1", "x",     "  -0.3", "1.5.2",   "-99.99999"};
    const std::array<std::string, kWaveCount> iTexts = {"3", "5", "1", "0", "2.9", "12", "8", "1e1", "4", "9999"};
    WaveRun run{oscillationState(oscillation)};
    run.observer.m_modes = {false, false};
    run.observer.m_dTexts = dTexts;
    run.observer.m_iTexts = iTexts;
    run.stats = Display_waves(*run.state, *run.table, run.observer);

    auto expected = oscillationState(oscillation);
    const double ds[] = {0.5, -1.25, 2, 0, -3.5, 0.7, 0, -0.3, 1.5, -99.99999};
    const double is[] = {3, 5, 1, 0, 2.9, 12, 8, 10, 4, 1024};
    for (int j = 1; j <= 200; ++j) {
        expected->Rem_value[j] = oscillation[j - 1];
    }
    for (int k = 0; k < kWaveCount; ++k) {
        BMA_Calculation(*expected, expected->Rem_value, ds[k], is[k]);
        for (int j = 1; j <= 200; ++j) {
            ASSERT_EQ(run.table->text(j, ResultTable::kFirstWaveColumn + k), formatCell(expected->BMA_value[j], 5));
            expected->Rem_value[j] = expected->Rem_value[j] - expected->BMA_value[j];
        }
    }
    for (int j = 1; j <= 200; ++j) {
        ASSERT_EQ(bits(run.state->Rem_value[j]), bits(expected->Rem_value[j])) << j;
    }
    EXPECT_TRUE(run.observer.m_steps.empty());
    EXPECT_TRUE(run.observer.m_searches.empty());
    EXPECT_TRUE(run.observer.m_combined.empty());
    EXPECT_EQ(run.stats.requestedCalls, 10);
    EXPECT_EQ(run.stats.computedCalls, 10);
    EXPECT_EQ(run.stats.passes, 3 + 5 + 1 + 0 + 2 + 12 + 8 + 10 + 4 + 1024);
    EXPECT_EQ(run.observer.m_started, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(run.observer.m_done, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

const std::vector<double> kUpToTheBound = {10, 20, 30, 40, 50, 60, 70, 80, 90, 99.99999};
const std::vector<double> kDownToTheBound = {-10, -20, -30, -40, -50, -60, -70, -80, -90, -99.99999};

// A positive oscillation without crossings: after any averaging its wavelength is 4N + 1, longer than
// every target, so the measure stays positive. Taking the whole series as wave 1 leaves zeros, whose
// wavelength 2 is shorter than every target.
TEST(Display_waves, SearchThatStaysPositiveEndsAtTheUpperBound) {
    WaveRun run{oscillationState(std::vector<double>(10, 1.0))};
    run.observer.m_modes = {false, true};
    run.stats = Display_waves(*run.state, *run.table, run.observer);
    EXPECT_EQ(run.observer.stepsOf(0), kUpToTheBound);
    for (int box = 1; box < kWaveCount; ++box) {
        EXPECT_EQ(run.observer.stepsOf(box), kDownToTheBound) << box;
    }
    EXPECT_EQ(run.table->text(1, ResultTable::kFirstWaveColumn), "1.00000");
    EXPECT_EQ(run.table->text(1, ResultTable::kRemainderColumn), "0.00000");
}

// A constant oscillation: the averaged series is the series, so the residual (0) is always weaker
// than the wave. The zeros left after wave 1 give a measure of exactly 0 at d = 0.
TEST(Display_waves, SearchThatStaysNegativeEndsAtTheLowerBoundAndAZeroMeasureStopsAtOnce) {
    WaveRun run{oscillationState(std::vector<double>(10, 1.0))};
    run.observer.m_modes = {true, false};
    run.stats = Display_waves(*run.state, *run.table, run.observer);
    EXPECT_EQ(run.observer.stepsOf(0), kDownToTheBound);
    for (int box = 1; box < kWaveCount; ++box) {
        EXPECT_EQ(run.observer.stepsOf(box), std::vector<double>{0.0}) << box;
    }
    // Wave 1: 12 calls asked for (first, 10 loop passes, last), 11 computed; then 3 asked for and 1 computed.
    EXPECT_EQ(run.stats.requestedCalls, 12 + 9 * 3);
    EXPECT_EQ(run.stats.computedCalls, 11 + 9 * 1);
}

// Both on over the same series: dA = -99.99999 (X = 41), dW = 99.99999 (Y = 41, T = 10): the combined
// d stays at dA. From wave 2 on, X = Y = 2 and the combined d is dA = 0.
TEST(Display_waves, CombinedStepOnAConstantOscillation) {
    WaveRun run{oscillationState(std::vector<double>(10, 1.0))};
    run.stats = Display_waves(*run.state, *run.table, run.observer);
    ASSERT_EQ(run.observer.m_combined.size(), 10u);
    EXPECT_EQ(run.observer.m_combined[0].d, -99.99999);
    for (int box = 1; box < kWaveCount; ++box) {
        EXPECT_EQ(run.observer.m_combined[box].box, box);
        EXPECT_EQ(run.observer.m_combined[box].d, 0.0);
    }
    ASSERT_EQ(run.observer.m_searches.size(), 20u);
    EXPECT_EQ(run.observer.m_searches[0], std::make_pair(0, SearchKind::Amplitude));
    EXPECT_EQ(run.observer.m_searches[1], std::make_pair(0, SearchKind::Wavelength));
}

bool near(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

// Walks one search's d values: each move is the current step, a change of sign keeps d and divides
// the step by ten, and the search ends at the bound, at a measure of 0, or after the seventh division.
void expectSearchSteps(const std::vector<double>& ds, const std::string& where) {
    ASSERT_FALSE(ds.empty()) << where;
    double step = 10;
    double previous = 0;
    int divisions = 0;
    for (size_t m = 0; m < ds.size(); ++m) {
        const double move = ds[m] - previous;
        const bool last = m + 1 == ds.size();
        if (move == 0) {
            step /= 10;
            ++divisions;
            ASSERT_TRUE(divisions < 7 || (divisions == 7 && last)) << where << " step " << m;
        } else if (std::fabs(ds[m]) == 99.99999) {
            ASSERT_TRUE(last && std::fabs(previous) + step >= 100) << where << " step " << m;
        } else {
            ASSERT_TRUE(near(std::fabs(move), step)) << where << " step " << m << " moved " << move;
        }
        previous = ds[m];
    }
    const double lastMove = ds.size() > 1 ? ds.back() - ds[ds.size() - 2] : ds.back();
    EXPECT_TRUE(std::fabs(ds.back()) == 99.99999 || lastMove == 0) << where;
}

TEST(Display_waves, SearchStepsAreTenThenTenthsOfIt) {
    for (std::uint64_t seed : {51u, 52u, 53u}) {
        WaveRun run{oscillationState(randomWalk(500, seed))};
        run.stats = Display_waves(*run.state, *run.table, run.observer);
        ASSERT_EQ(run.observer.m_searches.size(), 20u);
        for (int search = 0; search < 20; ++search) {
            expectSearchSteps(run.observer.stepsOfSearch(search),
                              "seed " + std::to_string(seed) + " search " + std::to_string(search));
        }
    }
}

TEST(Display_waves, IAboveTheBoxBoundRuns1024Passes) {
    const std::vector<double> oscillation = randomWalk(30, 61);
    for (WaveModes modes : {WaveModes{false, false}, WaveModes{true, true}}) {
        WaveRun bound{oscillationState(oscillation)};
        bound.observer.m_modes = modes;
        bound.observer.m_iTexts.fill("1024");
        bound.stats = Display_waves(*bound.state, *bound.table, bound.observer);
        for (const char* text : {"9999", "1e18", "1025"}) {
            WaveRun typed{oscillationState(oscillation)};
            typed.observer.m_modes = modes;
            typed.observer.m_iTexts.fill(text);
            typed.stats = Display_waves(*typed.state, *typed.table, typed.observer);
            expectSameResults(typed, bound);
            EXPECT_EQ(typed.stats.passes, bound.stats.passes) << text;
            EXPECT_EQ(typed.stats.passes, 1024 * typed.stats.computedCalls) << text;
        }
    }
}

TEST(Display_waves, CellsShowAtLeastFiveDecimals) {
    for (int decimals : {0, 3, 5, 9, 16}) {
        WaveRun run{oscillationState(randomWalk(20, 71), decimals)};
        run.stats = Display_waves(*run.state, *run.table, run.observer);
        const int shown = decimals < 5 ? 5 : decimals;
        for (int c = ResultTable::kFirstWaveColumn; c <= ResultTable::kRemainderColumn; ++c) {
            const std::string& text = run.table->text(7, c);
            ASSERT_EQ(text.size() - text.find('.') - 1, static_cast<size_t>(shown)) << text;
        }
    }
}

TEST(Display_waves, RowsAndRemainderEntriesAboveNUntouched) {
    WaveRun run{oscillationState(randomWalk(25, 81))};
    for (int j = 26; j <= kMaxPoints; ++j) {
        run.state->Rem_value[j] = 123.0;
    }
    run.stats = Display_waves(*run.state, *run.table, run.observer);
    for (int j = 26; j <= kMaxPoints; ++j) {
        ASSERT_EQ(run.state->Rem_value[j], 123.0);
        for (int c = 1; c < ResultTable::kColumns; ++c) {
            ASSERT_TRUE(run.table->text(j, c).empty()) << j << " " << c;
        }
    }
}

// An error stops the run where it stands: the waves before it are in the table, the rest are not.
TEST(Display_waves, RunTimeErrorStopsTheRunAtItsWave) {
    WaveRun run{oscillationState(randomWalk(20, 91))};
    run.observer.m_modes = {false, false};
    run.observer.m_dTexts[2] = "800";
    EXPECT_THROW(Display_waves(*run.state, *run.table, run.observer), RuntimeError);
    EXPECT_FALSE(run.table->text(1, ResultTable::kFirstWaveColumn + 1).empty());
    EXPECT_TRUE(run.table->text(1, ResultTable::kFirstWaveColumn + 2).empty());
    EXPECT_TRUE(run.table->text(1, ResultTable::kRemainderColumn).empty());
    EXPECT_EQ(run.observer.m_done, (std::vector<int>{1, 2}));
}

TEST(WavelengthTarget, FromTheSeriesLengthDownToFour) {
    for (int n : {10, 11, 1500}) {
        EXPECT_EQ(wavelengthTarget(1, n), n);
        EXPECT_EQ(wavelengthTarget(10, n), 4.0);
        const double ratio = wavelengthTarget(1, n) / wavelengthTarget(2, n);
        for (int k = 2; k < 10; ++k) {
            EXPECT_NEAR(wavelengthTarget(k, n) / wavelengthTarget(k + 1, n), ratio, 1e-12) << n << " " << k;
        }
    }
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
    const double x = 17.0, y = 40.5, t = 6.0, dA = -2.0, dW = 7.0;
    const double expected = dA + std::fabs(std::log(x) - std::log(y)) * (dW - dA) /
                                     (std::fabs(std::log(t) - std::log(y)) + std::fabs(std::log(x) - std::log(y)));
    EXPECT_EQ(combinedD(dA, dW, x, y, t), expected);
}

// Wave, series and target wavelengths all equal: the formula would be 0 / 0; the wave is taken with dA.
TEST(CombinedD, AllThreeWavelengthsEqualGivesTheAmplitudeD) {
    EXPECT_EQ(combinedD(2.5, -7.0, 13.0, 13.0, 13.0), 2.5);
    EXPECT_EQ(combinedD(-99.99999, 99.99999, 4.0, 4.0, 4.0), -99.99999);
}

TEST(CombinedD, WavelengthOfZeroIsAnInvalidArgument) {
    try {
        combinedD(1.0, 2.0, 0.0, 10.0, 10.0);
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), RuntimeError::Kind::InvalidArgument);
    }
}

} // namespace
} // namespace vantrel
