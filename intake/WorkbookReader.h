#pragma once

#include "Grid.h"
#include "RegionalSettings.h"
#include "UserError.h"

/// A workbook that cannot be read; the message names the file.
class WorkbookError : public UserError {
public:
    using UserError::UserError;
};

/// Reads the first worksheet of a workbook (.xlsx, .xlsm, .xls, .ods or .csv, told apart by their
/// content rather than their name) from A1 to its last used cell, every value as the grid's text:
/// numbers in the shortest general form with up to 15 significant digits and the regional decimal
/// separator, dates as the short date (and the time when not midnight), formulas as their computed
/// values, error values as Excel shows them, logical values as VERDADEIRO or FALSO.
/// The whole block is read before anything is returned, so a failure never yields half a grid.
/// Throws WorkbookError.
Grid readWorkbook(const QString& path, const RegionalSettings& regional = RegionalSettings::system());
