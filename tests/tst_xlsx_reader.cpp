// Loading the first worksheet of xlsx workbooks: files written by libxlsxwriter (as Excel writes
// them: shared strings, styles, cached formula results) and hand-written packages in the shapes
// other writers produce (inline strings, no dimension, cells without references...).
#include "ClassicNumericLocale.h"
#include "GridRows.h"
#include "TestZip.h"
#include "WorkbookReader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <xlsxwriter.h>

#include <functional>

class TestXlsxReader : public QObject {
    Q_OBJECT

private slots:
    void valuesOfEveryKind();
    void gridReachesFormattedBlanksBeyondTheData();
    void dataStartingAtB2StillStartsAtA1();
    void onlyTheFirstSheetCountsWhateverIsActive();
    void chartSheetsAreNotWorksheets_data() { routes(); }
    void chartSheetsAreNotWorksheets();
    void singleCellAndEmptySheets();
    void absolutePartNames();
    void inlineStringsCellsWithoutReferencesAndNoDimension();
    void sharedStringsAsOtherWritersStoreThem_data() { routes(); }
    void sharedStringsAsOtherWritersStoreThem();
    void errorsAndLogicalResultsOfFormulas_data() { routes(); }
    void errorsAndLogicalResultsOfFormulas();
    void formulaResultsTakeTheFormatOfTheirCell_data() { routes(); }
    void formulaResultsTakeTheFormatOfTheirCell();
    void date1904SystemIsHonoured_data() { routes(); }
    void date1904SystemIsHonoured();
    void detectedByContentNotByName();
    void streamingWriterFile();
    void dimensionThatMisleads_data() { routes(); }
    void dimensionThatMisleads();
    void largeSheetsMatchCellByCell_data();
    void largeSheetsMatchCellByCell();

private:
    // Hand-written sheets go both ways through the loader: cells read by orcus (with what orcus
    // drops collected beside it), or the whole sheet read by the loader's own walker, which it
    // does when the sheet's first bytes show inline strings. A comment carrying that marker sends
    // the very same sheet down the second way, so both must give the same grid.
    static void routes()
    {
        QTest::addColumn<bool>("whole");
        QTest::newRow("orcus reads the cells") << false;
        QTest::newRow("sheet read whole") << true;
    }
    static QByteArray routed(const QByteArray& sheet)
    {
        QFETCH(bool, whole);
        return whole ? QByteArrayLiteral("<!-- t=\"inlineStr\" -->") + sheet : sheet;
    }
    QString writeXlsx(const QString& name, const std::function<void(lxw_workbook*)>& fill, bool constantMemory = false);
    QString writePackage(const QString& name, const TestZip::XlsxParts& parts);
    Grid read(const QString& path) { return readWorkbook(path, m_brazil); }

    QTemporaryDir m_dir;
    const RegionalSettings m_brazil = RegionalSettings::forLocale("pt_BR.UTF-8");
};

QString TestXlsxReader::writeXlsx(const QString& name, const std::function<void(lxw_workbook*)>& fill,
                                  bool constantMemory)
{
    const QString path = m_dir.filePath(name);
    const ClassicNumericLocale classic;
    lxw_workbook_options options = {};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* workbook = workbook_new_opt(path.toLocal8Bit().constData(), &options);
    fill(workbook);
    const lxw_error closed = workbook_close(workbook);
    if (closed != LXW_NO_ERROR)
        qFatal("libxlsxwriter could not write %s: %s", qPrintable(path), lxw_strerror(closed));
    return path;
}

QString TestXlsxReader::writePackage(const QString& name, const TestZip::XlsxParts& parts)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(TestZip::xlsx(parts)) < 0)
        qFatal("could not write %s", qPrintable(path));
    return path;
}

