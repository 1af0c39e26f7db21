#include "analysis/d_search.h"

#include "analysis/runtime_error.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>

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

// What foretells a search's signs: for this averager's own search the series between two of its
// averagings, with what measuring them takes, and else the line through its measures. Where both
// foretell, the series is right as often for the amplitude and more often for the wavelength: the line
// misses a crossing that comes or goes between two d values, and a wrong sign costs a round.
struct Foresight {
    const MeasureHistory* history;
    const SeriesBetween* between = nullptr;
    const Series* remainder = nullptr;
    const SeriesMeasures* seriesMeasures = nullptr;
    int sideBefore = 0; // the sign of the d the averager's previous wave was taken with, 0 if none

    int foretoldSign(double d) const {
        const int byBetween = between != nullptr ? between->foretoldSign(d, *remainder, *seriesMeasures) : 0;
        return byBetween != 0 ? byBetween : history->foretoldSign(d);
    }
};

// An averaging the search may ask for, how many moves the search has made with its step by then,
// and how likely it is to be asked for.
struct Guess {
    SearchAhead ahead;
    int moves;
    double likelihood;
    const Foresight* foresight;
};

// The chance that the measure keeps its sign at d after `moves` moves with one step. A change of sign
// came one step back at ten times this step (or the search started at 0, ten steps from a bound), so
// the zero lies within ten steps; taken as evenly spread there, the j-th move keeps the sign with
// chance (10 - j) / (11 - j). Half the weight goes to the history's line where it foretells the sign.
// These chances only rank the averagings the spare lanes compute ahead; any value in (0, 1) gives the
// same results, a poor one only more lane rounds.
double chanceToKeepSign(const SearchStep& at, int moves, const Foresight& foresight) {
    // Past ten moves the even spread would say "never"; a measure that is not monotonic in d can
    // still keep its sign, so such a guess stays possible, behind every likelier one.
    constexpr double kBeyondTenMoves = 0.05;
    // A line that foretold the last sign right is trusted almost fully, but its other sign keeps a
    // lane when lanes are spare: the measure is only nearly straight between two measures.
    constexpr double kLineRight = 0.97;
    // Beyond the first step, d = +-10, the weight is over 20000 or under 1/20000: the averaging
    // leaves a series almost as it is or flattens it, and few measures still change sign there.
    constexpr double kBeyondFirstStep = 0.1;
    double evenlySpread = moves < 10 ? (10.0 - moves) / (11.0 - moves) : kBeyondTenMoves;
    if (at.step == SearchStep{}.step) {
        evenlySpread = kBeyondFirstStep;
    }
    const int previous = at.previous;
    const double d = at.d;
    const int foretold = foresight.foretoldSign(d);
    if (foretold == 0) {
        return evenlySpread;
    }
    return 0.5 * (foretold == previous ? kLineRight : 1 - kLineRight) + 0.5 * evenlySpread;
}

// The chance of the measure's sign at the first d, 0, which sends the search to that side. The d
// values of a series' waves run in order, so a wave's searches mostly end on the side of 0 the
// previous wave was taken on.
double firstSignChance(int sign, int sideBefore) {
    constexpr double kSameSide = 0.8;
    return sideBefore == 0 ? 0.5 : (sign == sideBefore ? kSameSide : 1 - kSameSide);
}

