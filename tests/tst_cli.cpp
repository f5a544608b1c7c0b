// The command line: its words, outputs and exit statuses, in-process and through the real program.
#include "ClassicNumericLocale.h"
#include "CommandLine.h"
#include "Database.h"
#include "Query.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <xlsxwriter.h>

namespace {

struct Result {
    int status;
    QString out;
    QString err;
};

Result run(const QStringList& arguments)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = runCommandLine(arguments, o, e);
    o.flush();
    e.flush();
    return {status, out, err};
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void usageErrors_data();
    void usageErrors();
    void createDatabase();
    void gridEscapesSpecialCharacters();
    void gridOfMissingFileFails();
    void realProgramFollowsTheLocale_data();
    void realProgramFollowsTheLocale();
};

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no argument") << QStringList{};
    QTest::newRow("unknown word") << QStringList{QStringLiteral("exportar")};
    QTest::newRow("grade without file") << QStringList{QStringLiteral("grade")};
    QTest::newRow("grade with two files") << QStringList{QStringLiteral("grade"), QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("criar-banco without file") << QStringList{QStringLiteral("criar-banco")};
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