void TestXlsxReader::valuesOfEveryKind()
{
    const QString path = writeXlsx(QStringLiteral("kinds.xlsx"), [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
        lxw_format* date = workbook_add_format(wb);
        format_set_num_format(date, "dd/mm/yyyy");
        lxw_format* dateTime = workbook_add_format(wb);
        format_set_num_format(dateTime, "dd/mm/yyyy hh:mm");
        lxw_format* time = workbook_add_format(wb);
        format_set_num_format(time, "hh:mm:ss");
        lxw_format* real = workbook_add_format(wb);
        format_set_num_format(real, "\"R$\" #,##0.00");
        lxw_format* builtinMoney = workbook_add_format(wb);
        format_set_num_format_index(builtinMoney, 7);
        lxw_format* builtinDate = workbook_add_format(wb);
        format_set_num_format_index(builtinDate, 14);
        lxw_format* percent = workbook_add_format(wb);
        format_set_num_format(percent, "0.00%");
        lxw_format* bold = workbook_add_format(wb);
        format_set_bold(bold);

        worksheet_write_string(ws, 0, 0, "Código", nullptr);
        worksheet_write_number(ws, 0, 1, 7, nullptr);
        worksheet_write_number(ws, 0, 2, 1234.5, nullptr);
        worksheet_write_number(ws, 0, 3, 0.30000000000000004, nullptr);
        worksheet_write_string(ws, 0, 4, "007", nullptr);
        worksheet_write_number(ws, 0, 5, -1e-7, nullptr);

        worksheet_write_number(ws, 1, 0, 45306, date);
        worksheet_write_number(ws, 1, 1, 45306.75, dateTime);
        worksheet_write_number(ws, 1, 2, 0.5, time);
        worksheet_write_number(ws, 1, 3, 12.345678, real);
        worksheet_write_number(ws, 1, 4, 9.87654, builtinMoney);
        worksheet_write_number(ws, 1, 5, 61, builtinDate);

        worksheet_write_boolean(ws, 2, 0, 1, nullptr);
        worksheet_write_boolean(ws, 2, 1, 0, nullptr);
        worksheet_write_formula_num(ws, 2, 2, "=B1*2", nullptr, 14);
        worksheet_write_formula_str(ws, 2, 3, "=\"a\"&\"b\"", nullptr, "ab");
        worksheet_write_formula_str(ws, 2, 4, "=NA()", nullptr, "#N/A");
        worksheet_write_number(ws, 2, 5, 0.25, percent);

        lxw_rich_string_tuple first = {bold, const_cast<char*>("negrito")};
        lxw_rich_string_tuple second = {nullptr, const_cast<char*>(" e normal")};
        lxw_rich_string_tuple* runs[] = {&first, &second, nullptr};
        worksheet_write_rich_string(ws, 3, 0, runs, nullptr);
        worksheet_write_string(ws, 3, 1, "  espaços  ", nullptr);
        worksheet_write_number(ws, 3, 2, 1e20, nullptr);
        worksheet_write_number(ws, 3, 3, 123456789012345, nullptr);
    });

    const Grid grid = read(path);
    QCOMPARE(gridRows(grid),
             QStringList({
                 QStringLiteral("Código|7|1234,5|0,3|007|-1E-7"),
                 QStringLiteral("15/01/2024|15/01/2024 18:00:00|30/12/1899 12:00:00|12,3457|9,8765|01/03/1900"),
                 QStringLiteral("VERDADEIRO|FALSO|14|ab|#N/A|0,25"),
                 QStringLiteral("negrito e normal|  espaços  |1E20|123456789012345||"),
             }));

    // The decimal separator is the regional one, not the file's.
    const Grid us = readWorkbook(path, RegionalSettings::forLocale("en_US.UTF-8"));
    QCOMPARE(us.cell(2, 0), QStringLiteral("1234.5"));
    QCOMPARE(us.cell(3, 1), QStringLiteral("12.3457"));
}