// The averagings that follow the one at g's d, one for each sign the measure may have there. A pass
// that leaves d where it is reuses that averaging, and its sign is the same, so the passes are
// followed to the next d; a search that ends there asks for nothing more, and is followed only when
// `keepEnds`, to where it ends.
int followingGuesses(const Guess& g, Guess (&following)[2], bool keepEnds = false) {
    int count = 0;
    const SearchStep& at = g.ahead.at;
    if (at.done) {
        return 0;
    }
    const double keepChance = g.ahead.first ? 0.5 : chanceToKeepSign(at, g.moves, *g.foresight);
    for (int sign : {1, -1}) {
        SearchStep next = at;
        if (g.ahead.first) {
            next.previous = sign;
        }
        do {
            next = nextStep(next, sign);
        } while (!next.done && next.d == at.d);
        if (next.d == at.d && !(keepEnds && next.done)) {
            continue;
        }
        const bool keeps = sign == at.previous;
        const double chance =
            g.ahead.first ? firstSignChance(sign, g.foresight->sideBefore) : (keeps ? keepChance : 1 - keepChance);
        following[count++] = {{next, false, {}}, keeps ? g.moves + 1 : 1, g.likelihood * chance, g.foresight};
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

// Takes the likeliest of the open guesses out of them (the first of equals).
Guess takeLikeliest(Guess* open, int& openCount) {
    int best = 0;
    for (int k = 1; k < openCount; ++k) {
        if (open[k].likelihood > open[best].likelihood) {
            best = k;
        }
    }
    const Guess guess = open[best];
    open[best] = open[--openCount];
    return guess;
}

// Up to `lanes` different d values the search may ask for that the wave has not averaged with i nor
// is averaging on the other thread, likeliest first; the one it asks for now comes first when
// `asked`, however the wave stands with it. Once the memo knows the combined step's d for the ends
// of this search, those of its likely ends are guessed beside its steps, at the chance of each end,
// and also go to `combined`, `combinedCount` of them.
int guessDs(const SearchAhead& ahead, int moves, const Foresight& foresight, const WaveMemo& memo, const void* asker,
            double i, double* ds, double* likelihoods, int lanes, bool asked, double* combined, int& combinedCount) {
    const WaveMemo::CombinedAt combinedAt = memo.combinedAt(i);
    // Guesses the wave holds are passed over: the two searches often take the same first steps.
    constexpr int kMaxTaken = 6 * kMaxLanes;
    constexpr int kMaxOpen = kMaxTaken + 2; // each guess taken adds at most one net
    Guess open[kMaxOpen];
    int openCount = 0;
    open[openCount++] = {ahead, moves, 1.0, &foresight};
    int count = 0;
    for (int taken = 0; taken < kMaxTaken && count < lanes && openCount > 0; ++taken) {
        const Guess guess = takeLikeliest(open, openCount);
        if (!contains(ds, count, guess.ahead.at.d) &&
            ((count == 0 && asked) || !memo.expects(guess.ahead.at.d, i, asker))) {
            likelihoods[count] = guess.likelihood;
            ds[count++] = guess.ahead.at.d;
        }
        double d = 0.0;
        if (guess.ahead.at.done && combinedAt && count < lanes && combinedAt(guess.ahead.at.d, d) &&
            !contains(ds, count, d) && !memo.expects(d, i, asker)) {
            likelihoods[count] = guess.likelihood;
            ds[count++] = d;
            combined[combinedCount++] = d;
        }
        Guess following[2];
        const int more = followingGuesses(guess, following, static_cast<bool>(combinedAt));
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

// Measuring a lane costs about one pass; from this many passes on, that is little beside the round.
constexpr long kMeasureLanesFromPasses = 32;

// A round begun less than this share of a round's time ago has just begun.
constexpr double kJustBegun = 0.5;

template <typename Averaged> AveragingMeasures measuresOf(const Averaged& a) {
    return {a.BMA_RMS, a.Residual_RMS, a.Series_wavelength, a.BMA_wavelength};
}

template <typename Averaged> void setMeasures(Averaged& a, const AveragingMeasures& m) {
    a.BMA_RMS = m.bmaRms;
    a.Residual_RMS = m.residualRms;
    a.Series_wavelength = m.seriesWavelength;
    a.BMA_wavelength = m.bmaWavelength;
}

} // namespace

void SeriesBetween::observe(double d, double measure, const Series* averaged, const MeasureRef& measureRef) {
    const int sign = signOf(measure);
    if (sign == 0) {
        return;
    }
    (sign > 0 ? m_hasPositive : m_hasNegative) = averaged != nullptr;
    if (averaged != nullptr) {
        (sign > 0 ? m_positive : m_negative) = *averaged;
        (sign > 0 ? m_positiveD : m_negativeD) = d;
    }
    m_measure = measureRef;
}

int SeriesBetween::foretoldSign(double d, const Series& remainder, const SeriesMeasures& seriesMeasures) const {
    const double t = (d - m_positiveD) / (m_negativeD - m_positiveD);
    if (!m_hasPositive || !m_hasNegative || !(t > 0 && t < 1)) {
        return 0;
    }
    const int n = static_cast<int>(m_positive.size()) - 1;
    if (!m_between || m_between->Data_count != n) {
        m_between = std::make_unique<AveragingArrays>(n);
    }
    for (int k = 1; k <= n; ++k) {
        m_between->BMA_value[k] = m_positive[k] + t * (m_negative[k] - m_positive[k]);
    }
    try {
        measureAveraging(*m_between, remainder, seriesMeasures);
    } catch (const RuntimeError&) {
        return 0;
    }
    return signOf(m_measure.of(measuresOf(*m_between)));
}

namespace {

template <typename From, typename To> void copyArrays(const From& from, To& to, int n) {
    for (int k = 1; k <= n; ++k) {
        to.BMA_value[k] = from.BMA_value[k];
        to.Fwd_mean[k] = from.Fwd_mean[k];
        to.Bwd_mean[k] = from.Bwd_mean[k];
    }
}

// Half the lanes in a round that takes less time: one pack of a pair kernel, or AVX2 beside
// AVX-512, whose division has a longer latency. A lone pack has no narrower kernel that is faster.
bool narrowerKernel(LaneKernel kernel, LaneKernel& narrower) {
    switch (kernel) {
    case LaneKernel::Avx2Pairs:
    case LaneKernel::Avx512:
        narrower = LaneKernel::Avx2;
        return laneKernelAvailable(narrower);
    case LaneKernel::Sse2Pairs:
        narrower = LaneKernel::Sse2;
        return true;
    default:
        return false;
    }
}

// The time of a narrow round over a wide one, measured once per kernel pair on a series of the
// largest length: what a round takes depends on the processor, not on the data.
double narrowRoundCost(LaneKernel wide, LaneKernel narrow) {
    constexpr int kPasses = 8;
    constexpr int kTries = 5;
    Series series(kMaxPoints + 1);
    for (int k = 1; k <= kMaxPoints; ++k) {
        series[k] = static_cast<double>(k % 17) - 8.0;
    }
    const double weights[kMaxLanes] = {0.5, 1, 2, 3, 4, 5, 6, 7};
    LaneAveraging lanes[2] = {LaneAveraging(wide), LaneAveraging(narrow)};
    double best[2] = {INFINITY, INFINITY};
    for (int attempt = 0; attempt < kTries; ++attempt) {
        for (int k = 0; k < 2; ++k) {
            const auto start = std::chrono::steady_clock::now();
            lanes[k].average(series, kMaxPoints, weights, lanes[k].lanes(), kPasses);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            best[k] = std::min(best[k], took.count());
        }
    }
    return best[1] / best[0];
}

// A narrow round saves 1 - cost of a wide one; leaving out guesses that would have been asked for
// costs about a fifth of a round each (a later round computes them beside others). The guesses left
// out are taken at the sum of their likelihoods.
double narrowRoundBelow(LaneKernel wide) {
    return 5.0 * (1.0 - narrowLaneRoundCost(wide));
}

} // namespace

double narrowLaneRoundCost(LaneKernel wide) {
    LaneKernel narrow;
    if (!narrowerKernel(wide, narrow)) {
        return 1.0;
    }
    switch (wide) {
    case LaneKernel::Avx512: {
        static const double avx512 = narrowRoundCost(wide, narrow);
        return avx512;
    }
    case LaneKernel::Avx2Pairs: {
        static const double avx2Pairs = narrowRoundCost(wide, narrow);
        return avx2Pairs;
    }
    default: {
        static const double sse2Pairs = narrowRoundCost(wide, narrow);
        return sse2Pairs;
    }
    }
}

namespace {

// Ends a round in the memo however the round ends.
struct RoundEnd {
    const void* owner;
    void operator()(WaveMemo* memo) const { memo->endRound(owner); }
};

// Thrown inside the second thread's search when its result is no longer wanted.
struct SearchAbandoned {};

} // namespace

void WaveMemo::clear() {
    const std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_computing.clear();
    m_standings.clear();
    m_helper = nullptr;
    m_offer.count = 0;
    m_combinedAt = {};
}

void WaveMemo::expectCombined(CombinedAt combinedAt, double i) {
    const std::lock_guard lock(m_mutex);
    m_combinedAt = std::move(combinedAt);
    m_combinedI = i;
}

WaveMemo::CombinedAt WaveMemo::combinedAt(double i) const {
    const std::lock_guard lock(m_mutex);
    return i == m_combinedI ? m_combinedAt : CombinedAt{};
}

void WaveMemo::remember(double d, double i, const AveragingMeasures& measures) {
    add({d, i, measures, false});
}

void WaveMemo::rememberFromLanes(double d, double i, const AveragingMeasures& measures) {
    add({d, i, measures, true});
}

void WaveMemo::add(const Entry& entry) {
    {
        const std::lock_guard lock(m_mutex);
        m_entries.push_back(entry);
    }
    m_remembered.notify_all();
}

bool WaveMemo::creditLane(double d, double i) {
    const std::lock_guard lock(m_mutex);
    for (Entry& entry : m_entries) {
        if (entry.d == d && entry.i == i && entry.laneUncredited) {
            entry.laneUncredited = false;
            return true;
        }
    }
    return false;
}

bool WaveMemo::holds(double d, double i) const {
    for (const Entry& entry : m_entries) {
        if (entry.d == d && entry.i == i) {
            return true;
        }
    }
    return false;
}

bool WaveMemo::waitUntilExpected(double d, double i, const void* asker, std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    return m_remembered.wait(lock, stop, [&] { return holds(d, i) || computing(d, i, asker); });
}

void WaveMemo::beginRound(const void* owner, const double* ds, int count, double i) {
    {
        const std::lock_guard lock(m_mutex);
        const auto began = std::chrono::steady_clock::now();
        for (int k = 0; k < count; ++k) {
            m_computing.push_back({owner, ds[k], i, began});
        }
        moved();
    }
    m_remembered.notify_all();
}

void WaveMemo::endRound(const void* owner) {
    {
        const std::lock_guard lock(m_mutex);
        std::erase_if(m_computing, [owner](const Computing& c) { return c.owner == owner; });
    }
    m_remembered.notify_all();
}

bool WaveMemo::computing(double d, double i, const void* asker) const {
    for (const Computing& c : m_computing) {
        if (c.owner != asker && c.d == d && c.i == i) {
            return true;
        }
    }
    return false;
}

double WaveMemo::computingFor(double d, double i, const void* asker) const {
    const std::lock_guard lock(m_mutex);
    for (const Computing& c : m_computing) {
        if (c.owner != asker && c.d == d && c.i == i) {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - c.began).count();
        }
    }
    return -1.0;
}

void WaveMemo::waitWhileComputing(double d, double i, const void* asker) {
    std::unique_lock lock(m_mutex);
    m_remembered.wait(lock, [&] { return !computing(d, i, asker); });
}

bool WaveMemo::expects(double d, double i, const void* asker) const {
    const std::lock_guard lock(m_mutex);
    return holds(d, i) || computing(d, i, asker);
}

void WaveMemo::moved() {
    ++m_moves;
}

void WaveMemo::publish(const Standing& standing) {
    {
        const std::lock_guard lock(m_mutex);
        moved();
        const auto same = std::find_if(m_standings.begin(), m_standings.end(),
                                       [&standing](const Standing& s) { return s.owner == standing.owner; });
        if (same != m_standings.end()) {
            *same = standing;
        } else {
            m_standings.push_back(standing);
        }
    }
    m_remembered.notify_all();
}

void WaveMemo::withdraw(const void* owner) {
    {
        const std::lock_guard lock(m_mutex);
        moved();
        std::erase_if(m_standings, [owner](const Standing& s) { return s.owner == owner; });
    }
    m_remembered.notify_all();
}

void WaveMemo::standBy(const void* helper, double i) {
    const std::lock_guard lock(m_mutex);
    m_helper = helper;
    m_helperI = i;
    m_offer.count = 0;
}

bool WaveMemo::helped(const void* asker, double i) const {
    const std::lock_guard lock(m_mutex);
    return m_helper != nullptr && m_helper != asker && m_helperI == i;
}

void WaveMemo::offer(const void* owner, const double* ds, const double* likelihoods, int count, double i) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_helper == nullptr || m_helper == owner || m_helperI != i) {
            return;
        }
        m_offer.count = std::min(count, kMaxLanes);
        std::copy(ds, ds + m_offer.count, m_offer.ds);
        std::copy(likelihoods, likelihoods + m_offer.count, m_offer.likelihoods);
        moved();
    }
    m_remembered.notify_all();
}

