#pragma once

#include "analysis/analysis_state.h"
#include "analysis/bma.h"
#include "analysis/bma_lanes.h"
#include "analysis/wave_peeling.h"

#include <memory>

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

// A search's measure of the averaging in the state (amplitude or wavelength), by reference.
class MeasureRef {
public:
    MeasureRef() = default;
    template <typename Measure>
    explicit MeasureRef(const Measure& measure)
        : m_measure(&measure), m_call([](const void* m) { return (*static_cast<const Measure*>(m))(); }) {}

    double operator()() const { return m_call != nullptr ? m_call(m_measure) : 0.0; }

private:
    const void* m_measure = nullptr;
    double (*m_call)(const void*) = nullptr;
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

// Runs the averaging of the running remainder, skipping a call whose arguments equal the previous
// one's: the remainder does not change within a wave, so the results would be identical. For the
// same reason the remainder's own measures are taken once per wave. When a search needs an averaging
// it does not have, the vector lanes compute beside it the averagings the search's next steps may
// need, for either sign of the measure; a later call finds its result there. Only a call that the
// search makes is measured, so an error can come only from the call that raises it in sequence.
class Averager {
public:
    Averager(AnalysisState& state, WaveRunStats& stats, const AveragingMode& mode);
    ~Averager() { settleMeans(); }
    Averager(const Averager&) = delete;
    Averager& operator=(const Averager&) = delete;

    void run(double d, double i) { run(d, i, nullptr); }
    void run(const SearchAhead& ahead, double i) { run(ahead.at.d, i, &ahead); }

    // The remainder has changed.
    void forget();

private:
    void run(double d, double i, const SearchAhead* ahead);
    void followSearch(const SearchAhead& ahead);
    bool takeFromLanes(double d, double i);
    void settleMeans();
    void averageInLanes(const SearchAhead& ahead, double i, long passes);

    AnalysisState& m_state;
    WaveRunStats& m_stats;
    std::unique_ptr<SeriesMeasures> m_seriesMeasures = std::make_unique<SeriesMeasures>();
    std::unique_ptr<LaneAveraging> m_lanes; // none in the sequential mode
    double m_laneDs[kMaxLanes] = {};
    int m_laneCount = 0;
    double m_laneI = 0.0;
    // The lane whose last pass's means Fwd_mean and Bwd_mean should hold, copied only before the
    // lanes are overwritten or the averager ends: nothing reads them in between.
    int m_meansOwedFromLane = -1;
    double m_searchStep = 0.0; // the search's step and d at its last averaging, and the moves made
    double m_searchD = 0.0;    // with that step
    int m_movesAtStep = 0;
    MeasureHistory m_history;
    bool m_seriesMeasured = false;
    bool m_valid = false;
    double m_lastD = 0.0;
    double m_lastI = 0.0;
};

// The d search with a measure of the averaging (amplitude or wavelength): the loop of nextStep, the
// box showing each pass's d, and one more averaging with the d found.
template <typename Measure>
double searchD(Averager& averager, double i, int box, WaveObserver& observer, Measure measure) {
    const MeasureRef measured(measure);
    SearchStep s;
    averager.run(SearchAhead{s, true, measured}, i);
    s.previous = signOf(measure());
    do {
        averager.run(SearchAhead{s, false, measured}, i);
        s = nextStep(s, signOf(measure()));
        observer.searchStep(box, s.d);
    } while (!s.done);
    averager.run(s.d, i);
    return s.d;
}

} // namespace vantrel
