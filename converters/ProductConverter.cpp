#include "ProductConverter.h"

#include "Database.h"
#include "PictureConverter.h"
#include "Query.h"
#include "Readings.h"
#include "funcoes.h"

using namespace ProductColumns;

namespace {

const QString kProdutoPorCodigo = QStringLiteral("SELECT * FROM PRODUTO WHERE CODIGO_PRODUTO = ?");
const QString kProdutoPorNome = QStringLiteral("SELECT * FROM PRODUTO WHERE NOME_PRODUTO = ?");
const QString kCestPorNcm = QStringLiteral("SELECT * FROM TAB_CEST E  WHERE E.NCM = ?");
const QString kTipoPorCst = QStringLiteral("SELECT * FROM TIPOTRIBUTACAO WHERE CST_TIPOTRIBUTACAO = ?");
const QString kPrecoEmpresa1 =
    QStringLiteral("SELECT * FROM PRODUTO_EMPRESA WHERE CODIGO_PRODUTO = ? AND CODIGO_EMPRESA = 1");

const QString kProduto = QStringLiteral("PRODUTO");
const QString kCodigoProduto = QStringLiteral("CODIGO_PRODUTO");
const QString kCodigoEmpresa = QStringLiteral("CODIGO_EMPRESA");
const QString kCodigoTipoTributacao = QStringLiteral("CODIGO_TIPOTRIBUTACAO");
const QString kReferencia = QStringLiteral("REFERENCIA_PRODUTO");
const QString kNcm = QStringLiteral("CODIGO_NCM");
const QString kCest = QStringLiteral("CEST_PRODUTO");
const QString kImagem = QStringLiteral("IMAGEM_PRODUTO");
const QString kValorVenda = QStringLiteral("VALORVENDA_PRODUTO");
const QString kValorCusto = QStringLiteral("VALORCUSTO_PRODUTO");
const QString kMargem = QStringLiteral("MARGEMLUCRO_PRODUTO");

// A CST cell that reads as a whole number above 0, as two digits. Its decimal reading counts ("1"
// gives "01"); a whole number the decimal reading cannot take, such as the hexadecimal "$1A",
// counts by its whole-number value rather than stopping the run.
QString twoDigits(const QString& raw, int whole, const RegionalSettings& regional)
{
    double value = 0;
    if (!Readings::tryDecimal(raw, &value, regional))
        value = whole;
    return StrZero(value, 2, 0);
}

// A look-up value longer than its column can equal no stored value, since it never ends in the
// blanks a comparison forgives; bound to the statement it would make the statement fail instead.
bool fitsColumn(Database& db, const QString& table, const QString& column, const QString& value)
{
    const int length = db.textLength(table, column);
    return length < 0 || value.size() <= length || value.toUcs4().size() <= length;
}

} // namespace

namespace ProductRules {

QString normalizedUnit(const QString& trimmedCell)
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("UN1"), QStringLiteral("UN")},  {QStringLiteral("PC1"), QStringLiteral("PC")},
        {QStringLiteral("CX6"), QStringLiteral("CX")},  {QStringLiteral("CX12"), QStringLiteral("CX")},
        {QStringLiteral("PT12"), QStringLiteral("PT")}, {QStringLiteral("PT10"), QStringLiteral("PT")},
        {QStringLiteral("PT20"), QStringLiteral("PT")}, {QStringLiteral("PT30"), QStringLiteral("PT")},
        {QStringLiteral("PT50"), QStringLiteral("PT")}, {QStringLiteral("METRO"), QStringLiteral("MT")},
        {QStringLiteral("UNIDADE"), QStringLiteral("UN")}, {QStringLiteral("UND"), QStringLiteral("UN")},
        {QString(), QStringLiteral("UN")},
    };
    return table.value(trimmedCell, trimmedCell);
}

QString cleanedName(const QString& cellC)
{
    QString name = Alltrim(cellC);
    for (const QString& unwanted : {QStringLiteral("\""), QStringLiteral("%"), QStringLiteral("\u00BA"),
                                    QStringLiteral("\u00B4"), QStringLiteral("`"), QStringLiteral("\u0192")})
        name = TrocaCar(name, unwanted, QString());
    return name;
}

QString completedName(const QString& name, const QString& cellX, const QString& cellY)
{
    QString completed = name;
    for (const QString* cell : {&cellX, &cellY}) {
        const QString complement = Alltrim(*cell);
        if (!complement.isEmpty())
            completed += u' ' + complement;
    }
    return UpperCase(completed);
}

QString ncmOf(const QString& cellE)
{
    const QString digits = Alltrim(OnlyNumber(cellE));
    return digits.isEmpty() ? QStringLiteral("99999999") : digits;
}