bool WaveMemo::nextOtherStanding(const void* asker, double i, unsigned long& seen, Standing& standing, Offer& offered) {
    std::unique_lock lock(m_mutex);
    m_remembered.wait(lock, [&] { return m_moves != seen; });
    seen = m_moves;
    offered = m_offer;
    m_offer.count = 0;
    for (const Standing& s : m_standings) {
        if (s.owner != asker && s.i == i) {
            standing = s;
            return true;
        }
    }
    m_helper = nullptr;
    return false;
}

bool WaveMemo::recall(double d, double i, AveragingMeasures& measures) const {
    const std::lock_guard lock(m_mutex);
    for (const Entry& entry : m_entries) {
        if (entry.d == d && entry.i == i) {
            measures = entry.measures;
            return true;
        }
    }
    return false;
}

template <typename Averaged>
AveragerOf<Averaged>::AveragerOf(const Series& remainder, Averaged& averaged, WaveRunStats& stats,
                                 const AveragingMode& mode, WaveMemo* sharedMemo)
    : m_remainder(remainder), m_averaged(averaged), m_stats(stats) {
    if (sharedMemo == nullptr) {
        m_ownMemo = std::make_unique<WaveMemo>();
    }
    m_memo = sharedMemo != nullptr ? sharedMemo : m_ownMemo.get();
    if (mode.speculative) {
        m_lanes = std::make_unique<LaneAveraging>(mode.kernel, m_averaged.Data_count);
        LaneKernel narrower;
        if (narrowerKernel(mode.kernel, narrower)) {
            m_narrowLanes = std::make_unique<LaneAveraging>(narrower, m_averaged.Data_count);
        }
    }
}

