#pragma once

#include "analysis/analysis_state.h"

#include <cstdint>
#include <vector>

namespace vantrel {

// Bidirectional mean averaging of series(1..Data_count): floor(I) passes (none when I < 1) of a
// forward and a backward exponential running mean with weight w = e^D, averaged. Each end is seeded
// with its own value:
//
//   forward   F(1) = b(1),  F(k) = (w b(k) + F(k-1)) / (w + 1)   k = 2 .. N
//   backward  G(N) = b(N),  G(k) = (w b(k) + G(k+1)) / (w + 1)   k = N-1 .. 1
//   result    b(k) = (G(k) + F(k)) / 2
//
// Writes BMA_value, Fwd_mean, Bwd_mean (1..N), BMA_RMS, Residual_RMS, Series_wavelength,
// BMA_wavelength and the working lists. Allocates nothing.
void BMA_Calculation(AnalysisState& state, const Series& series, double D, double I);

// The part of the measures that depends on the series alone: its crossing positions and
// Series_wavelength. A caller that averages one series many times measures it once.
// A crossing position beyond the range of a double is not raised here but by every averaging that
// uses these measures, where the measuring would have met it.
struct SeriesMeasures {
    WorkingList crossings;
    WorkingList spacings; // room for measuring the wavelength, sized with the crossings
    double wavelength = 0.0;
    bool crossingOverflows = false;
};

void measureSeries(SeriesMeasures& measures, const Series& series, int n);

// BMA_Calculation of a series whose own measures are known.
void BMA_Calculation(AnalysisState& state, const Series& series, double D, double I,
                     const SeriesMeasures& seriesMeasures);

// The averaging weight e^D; beyond the range of a double it is an overflow.
double averagingWeight(double D);

// The measuring step alone, for BMA_value, Fwd_mean and Bwd_mean already holding the averaging of
// series with some d and i (computed elsewhere, e.g. in vector lanes): writes the lists, the root
// mean squares and the wavelengths as BMA_Calculation would, and raises what it would raise there.
void measureAveraging(AnalysisState& state, const Series& series, const SeriesMeasures& seriesMeasures);

// What an averaging writes, apart from the state: a second thread averages into one of these. The
// arrays hold points 1..Data_count.
struct AveragingArrays {
    explicit AveragingArrays(int n) : Data_count(n), BMA_value(n + 1), Fwd_mean(n + 1), Bwd_mean(n + 1) {
        List2.sizeFor(n);
        List4.sizeFor(n);
    }

    int Data_count;
    std::vector<double> BMA_value;
    std::vector<double> Fwd_mean;
    std::vector<double> Bwd_mean;
    WorkingList List2;
    WorkingList List4;
    double BMA_RMS = 0.0;
    double Residual_RMS = 0.0;
    double Series_wavelength = 0.0;
    double BMA_wavelength = 0.0;
};

void BMA_Calculation(AveragingArrays& arrays, const Series& series, double D, double I,
                     const SeriesMeasures& seriesMeasures);
void measureAveraging(AveragingArrays& arrays, const Series& series, const SeriesMeasures& seriesMeasures);

} // namespace vantrel
