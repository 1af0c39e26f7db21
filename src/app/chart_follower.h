#pragma once

#include "app/run_followers.h"
#include "views/chart_content.h"

#include <bitset>
#include <functional>

class QWidget;

namespace vantrel {

class ChartWindow;

// The chart window as a follower of the runs: which columns of the table hold the current run's
// results, and why the chart shows no more. The window is made the first time it is asked for.
class ChartFollower final : public RunFollower {
public:
    using Columns = std::bitset<ResultTable::kColumns>;
    // The chart of the table with these columns filled and this notice.
    using ContentSource = std::function<ChartContent(const Columns&, ChartNotice)>;

    ChartFollower(QWidget* owner, const ResultTable& table, ContentSource source)
        : m_owner(owner), m_table(table), m_source(std::move(source)) {}

    void show();
    void close();

    void runStarting(int firstColumn) override;
    void runFailed(RunFailure failure) override;
    void intakeFinished() override;
    void columnFilled(int column) override;

private:
    void forgetColumnsFrom(int firstColumn);
    void update();

    QWidget* m_owner;
    const ResultTable& m_table;
    ContentSource m_source;
    ChartWindow* m_chart = nullptr;
    Columns m_columns;
    ChartNotice m_notice = ChartNotice::NoSeriesYet;
};

} // namespace vantrel
