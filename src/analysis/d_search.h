#pragma once

#include "analysis/analysis_state.h"
#include "analysis/bma.h"
#include "analysis/bma_lanes.h"
#include "analysis/wave_peeling.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vantrel {

// Where the d search stands between two averagings.
struct SearchStep {
    double d = 0;
    double step = 10;
    int previous = 0; // the measure's sign at the previous pass
    bool done = false;
};

inline int signOf(double value) {
    return value > 0 ? 1 : (value < 0 ? -1 : 0);
}

// One pass of the search loop, after the averaging at s.d gave the measure's sign: full steps in the
// direction of the sign, a tenth of the step at every change of sign, until the measure is 0, the
// step falls below 0.00001 or d reaches +-100 (then held at +-99.99999).
SearchStep nextStep(SearchStep s, int sign);

// The measures of one averaging, all a search reads of it.
struct AveragingMeasures {
    double bmaRms = 0.0;
    double residualRms = 0.0;
    double seriesWavelength = 0.0;
    double bmaWavelength = 0.0;
};

// A search's measure of the averaging in the state (amplitude or wavelength), by reference; also of
// the measures of another averaging.
class MeasureRef {
public:
    MeasureRef() = default;
    template <typename Measure>
    explicit MeasureRef(const Measure& measure)
        : m_measure(&measure), m_call([](const void* m) { return (*static_cast<const Measure*>(m))(); }),
          m_of([](const void* m, const AveragingMeasures& of) { return static_cast<const Measure*>(m)->of(of); }) {}

    double operator()() const { return m_call != nullptr ? m_call(m_measure) : 0.0; }
    double of(const AveragingMeasures& measures) const { return m_of(m_measure, measures); }

private:
    const void* m_measure = nullptr;
    double (*m_call)(const void*) = nullptr;
    double (*m_of)(const void*, const AveragingMeasures&) = nullptr;
};

// A search before one of its averagings: the state it will apply the measure's sign to, or, for the
// first averaging, whose sign only becomes `previous`; and its measure.
struct SearchAhead {
    SearchStep at;
    bool first = false;
    MeasureRef measure;
};

// What a search has seen of its measure: the latest d with a positive and with a negative measure,
// and whether the straight line through them foretold the signs seen since. A smooth measure (the
// amplitude's) is foretold well once its zero is bracketed; a stepped one (the wavelength's) is not,
// and then the line is not used.
class MeasureHistory {
public:
    void restart() { *this = MeasureHistory(); }
    void observe(double d, double measure);
    // The sign the line foretells at d, or 0 when there is no line or it has just been wrong.
    int foretoldSign(double d) const;

private:
    int lineSign(double d) const;

    double m_positiveD = 0.0;
    double m_positiveMeasure = 0.0;
    double m_negativeD = 0.0;
    double m_negativeMeasure = 0.0;
    bool m_hasPositive = false;
    bool m_hasNegative = false;
    bool m_lineWasRight = false;
};

// Foretells the sign of a measure that steps (the wavelength's), which the line through its values
// misses: each point of the averaged series moves smoothly with d, so between the latest d with a
// positive and with a negative measure the series lies close to the straight line between their two
// series, and so does the d where a crossing comes or goes and the measure steps. Knows nothing when
// either of the two calls took only the measures of its averaging.
class SeriesBetween {
public:
    void restart() { m_hasPositive = m_hasNegative = false; }
    // `averaged`: the call's averaged series, or null.
    void observe(double d, double measure, const Series* averaged, const MeasureRef& measureRef);
    // The sign foretold at d strictly between the two, or 0.
    int foretoldSign(double d, const Series& remainder, const SeriesMeasures& seriesMeasures) const;

private:
    Series m_positive;
    Series m_negative;
    double m_positiveD = 0.0;
    double m_negativeD = 0.0;
    bool m_hasPositive = false;
    bool m_hasNegative = false;
    MeasureRef m_measure;
    mutable std::unique_ptr<AveragingArrays> m_between;
};

// The time of a round of the narrower lane kernel a search may use beside `wide` (half its lanes),
// over a round of `wide`, measured once; 1 when there is none that is faster.
double narrowLaneRoundCost(LaneKernel wide);

// The measures of the averagings a wave has made, for any later call of the wave with the same d and
// i: the remainder does not change within a wave, so neither would the result. The two searches of a
// wave share one, also across two threads. Only averagings that succeeded are kept, so a call that
// raises an error always averages and raises it.
class WaveMemo {
public:
    void clear();
    void remember(double d, double i, const AveragingMeasures& measures);
    // An averaging computed in a lane beside those asked for.
    void rememberFromLanes(double d, double i, const AveragingMeasures& measures);
    // The first time an averaging from a lane is taken: true once for each.
    bool creditLane(double d, double i);
    bool recall(double d, double i, AveragingMeasures& measures) const;
    // Waits until an averaging with d and i is remembered or another averager's round computes it;
    // false when stopped first.
    bool waitUntilExpected(double d, double i, const void* asker, std::stop_token stop);

