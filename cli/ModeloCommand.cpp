#include "ModeloCommand.h"

#include "LayoutImportacao.h"

QString ModeloCommand::usage() const
{
    return QStringLiteral("modelo produtos|clientes|fornecedores ARQUIVO.xlsx\n"
                          "      (o modelo de fornecedores serve também para transportadoras)");
}

int ModeloCommand::execute(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    LayoutImportacao::Layout layout = LayoutImportacao::Layout::Produtos;
    QString problem;
    if (arguments.size() != 2)
        problem = QStringLiteral("Informe o tipo e o arquivo.");
    else if (!LayoutImportacao::layoutPorNome(arguments.at(0), &layout))
        problem = QStringLiteral("Tipo desconhecido: %1").arg(arguments.at(0));
    if (!problem.isEmpty()) {
        err << problem << u'\n' << QStringLiteral("Uso: conversor ") << usage() << u'\n';
        return ExitStatus::Error;
    }
    LayoutImportacao::gravarModelo(layout, arguments.at(1));
    out << QStringLiteral("Modelo gravado em %1\n").arg(arguments.at(1));
    return ExitStatus::Ok;
}
