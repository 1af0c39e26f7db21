#pragma once

#include "analysis/result_table.h"
#include "app/run_followers.h"

#include <QAbstractTableModel>
#include <QTableView>

#include <memory>

namespace vantrel {

// The result table as an item model. The table's heading row is the horizontal header and its
// row-number column the vertical header, so both stay in view while the cells scroll; model cell
// (r, c) is table cell (r + 1, c + 1).
class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ResultGridModel(std::shared_ptr<const ResultTable> table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Table column 1..14 has been rewritten: one change signal for the whole column.
    void refreshColumn(int tableColumn);
    void refreshAllColumns();

    // The caption of the top-left corner: the heading of the row-number column.
    QString cornerText() const;
    const ResultTable& table() const { return *m_table; }

private:
    std::shared_ptr<const ResultTable> m_table;
};

// Grid1: a view of the result table with the top-left corner captioned like the index column. It
// follows the runs column by column.
class ResultGrid : public QTableView, public RunFollower {
    Q_OBJECT

public:
    explicit ResultGrid(ResultGridModel* model, QWidget* parent = nullptr);

    void intakeFinished() override;
    void columnFilled(int column) override;
    void runFailed(RunFailure failure) override;

    // Column widths of the table (twips) as pixels.
    void applyColumnWidths(const ResultTable& table);
    // The single cell at table row 1, column 1 becomes the current cell and the selection.
    void selectFirstDataCell();

    // The selected block as a spreadsheet takes it: rows in order separated by LF, cells in order
    // separated by TAB; cells inside the block that are not selected are empty.
    QString selectedBlockText() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void paintCorner(QWidget* corner);

    ResultGridModel* m_model;
};

// Twips as whole pixels at 96 dots per inch.
int twipsToPixels(int twips);

} // namespace vantrel
