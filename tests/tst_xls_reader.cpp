// Loading the first worksheet of legacy .xls workbooks, written by scripts/make_xls_fixtures.pl
// with Perl's Spreadsheet::WriteExcel.
#include "GridRows.h"
#include "TestSupport.h"
#include "WorkbookReader.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestXlsReader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void valuesFormulasAndFormattedBlanks();
    void emptyFirstSheetGivesOneCell();
    void chartSheetsAreNotWorksheets();

private:
    QTemporaryDir m_dir;
    const RegionalSettings m_brazil = RegionalSettings::forLocale("pt_BR.UTF-8");
};

void TestXlsReader::initTestCase()
{
    QProcess probe;
    probe.start(QStringLiteral("perl"), {QStringLiteral("-MSpreadsheet::WriteExcel"), QStringLiteral("-e1")});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        QSKIP("perl with Spreadsheet::WriteExcel (libspreadsheet-writeexcel-perl) is not installed");

    QProcess script;
    script.start(QStringLiteral("perl"),
                 {TestSupport::sourceDir() + QStringLiteral("/scripts/make_xls_fixtures.pl"), m_dir.path()});
    QVERIFY(script.waitForFinished(60000));
    QVERIFY2(script.exitCode() == 0, script.readAllStandardError().constData());
}

void TestXlsReader::valuesFormulasAndFormattedBlanks()
{
    // The second sheet is the active one; the first is read all the same.
    const Grid grid = readWorkbook(m_dir.filePath(QStringLiteral("dados.xls")), m_brazil);
    QCOMPARE(gridRows(grid),
             QStringList({
                 QStringLiteral("7|1234,5|Ação|0,3|007|"),
                 QStringLiteral("15/01/2024|15/01/2024 18:00:00|30/12/1899 12:00:00|12,3457|29/02/1900|15/01/2024 00:00:02"),
                 QStringLiteral("2|ab|VERDADEIRO|#DIV/0!|VERDADEIRO|#N/A"),
                 QStringLiteral("-0,5|1E20|123456789012345|15/01/2024||"),
                 QStringLiteral("5|1,25|0,5|||"),
                 QStringLiteral("|||||"),
                 QStringLiteral("|||||"),
                 QStringLiteral("|||||"),
             }));
}

void TestXlsReader::emptyFirstSheetGivesOneCell()
{
    const Grid grid = readWorkbook(m_dir.filePath(QStringLiteral("vazia.xls")), m_brazil);
    QCOMPARE(grid.columnCount(), 1);
    QCOMPARE(grid.rowCount(), 1);
    QCOMPARE(grid.cell(0, 0), QString());
}

void TestXlsReader::chartSheetsAreNotWorksheets()
{
    QCOMPARE(gridRows(readWorkbook(m_dir.filePath(QStringLiteral("grafico.xls")), m_brazil)),
             QStringList({QStringLiteral("valor"), QStringLiteral("5")}));
}

QTEST_GUILESS_MAIN(TestXlsReader)
#include "tst_xls_reader.moc"
