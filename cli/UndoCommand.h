#pragma once

#include "Command.h"

/// `desfazer DIARIO [--banco NOME] [--forcar]`: undoes the run a journal describes, on the
/// database the run wrote to unless another is named. Exit 0 when undone (or already undone
/// before), 1 when refused because rows were changed since, 2 for usage, file and connection errors.
class UndoCommand : public Command {
public:
    QString name() const override { return QStringLiteral("desfazer"); }
    QString usage() const override;
    int execute(const QStringList& arguments, QTextStream& out, QTextStream& err) override;
};
