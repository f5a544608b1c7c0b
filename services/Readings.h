#pragma once

#include "Amount.h"
#include "RegionalSettings.h"

#include <QString>

/// The readings of cell texts every converter shares.
namespace Readings {

/// Whole-number reading: optional leading blanks, an optional sign "+" or "-", then decimal digits,
/// or hexadecimal digits (either case) after a prefix "$", "x", "X", "0x" or "0X", with nothing after
/// them, whose value fits a 32-bit signed integer. Anything else (empty text, trailing blanks, other
/// characters, a value outside the range) gives `fallback`.
int wholeNumber(const QString& text, int fallback);
/// The same reading, false when the text is no such number.
bool tryWholeNumber(const QString& text, int* value);

/// Decimal reading: optional blanks, an optional sign, digits with at most one decimal separator
/// (the regional one; no thousands separator), an optional exponent (E or e, an optional sign,
/// digits) and optional trailing blanks, with at least one digit. Anything else gives 0.
double decimal(const QString& text, const RegionalSettings& regional = RegionalSettings::system());
/// The same reading, false when the text is no such number.
bool tryDecimal(const QString& text, double* value, const RegionalSettings& regional = RegionalSettings::system());

/// Money reading: every "R" and then every "$" removed, then the decimal reading, as a fixed-point
/// amount (ties to even).
Amount money(const QString& text, const RegionalSettings& regional = RegionalSettings::system());

} // namespace Readings
