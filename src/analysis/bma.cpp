#include "analysis/bma.h"

#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"

#include <cmath>

namespace vantrel {

namespace {

// One pass. The forward and the backward running means are two independent dependency chains;
// running them in the same loop, with the running values kept in registers, lets the processor
// overlap them. Once the two chains have crossed, every point either chain reaches has both its
// means, so its average is taken there, in the shadow of the chains: the two means of a point are
// written before it is averaged, and a point is overwritten only after both chains have read it.
void averagingPass(AnalysisState& s, double w, double wPlusOne, int n) {
    double* b = s.BMA_value.data();
    double* f = s.Fwd_mean.data();
    double* g = s.Bwd_mean.data();
    double forward = b[1];
    double backward = b[n];
    f[1] = forward;
    g[n] = backward;
    if (n == 1) {
        b[1] = (g[1] + f[1]) / 2;
        return;
    }
    int k = 2;
    int j = n - 1;
    for (; k < j; ++k, --j) {
        forward = (w * b[k] + forward) / wPlusOne;
        f[k] = forward;
        backward = (w * b[j] + backward) / wPlusOne;
        g[j] = backward;
    }
    for (; k <= n; ++k, --j) {
        forward = (w * b[k] + forward) / wPlusOne;
        f[k] = forward;
        backward = (w * b[j] + backward) / wPlusOne;
        g[j] = backward;
        b[k] = (g[k] + f[k]) / 2;
        b[j] = (g[j] + f[j]) / 2;
    }
}

bool oppositeSigns(double a, double b) {
    return (a > 0 && b < 0) || (a < 0 && b > 0);
}

// Where the straight line through (k, a) and (k + 1, b) crosses zero, as the working list holds it.
double crossingPosition(int k, double a, double b) {
    const double position = (k * b - (k + 1) * a) / (b - a);
    return roundTripWorkingList(checkedResult(position, "a crossing position"));
}

void measure(AnalysisState& s, const Series& series, int n) {
    double sumB = 0.0;
    double sumR = 0.0;
    const double* b = s.BMA_value.data();
    for (int k = 1; k <= n; ++k) {
        const double r = series[k] - b[k];
        sumB += b[k] * b[k];
        sumR += r * r;
        if (series[k] == 0) {
            s.List1.append(k);
        }
        if (b[k] == 0) {
            s.List2.append(k);
        }
        if (k < n) {
            if (oppositeSigns(series[k], series[k + 1])) {
                s.List1.append(crossingPosition(k, series[k], series[k + 1]));
            }
            if (oppositeSigns(b[k], b[k + 1])) {
                s.List2.append(crossingPosition(k, b[k], b[k + 1]));
            }
        }
    }
    checkedResult(sumB, "the averaged series' root mean square");
    checkedResult(sumR, "the residual's root mean square");
    s.BMA_RMS = std::sqrt(sumB / n);
    s.Residual_RMS = std::sqrt(sumR / n);
}

// Wavelength of a list of crossing positions: twice the mean spacing (c >= 2), four times the single
// crossing (c = 1), or 4N + 1 without crossings. Uses List4 for the spacings and clears it after.
double crossingWavelength(AnalysisState& s, const WorkingList& crossings) {
    const int c = crossings.count;
    double wavelength = 0.0;
    if (c >= 2) {
        for (int m = 0; m + 1 < c; ++m) {
            s.List4.append(roundTripWorkingList(crossings.entries[m + 1] - crossings.entries[m]));
        }
        double sum = 0.0;
        for (int m = 0; m < s.List4.count; ++m) {
            sum += s.List4.entries[m];
        }
        wavelength = (sum / (c - 1)) * 2;
    } else if (c == 1) {
        wavelength = 4 * crossings.entries[0];
    } else {
        wavelength = static_cast<double>(4 * s.Data_count + 1);
    }
    s.List4.clear();
    return wavelength;
}

} // namespace

void BMA_Calculation(AnalysisState& s, const Series& series, double D, double I) {
    const int n = s.Data_count;
    const double w = checkedResult(std::exp(D), "the averaging weight");
    s.List1.clear();
    s.List2.clear();
    s.List3.clear();
    s.List4.clear();
    for (int k = 1; k <= n; ++k) {
        s.BMA_value[k] = series[k];
    }
    const double wPlusOne = w + 1;
    for (double pass = 1; pass <= I; pass += 1) {
        averagingPass(s, w, wPlusOne, n);
    }
    measure(s, series, n);
    s.Series_wavelength = crossingWavelength(s, s.List1);
    s.BMA_wavelength = crossingWavelength(s, s.List2);
}

} // namespace vantrel
