// Clients end to end: small sheets converted into fresh embedded databases, every column of the
// CLIENTE rows checked afterwards.
#include "ClientConverter.h"
#include "ConversionRun.h"
#include "ConverterKinds.h"
#include "Database.h"
#include "GridRows.h"
#include "Notifier.h"
#include "Query.h"
#include "DatabaseRows.h"
#include "SampleDatabase.h"

#include <QBuffer>
#include <QtTest>

namespace {

// Sheet columns by their letters.
enum Column { A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z, AA };
using Row = QMap<int, QString>;

struct RecordingNotifier : Notifier {
    QStringList sent;
    void send(const QString& text) override { sent << text; }
};

Grid sheet(const QList<Row>& rows) { return gridOfCells(rows, AA + 1); }

RunResult convert(const QString& path, const QList<Row>& rows, RunOptions options = {},
                  Notifier* notifier = nullptr)
{
    ClientConverter converter;
    RunObserver observer;
    Database db(path);
    return runConversion(converter, sheet(rows), options, db, {notifier}, observer);
}



// Every column of the client with `code`; empty when there is none.
QMap<QString, QString> client(const QString& path, int code)
{
    Database db(path);
    QSqlQuery q(db.connection());
    q.prepare(QStringLiteral("SELECT * FROM CLIENTE WHERE CODIGO_CLIENTE = ?"));
    q.addBindValue(code);
    q.exec();
    QMap<QString, QString> out;
    if (q.next())
        for (int i = 0; i < q.record().count(); ++i)
            out.insert(q.record().fieldName(i), shown(q.value(i)).trimmed());
    return out;
}

QList<int> clientCodes(const QString& path)
{
    Database db(path);
    QSqlQuery q(db.connection());
    q.exec(QStringLiteral("SELECT CODIGO_CLIENTE FROM CLIENTE ORDER BY 1"));
    QList<int> codes;
    while (q.next())
        codes << q.value(0).toInt();
    return codes;
}

const Row kFullRow{{A, QStringLiteral("  Maria da Silva ")},
                   {B, QStringLiteral("Mari Modas")},
                   {C, QStringLiteral(" 123.456.789-01 ")},
                   {D, QStringLiteral("9087")},
                   {E, QStringLiteral("87010-000")},
                   {F, QStringLiteral(" Av. Brasil ")},
                   {G, QStringLiteral("12'A")},
                   {H, QStringLiteral("sala 2")},
                   {I, QStringLiteral("Zona 01")},
                   {J, QStringLiteral("4115200")},
                   {K, QStringLiteral("Curitiba")},
                   {L, QStringLiteral("PR")},
                   {M, QStringLiteral(" F ")},
                   {N, QStringLiteral("1980-05-17")},
                   {O, QStringLiteral("(44) 3000-0000")},
                   {P, QStringLiteral("(44) 3000-0001")},
                   {Q, QStringLiteral("Engenheira")},
                   {R, QStringLiteral("João")},
                   {S, QStringLiteral("cliente antiga")},
                   {T, QStringLiteral("12.345.678-9")},
                   {U, QStringLiteral("Ana da Silva")},
                   {V, QStringLiteral("não é lida")},
                   {W, QStringLiteral("maria@exemplo.com.br")},
                   {X, QStringLiteral("2021-01-02")},
                   {Y, QStringLiteral("2022-03-04")},
                   {Z, QStringLiteral("Mari")},
                   {AA, QStringLiteral("(44) 99999-0000")}};

} // namespace

class TestClientConverter : public QObject {
    Q_OBJECT
private slots:
    void everyColumnOfANewClient();
    void taxNumberDecidesTheType_data();
    void taxNumberDecidesTheType();
    void badTaxNumberIsReportedAndWritten();
    void existingClientIsUpdated_data();
    void existingClientIsUpdated();
    void bareNumberWinsOverPunctuated();
    void codesCountOnAndClearKeepsClientOne();
    void emptyGridStillCounts_data();
    void emptyGridStillCounts();
    void dateLayouts_data();
    void dateLayouts();
    void invalidDateEndsTheRun_data();
    void invalidDateEndsTheRun();
    void cityResolution_data();
    void cityResolution();
    void unknownCityKeepsTheStoredCode();
    void postalCodeAndSex_data();
    void postalCodeAndSex();
    void foreignSchema();
};

