#include "ClientConverter.h"

#include "CellDates.h"
#include "Cp1252.h"
#include "Query.h"
#include "Readings.h"
#include "TaxNumber.h"
#include "funcoes.h"

#include <QStringDecoder>
#include <limits>

namespace {

const QString kIsento = QStringLiteral("ISENTO");

// The ERP upper-cases the letters a to z only; accents are the collation's business.
QString upperAsciiLetters(QString text)
{
    for (QChar& c : text)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    return text;
}

// A name saved as UTF-8 and read back in the ANSI page shows two characters per accented letter
// ("SÃ£o Paulo"). Only text whose page bytes really are UTF-8 with a multi-byte sequence is such a
// name; anything else, a correct "São Paulo" included, is left alone.
QString repairedUtf8(const QString& text)
{
    if (!Cp1252::canEncode(text))
        return text;
    const QByteArray bytes = Cp1252::encode(text);
    bool multiByte = false;
    for (const char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80) {
            multiByte = true;
            break;
        }
    if (!multiByte)
        return text;
    QStringDecoder decoder(QStringConverter::Utf8);
    QString decoded = decoder(bytes);
    return decoder.hasError() ? text : decoded;
}

} // namespace

ClientConverter::ClientConverter() = default;
ClientConverter::~ClientConverter() = default;

void ClientConverter::setUp(RunContext& context)
{
    m_cdsCliente = std::make_unique<Query>(context.db, QStringLiteral("CDSCliente"));
    m_cdsClienteCod = std::make_unique<Query>(context.db, QStringLiteral("CDSClienteCod"));
    m_cdsCidade = std::make_unique<Query>(context.db, QStringLiteral("CDSCidade"));
    m_nextCode = 0;
    m_cities.clear();
    if (context.options.limpar)
        m_cdsCliente->execute(QStringLiteral("DELETE FROM CLIENTE WHERE CODIGO_CLIENTE <> 1"));
}

int ClientConverter::newCode()
{
    // The maximum is read once per run and counted on: the program is the only writer while a run
    // goes on, and the table's MAX cannot use its ascending key index, so reading it for every
    // row would make a run quadratic.
    if (m_nextCode == 0) {
        m_cdsClienteCod->open(QStringLiteral("SELECT MAX(CODIGO_CLIENTE) AS COD_CLIENTE FROM CLIENTE "));
        m_nextCode = m_cdsClienteCod->asInteger(QStringLiteral("COD_CLIENTE"), 0) + 1;
    }
    if (m_nextCode > std::numeric_limits<int>::max())
        throw UserError(QStringLiteral("Não há mais códigos de cliente livres."));
    return static_cast<int>(m_nextCode);
}

std::optional<int> ClientConverter::cityCode(const RunContext& context)
{
    const QString& j = context.cell(9);
    if (!Alltrim(j).isEmpty())
        return Readings::wholeNumber(j, 0);
    if (Alltrim(context.cell(10)).isEmpty() || Alltrim(context.cell(11)).isEmpty())
        return Readings::wholeNumber(context.options.codCidade, 0);

    const QString city = upperAsciiLetters(Alltrim(repairedUtf8(context.cell(10))));
    const QString state = upperAsciiLetters(Alltrim(context.cell(11)));
    const QString key = city + u'\x1f' + state;
    // The comparison under the collation cannot use an index; one look-up per name is enough.
    const auto cached = m_cities.constFind(key);
    if (cached != m_cities.constEnd())
        return *cached;
    std::optional<int> code;
    // CIDADE is in the ANSI page (its collation belongs to it): a name outside the page names no
    // city, and sending it would only fail the transliteration.
    if (Cp1252::canEncode(city) && Cp1252::canEncode(state)) {
        // Cast to the longest text Alltrim leaves, since a bound value takes the column's width
        // otherwise, and a longer name is then an error instead of no city.
        m_cdsCidade->open(
            QStringLiteral(
                "SELECT * FROM CIDADE C JOIN ESTADO E ON (E.COD_ESTADO = C.COD_ESTADO)  WHERE "
                "UPPER(C.NOM_CIDADE collate win_ptbr) = CAST(? AS VARCHAR(255) CHARACTER SET WIN1252) "
                "AND UPPER(E.SGL_ESTADO) = CAST(? AS VARCHAR(255) CHARACTER SET WIN1252) ORDER BY "
                "C.NOM_CIDADE"),
            {city, state});
        if (!m_cdsCidade->isEmpty())
            code = static_cast<int>(m_cdsCidade->asInteger(QStringLiteral("COD_CIDADE")));
    }
    m_cities.insert(key, code);
    return code;
}

