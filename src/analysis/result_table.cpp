#include "analysis/result_table.h"

#include "analysis/analysis_state.h"
#include "analysis/text_rules.h"

namespace vantrel {

std::string columnHeading(int column) {
    switch (column) {
    case 0:
        return "Index";
    case ResultTable::kDataColumn:
        return "Data";
    case ResultTable::kRegressionColumn:
        return "Regression";
    case ResultTable::kOscillationColumn:
        return "Oscillation";
    case ResultTable::kRemainderColumn:
        return "Remainder";
    default:
        return "Wave" + rowNumberText(column - ResultTable::kFirstWaveColumn + 1);
    }
}

ResultTable::ResultTable() : m_cells(1) {
    for (int c = 0; c < kColumns; ++c) {
        m_widthTwips[c] = kStartWidthTwips;
        m_cells[0][c] = columnHeading(c);
    }
    sizeForPoints(kMaxPoints);
}

void ResultTable::sizeForPoints(int points) {
    const int oldRows = rows();
    m_cells.resize(static_cast<std::size_t>(seriesRows(points)) + 1);
    for (int r = oldRows; r < rows(); ++r) {
        m_cells[r][0] = rowNumberText(r);
    }
}

void ResultTable::clearResults() {
    for (int r = 1; r < rows(); ++r) {
        for (int c = 1; c < kColumns; ++c) {
            m_cells[r][c].clear();
        }
    }
}

} // namespace vantrel
