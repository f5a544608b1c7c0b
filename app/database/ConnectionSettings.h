#pragma once

#include <QString>

/// Where the ERP database is and how the program logs in to it.
namespace ConnectionSettings {

/// The one-line file naming the database, looked for in the current folder.
inline QString iniFileName() { return QStringLiteral("ConexaoFirebird.ini"); }
inline QString userName() { return QStringLiteral("SYSDBA"); }
inline QString password() { return QStringLiteral("quillbarn"); }

/// The first line of the ini file in `folder`, read in Windows-1252 and returned unchanged (blanks
/// included); further lines are ignored. Throws ConfigError naming the file and the folder when the
/// file is missing or cannot be read.
QString readDatabaseName(const QString& folder);

} // namespace ConnectionSettings