void TestClientConverter::everyColumnOfANewClient()
{
    SampleDatabase sample;
    RecordingNotifier notifier;
    RunOptions options;
    options.titulos = true;
    const RunResult r =
        convert(sample.path(), {{{A, QStringLiteral("Nome")}}, kFullRow, {{B, QStringLiteral("sem nome")}}},
                options, &notifier);
    QCOMPARE(r.closingMessage, QStringLiteral("2 Clientes Importados!"));
    QCOMPARE(notifier.sent,
             QStringList{QStringLiteral("VANDOR CONVERSOR 11/03/2022 Empresa:  2 Clientes Importados!")});
    QCOMPARE(r.report.count(RowOutcome::Inserted), 1);
    QCOMPARE(r.report.rows().at(0).key, QStringLiteral("1"));
    QCOMPARE(r.report.rows().at(1).outcome, RowOutcome::Skipped);
    QCOMPARE(r.report.rows().at(1).reason, QStringLiteral("coluna A vazia"));

    const QMap<QString, QString> expected{
        {QStringLiteral("CODIGO_CLIENTE"), QStringLiteral("1")},
        {QStringLiteral("TIPOCLIENTE_CLIENTE"), QStringLiteral("F")},
        {QStringLiteral("NOME_CLIENTE"), QStringLiteral("Maria da Silva")},
        {QStringLiteral("FANTASIA_CLIENTE"), QStringLiteral("Mari Modas")},
        {QStringLiteral("CPF_CLIENTE"), QStringLiteral("12345678901")},
        {QStringLiteral("DOC_CLIENTE"), QStringLiteral("ISENTO")},
        {QStringLiteral("ENDERECO_CLIENTE"), QStringLiteral("Av. Brasil")},
        {QStringLiteral("NUMEROEND_CLIENTE"), QStringLiteral("12 A")},
        {QStringLiteral("COMPLEMENTOEND_CLIENTE"), QStringLiteral("sala 2")},
        {QStringLiteral("BAIRRO_CLIENTE"), QStringLiteral("Zona 01")},
        {QStringLiteral("COD_CIDADE"), QStringLiteral("4115200")},
        {QStringLiteral("SEXO_CLIENTE"), QStringLiteral("F")}, // stored " F "; compared trimmed here
        {QStringLiteral("DATANASC_CLIENTE"), QStringLiteral("1980-05-17")},
        {QStringLiteral("TELEFONE1_CLIENTE"), QStringLiteral("(44) 3000-0000")},
        {QStringLiteral("FAX_CLIENTE"), QStringLiteral("(44) 3000-0001")},
        {QStringLiteral("PROFISSAO_CLIENTE"), QStringLiteral("Engenheira")},
        {QStringLiteral("CONTATO_CLIENTE"), QStringLiteral("João")},
        {QStringLiteral("OBSERVACAO_CLIENTE"), QStringLiteral("cliente antiga")},
        {QStringLiteral("RG_CLIENTE"), QStringLiteral("12.345.678-9")},
        {QStringLiteral("NOMEMAE_CLIENTE"), QStringLiteral("Ana da Silva")},
        {QStringLiteral("EMAIL_CLIENTE"), QStringLiteral("maria@exemplo.com.br")},
        {QStringLiteral("DATACAD_CLIENTE"), QStringLiteral("2021-01-02")},
        {QStringLiteral("DATA_ULTCOMPRA_CLIENTE"), QStringLiteral("2022-03-04")},
        {QStringLiteral("APELIDO_CLIENTE"), QStringLiteral("Mari")},
        {QStringLiteral("CELULAR_CLIENTE"), QStringLiteral("(44) 99999-0000")},
        {QStringLiteral("CEP_CLIENTE"), QStringLiteral("87010000")}};
    QCOMPARE(client(sample.path(), 1), expected);
    QCOMPARE(clientCodes(sample.path()), QList<int>{1});
}

