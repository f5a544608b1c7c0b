// The service converter end to end on embedded databases: allocated codes, the columns of a new
// service, rows that exist already, the services tab's price adjustment, and the tax box that
// does nothing here.
#include "ConversionRun.h"
#include "Database.h"
#include "GridRows.h"
#include "Notifier.h"
#include "ProductConverter.h"
#include "DatabaseRows.h"
#include "SampleDatabase.h"
#include "ServiceConverter.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QtTest>

using namespace ProductColumns;

namespace {

using Cells = QMap<int, QString>;

const QString kNull = QStringLiteral("<null>");

struct RecordingNotifier : Notifier {
    QStringList sent;
    void send(const QString& text) override { sent << text; }
};

Grid gridOf(const QList<Cells>& rows) { return gridOfCells(rows, 26); }

RunResult convert(const QString& path, const Grid& grid, const RunOptions& options = RunOptions(),
                  Notifier* notifier = nullptr)
{
    Database db(path);
    ServiceConverter converter;
    RunObserver observer;
    return runConversion(converter, grid, options, db, {notifier}, observer,
                         RegionalSettings::forLocale("pt_BR.UTF-8"));
}


// PRODUTO's columns of `code` as text, with the company-1 prices in exact decimal text under
// VENDA, CUSTO and MARGEM; empty when there is no such product.
QMap<QString, QString> service(const QString& path, int code)
{
    Database db(path);
    QMap<QString, QString> out;
    for (const QString& sql :
         {QStringLiteral("SELECT * FROM PRODUTO WHERE CODIGO_PRODUTO = ?"),
          QStringLiteral("SELECT CAST(VALORVENDA_PRODUTO AS VARCHAR(30)) AS VENDA, "
                         "CAST(VALORCUSTO_PRODUTO AS VARCHAR(30)) AS CUSTO, "
                         "CAST(MARGEMLUCRO_PRODUTO AS VARCHAR(30)) AS MARGEM "
                         "FROM PRODUTO_EMPRESA WHERE CODIGO_PRODUTO = ? AND CODIGO_EMPRESA = 1")}) {
        QSqlQuery q(db.connection());
        q.prepare(sql);
        q.bindValue(0, code);
        if (!q.exec())
            qFatal("%s", qPrintable(q.lastError().text()));
        if (!q.next())
            continue;
        const QSqlRecord record = q.record();
        for (int i = 0; i < record.count(); ++i) {
            QString text = q.value(i).isNull() ? kNull : q.value(i).toString();
            if ((record.field(i).typeID() & ~1) == 452) // fixed-length CHAR
                while (text.endsWith(u' '))
                    text.chop(1);
            out.insert(record.fieldName(i), text);
        }
    }
    return out;
}

QList<int> codes(const QString& path)
{
    Database db(path);
    QSqlQuery q(db.connection());
    q.exec(QStringLiteral("SELECT CODIGO_PRODUTO FROM PRODUTO ORDER BY 1"));
    QList<int> out;
    while (q.next())
        out << q.value(0).toInt();
    return out;
}

} // namespace

class TestServiceConverter : public QObject {
    Q_OBJECT
private slots:
    void allocatedCodes_data();
    void allocatedCodes();
    void newServiceColumns();
    void existingCodesAreSkipped();
    void undoneRowGivesItsCodeBack();
    void priceAdjustment();
    void taxBoxAloneWritesNothing();
    void malformedNcmIsReportedAndKept();
};

void TestServiceConverter::allocatedCodes_data()
{
    QTest::addColumn<bool>("withProducts");
    QTest::addColumn<QList<int>>("expected"); // codes of the five rows, in order
    QTest::newRow("empty table") << false << QList<int>{1, 2, 3, 15, 16};
    QTest::newRow("above the products") << true << QList<int>{41, 42, 43, 15, 44};
}

