#include "ServiceConverter.h"

#include "ProductConverter.h"
#include "Query.h"
#include "Readings.h"
#include "funcoes.h"

using namespace ProductColumns;

namespace {

const QString kProdutoPorCodigo = QStringLiteral("SELECT * FROM PRODUTO WHERE CODIGO_PRODUTO = ?");
const QString kProduto = QStringLiteral("PRODUTO");
const QString kCodigoProduto = QStringLiteral("CODIGO_PRODUTO");
const QString kReferencia = QStringLiteral("REFERENCIA_PRODUTO");

} // namespace

ServiceConverter::ServiceConverter() = default;
ServiceConverter::~ServiceConverter() = default;

void ServiceConverter::setUp(RunContext& context)
{
    m_cdsProduto = std::make_unique<Query>(context.db, QStringLiteral("CDSProduto"));
    m_cdsPreco = std::make_unique<Query>(context.db, QStringLiteral("CDSProdutoEmpresa"));
    m_rowOpen = false;
}

void ServiceConverter::convertRow(RunContext& context, int)
{
    // The next code is the maximum of PRODUTO plus one, counted on in memory once read. A row undone
    // by an error may have taken a code it never kept: the maximum is then read again.
    if (m_rowOpen)
        context.codes.reset();
    m_rowOpen = true;

    const QString digits = OnlyNumber(context.cell(A));
    int Codigo_Produto = Readings::wholeNumber(digits, 0);
    const bool allocated = Codigo_Produto == 0;
    if (allocated)
        Codigo_Produto = context.codes.NovoCodigo(kProduto, QString(), kCodigoProduto);
    if (Codigo_Produto <= 0) {
        context.skipped(ProductRules::noCodeReason(digits));
        m_rowOpen = false;
        return;
    }

    Query& produto = *m_cdsProduto;
    produto.open(kProdutoPorCodigo, {Codigo_Produto});
    const bool found = !produto.isEmpty();
    const bool ajustarPrecos = context.options.ajustarPrecosServicos;
    if (!ajustarPrecos && !context.options.ajustarTributacao) {
        if (found) {
            context.skipped(QStringLiteral("serviço ou produto já cadastrado (código %1)").arg(Codigo_Produto));
        } else {
            insertService(context, Codigo_Produto);
            QString note = allocated ? QStringLiteral("código gerado") : QString();
            if (!ProductRules::writePriceRecord(*m_cdsPreco, context, Codigo_Produto))
                note += (note.isEmpty() ? QString() : QStringLiteral("; ")) +
                        QStringLiteral("preço da empresa 1 já existia e foi mantido");
            context.codes.observe(kProduto, kCodigoProduto, Codigo_Produto);
            context.inserted(QString::number(Codigo_Produto), note);
        }
    } else if (ajustarPrecos && found) {
        adjustService(context, Codigo_Produto);
    } else if (!ajustarPrecos) {
        context.skipped(QStringLiteral("o ajuste de tributação não se aplica a serviços"));
    } else {
        context.skipped(QStringLiteral("serviço não encontrado"));
    }
    m_rowOpen = false;
}

void ServiceConverter::insertService(RunContext& context, int code)
{
    Query& q = *m_cdsProduto;
    q.append();
    q.setInteger(kCodigoProduto, code);
    const QString& cellB = context.cell(B);
    q.setText(kReferencia, Alltrim(cellB).isEmpty() ? QString::number(code) : Alltrim(RetiraAspaSimples(cellB)));
    const QString nome = ProductRules::cleanedName(context.cell(C));
    q.setText(QStringLiteral("NOME_PRODUTO"), nome);
    ProductRules::checkNcm(context);
    q.setText(QStringLiteral("CODIGO_NCM"), ProductRules::ncmOf(context.cell(E)));
    q.setText(QStringLiteral("TIPO_PRODUTO"), QStringLiteral("S"));

    const QString wUnidade = ProductRules::normalizedUnit(Alltrim(context.cell(H)));
    q.setText(QStringLiteral("UNIDADE_PRODUTO"), wUnidade);
    context.lookups.getUnidade(wUnidade);

    q.setText(QStringLiteral("ACS_VALORPRODUTO"), QStringLiteral("N"));
    q.setText(QStringLiteral("ACS_QTDPRODUTO"), QStringLiteral("N"));
    q.setText(QStringLiteral("ATIVO_PRODUTO"), QStringLiteral("S"));
    q.setInteger(QStringLiteral("CODIGO_EMPRESA"), 1);
    q.setInteger(QStringLiteral("CODIGO_TIPOTRIBUTACAO"), 1);

    const int Codigo_Categoria = Readings::wholeNumber(context.lookups.getCategoria(Alltrim(context.cell(L))), 1);
    q.setInteger(QStringLiteral("CODIGO_CATEGORIA"), Codigo_Categoria);
    if (Alltrim(context.cell(Q)) == QStringLiteral("N"))
        q.setText(QStringLiteral("ATIVO_PRODUTO"), QStringLiteral("N"));
    q.setText(QStringLiteral("NOME_PRODUTO"), ProductRules::completedName(nome, context.cell(X), context.cell(Y)));
    q.post();
    q.apply();
}

void ServiceConverter::adjustService(RunContext& context, int code)
{
    Query& produto = *m_cdsProduto;
    produto.edit();
    produto.setText(kReferencia, Alltrim(RetiraAspaSimples(context.cell(B))));
    produto.post();
    produto.apply();
    const bool priced = ProductRules::adjustPrices(*m_cdsPreco, context, code);
    context.updated(QString::number(code),
                    priced ? QString() : QStringLiteral("sem preço da empresa 1: só a referência foi gravada"));
}