QString ncmProblem(const QString& cellE)
{
    if (Alltrim(cellE).isEmpty())
        return {};
    const qsizetype digits = OnlyNumber(cellE).size();
    if (digits == 0)
        return QStringLiteral("NCM sem dígitos, lido como 99999999");
    if (digits != 8)
        return QStringLiteral("NCM não tem 8 dígitos");
    return {};
}

void checkNcm(RunContext& context)
{
    const QString problem = ncmProblem(context.cell(E));
    if (!problem.isEmpty())
        context.warn(E, context.cell(E), problem);
}

QString sevenDigits(const QString& digits, const RegionalSettings& regional)
{
    // Up to 15 digits a double holds the number exactly; beyond that the last seven digits are
    // taken from the text, which is what the number would give if it were held exactly.
    if (digits.size() > 15)
        return Right(digits, 7);
    return StrZero(Readings::decimal(digits, regional), 7, 0);
}

std::optional<Amount> markUp(Amount sale, Amount cost)
{
    if (!(sale > Amount()) || !(cost > Amount()))
        return std::nullopt;
    return Amount::fromDouble((sale.toDouble() / cost.toDouble() - 1.0) * 100.0);
}

bool writePriceRecord(Query& prices, RunContext& context, int code)
{
    prices.open(kPrecoEmpresa1, {code});
    if (!prices.isEmpty())
        return false;
    const Amount custo = Readings::money(context.cell(F), context.regional);
    const Amount venda = Readings::money(context.cell(D), context.regional);
    Amount margem = Amount::fromDouble(Readings::decimal(context.cell(G), context.regional));
    if (const std::optional<Amount> m = markUp(venda, custo))
        margem = *m;
    prices.append();
    prices.setInteger(kCodigoEmpresa, 1);
    prices.setInteger(kCodigoProduto, code);
    prices.setAmount(kValorVenda, venda);
    prices.setAmount(kValorCusto, custo);
    prices.setAmount(kMargem, margem);
    prices.post();
    prices.apply();
    return true;
}

bool adjustPrices(Query& prices, RunContext& context, int code)
{
    prices.open(kPrecoEmpresa1, {code});
    if (prices.isEmpty())
        return false;
    const Amount custo = Readings::money(context.cell(F), context.regional);
    const Amount venda = Readings::money(context.cell(D), context.regional);
    prices.edit();
    // An empty sale price is a price of 0 on purpose; an empty cost is a cost not given.
    prices.setAmount(kValorVenda, venda);
    Amount cost = prices.asAmount(kValorCusto);
    if (custo > Amount()) {
        prices.setAmount(kValorCusto, custo);
        cost = custo;
    }
    const double g = Readings::decimal(context.cell(G), context.regional);
    if (g > 0)
        prices.setAmount(kMargem, Amount::fromDouble(g));
    if (const std::optional<Amount> m = markUp(venda, cost))
        prices.setAmount(kMargem, *m);
    prices.post();
    prices.apply();
    return true;
}

QString noCodeReason(const QString& digits)
{
    if (digits.isEmpty() || Readings::wholeNumber(digits, -1) == 0)
        return QStringLiteral("código vazio ou zero");
    return QStringLiteral("código maior que 2147483647");
}

} // namespace ProductRules

ProductConverter::ProductConverter() = default;
ProductConverter::~ProductConverter() = default;

void ProductConverter::setUp(RunContext& context)
{
    m_db = &context.db;
    m_cdsProduto = std::make_unique<Query>(context.db, QStringLiteral("CDSProduto"));
    m_cdsPreco = std::make_unique<Query>(context.db, QStringLiteral("CDSProdutoEmpresa"));
    m_cdsTabCest = std::make_unique<Query>(context.db, QStringLiteral("CDSTabCest"));
    m_cdsTipoTributacao = std::make_unique<Query>(context.db, QStringLiteral("CDSTipoTributacao"));
    m_cestByNcm.clear();
    m_taxTypeByCst.clear();
}

