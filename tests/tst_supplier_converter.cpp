// Suppliers and carriers end to end: small sheets converted into fresh embedded databases, with a
// fake ViaCEP on the loopback address, every column of the FORNECEDOR rows checked afterwards.
#include "ConversionRun.h"
#include "ConverterKinds.h"
#include "Database.h"
#include "FakeViaCep.h"
#include "GridRows.h"
#include "Notifier.h"
#include "PostalCodeLookup.h"
#include "Query.h"
#include "DatabaseRows.h"
#include "SampleDatabase.h"
#include "SupplierConverter.h"

#include <QtTest>

namespace {

enum Column { A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P };
using Row = QMap<int, QString>;
using Cadastro = SupplierConverter::Cadastro;

struct RecordingNotifier : Notifier {
    QStringList sent;
    void send(const QString& text) override { sent << text; }
};

Grid sheet(const QList<Row>& rows) { return gridOfCells(rows, P + 1); }

struct Run {
    Cadastro cadastro = Cadastro::Fornecedor;
    RunOptions options;
    PostalCodeLookup* postalCodes = nullptr;
    Notifier* notifier = nullptr;
};

RunResult convert(const QString& path, const QList<Row>& rows, const Run& run = {})
{
    SupplierConverter converter(run.cadastro);
    RunObserver observer;
    Database db(path);
    RunServices services;
    services.notifier = run.notifier;
    services.postalCodes = run.postalCodes;
    return runConversion(converter, sheet(rows), run.options, db, services, observer);
}



// Every column of the FORNECEDOR row with `code`, fixed-width texts without their padding.
QMap<QString, QString> supplier(const QString& path, int code)
{
    Database db(path);
    Query q(db, QStringLiteral("q"));
    q.open(QStringLiteral("SELECT * FROM FORNECEDOR WHERE CODIGO_FORNECEDOR = ?"), {code});
    QMap<QString, QString> out;
    if (q.isEmpty())
        return out;
    const QSqlRecord columns = db.connection().record(QStringLiteral("FORNECEDOR"));
    for (int i = 0; i < columns.count(); ++i)
        out.insert(columns.fieldName(i), shown(q.value(columns.fieldName(i))));
    return out;
}

// CODIGO_FORNECEDOR -> TIPO_CADASTRO of the whole table.
QMap<int, QString> kinds(const QString& path)
{
    Database db(path);
    QSqlQuery q(db.connection());
    q.exec(QStringLiteral("SELECT CODIGO_FORNECEDOR, TIPO_CADASTRO FROM FORNECEDOR"));
    QMap<int, QString> out;
    while (q.next())
        out.insert(q.value(0).toInt(), shown(q.value(1)).trimmed());
    return out;
}

FakeViaCep::Answer address(const QString& street, const QString& district, const QString& ibge)
{
    return {200, FakeViaCep::addressJson(street, district, ibge)};
}

const Row kFullRow{{A, QStringLiteral(" Distribuidora Norte Ltda ")},
                   {B, QStringLiteral("Norte")},
                   {C, QStringLiteral("12.345.678/0001-95")},
                   {D, QStringLiteral(" 90.123.456-7 ")},
                   {F, QStringLiteral("Rua das Flores")},
                   {G, QStringLiteral("12'A")},
                   {H, QStringLiteral("galpão 3")},
                   {I, QStringLiteral("Centro")},
                   {J, QStringLiteral("4115200")},
                   {K, QStringLiteral("(44) 3000'0000")},
                   {L, QStringLiteral("(44) 3000-0001")},
                   {M, QStringLiteral("Carlos")},
                   {N, QStringLiteral("entrega às terças")},
                   {O, QStringLiteral("vendas@norte.com.br")},
                   {P, QStringLiteral("2019-08-30")}};

} // namespace

class TestSupplierConverter : public QObject {
    Q_OBJECT
private slots:
    void everyColumn_data();
    void everyColumn();
    void taxNumberIsPunctuated_data();
    void taxNumberIsPunctuated();
    void postalCodeCompletesTheAddress_data();
    void postalCodeCompletesTheAddress();
    void eachPostalCodeIsAskedOnce();
    void serviceDownEndsTheRun();
    void invalidDateEndsTheRun();
    void clearBoxes_data();
    void clearBoxes();
    void secondRunUpdatesItsOwnRows();
    void carriersShareTheTableAndItsCodes();
    void countsAndMessages_data();
    void countsAndMessages();
    void foreignSchema();
};

