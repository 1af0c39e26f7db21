#include "analysis/result_table.h"

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

ResultTable::ResultTable() {
    for (int c = 0; c < kColumns; ++c) {
        m_widthTwips[c] = kStartWidthTwips;
        m_cells[0][c] = columnHeading(c);
    }
    for (int r = 1; r < kRows; ++r) {
        m_cells[r][0] = rowNumberText(r);
    }
}

void ResultTable::clearResults() {
    for (int r = 1; r < kRows; ++r) {
        for (int c = 1; c < kColumns; ++c) {
            m_cells[r][c].clear();
        }
    }
}

} // namespace vantrel
