#pragma once

#include "Grid.h"
#include "RegionalSettings.h"

#include <QByteArray>

/// Reads the first worksheet of an xlsx or xlsm package held in memory, through liborcus's xlsx
/// filter and an import factory that keeps only what the grid needs. Throws ReadFailure, or
/// orcus's own exceptions for a corrupt package.
Grid readXlsx(const QByteArray& package, const RegionalSettings& regional);
