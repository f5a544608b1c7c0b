// The text clean-up functions the converters pass every cell through.
#include "funcoes.h"

#include <QtTest>

class TestFuncoes : public QObject {
    Q_OBJECT
private slots:
    void companyNameIsEmpty();
    void alltrim_data();
    void alltrim();
    void onlyNumber_data();
    void onlyNumber();
    void zeroEsquerda_data();
    void zeroEsquerda();
    void strZero_data();
    void strZero();
    void rightAndReplicate();
    void trocaCar_data();
    void trocaCar();
    void quotesAndUpperCase_data();
    void quotesAndUpperCase();
};

void TestFuncoes::companyNameIsEmpty()
{
    QVERIFY(SisNome_Empresa.isEmpty());
}

void TestFuncoes::alltrim_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const QString a254(254, u'a');
    const QString printable300 = QString(150, u'x') + QString(150, u'y');
    QTest::newRow("blanks and tab") << QStringLiteral("  abc\t") << QStringLiteral("abc");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("only blanks") << QStringLiteral("   ") << QString();
    QTest::newRow("inner blanks kept") << QStringLiteral(" a \t b ") << QStringLiteral("a \t b");
    QTest::newRow("accented letters at the ends") << QStringLiteral(" CAFÉ ") << QStringLiteral("CAFÉ");
    QTest::newRow("accented first letter") << QStringLiteral("Água") << QStringLiteral("Água");
    QTest::newRow("cedilla and tilde") << QStringLiteral("\r\nMAÇÃ\r\n") << QStringLiteral("MAÇÃ");
    QTest::newRow("typographic quotes stay")
        << QStringLiteral("\u201Cabc\u201D") << QStringLiteral("\u201Cabc\u201D");
    QTest::newRow("symbols stay") << QStringLiteral("\u00A7 1 \u20AC") << QStringLiteral("\u00A7 1 \u20AC");
    QTest::newRow("controls, DEL and C1")
        << QStringLiteral("\x01\x1F\x7F\u0085\u009Fx\u0080\x7F") << QStringLiteral("x");
    QTest::newRow("nbsp") << QStringLiteral("\u00A0abc\u00A0") << QStringLiteral("abc");
    QTest::newRow("unicode spaces and separators")
        << QStringLiteral("\u2003\u3000abc\u2028\u2029\u202F") << QStringLiteral("abc");
    QTest::newRow("zwsp, bom and soft hyphen")
        << QStringLiteral("\uFEFF\u200Babc\u00AD\u200B") << QStringLiteral("abc");
    QTest::newRow("inner nbsp and zwsp kept")
        << QStringLiteral("a\u00A0b\u200Bc") << QStringLiteral("a\u00A0b\u200Bc");
    QTest::newRow("format character outside the BMP") << QStringLiteral("x\U000E0001") << QStringLiteral("x");
    QTest::newRow("letter outside the BMP stays")
        << QStringLiteral(" \U0001D400 ") << QStringLiteral("\U0001D400");
    QTest::newRow("300 printable -> first 255") << printable300 << printable300.left(255);
    QTest::newRow("300 blanks then x") << QString(300, u' ') + u'x' << QStringLiteral("x");
    QTest::newRow("limit counted from the first kept character")
        << QString(10, u' ') + QString(260, u'z') << QString(255, u'z');
    QTest::newRow("blank at the cut is dropped") << a254 + QStringLiteral(" bbbbb") << a254;
    QTest::newRow("a pair of surrogates is not cut") << a254 + QStringLiteral("\U0001F600") << a254;
}

void TestFuncoes::alltrim()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(Alltrim(input), expected);
}

void TestFuncoes::onlyNumber_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("punctuation") << QStringLiteral("12.3-4/5") << QStringLiteral("12345");
    QTest::newRow("cnpj") << QStringLiteral("12.345.678/0001-95") << QStringLiteral("12345678000195");
    QTest::newRow("no digits") << QStringLiteral("abc") << QString();
    // Other scripts' digits are not 0 to 9.
    QTest::newRow("arabic-indic and full-width") << QStringLiteral("1\u0663\uFF125") << QStringLiteral("15");
}

void TestFuncoes::onlyNumber()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(OnlyNumber(input), expected);
    for (const QChar c : input)
        QCOMPARE(CharIsNum(c), c.unicode() >= '0' && c.unicode() <= '9');
}

void TestFuncoes::zeroEsquerda_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    QTest::newRow("padded") << QStringLiteral("123") << 8 << QStringLiteral("00000123");
    QTest::newRow("longer is kept") << QStringLiteral("123456789") << 8 << QStringLiteral("123456789");
    QTest::newRow("empty") << QString() << 3 << QStringLiteral("000");
    QTest::newRow("blanks count") << QStringLiteral(" 1 ") << 5 << QStringLiteral("00 1 ");
    QTest::newRow("zero width") << QStringLiteral("7") << 0 << QStringLiteral("7");
}

void TestFuncoes::zeroEsquerda()
{
    QFETCH(QString, input);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(ZeroEsquerda(input, width), expected);
}

