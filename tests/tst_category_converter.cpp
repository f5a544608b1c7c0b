// The conversion frame end to end through its first converter: categories written into real
// embedded databases, with the counts, messages, reports, errors, cancel, dry run and going on
// after errors.
#include "CategoryConverter.h"
#include "ConversionRun.h"
#include "Database.h"
#include "GridRows.h"
#include "Notifier.h"
#include "Query.h"
#include "DatabaseRows.h"
#include "SampleDatabase.h"

#include <QtTest>

namespace {

struct RecordingNotifier : Notifier {
    QStringList sent;
    void send(const QString& text) override { sent << text; }
};

struct CancelAfter : RunObserver {
    explicit CancelAfter(int rows) : m_rows(rows) {}
    bool cancelRequested() override { return m_done >= m_rows; }
    void rowDone(const RowReport&) override { ++m_done; }
    int m_rows;
    int m_done = 0;
};

Grid gridOf(const QList<QStringList>& rows) { return gridOfRows(rows); }

// CODIGO_CATEGORIA -> NOME_CATEGORIA|CODIGO_EMPRESA of the whole table.
QMap<int, QString> categories(const QString& path)
{
    Database db(path);
    QSqlQuery q(db.connection());
    q.exec(QStringLiteral("SELECT CODIGO_CATEGORIA, NOME_CATEGORIA, CODIGO_EMPRESA FROM CATEGORIA"));
    QMap<int, QString> out;
    while (q.next())
        out.insert(q.value(0).toInt(), q.value(1).toString() + u'|' + q.value(2).toString());
    return out;
}


} // namespace

class TestCategoryConverter : public QObject {
    Q_OBJECT
private slots:
    void convertsAndUpdates();
    void emptyGridStillCounts_data();
    void emptyGridStillCounts();
    void clearBoxEmptiesTheTableFirst();
    void codesAreReadFromColumnA_data();
    void codesAreReadFromColumnA();
    void errorEndsTheRunKeepingEarlierRows();
    void continueAfterErrorsReportsFailedRows();
    void dryRunLeavesTheDatabaseUnchanged();
    void cancelStopsAfterTheCurrentRow();
    void manyRowsCrossCommitBoundaries();
    void foreignSchema();
};

void TestCategoryConverter::convertsAndUpdates()
{
    SampleDatabase sample;
    seed(sample.path(), QStringLiteral("INSERT INTO CATEGORIA VALUES (2, 'ANTIGA', 7)"));
    const Grid grid = gridOf({{QStringLiteral("Código"), QStringLiteral("Nome")},
                              {QStringLiteral("1"), QStringLiteral("  Bebidas ")},
                              {QStringLiteral("2"), QStringLiteral("Limpeza")},
                              {QStringLiteral(" "), QStringLiteral("sem código")},
                              {QStringLiteral("1"), QStringLiteral("Bebidas e Sucos")},
                              {QStringLiteral("3"), QString()}});
    RunOptions options;
    options.titulos = true;
    RecordingNotifier notifier;
    RunObserver observer;
    CategoryConverter converter;
    Database db(sample.path());
    const RunResult r = runConversion(converter, grid, options, db, {&notifier}, observer);

    QCOMPARE(r.count, 5);
    QCOMPARE(r.closingMessage, QStringLiteral("5 Categorias Importadas!"));
    QCOMPARE(notifier.sent, QStringList{QStringLiteral("VANDOR CONVERSOR 11/03/2022 Empresa:  5 Categorias Importadas!")});
    const QMap<int, QString> expected{{1, QStringLiteral("Bebidas e Sucos|1")},
                                      {2, QStringLiteral("Limpeza|1")},
                                      {3, QStringLiteral("|1")}};
    QCOMPARE(categories(sample.path()), expected);
    QCOMPARE(r.report.count(RowOutcome::Inserted), 2);
    QCOMPARE(r.report.count(RowOutcome::Updated), 2);
    QCOMPARE(r.report.count(RowOutcome::Skipped), 1);
    QCOMPARE(r.report.rows().at(2).gridRow, 3);
    QCOMPARE(r.report.rows().at(2).reason, QStringLiteral("coluna A vazia"));
    QVERIFY(r.details().join(u'\n').contains(QStringLiteral("Incluídas: 2, alteradas: 2, ignoradas: 1, com erro: 0")));
}

void TestCategoryConverter::emptyGridStillCounts_data()
{
    QTest::addColumn<bool>("titulos");
    QTest::addColumn<QString>("message");
    QTest::newRow("no titles") << false << QStringLiteral("5 Categorias Importadas!");
    QTest::newRow("titles") << true << QStringLiteral("4 Categorias Importadas!");
}

void TestCategoryConverter::emptyGridStillCounts()
{
    QFETCH(bool, titulos);
    QFETCH(QString, message);
    SampleDatabase sample;
    RunOptions options;
    options.titulos = titulos;
    RunObserver observer;
    CategoryConverter converter;
    Database db(sample.path());
    const RunResult r = runConversion(converter, Grid(), options, db, {}, observer);
    QCOMPARE(r.closingMessage, message);
    QVERIFY(categories(sample.path()).isEmpty());
}

