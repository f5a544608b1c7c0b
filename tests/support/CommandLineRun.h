#pragma once

#include "CommandLine.h"

#include <QStringList>
#include <QTextStream>

/// What a command line run in-process printed and its exit status.
struct CliResult {
    int status;
    QString out;
    QString err;
};

inline CliResult runCli(const QStringList& arguments)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = runCommandLine(arguments, o, e);
    o.flush();
    e.flush();
    return {status, out, err};
}