void TestXlsxReader::gridReachesFormattedBlanksBeyondTheData()
{
    const QString path = writeXlsx(QStringLiteral("blanks.xlsx"), [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
        lxw_format* border = workbook_add_format(wb);
        format_set_border(border, LXW_BORDER_THIN);
        worksheet_write_string(ws, 0, 0, "a", nullptr);
        worksheet_write_number(ws, 1, 1, 2, nullptr);
        worksheet_write_blank(ws, 19, 3, border); // D20, formatted and empty
    });
    const Grid grid = read(path);
    QCOMPARE(grid.columnCount(), 4);
    QCOMPARE(grid.rowCount(), 20);
    QCOMPARE(grid.cell(0, 0), QStringLiteral("a"));
    QCOMPARE(grid.cell(1, 1), QStringLiteral("2"));
    QCOMPARE(grid.cell(3, 19), QString());
    QCOMPARE(grid.cell(2, 10), QString());
}

void TestXlsxReader::dataStartingAtB2StillStartsAtA1()
{
    const QString path = writeXlsx(QStringLiteral("b2.xlsx"), [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
        worksheet_write_string(ws, 1, 1, "b2", nullptr);
        worksheet_write_number(ws, 2, 2, 3.5, nullptr);
    });
    QCOMPARE(gridRows(read(path)), QStringList({QStringLiteral("||"), QStringLiteral("|b2|"), QStringLiteral("||3,5")}));
}

void TestXlsxReader::onlyTheFirstSheetCountsWhateverIsActive()
{
    const QString path = writeXlsx(QStringLiteral("sheets.xlsx"), [](lxw_workbook* wb) {
        lxw_worksheet* first = workbook_add_worksheet(wb, "Primeira");
        lxw_worksheet* second = workbook_add_worksheet(wb, "Segunda");
        worksheet_write_string(first, 0, 0, "primeira", nullptr);
        for (int r = 0; r < 5; ++r)
            worksheet_write_string(second, r, 3, "segunda", nullptr);
        worksheet_activate(second);
        worksheet_hide(first);
    });
    QCOMPARE(gridRows(read(path)), QStringList({QStringLiteral("primeira")}));
}

void TestXlsxReader::chartSheetsAreNotWorksheets()
{
    TestZip::XlsxParts parts;
    parts.chartSheetFirst = true;
    parts.firstSheetName = QByteArrayLiteral("Vendas &amp; Compras");
    parts.sheets.push_back(routed(QByteArrayLiteral(
        "<sheetData><row r=\"1\"><c r=\"A1\" t=\"str\"><v>dados</v></c><c r=\"B1\"><v>3</v></c></row></sheetData>")));
    parts.sheets.push_back(QByteArrayLiteral("<sheetData><row r=\"1\"><c r=\"A1\"><v>9</v></c></row></sheetData>"));
    QCOMPARE(gridRows(read(writePackage(QStringLiteral("chart-first.xlsx"), parts))),
             QStringList({QStringLiteral("dados|3")}));
}

void TestXlsxReader::absolutePartNames()
{
    // openpyxl names the worksheets and the shared strings with absolute targets, which orcus 0.17
    // does not follow: the loader must still find every cell.
    TestZip::XlsxParts parts;
    parts.absoluteTargets = true;
    parts.sharedStrings = QByteArrayLiteral("<si><t>Preço</t></si>");
    parts.sheets.push_back(QByteArrayLiteral("<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c>"
                                             "<c r=\"B1\" t=\"n\"><v>1234.5</v></c><c r=\"C1\"><v>7</v></c></row></sheetData>"));
    parts.sheets.push_back(QByteArrayLiteral("<sheetData><row r=\"1\"><c r=\"A1\"><v>9</v></c></row></sheetData>"));
    QCOMPARE(gridRows(read(writePackage(QStringLiteral("absolute.xlsx"), parts))),
             QStringList({QStringLiteral("Preço|1234,5|7")}));
}