void TestSupplierConverter::everyColumn_data()
{
    QTest::addColumn<int>("cadastro");
    QTest::addColumn<QString>("tipoCadastro");
    QTest::addColumn<QString>("numero");
    QTest::addColumn<QString>("telefone");
    QTest::newRow("supplier") << int(Cadastro::Fornecedor) << QStringLiteral("<null>")
                              << QStringLiteral("12 A") << QStringLiteral("(44) 3000 0000");
    QTest::newRow("carrier") << int(Cadastro::Transportadora) << QStringLiteral("T") << QStringLiteral("12'A")
                             << QStringLiteral("(44) 3000'0000");
}

void TestSupplierConverter::everyColumn()
{
    QFETCH(int, cadastro);
    QFETCH(QString, tipoCadastro);
    QFETCH(QString, numero);
    QFETCH(QString, telefone);
    SampleDatabase sample;
    Run run;
    run.cadastro = static_cast<Cadastro>(cadastro);
    const RunResult r = convert(sample.path(), {kFullRow}, run);
    QCOMPARE(r.report.rows().at(0).outcome, RowOutcome::Inserted);
    QCOMPARE(r.report.rows().at(0).key, QStringLiteral("1"));
    const QMap<QString, QString> expected{
        {QStringLiteral("CODIGO_FORNECEDOR"), QStringLiteral("1")},
        {QStringLiteral("TIPO_CADASTRO"), tipoCadastro},
        {QStringLiteral("TIPOPESSOA_FORNECEDOR"), QStringLiteral("J")},
        {QStringLiteral("RAZAO_FORNECEDOR"), QStringLiteral("Distribuidora Norte Ltda")},
        {QStringLiteral("FANTASIA_FORNECEDOR"), QStringLiteral("Norte")},
        {QStringLiteral("CNPJCPF_FORNECEDOR"), QStringLiteral("12.345.678/0001-95")},
        {QStringLiteral("INSCRICAO_FORNECEDOR"), QStringLiteral("90.123.456-7")},
        {QStringLiteral("ENDERECO_FORNECEDOR"), QStringLiteral("Rua das Flores")},
        {QStringLiteral("NUMEROEND_FORNECEDOR"), numero},
        {QStringLiteral("COMPLEMENTOEND_FORNECEDOR"), QStringLiteral("galpão 3")},
        {QStringLiteral("BAIRRO_FORNECEDOR"), QStringLiteral("Centro")},
        {QStringLiteral("COD_CIDADE"), QStringLiteral("4115200")},
        {QStringLiteral("TELEFONE1_FORNECEDOR"), telefone},
        {QStringLiteral("FAX_FORNECEDOR"), QStringLiteral("(44) 3000-0001")},
        {QStringLiteral("CONTATO_FORNECEDOR"), QStringLiteral("Carlos")},
        {QStringLiteral("OBSERVACAO_FORNECEDOR"), QStringLiteral("entrega às terças")},
        {QStringLiteral("EMAIL_FORNECEDOR"), QStringLiteral("vendas@norte.com.br")},
        {QStringLiteral("DATACADASTRO_FORNECEDOR"), QStringLiteral("2019-08-30")},
        {QStringLiteral("CEP_FORNECEDOR"), QStringLiteral("<null>")}};
    QCOMPARE(supplier(sample.path(), 1), expected);
}

