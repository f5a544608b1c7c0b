#pragma once

#include "RegionalSettings.h"

#include <QString>

#include <optional>
#include <string_view>

/// How a cell's number is shown, as decided by its number format.
enum class NumberFormatKind : unsigned char {
    General,  ///< plain number
    Date,     ///< date, time or both
    Currency, ///< money: four decimals at most, like Excel's Currency values
};

/// The texts the loader puts in the grid for each kind of spreadsheet value. Kept apart from the
/// file readers so that every format (xlsx, ods, xls) turns values into text the same way.
namespace CellText {

/// The shortest general form of a number with up to 15 significant digits: the regional decimal
/// separator, no thousands separator, "-" for negatives and never "-0"; scientific notation
/// ("1E15", "1,5E-7") past 15 integer digits or below 0.00001.
QString numberText(double value, QChar decimalSeparator);

/// A money value: rounded to 4 decimals first, then in the general form of numberText().
QString currencyText(double value, QChar decimalSeparator);

/// A date and time as the regional short date, plus a blank and the time when it is not midnight.
/// Accepts 29 February 1900, the day Excel's 1900 date system has and the calendar has not.
QString dateTimeText(int year, int month, int day, int hour, int minute, int second,
                     const RegionalSettings& regional);

/// The text of an Excel date serial (days since the epoch, the fraction being the time of day),
/// rounded to the nearest second. In the 1900 system serial 1 is 1900-01-01, serial 60 is the
/// fictitious 1900-02-29 and serials below 1 are times of 1899-12-30, as Excel automation gives
/// them; in the 1904 system serial 0 is 1904-01-01. Empty when the serial is no date Excel shows
/// (negative, past the year 9999, not finite).
std::optional<QString> serialDateTimeText(double serial, bool date1904, const RegionalSettings& regional);

/// A number shown under a format of the given kind; a date out of Excel's range falls back to the
/// plain number.
QString valueText(double value, NumberFormatKind kind, bool date1904, const RegionalSettings& regional);

/// Excel's logical values in the Portuguese the ERP's users read.
QString booleanText(bool value);

/// The kind of a number format code as written in a workbook ("dd/mm/yyyy", "\"R$\" #,##0.00",
/// "[$€-2] #,##0.00", "0.00%"...), in UTF-8. Dates win over currency when a code has both.
NumberFormatKind classifyFormatCode(std::string_view code);

/// The kind of one of Excel's built-in number formats, by its numFmtId.
NumberFormatKind builtinFormatKind(int numFmtId);

} // namespace CellText
