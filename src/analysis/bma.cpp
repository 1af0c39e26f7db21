#include "analysis/bma.h"

#include "analysis/averaging_pass.h"

#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantrel {

namespace {

// One pass; a single point is its own average.
template <typename Averaged> void averagingPass(Averaged& s, double w, double wPlusOne, int n) {
    averageOnePass(s.BMA_value.data(), s.Fwd_mean.data(), s.Bwd_mean.data(), w, wPlusOne, n);
    if (n == 1) {
        s.BMA_value[1] = (s.Bwd_mean[1] + s.Fwd_mean[1]) / 2;
    }
}

// Where the straight line through (k, a) and (k + 1, b) crosses zero; not finite when it overflows.
double rawCrossingPosition(int k, double a, double b) {
    return (k * b - (k + 1) * a) / (b - a);
}

bool isFinite(double value) {
    return value - value == 0.0;
}

// Appends the position of the crossing that starts at k, not yet rounded. False when it overflows.
bool appendCrossingPosition(WorkingList& list, const double* y, int k) {
    const double position = rawCrossingPosition(k, y[k], y[k + 1]);
    if (!isFinite(position)) {
        return false;
    }
    list.append(position);
    return true;
}

bool oppositeSigns(double a, double b) {
    return (a > 0 && b < 0) || (a < 0 && b > 0);
}

// A crossing belongs to the point that ends it: a zero at k, or a change of sign from k - 1 to k,
// never both. Bit b of the answer is set where point start + b ends one, for up to 64 points from
// start >= 2 (point 1 has none before it). NaN has no sign and is no zero. Each point is also
// passed to visit, in order: work that waits on its own sums runs beside the comparisons.
template <typename Visit> uint64_t crossingEnds(const double* y, int start, int count, Visit& visit) {
    uint64_t ends = 0;
    int b = 0;
#if defined(__SSE2__)
    // Two points a step, without a branch: most points end no crossing.
    const __m128d zero = _mm_setzero_pd();
    for (; b + 1 < count; b += 2) {
        const __m128d before = _mm_loadu_pd(y + start + b - 1);
        const __m128d here = _mm_loadu_pd(y + start + b);
        const __m128d up = _mm_and_pd(_mm_cmplt_pd(before, zero), _mm_cmpgt_pd(here, zero));
        const __m128d down = _mm_and_pd(_mm_cmpgt_pd(before, zero), _mm_cmplt_pd(here, zero));
        const __m128d end = _mm_or_pd(_mm_cmpeq_pd(here, zero), _mm_or_pd(up, down));
        ends |= static_cast<uint64_t>(_mm_movemask_pd(end)) << b;
        visit(start + b);
        visit(start + b + 1);
    }
#endif
    for (; b < count; ++b) {
        const int k = start + b;
        ends |= static_cast<uint64_t>(y[k] == 0 || oppositeSigns(y[k - 1], y[k])) << b;
        visit(k);
    }
    return ends;
}

// Only the points that end a crossing are looked at again, in order. Stops at a position that
// overflows, with the points after it not visited.
template <typename Visit> bool appendRawCrossings(WorkingList& list, const double* y, int n, Visit& visit) {
    constexpr int kBlock = 64;
    if (n >= 1) {
        if (y[1] == 0) {
            list.append(1);
        }
        visit(1);
    }
    for (int start = 2; start <= n; start += kBlock) {
        for (uint64_t ends = crossingEnds(y, start, std::min(kBlock, n - start + 1), visit); ends != 0;
             ends &= ends - 1) {
            const int k = start + std::countr_zero(ends);
            if (y[k] == 0) {
                list.append(k);
            } else if (!appendCrossingPosition(list, y, k - 1)) {
                return false;
            }
        }
    }
    return true;
}

// Appends the crossings of y(1..n), as the working list holds them. False when a position overflows;
// the list then holds the crossings before it. The positions are rounded after the scan, where no
// rounding waits for the one before (a whole point is its own working-list value).
template <typename Visit> bool collectCrossings(WorkingList& list, const double* y, int n, Visit&& visit) {
    const int first = list.count;
    const bool finite = appendRawCrossings(list, y, n, visit);
    roundTripWorkingLists(list.entries.data() + first, list.count - first);
    return finite;
}

// Wavelength of a list of crossing positions: twice the mean spacing (c >= 2), four times the single
// crossing (c = 1), or 4N + 1 without crossings. Uses List4 for the spacings and clears it after.
double crossingWavelength(WorkingList& spacings, const WorkingList& crossings, int n) {
    const int c = crossings.count;
    double wavelength = 0.0;
    if (c >= 2) {
        workingListSpacings(crossings.entries.data(), c, spacings.entries.data());
        spacings.count = c - 1;
        double sum = 0.0;
        for (int m = 0; m < spacings.count; ++m) {
            sum += spacings.entries[m];
        }
        wavelength = (sum / (c - 1)) * 2;
    } else if (c == 1) {
        wavelength = 4 * crossings.entries[0];
    } else {
        wavelength = static_cast<double>(4 * n + 1);
    }
    spacings.clear();
    return wavelength;
}

} // namespace

