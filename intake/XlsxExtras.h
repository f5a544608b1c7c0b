#pragma once

#include "RegionalSettings.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// What liborcus 0.17's xlsx filter leaves out of the first worksheet, read straight from the
/// package in parallel with it:
///  - inline strings (t="inlineStr"), which streaming writers such as libxlsxwriter's
///    constant-memory mode and POI's SXSSF use for every text;
///  - error values (t="e"), plain or as a formula's cached result;
///  - logical results of formulas (t="b" with <f>), text results of array formulas, dates in ISO
///    form (t="d") and texts stored as t="str" without a formula;

///  - shared strings with phonetic runs (<rPh>), of which orcus keeps the reading aid instead of
///    the text.
/// The sheet is only walked when its XML contains one of those cell types, so a workbook written
/// by Excel costs one inflate of the sheet on the other core.
struct XlsxExtras {
    struct Cell {
        int row;
        int column;
        QString text;
    };
    /// The size of the block from A1 to the last cell of the sheet's <dimension>, when it has one:
    /// what the grid will most likely be.
    std::optional<std::pair<int, int>> columnsAndRows;
    std::vector<Cell> cells;
    /// The whole shared string table, when orcus's reading of it cannot be used.
    std::optional<std::vector<QString>> sharedStrings;
};

/// What the package says of its workbook, read before orcus starts: orcus 0.17 always reports the
/// 1900 date system, and counts chart sheets among the sheets.
struct XlsxWorkbook {
    bool date1904 = false;
    /// The first tab that is a worksheet, and its part; empty when there is none.
    std::string firstSheetName;
    std::string firstSheetPath;
    std::string sharedStringsPath;
};

/// Reads xl/workbook.xml and its relationships from an xlsx package held in memory. Throws
/// orcus's zip or XML exceptions on a corrupt package.
XlsxWorkbook readXlsxWorkbook(const QByteArray& package);

/// Reads the extras of the first worksheet of the package. Throws as readXlsxWorkbook() does.
XlsxExtras readXlsxExtras(const QByteArray& package, const XlsxWorkbook& workbook, const RegionalSettings& regional);

/// Text of an OOXML string: UTF-8 with Excel's _xHHHH_ escapes for characters XML cannot carry
/// (Excel writes a carriage return as _x000D_, and a literal "_x" as _x005F_x).
QString ooxmlText(std::string_view utf8);
