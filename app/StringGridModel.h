#pragma once

#include "Grid.h"

#include <QAbstractTableModel>

/// A tab's grid as the view shows it. Row 0 and column 0 look like the fixed title row and column
/// of a spreadsheet grid, but hold sheet data like every other cell. Headers show the sheet's
/// column letters and row numbers, so that a message naming "linha 12, coluna C" is easy to find.
class StringGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StringGridModel(QObject* parent = nullptr);

    const Grid& grid() const { return m_grid; }
    /// Replaces the whole grid, size and content.
    void setGrid(Grid grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    /// "A", "B", ..., "Z", "AA", ... for a column counted from 0.
    static QString columnLetters(int column);

private:
    Grid m_grid;
};
