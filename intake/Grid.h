#pragma once

#include <QString>

#include <vector>

/// The text block of one worksheet as a tab's grid holds it: cell (column, row), both from 0, so
/// spreadsheet cell A1 is (0, 0). A cell outside the grid reads as empty text.
class Grid {
public:
    /// The grid a tab starts with: five columns by five rows of empty text.
    Grid() : Grid(5, 5) {}
    Grid(int columns, int rows);

    int columnCount() const { return m_columns; }
    int rowCount() const { return m_rows; }

    const QString& cell(int column, int row) const
    {
        if (column < 0 || row < 0 || column >= m_columns || row >= m_rows)
            return s_empty;
        return m_cells[static_cast<size_t>(row) * static_cast<size_t>(m_columns) + static_cast<size_t>(column)];
    }
    void setCell(int column, int row, QString text)
    {
        m_cells[static_cast<size_t>(row) * static_cast<size_t>(m_columns) + static_cast<size_t>(column)] =
            std::move(text);
    }

    bool operator==(const Grid& other) const
    {
        return m_columns == other.m_columns && m_rows == other.m_rows && m_cells == other.m_cells;
    }

private:
    static const QString s_empty;
    int m_columns;
    int m_rows;
    std::vector<QString> m_cells;
};
