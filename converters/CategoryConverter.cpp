#include "CategoryConverter.h"

#include "Query.h"
#include "Readings.h"
#include "funcoes.h"

CategoryConverter::CategoryConverter() = default;
CategoryConverter::~CategoryConverter() = default;

void CategoryConverter::setUp(RunContext& context)
{
    m_cdsCategoria = std::make_unique<Query>(context.db, QStringLiteral("CDSCategoria"));
    // The clear statement has no condition: the categories of every company go.
    if (context.options.limpar)
        m_cdsCategoria->execute(QStringLiteral("DELETE FROM CATEGORIA "));
}

void CategoryConverter::convertRow(RunContext& context, int)
{
    const QString cellA = context.cell(0);
    if (Alltrim(cellA).isEmpty()) {
        context.skipped(QStringLiteral("coluna A vazia"));
        return;
    }
    const QString digits = OnlyNumber(cellA);
    // Without a digit there is no code to look for; beyond 2147483647 the code cannot be stored.
    if (digits.isEmpty()) {
        context.skipped(QStringLiteral("coluna A sem código numérico"));
        return;
    }
    int codigoCategoria = 0;
    if (!Readings::tryWholeNumber(digits, &codigoCategoria)) {
        context.skipped(QStringLiteral("código maior que 2147483647"));
        return;
    }

    Query& q = *m_cdsCategoria;
    q.open(QStringLiteral("SELECT * FROM CATEGORIA where CODIGO_CATEGORIA =?"), {codigoCategoria});
    const bool isNew = q.isEmpty();
    if (isNew) {
        q.append();
        q.setInteger(QStringLiteral("CODIGO_CATEGORIA"), codigoCategoria);
    } else {
        q.edit();
    }
    q.setText(QStringLiteral("NOME_CATEGORIA"), Alltrim(context.cell(1)));
    q.setInteger(QStringLiteral("CODIGO_EMPRESA"), 1);
    q.post();
    q.apply();
    context.codes.observe(QStringLiteral("CATEGORIA"), QStringLiteral("CODIGO_CATEGORIA"), codigoCategoria);
    const QString key = QString::number(codigoCategoria);
    if (isNew)
        context.inserted(key);
    else
        context.updated(key);
}
