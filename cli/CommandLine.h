#pragma once

#include <QStringList>
#include <QTextStream>

/// The command line's front end: picks the command named by the first argument and runs it.
/// `arguments` excludes the program's own name. Returns the exit status.
int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err);

/// The usage text listing every command.
QString commandLineUsage();
