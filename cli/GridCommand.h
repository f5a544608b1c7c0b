#pragma once

#include "Command.h"

class Grid;

/// `grade PLANILHA`: prints the grid the loader makes of a workbook, a line per row, cells
/// separated by TAB; TAB, LF, CR and backslash inside a cell are written \t, \n, \r and \\.
class GridCommand : public Command {
public:
    QString name() const override { return QStringLiteral("grade"); }
    QString usage() const override { return QStringLiteral("grade PLANILHA"); }
    int execute(const QStringList& arguments, QTextStream& out, QTextStream& err) override;

    /// Writes a grid in the format above.
    static void write(const Grid& grid, QTextStream& out);
};