    // The lanes of a round whose measures the memo will hold when it ends. A round never waits, so
    // waiting for another averager's round ends.
    void beginRound(const void* owner, const double* ds, int count, double i);
    void endRound(const void* owner);
    // Waits while another averager's round computes d and i.
    void waitWhileComputing(double d, double i, const void* asker);
    // Whether the memo holds d and i or another averager's round computes them.
    bool expects(double d, double i, const void* asker) const;
    // The seconds since another averager's round that computes d and i began; below 0 when none does.
    double computingFor(double d, double i, const void* asker) const;

    // Where a search stands as it asks for an averaging. The two searches of a wave run side by side
    // on two threads; the calling thread, once its own has ended, follows the other to where it may end.
    struct Standing {
        const void* owner = nullptr;
        SearchAhead ahead;
        int moves = 0;
        MeasureHistory history;
        double i = 0.0;
    };
    void publish(const Standing& standing);
    void withdraw(const void* owner);
    // Once the amplitude search has ended: the combined step's d for each d the wavelength search with
    // this i may end with (false: none). That search's rounds average those of its likely ends.
    using CombinedAt = std::function<bool(double end, double& d)>;
    void expectCombined(CombinedAt combinedAt, double i);
    // None (empty) for another i.
    CombinedAt combinedAt(double i) const;
    // Guesses a search leaves out of its round, for an idle averager's lanes.
    struct Offer {
        double ds[kMaxLanes];
        double likelihoods[kMaxLanes];
        int count = 0;
    };
    // An averager idle until another's search with this i ends stands by, and that search offers it
    // the guesses its own rounds leave out.
    void standBy(const void* helper, double i);
    bool helped(const void* asker, double i) const;
    void offer(const void* owner, const double* ds, const double* likelihoods, int count, double i);
    // Waits until another averager's search has moved since `seen` (stood somewhere new, begun a round,
    // offered guesses or ended), then gives its standing with this i and the guesses it offers (taken);
    // false once there is none.
    bool nextOtherStanding(const void* asker, double i, unsigned long& seen, Standing& standing, Offer& offered);

private:
    bool holds(double d, double i) const;
    bool computing(double d, double i, const void* asker) const;
    void moved();

    struct Entry {
        double d;
        double i;
        AveragingMeasures measures;
        bool laneUncredited;
    };
    void add(const Entry& entry);
    mutable std::mutex m_mutex;
    std::condition_variable_any m_remembered;
    std::vector<Entry> m_entries;
    struct Computing {
        const void* owner;
        double d;
        double i;
        std::chrono::steady_clock::time_point began;
    };
    std::vector<Computing> m_computing;
    std::vector<Standing> m_standings;
    unsigned long m_moves = 0; // standings published or withdrawn, rounds begun, guesses offered
    const void* m_helper = nullptr;
    double m_helperI = 0.0;
    Offer m_offer;
    CombinedAt m_combinedAt;
    double m_combinedI = 0.0;
};

