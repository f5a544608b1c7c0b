#pragma once

#include "Grid.h"
#include "RegionalSettings.h"

#include <QByteArray>

/// Reads the first worksheet of an xlsx or xlsm package held in memory. liborcus's xlsx filter
/// reads the workbook, the shared strings and the styles through an import factory that keeps
/// only what the grid needs, and the cells of sheets as Excel writes them; sheets written with
/// inline strings are read by the loader's own walker instead (see XlsxParts.h for why). Throws
/// ReadFailure, or orcus's exceptions for a corrupt package.
Grid readXlsx(const QByteArray& package, const RegionalSettings& regional);
