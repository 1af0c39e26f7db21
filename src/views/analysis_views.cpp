#include "views/analysis_views.h"

#include "analysis/regression.h"
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"

namespace vantrel {

std::string regressionFormulaLine(RegressionModel model, double a, double b, NumberFormat format) {
    return modelInfo(model).formulaPrefix + formatFormula(a, format) + "   B = " + formatFormula(b, format);
}

namespace {

// The last point a series is sized for; the table has as many rows below its headings.
int lastRow(const AnalysisState& s) {
    return static_cast<int>(s.Reg_value.size()) - 1;
}

void setCell(ResultTable* table, int row, int column, double value, const AnalysisState& s) {
    if (table != nullptr) {
        table->setText(row, column, formatCell(value, s.Decimals, s.format));
    }
}

void clearCell(ResultTable* table, int row, int column) {
    if (table != nullptr) {
        table->setText(row, column, {});
    }
}

void fillRegression(AnalysisState& s, ResultTable* table, RegressionModel model) {
    for (int i = 1; i <= lastRow(s); ++i) {
        if (i <= s.Data_count) {
            s.Reg_value[i] = trendValue(model, s.Reg_A, s.Reg_B, i);
            setCell(table, i, ResultTable::kRegressionColumn, s.Reg_value[i], s);
        } else {
            s.Reg_value[i] = 0;
            clearCell(table, i, ResultTable::kRegressionColumn);
        }
    }
}

void fillOscillation(AnalysisState& s, ResultTable* table) {
    for (int i = 1; i <= lastRow(s); ++i) {
        if (i <= s.Data_count) {
            s.Osc_value[i] = checkedResult(s.Data_value[i] - s.Reg_value[i], "the oscillation");
            setCell(table, i, ResultTable::kOscillationColumn, s.Osc_value[i], s);
        } else {
            s.Osc_value[i] = 0;
            clearCell(table, i, ResultTable::kOscillationColumn);
        }
    }
}

} // namespace

void fillRegressionColumn(AnalysisState& s, ResultTable& table, RegressionModel model) {
    fillRegression(s, &table, model);
}

void Display_osc(AnalysisState& s, ResultTable& table) {
    fillOscillation(s, &table);
}

namespace {

void writeColumn(ResultTable* table, int column, const Series& values, const AnalysisState& s) {
    for (int j = 1; table != nullptr && j <= s.Data_count; ++j) {
        table->setText(j, column, formatCell(values[j], s.Decimals, s.format));
    }
}

// The table is left out of a run that wants the values alone.
void waveAnalysis(AnalysisState& s, ResultTable* table, AnalysisObserver& observer, WaveRunStats* stats,
                  const AveragingMode& mode = {}) {
    observer.wavesStarting();
    // Each wave's column is written as soon as its values are known, before the wave is done.
    const auto writeWaveColumn = [&s, &table, &observer](int wave) {
        const int column = ResultTable::kFirstWaveColumn + wave - 1;
        writeColumn(table, column, s.Wave_value[static_cast<std::size_t>(wave - 1)], s);
        observer.columnFilled(column);
    };
    Display_waves(s, observer, stats, mode, writeWaveColumn);
    writeColumn(table, ResultTable::kRemainderColumn, s.Rem_value, s);
    observer.columnFilled(ResultTable::kRemainderColumn);
}

void fullAnalysis(AnalysisState& s, ResultTable* table, RegressionModel model, AnalysisObserver& observer,
                  WaveRunStats* stats, const AveragingMode& mode = {}) {
    Find_A_B(s, model);
    observer.formulaLine(regressionFormulaLine(model, s.Reg_A, s.Reg_B, s.format));
    fillRegression(s, table, model);
    observer.columnFilled(ResultTable::kRegressionColumn);
    fillOscillation(s, table);
    observer.columnFilled(ResultTable::kOscillationColumn);
    waveAnalysis(s, table, observer, stats, mode);
}

} // namespace

void runWaveAnalysis(AnalysisState& s, ResultTable& table, AnalysisObserver& observer, WaveRunStats* stats) {
    waveAnalysis(s, &table, observer, stats);
}

void runFullAnalysis(AnalysisState& s, ResultTable& table, RegressionModel model, AnalysisObserver& observer,
                     WaveRunStats* stats, const AveragingMode& mode) {
    fullAnalysis(s, &table, model, observer, stats, mode);
}

void runFullAnalysis(AnalysisState& s, RegressionModel model, AnalysisObserver& observer, WaveRunStats* stats) {
    fullAnalysis(s, nullptr, model, observer, stats);
}

} // namespace vantrel
