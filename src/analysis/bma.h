#pragma once

#include "analysis/analysis_state.h"

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

} // namespace vantrel
