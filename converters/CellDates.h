#pragma once

#include <QDate>
#include <QString>

/// The date layouts of the sheets' date columns.
namespace CellDates {

enum Layout { AnoMesDia = 0, DiaMesAnoCurto = 1, DiaMesAno = 2 }; // AAAA-MM-DD, DD/MM/AA, DD/MM/AAAA

/// The day/month/year text that `layout` builds from the cell's characters at fixed positions
/// (AAAA-MM-DD: 9-10, 6-7, 1-4; DD/MM/AA: 1-2, 4-5, then 19 or 20 before 7-8, 20 up to year 40;
/// DD/MM/AAAA: 1-2, 4-5, 7-10). An unknown layout counts as AAAA-MM-DD. Throws CellError(column,
/// cell, "data inválida") when the two year characters of DD/MM/AA are no whole number.
QString dayMonthYear(const QString& cell, int layout, int column);

/// The date of a cell in `layout`: the built text must be exactly DD/MM/AAAA, read as
/// day/month/year whatever the locale. Throws CellError(column, cell, "data inválida") otherwise.
QDate read(const QString& cell, int layout, int column);

} // namespace CellDates