void TestCategoryConverter::clearBoxEmptiesTheTableFirst()
{
    SampleDatabase sample;
    seed(sample.path(), QStringLiteral("INSERT INTO CATEGORIA VALUES (9, 'OUTRA EMPRESA', 2)"));
    RunOptions options;
    options.limpar = true;
    RunObserver observer;
    CategoryConverter converter;
    Database db(sample.path());
    runConversion(converter, gridOf({{QStringLiteral("4"), QStringLiteral("Frios")}}), options, db, {}, observer);
    QCOMPARE(categories(sample.path()), (QMap<int, QString>{{4, QStringLiteral("Frios|1")}}));
    // Even with nothing to convert the table is emptied.
    runConversion(converter, Grid(), options, db, {}, observer);
    QVERIFY(categories(sample.path()).isEmpty());
}

void TestCategoryConverter::codesAreReadFromColumnA_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("code"); // -1: skipped
    QTest::newRow("plain") << QStringLiteral("12") << 12;
    QTest::newRow("with letters") << QStringLiteral("C-12") << 12;
    QTest::newRow("leading zeros") << QStringLiteral("007") << 7;
    QTest::newRow("zero") << QStringLiteral("0") << 0;
    QTest::newRow("no digit") << QStringLiteral("abc") << -1;
    QTest::newRow("beyond 32 bits") << QStringLiteral("99999999999") << -1;
}

void TestCategoryConverter::codesAreReadFromColumnA()
{
    QFETCH(QString, cell);
    QFETCH(int, code);
    SampleDatabase sample;
    RunOptions options;
    RunObserver observer;
    CategoryConverter converter;
    Database db(sample.path());
    const RunResult r = runConversion(converter, gridOf({{cell, QStringLiteral("Nome")}}), options, db, {}, observer);
    if (code < 0) {
        QVERIFY(categories(sample.path()).isEmpty());
        QCOMPARE(r.report.rows().front().outcome, RowOutcome::Skipped);
        QVERIFY(!r.report.rows().front().reason.isEmpty());
    } else {
        QCOMPARE(categories(sample.path()), (QMap<int, QString>{{code, QStringLiteral("Nome|1")}}));
        QCOMPARE(r.report.rows().front().key, QString::number(code));
    }
    QCOMPARE(r.closingMessage, QStringLiteral("1 Categorias Importadas!"));
}

void TestCategoryConverter::errorEndsTheRunKeepingEarlierRows()
{
    SampleDatabase sample;
    const QString tooLong(80, u'X'); // NOME_CATEGORIA holds 60 characters
    const Grid grid = gridOf({{QStringLiteral("1"), QStringLiteral("Um")},
                              {QStringLiteral("2"), QStringLiteral("Dois")},
                              {QStringLiteral("3"), tooLong},
                              {QStringLiteral("4"), QStringLiteral("Quatro")}});
    RunOptions options;
    RecordingNotifier notifier;
    RunObserver observer;
    CategoryConverter converter;
    Database db(sample.path());
    try {
        runConversion(converter, grid, options, db, {&notifier}, observer);
        QFAIL("the run did not stop");
    } catch (const RunError& e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("Erro na linha 3 da planilha")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("truncation")), qPrintable(e.message()));
        QCOMPARE(e.report().count(RowOutcome::Inserted), 2);
        QCOMPARE(e.report().count(RowOutcome::Failed), 1);
    }
    QCOMPARE(categories(sample.path()),
             (QMap<int, QString>{{1, QStringLiteral("Um|1")}, {2, QStringLiteral("Dois|1")}}));
    QVERIFY(notifier.sent.isEmpty());
}

void TestCategoryConverter::continueAfterErrorsReportsFailedRows()
{
    SampleDatabase sample;
    const Grid grid = gridOf({{QStringLiteral("1"), QStringLiteral("Um")},
                              {QStringLiteral("2"), QString(80, u'X')},
                              {QStringLiteral("3"), QStringLiteral("Três")}});
    RunOptions options;
    options.continuar = true;
    RecordingNotifier notifier;
    RunObserver observer;
    CategoryConverter converter;
    Database db(sample.path());
    const RunResult r = runConversion(converter, grid, options, db, {&notifier}, observer);
    QCOMPARE(r.closingMessage, QStringLiteral("3 Categorias Importadas!"));
    QCOMPARE(notifier.sent.size(), 1);
    QCOMPARE(r.report.count(RowOutcome::Failed), 1);
    QCOMPARE(r.report.rows().at(1).gridRow, 1);
    QVERIFY(r.report.rows().at(1).reason.contains(QStringLiteral("linha 2")));
    QCOMPARE(categories(sample.path()),
             (QMap<int, QString>{{1, QStringLiteral("Um|1")}, {3, QStringLiteral("Três|1")}}));

    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    r.report.writeCsv(csv);
    const QStringList lines = QString::fromUtf8(csv.data()).split(u'\n');
    QCOMPARE(lines.at(0), QStringLiteral("linha;resultado;chave;motivo;avisos"));
    QCOMPARE(lines.at(1), QStringLiteral("1;incluída;1;;"));
    QVERIFY2(lines.at(2).startsWith(QStringLiteral("2;falhou;;")), qPrintable(lines.at(2)));
}