void TestXlsxReader::singleCellAndEmptySheets()
{
    const QString single = writeXlsx(QStringLiteral("single.xlsx"), [](lxw_workbook* wb) {
        worksheet_write_string(workbook_add_worksheet(wb, nullptr), 0, 0, "só", nullptr);
    });
    QCOMPARE(gridRows(read(single)), QStringList({QStringLiteral("só")}));

    // The empty first sheet wins over a second one with data.
    const QString empty = writeXlsx(QStringLiteral("empty.xlsx"), [](lxw_workbook* wb) {
        workbook_add_worksheet(wb, nullptr);
        worksheet_write_number(workbook_add_worksheet(wb, nullptr), 4, 4, 1, nullptr);
    });
    const Grid grid = read(empty);
    QCOMPARE(grid.columnCount(), 1);
    QCOMPARE(grid.rowCount(), 1);
    QCOMPARE(grid.cell(0, 0), QString());
}

void TestXlsxReader::inlineStringsCellsWithoutReferencesAndNoDimension()
{
    // As streaming writers (POI's SXSSF, libxlsxwriter's constant memory) and hand-made
    // exporters write them; orcus 0.17 drops inline strings on its own.
    TestZip::XlsxParts parts;
    parts.sheets.push_back(QByteArrayLiteral(
        "<sheetData>"
        "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Descrição</t></is></c>"
        "<c r=\"B1\" t=\"inlineStr\"><is><r><t>ri</t></r><r><rPr><b/></rPr><t>co</t></r></is></c>"
        "<c r=\"C1\"><v>1.5</v></c></row>"
        "<row><c t=\"inlineStr\"><is><t xml:space=\"preserve\"> sem r </t></is></c><c><v>2</v></c>"
        "<c t=\"inlineStr\"><is><t>&lt;&amp;&gt;</t></is></c></row>"
        "<row r=\"4\"><c r=\"B4\" t=\"inlineStr\"><is><t></t></is></c><c t=\"inlineStr\"><is><t>x</t></is></c></row>"
        "</sheetData>"));
    parts.sheets.push_back(QByteArrayLiteral(
        "<sheetData><row r=\"9\"><c r=\"Z9\" t=\"inlineStr\"><is><t>outra</t></is></c></row></sheetData>"));
    const QString path = writePackage(QStringLiteral("inline.xlsx"), parts);
    QCOMPARE(gridRows(read(path)), QStringList({
                                       QStringLiteral("Descrição|rico|1,5"),
                                       QStringLiteral(" sem r |2|<&>"),
                                       QStringLiteral("||"),
                                       QStringLiteral("||x"),
                                   }));
}

void TestXlsxReader::sharedStringsAsOtherWritersStoreThem()
{
    TestZip::XlsxParts parts;
    parts.sharedStrings = QByteArrayLiteral(
        "<si><t>simples</t></si>"
        "<si><r><t>vá</t></r><r><rPr><i/></rPr><t xml:space=\"preserve\">rios </t></r><r><t>trechos</t></r></si>"
        "<si><t>linha1_x000D_\nlinha2</t></si>"
        "<si><t>sublinhado_x005F_x</t></si>"
        "<si><t>漢字</t><rPh sb=\"0\" eb=\"2\"><t>かんじ</t></rPh><phoneticPr fontId=\"1\"/></si>");
    parts.sheets.push_back(routed(QByteArrayLiteral(
        "<dimension ref=\"A1:E1\"/><sheetData><row r=\"1\">"
        "<c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c>"
        "<c r=\"D1\" t=\"s\"><v>3</v></c><c r=\"E1\" t=\"s\"><v>4</v></c></row></sheetData>")));
    const Grid grid = read(writePackage(QStringLiteral("shared.xlsx"), parts));
    QCOMPARE(grid.cell(0, 0), QStringLiteral("simples"));
    QCOMPARE(grid.cell(1, 0), QStringLiteral("vários trechos"));
    QCOMPARE(grid.cell(2, 0), QStringLiteral("linha1\r\nlinha2"));
    QCOMPARE(grid.cell(3, 0), QStringLiteral("sublinhado_x"));
    QCOMPARE(grid.cell(4, 0), QStringLiteral("漢字"));
}

