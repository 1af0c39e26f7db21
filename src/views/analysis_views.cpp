#include "views/analysis_views.h"

#include "analysis/regression.h"
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"

namespace vantrel {

std::string regressionFormulaLine(RegressionModel model, double a, double b, NumberFormat format) {
    return modelInfo(model).formulaPrefix + formatFormula(a, format) + "   B = " + formatFormula(b, format);
}

void fillRegressionColumn(AnalysisState& s, ResultTable& table, RegressionModel model) {
    for (int i = 1; i <= kMaxPoints; ++i) {
        if (i <= s.Data_count) {
            s.Reg_value[i] = trendValue(model, s.Reg_A, s.Reg_B, i);
            table.setText(i, ResultTable::kRegressionColumn, formatCell(s.Reg_value[i], s.Decimals, s.format));
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
            table.setText(i, ResultTable::kOscillationColumn, formatCell(s.Osc_value[i], s.Decimals, s.format));
        } else {
            s.Osc_value[i] = 0;
            table.setText(i, ResultTable::kOscillationColumn, {});
        }
    }
}

namespace {

void writeColumn(ResultTable& table, int column, const Series& values, const AnalysisState& s) {
    for (int j = 1; j <= s.Data_count; ++j) {
        table.setText(j, column, formatCell(values[j], s.Decimals, s.format));
    }
}

} // namespace

void runWaveAnalysis(AnalysisState& s, ResultTable& table, AnalysisObserver& observer, WaveRunStats* stats) {
    observer.wavesStarting();
    // Each wave's column is written as soon as its values are known, before the wave is done.
    const auto writeWaveColumn = [&s, &table, &observer](int wave) {
        const int column = ResultTable::kFirstWaveColumn + wave - 1;
        writeColumn(table, column, s.Wave_value[static_cast<std::size_t>(wave - 1)], s);
        observer.columnFilled(column);
    };
    Display_waves(s, observer, stats, {}, writeWaveColumn);
    writeColumn(table, ResultTable::kRemainderColumn, s.Rem_value, s);
    observer.columnFilled(ResultTable::kRemainderColumn);
}

void runFullAnalysis(AnalysisState& s, ResultTable& table, RegressionModel model, AnalysisObserver& observer,
                     WaveRunStats* stats) {
    Find_A_B(s, model);
    observer.formulaLine(regressionFormulaLine(model, s.Reg_A, s.Reg_B, s.format));
    fillRegressionColumn(s, table, model);
    observer.columnFilled(ResultTable::kRegressionColumn);
    Display_osc(s, table);
    observer.columnFilled(ResultTable::kOscillationColumn);
    runWaveAnalysis(s, table, observer, stats);
}

} // namespace vantrel