template <typename Averaged> void AveragerOf<Averaged>::forget() {
    m_sideBefore = m_valid ? signOf(m_lastD) : 0;
    m_valid = false;
    m_between.restart(); // its series and its measure belong to the search that has ended
    m_seriesMeasured = false;
    m_laneCount = 0;
    m_hasKept = false;
    m_combinedKeptCount = 0;
    if (m_ownMemo) {
        m_ownMemo->clear();
    }
}

template <typename Averaged> void AveragerOf<Averaged>::run(double d, double i, const SearchAhead* ahead) {
    ++m_stats.requestedCalls;
    if (ahead != nullptr) {
        followSearch(*ahead);
        if (m_lanes) {
            m_memo->publish({this, {ahead->at, ahead->first, {}}, m_movesAtStep, m_history, i});
        }
    } else {
        m_memo->withdraw(this);
    }
    if (m_valid && d == m_lastD && i == m_lastI) {
        return;
    }
    if (!m_seriesMeasured) {
        measureSeries(*m_seriesMeasures, m_remainder, m_averaged.Data_count);
        m_seriesMeasured = true;
    }
    m_valid = false;
    const long passes = passCount(i);
    obtain(d, i, ahead, passes);
    m_valid = true;
    m_lastD = d;
    m_lastI = i;
    ++m_stats.computedCalls;
    m_stats.passes += passes;
    if (ahead != nullptr) {
        const double measure = ahead->measure();
        m_history.observe(d, measure);
        if (m_lanes && passes >= kMeasureLanesFromPasses) {
            m_between.observe(d, measure, m_arraysCurrent ? &m_averaged.BMA_value : nullptr, ahead->measure);
        }
    }
}