void TestXlsxReader::errorsAndLogicalResultsOfFormulas()
{
    TestZip::XlsxParts parts;
    parts.sheets.push_back(routed(QByteArrayLiteral(
        "<sheetData>"
        "<row r=\"1\"><c r=\"A1\" t=\"e\"><v>#N/A</v></c><c r=\"B1\" t=\"e\"><v>#DIV/0!</v></c>"
        "<c r=\"C1\" t=\"e\"><v>#VALUE!</v></c><c r=\"D1\" t=\"e\"><v>#REF!</v></c>"
        "<c r=\"E1\" t=\"e\"><v>#NAME?</v></c><c r=\"F1\" t=\"e\"><v>#NUM!</v></c>"
        "<c r=\"G1\" t=\"e\"><v>#NULL!</v></c><c r=\"H1\" t=\"e\"><v>#GETTING_DATA</v></c></row>"
        "<row r=\"2\"><c r=\"A2\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c><c r=\"B2\" t=\"b\"><f>1=1</f><v>1</v></c>"
        "<c r=\"C2\" t=\"b\"><f>1=2</f><v>0</v></c><c r=\"D2\"><f>1+1</f><v>2</v></c>"
        "<c r=\"E2\" t=\"str\"><f>\"x\"&amp;\"y\"</f><v>xy</v></c><c r=\"F2\"><f>NOW()</f></c>"
        "<c r=\"G2\" t=\"str\"><v>sem fórmula</v></c><c r=\"H2\" t=\"d\"><v>2024-01-15T10:30:00</v></c></row>"
        "<row r=\"3\"><c r=\"A3\"><f t=\"shared\" ref=\"A3:A5\" si=\"0\">D2*2</f><v>4</v></c>"
        "<c r=\"C3\"><f t=\"array\" ref=\"C3:D4\">{1,2;3,4}</f><v>1</v></c><c r=\"D3\"><v>2</v></c>"
        "<c r=\"E3\" t=\"str\"><f t=\"array\" ref=\"E3:E4\">{\"p\";\"q\"}</f><v>p</v></c></row>"
        "<row r=\"4\"><c r=\"A4\"><f t=\"shared\" si=\"0\"/><v>6</v></c><c r=\"C4\"><v>3</v></c><c r=\"D4\"><v>4</v></c>"
        "<c r=\"E4\" t=\"str\"><v>q</v></c></row>"
        "<row r=\"5\"><c r=\"A5\"><f t=\"shared\" si=\"0\"/><v>8</v></c></row>"
        "</sheetData>")));
    QCOMPARE(gridRows(read(writePackage(QStringLiteral("errors.xlsx"), parts))),
             QStringList({
                 QStringLiteral("#N/A|#DIV/0!|#VALUE!|#REF!|#NAME?|#NUM!|#NULL!|#GETTING_DATA"),
                 QStringLiteral("#DIV/0!|VERDADEIRO|FALSO|2|xy||sem fórmula|15/01/2024 10:30:00"),
                 QStringLiteral("4||1|2|p|||"),
                 QStringLiteral("6||3|4|q|||"),
                 QStringLiteral("8|||||||"),
             }));
}

void TestXlsxReader::formulaResultsTakeTheFormatOfTheirCell()
{
    // Styles listed after the sheet, number formats by custom code and by built-in id alone.
    TestZip::XlsxParts parts;
    parts.sheets.push_back(routed(QByteArrayLiteral(
        "<sheetData><row r=\"1\">"
        "<c r=\"A1\" s=\"1\"><f>TODAY()</f><v>45306</v></c>"
        "<c r=\"B1\" s=\"2\"><f>A2/3</f><v>3.333333333</v></c>"
        "<c r=\"C1\" s=\"3\"><v>45306.5</v></c>"
        "<c r=\"D1\" s=\"4\"><v>1.23456789</v></c>"
        "<c r=\"E1\" s=\"5\"><v>2.5</v></c>"
        "<c r=\"F1\" s=\"6\"><v>45306</v></c>"
        "</row></sheetData>")));
    parts.styles = QByteArrayLiteral(
        "<numFmts count=\"3\"><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\"/>"
        "<numFmt numFmtId=\"165\" formatCode=\"[$R$-416] #,##0.00\"/>"
        "<numFmt numFmtId=\"14\" formatCode=\"0.00\"/></numFmts>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\"/></cellStyleXfs>"
        "<cellXfs count=\"7\"><xf numFmtId=\"0\" xfId=\"0\"/><xf numFmtId=\"164\" xfId=\"0\" applyNumberFormat=\"1\"/>"
        "<xf numFmtId=\"165\" xfId=\"0\"/><xf numFmtId=\"22\" xfId=\"0\"/><xf numFmtId=\"44\" xfId=\"0\"/>"
        "<xf numFmtId=\"10\" xfId=\"0\"/><xf numFmtId=\"14\" xfId=\"0\"/></cellXfs>");
    QCOMPARE(gridRows(read(writePackage(QStringLiteral("formats.xlsx"), parts))),
             QStringList({QStringLiteral("15/01/2024|3,3333|15/01/2024 12:00:00|1,2346|2,5|45306")}));
}