// Runs the averaging of the running remainder, skipping a call whose arguments equal the previous
// one's: the remainder does not change within a wave, so the results would be identical. For the
// same reason the remainder's own measures are taken once per wave, and a call whose d and i the wave
// has averaged before only takes that averaging's measures; its arrays are averaged again only if the
// wave is taken from them (settle). When a search needs an averaging it does not have, the vector
// lanes compute beside it the averagings the search's next steps may need, for either sign of the
// measure; a later call finds its result there. Only a call that the search makes is measured, so an
// error can come only from the call that raises it in sequence.
// Averaged is the state, or the arrays of a search on a second thread.
template <typename Averaged> class AveragerOf {
public:
    AveragerOf(const Series& remainder, Averaged& averaged, WaveRunStats& stats, const AveragingMode& mode,
               WaveMemo* sharedMemo = nullptr);
    ~AveragerOf() { settleMeans(); }
    AveragerOf(const AveragerOf&) = delete;
    AveragerOf& operator=(const AveragerOf&) = delete;

    void run(double d, double i) { run(d, i, nullptr); }
    void run(const SearchAhead& ahead, double i) { run(ahead.at.d, i, &ahead); }

    // The arrays hold the averaging of the last call.
    void settle();
    // The arrays of the last call from the copies `other` kept of the combined step's averagings, when
    // it has them: its search with the last call's i has ended this wave.
    template <typename Other> void settleFrom(const AveragerOf<Other>& other) {
        if (m_valid && !m_arraysCurrent && other.copyKept(m_lastD, m_averaged)) {
            m_meansOwedFromLane = -1;
            m_arraysCurrent = true;
        }
    }
    template <typename To> bool copyKept(double d, To& to) const {
        for (int k = 0; k < m_combinedKeptCount; ++k) {
            const KeptArrays& kept = m_combinedKept[static_cast<std::size_t>(k)];
            if (kept.d == d) {
                for (int point = 1; point <= to.Data_count; ++point) {
                    to.BMA_value[point] = kept.BMA_value[point];
                    to.Fwd_mean[point] = kept.Fwd_mean[point];
                    to.Bwd_mean[point] = kept.Bwd_mean[point];
                }
                return true;
            }
        }
        return false;
    }
    // Keeps a copy of the last call's arrays, for settling a later call with the same d and i: the
    // combined step often lands on the amplitude search's d.
    void keepArrays();
    // A search on another averager ended with a call at (d, i) that gave these measures, after calls
    // counted in `stats` whose first was at (firstD, i): the calls count as made here, and the last
    // call becomes (d, i).
    void adopt(double d, double i, const AveragingMeasures& measures, const WaveRunStats& stats, double firstD);
    WaveMemo& memo() { return *m_memo; }
    // While another averager's search with this i runs, computes in lanes the guesses that search's
    // rounds leave out. Returns when the search has ended.
    void guessAfterOtherSearch(double i);

    // The remainder has changed.
    void forget();

private:
    void run(double d, double i, const SearchAhead* ahead);
    void obtain(double d, double i, const SearchAhead* ahead, long passes);
    void average(double d, double i, const SearchAhead* ahead, long passes);
    bool recall(double d, double i);
    void followSearch(const SearchAhead& ahead);
    bool takeFromLanes(double d, double i);
    // Computes in lanes, with no call asking for any, the averagings the search may ask for first
    // that the wave neither holds nor is computing, into the memo; only where lanes are measured.
    void guessAhead(const SearchAhead& ahead, double i);
    void settleMeans();
    // The lanes hold the search's likeliest next averagings; `asked`: the first is the one it asks for.
    void averageInLanes(const SearchAhead& ahead, double i, long passes, bool asked);

    // Guesses beyond the round's lanes are offered to the averager standing by.
    void averageRound(LaneAveraging& lanes, const double* guesses, const double* likelihoods, int guessCount, double i,
                      long passes, bool asked);
    bool inLanes(const double* ds, int count, double i) const;
    // Whether another averager's round computes d and i and began less than half a round ago.
    bool otherRoundJustBegun(double d, double i) const;

    LaneAveraging& lanesFor(const double* likelihoods, int guessCount, long passes);
    void measureLanes(double i);
    void keepCombined();

    const Series& m_remainder;
    Averaged& m_averaged;
    WaveRunStats& m_stats;
    std::unique_ptr<WaveMemo> m_ownMemo;
    WaveMemo* m_memo;
    std::unique_ptr<SeriesMeasures> m_seriesMeasures = std::make_unique<SeriesMeasures>();
    std::unique_ptr<LaneAveraging> m_lanes;       // none in the sequential mode
    std::unique_ptr<LaneAveraging> m_narrowLanes; // half of m_lanes, where that is faster
    LaneAveraging* m_activeLanes = nullptr;       // the lanes of the last round
    double m_narrowRoundBelow = -1.0;             // narrow rounds when the guesses left out add up to
                                                  // less; below 0 until measured
    double m_roundSeconds = 0.0;                  // the time of the latest wide round with measures
    double m_laneDs[kMaxLanes] = {};
    int m_laneCount = 0;
    unsigned m_lanesTaken = 0;    // a bit for each lane of the last round a search took
    bool m_lanesMeasured = false; // whether the last round's lanes went to the memo
    std::unique_ptr<AveragingArrays> m_laneMeasuring;
    double m_laneI = 0.0;
    // The lane whose last pass's means Fwd_mean and Bwd_mean should hold, copied only before the
    // lanes are overwritten or the averager ends: nothing reads them in between.
    int m_meansOwedFromLane = -1;
    double m_searchStep = 0.0; // the search's step and d at its last averaging, and the moves made
    double m_searchD = 0.0;    // with that step
    int m_movesAtStep = 0;
    MeasureHistory m_history;
    SeriesBetween m_between; // only where lanes are measured
    bool m_seriesMeasured = false;
    bool m_valid = false;
    bool m_arraysCurrent = false; // whether the arrays hold the last call's averaging, not only its measures
    std::unique_ptr<AveragingArrays> m_kept;
    double m_keptD = 0.0;
    double m_keptI = 0.0;
    bool m_hasKept = false;
    double m_lastD = 0.0;
    double m_lastI = 0.0;
    int m_sideBefore = 0;                    // the sign of the last call's d before the remainder changed
    double m_combinedDs[2 * kMaxLanes] = {}; // the combined step's d values among the round's guesses
    int m_combinedCount = 0;
    struct KeptArrays {
        explicit KeptArrays(int n) : BMA_value(n + 1), Fwd_mean(n + 1), Bwd_mean(n + 1) {}
        double d = 0.0;
        std::vector<double> BMA_value;
        std::vector<double> Fwd_mean;
        std::vector<double> Bwd_mean;
    };
    std::vector<KeptArrays> m_combinedKept; // the lanes of those, this wave
    int m_combinedKeptCount = 0;
};