// From this averager's lanes, or the memo (after the other thread's round that computes it), or
// averaged now.
template <typename Averaged>
void AveragerOf<Averaged>::obtain(double d, double i, const SearchAhead* ahead, long passes) {
    if (takeFromLanes(d, i)) {
        m_arraysCurrent = true;
        m_memo->remember(d, i, measuresOf(m_averaged));
        return;
    }
    // Another thread's round that has just begun leaves this one idle for most of a round: its lanes
    // compute the search's steps beyond d meanwhile, and d's sign comes as that round ends.
    if (ahead != nullptr && otherRoundJustBegun(d, i)) {
        guessAhead(*ahead, i);
    }
    m_memo->waitWhileComputing(d, i, this);
    if (!recall(d, i)) {
        average(d, i, ahead, passes);
    }
}

// Without passes the arrays are not all written: the means stay as the last averaging with passes
// left them, so those must be in place. Such an averaging costs little, and is never recalled.
template <typename Averaged> bool AveragerOf<Averaged>::recall(double d, double i) {
    AveragingMeasures measures;
    if (i < 1 || !m_memo->recall(d, i, measures)) {
        return false;
    }
    setMeasures(m_averaged, measures);
    m_arraysCurrent = false;
    ++m_stats.reusedCalls;
    if (m_memo->creditLane(d, i)) {
        ++m_stats.laneAveragesTaken;
    }
    return true;
}

template <typename Averaged>
void AveragerOf<Averaged>::average(double d, double i, const SearchAhead* ahead, long passes) {
    if (passes < 1) {
        settle();
    }
    settleMeans();
    if (ahead != nullptr && m_lanes && passes >= 1 && m_averaged.Data_count >= 2) {
        averageInLanes(*ahead, i, passes, true);
        takeFromLanes(d, i);
    } else {
        BMA_Calculation(m_averaged, m_remainder, d, i, *m_seriesMeasures);
    }
    m_arraysCurrent = true;
    m_memo->remember(d, i, measuresOf(m_averaged));
}

template <typename Averaged> void AveragerOf<Averaged>::settle() {
    if (!m_valid || m_arraysCurrent) {
        return;
    }
    if (m_hasKept && m_keptD == m_lastD && m_keptI == m_lastI) {
        settleMeans();
        copyArrays(*m_kept, m_averaged, m_averaged.Data_count);
        m_arraysCurrent = true;
        return;
    }
    ++m_stats.settledCalls;
    if (!takeFromLanes(m_lastD, m_lastI)) {
        settleMeans();
        BMA_Calculation(m_averaged, m_remainder, m_lastD, m_lastI, *m_seriesMeasures);
    }
    m_arraysCurrent = true;
}

