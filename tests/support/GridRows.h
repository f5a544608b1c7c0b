#pragma once

#include "Grid.h"

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