void TestServiceConverter::allocatedCodes()
{
    QFETCH(bool, withProducts);
    QFETCH(QList<int>, expected);
    SampleDatabase sample;
    if (withProducts)
        seed(sample.path(), {QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, TIPO_PRODUTO) VALUES (40, 'P')"),
                             QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, TIPO_PRODUTO) VALUES (7, 'S')")});
    const Grid grid = gridOf({
        {{A, QString()}, {C, QStringLiteral("Instalação")}},
        {{A, QStringLiteral("abc")}, {C, QStringLiteral("Manutenção")}, {B, QStringLiteral("MAN'1")}},
        {{A, QStringLiteral("0")}, {C, QStringLiteral("Visita")}},
        {{A, QStringLiteral("S-015")}, {C, QStringLiteral("Frete")}},
        {{A, QStringLiteral(" ")}, {C, QStringLiteral("Consultoria")}},
    });
    const RunResult r = convert(sample.path(), grid);
    QList<int> keys;
    for (const RowReport& row : r.report.rows())
        keys << row.key.toInt();
    QCOMPARE(keys, expected);
    // The allocated code, in digits, is the reference when column B is empty; "S-015" gives 15.
    QCOMPARE(service(sample.path(), expected.at(0)).value(QStringLiteral("REFERENCIA_PRODUTO")),
             QString::number(expected.at(0)));
    QCOMPARE(service(sample.path(), expected.at(1)).value(QStringLiteral("REFERENCIA_PRODUTO")), QStringLiteral("MAN 1"));
    QCOMPARE(service(sample.path(), 15).value(QStringLiteral("REFERENCIA_PRODUTO")), QStringLiteral("15"));
    QCOMPARE(r.report.rows().at(0).reason, QStringLiteral("código gerado"));
    QCOMPARE(r.report.rows().at(3).reason, QString());
}

