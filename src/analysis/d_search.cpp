#include "analysis/d_search.h"

#include <cmath>

namespace vantrel {

SearchStep nextStep(SearchStep s, int sign) {
    if (sign == -1 && sign == s.previous) {
        s.d = s.d - s.step;
    } else if (sign == -1 && sign != s.previous) {
        s.step = s.step / 10;
    } else if (sign == 0) {
        s.done = true;
    } else if (sign == 1 && sign == s.previous) {
        s.d = s.d + s.step;
    } else if (sign == 1 && sign != s.previous) {
        s.step = s.step / 10;
    }
    if (s.d <= -100 || s.d >= 100 || s.step < 0.00001) {
        s.done = true;
    }
    s.previous = sign;
    if (s.d >= 100) {
        s.d = 99.99999;
    }
    if (s.d <= -100) {
        s.d = -99.99999;
    }
    return s;
}

void MeasureHistory::observe(double d, double measure) {
    const int sign = signOf(measure);
    if (sign != 0 && m_hasPositive && m_hasNegative) {
        m_lineWasRight = lineSign(d) == sign;
    }
    if (sign > 0) {
        m_positiveD = d;
        m_positiveMeasure = measure;
        m_hasPositive = true;
    } else if (sign < 0) {
        m_negativeD = d;
        m_negativeMeasure = measure;
        m_hasNegative = true;
    }
}

int MeasureHistory::lineSign(double d) const {
    const double zero =
        m_positiveD - m_positiveMeasure * (m_negativeD - m_positiveD) / (m_negativeMeasure - m_positiveMeasure);
    return (d - zero) * (m_positiveD - zero) > 0 ? 1 : -1;
}

int MeasureHistory::foretoldSign(double d) const {
    return m_lineWasRight ? lineSign(d) : 0;
}

namespace {

// An averaging the search may ask for, how many moves the search has made with its step by then,
// and how likely it is to be asked for.
struct Guess {
    SearchAhead ahead;
    int moves;
    double likelihood;
};

// The chance that the measure keeps its sign at d after `moves` moves with one step. A change of sign
// came one step back at ten times this step (or the search started at 0, ten steps from a bound), so
// the zero lies within ten steps; taken as evenly spread there, the j-th move keeps the sign with
// chance (10 - j) / (11 - j). Half the weight goes to the history's line where it foretells the sign.
// These chances only rank the averagings the spare lanes compute ahead; any value in (0, 1) gives the
// same results, a poor one only more lane rounds.
double chanceToKeepSign(int moves, double d, int previous, const MeasureHistory& history) {
    // Past ten moves the even spread would say "never"; a measure that is not monotonic in d can
    // still keep its sign, so such a guess stays possible, behind every likelier one.
    constexpr double kBeyondTenMoves = 0.05;
    // A line that foretold the last sign right is trusted almost fully, but its other sign keeps a
    // lane when lanes are spare: the measure is only nearly straight between two measures.
    constexpr double kLineRight = 0.97;
    const double evenlySpread = moves < 10 ? (10.0 - moves) / (11.0 - moves) : kBeyondTenMoves;
    const int foretold = history.foretoldSign(d);
    if (foretold == 0) {
        return evenlySpread;
    }
    return 0.5 * (foretold == previous ? kLineRight : 1 - kLineRight) + 0.5 * evenlySpread;
}

// The averagings that follow the one at g's d, one for each sign the measure may have there. A pass
// that leaves d where it is reuses that averaging, and its sign is the same, so the passes are
// followed to the next d; a search that ends there asks for nothing more.
int followingGuesses(const Guess& g, const MeasureHistory& history, Guess (&following)[2]) {
    int count = 0;
    const SearchStep& at = g.ahead.at;
    if (at.done) {
        return 0;
    }
    for (int sign : {1, -1}) {
        SearchStep next = at;
        if (g.ahead.first) {
            next.previous = sign;
        }
        do {
            next = nextStep(next, sign);
        } while (!next.done && next.d == at.d);
        if (next.d == at.d) {
            continue;
        }
        const bool keeps = sign == at.previous;
        const double keepChance = g.ahead.first ? 0.5 : chanceToKeepSign(g.moves, at.d, at.previous, history);
        following[count++] = {
            {next, false, {}}, keeps ? g.moves + 1 : 1, g.likelihood * (keeps ? keepChance : 1 - keepChance)};
    }
    return count;
}

bool contains(const double* values, int count, double value) {
    for (int k = 0; k < count; ++k) {
        if (values[k] == value) {
            return true;
        }
    }
    return false;
}

// Up to `lanes` different d values the search may ask for, likeliest first; the one it asks for now
// comes first.
int guessDs(const SearchAhead& ahead, int moves, const MeasureHistory& history, double* ds, int lanes) {
    constexpr int kMaxOpen = 2 * kMaxLanes + 1; // each guess taken adds at most one net
    Guess open[kMaxOpen];
    int openCount = 0;
    open[openCount++] = {ahead, moves, 1.0};
    int count = 0;
    for (int taken = 0; taken < 2 * kMaxLanes && count < lanes && openCount > 0; ++taken) {
        int best = 0;
        for (int k = 1; k < openCount; ++k) {
            if (open[k].likelihood > open[best].likelihood) {
                best = k;
            }
        }
        const Guess guess = open[best];
        open[best] = open[--openCount];
        if (!contains(ds, count, guess.ahead.at.d)) {
            ds[count++] = guess.ahead.at.d;
        }
        Guess following[2];
        const int more = followingGuesses(guess, history, following);
        for (int k = 0; k < more; ++k) {
            open[openCount++] = following[k];
        }
    }
    return count;
}

long passCount(double i) {
    long passes = 0;
    for (double pass = 1; pass <= i; pass += 1) {
        ++passes;
    }
    return passes;
}

} // namespace

Averager::Averager(AnalysisState& state, WaveRunStats& stats, const AveragingMode& mode)
    : m_state(state), m_stats(stats) {
    if (mode.speculative) {
        m_lanes = std::make_unique<LaneAveraging>(mode.kernel, state.Data_count);
    }
}

void Averager::forget() {
    m_valid = false;
    m_seriesMeasured = false;
    m_laneCount = 0;
}

void Averager::run(double d, double i, const SearchAhead* ahead) {
    ++m_stats.requestedCalls;
    if (ahead != nullptr) {
        followSearch(*ahead);
    }
    if (m_valid && d == m_lastD && i == m_lastI) {
        return;
    }
    if (!m_seriesMeasured) {
        measureSeries(*m_seriesMeasures, m_state.Rem_value, m_state.Data_count);
        m_seriesMeasured = true;
    }
    m_valid = false;
    const long passes = passCount(i);
    if (!takeFromLanes(d, i)) {
        settleMeans();
        if (ahead != nullptr && m_lanes && passes >= 1 && m_state.Data_count >= 2) {
            averageInLanes(*ahead, i, passes);
            takeFromLanes(d, i);
        } else {
            BMA_Calculation(m_state, m_state.Rem_value, d, i, *m_seriesMeasures);
        }
    }
    m_valid = true;
    m_lastD = d;
    m_lastI = i;
    ++m_stats.computedCalls;
    m_stats.passes += passes;
    if (ahead != nullptr) {
        m_history.observe(d, ahead->measure());
    }
}

void Averager::followSearch(const SearchAhead& ahead) {
    if (ahead.first) {
        m_history.restart();
    }
    if (ahead.first || ahead.at.step != m_searchStep) {
        m_movesAtStep = 0;
    } else if (ahead.at.d != m_searchD) {
        ++m_movesAtStep;
    }
    m_searchStep = ahead.at.step;
    m_searchD = ahead.at.d;
}

// A lane holds only d values whose weight is finite, so the weight's check, the first thing the
// averaging raises, cannot fail here.
bool Averager::takeFromLanes(double d, double i) {
    if (i != m_laneI) {
        return false;
    }
    for (int lane = 0; lane < m_laneCount; ++lane) {
        if (m_laneDs[lane] == d) {
            m_lanes->copyAveraged(lane, m_state);
            m_meansOwedFromLane = lane;
            measureAveraging(m_state, m_state.Rem_value, *m_seriesMeasures);
            return true;
        }
    }
    return false;
}

void Averager::settleMeans() {
    if (m_meansOwedFromLane >= 0) {
        m_lanes->copyMeans(m_meansOwedFromLane, m_state);
        m_meansOwedFromLane = -1;
    }
}

void Averager::averageInLanes(const SearchAhead& ahead, double i, long passes) {
    double guesses[kMaxLanes] = {};
    const int guessCount = guessDs(ahead, m_movesAtStep, m_history, guesses, m_lanes->lanes());
    double weights[kMaxLanes];
    weights[0] = averagingWeight(guesses[0]);
    m_laneCount = 1;
    m_laneDs[0] = guesses[0];
    for (int k = 1; k < guessCount; ++k) {
        const double w = std::exp(guesses[k]);
        if (std::isfinite(w)) {
            weights[m_laneCount] = w;
            m_laneDs[m_laneCount++] = guesses[k];
        }
    }
    m_laneI = i;
    m_lanes->average(m_state.Rem_value, m_state.Data_count, weights, m_laneCount, passes);
    ++m_stats.laneRounds;
    m_stats.laneAverages += m_laneCount;
}

} // namespace vantrel
