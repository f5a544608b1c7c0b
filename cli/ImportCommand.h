#pragma once

#include "Command.h"

/// `importar TIPO PLANILHA [opções]`: converts a workbook into the ERP database as the tab of that
/// kind would, with the tab's options as flags. A finished run prints what the count hides, then
/// the closing message as its last line, and exits 0; a run ended by an error exits 1.
class ImportCommand : public Command {
public:
    QString name() const override { return QStringLiteral("importar"); }
    QString usage() const override;
    int execute(const QStringList& arguments, QTextStream& out, QTextStream& err) override;
};