void TestClientConverter::taxNumberDecidesTheType_data()
{
    QTest::addColumn<QString>("cellC");
    QTest::addColumn<QString>("cellD");
    QTest::addColumn<QString>("tipo");
    QTest::addColumn<QString>("cpf");
    QTest::addColumn<QString>("doc");
    QTest::addColumn<QString>("rg");
    QTest::addColumn<QString>("warning"); // the row's warnings in the report; the row is written all the same
    const QString rg = QStringLiteral("RG-1");
    const QString isento = QStringLiteral("ISENTO");
    const QString null = QStringLiteral("<null>");
    const auto wrongCpf = [](const QString& cell) {
        return QStringLiteral("coluna C (valor \"%1\"): CPF com dígito verificador inválido").arg(cell);
    };
    const auto wrongCnpj = [](const QString& cell) {
        return QStringLiteral("coluna C (valor \"%1\"): CNPJ com dígito verificador inválido").arg(cell);
    };
    QTest::newRow("CPF") << QStringLiteral("123.456.789-01") << QStringLiteral("IE") << QStringLiteral("F")
                         << QStringLiteral("12345678901") << isento << rg << wrongCpf(QStringLiteral("123.456.789-01"));
    QTest::newRow("valid CPF") << QStringLiteral(" 529.982.247-25") << QString() << QStringLiteral("F")
                               << QStringLiteral("52998224725") << isento << rg << QString();
    QTest::newRow("CPF of equal digits")
        << QStringLiteral("111.111.111-11") << QString() << QStringLiteral("F") << QStringLiteral("11111111111")
        << isento << rg << QStringLiteral("coluna C (valor \"111.111.111-11\"): CPF com todos os dígitos iguais");
    QTest::newRow("CNPJ") << QStringLiteral("12.345.678/0001-95") << QStringLiteral(" 9012 ")
                          << QStringLiteral("J") << QStringLiteral("12345678000195") << QStringLiteral("9012")
                          << null << QString();
    QTest::newRow("CNPJ without D") << QStringLiteral("12345678000195") << QString() << QStringLiteral("J")
                                    << QStringLiteral("12345678000195") << isento << null << QString();
    QTest::newRow("wrong CNPJ") << QStringLiteral("11.222.333/0001-82") << QString() << QStringLiteral("J")
                                << QStringLiteral("11222333000182") << isento << null
                                << wrongCnpj(QStringLiteral("11.222.333/0001-82"));
    QTest::newRow("leading-zero CNPJ")
        << QStringLiteral("00.012.345/0001-95") << QStringLiteral("77") << QStringLiteral("J")
        << QStringLiteral("00012345000195") << QStringLiteral("77") << null
        << wrongCnpj(QStringLiteral("00.012.345/0001-95"));
    QTest::newRow("12 digits") << QStringLiteral("123456789012") << QString() << QStringLiteral("J")
                               << QStringLiteral("00123456789012") << isento << null
                               << wrongCnpj(QStringLiteral("123456789012"));
    QTest::newRow("1234") << QStringLiteral("1234") << QString() << QStringLiteral("F")
                          << QStringLiteral("00000001234") << isento << rg << wrongCpf(QStringLiteral("1234"));
    // A number of zeros is not written, so there is nothing to check.
    QTest::newRow("0: not written") << QStringLiteral("0") << QString() << QStringLiteral("F") << null
                                    << isento << rg << QString();
    QTest::newRow("CNPJ with 11 leading zeros: not written")
        << QStringLiteral("00000000000123") << QStringLiteral("5") << QStringLiteral("J") << null
        << QStringLiteral("5") << null << QString();
    QTest::newRow("no tax number") << QStringLiteral("não tem") << QStringLiteral("IE") << QStringLiteral("F")
                                   << QString() << isento << rg << QString();
}

void TestClientConverter::taxNumberDecidesTheType()
{
    QFETCH(QString, cellC);
    QFETCH(QString, cellD);
    QFETCH(QString, tipo);
    QFETCH(QString, cpf);
    QFETCH(QString, doc);
    QFETCH(QString, rg);
    QFETCH(QString, warning);
    SampleDatabase sample;
    const RunResult r = convert(
        sample.path(), {{{A, QStringLiteral("Cliente")}, {C, cellC}, {D, cellD}, {T, QStringLiteral("RG-1")}}});
    QCOMPARE(r.report.rows().at(0).outcome, RowOutcome::Inserted);
    QCOMPARE(r.report.rows().at(0).warningTexts().join(QStringLiteral(" | ")), warning);
    const QMap<QString, QString> row = client(sample.path(), 1);
    QCOMPARE(row.value(QStringLiteral("TIPOCLIENTE_CLIENTE")), tipo);
    QCOMPARE(row.value(QStringLiteral("CPF_CLIENTE")), cpf);
    QCOMPARE(row.value(QStringLiteral("DOC_CLIENTE")), doc);
    QCOMPARE(row.value(QStringLiteral("RG_CLIENTE")), rg);
}

