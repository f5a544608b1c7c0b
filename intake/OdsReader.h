#pragma once

#include "Grid.h"
#include "RegionalSettings.h"

#include <QByteArray>

/// Reads the first table of an OpenDocument spreadsheet (.ods) held in memory. Throws
/// ReadFailure, or orcus's zip and XML exceptions for a corrupt package.
///
/// content.xml is walked here with liborcus's namespace-aware SAX parser rather than with
/// orcus_ods: the 0.17 filter drops currency, percentage, logical and time values, the string
/// results of formulas, and all but the first of a run of repeated rows (table:number-rows-repeated),
/// which LibreOffice writes for identical consecutive rows.
Grid readOds(const QByteArray& package, const RegionalSettings& regional);
