#pragma once

#include <array>
#include <string>
#include <vector>

namespace vantrel {

// The cell texts of the result table, 15 columns: row 0 holds the headings, column 0 the row numbers.
// The window's 1501 rows, or one more than the points of a longer series. The window's grid is a
// view of it, and Copy reads it.
class ResultTable {
public:
    static constexpr int kRows = 1501; // the window's rows
    static constexpr int kColumns = 15;
    static constexpr int kDataColumn = 1;
    static constexpr int kRegressionColumn = 2;
    static constexpr int kOscillationColumn = 3;
    static constexpr int kFirstWaveColumn = 4;
    static constexpr int kRemainderColumn = 14;
    static constexpr int kStartWidthTwips = 1000;

    ResultTable();

    int rows() const { return static_cast<int>(m_cells.size()); }
    // Rows for a series of `points` points (seriesRows of them below the headings); new rows hold
    // only their row numbers.
    void sizeForPoints(int points);

    const std::string& text(int row, int column) const { return m_cells[row][column]; }
    void setText(int row, int column, std::string text) { m_cells[row][column] = std::move(text); }

    // Empties every row below the headings in columns 1 to 14.
    void clearResults();

    int columnWidthTwips(int column) const { return m_widthTwips[column]; }
    void setColumnWidthTwips(int column, int twips) { m_widthTwips[column] = twips; }

    // The Data column is centred for whole numbers and right-aligned otherwise.
    bool dataColumnCentred() const { return m_dataColumnCentred; }
    void setDataColumnCentred(bool centred) { m_dataColumnCentred = centred; }

private:
    std::vector<std::array<std::string, kColumns>> m_cells;
    std::array<int, kColumns> m_widthTwips{};
    bool m_dataColumnCentred = false;
};

// The heading of column c: "Index", "Data", "Regression", "Oscillation", "Wave 1".."Wave 10", "Remainder".
std::string columnHeading(int column);

} // namespace vantrel