void ProductConverter::convertRow(RunContext& context, int)
{
    const QString codeText = OnlyNumber(context.cell(A));
    const int code = Readings::wholeNumber(codeText, 0);
    if (code <= 0) {
        context.skipped(ProductRules::noCodeReason(codeText));
        return;
    }

    Query& produto = *m_cdsProduto;
    produto.open(kProdutoPorCodigo, {code});
    if (context.options.ajustarPrecos || context.options.ajustarTributacao) {
        adjustProduct(context, code);
        return;
    }
    if (!produto.isEmpty()) {
        context.skipped(QStringLiteral("produto já cadastrado (código %1)").arg(code));
        return;
    }
    // The name as typed, before clean-up and upper case, is what an earlier import would have
    // been looked up by too.
    const QString typedName = Alltrim(context.cell(C));
    if (fitsColumn(context.db, kProduto, QStringLiteral("NOME_PRODUTO"), typedName)) {
        produto.open(kProdutoPorNome, {typedName});
        if (!produto.isEmpty()) {
            context.skipped(QStringLiteral("produto já cadastrado com o mesmo nome (código %1)")
                                .arg(produto.asText(kCodigoProduto)));
            return;
        }
    }

    QStringList notes;
    const QString pictureNote = insertProduct(context, code);
    if (!pictureNote.isEmpty())
        notes << pictureNote;
    if (!ProductRules::writePriceRecord(*m_cdsPreco, context, code))
        notes << QStringLiteral("preço da empresa 1 já existia e foi mantido");
    context.codes.observe(kProduto, kCodigoProduto, code);
    context.inserted(QString::number(code), notes.join(QStringLiteral("; ")));
}

QString ProductConverter::insertProduct(RunContext& context, int code)
{
    Query& q = *m_cdsProduto;
    const RegionalSettings& regional = context.regional;
    QString note;

    q.append();
    q.setInteger(kCodigoProduto, code);

    const QString& cellB = context.cell(B);
    q.setText(kReferencia, Alltrim(cellB).isEmpty() ? Alltrim(RetiraAspaSimples(context.cell(A)))
                                                    : Alltrim(RetiraAspaSimples(cellB)));

    const QString nome = ProductRules::cleanedName(context.cell(C));
    q.setText(QStringLiteral("NOME_PRODUTO"), nome);

    const QString ncm = ProductRules::ncmOf(context.cell(E));
    ProductRules::checkNcm(context);
    q.setText(kNcm, ncm);

    // An NCM of only zeros (or too long to be a number) names no CEST.
    if (Readings::wholeNumber(ncm, 0) > 0) {
        if (const std::optional<QString> cest = cestOfNcm(ncm))
            q.setText(kCest, *cest);
    }
    const QString cestDigits = Alltrim(OnlyNumber(context.cell(U)));
    if (!cestDigits.isEmpty())
        q.setText(kCest, ProductRules::sevenDigits(cestDigits, context.regional));

    q.setText(QStringLiteral("TIPO_PRODUTO"), QStringLiteral("P"));

    const QString wUnidade = ProductRules::normalizedUnit(Alltrim(context.cell(H)));
    q.setText(QStringLiteral("UNIDADE_PRODUTO"), wUnidade);
    context.lookups.getUnidade(wUnidade);

    q.setText(QStringLiteral("CSTIPI_PRODUTO"), context.options.cstIpi);
    q.setText(QStringLiteral("CSTPIS_PRODUTO"), context.options.cstPis);
    q.setText(QStringLiteral("CSTCOFINS_PRODUTO"), context.options.cstCofins);
    const QString& cellS = context.cell(S);
    if (const int pis = Readings::wholeNumber(cellS, 0); pis > 0)
        q.setText(QStringLiteral("CSTPIS_PRODUTO"), twoDigits(cellS, pis, regional));
    const QString& cellT = context.cell(T);
    if (const int cofins = Readings::wholeNumber(cellT, 0); cofins > 0)
        q.setText(QStringLiteral("CSTCOFINS_PRODUTO"), twoDigits(cellT, cofins, regional));

    // A picture that cannot be had never costs the product: the field stays empty and the report
    // says why.
    const QString picture = Alltrim(context.cell(V));
    if (!picture.isEmpty()) {
        try {
            const QString NomeArquivoImagem = ConvertBMP_JPG(picture, 100);
            if (!Alltrim(NomeArquivoImagem).isEmpty())
                q.loadFromFile(kImagem, NomeArquivoImagem);
        } catch (const UserError& e) {
            q.clear(kImagem);
            note = QStringLiteral("imagem não gravada: ") + e.message();
        } catch (const std::exception& e) {
            q.clear(kImagem);
            note = QStringLiteral("imagem não gravada: ") + QString::fromLocal8Bit(e.what());
        }
    }

    q.setText(QStringLiteral("ACS_VALORPRODUTO"), QStringLiteral("N"));
    q.setText(QStringLiteral("ACS_QTDPRODUTO"), QStringLiteral("N"));
    q.setText(QStringLiteral("ATIVO_PRODUTO"), QStringLiteral("S"));
    q.setInteger(kCodigoEmpresa, 1);

    const int tipoI = Readings::wholeNumber(context.cell(I), 0);
    q.setInteger(kCodigoTipoTributacao, tipoI > 0 ? tipoI : 1);
    // The CST is looked up as typed, upper-cased but not trimmed; a text that is no number above 0
    // (such as "00") keeps the tax type of column I.
    const QString& cellR = context.cell(R);
    if (Readings::wholeNumber(cellR, 0) > 0) {
        if (const std::optional<qint64> tipo = taxTypeOfCst(UpperCase(cellR)))
            q.setInteger(kCodigoTipoTributacao, *tipo);
    }

    q.setText(QStringLiteral("LOCALIZACAO_PRODUTO"), Alltrim(context.cell(J)));
    const int categoria = Readings::wholeNumber(context.lookups.getCategoria(Alltrim(context.cell(L))), 1);
    q.setInteger(QStringLiteral("CODIGO_CATEGORIA"), categoria);
    q.setText(QStringLiteral("CODIGO_FABRICANTE"), Alltrim(RetiraAspaSimples(context.cell(M))));
    q.setText(QStringLiteral("MARCA_PRODUTO"), Alltrim(RetiraAspaSimples(context.cell(N))));
    q.setDouble(QStringLiteral("PESOLIQUIDO_PRODUTO"), Readings::decimal(context.cell(O), regional));
    q.setDouble(QStringLiteral("PESOBRUTO_PRODUTO"), Readings::decimal(context.cell(P), regional));
    if (Alltrim(context.cell(Q)) == QStringLiteral("N"))
        q.setText(QStringLiteral("ATIVO_PRODUTO"), QStringLiteral("N"));
    const QString& cellW = context.cell(W);
    if (!Alltrim(cellW).isEmpty())
        q.setInteger(QStringLiteral("CODIGO_FORNECEDOR"), Readings::wholeNumber(cellW, 0));
    q.setText(QStringLiteral("NOME_PRODUTO"), ProductRules::completedName(nome, context.cell(X), context.cell(Y)));
    const QString& cellZ = context.cell(Z);
    if (!Alltrim(cellZ).isEmpty())
        q.setDouble(QStringLiteral("ESTOQUEMINIMO_PRODUTO"), Readings::decimal(cellZ, regional));

    q.post();
    q.apply();
    return note;
}