void measureSeries(SeriesMeasures& measures, const Series& series, int n) {
    measures.crossings.sizeFor(n);
    measures.spacings.sizeFor(n);
    measures.crossings.clear();
    measures.crossingOverflows = !collectCrossings(measures.crossings, series.data(), n, [](int) {});
    measures.wavelength =
        measures.crossingOverflows ? 0.0 : crossingWavelength(measures.spacings, measures.crossings, n);
}

double averagingWeight(double D) {
    return checkedResult(std::exp(D), "the averaging weight");
}

namespace {

// The series' crossings and the averaged series' crossings were collected point by point together;
// a crossing position that overflows in either raises the same error, before the sums are checked.
template <typename Averaged> void measure(Averaged& s, const Series& series, const SeriesMeasures& seriesMeasures) {
    const int n = s.Data_count;
    if (seriesMeasures.crossingOverflows) {
        raiseOverflow("a crossing position");
    }
    s.List2.clear();
    s.List4.clear();
    const double* b = s.BMA_value.data();
    double sumB = 0.0;
    double sumR = 0.0;
    // The sums are not needed when a crossing position overflows: that error comes first.
    const auto sumSquares = [&](int k) {
        const double r = series[k] - b[k];
        sumB += b[k] * b[k];
        sumR += r * r;
    };
    if (!collectCrossings(s.List2, b, n, sumSquares)) {
        raiseOverflow("a crossing position");
    }
    checkedResult(sumB, "the averaged series' root mean square");
    checkedResult(sumR, "the residual's root mean square");
    s.BMA_RMS = std::sqrt(sumB / n);
    s.Residual_RMS = std::sqrt(sumR / n);
    s.Series_wavelength = seriesMeasures.wavelength;
    s.BMA_wavelength = crossingWavelength(s.List4, s.List2, n);
}

template <typename Averaged>
void calculate(Averaged& s, const Series& series, double D, double I, const SeriesMeasures& seriesMeasures) {
    const int n = s.Data_count;
    const double w = averagingWeight(D);
    for (int k = 1; k <= n; ++k) {
        s.BMA_value[k] = series[k];
    }
    const double wPlusOne = w + 1;
    for (double pass = 1; pass <= I; pass += 1) {
        averagingPass(s, w, wPlusOne, n);
    }
    measure(s, series, seriesMeasures);
}

} // namespace

void measureAveraging(AnalysisState& s, const Series& series, const SeriesMeasures& seriesMeasures) {
    measure(s, series, seriesMeasures);
}

void measureAveraging(AveragingArrays& s, const Series& series, const SeriesMeasures& seriesMeasures) {
    measure(s, series, seriesMeasures);
}

void BMA_Calculation(AnalysisState& s, const Series& series, double D, double I, const SeriesMeasures& seriesMeasures) {
    calculate(s, series, D, I, seriesMeasures);
}

void BMA_Calculation(AveragingArrays& s, const Series& series, double D, double I,
                     const SeriesMeasures& seriesMeasures) {
    calculate(s, series, D, I, seriesMeasures);
}

void BMA_Calculation(AnalysisState& s, const Series& series, double D, double I) {
    SeriesMeasures seriesMeasures;
    measureSeries(seriesMeasures, series, s.Data_count);
    BMA_Calculation(s, series, D, I, seriesMeasures);
}

} // namespace vantrel