void TestSupplierConverter::taxNumberIsPunctuated_data()
{
    QTest::addColumn<QString>("cellC");
    QTest::addColumn<QString>("cellD");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("tipo");
    QTest::addColumn<QString>("inscricao");
    QTest::addColumn<QString>("problem"); // the row's warning in the report; the row is written all the same
    const QString ie = QStringLiteral("IE-9");
    const QString isento = QStringLiteral("ISENTO");
    const QString wrongCpf = QStringLiteral("CPF com dígito verificador inválido");
    const QString wrongCnpj = QStringLiteral("CNPJ com dígito verificador inválido");
    const QString longCnpj = QStringLiteral("CNPJ com mais de 14 dígitos");
    QTest::newRow("CNPJ") << QStringLiteral("12.345.678/0001-95") << ie
                          << QStringLiteral("12.345.678/0001-95") << QStringLiteral("J") << ie << QString();
    QTest::newRow("CNPJ without D") << QStringLiteral("12345678000195") << QString()
                                    << QStringLiteral("12.345.678/0001-95") << QStringLiteral("J")
                                    << QString() << QString();
    QTest::newRow("wrong CNPJ") << QStringLiteral("11222333000182") << ie << QStringLiteral("11.222.333/0001-82")
                                << QStringLiteral("J") << ie << wrongCnpj;
    QTest::newRow("CNPJ of equal digits") << QStringLiteral("22.222.222/2222-22") << ie
                                          << QStringLiteral("22.222.222/2222-22") << QStringLiteral("J") << ie
                                          << QStringLiteral("CNPJ com todos os dígitos iguais");
    QTest::newRow("CPF") << QStringLiteral("123.456.789-01") << ie << QStringLiteral("123.456.789-01")
                         << QStringLiteral("F") << isento << wrongCpf;
    QTest::newRow("valid CPF") << QStringLiteral("52998224725") << ie << QStringLiteral("529.982.247-25")
                               << QStringLiteral("F") << isento << QString();
    QTest::newRow("leading-zero CNPJ taken for a CPF")
        << QStringLiteral("00.012.345/0001-95") << ie << QStringLiteral("123.450.001-95")
        << QStringLiteral("F") << isento << wrongCpf;
    QTest::newRow("short") << QStringLiteral("1234") << ie << QStringLiteral("000.000.012-34")
                           << QStringLiteral("F") << isento << wrongCpf;
    QTest::newRow("15 digits") << QStringLiteral("123456789012345") << ie
                               << QStringLiteral("12.345.678/9012-34") << QStringLiteral("J") << ie << longCnpj;
    QTest::newRow("two numbers in the cell")
        << QStringLiteral("12.345.678/0001-95 e 98.765.432/0001-10") << ie
        << QStringLiteral("12.345.678/0001-95") << QStringLiteral("J") << ie << longCnpj;
    // Without a number the row is a legal entity, whatever the row before it was.
    QTest::newRow("no tax number") << QString() << ie << QStringLiteral("<null>") << QStringLiteral("J")
                                   << ie << QString();
    QTest::newRow("zeros") << QStringLiteral("000.000.000-00") << ie << QStringLiteral("<null>")
                           << QStringLiteral("J") << ie << QString();
}

void TestSupplierConverter::taxNumberIsPunctuated()
{
    QFETCH(QString, cellC);
    QFETCH(QString, cellD);
    QFETCH(QString, stored);
    QFETCH(QString, tipo);
    QFETCH(QString, inscricao);
    QFETCH(QString, problem);
    SampleDatabase sample;
    // A natural person first, so that nothing can carry over from it.
    const RunResult r = convert(sample.path(), {{{A, QStringLiteral("Pessoa")}, {C, QStringLiteral("98765432100")}},
                                                {{A, QStringLiteral("Testada")}, {C, cellC}, {D, cellD}}});
    const QMap<QString, QString> row = supplier(sample.path(), 2);
    QCOMPARE(row.value(QStringLiteral("RAZAO_FORNECEDOR")), QStringLiteral("Testada"));
    QCOMPARE(row.value(QStringLiteral("CNPJCPF_FORNECEDOR")), stored);
    QCOMPARE(row.value(QStringLiteral("TIPOPESSOA_FORNECEDOR")), tipo);
    QCOMPARE(row.value(QStringLiteral("INSCRICAO_FORNECEDOR")), inscricao);
    QCOMPARE(supplier(sample.path(), 1).value(QStringLiteral("TIPOPESSOA_FORNECEDOR")), QStringLiteral("F"));

    QVERIFY(r.report.rows().at(0).warningTexts().isEmpty());
    QCOMPARE(r.report.rows().at(1).outcome, RowOutcome::Inserted);
    const QStringList expected = problem.isEmpty()
        ? QStringList()
        : QStringList{QStringLiteral("coluna C (valor \"%1\"): %2").arg(cellC, problem)};
    QCOMPARE(r.report.rows().at(1).warningTexts(), expected);
}

