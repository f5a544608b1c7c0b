#include "StringGridModel.h"

#include "RunReport.h"

#include <QBrush>
#include <QFont>
#include <QPalette>
#include <QGuiApplication>

StringGridModel::StringGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void StringGridModel::setGrid(Grid grid)
{
    beginResetModel();
    m_grid = std::move(grid);
    endResetModel();
}

int StringGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_grid.rowCount(); }

int StringGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_grid.columnCount();
}

QVariant StringGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case Qt::EditRole: {
        const QString& text = m_grid.cell(index.column(), index.row());
        if (role == Qt::ToolTipRole && text.size() < 20)
            return {};
        return text;
    }
    case Qt::BackgroundRole:
        if (index.row() == 0 || index.column() == 0)
            return QGuiApplication::palette().brush(QPalette::Button);
        return {};
    default:
        return {};
    }
}

QVariant StringGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    return orientation == Qt::Horizontal ? QVariant(columnLetters(section)) : QVariant(section + 1);
}

QString StringGridModel::columnLetters(int column) { return RunReport::columnLetters(column); }
