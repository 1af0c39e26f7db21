#include "views/analysis_views.h"

#include "analysis/regression.h"
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"

namespace vantrel {

std::string regressionFormulaLine(RegressionModel model, double a, double b) {
    return formulaPrefix(model) + formatFormula(a) + "   B = " + formatFormula(b);
}

void fillRegressionColumn(AnalysisState& s, ResultTable& table, RegressionModel model) {
    for (int i = 1; i <= kMaxPoints; ++i) {
        if (i <= s.Data_count) {
            s.Reg_value[i] = trendValue(model, s.Reg_A, s.Reg_B, i);
            table.setText(i, ResultTable::kRegressionColumn, formatCell(s.Reg_value[i], s.Decimals));
        } else {
            s.Reg_value[i] = 0;
            table.setText(i, ResultTable::kRegressionColumn, {});
        }
    }
}

void Display_osc(AnalysisState& s, ResultTable& table) {
    for (int i = 1; i <= kMaxPoints; ++i) {
        if (i <= s.Data_count) {
            s.Osc_value[i] = checkedResult(s.Data_value[i] - s.Reg_value[i], "the oscillation");
            table.setText(i, ResultTable::kOscillationColumn, formatCell(s.Osc_value[i], s.Decimals));
        } else {
            s.Osc_value[i] = 0;
            table.setText(i, ResultTable::kOscillationColumn, {});
        }
    }
}

WaveRunStats runWaveAnalysis(AnalysisState& s, ResultTable& table, AnalysisObserver& observer) {
    observer.wavesStarting();
    WaveRunStats stats = Display_waves(s, table, observer);
    observer.columnFilled(ResultTable::kRemainderColumn);
    return stats;
}

WaveRunStats runFullAnalysis(AnalysisState& s, ResultTable& table, RegressionModel model, AnalysisObserver& observer) {
    Find_A_B(s, model);
    observer.formulaLine(regressionFormulaLine(model, s.Reg_A, s.Reg_B));
    fillRegressionColumn(s, table, model);
    observer.columnFilled(ResultTable::kRegressionColumn);
    Display_osc(s, table);
    observer.columnFilled(ResultTable::kOscillationColumn);
    return runWaveAnalysis(s, table, observer);
}

} // namespace vantrel