void TestSupplierConverter::postalCodeCompletesTheAddress_data()
{
    QTest::addColumn<QString>("cellE");
    QTest::addColumn<QString>("cellJ");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("cep");
    QTest::addColumn<QString>("street");
    QTest::addColumn<QString>("district");
    QTest::addColumn<QString>("city");
    QTest::addColumn<int>("requests");
    const QString sheetStreet = QStringLiteral("Rua da Planilha");
    const QString sheetDistrict = QStringLiteral("Bairro da Planilha");
    const QByteArray unknown = "{\n  \"erro\": true\n}";
    QTest::newRow("street") << QStringLiteral("87010-000") << QStringLiteral("3550308")
                            << FakeViaCep::addressJson(QStringLiteral(" Avenida Brasil"),
                                                       QStringLiteral("Zona 01"), QStringLiteral("4115200"))
                            << QStringLiteral("87010000") << QStringLiteral(" Avenida Brasil")
                            << QStringLiteral("Zona 01") << QStringLiteral("4115200") << 1;
    QTest::newRow("street over the default code")
        << QStringLiteral("87010000") << QString()
        << FakeViaCep::addressJson(QStringLiteral("Avenida Brasil"), QString(), QStringLiteral("4115200"))
        << QStringLiteral("87010000") << QStringLiteral("Avenida Brasil") << QString()
        << QStringLiteral("4115200") << 1;
    QTest::newRow("no street") << QStringLiteral("87001-970") << QStringLiteral("3550308")
                               << FakeViaCep::addressJson(QString(), QStringLiteral("Zona 7"),
                                                          QStringLiteral("4115200"))
                               << QStringLiteral("87001970") << sheetStreet << sheetDistrict
                               << QStringLiteral("4115200") << 1;
    QTest::newRow("empty municipality")
        << QStringLiteral("87010000") << QStringLiteral("3550308")
        << FakeViaCep::addressJson(QStringLiteral("Rua Z"), QStringLiteral("B"), QString())
        << QStringLiteral("87010000") << QStringLiteral("Rua Z") << QStringLiteral("B") << QStringLiteral("0")
        << 1;
    QTest::newRow("unknown postal code")
        << QStringLiteral("1234-567") << QStringLiteral("3550308") << unknown << QStringLiteral("01234567")
        << sheetStreet << sheetDistrict << QStringLiteral("3550308") << 1;
    QTest::newRow("nine digits: not sent")
        << QStringLiteral("870100001") << QStringLiteral("3550308") << unknown << QStringLiteral("870100001")
        << sheetStreet << sheetDistrict << QStringLiteral("3550308") << 0;
    QTest::newRow("no postal code") << QString() << QString() << unknown << QStringLiteral("<null>")
                                    << sheetStreet << sheetDistrict << QStringLiteral("4106902") << 0;
    QTest::newRow("zeros") << QStringLiteral("00000-000") << QStringLiteral("3550308") << unknown
                           << QStringLiteral("<null>") << sheetStreet << sheetDistrict
                           << QStringLiteral("3550308") << 0;
}

void TestSupplierConverter::postalCodeCompletesTheAddress()
{
    QFETCH(QString, cellE);
    QFETCH(QString, cellJ);
    QFETCH(QByteArray, answer);
    QFETCH(QString, cep);
    QFETCH(QString, street);
    QFETCH(QString, district);
    QFETCH(QString, city);
    QFETCH(int, requests);
    SampleDatabase sample;
    FakeViaCep service;
    service.answerOthers([answer](const QString&) { return FakeViaCep::Answer{200, answer}; });
    ViaCepLookup lookup(service.baseUrl());
    Run run;
    run.options.codCidade = QStringLiteral("4106902");
    run.postalCodes = &lookup;
    convert(sample.path(),
            {{{A, QStringLiteral("Com CEP")},
              {E, cellE},
              {F, QStringLiteral("Rua da Planilha")},
              {I, QStringLiteral("Bairro da Planilha")},
              {J, cellJ}}},
            run);
    const QMap<QString, QString> row = supplier(sample.path(), 1);
    QCOMPARE(row.value(QStringLiteral("CEP_FORNECEDOR")), cep);
    QCOMPARE(row.value(QStringLiteral("ENDERECO_FORNECEDOR")), street);
    QCOMPARE(row.value(QStringLiteral("BAIRRO_FORNECEDOR")), district);
    QCOMPARE(row.value(QStringLiteral("COD_CIDADE")), city);
    QCOMPARE(service.requests(), requests);
}