void ProductConverter::adjustProduct(RunContext& context, int code)
{
    Query& produto = *m_cdsProduto;
    if (produto.isEmpty()) {
        context.skipped(QStringLiteral("produto não encontrado"));
        return;
    }
    QString note;
    if (context.options.ajustarPrecos) {
        produto.edit();
        // No fall-back to column A here: an empty column B clears the reference.
        produto.setText(kReferencia, Alltrim(RetiraAspaSimples(context.cell(B))));
        produto.post();
        produto.apply();
        if (!ProductRules::adjustPrices(*m_cdsPreco, context, code))
            note = QStringLiteral("sem preço da empresa 1: só a referência foi gravada");
    }
    if (context.options.ajustarTributacao) {
        // The tax data belong to the product record, whatever the price step did before.
        if (context.options.ajustarPrecos)
            produto.open(kProdutoPorCodigo, {code});
        if (!produto.isEmpty()) {
            produto.edit();
            if (context.options.ajustarNcm) {
                ProductRules::checkNcm(context);
                produto.setText(kNcm, ProductRules::ncmOf(context.cell(E)));
            }
            const QString cestDigits = Alltrim(OnlyNumber(context.cell(U)));
            if (context.options.ajustarCest && !cestDigits.isEmpty())
                produto.setText(kCest, ProductRules::sevenDigits(cestDigits, context.regional));
            produto.post();
            produto.apply();
        }
    }
    context.updated(QString::number(code), note);
}

std::optional<QString> ProductConverter::cestOfNcm(const QString& ncm)
{
    const auto cached = m_cestByNcm.constFind(ncm);
    if (cached != m_cestByNcm.constEnd())
        return *cached;
    std::optional<QString> cest;
    if (fitsColumn(*m_db, QStringLiteral("TAB_CEST"), QStringLiteral("NCM"), ncm)) {
        Query& q = *m_cdsTabCest;
        q.open(kCestPorNcm, {ncm});
        if (!q.isEmpty())
            cest = q.asText(QStringLiteral("CEST"));
    }
    m_cestByNcm.insert(ncm, cest);
    return cest;
}

std::optional<qint64> ProductConverter::taxTypeOfCst(const QString& cst)
{
    const auto cached = m_taxTypeByCst.constFind(cst);
    if (cached != m_taxTypeByCst.constEnd())
        return *cached;
    std::optional<qint64> tipo;
    if (fitsColumn(*m_db, QStringLiteral("TIPOTRIBUTACAO"),
                   QStringLiteral("CST_TIPOTRIBUTACAO"), cst)) {
        Query& q = *m_cdsTipoTributacao;
        q.open(kTipoPorCst, {cst});
        if (!q.isEmpty())
            tipo = q.asInteger(kCodigoTipoTributacao);
    }
    m_taxTypeByCst.insert(cst, tipo);
    return tipo;
}