void TestFuncoes::strZero_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");
    QTest::newRow("exact width") << 1234567.0 << 7 << 0 << QStringLiteral("1234567");
    QTest::newRow("longer keeps the last digits") << 12345678.0 << 7 << 0 << QStringLiteral("2345678");
    QTest::newRow("padded") << 6.0 << 2 << 0 << QStringLiteral("06");
    // The test runs under pt_BR: the point shows the formatting ignores the locale.
    QTest::newRow("one decimal, point") << 3.5 << 6 << 1 << QStringLiteral("0003.5");
    QTest::newRow("tie away from zero") << 2.5 << 1 << 0 << QStringLiteral("3");
    QTest::newRow("another tie") << 0.5 << 1 << 0 << QStringLiteral("1");
    QTest::newRow("exact tie in the decimals") << 0.125 << 4 << 2 << QStringLiteral("0.13");
    // 1.005 is stored as 1.00499999999999989...; it is no tie.
    QTest::newRow("near tie is not a tie") << 1.005 << 4 << 2 << QStringLiteral("1.00");
    QTest::newRow("carry through nines") << 9.99 << 4 << 1 << QStringLiteral("10.0");
    QTest::newRow("negative") << -5.0 << 4 << 0 << QStringLiteral("-005");
    QTest::newRow("negative tie") << -2.5 << 3 << 0 << QStringLiteral("-03");
    QTest::newRow("negative rounding to zero has no sign") << -0.001 << 3 << 0 << QStringLiteral("000");
    QTest::newRow("large") << 1e20 << 21 << 0 << QStringLiteral("100000000000000000000");
    QTest::newRow("zero width") << 12.0 << 0 << 0 << QString();
}

void TestFuncoes::strZero()
{
    QFETCH(double, value);
    QFETCH(int, width);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(StrZero(value, width, decimals), expected);
}

void TestFuncoes::rightAndReplicate()
{
    QCOMPARE(Right(QStringLiteral("abc"), 5), QStringLiteral("abc"));
    QCOMPARE(Right(QStringLiteral("abc"), 2), QStringLiteral("bc"));
    QCOMPARE(Right(QStringLiteral("abc"), 0), QString());
    QCOMPARE(Right(QStringLiteral("abc"), -1), QString());
    QCOMPARE(Replicate(QStringLiteral("ab"), 3), QStringLiteral("ababab"));
    QCOMPARE(Replicate(QStringLiteral("0"), 0), QString());
    QCOMPARE(Replicate(QStringLiteral("0"), -2), QString());
}

void TestFuncoes::trocaCar_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("expected");
    QTest::newRow("remove R") << QStringLiteral("R$ 1.234,50") << QStringLiteral("R") << QString()
                              << QStringLiteral("$ 1.234,50");
    QTest::newRow("remove $, leading blank kept")
        << QStringLiteral("$ 1.234,50") << QStringLiteral("$") << QString() << QStringLiteral(" 1.234,50");
    QTest::newRow("every occurrence")
        << QStringLiteral("50%%") << QStringLiteral("%") << QString() << QStringLiteral("50");
    QTest::newRow("replace by longer")
        << QStringLiteral("a,b") << QStringLiteral(",") << QStringLiteral("--") << QStringLiteral("a--b");
    QTest::newRow("case matters") << QStringLiteral("r$ 1") << QStringLiteral("R") << QString()
                                  << QStringLiteral("r$ 1");
    QTest::newRow("two characters match nothing")
        << QStringLiteral("abab") << QStringLiteral("ab") << QString() << QStringLiteral("abab");
    QTest::newRow("empty matches nothing")
        << QStringLiteral("abc") << QString() << QStringLiteral("x") << QStringLiteral("abc");
}

void TestFuncoes::trocaCar()
{
    QFETCH(QString, input);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, expected);
    QCOMPARE(TrocaCar(input, from, to), expected);
}

void TestFuncoes::quotesAndUpperCase_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("withoutQuotes");
    QTest::addColumn<QString>("upper");
    QTest::newRow("apostrophe") << QStringLiteral("D'Ávila") << QStringLiteral("D Ávila")
                                << QStringLiteral("D'ÁVILA");
    QTest::newRow("several, length kept")
        << QStringLiteral("''a'") << QStringLiteral("  a ") << QStringLiteral("''A'");
    QTest::newRow("cedilla and tilde")
        << QStringLiteral("ação") << QStringLiteral("ação") << QStringLiteral("AÇÃO");
    QTest::newRow("mixed case") << QStringLiteral("Seção") << QStringLiteral("Seção")
                                << QStringLiteral("SEÇÃO");
    QTest::newRow("capital outside windows-1252 keeps the letter")
        << QStringLiteral("5µm ÿ") << QStringLiteral("5µm ÿ") << QStringLiteral("5µM Ÿ");
    QTest::newRow("typographic quote is no single quote")
        << QStringLiteral("D\u2019Ávila") << QStringLiteral("D\u2019Ávila") << QStringLiteral("D\u2019ÁVILA");
}

void TestFuncoes::quotesAndUpperCase()
{
    QFETCH(QString, input);
    QFETCH(QString, withoutQuotes);
    QFETCH(QString, upper);
    QCOMPARE(RetiraAspaSimples(input), withoutQuotes);
    QCOMPARE(UpperCase(input), upper);
}

QTEST_GUILESS_MAIN(TestFuncoes)
#include "tst_funcoes.moc"