void TestClientConverter::badTaxNumberIsReportedAndWritten()
{
    SampleDatabase sample;
    RunOptions options;
    options.titulos = true;
    const RunResult r = convert(sample.path(),
                                {{{A, QStringLiteral("Nome")}, {C, QStringLiteral("CPF/CNPJ")}},
                                 {{A, QStringLiteral("Ana")}, {C, QStringLiteral("529.982.247-25")}},
                                 {{A, QStringLiteral("Bruno")}, {C, QStringLiteral("529.982.247-26")}},
                                 {{A, QStringLiteral("Loja")}, {C, QStringLiteral("11222333000180")}},
                                 {{A, QStringLiteral("Casa")}, {C, QStringLiteral("11.222.333/0001-81")}}},
                                options);
    QCOMPARE(r.report.count(RowOutcome::Inserted), 4);
    QCOMPARE(clientCodes(sample.path()), (QList<int>{1, 2, 3, 4}));
    QCOMPARE(client(sample.path(), 2).value(QStringLiteral("CPF_CLIENTE")), QStringLiteral("52998224726"));
    QCOMPARE(client(sample.path(), 3).value(QStringLiteral("CPF_CLIENTE")), QStringLiteral("11222333000180"));

    const QStringList summary = r.report.summaryLines();
    QCOMPARE(summary.at(0), QStringLiteral("Incluídas: 4, alteradas: 0, ignoradas: 0, com erro: 0"));
    QCOMPARE(summary.mid(1), (QStringList{QStringLiteral("Linhas com avisos: 2"),
                                          QStringLiteral("Aviso (CNPJ com dígito verificador inválido): linha 4"),
                                          QStringLiteral("Aviso (CPF com dígito verificador inválido): linha 3")}));

    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    r.report.writeCsv(csv);
    const QStringList lines = QString::fromUtf8(csv.data()).split(u'\n');
    QCOMPARE(lines.at(0), QStringLiteral("linha;resultado;chave;motivo;avisos"));
    QCOMPARE(lines.at(1), QStringLiteral("2;incluída;1;;"));
    QCOMPARE(lines.at(2), QStringLiteral("3;incluída;2;;\"coluna C (valor \"\"529.982.247-26\"\"): "
                                         "CPF com dígito verificador inválido\""));
}

void TestClientConverter::existingClientIsUpdated_data()
{
    QTest::addColumn<QString>("storedCpf"); // of client 7, named "Antigo"
    QTest::addColumn<QString>("cellA");
    QTest::addColumn<QString>("cellC");
    QTest::addColumn<int>("updated");      // code of the row written
    QTest::addColumn<QString>("cpfAfter"); // CPF_CLIENTE of that row afterwards
    QTest::newRow("bare CPF") << QStringLiteral("12345678901") << QStringLiteral("Novo")
                              << QStringLiteral("123.456.789-01") << 7 << QStringLiteral("12345678901");
    QTest::newRow("punctuated CPF") << QStringLiteral("123.456.789-01") << QStringLiteral("Novo")
                                    << QStringLiteral("12345678901") << 7 << QStringLiteral("12345678901");
    QTest::newRow("punctuated CNPJ") << QStringLiteral("12.345.678/0001-95") << QStringLiteral("Novo")
                                     << QStringLiteral("12345678000195") << 7
                                     << QStringLiteral("12345678000195");
    QTest::newRow("0 finds 00000000000") << QStringLiteral("00000000000") << QStringLiteral("Novo")
                                         << QStringLiteral("0") << 7 << QStringLiteral("00000000000");
    QTest::newRow("by name without C")
        << QString() << QStringLiteral(" Antigo ") << QString() << 7 << QString();
    QTest::newRow("name does not count with C")
        << QString() << QStringLiteral("Antigo") << QStringLiteral("98765432100") << 8
        << QStringLiteral("98765432100");
}

void TestClientConverter::existingClientIsUpdated()
{
    QFETCH(QString, storedCpf);
    QFETCH(QString, cellA);
    QFETCH(QString, cellC);
    QFETCH(int, updated);
    QFETCH(QString, cpfAfter);
    SampleDatabase sample;
    seed(sample.path(),
         QStringLiteral(
             "INSERT INTO CLIENTE (CODIGO_CLIENTE, NOME_CLIENTE, CPF_CLIENTE, COD_CIDADE, EMAIL_CLIENTE) "
             "VALUES (7, 'Antigo', ?, 3550308, 'antigo@x.com')"),
         {storedCpf.isEmpty() ? QVariant() : QVariant(storedCpf)});
    const RunResult r = convert(
        sample.path(), {{{A, cellA}, {C, cellC}, {K, QStringLiteral("Nenhuma")}, {L, QStringLiteral("SP")}}});
    QCOMPARE(r.report.rows().at(0).outcome, updated == 7 ? RowOutcome::Updated : RowOutcome::Inserted);
    QCOMPARE(r.report.rows().at(0).key, QString::number(updated));
    const QMap<QString, QString> row = client(sample.path(), updated);
    QCOMPARE(row.value(QStringLiteral("NOME_CLIENTE")), cellA.trimmed());
    QCOMPARE(row.value(QStringLiteral("CPF_CLIENTE")), cpfAfter);
    // Written columns are replaced, even by empty text; the city was not found, so it stays.
    QCOMPARE(row.value(QStringLiteral("EMAIL_CLIENTE")), QString());
    QCOMPARE(row.value(QStringLiteral("COD_CIDADE")),
             updated == 7 ? QStringLiteral("3550308") : QStringLiteral("<null>"));
}

