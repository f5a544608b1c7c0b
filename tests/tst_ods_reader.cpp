// Loading the first table of OpenDocument spreadsheets, written here the way LibreOffice writes
// them: typed office:value attributes, repeated rows and columns, fillers up to the sheet's edges.
#include "GridRows.h"
#include "TestZip.h"
#include "WorkbookReader.h"

#include <QTemporaryDir>
#include <QtTest>

class TestOdsReader : public QObject {
    Q_OBJECT

private slots:
    void valuesOfEveryType();
    void textParagraphsSpacesAndNotes();
    void repeatedRowsAndColumnsAreExpanded();
    void formattedBlanksCountButEdgeFillersDoNot();
    void onlyTheFirstTableCounts();
    void emptyTableGivesOneCell();

private:
    Grid readOds(const QByteArray& body, const QByteArray& styles = QByteArray())
    {
        const QString path = m_dir.filePath(QStringLiteral("t%1.ods").arg(++m_files));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(TestZip::ods(body, styles)) < 0)
            qFatal("could not write %s", qPrintable(path));
        file.close();
        return readWorkbook(path, m_brazil);
    }
    static QByteArray table(const QByteArray& rows, const QByteArray& name = QByteArrayLiteral("Plan1"))
    {
        return "<table:table table:name=\"" + name + "\"><table:table-column table:number-columns-repeated=\"4\"/>" + rows
            + "</table:table>";
    }

    QTemporaryDir m_dir;
    int m_files = 0;
    const RegionalSettings m_brazil = RegionalSettings::forLocale("pt_BR.UTF-8");
};

void TestOdsReader::valuesOfEveryType()
{
    const Grid grid = readOds(table(QByteArrayLiteral(
        "<table:table-row>"
        "<table:table-cell office:value-type=\"float\" office:value=\"1234.5\"><text:p>1.234,50</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"percentage\" office:value=\"0.25\"><text:p>25%</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"currency\" office:currency=\"BRL\" office:value=\"12.345678\">"
        "<text:p>R$ 12,35</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"float\" office:value=\"0.30000000000000004\"><text:p>0,3</text:p></table:table-cell>"
        "</table:table-row>"
        "<table:table-row>"
        "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-01-15\"><text:p>15/01/24</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-01-15T10:30:15.6\"><text:p>x</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"time\" office:time-value=\"PT10H30M00S\"><text:p>10:30</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"time\" office:time-value=\"PT36H00M00S\"><text:p>36:00</text:p></table:table-cell>"
        "</table:table-row>"
        "<table:table-row>"
        "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"><text:p>VERDADEIRO</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"false\"><text:p>FALSO</text:p></table:table-cell>"
        "<table:table-cell table:formula=\"of:=1/0\" office:value-type=\"float\" office:value=\"0\" calcext:value-type=\"error\">"
        "<text:p>#DIV/0!</text:p></table:table-cell>"
        "<table:table-cell table:formula=\"of:=&quot;a&quot;&amp;&quot;b&quot;\" office:value-type=\"string\" "
        "office:string-value=\"ab\"><text:p>ab</text:p></table:table-cell>"
        "</table:table-row>"
        "<table:table-row>"
        "<table:table-cell office:value-type=\"string\"><text:p>007</text:p></table:table-cell>"
        "<table:table-cell table:formula=\"of:=[.A1]*2\" office:value-type=\"float\" office:value=\"2469\"><text:p>2469</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"float\" office:value=\"-1E-7\"><text:p>0</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"date\" office:date-value=\"1899-12-30T06:00:00\"><text:p>06:00</text:p></table:table-cell>"
        "</table:table-row>")));
    QCOMPARE(gridRows(grid), QStringList({
                                 QStringLiteral("1234,5|0,25|12,3457|0,3"),
                                 QStringLiteral("15/01/2024|15/01/2024 10:30:16|30/12/1899 10:30:00|31/12/1899 12:00:00"),
                                 QStringLiteral("VERDADEIRO|FALSO|#DIV/0!|ab"),
                                 QStringLiteral("007|2469|-1E-7|30/12/1899 06:00:00"),
                             }));
}

