// The command line: its words, outputs and exit statuses, in-process and through the real program.
#include "ClassicNumericLocale.h"
#include "CommandLineRun.h"
#include "Database.h"
#include "GridRows.h"
#include "Query.h"
#include "SampleDatabase.h"
#include "WorkbookReader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <xlsxwriter.h>

namespace {

using Result = CliResult;
Result run(const QStringList& arguments) { return runCli(arguments); }

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    // Runs keep their journals beside the ini file, in the current folder: a folder of the test's own.
    void initTestCase() { QVERIFY(QDir::setCurrent(m_current.path())); }
    void usageErrors_data();
    void usageErrors();
    void createDatabase();
    void gridEscapesSpecialCharacters();
    void gridOfMissingFileFails();
    void importWritesFailedRows_data();
    void importWritesFailedRows();
    void importKeepsItsStatusWhenFailedRowsCannotBeWritten();
    void realProgramFollowsTheLocale_data();
    void realProgramFollowsTheLocale();

private:
    QTemporaryDir m_current;
};

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no argument") << QStringList{};
    QTest::newRow("unknown word") << QStringList{QStringLiteral("exportar")};
    QTest::newRow("grade without file") << QStringList{QStringLiteral("grade")};
    QTest::newRow("grade with two files") << QStringList{QStringLiteral("grade"), QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("criar-banco without file") << QStringList{QStringLiteral("criar-banco")};
    QTest::newRow("falhas without file") << QStringList{QStringLiteral("importar"), QStringLiteral("categorias"),
                                                        QStringLiteral("c.csv"), QStringLiteral("--falhas")};
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    const Result r = run(arguments);
    QCOMPARE(r.status, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(QStringLiteral("Uso:")), qPrintable(r.err));
}

void TestCli::createDatabase()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("novo.fdb"));
    Result r = run({QStringLiteral("criar-banco"), path});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(path), qPrintable(r.out));
    {
        Database db(path);
        Query q(db, QStringLiteral("q"));
        q.open(QStringLiteral("SELECT COUNT(*) AS N FROM ESTADO"));
        QCOMPARE(q.asInteger(QStringLiteral("N")), 27);
        q.open(QStringLiteral("SELECT * FROM EMPRESA WHERE CODIGO_EMPRESA = 1"));
        QVERIFY(!q.isEmpty());
        q.open(QStringLiteral("SELECT * FROM CIDADE WHERE UPPER(NOM_CIDADE collate win_ptbr) = 'SAO PAULO'"));
        QCOMPARE(q.asInteger(QStringLiteral("COD_CIDADE")), 3550308);
    }
    // An existing file is never overwritten.
    r = run({QStringLiteral("criar-banco"), path});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(QStringLiteral("já existe")), qPrintable(r.err));
}

void TestCli::gridEscapesSpecialCharacters()
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("g.csv"));
    QFile f(csv);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("a;\"b\tc\";\"linha1\nlinha2\"\n\"x\\y\";\"r\rs\";\xC3\xa7\n");
    f.close();
    const Result r = run({QStringLiteral("grade"), csv});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("a\tb\\tc\tlinha1\\nlinha2\nx\\\\y\tr\\rs\tç\n"));
    QVERIFY(r.err.isEmpty());
}

void TestCli::gridOfMissingFileFails()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("sumiu.xlsx"));
    const Result r = run({QStringLiteral("grade"), missing});
    QCOMPARE(r.status, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(QStringLiteral("sumiu.xlsx")), qPrintable(r.err));
}

void TestCli::importWritesFailedRows_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<bool>("continuar");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("failedRows"); // the workbook's rows, the reason left out
    // A name longer than the column fails its row.
    const QByteArray tooLong(80, 'X');
    const QByteArray csv = "Código;Nome\n7;Frios\n08;" + tooLong + "\n9;Padaria\n010;" + tooLong + " 2\n";
    const QString title = QStringLiteral("Código|Nome|Motivo");
    QTest::newRow("goes on after errors")
        << csv << true << 0
        << QStringList{title, QStringLiteral("08|") + QString::fromLatin1(tooLong),
                       QStringLiteral("010|") + QString::fromLatin1(tooLong) + QStringLiteral(" 2")};
    QTest::newRow("ended by the error")
        << csv << false << 1 << QStringList{title, QStringLiteral("08|") + QString::fromLatin1(tooLong)};
    QTest::newRow("nothing failed") << QByteArray("Código;Nome\n7;Frios\n") << true << 0
                                    << QStringList{title};
}