void TestSupplierConverter::eachPostalCodeIsAskedOnce()
{
    SampleDatabase sample;
    FakeViaCep service;
    service.answer(QStringLiteral("87010000"), address(QStringLiteral("Avenida Brasil"),
                                                       QStringLiteral("Zona 01"), QStringLiteral("4115200")));
    service.answer(QStringLiteral("01001000"),
                   address(QStringLiteral("Praça da Sé"), QStringLiteral("Sé"), QStringLiteral("3550308")));
    ViaCepLookup lookup(service.baseUrl());
    Run run;
    run.postalCodes = &lookup;
    QList<Row> rows;
    const QStringList ceps{QStringLiteral("87010-000"), QStringLiteral("01001-000"),
                           QStringLiteral("87010000"),  QStringLiteral("99999-999"),
                           QStringLiteral("1001000"),   QStringLiteral("99999999")};
    for (int i = 0; i < ceps.size(); ++i)
        rows << Row{{A, QStringLiteral("F%1").arg(i)}, {C, QString::number(1000 + i)}, {E, ceps.at(i)}};
    const RunResult r = convert(sample.path(), rows, run);
    QCOMPARE(r.report.count(RowOutcome::Inserted), 6);
    QCOMPARE(service.requests(), 3);
    QCOMPARE(supplier(sample.path(), 3).value(QStringLiteral("ENDERECO_FORNECEDOR")),
             QStringLiteral("Avenida Brasil"));
    QCOMPARE(supplier(sample.path(), 5).value(QStringLiteral("COD_CIDADE")), QStringLiteral("3550308"));
}

void TestSupplierConverter::serviceDownEndsTheRun()
{
    SampleDatabase sample;
    ViaCepLookup lookup(unreachableBaseUrl());
    RecordingNotifier notifier;
    Run run;
    run.postalCodes = &lookup;
    run.notifier = &notifier;
    try {
        convert(sample.path(),
                {{{A, QStringLiteral("Sem CEP")}},
                 {{A, QStringLiteral("Com CEP")}, {E, QStringLiteral("87010-000")}},
                 {{A, QStringLiteral("Depois")}}},
                run);
        QFAIL("the run did not stop");
    } catch (const RunError& e) {
        QVERIFY2(e.message().startsWith(
                     QStringLiteral("Erro na linha 2 da planilha, coluna E (valor \"87010-000\"): "
                                    "Falha ao consultar o CEP 87010000: ")),
                 qPrintable(e.message()));
    }
    QCOMPARE(kinds(sample.path()).keys(), QList<int>{1});
    QVERIFY(notifier.sent.isEmpty());
}

void TestSupplierConverter::invalidDateEndsTheRun()
{
    SampleDatabase sample;
    try {
        convert(sample.path(), {{{A, QStringLiteral("Data")}, {P, QStringLiteral("30/08/2019")}}});
        QFAIL("the run did not stop");
    } catch (const RunError& e) {
        QCOMPARE(
            e.message(),
            QStringLiteral("Erro na linha 1 da planilha, coluna P (valor \"30/08/2019\"): data inválida"));
    }
    QVERIFY(kinds(sample.path()).isEmpty());
}

void TestSupplierConverter::clearBoxes_data()
{
    QTest::addColumn<int>("cadastro");
    QTest::addColumn<QList<int>>("remaining"); // codes after the run, the new row included
    QTest::newRow("suppliers clear everything") << int(Cadastro::Fornecedor) << QList<int>{1};
    QTest::newRow("carriers clear carriers") << int(Cadastro::Transportadora) << QList<int>{1, 2, 3};
}

void TestSupplierConverter::clearBoxes()
{
    QFETCH(int, cadastro);
    QFETCH(QList<int>, remaining);
    SampleDatabase sample;
    seed(sample.path(),
         QStringLiteral("INSERT INTO FORNECEDOR (CODIGO_FORNECEDOR, TIPO_CADASTRO) VALUES (1, NULL)"));
    seed(sample.path(),
         QStringLiteral("INSERT INTO FORNECEDOR (CODIGO_FORNECEDOR, TIPO_CADASTRO) VALUES (2, 'F')"));
    seed(sample.path(),
         QStringLiteral("INSERT INTO FORNECEDOR (CODIGO_FORNECEDOR, TIPO_CADASTRO) VALUES (3, 'T')"));
    seed(sample.path(),
         QStringLiteral("INSERT INTO FORNECEDOR (CODIGO_FORNECEDOR, TIPO_CADASTRO) VALUES (4, 'T')"));
    Run run;
    run.cadastro = static_cast<Cadastro>(cadastro);
    run.options.limpar = true;
    convert(sample.path(), {{{A, QStringLiteral("Novo")}}}, run);
    QCOMPARE(kinds(sample.path()).keys(), remaining);
}

