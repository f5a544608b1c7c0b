// The run's report as the user gets it: the CSV's columns and the summary's lines, warnings and the
// categories and units a run creates included.
#include "RunReport.h"

#include <QBuffer>
#include <QtTest>

namespace {

RowReport row(int gridRow, RowOutcome outcome, const QString& key = {}, const QString& reason = {})
{
    RowReport r;
    r.gridRow = gridRow;
    r.outcome = outcome;
    r.key = key;
    r.reason = reason;
    return r;
}

QStringList csvLines(const RunReport& report)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    report.writeCsv(buffer);
    return QString::fromUtf8(buffer.data()).split(u'\n');
}

} // namespace

class TestRunReport : public QObject {
    Q_OBJECT
private slots:
    void columnLetters_data();
    void columnLetters();
    void warningTexts();
    void csvHasTheWarningsInAFifthColumn();
    void summaryWithoutWarningsIsAsBefore();
    void summaryGroupsWarningsAndListsWhatWasCreated();
};

void TestRunReport::columnLetters_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("letters");
    QTest::newRow("A") << 0 << QStringLiteral("A");
    QTest::newRow("Z") << 25 << QStringLiteral("Z");
    QTest::newRow("AA") << 26 << QStringLiteral("AA");
    QTest::newRow("AZ") << 51 << QStringLiteral("AZ");
    QTest::newRow("BA") << 52 << QStringLiteral("BA");
    QTest::newRow("ZZ") << 701 << QStringLiteral("ZZ");
    QTest::newRow("AAA") << 702 << QStringLiteral("AAA");
}

void TestRunReport::columnLetters()
{
    QFETCH(int, column);
    QFETCH(QString, letters);
    QCOMPARE(RunReport::columnLetters(column), letters);
}

void TestRunReport::warningTexts()
{
    RowReport r = row(3, RowOutcome::Inserted, QStringLiteral("4"));
    r.warnings.append({2, QStringLiteral(" 123.456.789-01 "), QStringLiteral("CPF com dígito verificador inválido")});
    r.warnings.append({27, QStringLiteral("x"), QStringLiteral("outro aviso")});
    r.warnings.append({-1, QString(), QStringLiteral("sem célula")});
    r.categoriesCreated << QStringLiteral("BEBIDAS");
    r.unitsCreated << QStringLiteral("CX") << QStringLiteral("KG");
    QCOMPARE(r.warningTexts(),
             (QStringList{QStringLiteral("coluna C (valor \" 123.456.789-01 \"): CPF com dígito verificador inválido"),
                          QStringLiteral("coluna AB (valor \"x\"): outro aviso"), QStringLiteral("sem célula"),
                          QStringLiteral("categoria \"BEBIDAS\" criada pela conversão"),
                          QStringLiteral("unidade \"CX\" criada pela conversão"),
                          QStringLiteral("unidade \"KG\" criada pela conversão")}));
    QVERIFY(RowReport().warningTexts().isEmpty());
}

void TestRunReport::csvHasTheWarningsInAFifthColumn()
{
    RunReport report;
    report.add(row(0, RowOutcome::Inserted, QStringLiteral("1")));
    RowReport flagged = row(1, RowOutcome::Updated, QStringLiteral("2"), QStringLiteral("nota"));
    flagged.warnings.append({4, QStringLiteral("2202.10"), QStringLiteral("NCM não tem 8 dígitos")});
    flagged.categoriesCreated << QStringLiteral("BEBIDAS");
    report.add(flagged);
    RowReport failed = row(2, RowOutcome::Failed, QString(), QStringLiteral("Erro na linha 3; coluna D"));
    failed.unitsCreated << QStringLiteral("KG");
    report.add(failed);
    report.add(row(3, RowOutcome::Skipped, QString(), QStringLiteral("coluna A vazia")));

    const QStringList lines = csvLines(report);
    QCOMPARE(lines, (QStringList{
                        QStringLiteral("linha;resultado;chave;motivo;avisos"),
                        QStringLiteral("1;incluída;1;;"),
                        QStringLiteral("2;alterada;2;nota;\"coluna E (valor \"\"2202.10\"\"): NCM não tem 8 dígitos | "
                                       "categoria \"\"BEBIDAS\"\" criada pela conversão\""),
                        QStringLiteral("3;falhou;;\"Erro na linha 3; coluna D\";"
                                       "\"unidade \"\"KG\"\" criada pela conversão\""),
                        QStringLiteral("4;ignorada;;coluna A vazia;"),
                        QString(),
                    }));
}

void TestRunReport::summaryWithoutWarningsIsAsBefore()
{
    RunReport report;
    report.add(row(0, RowOutcome::Inserted, QStringLiteral("1")));
    report.add(row(1, RowOutcome::Skipped, QString(), QStringLiteral("coluna A vazia")));
    report.add(row(2, RowOutcome::Failed, QString(), QStringLiteral("Erro na linha 3")));
    QCOMPARE(report.summaryLines(),
             (QStringList{QStringLiteral("Incluídas: 1, alteradas: 0, ignoradas: 1, com erro: 1"),
                          QStringLiteral("Ignorada (coluna A vazia): linha 2"),
                          QStringLiteral("Erro (Erro na linha 3): linha 3")}));
}

void TestRunReport::summaryGroupsWarningsAndListsWhatWasCreated()
{
    RunReport report;
    const QString shortNcm = QStringLiteral("NCM não tem 8 dígitos");
    // Twelve rows with a short NCM, the first of them with a bad CPF too.
    for (int i = 0; i < 12; ++i) {
        RowReport r = row(i + 1, RowOutcome::Inserted, QString::number(i + 1));
        if (i == 0)
            r.warnings.append({2, QStringLiteral("1"), QStringLiteral("CPF com dígito verificador inválido")});
        r.warnings.append({4, QString::number(i), shortNcm});
        report.add(r);
    }
    RowReport creates = row(20, RowOutcome::Inserted, QStringLiteral("21"));
    creates.categoriesCreated << QStringLiteral("PADARIA") << QStringLiteral("BEBIDAS");
    creates.unitsCreated << QStringLiteral("KG");
    report.add(creates);
    // A failed row's creations were undone with it; a later row that creates the same name again
    // is what the summary counts.
    RowReport failed = row(21, RowOutcome::Failed, QString(), QStringLiteral("Erro na linha 22"));
    failed.categoriesCreated << QStringLiteral("FRIOS") << QStringLiteral("LIMPEZA");
    failed.unitsCreated << QStringLiteral("PC");
    report.add(failed);
    RowReport again = row(22, RowOutcome::Inserted, QStringLiteral("23"));
    again.categoriesCreated << QStringLiteral("FRIOS");
    report.add(again);
    report.add(row(23, RowOutcome::Inserted, QStringLiteral("24")));

    QCOMPARE(report.summaryLines(),
             (QStringList{
                 QStringLiteral("Incluídas: 15, alteradas: 0, ignoradas: 0, com erro: 1"),
                 QStringLiteral("Erro (Erro na linha 22): linha 22"),
                 QStringLiteral("Linhas com avisos: 15"),
                 QStringLiteral("Aviso (CPF com dígito verificador inválido): linha 2"),
                 QStringLiteral("Aviso (NCM não tem 8 dígitos): "
                                "linha 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, ... (12 no total)"),
                 QStringLiteral("Categorias criadas pela conversão (3): BEBIDAS, FRIOS, PADARIA"),
                 QStringLiteral("Unidades criadas pela conversão (1): KG"),
             }));
}

QTEST_GUILESS_MAIN(TestRunReport)
#include "tst_run_report.moc"
