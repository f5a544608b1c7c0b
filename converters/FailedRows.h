#pragma once

#include "Grid.h"
#include "RunReport.h"

#include <QString>

/// The longest text an xlsx cell holds, in characters.
constexpr int kXlsxCellTextLimit = 32767;

/// Writes an .xlsx workbook with the rows of `grid` that failed in `report`, so that the user can fix
/// them and convert that workbook again: the title row first when `titulos` is set, then the failed
/// rows in grid order, every cell as text exactly as the grid holds it, and one more column, right
/// after the grid's last one (or after the last column the converter reads, `columnsRead`, when the
/// sheet is narrower, so that the next run never takes it for data), holding the reason ("Motivo" on
/// the title row). Reading the workbook
/// back gives the same texts. A cell longer than an xlsx cell holds is cut at the limit, and its row's
/// reason says so (a title is cut without a note).
/// The target is replaced only once the whole workbook has been written; on failure it is left as it
/// was, false is returned and `error` tells why, naming the file.
bool saveFailedRows(const Grid& grid, const RunReport& report, bool titulos, const QString& fileName,
                    QString* error, int columnsRead = 0);
