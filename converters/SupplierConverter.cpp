#include "SupplierConverter.h"

#include "CellDates.h"
#include "PostalCodeLookup.h"
#include "Query.h"
#include "Readings.h"
#include "TaxNumber.h"
#include "funcoes.h"

#include <limits>

namespace {

const QString kNoTaxNumber = QStringLiteral("00000000000000");
const QString kNoPostalCode = QStringLiteral("00000000");

} // namespace

SupplierConverter::SupplierConverter(Cadastro cadastro) : m_cadastro(cadastro) {}
SupplierConverter::~SupplierConverter() = default;

QString SupplierConverter::kind() const
{
    return carriers() ? QStringLiteral("transportadoras") : QStringLiteral("fornecedores");
}

QString SupplierConverter::closingSuffix() const
{
    return carriers() ? QStringLiteral(" Transportadoras Importadas!")
                      : QStringLiteral(" Fornecedores Importados!");
}

QString SupplierConverter::noticeSuffix() const
{
    // The notice keeps the wording it has always been sent with; only the closing message agrees.
    return carriers() ? QStringLiteral(" Transportadoras Importados!")
                      : QStringLiteral(" Fornecedores Importados!");
}

void SupplierConverter::setUp(RunContext& context)
{
    m_cdsCliente = std::make_unique<Query>(context.db, QStringLiteral("CDSCliente"));
    m_cdsClienteCod = std::make_unique<Query>(context.db, QStringLiteral("CDSClienteCod"));
    m_nextCode = 0;
    if (!context.options.limpar)
        return;
    // The suppliers' clear box empties the whole table, carriers included.
    if (carriers())
        m_cdsCliente->execute(QStringLiteral("DELETE FROM FORNECEDOR WHERE TIPO_CADASTRO = ?"),
                              {QStringLiteral("T")});
    else
        m_cdsCliente->execute(QStringLiteral("DELETE FROM FORNECEDOR "));
}

int SupplierConverter::newCode()
{
    // Read once per run and counted on, as for clients: MAX over the key is a full table scan.
    if (m_nextCode == 0) {
        m_cdsClienteCod->open(
            QStringLiteral("SELECT MAX(CODIGO_FORNECEDOR) AS COD_CLIENTE FROM FORNECEDOR "));
        m_nextCode = m_cdsClienteCod->asInteger(QStringLiteral("COD_CLIENTE"), 0) + 1;
    }
    if (m_nextCode > std::numeric_limits<int>::max())
        throw UserError(QStringLiteral("Não há mais códigos de fornecedor livres."));
    return static_cast<int>(m_nextCode);
}