void TestOdsReader::textParagraphsSpacesAndNotes()
{
    const Grid grid = readOds(table(QByteArrayLiteral(
        "<table:table-row>"
        "<table:table-cell office:value-type=\"string\"><text:p>primeira</text:p><text:p>segunda</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"string\"><text:p>a<text:s text:c=\"3\"/>b<text:tab/>c<text:line-break/>d</text:p>"
        "</table:table-cell>"
        "<table:table-cell office:value-type=\"string\"><office:annotation><dc:creator>Ana</dc:creator><text:p>nota</text:p>"
        "</office:annotation><text:p>com <text:span text:style-name=\"T1\">estilo</text:span></text:p></table:table-cell>"
        "<table:table-cell><text:p>sem tipo</text:p></table:table-cell>"
        "</table:table-row>")));
    QCOMPARE(grid.cell(0, 0), QStringLiteral("primeira\nsegunda"));
    QCOMPARE(grid.cell(1, 0), QStringLiteral("a   b\tc\nd"));
    QCOMPARE(grid.cell(2, 0), QStringLiteral("com estilo"));
    QCOMPARE(grid.cell(3, 0), QStringLiteral("sem tipo"));
}

void TestOdsReader::repeatedRowsAndColumnsAreExpanded()
{
    // orcus_ods 0.17 keeps only the first of repeated rows; these must all be there.
    const Grid grid = readOds(table(QByteArrayLiteral(
        "<table:table-row><table:table-cell/><table:table-cell office:value-type=\"string\"><text:p>B1</text:p>"
        "</table:table-cell><table:table-cell table:number-columns-repeated=\"1022\"/></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"3\">"
        "<table:table-cell table:number-columns-repeated=\"2\" office:value-type=\"float\" office:value=\"7\"><text:p>7</text:p>"
        "</table:table-cell><table:table-cell table:number-columns-spanned=\"2\" office:value-type=\"string\"><text:p>m</text:p>"
        "</table:table-cell><table:covered-table-cell/><table:table-cell office:value-type=\"float\" office:value=\"5\">"
        "<text:p>5</text:p></table:table-cell></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"1048572\"><table:table-cell table:number-columns-repeated=\"1024\"/>"
        "</table:table-row>")));
    QCOMPARE(gridRows(grid), QStringList({
                                 QStringLiteral("|B1|||"),
                                 QStringLiteral("7|7|m||5"),
                                 QStringLiteral("7|7|m||5"),
                                 QStringLiteral("7|7|m||5"),
                             }));
}

void TestOdsReader::formattedBlanksCountButEdgeFillersDoNot()
{
    const Grid grid = readOds(table(QByteArrayLiteral(
        "<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"1\"><text:p>1</text:p></table:table-cell>"
        "<table:table-cell table:style-name=\"ce1\" table:number-columns-repeated=\"1023\"/></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"4\"><table:table-cell table:number-columns-repeated=\"1024\"/>"
        "</table:table-row>"
        "<table:table-row><table:table-cell table:number-columns-repeated=\"3\"/><table:table-cell table:style-name=\"ce1\"/>"
        "<table:table-cell table:number-columns-repeated=\"1020\"/></table:table-row>"
        "<table:table-row table:style-name=\"ro1\" table:number-rows-repeated=\"1048570\">"
        "<table:table-cell table:style-name=\"ce1\" table:number-columns-repeated=\"2\"/>"
        "<table:table-cell table:number-columns-repeated=\"1022\"/></table:table-row>")));
    QCOMPARE(grid.columnCount(), 4); // D6 is formatted
    QCOMPARE(grid.rowCount(), 6);
    QCOMPARE(grid.cell(0, 0), QStringLiteral("1"));
    QCOMPARE(grid.cell(3, 5), QString());
}

void TestOdsReader::onlyTheFirstTableCounts()
{
    const Grid grid = readOds(
        table(QByteArrayLiteral("<table:table-row><table:table-cell office:value-type=\"string\"><text:p>primeira</text:p>"
                                "</table:table-cell></table:table-row>"))
        + table(QByteArrayLiteral("<table:table-row table:number-rows-repeated=\"5\"><table:table-cell "
                                  "table:number-columns-repeated=\"3\" office:value-type=\"float\" office:value=\"9\"/>"
                                  "</table:table-row>"),
                QByteArrayLiteral("Plan2")));
    QCOMPARE(gridRows(grid), QStringList({QStringLiteral("primeira")}));
}

void TestOdsReader::emptyTableGivesOneCell()
{
    const Grid grid = readOds(table(QByteArrayLiteral(
        "<table:table-row table:number-rows-repeated=\"1048576\"><table:table-cell table:number-columns-repeated=\"1024\"/>"
        "</table:table-row>")));
    QCOMPARE(grid.columnCount(), 1);
    QCOMPARE(grid.rowCount(), 1);
}

QTEST_GUILESS_MAIN(TestOdsReader)
#include "tst_ods_reader.moc"
