#pragma once

#include "Grid.h"

#include <algorithm>

#include <QList>
#include <QMap>
#include <QStringList>

/// A grid as one string per row, cells joined by '|': whole grids compare in one QCOMPARE and a
/// failure shows the row that differs.
inline QStringList gridRows(const Grid& grid)
{
    QStringList rows;
    for (int r = 0; r < grid.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid.columnCount(); ++c)
            cells << grid.cell(c, r);
        rows << cells.join(u'|');
    }
    return rows;
}

/// A grid `columns` wide from rows of cells given by column number (0 is A).
inline Grid gridOfCells(const QList<QMap<int, QString>>& rows, int columns)
{
    Grid g(columns, static_cast<int>(rows.size()));
    for (int y = 0; y < rows.size(); ++y)
        for (auto it = rows.at(y).cbegin(); it != rows.at(y).cend(); ++it)
            g.setCell(it.key(), y, it.value());
    return g;
}

/// A grid from rows of cell texts, as wide as the widest row and at least `minColumns`.
inline Grid gridOfRows(const QList<QStringList>& rows, int minColumns = 0)
{
    int columns = minColumns;
    for (const QStringList& r : rows)
        columns = std::max(columns, static_cast<int>(r.size()));
    Grid g(columns, static_cast<int>(rows.size()));
    for (int y = 0; y < rows.size(); ++y)
        for (int x = 0; x < rows.at(y).size(); ++x)
            g.setCell(x, y, rows.at(y).at(x));
    return g;
}
