#include "analysis/bma.h"

#include "analysis/averaging_pass.h"

#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

// One pass; a single point is its own average.
template <typename Averaged> void averagingPass(Averaged& s, double w, double wPlusOne, int n) {
    averageOnePass(s.BMA_value.data(), s.Fwd_mean.data(), s.Bwd_mean.data(), w, wPlusOne, n);
    if (n == 1) {
        s.BMA_value[1] = (s.Bwd_mean[1] + s.Fwd_mean[1]) / 2;
    }
}

bool oppositeSigns(double a, double b) {
    return (a > 0 && b < 0) || (a < 0 && b > 0);
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

bool appendRawCrossings(WorkingList& list, const double* y, int n) {
    for (int k = 1; k <= n; ++k) {
        if (y[k] == 0) {
            list.append(k);
        }
        if (k < n && oppositeSigns(y[k], y[k + 1]) && !appendCrossingPosition(list, y, k)) {
            return false;
        }
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
