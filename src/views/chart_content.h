#pragma once

#include "analysis/analysis_state.h"
#include "analysis/result_table.h"
#include "views/chart_geometry.h"

#include <array>
#include <bitset>
#include <string>

namespace vantrel {

// What the chart is drawn from: the analysis' numbers, the boxes as they read (for the waves not
// taken yet), and which columns of the table hold results of the run the numbers belong to.
struct ChartSource {
    const AnalysisState& state;
    const ResultTable& table;
    RegressionModel model;
    const std::array<std::string, kWaveCount>& dTexts;
    const std::array<std::string, kWaveCount>& iTexts;
    std::bitset<ResultTable::kColumns> filledColumns;
    ChartNotice notice = ChartNotice::None;
};

// Every column from the Data to the Remainder.
std::bitset<ResultTable::kColumns> allResultColumns();

// The chart of the table: a strip for each filled column, an empty one for each other; the trend
// drawn over the Data once the Regression column is filled.
ChartContent chartContentOf(const ChartSource& source);

} // namespace vantrel
