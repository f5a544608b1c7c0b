#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

/// Exit statuses of the command line, which scripts rely on.
namespace ExitStatus {
constexpr int Ok = 0;
constexpr int RunFailed = 1;  // a conversion ended by an error
constexpr int Error = 2;      // usage, file, ini or connection errors
} // namespace ExitStatus

/// One word of the command line ("grade", "criar-banco", ...). Commands write to the streams they
/// are given, so tests run them in-process.
class Command {
public:
    virtual ~Command() = default;
    virtual QString name() const = 0;
    /// The usage line, after the program's name.
    virtual QString usage() const = 0;
    /// Runs with the arguments after the command's word; returns the exit status. Errors may be
    /// thrown as UserError; the caller turns them into a message and status 2.
    virtual int execute(const QStringList& arguments, QTextStream& out, QTextStream& err) = 0;
};
