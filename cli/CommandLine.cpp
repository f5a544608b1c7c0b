#include "CommandLine.h"

#include "Command.h"
#include "CreateDatabaseCommand.h"
#include "GridCommand.h"
#include "ImportCommand.h"
#include "ModeloCommand.h"
#include "UndoCommand.h"
#include "UserError.h"

#include <memory>
#include <vector>

namespace {

std::vector<std::unique_ptr<Command>> commands()
{
    std::vector<std::unique_ptr<Command>> list;
    list.push_back(std::make_unique<CreateDatabaseCommand>());
    list.push_back(std::make_unique<GridCommand>());
    list.push_back(std::make_unique<ImportCommand>());
    list.push_back(std::make_unique<ModeloCommand>());
    list.push_back(std::make_unique<UndoCommand>());
    return list;
}

} // namespace

QString commandLineUsage()
{
    QString text = QStringLiteral("Uso:\n  conversor                 abre a janela\n");
    for (const auto& c : commands())
        text += QStringLiteral("  conversor ") + c->usage() + u'\n';
    return text;
}

int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.isEmpty() || arguments.first() == QStringLiteral("--help") ||
        arguments.first() == QStringLiteral("-h") || arguments.first() == QStringLiteral("ajuda")) {
        (arguments.isEmpty() ? err : out) << commandLineUsage();
        return arguments.isEmpty() ? ExitStatus::Error : ExitStatus::Ok;
    }
    for (const auto& c : commands()) {
        if (c->name() != arguments.first())
            continue;
        try {
            return c->execute(arguments.mid(1), out, err);
        } catch (const UserError& e) {
            out.flush();
            err << e.message() << u'\n';
            return ExitStatus::Error;
        } catch (const std::exception& e) {
            out.flush();
            err << QString::fromUtf8(e.what()) << u'\n';
            return ExitStatus::Error;
        }
    }
    err << QStringLiteral("Comando desconhecido: %1\n").arg(arguments.first()) << commandLineUsage();
    return ExitStatus::Error;
}
