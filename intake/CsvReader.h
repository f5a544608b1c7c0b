#pragma once

#include "Grid.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

/// Delimited text as the ERP's users export it: comma, semicolon, tab or pipe separated, in UTF-8
/// or in Windows-1252, quoted the RFC 4180 way. A CSV has no types, so every field is kept as the
/// text it is ("007" stays "007").
namespace Csv {

/// The text of a CSV file: UTF-8 (a BOM is dropped) when the bytes are valid UTF-8, UTF-16 when
/// they start with its BOM, Windows-1252 otherwise.
QString decode(const QByteArray& bytes);

/// The delimiter among ';' ',' '\t' '|' that splits the first records into the same number of
/// fields most consistently, quotes taken into account; ';' when none splits anything.
QChar detectDelimiter(QStringView text);

/// The records of the text, split at `delimiter`: quoted fields may hold delimiters, doubled
/// quotes and line breaks; lines end with CRLF, LF or CR; blank lines at the end are no records.
/// Rows are the records, columns the widest record; 1x1 when there is none.
Grid parse(QStringView text, QChar delimiter);

/// decode(), detectDelimiter() and parse() in a row.
Grid read(const QByteArray& bytes);

} // namespace Csv