void TestCli::importWritesFailedRows()
{
    QFETCH(QByteArray, csv);
    QFETCH(bool, continuar);
    QFETCH(int, status);
    QFETCH(QStringList, failedRows);
    QTemporaryDir dir;
    const QString sheet = dir.filePath(QStringLiteral("categorias.csv"));
    writeFile(sheet, csv);
    const QString failedPath = dir.filePath(QStringLiteral("falhas.xlsx"));
    const auto import = [&](const QStringList& extra) {
        SampleDatabase sample;
        QStringList arguments{QStringLiteral("importar"), QStringLiteral("categorias"), sheet,
                              QStringLiteral("--banco"), sample.path(), QStringLiteral("--titulos")};
        if (continuar)
            arguments << QStringLiteral("--continuar");
        return run(arguments + extra);
    };
    // Each run names its own journal: the rest of the error stream is the same with and without
    // the workbook.
    const auto withoutJournal = [](QString err) {
        return err.remove(QRegularExpression(QStringLiteral("^Diário da conversão: [^\n]*\n")));
    };
    const Result without = import({});
    const Result with = import({QStringLiteral("--falhas"), failedPath});
    QCOMPARE(with.status, status);
    QCOMPARE(without.status, status);
    QCOMPARE(with.out, without.out);
    QCOMPARE(withoutJournal(with.err), withoutJournal(without.err));

    const Grid loaded = readWorkbook(failedPath);
    QStringList rows = gridRows(loaded);
    QCOMPARE(rows.size(), failedRows.size());
    for (int r = 1; r < rows.size(); ++r) {
        // The reason is the run's own message for that row.
        QVERIFY2(loaded.cell(2, r).startsWith(QStringLiteral("Erro na linha ")), qPrintable(loaded.cell(2, r)));
        QVERIFY2(with.out.contains(loaded.cell(2, r)) || with.err.contains(loaded.cell(2, r)),
                 qPrintable(loaded.cell(2, r)));
        rows[r] = loaded.cell(0, r) + u'|' + loaded.cell(1, r);
    }
    QCOMPARE(rows, failedRows);
}

void TestCli::importKeepsItsStatusWhenFailedRowsCannotBeWritten()
{
    QTemporaryDir dir;
    const QString sheet = dir.filePath(QStringLiteral("categorias.csv"));
    writeFile(sheet, "Código;Nome\n7;Frios\n8;" + QByteArray(80, 'X') + "\n");
    const QString missing = dir.filePath(QStringLiteral("sumiu/falhas.xlsx"));
    SampleDatabase sample;
    const Result r = run({QStringLiteral("importar"), QStringLiteral("categorias"), sheet, QStringLiteral("--banco"),
                          sample.path(), QStringLiteral("--titulos"), QStringLiteral("--continuar"),
                          QStringLiteral("--falhas"), missing});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.endsWith(QStringLiteral("2 Categorias Importadas!\n")), qPrintable(r.out));
    QVERIFY2(r.err.startsWith(QStringLiteral("Não foi possível gravar as linhas com falha \"%1\": ").arg(missing)),
             qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("não existe")), qPrintable(r.err));
    QVERIFY(!QFile::exists(missing));
}

void TestCli::realProgramFollowsTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("pt_BR") << QStringLiteral("pt_BR.UTF-8") << QStringLiteral("Preço\t1234,5\t31/01/2024\t7\n");
    QTest::newRow("en_US") << QStringLiteral("en_US.UTF-8") << QStringLiteral("Preço\t1234.5\t01/31/2024\t7\n");
}

void TestCli::realProgramFollowsTheLocale()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    const QString exe = qEnvironmentVariable("CONVERSOR_EXE");
    QVERIFY2(QFile::exists(exe), "CONVERSOR_EXE does not name the program");
    QTemporaryDir dir;
    const QByteArray xlsx = dir.filePath(QStringLiteral("p.xlsx")).toUtf8();
    const ClassicNumericLocale numbersAsExcelWritesThem; // libxlsxwriter prints with the C library
    lxw_workbook* wb = workbook_new(xlsx.constData());
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "dd/mm/yyyy");
    worksheet_write_string(ws, 0, 0, "Preço", nullptr);
    worksheet_write_number(ws, 0, 1, 1234.5, nullptr);
    lxw_datetime dt = {2024, 1, 31, 0, 0, 0};
    worksheet_write_datetime(ws, 0, 2, &dt, date);
    worksheet_write_number(ws, 0, 3, 7, nullptr);
    QCOMPARE(workbook_close(wb), LXW_NO_ERROR);

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    env.remove(QStringLiteral("DISPLAY"));
    p.setProcessEnvironment(env);
    p.start(exe, {QStringLiteral("grade"), QString::fromUtf8(xlsx)});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), expected);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