void TestSupplierConverter::secondRunUpdatesItsOwnRows()
{
    SampleDatabase sample;
    // A row from elsewhere with the bare digits is found too, and gets the punctuated form.
    seed(sample.path(), QStringLiteral("INSERT INTO FORNECEDOR (CODIGO_FORNECEDOR, CNPJCPF_FORNECEDOR) "
                                       "VALUES (10, '11222333000181')"));
    const QList<Row> rows{{{A, QStringLiteral("Empresa")}, {C, QStringLiteral("12.345.678/0001-95")}},
                          {{A, QStringLiteral("Pessoa")}, {C, QStringLiteral("123.456.789-01")}},
                          {{A, QStringLiteral("De fora")}, {C, QStringLiteral("11222333000181")}}};
    const RunResult first = convert(sample.path(), rows);
    QCOMPARE(first.report.count(RowOutcome::Inserted), 2);
    QCOMPARE(first.report.count(RowOutcome::Updated), 1);
    const RunResult second = convert(sample.path(), rows);
    QCOMPARE(second.report.count(RowOutcome::Updated), 3);
    QCOMPARE(kinds(sample.path()).keys(), (QList<int>{10, 11, 12}));
    QCOMPARE(supplier(sample.path(), 10).value(QStringLiteral("CNPJCPF_FORNECEDOR")),
             QStringLiteral("11.222.333/0001-81"));
    QCOMPARE(second.report.rows().at(1).key, QStringLiteral("12"));
}

void TestSupplierConverter::carriersShareTheTableAndItsCodes()
{
    SampleDatabase sample;
    convert(sample.path(),
            {{{A, QStringLiteral("Fornece e transporta")}, {C, QStringLiteral("12345678000195")}}});
    Run carriers;
    carriers.cadastro = Cadastro::Transportadora;
    const RunResult r =
        convert(sample.path(),
                {{{A, QStringLiteral("Transporta")}, {C, QStringLiteral("12.345.678/0001-95")}},
                 {{A, QStringLiteral("Só transporta")}, {C, QStringLiteral("98.765.432/0001-98")}}},
                carriers);
    QCOMPARE(r.report.rows().at(0).outcome, RowOutcome::Updated);
    QCOMPARE(kinds(sample.path()), (QMap<int, QString>{{1, QStringLiteral("T")}, {2, QStringLiteral("T")}}));
    convert(sample.path(), {{{A, QStringLiteral("Outro")}, {C, QStringLiteral("1")}}});
    QCOMPARE(kinds(sample.path()).value(3), QStringLiteral("<null>"));
}

void TestSupplierConverter::countsAndMessages_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("titulos");
    QTest::addColumn<QString>("closing");
    QTest::addColumn<QString>("notice");
    const QString prefix = QStringLiteral("VANDOR CONVERSOR 11/03/2022 Empresa:  ");
    QTest::newRow("suppliers") << QStringLiteral("fornecedores") << false
                               << QStringLiteral("3 Fornecedores Importados!")
                               << prefix + QStringLiteral("3 Fornecedores Importados!");
    QTest::newRow("carriers") << QStringLiteral("transportadoras") << false
                              << QStringLiteral("3 Transportadoras Importadas!")
                              << prefix + QStringLiteral("3 Transportadoras Importados!");
    QTest::newRow("carriers with titles")
        << QStringLiteral("transportadoras") << true << QStringLiteral("2 Transportadoras Importadas!")
        << prefix + QStringLiteral("2 Transportadoras Importados!");
}

void TestSupplierConverter::countsAndMessages()
{
    QFETCH(QString, kind);
    QFETCH(bool, titulos);
    QFETCH(QString, closing);
    QFETCH(QString, notice);
    SampleDatabase sample;
    std::unique_ptr<Converter> converter = ConverterKinds::create(kind);
    QVERIFY(converter);
    QCOMPARE(converter->kind(), kind);
    RunOptions options;
    options.titulos = titulos;
    RecordingNotifier notifier;
    RunObserver observer;
    Database db(sample.path());
    const RunResult r = runConversion(*converter,
                                      sheet({{{A, QStringLiteral("Um")}},
                                             {{A, QStringLiteral("  ")}},
                                             {{A, QStringLiteral("Três")}, {C, QStringLiteral("1")}}}),
                                      options, db, {&notifier}, observer);
    QCOMPARE(r.closingMessage, closing);
    QCOMPARE(notifier.sent, QStringList{notice});
    QCOMPARE(r.report.count(RowOutcome::Skipped), 1);
    QCOMPARE(r.report.count(RowOutcome::Inserted), titulos ? 1 : 2);
}