void TestXlsxReader::date1904SystemIsHonoured()
{
    TestZip::XlsxParts parts;
    parts.workbookProperties = QByteArrayLiteral("<workbookPr date1904=\"1\"/>");
    parts.styles = QByteArrayLiteral("<cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs>");
    parts.sheets.push_back(routed(QByteArrayLiteral(
        "<sheetData><row r=\"1\"><c r=\"A1\" s=\"1\"><v>43844</v></c><c r=\"B1\"><v>43844</v></c></row></sheetData>")));
    QCOMPARE(gridRows(read(writePackage(QStringLiteral("mac.xlsx"), parts))),
             QStringList({QStringLiteral("15/01/2024|43844")}));
}

void TestXlsxReader::detectedByContentNotByName()
{
    const QString path = writeXlsx(QStringLiteral("exportado.csv"), [](lxw_workbook* wb) {
        worksheet_write_number(workbook_add_worksheet(wb, nullptr), 0, 0, 42, nullptr);
    });
    QCOMPARE(gridRows(read(path)), QStringList({QStringLiteral("42")}));
    const QString macro = m_dir.filePath(QStringLiteral("macros.xlsm"));
    QVERIFY(QFile::copy(path, macro));
    QCOMPARE(gridRows(read(macro)), QStringList({QStringLiteral("42")}));
}

void TestXlsxReader::streamingWriterFile()
{
    // Constant-memory mode writes every text as an inline string, row by row.
    const QString path = writeXlsx(
        QStringLiteral("streamed.xlsx"),
        [](lxw_workbook* wb) {
            lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
            lxw_format* date = workbook_add_format(wb);
            format_set_num_format(date, "dd/mm/yyyy");
            lxw_format* real = workbook_add_format(wb);
            format_set_num_format(real, "[$R$-416] #,##0.00");
            worksheet_write_string(ws, 0, 0, "Nome", nullptr);
            worksheet_write_string(ws, 0, 1, "Preço", nullptr);
            worksheet_write_string(ws, 0, 2, "Data", nullptr);
            worksheet_write_string(ws, 1, 0, "Ana", nullptr);
            worksheet_write_number(ws, 1, 1, 10.12345, real);
            worksheet_write_number(ws, 1, 2, 45306, date);
            worksheet_write_string(ws, 2, 0, "Bia", nullptr);
            worksheet_write_number(ws, 2, 1, 0.5, nullptr);
            worksheet_write_boolean(ws, 2, 2, 0, nullptr);
        },
        true);
    QCOMPARE(gridRows(read(path)), QStringList({QStringLiteral("Nome|Preço|Data"), QStringLiteral("Ana|10,1235|15/01/2024"),
                                                QStringLiteral("Bia|0,5|FALSO")}));
}

