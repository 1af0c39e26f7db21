#pragma once

#include "analysis/analysis_state.h"

namespace vantrel {

// Least-squares fit of the model to Data_value(1..Data_count), x numbered from 1, population form.
// Writes Reg_B and then Reg_A; a run-time error before those writes leaves both unchanged.
void Find_A_B(AnalysisState& state, RegressionModel model);

// The trend of the model at point i. A value beyond the range of a double is a run-time error.
double trendValue(RegressionModel model, double a, double b, int i);

} // namespace vantrel