void TestCategoryConverter::dryRunLeavesTheDatabaseUnchanged()
{
    SampleDatabase sample;
    seed(sample.path(), QStringLiteral("INSERT INTO CATEGORIA VALUES (5, 'CINCO', 1)"));
    RunOptions options;
    options.simular = true;
    options.limpar = true;
    RecordingNotifier notifier;
    RunObserver observer;
    CategoryConverter converter;
    Database db(sample.path());
    const RunResult r = runConversion(
        converter, gridOf({{QStringLiteral("1"), QStringLiteral("Um")}, {QStringLiteral("5"), QStringLiteral("Novo")}}),
        options, db, {&notifier}, observer);
    QVERIFY(r.simulated);
    QCOMPARE(r.report.count(RowOutcome::Inserted), 2); // the table was emptied first, in the dry run too
    QVERIFY(r.details().first().contains(QStringLiteral("Simulação")));
    QCOMPARE(categories(sample.path()), (QMap<int, QString>{{5, QStringLiteral("CINCO|1")}}));
    QVERIFY(notifier.sent.isEmpty());
}

void TestCategoryConverter::cancelStopsAfterTheCurrentRow()
{
    SampleDatabase sample;
    const Grid grid = gridOf({{QStringLiteral("1"), QStringLiteral("Um")},
                              {QStringLiteral("2"), QStringLiteral("Dois")},
                              {QStringLiteral("3"), QStringLiteral("Três")}});
    RunOptions options;
    RecordingNotifier notifier;
    CancelAfter observer(2);
    CategoryConverter converter;
    Database db(sample.path());
    const RunResult r = runConversion(converter, grid, options, db, {&notifier}, observer);
    QVERIFY(r.cancelled);
    QCOMPARE(r.stoppedAtRow, 2);
    QVERIFY(r.closingMessage.isEmpty());
    QVERIFY(notifier.sent.isEmpty());
    QCOMPARE(categories(sample.path()).keys(), (QList<int>{1, 2}));
}

void TestCategoryConverter::manyRowsCrossCommitBoundaries()
{
    SampleDatabase sample;
    Grid grid(2, 4500);
    for (int y = 0; y < grid.rowCount(); ++y) {
        grid.setCell(0, y, QString::number(y + 1));
        grid.setCell(1, y, QStringLiteral("Categoria %1").arg(y + 1));
    }
    RunOptions options;
    RunObserver observer;
    CategoryConverter converter;
    Database db(sample.path());
    const RunResult r = runConversion(converter, grid, options, db, {}, observer);
    QCOMPARE(r.report.count(RowOutcome::Inserted), 4500);
    const QMap<int, QString> stored = categories(sample.path());
    QCOMPARE(stored.size(), 4500);
    QCOMPARE(stored.value(4500), QStringLiteral("Categoria 4500|1"));
}

void TestCategoryConverter::foreignSchema()
{
    // Another ERP's CATEGORIA: wider name, extra NOT NULL columns with defaults, a trigger.
    SampleDatabase sample(false);
    {
        Database db(sample.path());
        db.execute(QStringLiteral("CREATE TABLE CATEGORIA (CODIGO_CATEGORIA INTEGER NOT NULL PRIMARY KEY, "
                                  "NOME_CATEGORIA VARCHAR(150), CODIGO_EMPRESA SMALLINT DEFAULT 0 NOT NULL, "
                                  "SITUACAO CHAR(1) DEFAULT 'A' NOT NULL, ALTERADO TIMESTAMP)"));
        db.execute(QStringLiteral("CREATE TRIGGER CATEGORIA_BIU FOR CATEGORIA BEFORE INSERT OR UPDATE AS BEGIN "
                                  "NEW.ALTERADO = CURRENT_TIMESTAMP; END"));
    }
    RunOptions options;
    RunObserver observer;
    CategoryConverter converter;
    Database db(sample.path());
    runConversion(converter, gridOf({{QStringLiteral("1"), QString(100, u'N')}}), options, db, {}, observer);
    Query q(db, QStringLiteral("q"));
    q.open(QStringLiteral("SELECT * FROM CATEGORIA"));
    QCOMPARE(q.asText(QStringLiteral("NOME_CATEGORIA")).size(), 100);
    QCOMPARE(q.asText(QStringLiteral("SITUACAO")), QStringLiteral("A"));
    QCOMPARE(q.asInteger(QStringLiteral("CODIGO_EMPRESA")), 1);
    QVERIFY(!q.value(QStringLiteral("ALTERADO")).isNull());
}

QTEST_GUILESS_MAIN(TestCategoryConverter)
#include "tst_category_converter.moc"
