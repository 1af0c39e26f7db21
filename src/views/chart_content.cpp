#include "views/chart_content.h"

#include "views/box_editing.h"

#include <cmath>

namespace vantrel {

namespace {

std::vector<double> pointsOf(const Series& series, int count) {
    return {series.begin() + 1, series.begin() + 1 + count};
}

const Series& columnValues(const AnalysisState& s, int column) {
    switch (column) {
    case ResultTable::kRegressionColumn:
        return s.Reg_value;
    case ResultTable::kOscillationColumn:
        return s.Osc_value;
    case ResultTable::kRemainderColumn:
        return s.Rem_value;
    default:
        return s.Wave_value[static_cast<std::size_t>(column - ResultTable::kFirstWaveColumn)];
    }
}

// The Data column's texts are what the intake read the series from; a refused paste shows them
// although it leaves the series itself as it was.
std::vector<double> dataPoints(const ResultTable& table, const AnalysisState& s) {
    std::vector<double> points;
    for (int row = 1; row <= s.Data_count; ++row) {
        points.push_back(valueOfTextSaturating(table.text(row, ResultTable::kDataColumn), s.format));
    }
    return points;
}

// A wave the run has taken is titled with the d and i it was taken with, written as its boxes show
// them after the run; a wave not taken yet with its boxes as they read now.
std::string waveTitle(const ChartSource& source, int wave) {
    const auto n = static_cast<std::size_t>(wave - 1);
    if (!source.filledColumns.test(ResultTable::kFirstWaveColumn + n)) {
        return waveStripTitle(wave, source.dTexts[n], source.iTexts[n]);
    }
    const WaveResult& taken = source.state.Wave_result[n];
    return waveStripTitle(wave, dBoxText(taken.d, source.state.format),
                          formatFixed(std::floor(taken.i), 0, source.state.format));
}

int stripOfColumn(int column) {
    return column - ResultTable::kOscillationColumn + kOscillationStrip;
}

} // namespace

std::bitset<ResultTable::kColumns> allResultColumns() {
    std::bitset<ResultTable::kColumns> columns;
    columns.set();
    columns.reset(0);
    return columns;
}

ChartContent chartContentOf(const ChartSource& source) {
    const AnalysisState& s = source.state;
    ChartContent content = chartSkeleton(s.Data_count);
    content.modelName = s.Reg_name[modelNumber(source.model)];
    content.format = s.format;
    const bool dataShown = source.filledColumns.test(ResultTable::kDataColumn) && s.Data_count > 0;
    content.notice = chartNoticeText(source.notice, dataShown);
    for (int wave = 1; wave <= kWaveCount; ++wave) {
        content.strips[kFirstWaveStrip + wave - 1].title = waveTitle(source, wave);
    }
    if (!dataShown) {
        return content;
    }
    content.strips[kDataStrip].values = dataPoints(source.table, s);
    for (int column = ResultTable::kOscillationColumn; column <= ResultTable::kRemainderColumn; ++column) {
        if (source.filledColumns.test(column)) {
            content.strips[stripOfColumn(column)].values = pointsOf(columnValues(s, column), s.Data_count);
        }
    }
    if (source.filledColumns.test(ResultTable::kRegressionColumn)) {
        content.strips[kDataStrip].overlay = pointsOf(s.Reg_value, s.Data_count);
    }
    return content;
}

} // namespace vantrel
