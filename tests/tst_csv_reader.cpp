// CSV dialects and encodings: delimiter detection, RFC 4180 quoting, line ends, and text kept
// exactly as written.
#include "CsvReader.h"
#include "GridRows.h"
#include "WorkbookReader.h"

#include <QTemporaryDir>
#include <QtTest>

class TestCsvReader : public QObject {
    Q_OBJECT

private slots:
    void dialects_data();
    void dialects();
    void encodings_data();
    void encodings();
    void loadedThroughReadWorkbook();
};

void TestCsvReader::dialects_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("semicolon, CRLF") << QByteArray("a;b;c\r\n1;2;3\r\n")
                                     << QStringList{QStringLiteral("a|b|c"), QStringLiteral("1|2|3")};
    QTest::newRow("comma, quoted commas") << QByteArray("nome,pre\xC3\xA7o\n\"Silva, Jo\xC3\xA3o\",\"1,50\"\n")
                                          << QStringList{QStringLiteral("nome|preço"), QStringLiteral("Silva, João|1,50")};
    QTest::newRow("tab, no final line end") << QByteArray("a\tb\n1\t2")
                                            << QStringList{QStringLiteral("a|b"), QStringLiteral("1|2")};
    QTest::newRow("pipe") << QByteArray("a|b|c\n1|2|3\n") << QStringList{QStringLiteral("a|b|c"), QStringLiteral("1|2|3")};
    QTest::newRow("semicolon beats decimal commas")
        << QByteArray("produto;pre\xC3\xA7o\nCaneta;1,50\nL\xC3\xA1pis;0,75\n")
        << QStringList{QStringLiteral("produto|preço"), QStringLiteral("Caneta|1,50"), QStringLiteral("Lápis|0,75")};
    QTest::newRow("doubled quotes") << QByteArray("\"diz \"\"oi\"\"\";x\n")
                                    << QStringList{QStringLiteral("diz \"oi\"|x")};
    QTest::newRow("line break inside quotes") << QByteArray("\"linha1\r\nlinha2\";b\n2;c\n")
                                              << QStringList{QStringLiteral("linha1\r\nlinha2|b"), QStringLiteral("2|c")};
    QTest::newRow("CR line ends") << QByteArray("a;b\r1;2\r") << QStringList{QStringLiteral("a|b"), QStringLiteral("1|2")};
    QTest::newRow("ragged records") << QByteArray("a;b;c\n1\n") << QStringList{QStringLiteral("a|b|c"), QStringLiteral("1||")};
    QTest::newRow("text kept as written") << QByteArray("codigo;valor\n007; 1,50 \n")
                                          << QStringList{QStringLiteral("codigo|valor"), QStringLiteral("007| 1,50 ")};
    QTest::newRow("blank lines inside kept, at the end dropped")
        << QByteArray("a;b\n\n1;2\n\n\n") << QStringList{QStringLiteral("a|b"), QStringLiteral("|"), QStringLiteral("1|2")};
    QTest::newRow("empty fields") << QByteArray("a;;\n;;b\n") << QStringList{QStringLiteral("a||"), QStringLiteral("||b")};
    QTest::newRow("one column") << QByteArray("nome\nAna\nBia\n")
                                << QStringList{QStringLiteral("nome"), QStringLiteral("Ana"), QStringLiteral("Bia")};
    QTest::newRow("quote inside a plain field") << QByteArray("5\" tela;x\n") << QStringList{QStringLiteral("5\" tela|x")};
    QTest::newRow("unclosed quote takes the rest") << QByteArray("\"aberto;x\ny\n")
                                                   << QStringList{QStringLiteral("aberto;x\ny\n")};
    QTest::newRow("nothing but line ends") << QByteArray("\n\n") << QStringList{QString()};
}

void TestCsvReader::dialects()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, rows);
    QCOMPARE(gridRows(Csv::read(bytes)), rows);
}

void TestCsvReader::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("first");

    QTest::newRow("UTF-8") << QByteArray("A\xC3\xA7\xC3\xA3o;x\n") << QStringLiteral("Ação");
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" "A\xC3\xA7\xC3\xA3o;x\n") << QStringLiteral("Ação");
    QTest::newRow("Windows-1252") << QByteArray("A\xE7\xE3o;x\n") << QStringLiteral("Ação");
    QTest::newRow("Windows-1252 euro and quotes") << QByteArray("\x80 \x93" "ok\x94;x\n") << QStringLiteral("€ “ok”");
    QTest::newRow("UTF-16 with BOM") << QByteArray("\xFF\xFE" "A\0\xE7\0;\0x\0\n\0", 12) << QStringLiteral("Aç");
}

void TestCsvReader::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, first);
    const Grid grid = Csv::read(bytes);
    QCOMPARE(grid.cell(0, 0), first);
    QCOMPARE(grid.cell(1, 0), QStringLiteral("x"));
}

void TestCsvReader::loadedThroughReadWorkbook()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clientes.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("C\xF3" "digo;Nome;Saldo\r\n0001;Jos\xE9;\"1.234,56\"\r\n0002;\"Ana; Bia\";-3\r\n");
    file.close();
    QCOMPARE(gridRows(readWorkbook(path, RegionalSettings::forLocale("pt_BR.UTF-8"))),
             QStringList({QStringLiteral("Código|Nome|Saldo"), QStringLiteral("0001|José|1.234,56"),
                          QStringLiteral("0002|Ana; Bia|-3")}));
}

QTEST_GUILESS_MAIN(TestCsvReader)
#include "tst_csv_reader.moc"