void TestServiceConverter::newServiceColumns()
{
    SampleDatabase sample;
    seed(sample.path(), {QStringLiteral("INSERT INTO CATEGORIA VALUES (4, 'LIMPEZA', 1)")});
    const Grid grid = gridOf({
        {{A, QStringLiteral("10")},
         {C, QStringLiteral(" \"Consultoria\" 100%")},
         {D, QStringLiteral("R$ 150,00")},
         {E, QString()},
         {F, QStringLiteral("R$ 100,00")},
         {G, QStringLiteral("10")},
         {H, QStringLiteral("HORA")},
         {I, QStringLiteral("3")},
         {J, QStringLiteral("Sala 2")},
         {L, QStringLiteral("Consultoria")},
         {M, QStringLiteral("FAB")},
         {N, QStringLiteral("Marca")},
         {O, QStringLiteral("1,5")},
         {Q, QStringLiteral("N")},
         {R, QStringLiteral("60")},
         {S, QStringLiteral("1")},
         {U, QStringLiteral("1234")},
         {W, QStringLiteral("45")},
         {X, QStringLiteral("técnica")},
         {Y, QStringLiteral("remota")},
         {Z, QStringLiteral("3")}},
        {{A, QStringLiteral("11")}, {C, QStringLiteral("Visita")}, {E, QStringLiteral("2202.10.00")}, {Q, QStringLiteral("n")}},
    });
    convert(sample.path(), grid);
    const QMap<QString, QString> s = service(sample.path(), 10);
    const QMap<QString, QString> expected{
        {QStringLiteral("CODIGO_PRODUTO"), QStringLiteral("10")},
        {QStringLiteral("REFERENCIA_PRODUTO"), QStringLiteral("10")},
        {QStringLiteral("NOME_PRODUTO"), QStringLiteral("CONSULTORIA 100 TÉCNICA REMOTA")},
        {QStringLiteral("CODIGO_NCM"), QStringLiteral("99999999")},
        {QStringLiteral("TIPO_PRODUTO"), QStringLiteral("S")},
        {QStringLiteral("UNIDADE_PRODUTO"), QStringLiteral("HORA")},
        {QStringLiteral("ACS_VALORPRODUTO"), QStringLiteral("N")},
        {QStringLiteral("ACS_QTDPRODUTO"), QStringLiteral("N")},
        {QStringLiteral("ATIVO_PRODUTO"), QStringLiteral("N")},
        {QStringLiteral("CODIGO_EMPRESA"), QStringLiteral("1")},
        {QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("1")},
        {QStringLiteral("CODIGO_CATEGORIA"), QStringLiteral("5")},
        // The columns a service never gets.
        {QStringLiteral("CEST_PRODUTO"), kNull},
        {QStringLiteral("CSTIPI_PRODUTO"), kNull},
        {QStringLiteral("CSTPIS_PRODUTO"), kNull},
        {QStringLiteral("CSTCOFINS_PRODUTO"), kNull},
        {QStringLiteral("IMAGEM_PRODUTO"), kNull},
        {QStringLiteral("LOCALIZACAO_PRODUTO"), kNull},
        {QStringLiteral("CODIGO_FABRICANTE"), kNull},
        {QStringLiteral("MARCA_PRODUTO"), kNull},
        {QStringLiteral("PESOLIQUIDO_PRODUTO"), kNull},
        {QStringLiteral("PESOBRUTO_PRODUTO"), kNull},
        {QStringLiteral("CODIGO_FORNECEDOR"), kNull},
        {QStringLiteral("ESTOQUEMINIMO_PRODUTO"), kNull},
        {QStringLiteral("VENDA"), QStringLiteral("150.0000")},
        {QStringLiteral("CUSTO"), QStringLiteral("100.0000")},
        {QStringLiteral("MARGEM"), QStringLiteral("50.0000")},
    };
    QCOMPARE(s, expected);
    const QMap<QString, QString> visita = service(sample.path(), 11);
    QCOMPARE(visita.value(QStringLiteral("CODIGO_NCM")), QStringLiteral("22021000"));
    QCOMPARE(visita.value(QStringLiteral("CEST_PRODUTO")), kNull); // no CEST look-up for services
    QCOMPARE(visita.value(QStringLiteral("UNIDADE_PRODUTO")), QStringLiteral("UN"));
    QCOMPARE(visita.value(QStringLiteral("ATIVO_PRODUTO")), QStringLiteral("S"));
    QCOMPARE(visita.value(QStringLiteral("CODIGO_CATEGORIA")), QStringLiteral("1"));

    // The category of row 1 was created under the next code, and both units exist.
    Database db(sample.path());
    QSqlQuery q(db.connection());
    q.exec(QStringLiteral("SELECT NOME_CATEGORIA FROM CATEGORIA WHERE CODIGO_CATEGORIA = 5"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("CONSULTORIA"));
    q.exec(QStringLiteral("SELECT SIGLA_UNIDADE FROM UNIDADE ORDER BY 1"));
    QStringList units;
    while (q.next())
        units << q.value(0).toString();
    QCOMPARE(units, (QStringList{QStringLiteral("HORA"), QStringLiteral("UN")}));
}

void TestServiceConverter::existingCodesAreSkipped()
{
    SampleDatabase sample;
    seed(sample.path(), {QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, NOME_PRODUTO, TIPO_PRODUTO) "
                                        "VALUES (5, 'PARAFUSO', 'P')"),
                         QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, NOME_PRODUTO, TIPO_PRODUTO) "
                                        "VALUES (6, 'INSTALAÇÃO', 'S')")});
    RunOptions options;
    options.titulos = true;
    const Grid grid = gridOf({
        {{A, QStringLiteral("Código")}, {C, QStringLiteral("Nome")}},
        {{A, QStringLiteral("5")}, {C, QStringLiteral("Montagem")}, {D, QStringLiteral("9")}},
        {{A, QStringLiteral("8")}, {C, QStringLiteral("INSTALAÇÃO")}}, // no look-up by name
    });
    RecordingNotifier notifier;
    const RunResult r = convert(sample.path(), grid, options, &notifier);
    QCOMPARE(r.report.rows().at(0).reason, QStringLiteral("serviço ou produto já cadastrado (código 5)"));
    QCOMPARE(service(sample.path(), 5).value(QStringLiteral("NOME_PRODUTO")), QStringLiteral("PARAFUSO"));
    QVERIFY(!service(sample.path(), 5).contains(QStringLiteral("VENDA")));
    QCOMPARE(service(sample.path(), 8).value(QStringLiteral("NOME_PRODUTO")), QStringLiteral("INSTALAÇÃO"));
    QCOMPARE(codes(sample.path()), (QList<int>{5, 6, 8}));
    QCOMPARE(r.closingMessage, QStringLiteral("2 Serviços Importados!"));
    QCOMPARE(notifier.sent, QStringList{QStringLiteral("VANDOR CONVERSOR 11/03/2022 Empresa:  2 Serviços Importados!")});
}