void TestClientConverter::bareNumberWinsOverPunctuated()
{
    SampleDatabase sample;
    seed(
        sample.path(),
        QStringLiteral("INSERT INTO CLIENTE (CODIGO_CLIENTE, CPF_CLIENTE) VALUES (3, '12.345.678/0001-95')"));
    seed(sample.path(),
         QStringLiteral("INSERT INTO CLIENTE (CODIGO_CLIENTE, CPF_CLIENTE) VALUES (9, '12345678000195')"));
    const RunResult r =
        convert(sample.path(), {{{A, QStringLiteral("Empresa")}, {C, QStringLiteral("12.345.678/0001-95")}}});
    QCOMPARE(r.report.rows().at(0).key, QStringLiteral("9"));
    QCOMPARE(client(sample.path(), 3).value(QStringLiteral("NOME_CLIENTE")), QStringLiteral("<null>"));
}

void TestClientConverter::codesCountOnAndClearKeepsClientOne()
{
    SampleDatabase sample;
    for (int code : {1, 40, 41})
        seed(sample.path(),
             QStringLiteral("INSERT INTO CLIENTE (CODIGO_CLIENTE, NOME_CLIENTE) VALUES (?, 'C')"), {code});
    const QList<Row> rows{{{A, QStringLiteral("Um")}, {C, QStringLiteral("11111111111")}},
                          {{A, QStringLiteral("Dois")}, {C, QStringLiteral("22222222222")}},
                          {{A, QStringLiteral("Um de novo")}, {C, QStringLiteral("111.111.111-11")}}};
    RunResult r = convert(sample.path(), rows);
    QCOMPARE(clientCodes(sample.path()), (QList<int>{1, 40, 41, 42, 43}));
    QCOMPARE(r.report.rows().at(2).outcome, RowOutcome::Updated);
    QCOMPARE(r.report.rows().at(2).key, QStringLiteral("42"));
    QCOMPARE(client(sample.path(), 42).value(QStringLiteral("NOME_CLIENTE")), QStringLiteral("Um de novo"));

    RunOptions clear;
    clear.limpar = true;
    r = convert(sample.path(), rows, clear);
    QCOMPARE(clientCodes(sample.path()), (QList<int>{1, 2, 3}));
    QCOMPARE(r.closingMessage, QStringLiteral("3 Clientes Importados!"));

    // Without client 1 the codes start at 1; an empty sheet still clears.
    seed(sample.path(), QStringLiteral("DELETE FROM CLIENTE WHERE CODIGO_CLIENTE = 1"));
    convert(sample.path(), {}, clear);
    QCOMPARE(clientCodes(sample.path()), QList<int>());
    convert(sample.path(), rows.mid(0, 1), clear);
    QCOMPARE(clientCodes(sample.path()), QList<int>{1});
}

void TestClientConverter::emptyGridStillCounts_data()
{
    QTest::addColumn<bool>("titulos");
    QTest::addColumn<QString>("message");
    QTest::newRow("no titles") << false << QStringLiteral("5 Clientes Importados!");
    QTest::newRow("titles") << true << QStringLiteral("4 Clientes Importados!");
}

void TestClientConverter::emptyGridStillCounts()
{
    QFETCH(bool, titulos);
    QFETCH(QString, message);
    SampleDatabase sample;
    RunOptions options;
    options.titulos = titulos;
    std::unique_ptr<Converter> converter = ConverterKinds::create(QStringLiteral("clientes"));
    QVERIFY(converter);
    RunObserver observer;
    Database db(sample.path());
    const RunResult r = runConversion(*converter, Grid(), options, db, {}, observer);
    QCOMPARE(r.closingMessage, message);
    QCOMPARE(r.report.count(RowOutcome::Skipped), titulos ? 4 : 5);
    QVERIFY(clientCodes(sample.path()).isEmpty());
}

void TestClientConverter::dateLayouts_data()
{
    QTest::addColumn<int>("formato");
    QTest::addColumn<QString>("cellN");
    QTest::addColumn<QDate>("date");
    QTest::newRow("AAAA-MM-DD") << 0 << QStringLiteral("1980-05-17") << QDate(1980, 5, 17);
    QTest::newRow("AAAA-MM-DD with a time")
        << 0 << QStringLiteral("1980-05-17 00:00:00") << QDate(1980, 5, 17);
    QTest::newRow("DD/MM/AA 40") << 1 << QStringLiteral("01/02/40") << QDate(2040, 2, 1);
    QTest::newRow("DD/MM/AA 41") << 1 << QStringLiteral("01/02/41") << QDate(1941, 2, 1);
    QTest::newRow("DD/MM/AA 00") << 1 << QStringLiteral("29/02/00") << QDate(2000, 2, 29);
    QTest::newRow("DD/MM/AA 99") << 1 << QStringLiteral("31/12/99") << QDate(1999, 12, 31);
    QTest::newRow("DD/MM/AAAA") << 2 << QStringLiteral("13/12/1975") << QDate(1975, 12, 13);
    QTest::newRow("day above 12 in any locale") << 2 << QStringLiteral("25/01/2001") << QDate(2001, 1, 25);
}

