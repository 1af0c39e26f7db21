#include "app/chart_follower.h"

#include "app/chart_window.h"

namespace vantrel {

void ChartFollower::show() {
    if (m_chart == nullptr) {
        m_chart = new ChartWindow(nullptr, m_owner);
        m_chart->setContentSource([this] { return m_source(m_columns, m_notice); });
    }
    m_chart->show();
    m_chart->raise();
    m_chart->activateWindow();
    update();
}

void ChartFollower::close() {
    if (m_chart != nullptr) {
        m_chart->close();
    }
}

void ChartFollower::columnFilled(int column) {
    m_columns.set(static_cast<std::size_t>(column));
    update();
}

void ChartFollower::forgetColumnsFrom(int firstColumn) {
    for (int column = firstColumn; column < ResultTable::kColumns; ++column) {
        m_columns.reset(static_cast<std::size_t>(column));
    }
}

// The columns from `firstColumn` on are about to be rewritten: their strips go until they are.
void ChartFollower::runStarting(int firstColumn) {
    m_notice = ChartNotice::None;
    forgetColumnsFrom(firstColumn);
    update();
}

// The Data column stands as the intake left it, also when the paste is refused.
void ChartFollower::intakeFinished() {
    runStarting(ResultTable::kDataColumn);
    if (!m_table.text(1, ResultTable::kDataColumn).empty()) {
        columnFilled(ResultTable::kDataColumn);
    }
}

// After a failure the table holds nothing the chart could stand on but the Data.
void ChartFollower::runFailed(RunFailure failure) {
    m_notice = failure == RunFailure::Refused ? ChartNotice::Refused : ChartNotice::Failed;
    forgetColumnsFrom(ResultTable::kRegressionColumn);
    update();
}

void ChartFollower::update() {
    if (m_chart != nullptr && m_chart->isVisible()) {
        m_chart->contentChanged();
    }
}

} // namespace vantrel
