#include "Grid.h"

const QString Grid::s_empty;

Grid::Grid(int columns, int rows)
    : m_columns(columns < 0 ? 0 : columns), m_rows(rows < 0 ? 0 : rows),
      m_cells(static_cast<size_t>(m_columns) * static_cast<size_t>(m_rows))
{
}
