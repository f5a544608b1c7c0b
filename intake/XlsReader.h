#pragma once

#include "Grid.h"
#include "RegionalSettings.h"

#include <QByteArray>
#include <QString>

/// Reads the first worksheet of a legacy Excel workbook (.xls, BIFF): texts and dimensions through
/// freexl, numbers, formula results, logical and error values from the BIFF records themselves
/// (see BiffCells.h for what freexl lacks). `content` is the file's bytes. Throws ReadFailure.
Grid readXls(const QString& path, const QByteArray& content, const RegionalSettings& regional);