template <typename Averaged> void AveragerOf<Averaged>::keepArrays() {
    if (!m_valid || !m_arraysCurrent) {
        return;
    }
    settleMeans();
    if (!m_kept) {
        m_kept = std::make_unique<AveragingArrays>(m_averaged.Data_count);
    }
    copyArrays(m_averaged, *m_kept, m_averaged.Data_count);
    m_hasKept = true;
    m_keptD = m_lastD;
    m_keptI = m_lastI;
}

template <typename Averaged>
void AveragerOf<Averaged>::adopt(double d, double i, const AveragingMeasures& measures, const WaveRunStats& stats,
                                 double firstD) {
    const bool firstRepeatsLast = m_valid && firstD == m_lastD && i == m_lastI;
    m_stats.requestedCalls += stats.requestedCalls;
    m_stats.computedCalls += stats.computedCalls - (firstRepeatsLast ? 1 : 0);
    m_stats.passes += stats.passes - (firstRepeatsLast ? passCount(i) : 0);
    m_stats.reusedCalls += stats.reusedCalls;
    m_stats.laneRounds += stats.laneRounds;
    m_stats.laneAverages += stats.laneAverages;
    m_stats.laneSlots += stats.laneSlots;
    m_stats.laneAveragesTaken += stats.laneAveragesTaken;
    m_stats.secondThreadResults += 1;
    if (m_valid && d == m_lastD && i == m_lastI) {
        return;
    }
    setMeasures(m_averaged, measures);
    m_valid = true;
    m_arraysCurrent = false;
    m_lastD = d;
    m_lastI = i;
}

