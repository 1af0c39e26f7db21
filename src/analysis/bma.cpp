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

// Whether a point is zero or the line to the next point crosses zero.
bool zeroOrCrossing(double a, double b) {
    return (a == 0) | ((a > 0) & (b < 0)) | ((a < 0) & (b > 0));
}

#if defined(__SSE2__)
// Points from k as bits: a regular point is neither zero nor NaN; the sign bit is the double's.
// Two points per instruction, from the lanes' masks.
struct PointBits {
    uint64_t regular = 0;
    uint64_t sign = 0;
};

// Bits of points k .. k + 33, all at most n.
PointBits pointBits(const double* y, int k) {
    const __m128d zero = _mm_setzero_pd();
    PointBits bits;
    for (int j = 0; j < 34; j += 2) {
        const __m128d a = _mm_loadu_pd(y + k + j);
        const __m128d regular = _mm_or_pd(_mm_cmplt_pd(a, zero), _mm_cmpgt_pd(a, zero));
        bits.regular |= static_cast<uint64_t>(_mm_movemask_pd(regular)) << j;
        bits.sign |= static_cast<uint64_t>(_mm_movemask_pd(a)) << j;
    }
    return bits;
}

// Points k .. k + 31 that are zero or start a crossing, as bits, plus NaN points (a caller skips
// them): two regular neighbours of opposite signs cross; every other point is tested alone.
uint32_t zeroOrCrossingBits(const double* y, int k) {
    const PointBits p = pointBits(y, k);
    const uint64_t crossing = (p.sign ^ (p.sign >> 1)) & p.regular & (p.regular >> 1);
    return static_cast<uint32_t>(crossing | ~p.regular);
}
#endif

// Where the straight line through (k, a) and (k + 1, b) crosses zero; not finite when it overflows.
double rawCrossingPosition(int k, double a, double b) {
    return (k * b - (k + 1) * a) / (b - a);
}

bool isFinite(double value) {
    return value - value == 0.0;
}

// Appends the zero at k or the position of the crossing that starts at k, not yet rounded. False
// when the position overflows.
bool appendCrossingAt(WorkingList& list, const double* y, int k) {
    if (y[k] == 0) {
        list.append(k);
        return true;
    }
    const double position = rawCrossingPosition(k, y[k], y[k + 1]);
    if (!isFinite(position)) {
        return false;
    }
    list.append(position);
    return true;
}

bool appendRawCrossings(WorkingList& list, const double* y, int n) {
    int k = 1;
#if defined(__SSE2__)
    for (; k + 33 <= n; k += 32) {
        for (uint32_t events = zeroOrCrossingBits(y, k); events != 0; events &= events - 1) {
            const int point = k + std::countr_zero(events);
            if (zeroOrCrossing(y[point], y[point + 1]) && !appendCrossingAt(list, y, point)) {
                return false;
            }
        }
    }
#endif
    for (; k < n; ++k) {
        if (zeroOrCrossing(y[k], y[k + 1]) && !appendCrossingAt(list, y, k)) {
            return false;
        }
    }
    if (y[n] == 0) {
        list.append(n);
    }
    return true;
}

// Appends the crossings of y(1..n), as the working list holds them. False when a position overflows;
// the list then holds the crossings before it. The positions are rounded after the scan, where no
// rounding waits for the one before (a whole point is its own working-list value).
bool collectCrossings(WorkingList& list, const double* y, int n) {
    const int first = list.count;
    const bool finite = appendRawCrossings(list, y, n);
    for (int m = first; m < list.count; ++m) {
        list.entries[m] = roundTripWorkingList(list.entries[m]);
    }
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
    measures.crossingOverflows = !collectCrossings(measures.crossings, series.data(), n);
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
    for (int k = 1; k <= n; ++k) {
        const double r = series[k] - b[k];
        sumB += b[k] * b[k];
        sumR += r * r;
    }
    if (!collectCrossings(s.List2, b, n)) {
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
