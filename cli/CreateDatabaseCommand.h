#pragma once

#include "Command.h"

/// `criar-banco ARQUIVO`: creates an empty ERP database from the sample schema, with its seed rows.
class CreateDatabaseCommand : public Command {
public:
    QString name() const override { return QStringLiteral("criar-banco"); }
    QString usage() const override { return QStringLiteral("criar-banco ARQUIVO"); }
    int execute(const QStringList& arguments, QTextStream& out, QTextStream& err) override;
};