void TestXlsxReader::dimensionThatMisleads()
{
    // The grid follows the cells, whatever <dimension> announced.
    TestZip::XlsxParts small;
    small.sheets.push_back(routed(QByteArrayLiteral(
        "<dimension ref=\"A1:B2\"/><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
        "<row r=\"3\"><c r=\"C3\" t=\"str\"><v>fora</v></c></row></sheetData>")));
    QCOMPARE(gridRows(read(writePackage(QStringLiteral("small-dimension.xlsx"), small))),
             QStringList({QStringLiteral("1||"), QStringLiteral("||"), QStringLiteral("||fora")}));

    TestZip::XlsxParts large;
    large.sheets.push_back(routed(QByteArrayLiteral(
        "<dimension ref=\"A1:Z99\"/><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c>"
        "<c r=\"B1\" t=\"str\"><v>b</v></c></row></sheetData>")));
    QCOMPARE(gridRows(read(writePackage(QStringLiteral("large-dimension.xlsx"), large))),
             QStringList({QStringLiteral("1|b")}));
}

void TestXlsxReader::largeSheetsMatchCellByCell_data()
{
    QTest::addColumn<bool>("constantMemory");
    QTest::newRow("shared strings") << false;
    QTest::newRow("inline strings") << true;
}

void TestXlsxReader::largeSheetsMatchCellByCell()
{
    // Enough cells for the chunked store, the early grid and the two-thread build to all take part.
    QFETCH(bool, constantMemory);
    constexpr int Rows = 30000;
    constexpr int Columns = 9;
    const QString path = writeXlsx(
        QStringLiteral("large-%1.xlsx").arg(constantMemory),
        [&](lxw_workbook* wb) {
            lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
            lxw_format* date = workbook_add_format(wb);
            format_set_num_format(date, "dd/mm/yyyy");
            for (int r = 0; r < Rows; ++r) {
                const QByteArray text = "texto " + QByteArray::number(r);
                worksheet_write_string(ws, lxw_row_t(r), 0, text.constData(), nullptr);
                worksheet_write_number(ws, lxw_row_t(r), 1, r, nullptr);
                worksheet_write_number(ws, lxw_row_t(r), 2, r + 0.5, nullptr);
                worksheet_write_number(ws, lxw_row_t(r), 3, -(r + 0.25), nullptr);
                worksheet_write_number(ws, lxw_row_t(r), 4, 45306 + r % 400, date);
                worksheet_write_string(ws, lxw_row_t(r), 5, r % 3 ? "sim" : "não", nullptr);
                worksheet_write_number(ws, lxw_row_t(r), 6, r % 7, nullptr);
                if (r % 5 == 0)
                    worksheet_write_boolean(ws, lxw_row_t(r), 7, r % 10 == 0, nullptr);
                worksheet_write_formula_num(ws, lxw_row_t(r), 8, "=B1*2", nullptr, r * 2.0);
            }
        },
        constantMemory);

    const Grid grid = read(path);
    QCOMPARE(grid.columnCount(), Columns);
    QCOMPARE(grid.rowCount(), Rows);
    for (int r = 0; r < Rows; ++r) {
        const QString date = QDate(2024, 1, 15).addDays(r % 400).toString(QStringLiteral("dd/MM/yyyy"));
        const QString expected[Columns] = {
            QStringLiteral("texto %1").arg(r),
            QString::number(r),
            QStringLiteral("%1,5").arg(r),
            QStringLiteral("-%1,25").arg(r),
            date,
            r % 3 ? QStringLiteral("sim") : QStringLiteral("não"),
            QString::number(r % 7),
            r % 5 ? QString() : (r % 10 == 0 ? QStringLiteral("VERDADEIRO") : QStringLiteral("FALSO")),
            QString::number(r * 2),
        };
        for (int c = 0; c < Columns; ++c) {
            if (grid.cell(c, r) != expected[c])
                QFAIL(qPrintable(QStringLiteral("row %1, column %2: \"%3\", expected \"%4\"")
                                     .arg(r)
                                     .arg(c)
                                     .arg(grid.cell(c, r), expected[c])));
        }
    }
}

QTEST_GUILESS_MAIN(TestXlsxReader)
#include "tst_xlsx_reader.moc"