void TestClientConverter::dateLayouts()
{
    QFETCH(int, formato);
    QFETCH(QString, cellN);
    QFETCH(QDate, date);
    SampleDatabase sample;
    RunOptions options;
    options.formatoData = formato;
    // X and Y keep AAAA-MM-DD whatever the layout chosen for N.
    convert(sample.path(),
            {{{A, QStringLiteral("Datas")},
              {N, cellN},
              {X, QStringLiteral("2023-07-08")},
              {Y, QStringLiteral("2024-09-10")}}},
            options);
    const QMap<QString, QString> row = client(sample.path(), 1);
    QCOMPARE(row.value(QStringLiteral("DATANASC_CLIENTE")), date.toString(Qt::ISODate));
    QCOMPARE(row.value(QStringLiteral("DATACAD_CLIENTE")), QStringLiteral("2023-07-08"));
    QCOMPARE(row.value(QStringLiteral("DATA_ULTCOMPRA_CLIENTE")), QStringLiteral("2024-09-10"));
}

void TestClientConverter::invalidDateEndsTheRun_data()
{
    QTest::addColumn<int>("formato");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("letter");
    QTest::newRow("day/month/year in AAAA-MM-DD")
        << 0 << int(N) << QStringLiteral("17/05/2020") << QStringLiteral("N");
    QTest::newRow("no such day") << 2 << int(N) << QStringLiteral("31/02/2020") << QStringLiteral("N");
    QTest::newRow("year letters in DD/MM/AA")
        << 1 << int(N) << QStringLiteral("01/02/ab") << QStringLiteral("N");
    QTest::newRow("too short") << 2 << int(N) << QStringLiteral("1/2/2020") << QStringLiteral("N");
    QTest::newRow("registration date") << 1 << int(X) << QStringLiteral("08/07/2023") << QStringLiteral("X");
    QTest::newRow("last purchase") << 0 << int(Y) << QStringLiteral("ontem") << QStringLiteral("Y");
}

void TestClientConverter::invalidDateEndsTheRun()
{
    QFETCH(int, formato);
    QFETCH(int, column);
    QFETCH(QString, cell);
    QFETCH(QString, letter);
    SampleDatabase sample;
    RunOptions options;
    options.formatoData = formato;
    RecordingNotifier notifier;
    try {
        convert(sample.path(),
                {{{A, QStringLiteral("Antes")}},
                 {{A, QStringLiteral("Errada")}, {column, cell}},
                 {{A, QStringLiteral("Depois")}}},
                options, &notifier);
        QFAIL("the run did not stop");
    } catch (const RunError& e) {
        QCOMPARE(e.message(),
                 QStringLiteral("Erro na linha 2 da planilha, coluna %1 (valor \"%2\"): data inválida")
                     .arg(letter, cell));
        QCOMPARE(e.report().count(RowOutcome::Failed), 1);
    }
    QCOMPARE(clientCodes(sample.path()), QList<int>{1});
    QVERIFY(notifier.sent.isEmpty());
}

void TestClientConverter::cityResolution_data()
{
    QTest::addColumn<QString>("cellJ");
    QTest::addColumn<QString>("cellK");
    QTest::addColumn<QString>("cellL");
    QTest::addColumn<QString>("codCidade");
    QTest::addColumn<QString>("code"); // COD_CIDADE stored, "<null>" when not written
    const QString none;
    const QString deflt = QStringLiteral("4106902");
    QTest::newRow("J first") << QStringLiteral("3550308") << QStringLiteral("Maringá") << QStringLiteral("PR")
                             << deflt << QStringLiteral("3550308");
    QTest::newRow("J leading blanks")
        << QStringLiteral("  42") << none << none << deflt << QStringLiteral("42");
    QTest::newRow("J trailing blank")
        << QStringLiteral("42 ") << none << none << deflt << QStringLiteral("0");
    QTest::newRow("J letters") << QStringLiteral("abc") << QStringLiteral("Maringá") << QStringLiteral("PR")
                               << deflt << QStringLiteral("0");
    QTest::newRow("K and L") << none << QStringLiteral(" maringá ") << QStringLiteral(" pr ") << deflt
                             << QStringLiteral("4115200");
    QTest::newRow("K without accent")
        << none << QStringLiteral("MARINGA") << QStringLiteral("PR") << deflt << QStringLiteral("4115200");
    QTest::newRow("correct São Paulo")
        << none << QStringLiteral("São Paulo") << QStringLiteral("sp") << deflt << QStringLiteral("3550308");
    QTest::newRow("mojibake São Paulo")
        << none << QStringLiteral("SÃ£o Paulo") << QStringLiteral("SP") << deflt << QStringLiteral("3550308");
    QTest::newRow("mojibake Florianópolis") << none << QStringLiteral("FlorianÃ³polis")
                                            << QStringLiteral("SC") << deflt << QStringLiteral("4205407");
    QTest::newRow("other state") << none << QStringLiteral("Maringá") << QStringLiteral("SP") << deflt
                                 << QStringLiteral("<null>");
    QTest::newRow("unknown city") << none << QStringLiteral("Atlântida") << QStringLiteral("RS") << deflt
                                  << QStringLiteral("<null>");
    QTest::newRow("longer than the column")
        << none << QString(90, u'x') << QStringLiteral("PR") << deflt << QStringLiteral("<null>");
    QTest::newRow("not in the code page")
        << none << QStringLiteral("Łódź") << QStringLiteral("PRX") << deflt << QStringLiteral("<null>");
    QTest::newRow("K without L") << none << QStringLiteral("Maringá") << QStringLiteral(" ") << deflt
                                 << deflt;
    QTest::newRow("default") << none << none << none << deflt << deflt;
    QTest::newRow("empty default") << none << none << none << QString() << QStringLiteral("0");
    QTest::newRow("default not a number")
        << none << none << none << QStringLiteral("41x") << QStringLiteral("0");
}

