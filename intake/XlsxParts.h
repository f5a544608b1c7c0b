#pragma once

#include "RegionalSettings.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class SheetCells;

/// Parts of an xlsx package read straight from it, beside liborcus 0.17's xlsx filter, for what
/// that filter gets wrong or reads slowly. Its sheet reader leaves out:
///  - inline strings (t="inlineStr"), which streaming writers such as libxlsxwriter's
///    constant-memory mode and POI's SXSSF use for every text;
///  - error values (t="e"), plain or as a formula's cached result;
///  - logical results of formulas (t="b" with <f>), text results of array formulas, dates in ISO
///    form (t="d") and texts stored as t="str" without a formula;
///  - shared strings with phonetic runs (<rPh>), of which orcus keeps the reading aid instead of
///    the text.
/// A sheet in which the writer put its texts inline is read here whole (readXlsxSheet()): orcus
/// would parse all of it and keep only the numbers. For the others, orcus reads the cells and
/// readXlsxExtras() collects what it drops, walking the sheet only when its XML contains one of
/// those cell types.

/// What orcus drops from the first worksheet, and a shared string table to use instead of its own.
struct XlsxExtras {
    struct Cell {
        int row;
        int column;
        QString text;
    };
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
    /// The parts of the other worksheets, which the grid never needs.
    std::vector<std::string> otherSheetPaths;
    std::string sharedStringsPath;
    /// Some writers name the parts with absolute targets ("/xl/worksheets/sheet1.xml"), which
    /// orcus does not follow: it then reads no cells and no shared strings at all.
    bool absoluteTargets = false;
};

/// Reads xl/workbook.xml and its relationships from an xlsx package held in memory. Throws
/// orcus's zip or XML exceptions on a corrupt package.
XlsxWorkbook readXlsxWorkbook(const QByteArray& package);

/// The block from A1 to the last cell of <dimension ref="...">, as columns and rows, found in the
/// first bytes of a sheet's XML: what the grid will most likely be.
std::optional<std::pair<int, int>> sheetDimension(std::string_view sheetStart);

/// Whether the first bytes of a sheet's XML hold inline strings: then the whole sheet is better
/// read by readXlsxSheet() than by orcus.
bool writtenByAStreamingWriter(std::string_view sheetStart);

/// The shared string table, when it has phonetic runs that orcus would show instead of the texts,
/// or always when `always` is set.
std::optional<std::vector<QString>> readPhoneticSharedStrings(const QByteArray& package, const XlsxWorkbook& workbook,
                                                              bool always = false);

/// Reads what orcus drops from the first worksheet of the package. Throws as readXlsxWorkbook().
XlsxExtras readXlsxExtras(const QByteArray& package, const XlsxWorkbook& workbook, const RegionalSettings& regional);

/// Reads every cell of the first worksheet into `cells`, each with its style index, as orcus's
/// import interface would give them. Throws as readXlsxWorkbook().
void readXlsxSheet(const QByteArray& package, const XlsxWorkbook& workbook, SheetCells& cells,
                   const RegionalSettings& regional);

/// Text of an OOXML string: UTF-8 with Excel's _xHHHH_ escapes for characters XML cannot carry
/// (Excel writes a carriage return as _x000D_, and a literal "_x" as _x005F_x).
QString ooxmlText(std::string_view utf8);
