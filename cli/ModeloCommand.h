#pragma once

#include "Command.h"

/// `modelo produtos|clientes|fornecedores ARQUIVO.xlsx`: writes a blank workbook whose first row
/// names the layout's columns, as the help window's button does.
class ModeloCommand : public Command {
public:
    QString name() const override { return QStringLiteral("modelo"); }
    QString usage() const override;
    int execute(const QStringList& arguments, QTextStream& out, QTextStream& err) override;
};