template <typename Averaged> void AveragerOf<Averaged>::followSearch(const SearchAhead& ahead) {
    if (ahead.first) {
        m_history.restart();
        m_between.restart();
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
template <typename Averaged> bool AveragerOf<Averaged>::takeFromLanes(double d, double i) {
    if (i != m_laneI) {
        return false;
    }
    for (int lane = 0; lane < m_laneCount; ++lane) {
        if (m_laneDs[lane] == d) {
            m_activeLanes->copyAveraged(lane, m_averaged);
            m_meansOwedFromLane = lane;
            const bool firstTake = m_lanesMeasured ? m_memo->creditLane(d, i) : (m_lanesTaken & (1u << lane)) == 0;
            if (firstTake) {
                m_lanesTaken |= 1u << lane;
                ++m_stats.laneAveragesTaken;
            }
            measureAveraging(m_averaged, m_remainder, *m_seriesMeasures);
            return true;
        }
    }
    return false;
}

template <typename Averaged> void AveragerOf<Averaged>::settleMeans() {
    if (m_meansOwedFromLane >= 0) {
        m_activeLanes->copyMeans(m_meansOwedFromLane, m_averaged);
        m_meansOwedFromLane = -1;
    }
}

template <typename Averaged> void AveragerOf<Averaged>::guessAhead(const SearchAhead& ahead, double i) {
    const long passes = passCount(i);
    if (!m_lanes || passes < kMeasureLanesFromPasses || m_averaged.Data_count < 2) {
        return;
    }
    if (!m_seriesMeasured) {
        measureSeries(*m_seriesMeasures, m_remainder, m_averaged.Data_count);
        m_seriesMeasured = true;
    }
    settleMeans();
    averageInLanes(ahead, i, passes, false);
}

namespace {

// A round of guesses that together are taken less than once is left to the search's own rounds: it
// would mostly keep the lanes busy for nothing.
bool worthARound(const double* chances, int count) {
    double taken = 0.0;
    for (int k = 0; k < count; ++k) {
        taken += chances[k];
    }
    return taken >= 1.0;
}

} // namespace

template <typename Averaged> void AveragerOf<Averaged>::guessAfterOtherSearch(double i) {
    const long passes = passCount(i);
    if (!m_lanes || passes < kMeasureLanesFromPasses || m_averaged.Data_count < 2) {
        return;
    }
    WaveMemo::Standing standing;
    unsigned long seen = 0;
    WaveMemo::Offer offered;
    m_memo->standBy(this, i);
    while (m_memo->nextOtherStanding(this, i, seen, standing, offered)) {
        double ds[kMaxLanes];
        double chances[kMaxLanes];
        int count = 0;
        for (int k = 0; k < offered.count; ++k) {
            if (!contains(ds, count, offered.ds[k]) && !m_memo->expects(offered.ds[k], i, this)) {
                ds[count] = offered.ds[k];
                chances[count++] = offered.likelihoods[k];
            }
        }
        if (worthARound(chances, count) && !inLanes(ds, count, i)) {
            settleMeans();
            m_combinedCount = 0;
            averageRound(lanesFor(chances, count, passes), ds, chances, count, i, passes, false);
        }
    }
}

template <typename Averaged> bool AveragerOf<Averaged>::otherRoundJustBegun(double d, double i) const {
    const double since = m_memo->computingFor(d, i, this);
    return since >= 0 && since < kJustBegun * m_roundSeconds;
}

template <typename Averaged> bool AveragerOf<Averaged>::inLanes(const double* ds, int count, double i) const {
    if (i != m_laneI) {
        return false;
    }
    for (int k = 0; k < count; ++k) {
        if (!contains(m_laneDs, m_laneCount, ds[k])) {
            return false;
        }
    }
    return true;
}

template <typename Averaged>
void AveragerOf<Averaged>::averageInLanes(const SearchAhead& ahead, double i, long passes, bool asked) {
    double guesses[2 * kMaxLanes] = {};
    double likelihoods[2 * kMaxLanes] = {};
    const bool helped = passes >= kMeasureLanesFromPasses && m_memo->helped(this, i);
    Foresight foresight{&m_history};
    if (passes >= kMeasureLanesFromPasses) {
        foresight = {&m_history, &m_between, &m_remainder, m_seriesMeasures.get()};
    }
    foresight.sideBefore = m_sideBefore;
    m_combinedCount = 0;
    const int guessCount = guessDs(ahead, m_movesAtStep, foresight, *m_memo, this, i, guesses, likelihoods,
                                   (helped ? 2 : 1) * m_lanes->lanes(), asked, m_combinedDs, m_combinedCount);
    // A round that no call waits for runs while another round computes what this search asks for next:
    // the narrow lanes end no later, and its guesses beyond their first few are seldom taken.
    LaneAveraging& lanes = asked || !m_narrowLanes
                               ? lanesFor(likelihoods, std::min(guessCount, m_lanes->lanes()), passes)
                               : *m_narrowLanes;
    averageRound(lanes, guesses, likelihoods, guessCount, i, passes, asked);
}

template <typename Averaged>
void AveragerOf<Averaged>::averageRound(LaneAveraging& lanes, const double* guesses, const double* likelihoods,
                                        int guessCount, double i, long passes, bool asked) {
    m_activeLanes = &lanes;
    if (guessCount > m_activeLanes->lanes()) {
        const int own = m_activeLanes->lanes();
        m_memo->offer(this, guesses + own, likelihoods + own, guessCount - own, i);
    }
    guessCount = std::min(guessCount, m_activeLanes->lanes());
    double weights[kMaxLanes];
    m_laneCount = 0;
    if (asked) {
        weights[0] = averagingWeight(guesses[0]);
        m_laneDs[m_laneCount++] = guesses[0];
    }
    for (int k = asked ? 1 : 0; k < guessCount; ++k) {
        const double w = std::exp(guesses[k]);
        if (std::isfinite(w)) {
            weights[m_laneCount] = w;
            m_laneDs[m_laneCount++] = guesses[k];
        }
    }
    if (m_laneCount == 0) {
        return;
    }
    m_laneI = i;
    m_lanesTaken = 0;
    m_lanesMeasured = passes >= kMeasureLanesFromPasses;
    if (m_lanesMeasured) {
        m_memo->beginRound(this, m_laneDs, m_laneCount, i);
        const std::unique_ptr<WaveMemo, RoundEnd> roundEnd(m_memo, RoundEnd{this});
        const auto began = std::chrono::steady_clock::now();
        m_activeLanes->average(m_remainder, m_averaged.Data_count, weights, m_laneCount, passes);
        measureLanes(i);
        keepCombined();
        if (m_activeLanes == m_lanes.get()) {
            m_roundSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        }
    } else {
        m_activeLanes->average(m_remainder, m_averaged.Data_count, weights, m_laneCount, passes);
    }
    ++m_stats.laneRounds;
    m_stats.laneAverages += m_laneCount;
    m_stats.laneSlots += m_activeLanes->lanes();
}

// Every lane's measures go to the wave's memo, where the other search (or this one, once the lanes
// hold other averagings) finds them. A lane whose measuring raises is left out: only a call that
// asks for it raises its error.
template <typename Averaged> void AveragerOf<Averaged>::measureLanes(double i) {
    if (!m_laneMeasuring) {
        m_laneMeasuring = std::make_unique<AveragingArrays>(m_averaged.Data_count);
    }
    for (int lane = 0; lane < m_laneCount; ++lane) {
        m_activeLanes->copyAveraged(lane, *m_laneMeasuring);
        try {
            measureAveraging(*m_laneMeasuring, m_remainder, *m_seriesMeasures);
            m_memo->rememberFromLanes(m_laneDs[lane], i, measuresOf(*m_laneMeasuring));
        } catch (const RuntimeError&) {
        }
    }
}

// The combined step comes after the search on the second thread, when the lanes hold other
// averagings: it takes its arrays from these copies. On the calling thread the step follows the search
// at once, and finds the lanes of its last round.
template <typename Averaged> void AveragerOf<Averaged>::keepCombined() {
    if (m_ownMemo) {
        return;
    }
    for (int lane = 0; lane < m_laneCount; ++lane) {
        if (contains(m_combinedDs, m_combinedCount, m_laneDs[lane])) {
            if (m_combinedKept.size() == static_cast<std::size_t>(m_combinedKeptCount)) {
                m_combinedKept.emplace_back(m_averaged.Data_count);
            }
            KeptArrays& kept = m_combinedKept[static_cast<std::size_t>(m_combinedKeptCount++)];
            kept.d = m_laneDs[lane];
            m_activeLanes->copyAveraged(lane, kept);
            m_activeLanes->copyMeans(lane, kept);
        }
    }
}

// The narrower kernel's round takes less time; it is chosen when the guesses it leaves out are
// unlikely to be asked for: together less than once. Short rounds take the wide kernel: there the
// choice saves little, less than measuring the two kernels' rounds would cost.
template <typename Averaged>
LaneAveraging& AveragerOf<Averaged>::lanesFor(const double* likelihoods, int guessCount, long passes) {
    if (!m_narrowLanes || passes < kMeasureLanesFromPasses) {
        return *m_lanes;
    }
    if (m_narrowRoundBelow < 0) {
        m_narrowRoundBelow = narrowRoundBelow(m_lanes->kernel());
    }
    double leftOut = 0.0;
    for (int k = m_narrowLanes->lanes(); k < guessCount; ++k) {
        leftOut += likelihoods[k];
    }
    return leftOut < m_narrowRoundBelow ? *m_narrowLanes : *m_lanes;
}

template class AveragerOf<AnalysisState>;
template class AveragerOf<AveragingArrays>;

bool secondThreadPays(double i, int n) {
    constexpr long kLongAveraging = kMeasureLanesFromPasses * kMaxPoints; // point passes
    const long passes = passCount(i);
    return passes >= kMeasureLanesFromPasses || passes * n >= kLongAveraging;
}

void WavelengthSearchThread::start(const Series& remainder, double i, double target) {
    m_thread = {};
    if (std::isnan(i)) {
        return; // no averaging would ever match it in the memo: the search runs in its place
    }
    if (!m_averager) {
        m_arrays = std::make_unique<AveragingArrays>(m_n);
        m_averager = std::make_unique<AveragerOf<AveragingArrays>>(m_remainder, *m_arrays, m_stats, m_mode, &m_memo);
    }
    m_remainder = remainder;
    m_i = i;
    m_target = target;
    m_thread = std::jthread([this](std::stop_token stop) { search(stop); });
}

void WavelengthSearchThread::search(std::stop_token stop) {
    try {
        m_failed = false;
        m_stats = {};
        m_steps.clear();
        m_averager->forget();
        // Both searches start at the same d. The first one's round there serves both; it has just
        // begun, so this search's lanes compute its first steps meanwhile, as at any such round.
        if (!m_memo.waitUntilExpected(SearchStep{}.d, m_i, m_averager.get(), stop)) {
            throw SearchAbandoned{};
        }
        m_d = searchD(*m_averager, m_i, wavelengthMeasure(*m_arrays, m_target), [this, &stop](double d) {
            if (stop.stop_requested()) {
                throw SearchAbandoned{};
            }
            m_steps.push_back(d);
        });
    } catch (...) {
        m_failed = true;
    }
    m_memo.withdraw(m_averager.get());
}

bool WavelengthSearchThread::finishedFor(const Series& remainder, double i) {
    if (!m_thread.joinable()) {
        return false;
    }
    if (i != m_i) {
        m_thread.request_stop(); // an i box changed meanwhile: its result would be thrown away
    }
    m_thread.join();
    m_thread = {};
    if (m_failed || i != m_i) {
        return false;
    }
    for (int k = 1; k <= m_n; ++k) {
        if (std::bit_cast<std::uint64_t>(remainder[k]) != std::bit_cast<std::uint64_t>(m_remainder[k])) {
            return false;
        }
    }
    return true;
}

AveragingMeasures WavelengthSearchThread::measures() const {
    return measuresOf(*m_arrays);
}

} // namespace vantrel