void TestServiceConverter::undoneRowGivesItsCodeBack()
{
    // The maximum is what counts: a row undone after taking a code leaves that code to the next.
    SampleDatabase sample;
    seed(sample.path(), {QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO) VALUES (40)"),
                         QStringLiteral("ALTER TABLE PRODUTO_EMPRESA ADD CONSTRAINT CK_PRECO_TETO "
                                        "CHECK (VALORVENDA_PRODUTO < 1000)")});
    RunOptions options;
    options.continuar = true;
    const Grid grid = gridOf({
        {{C, QStringLiteral("Um")}, {D, QStringLiteral("10")}},
        {{C, QStringLiteral("Caro")}, {D, QStringLiteral("5000")}},
        {{C, QStringLiteral("Dois")}, {D, QStringLiteral("20")}},
        {{A, QStringLiteral("60")}, {C, QStringLiteral("Sessenta")}},
        {{C, QStringLiteral("Três")}},
    });
    const RunResult r = convert(sample.path(), grid, options);
    QCOMPARE(r.report.count(RowOutcome::Failed), 1);
    QVERIFY2(r.report.rows().at(1).reason.startsWith(QStringLiteral("Erro na linha 2 da planilha")),
             qPrintable(r.report.rows().at(1).reason));
    QCOMPARE(codes(sample.path()), (QList<int>{40, 41, 42, 60, 61}));
    QCOMPARE(service(sample.path(), 42).value(QStringLiteral("NOME_PRODUTO")), QStringLiteral("DOIS"));
}

void TestServiceConverter::priceAdjustment()
{
    SampleDatabase sample;
    seed(sample.path(),
         {QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, REFERENCIA_PRODUTO, NOME_PRODUTO, TIPO_PRODUTO) "
                         "VALUES (1, 'R1', 'UM', 'S')"),
          QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, REFERENCIA_PRODUTO, NOME_PRODUTO, TIPO_PRODUTO) "
                         "VALUES (2, 'R2', 'DOIS', 'S')"),
          QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, REFERENCIA_PRODUTO, NOME_PRODUTO, TIPO_PRODUTO) "
                         "VALUES (3, 'R3', 'TRES', 'S')"),
          QStringLiteral("INSERT INTO PRODUTO_EMPRESA VALUES (1, 1, 30, 10, 5)"),
          QStringLiteral("INSERT INTO PRODUTO_EMPRESA VALUES (2, 1, 30, 10, 5)")});
    RunOptions options;
    options.ajustarPrecosServicos = true;
    options.ajustarTributacao = true; // the products tab's box changes nothing here
    const Grid grid = gridOf({
        {{A, QStringLiteral("1")}, {B, QString()}, {C, QStringLiteral("Outro")}, {D, QStringLiteral("20")},
         {G, QStringLiteral("7")}, {E, QStringLiteral("12345678")}},
        {{A, QStringLiteral("2")}, {B, QStringLiteral("N'2")}, {D, QString()}, {F, QStringLiteral("8")},
         {G, QStringLiteral("7")}},
        {{A, QStringLiteral("3")}, {B, QStringLiteral("N3")}, {D, QStringLiteral("9")}},
        {{A, QString()}, {B, QStringLiteral("NOVO")}, {C, QStringLiteral("Sem código")}, {D, QStringLiteral("9")}},
    });
    const RunResult r = convert(sample.path(), grid, options);

    const QMap<QString, QString> one = service(sample.path(), 1);
    QCOMPARE(one.value(QStringLiteral("REFERENCIA_PRODUTO")), QString()); // an empty B clears it
    QCOMPARE(one.value(QStringLiteral("NOME_PRODUTO")), QStringLiteral("UM"));
    QCOMPARE(one.value(QStringLiteral("CODIGO_NCM")), kNull);
    QCOMPARE(one.value(QStringLiteral("VENDA")), QStringLiteral("20.0000"));
    QCOMPARE(one.value(QStringLiteral("CUSTO")), QStringLiteral("10.0000"));
    QCOMPARE(one.value(QStringLiteral("MARGEM")), QStringLiteral("100.0000"));
    const QMap<QString, QString> two = service(sample.path(), 2);
    QCOMPARE(two.value(QStringLiteral("REFERENCIA_PRODUTO")), QStringLiteral("N 2"));
    QCOMPARE(two.value(QStringLiteral("VENDA")), QStringLiteral("0.0000"));
    QCOMPARE(two.value(QStringLiteral("CUSTO")), QStringLiteral("8.0000"));
    QCOMPARE(two.value(QStringLiteral("MARGEM")), QStringLiteral("7.0000"));
    const QMap<QString, QString> three = service(sample.path(), 3);
    QCOMPARE(three.value(QStringLiteral("REFERENCIA_PRODUTO")), QStringLiteral("N3"));
    QVERIFY(!three.contains(QStringLiteral("VENDA")));
    // The row without a code got one, found nothing and changed nothing.
    QCOMPARE(codes(sample.path()), (QList<int>{1, 2, 3}));
    QCOMPARE(r.report.count(RowOutcome::Updated), 3);
    QCOMPARE(r.report.rows().at(3).reason, QStringLiteral("serviço não encontrado"));
    QCOMPARE(r.closingMessage, QStringLiteral("4 Serviços Importados!"));
}

