#pragma once

#include "analysis/analysis_state.h"
#include "analysis/result_table.h"
#include "analysis/wave_peeling.h"

#include <string>

namespace vantrel {

// The formula line of the fitted model, e.g. "    Y = A + B · X      A = 1.25   B = -0.5".
std::string regressionFormulaLine(RegressionModel model, double a, double b,
                                  NumberFormat format = NumberFormat::DecimalPoint);

// Reg_value and the Regression column, for every point the state is sized for: the trend, 0 and
// empty above Data_count.
void fillRegressionColumn(AnalysisState& state, ResultTable& table, RegressionModel model);

// Osc_value and the Oscillation column, likewise: data minus trend, 0 and empty above Data_count.
void Display_osc(AnalysisState& state, ResultTable& table);

// A run of the whole analysis also tells its observer about the formula line and the columns.
class AnalysisObserver : public WaveObserver {
public:
    // The formula line is ready, told before the table is filled so that it can be shown first.
    virtual void formulaLine(const std::string& /*text*/) {}
    // A computed column of the table (Regression to Remainder) has been rewritten: each as soon as
    // its values are known, a wave's before its waveDone.
    virtual void columnFilled(int /*column*/) {}
    // The wave view begins; a caller that offers a rerun of the waves takes the offer back here.
    virtual void wavesStarting() {}
};

// Find_A_B, the regression view, the oscillation view and the wave view, in that order.
void runFullAnalysis(AnalysisState& state, ResultTable& table, RegressionModel model, AnalysisObserver& observer,
                     WaveRunStats* stats = nullptr, const AveragingMode& mode = {});

// The same run for its values alone, without the table's texts: the library's run.
void runFullAnalysis(AnalysisState& state, RegressionModel model, AnalysisObserver& observer,
                     WaveRunStats* stats = nullptr);

// The wave view alone, on the stored oscillation (Update Waves): the waves' and the remainder's
// values, then their columns.
void runWaveAnalysis(AnalysisState& state, ResultTable& table, AnalysisObserver& observer,
                     WaveRunStats* stats = nullptr);

} // namespace vantrel