void ClientConverter::convertRow(RunContext& context, int)
{
    const QString wRAZAO_CLIENTE = Alltrim(context.cell(0));
    if (wRAZAO_CLIENTE.isEmpty()) {
        context.skipped(QStringLiteral("coluna A vazia"));
        return;
    }

    const QString digits = OnlyNumber(Alltrim(context.cell(2)));
    const bool hasTaxNumber = !digits.isEmpty();
    QString CPFCNPJ_Cliente;
    QString wTipo_Cliente = QStringLiteral("F");
    if (digits.size() > 11) {
        CPFCNPJ_Cliente = ZeroEsquerda(digits, 14);
        wTipo_Cliente = QStringLiteral("J");
    } else if (hasTaxNumber) {
        CPFCNPJ_Cliente = ZeroEsquerda(digits, 11);
    }
    // A number of zeros is never stored, so only a number that is stored is checked.
    const bool storesTaxNumber = hasTaxNumber && CPFCNPJ_Cliente.left(11) != QStringLiteral("00000000000");
    if (storesTaxNumber) {
        const QString problem = wTipo_Cliente == QStringLiteral("J") ? TaxNumber::cnpjProblem(CPFCNPJ_Cliente)
                                                                      : TaxNumber::cpfProblem(CPFCNPJ_Cliente);
        if (!problem.isEmpty())
            context.warn(2, context.cell(2), problem);
    }

    Query& q = *m_cdsCliente;
    if (hasTaxNumber) {
        // A client typed into the ERP by hand may carry the punctuated number; it is the same client.
        // The bare form, the shorter, wins when both are there.
        QString punctuated;
        if (CPFCNPJ_Cliente.size() == 11)
            punctuated = TaxNumber::cpfForm(CPFCNPJ_Cliente);
        else if (CPFCNPJ_Cliente.size() == 14)
            punctuated = TaxNumber::cnpjForm(CPFCNPJ_Cliente);
        if (punctuated.isEmpty())
            q.open(QStringLiteral("SELECT * FROM CLIENTE where CPF_CLIENTE =?"), {CPFCNPJ_Cliente});
        else
            q.open(QStringLiteral("SELECT * FROM CLIENTE where CPF_CLIENTE =? OR CPF_CLIENTE =? ORDER BY "
                                  "CHAR_LENGTH(CPF_CLIENTE)"),
                   {CPFCNPJ_Cliente, punctuated});
    } else {
        q.open(QStringLiteral("SELECT * FROM CLIENTE where NOME_CLIENTE =?"), {wRAZAO_CLIENTE});
    }

    const bool isNew = q.isEmpty();
    int Codigo_Cliente = 0;
    if (isNew) {
        Codigo_Cliente = newCode();
        q.append();
        q.setInteger(QStringLiteral("CODIGO_CLIENTE"), Codigo_Cliente);
    } else {
        q.edit();
        Codigo_Cliente = static_cast<int>(q.asInteger(QStringLiteral("CODIGO_CLIENTE")));
    }

    const QString CEP_CLIENTE = ZeroEsquerda(OnlyNumber(context.cell(4)), 8);
    q.setText(QStringLiteral("TIPOCLIENTE_CLIENTE"), wTipo_Cliente);
    q.setText(QStringLiteral("NOME_CLIENTE"), wRAZAO_CLIENTE);
    q.setText(QStringLiteral("FANTASIA_CLIENTE"), Alltrim(context.cell(1)));
    if (!hasTaxNumber)
        q.setText(QStringLiteral("CPF_CLIENTE"), QString());
    else if (storesTaxNumber)
        q.setText(QStringLiteral("CPF_CLIENTE"), CPFCNPJ_Cliente);

    const bool pessoaFisica = wTipo_Cliente == QStringLiteral("F");
    QString doc = pessoaFisica ? kIsento : Alltrim(context.cell(3));
    if (doc.isEmpty())
        doc = kIsento;
    q.setText(QStringLiteral("DOC_CLIENTE"), doc);

    q.setText(QStringLiteral("ENDERECO_CLIENTE"), Alltrim(context.cell(5)));
    q.setText(QStringLiteral("NUMEROEND_CLIENTE"), Alltrim(RetiraAspaSimples(context.cell(6))));
    q.setText(QStringLiteral("COMPLEMENTOEND_CLIENTE"), Alltrim(context.cell(7)));
    q.setText(QStringLiteral("BAIRRO_CLIENTE"), Alltrim(context.cell(8)));
    // A named city that CIDADE lacks leaves the stored code alone rather than guessing one.
    if (const std::optional<int> city = cityCode(context))
        q.setInteger(QStringLiteral("COD_CIDADE"), *city);
    q.setText(QStringLiteral("SEXO_CLIENTE"), context.cell(12));
    if (!Alltrim(context.cell(13)).isEmpty())
        q.setDate(QStringLiteral("DATANASC_CLIENTE"),
                  CellDates::read(context.cell(13), context.options.formatoData, 13));

    q.setText(QStringLiteral("TELEFONE1_CLIENTE"), Alltrim(context.cell(14)));
    q.setText(QStringLiteral("FAX_CLIENTE"), Alltrim(context.cell(15)));
    q.setText(QStringLiteral("PROFISSAO_CLIENTE"), Alltrim(context.cell(16)));
    q.setText(QStringLiteral("CONTATO_CLIENTE"), Alltrim(context.cell(17)));
    q.setText(QStringLiteral("OBSERVACAO_CLIENTE"), Alltrim(context.cell(18)));
    if (pessoaFisica)
        q.setText(QStringLiteral("RG_CLIENTE"), Alltrim(context.cell(19)));
    q.setText(QStringLiteral("NOMEMAE_CLIENTE"), Alltrim(context.cell(20)));
    q.setText(QStringLiteral("EMAIL_CLIENTE"), Alltrim(context.cell(22)));
    if (!Alltrim(context.cell(23)).isEmpty())
        q.setDate(QStringLiteral("DATACAD_CLIENTE"),
                  CellDates::read(context.cell(23), CellDates::AnoMesDia, 23));
    if (!Alltrim(context.cell(24)).isEmpty())
        q.setDate(QStringLiteral("DATA_ULTCOMPRA_CLIENTE"),
                  CellDates::read(context.cell(24), CellDates::AnoMesDia, 24));
    q.setText(QStringLiteral("APELIDO_CLIENTE"), Alltrim(context.cell(25)));
    q.setText(QStringLiteral("CELULAR_CLIENTE"), Alltrim(context.cell(26)));
    if (CEP_CLIENTE != QStringLiteral("00000000"))
        q.setText(QStringLiteral("CEP_CLIENTE"), CEP_CLIENTE);

    // The row goes to the database before the next row looks its client up, so that a client
    // repeated further down the sheet is found and updated.
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
