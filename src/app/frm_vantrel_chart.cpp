// The window's chart: a separate window that follows the result table column by column.

#include "app/chart_window.h"
#include "app/frm_vantrel.h"
#include "app/parameter_box.h"

namespace vantrel {

void frmVantrel::mnuChart_Click() {
    if (m_chart == nullptr) {
        m_chart = new ChartWindow(nullptr, this);
        m_chart->setContentSource([this] { return chartContent(); });
    }
    m_chart->show();
    m_chart->raise();
    m_chart->activateWindow();
    updateChart();
}

void frmVantrel::chartColumnFilled(int column) {
    m_chartColumns.set(static_cast<std::size_t>(column));
    updateChart();
}

void frmVantrel::forgetChartColumnsFrom(int firstColumn) {
    for (int column = firstColumn; column < ResultTable::kColumns; ++column) {
        m_chartColumns.reset(static_cast<std::size_t>(column));
    }
}

// The columns from `firstColumn` on are about to be rewritten: their strips go until they are.
void frmVantrel::chartRunStarting(int firstColumn) {
    m_chartNotice = ChartNotice::None;
    forgetChartColumnsFrom(firstColumn);
    updateChart();
}

// After a failure the table holds nothing the chart could stand on but the Data.
void frmVantrel::chartRunFailed(ChartNotice notice) {
    m_chartNotice = notice;
    forgetChartColumnsFrom(ResultTable::kRegressionColumn);
    updateChart();
}

void frmVantrel::updateChart() {
    if (m_chart != nullptr && m_chart->isVisible()) {
        m_chart->contentChanged();
    }
}

ChartContent frmVantrel::chartContent() const {
    std::array<std::string, kWaveCount> dTexts;
    std::array<std::string, kWaveCount> iTexts;
    for (int n = 0; n < kWaveCount; ++n) {
        dTexts[n] = m_txtDval[n]->text().toStdString();
        iTexts[n] = m_txtIval[n]->text().toStdString();
    }
    return chartContentOf({m_state, *m_table, checkedModel(), dTexts, iTexts, m_chartColumns, m_chartNotice});
}

} // namespace vantrel