void TestSupplierConverter::foreignSchema()
{
    // Another ERP's FORNECEDOR: other sizes, the fax column spelt in lower case, extra NOT NULL
    // columns with defaults, a trigger.
    SampleDatabase sample(false);
    {
        Database db(sample.path());
        db.execute(QStringLiteral(
            "CREATE TABLE FORNECEDOR (CODIGO_FORNECEDOR BIGINT NOT NULL PRIMARY KEY, TIPO_CADASTRO "
            "VARCHAR(3), "
            "TIPOPESSOA_FORNECEDOR VARCHAR(2), RAZAO_FORNECEDOR VARCHAR(200), FANTASIA_FORNECEDOR "
            "VARCHAR(200), "
            "CNPJCPF_FORNECEDOR VARCHAR(25), INSCRICAO_FORNECEDOR VARCHAR(30), ENDERECO_FORNECEDOR "
            "VARCHAR(200), "
            "NUMEROEND_FORNECEDOR VARCHAR(30), COMPLEMENTOEND_FORNECEDOR VARCHAR(100), "
            "BAIRRO_FORNECEDOR VARCHAR(100), COD_CIDADE INTEGER, TELEFONE1_FORNECEDOR VARCHAR(40), "
            "\"fax_fornecedor\" VARCHAR(40), CONTATO_FORNECEDOR VARCHAR(100), "
            "OBSERVACAO_FORNECEDOR BLOB SUB_TYPE TEXT, EMAIL_FORNECEDOR VARCHAR(200), "
            "DATACADASTRO_FORNECEDOR TIMESTAMP, CEP_FORNECEDOR VARCHAR(12), "
            "ATIVO_FORNECEDOR CHAR(1) DEFAULT 'S' NOT NULL, PRAZO_FORNECEDOR INTEGER DEFAULT 30 NOT NULL, "
            "ALTERADO_EM TIMESTAMP)"));
        db.execute(
            QStringLiteral("CREATE TRIGGER FORNECEDOR_BIU FOR FORNECEDOR BEFORE INSERT OR UPDATE AS BEGIN "
                           "NEW.ALTERADO_EM = CURRENT_TIMESTAMP; END"));
    }
    FakeViaCep service;
    service.answer(QStringLiteral("87010000"), address(QStringLiteral("Avenida Brasil"),
                                                       QStringLiteral("Zona 01"), QStringLiteral("4115200")));
    ViaCepLookup lookup(service.baseUrl());
    Run run;
    run.cadastro = Cadastro::Transportadora;
    run.postalCodes = &lookup;
    Row row = kFullRow;
    row[E] = QStringLiteral("87010-000");
    const RunResult r = convert(sample.path(), {row, row}, run);
    QCOMPARE(r.report.count(RowOutcome::Updated), 1);
    const QMap<QString, QString> stored = supplier(sample.path(), 1);
    QCOMPARE(stored.value(QStringLiteral("fax_fornecedor")), QStringLiteral("(44) 3000-0001"));
    QCOMPARE(stored.value(QStringLiteral("TIPO_CADASTRO")), QStringLiteral("T"));
    QCOMPARE(stored.value(QStringLiteral("OBSERVACAO_FORNECEDOR")), QStringLiteral("entrega às terças"));
    QCOMPARE(stored.value(QStringLiteral("ENDERECO_FORNECEDOR")), QStringLiteral("Avenida Brasil"));
    QCOMPARE(stored.value(QStringLiteral("ATIVO_FORNECEDOR")), QStringLiteral("S"));
    QCOMPARE(stored.value(QStringLiteral("PRAZO_FORNECEDOR")), QStringLiteral("30"));
    QVERIFY(stored.value(QStringLiteral("ALTERADO_EM")) != QStringLiteral("<null>"));
    QVERIFY(stored.value(QStringLiteral("DATACADASTRO_FORNECEDOR")).startsWith(QStringLiteral("2019-08-30")));
    QCOMPARE(service.requests(), 1);
}

QTEST_GUILESS_MAIN(TestSupplierConverter)
#include "tst_supplier_converter.moc"
