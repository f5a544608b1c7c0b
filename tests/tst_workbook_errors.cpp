// Files the loader must refuse, each with a Portuguese message that names the file, and never a
// grid of whatever could be read before the failure.
#include "ClassicNumericLocale.h"
#include "TestZip.h"
#include "WorkbookReader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <xlsxwriter.h>

class TestWorkbookErrors : public QObject {
    Q_OBJECT

private slots:
    void refused_data();
    void refused();
    void missingFileAndFolder();

private:
    QTemporaryDir m_dir;
};

namespace {

QByteArray validXlsx(const QString& path)
{
    const ClassicNumericLocale classic;
    lxw_workbook* wb = workbook_new(path.toLocal8Bit().constData());
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    for (int r = 0; r < 200; ++r)
        worksheet_write_number(ws, r, 0, r * 1.5, nullptr);
    workbook_close(wb);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestWorkbookErrors::refused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");

    const QByteArray xlsx = validXlsx(m_dir.filePath(QStringLiteral("valid.xlsx")));
    QVERIFY(xlsx.size() > 1000);

    TestZip::XlsxParts brokenSheet;
    brokenSheet.sheets.push_back(QByteArrayLiteral("<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></row></sheetData>"));
    TestZip::XlsxParts strict;
    strict.strict = true;
    strict.sheets.push_back(QByteArrayLiteral("<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData>"));
    TestZip::Writer binaryWorkbook;
    binaryWorkbook.add(QStringLiteral("[Content_Types].xml"), QByteArrayLiteral("<Types/>"));
    binaryWorkbook.add(QStringLiteral("xl/workbook.bin"), QByteArray(64, '\x01'));
    TestZip::Writer document;
    document.add(QStringLiteral("word/document.xml"), QByteArrayLiteral("<w:document/>"));

    QTest::newRow("empty file") << QByteArray() << QStringLiteral("o arquivo está vazio");
    QTest::newRow("truncated zip") << xlsx.left(xlsx.size() / 2) << QStringLiteral("o arquivo está corrompido ou incompleto");
    QTest::newRow("malformed sheet XML") << TestZip::xlsx(brokenSheet)
                                         << QStringLiteral("o conteúdo da planilha está corrompido");
    QTest::newRow("Strict Open XML") << TestZip::xlsx(strict) << QStringLiteral("Strict Open XML não são suportadas");
    QTest::newRow("PDF") << QByteArray("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<<>>\nendobj\n")
                         << QStringLiteral("o arquivo é um PDF, não uma planilha");
    QTest::newRow("binary junk") << QByteArray("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0", 16)
                                 << QStringLiteral("o formato do arquivo não é reconhecido");
    QTest::newRow("password-protected xlsx") << TestZip::compoundFile(QStringLiteral("EncryptedPackage"), QByteArray(100, 'x'))
                                             << QStringLiteral("a planilha está protegida por senha");
    QTest::newRow("password-protected ods")
        << TestZip::ods(QByteArrayLiteral("<table:table/>"), QByteArray(),
                        QByteArrayLiteral("<manifest:encryption-data manifest:checksum-type=\"SHA1\"/>"))
        << QStringLiteral("a planilha está protegida por senha");
    QTest::newRow("binary xlsb") << binaryWorkbook.bytes() << QStringLiteral(".xlsb");
    QTest::newRow("zip of something else") << document.bytes()
                                           << QStringLiteral("o arquivo compactado não contém uma planilha");
    QTest::newRow("Office file without a workbook") << TestZip::compoundFile(QStringLiteral("WordDocument"), QByteArray(10, 'w'))
                                                    << QStringLiteral("não uma pasta de trabalho do Excel");
    QTest::newRow("broken compound file") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\xFF')
                                          << QStringLiteral("corrompida");
}

void TestWorkbookErrors::refused()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    const QString path = m_dir.filePath(QStringLiteral("%1.xlsx").arg(QString::fromLatin1(QTest::currentDataTag())));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    try {
        const Grid grid = readWorkbook(path);
        QFAIL(qPrintable(QStringLiteral("read a %1 x %2 grid").arg(grid.columnCount()).arg(grid.rowCount())));
    } catch (const WorkbookError& e) {
        const QString expectedStart = QStringLiteral("Não foi possível ler a planilha \"%1\": ").arg(path);
        QVERIFY2(e.message().startsWith(expectedStart), qPrintable(e.message()));
        QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
    }
}

void TestWorkbookErrors::missingFileAndFolder()
{
    const QString missing = m_dir.filePath(QStringLiteral("nao-existe.xlsx"));
    try {
        readWorkbook(missing);
        QFAIL("a missing file was read");
    } catch (const WorkbookError& e) {
        QCOMPARE(e.message(), QStringLiteral("Não foi possível ler a planilha \"%1\": o arquivo não existe").arg(missing));
    }
    QVERIFY_THROWS_EXCEPTION(WorkbookError, readWorkbook(m_dir.path()));
}

QTEST_GUILESS_MAIN(TestWorkbookErrors)
#include "tst_workbook_errors.moc"
