#pragma once

#include "RegionalSettings.h"

#include <QByteArray>
#include <QString>

#include <vector>

/// The values of the first worksheet of a BIFF8 workbook stream that freexl 1.0.6 cannot give:
///  - it skips FORMULA records, so formulas lose their cached results (numbers, texts, logical
///    values and errors alike);
///  - it hands logical values and error values (BOOLERR records) out as the integers 1 and 0;
///  - it does not say a cell's number format, so money cannot be rounded to 4 decimals;
///  - a date-time that rounds up to midnight comes out as "24:00:00" of the day before.
/// So every number, formula result, logical and error value is read here from the records, typed
/// by the cell's XF and its format code as for xlsx; freexl keeps the texts, whose shared string
/// table with its CONTINUE records and code pages it decodes, and the sheet's dimensions.
struct BiffCell {
    int row;
    int column;
    QString text;
};

/// The first worksheet of a workbook stream: its position among the sheets, chart sheets included,
/// as freexl numbers them, and its typed cells.
struct BiffSheet {
    int index = 0;
    std::vector<BiffCell> cells;
};

/// Finds the first worksheet and reads its typed cells. Gives index 0 and no cells for workbooks
/// older than BIFF8 (Excel 97), which freexl alone reads. Throws ReadFailure when the workbook is
/// password protected.
BiffSheet readBiffSheet(const QByteArray& workbookStream, const RegionalSettings& regional);