extern template class AveragerOf<AnalysisState>;
extern template class AveragerOf<AveragingArrays>;

// The averager of the state's remainder into the state.
class Averager : public AveragerOf<AnalysisState> {
public:
    Averager(AnalysisState& state, WaveRunStats& stats, const AveragingMode& mode)
        : AveragerOf(state.Rem_value, state, stats, mode) {}
};

// The d search with a measure of the averaging (amplitude or wavelength): the loop of nextStep, each
// pass's d handed to onStep (the box shows it), and one more averaging with the d found.
template <typename Averager, typename Measure, typename OnStep>
double searchD(Averager& averager, double i, Measure measure, OnStep onStep) {
    const MeasureRef measured(measure);
    SearchStep s;
    averager.run(SearchAhead{s, true, measured}, i);
    s.previous = signOf(measure());
    do {
        averager.run(SearchAhead{s, false, measured}, i);
        s = nextStep(s, signOf(measure()));
        onStep(s.d);
    } while (!s.done);
    averager.run(s.d, i);
    return s.d;
}

// The two searches' measures: how much weaker the residual is than the averaged series, and how much
// longer the averaged series' wavelength is than the target.
template <typename Averaged> struct AmplitudeMeasure {
    const Averaged& a;
    double operator()() const { return a.Residual_RMS - a.BMA_RMS; }
    double of(const AveragingMeasures& m) const { return m.residualRms - m.bmaRms; }
};
template <typename Averaged> struct WavelengthMeasure {
    const Averaged& a;
    double target;
    double operator()() const { return a.BMA_wavelength - target; }
    double of(const AveragingMeasures& m) const { return m.bmaWavelength - target; }
};
template <typename Averaged> AmplitudeMeasure<Averaged> amplitudeMeasure(const Averaged& a) {
    return {a};
}
template <typename Averaged> WavelengthMeasure<Averaged> wavelengthMeasure(const Averaged& a, double target) {
    return {a, target};
}

// Whether a wave's wavelength search pays for a second thread: when the two searches share their
// lanes' averagings, or each averaging is long. Below that a wave takes a few milliseconds, and the
// two threads would average much the same d values twice.
bool secondThreadPays(double i, int n);

// The wavelength search of a wave on a second thread, started beside the amplitude search with the i
// read for it. Its steps are kept for the calling thread to show in their place; it never calls the
// window. The result stands only if the search raised nothing and the remainder and i are those the
// search would see in sequence; otherwise the search runs again in its place and raises what it raises.
class WavelengthSearchThread {
public:
    WavelengthSearchThread(int n, WaveMemo& memo, const AveragingMode& mode) : m_n(n), m_memo(memo), m_mode(mode) {}

    void start(const Series& remainder, double i, double target);
    // Waits for the search; true when its result stands for a search of this remainder with this i.
    bool finishedFor(const Series& remainder, double i);

    const std::vector<double>& steps() const { return m_steps; }
    double d() const { return m_d; }
    const WaveRunStats& stats() const { return m_stats; }
    // Whether a search with this i runs or has run without being waited for.
    bool startedWith(double i) const { return m_thread.joinable() && i == m_i; }
    AveragingMeasures measures() const;
    // The search's averager, for the copies it kept; only once the search has finished.
    const AveragerOf<AveragingArrays>& averager() const { return *m_averager; }

private:
    void search(std::stop_token stop);

    int m_n;
    WaveMemo& m_memo;
    AveragingMode m_mode;
    Series m_remainder{};
    std::unique_ptr<AveragingArrays> m_arrays;
    WaveRunStats m_stats;
    std::unique_ptr<AveragerOf<AveragingArrays>> m_averager;
    std::vector<double> m_steps;
    double m_i = 0.0;
    double m_target = 0.0;
    double m_d = 0.0;
    bool m_failed = false;
    std::jthread m_thread; // last: joined before the rest goes
};

} // namespace vantrel