void TestServiceConverter::taxBoxAloneWritesNothing()
{
    SampleDatabase sample;
    seed(sample.path(), {QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, REFERENCIA_PRODUTO, CODIGO_NCM) "
                                        "VALUES (1, 'R1', '11111111')")});
    RunOptions options;
    options.ajustarTributacao = true;
    options.ajustarNcm = true;
    options.ajustarPrecos = true; // the products tab's price box is not the services tab's
    const Grid grid = gridOf({
        {{A, QStringLiteral("1")}, {B, QStringLiteral("NOVA")}, {D, QStringLiteral("5")}, {E, QStringLiteral("22021000")}},
        {{A, QStringLiteral("2")}, {C, QStringLiteral("Novo")}},
        {{A, QString()}, {C, QStringLiteral("Outro")}},
    });
    const RunResult r = convert(sample.path(), grid, options);
    QCOMPARE(codes(sample.path()), QList<int>{1});
    const QMap<QString, QString> one = service(sample.path(), 1);
    QCOMPARE(one.value(QStringLiteral("REFERENCIA_PRODUTO")), QStringLiteral("R1"));
    QCOMPARE(one.value(QStringLiteral("CODIGO_NCM")), QStringLiteral("11111111"));
    QCOMPARE(r.report.count(RowOutcome::Skipped), 3);
    QCOMPARE(r.report.rows().at(0).reason, QStringLiteral("o ajuste de tributação não se aplica a serviços"));
    QCOMPARE(r.closingMessage, QStringLiteral("3 Serviços Importados!"));
}

void TestServiceConverter::malformedNcmIsReportedAndKept()
{
    SampleDatabase sample;
    const Grid grid = gridOf({
        {{A, QStringLiteral("1")}, {C, QStringLiteral("Visita")}, {E, QStringLiteral("1234")}},
        {{A, QStringLiteral("2")}, {C, QStringLiteral("Conserto")}, {E, QStringLiteral("2202.10.00")}},
        {{A, QStringLiteral("3")}, {C, QStringLiteral("Frete")}},
    });
    const RunResult r = convert(sample.path(), grid);
    QCOMPARE(r.report.count(RowOutcome::Inserted), 3);
    // The sample database has no unit: the first row creates "UN", the others find it.
    QCOMPARE(r.report.rows().at(0).warningTexts(),
             (QStringList{QStringLiteral("coluna E (valor \"1234\"): NCM não tem 8 dígitos"),
                          QStringLiteral("unidade \"UN\" criada pela conversão")}));
    QVERIFY(r.report.rows().at(1).warningTexts().isEmpty());
    QVERIFY(r.report.rows().at(2).warningTexts().isEmpty());
    QCOMPARE(service(sample.path(), 1).value(QStringLiteral("CODIGO_NCM")), QStringLiteral("1234"));
    QCOMPARE(service(sample.path(), 3).value(QStringLiteral("CODIGO_NCM")), QStringLiteral("99999999"));
}

QTEST_GUILESS_MAIN(TestServiceConverter)
#include "tst_service_converter.moc"