void SupplierConverter::convertRow(RunContext& context, int)
{
    const QString razao = Alltrim(context.cell(0));
    if (razao.isEmpty()) {
        context.skipped(QStringLiteral("coluna A vazia"));
        return;
    }

    const QString bare = ZeroEsquerda(OnlyNumber(context.cell(2)), 14);
    // Without a number there is no CPF or CNPJ to go by; such a row is taken for a legal entity,
    // whose state registration is then column D.
    QString CPFCNPJ_Cliente = bare;
    QString wTipo_Cliente = QStringLiteral("J");
    if (bare != kNoTaxNumber) {
        // Checked as the number is taken: a CPF by the digits after the three leading zeros, a CNPJ
        // by all of them, so that digits the punctuated form leaves out are reported too.
        QString problem;
        if (bare.startsWith(QStringLiteral("000"))) {
            wTipo_Cliente = QStringLiteral("F");
            CPFCNPJ_Cliente = TaxNumber::cpfForm(bare.mid(3, 11));
            problem = TaxNumber::cpfProblem(bare.mid(3));
        } else {
            CPFCNPJ_Cliente = TaxNumber::cnpjForm(bare);
            problem = TaxNumber::cnpjProblem(bare);
        }
        if (!problem.isEmpty())
            context.warn(2, context.cell(2), problem);
    }

    // The table holds the punctuated number this converter writes; the bare digits find rows that
    // came from elsewhere. Looking for both lets a second run over a sheet update its own rows; the
    // bare form, the shorter, wins when both are there. The bare digits may be longer than the
    // column (a cell with two numbers): cast, they simply match nothing instead of failing.
    Query& q = *m_cdsCliente;
    if (CPFCNPJ_Cliente == bare)
        q.open(QStringLiteral("SELECT * FROM FORNECEDOR where CNPJCPF_FORNECEDOR =CAST(? AS VARCHAR(255))"),
               {bare});
    else
        q.open(QStringLiteral("SELECT * FROM FORNECEDOR where CNPJCPF_FORNECEDOR =CAST(? AS VARCHAR(255)) OR "
                              "CNPJCPF_FORNECEDOR = ? ORDER BY CHAR_LENGTH(CNPJCPF_FORNECEDOR)"),
               {bare, CPFCNPJ_Cliente});

    const bool isNew = q.isEmpty();
    int Codigo_Cliente = 0;
    if (isNew) {
        Codigo_Cliente = newCode();
        q.append();
        q.setInteger(QStringLiteral("CODIGO_FORNECEDOR"), Codigo_Cliente);
    } else {
        q.edit();
        Codigo_Cliente = static_cast<int>(q.asInteger(QStringLiteral("CODIGO_FORNECEDOR")));
    }

    const QString CEP_CLIENTE = ZeroEsquerda(OnlyNumber(context.cell(4)), 8);
    if (carriers())
        q.setText(QStringLiteral("TIPO_CADASTRO"), QStringLiteral("T"));
    q.setText(QStringLiteral("TIPOPESSOA_FORNECEDOR"), wTipo_Cliente);
    q.setText(QStringLiteral("RAZAO_FORNECEDOR"), razao);
    q.setText(QStringLiteral("FANTASIA_FORNECEDOR"), Alltrim(context.cell(1)));
    if (bare != kNoTaxNumber)
        q.setText(QStringLiteral("CNPJCPF_FORNECEDOR"), CPFCNPJ_Cliente);
    q.setText(QStringLiteral("INSCRICAO_FORNECEDOR"),
              wTipo_Cliente == QStringLiteral("F") ? QStringLiteral("ISENTO") : Alltrim(context.cell(3)));

    // Carriers' sheets keep their quotes in the number and the telephone.
    const auto quotesOut = [this](const QString& cell) {
        return carriers() ? cell : RetiraAspaSimples(cell);
    };
    q.setText(QStringLiteral("ENDERECO_FORNECEDOR"), Alltrim(context.cell(5)));
    q.setText(QStringLiteral("NUMEROEND_FORNECEDOR"), Alltrim(quotesOut(context.cell(6))));
    q.setText(QStringLiteral("COMPLEMENTOEND_FORNECEDOR"), Alltrim(context.cell(7)));
    q.setText(QStringLiteral("BAIRRO_FORNECEDOR"), Alltrim(context.cell(8)));
    const QString& j = context.cell(9);
    q.setInteger(QStringLiteral("COD_CIDADE"), Alltrim(j).isEmpty()
                                                   ? Readings::wholeNumber(context.options.codCidade, 0)
                                                   : Readings::wholeNumber(j, 0));
    q.setText(QStringLiteral("TELEFONE1_FORNECEDOR"), Alltrim(quotesOut(context.cell(10))));
    q.setText(QStringLiteral("fAX_FORNECEDOR"), Alltrim(context.cell(11)));
    q.setText(QStringLiteral("CONTATO_FORNECEDOR"), Alltrim(context.cell(12)));
    q.setText(QStringLiteral("OBSERVACAO_FORNECEDOR"), Alltrim(context.cell(13)));
    q.setText(QStringLiteral("EMAIL_FORNECEDOR"), Alltrim(context.cell(14)));
    if (!Alltrim(context.cell(15)).isEmpty())
        q.setDate(QStringLiteral("DATACADASTRO_FORNECEDOR"),
                  CellDates::read(context.cell(15), CellDates::AnoMesDia, 15));

    if (CEP_CLIENTE != kNoPostalCode) {
        q.setText(QStringLiteral("CEP_FORNECEDOR"), CEP_CLIENTE);
        // A code of more than 8 digits is no postal code the service knows; it is kept as typed.
        PostalCodeLookup* cep = context.services.postalCodes;
        if (cep && CEP_CLIENTE.size() == 8) {
            try {
                cep->BuscarPorCEP(CEP_CLIENTE);
            } catch (const UserError& e) {
                throw CellError(4, context.cell(4), e.message());
            }
            if (!cep->Enderecos().isEmpty()) {
                // The service knows the address better than the sheet, even where the sheet has one.
                const Endereco& endereco = cep->Enderecos().constFirst();
                if (!Alltrim(endereco.Logradouro).isEmpty()) {
                    q.setText(QStringLiteral("ENDERECO_FORNECEDOR"), endereco.Logradouro);
                    q.setText(QStringLiteral("BAIRRO_FORNECEDOR"), endereco.Bairro);
                }
                q.setInteger(QStringLiteral("COD_CIDADE"), Readings::wholeNumber(endereco.IBGE_Municipio, 0));
            }
        }
    }

    // In the database before the next row's look-up, so that a repeated number updates this row.
    q.post();
    q.apply();
    const QString key = QString::number(Codigo_Cliente);
    if (isNew) {
        m_nextCode = Codigo_Cliente + 1;
        context.inserted(key);
    } else {
        context.updated(key);
    }
}