void TestClientConverter::cityResolution()
{
    QFETCH(QString, cellJ);
    QFETCH(QString, cellK);
    QFETCH(QString, cellL);
    QFETCH(QString, codCidade);
    QFETCH(QString, code);
    SampleDatabase sample;
    RunOptions options;
    options.codCidade = codCidade;
    convert(sample.path(), {{{A, QStringLiteral("Cidade")}, {J, cellJ}, {K, cellK}, {L, cellL}}}, options);
    QCOMPARE(client(sample.path(), 1).value(QStringLiteral("COD_CIDADE")), code);
}

void TestClientConverter::unknownCityKeepsTheStoredCode()
{
    SampleDatabase sample;
    seed(sample.path(), QStringLiteral("INSERT INTO CLIENTE (CODIGO_CLIENTE, CPF_CLIENTE, COD_CIDADE) "
                                       "VALUES (3, '12345678901', 3304557)"));
    const RunResult r = convert(sample.path(), {{{A, QStringLiteral("Um")},
                                                 {C, QStringLiteral("12345678901")},
                                                 {K, QStringLiteral("Cidade Nenhuma")},
                                                 {L, QStringLiteral("RJ")}},
                                                {{A, QStringLiteral("Dois")},
                                                 {C, QStringLiteral("12345678902")},
                                                 {K, QStringLiteral("Cidade Nenhuma")},
                                                 {L, QStringLiteral("RJ")}}});
    QCOMPARE(r.report.count(RowOutcome::Updated), 1);
    QCOMPARE(client(sample.path(), 3).value(QStringLiteral("COD_CIDADE")), QStringLiteral("3304557"));
    QCOMPARE(client(sample.path(), 4).value(QStringLiteral("COD_CIDADE")), QStringLiteral("<null>"));
}

void TestClientConverter::postalCodeAndSex_data()
{
    QTest::addColumn<QString>("cellE");
    QTest::addColumn<QString>("cellM");
    QTest::addColumn<QString>("cep");
    QTest::newRow("punctuated") << QStringLiteral("87010-000") << QStringLiteral(" M ")
                                << QStringLiteral("87010000");
    QTest::newRow("short") << QStringLiteral("1001-000") << QStringLiteral("F") << QStringLiteral("01001000");
    QTest::newRow("nine digits") << QStringLiteral("870100001") << QString() << QStringLiteral("870100001");
    QTest::newRow("empty") << QString() << QStringLiteral("  ") << QStringLiteral("<null>");
    QTest::newRow("zeros") << QStringLiteral("00000-000") << QStringLiteral("x") << QStringLiteral("<null>");
}

void TestClientConverter::postalCodeAndSex()
{
    QFETCH(QString, cellE);
    QFETCH(QString, cellM);
    QFETCH(QString, cep);
    SampleDatabase sample;
    convert(sample.path(), {{{A, QStringLiteral("Cep")}, {E, cellE}, {M, cellM}}});
    Database db(sample.path());
    Query q(db, QStringLiteral("q"));
    q.open(QStringLiteral("SELECT CEP_CLIENTE, SEXO_CLIENTE FROM CLIENTE"));
    QCOMPARE(shown(q.value(QStringLiteral("CEP_CLIENTE"))), cep);
    QCOMPARE(q.asText(QStringLiteral("SEXO_CLIENTE")), cellM); // blanks and all
}

void TestClientConverter::foreignSchema()
{
    // Another ERP's tables: other sizes, extra NOT NULL columns with defaults, a trigger, a city
    // table of its own.
    SampleDatabase sample(false);
    {
        Database db(sample.path());
        db.execute(QStringLiteral("CREATE TABLE ESTADO (COD_ESTADO SMALLINT NOT NULL PRIMARY KEY, "
                                  "SGL_ESTADO VARCHAR(5), REGIAO VARCHAR(20) DEFAULT 'SUL' NOT NULL)"));
        db.execute(QStringLiteral("CREATE TABLE CIDADE (COD_CIDADE INTEGER NOT NULL PRIMARY KEY, "
                                  "NOM_CIDADE VARCHAR(150) CHARACTER SET WIN1252, COD_ESTADO SMALLINT, "
                                  "ATIVA CHAR(1) DEFAULT 'S' NOT NULL)"));
        db.execute(QStringLiteral(
            "CREATE TABLE CLIENTE (CODIGO_CLIENTE BIGINT NOT NULL PRIMARY KEY, TIPOCLIENTE_CLIENTE "
            "VARCHAR(2), "
            "NOME_CLIENTE VARCHAR(200), FANTASIA_CLIENTE VARCHAR(200), CPF_CLIENTE VARCHAR(30), "
            "DOC_CLIENTE VARCHAR(30), ENDERECO_CLIENTE VARCHAR(200), NUMEROEND_CLIENTE VARCHAR(30), "
            "COMPLEMENTOEND_CLIENTE VARCHAR(100), BAIRRO_CLIENTE VARCHAR(100), COD_CIDADE INTEGER, "
            "SEXO_CLIENTE CHAR(3), DATANASC_CLIENTE TIMESTAMP, TELEFONE1_CLIENTE VARCHAR(40), "
            "FAX_CLIENTE VARCHAR(40), PROFISSAO_CLIENTE VARCHAR(100), CONTATO_CLIENTE VARCHAR(100), "
            "OBSERVACAO_CLIENTE BLOB SUB_TYPE TEXT, RG_CLIENTE VARCHAR(30), NOMEMAE_CLIENTE VARCHAR(200), "
            "EMAIL_CLIENTE VARCHAR(200), DATACAD_CLIENTE DATE, DATA_ULTCOMPRA_CLIENTE DATE, "
            "APELIDO_CLIENTE VARCHAR(100), CELULAR_CLIENTE VARCHAR(40), CEP_CLIENTE VARCHAR(9), "
            "SITUACAO_CLIENTE CHAR(1) DEFAULT 'A' NOT NULL, LIMITE_CLIENTE NUMERIC(15,2) DEFAULT 0 NOT NULL, "
            "ALTERADO_EM TIMESTAMP)"));
        db.execute(QStringLiteral(
            "CREATE TRIGGER CLIENTE_BIU FOR CLIENTE BEFORE INSERT OR UPDATE AS BEGIN "
            "NEW.ALTERADO_EM = CURRENT_TIMESTAMP; NEW.NOME_CLIENTE = UPPER(NEW.NOME_CLIENTE); END"));
        db.execute(QStringLiteral("INSERT INTO ESTADO (COD_ESTADO, SGL_ESTADO) VALUES (41, 'PR')"));
        db.execute(
            QStringLiteral("INSERT INTO CIDADE (COD_CIDADE, NOM_CIDADE, COD_ESTADO) VALUES (4115200, ?, 41)"),
            {QStringLiteral("Maringá")});
    }
    Row row = kFullRow;
    row.remove(J);
    row[K] = QStringLiteral("MARINGÁ");
    row[L] = QStringLiteral("pr");
    const RunResult r = convert(sample.path(), {row, row});
    QCOMPARE(r.report.count(RowOutcome::Inserted), 1);
    QCOMPARE(r.report.count(RowOutcome::Updated), 1);
    const QMap<QString, QString> stored = client(sample.path(), 1);
    QCOMPARE(stored.value(QStringLiteral("NOME_CLIENTE")), QStringLiteral("MARIA DA SILVA"));
    QCOMPARE(stored.value(QStringLiteral("COD_CIDADE")), QStringLiteral("4115200"));
    QCOMPARE(stored.value(QStringLiteral("OBSERVACAO_CLIENTE")), QStringLiteral("cliente antiga"));
    QCOMPARE(stored.value(QStringLiteral("SITUACAO_CLIENTE")), QStringLiteral("A"));
    QCOMPARE(stored.value(QStringLiteral("LIMITE_CLIENTE")).toDouble(), 0.0);
    QVERIFY(stored.value(QStringLiteral("ALTERADO_EM")) != QStringLiteral("<null>"));
    QVERIFY(stored.value(QStringLiteral("DATANASC_CLIENTE")).startsWith(QStringLiteral("1980-05-17")));
}

QTEST_GUILESS_MAIN(TestClientConverter)
#include "tst_client_converter.moc"
