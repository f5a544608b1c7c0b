// The whole-number, decimal and money readings of cell texts, under both decimal separators.
#include "Readings.h"

#include <QtTest>

namespace {

RegionalSettings regional(const QString& name)
{
    return RegionalSettings::forLocale(name == u"en" ? "en_US.UTF-8" : "pt_BR.UTF-8");
}

} // namespace

class TestReadings : public QObject {
    Q_OBJECT
private slots:
    void localesAreInstalled();
    void wholeNumber_data();
    void wholeNumber();
    void decimal_data();
    void decimal();
    void money_data();
    void money();
};

void TestReadings::localesAreInstalled()
{
    // Without them every row below would silently read with the C locale's point.
    QCOMPARE(regional(QStringLiteral("pt")).decimalSeparator(), QChar(u','));
    QCOMPARE(regional(QStringLiteral("en")).decimalSeparator(), QChar(u'.'));
}

void TestReadings::wholeNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("zero") << QStringLiteral("0") << true << 0;
    QTest::newRow("leading zeros") << QStringLiteral("007") << true << 7;
    QTest::newRow("many leading zeros") << QStringLiteral("000000000000000000042") << true << 42;
    QTest::newRow("minus zero") << QStringLiteral("-0") << true << 0;
    QTest::newRow("plus") << QStringLiteral("+15") << true << 15;
    QTest::newRow("leading blanks") << QStringLiteral("   12") << true << 12;
    QTest::newRow("blanks then sign") << QStringLiteral("  -12") << true << -12;
    QTest::newRow("dollar hex") << QStringLiteral("$1F") << true << 31;
    QTest::newRow("lower-case hex digits") << QStringLiteral("$ff") << true << 255;
    QTest::newRow("x prefix") << QStringLiteral("x1A") << true << 26;
    QTest::newRow("X prefix") << QStringLiteral("X1a") << true << 26;
    QTest::newRow("0x prefix") << QStringLiteral("0x10") << true << 16;
    QTest::newRow("0X prefix") << QStringLiteral("0X10") << true << 16;
    QTest::newRow("sign and hex") << QStringLiteral("-$10") << true << -16;
    QTest::newRow("plus and 0x") << QStringLiteral("+0x7fffffff") << true << 2147483647;
    QTest::newRow("largest") << QStringLiteral("2147483647") << true << 2147483647;
    QTest::newRow("smallest") << QStringLiteral("-2147483648") << true << int(-2147483647 - 1);
    QTest::newRow("largest hex") << QStringLiteral("$7FFFFFFF") << true << 2147483647;
    QTest::newRow("smallest hex") << QStringLiteral("-$80000000") << true << int(-2147483647 - 1);
    QTest::newRow("past largest") << QStringLiteral("2147483648") << false << 0;
    QTest::newRow("past smallest") << QStringLiteral("-2147483649") << false << 0;
    QTest::newRow("hex past largest") << QStringLiteral("$FFFFFFFF") << false << 0;
    QTest::newRow("hex past smallest") << QStringLiteral("-$80000001") << false << 0;
    QTest::newRow("far too long") << QStringLiteral("99999999999999999999999") << false << 0;
    QTest::newRow("empty") << QString() << false << 0;
    QTest::newRow("blanks only") << QStringLiteral("   ") << false << 0;
    QTest::newRow("sign only") << QStringLiteral("-") << false << 0;
    QTest::newRow("prefix only") << QStringLiteral("$") << false << 0;
    QTest::newRow("0x only") << QStringLiteral("0x") << false << 0;
    QTest::newRow("trailing blank") << QStringLiteral("12 ") << false << 0;
    QTest::newRow("blank after sign") << QStringLiteral("- 5") << false << 0;
    QTest::newRow("tab is no blank") << QStringLiteral("\t5") << false << 0;
    QTest::newRow("other characters") << QStringLiteral("12-A") << false << 0;
    QTest::newRow("not a hex digit") << QStringLiteral("$1G") << false << 0;
    QTest::newRow("hex without prefix") << QStringLiteral("1F") << false << 0;
    QTest::newRow("decimal point") << QStringLiteral("1.0") << false << 0;
    QTest::newRow("exponent") << QStringLiteral("1e3") << false << 0;
    QTest::newRow("other script's digit") << QStringLiteral("\u0663") << false << 0;
}

void TestReadings::wholeNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    int read = -77;
    QCOMPARE(Readings::tryWholeNumber(text, &read), ok);
    if (ok)
        QCOMPARE(read, value);
    QCOMPARE(Readings::wholeNumber(text, -99), ok ? value : -99);
}

void TestReadings::decimal_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    const QString pt = QStringLiteral("pt");
    const QString en = QStringLiteral("en");
    QTest::newRow("pt comma") << pt << QStringLiteral("1,5") << true << 1.5;
    QTest::newRow("pt whole") << pt << QStringLiteral("42") << true << 42.0;
    QTest::newRow("pt separator last") << pt << QStringLiteral("5,") << true << 5.0;
    QTest::newRow("pt separator first") << pt << QStringLiteral(",5") << true << 0.5;
    QTest::newRow("pt sign and separator first") << pt << QStringLiteral("-,5") << true << -0.5;
    QTest::newRow("pt plus") << pt << QStringLiteral("+2") << true << 2.0;
    QTest::newRow("pt blanks both sides") << pt << QStringLiteral("  3,25  ") << true << 3.25;
    QTest::newRow("pt exponent") << pt << QStringLiteral("1E3") << true << 1000.0;
    QTest::newRow("pt negative exponent") << pt << QStringLiteral("1,5e-2") << true << 0.015;
    QTest::newRow("pt plus exponent") << pt << QStringLiteral("2E+2") << true << 200.0;
    QTest::newRow("pt separator before exponent") << pt << QStringLiteral("5,e1") << true << 50.0;
    QTest::newRow("pt underflow reads as zero") << pt << QStringLiteral("1E-999") << true << 0.0;
    QTest::newRow("pt zero with a huge exponent") << pt << QStringLiteral("0E999999") << true << 0.0;
    QTest::newRow("pt overflow") << pt << QStringLiteral("1E999") << false << 0.0;
    QTest::newRow("pt negative overflow") << pt << QStringLiteral("-1E999") << false << 0.0;
    QTest::newRow("pt many digits overflow") << pt << QString(400, u'9') << false << 0.0;
    QTest::newRow("pt small digits, large exponent") << pt << QStringLiteral("0,0001E310") << true << 1e306;
    QTest::newRow("pt thousands separator") << pt << QStringLiteral("1.234,56") << false << 0.0;
    QTest::newRow("pt other separator") << pt << QStringLiteral("1.5") << false << 0.0;
    QTest::newRow("pt two separators") << pt << QStringLiteral("1,2,3") << false << 0.0;
    QTest::newRow("pt separator alone") << pt << QStringLiteral(",") << false << 0.0;
    QTest::newRow("pt exponent without digits") << pt << QStringLiteral("1e") << false << 0.0;
    QTest::newRow("pt exponent sign without digits") << pt << QStringLiteral("1e+") << false << 0.0;
    QTest::newRow("pt exponent without mantissa") << pt << QStringLiteral("E5") << false << 0.0;
    QTest::newRow("pt letters") << pt << QStringLiteral("12abc") << false << 0.0;
    QTest::newRow("pt inner blank") << pt << QStringLiteral("1 000") << false << 0.0;
    QTest::newRow("pt nbsp is no blank") << pt << QStringLiteral("1\u00A0") << false << 0.0;
    QTest::newRow("pt empty") << pt << QString() << false << 0.0;
    QTest::newRow("pt blanks only") << pt << QStringLiteral("   ") << false << 0.0;
    QTest::newRow("pt infinity word") << pt << QStringLiteral("inf") << false << 0.0;
    QTest::newRow("en point") << en << QStringLiteral("1.5") << true << 1.5;
    QTest::newRow("en sign, point first, exponent") << en << QStringLiteral("-.5e1") << true << -5.0;
    QTest::newRow("en other separator") << en << QStringLiteral("1,5") << false << 0.0;
    QTest::newRow("en thousands separator") << en << QStringLiteral("1,234.56") << false << 0.0;
}

void TestReadings::decimal()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const RegionalSettings settings = regional(locale);
    double read = -77;
    QCOMPARE(Readings::tryDecimal(text, &read, settings), ok);
    if (ok)
        QCOMPARE(read, value);
    QCOMPARE(Readings::decimal(text, settings), ok ? value : 0.0);
}

void TestReadings::money_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("ticks");
    const QString pt = QStringLiteral("pt");
    const QString en = QStringLiteral("en");
    QTest::newRow("pt currency and blank") << pt << QStringLiteral("R$ 15,00") << qint64(150000);
    QTest::newRow("pt no blank") << pt << QStringLiteral("R$1,5") << qint64(15000);
    QTest::newRow("pt thousands separator gives zero") << pt << QStringLiteral("1.234,56") << qint64(0);
    QTest::newRow("pt sign after the symbol") << pt << QStringLiteral("R$ -2,5") << qint64(-25000);
    // Removing "R$" leaves "- 2,5", which is no number.
    QTest::newRow("pt sign before the symbol") << pt << QStringLiteral("-R$ 2,5") << qint64(0);
    QTest::newRow("pt lower-case r stays") << pt << QStringLiteral("r$ 3") << qint64(0);
    QTest::newRow("pt four decimals") << pt << QStringLiteral("0,1234") << qint64(1234);
    QTest::newRow("en dollar") << en << QStringLiteral("$2.75") << qint64(27500);
    QTest::newRow("en comma gives zero") << en << QStringLiteral("R$ 1,234.50") << qint64(0);
}

void TestReadings::money()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(qint64, ticks);
    QCOMPARE(Readings::money(text, regional(locale)).ticks(), ticks);
}

QTEST_GUILESS_MAIN(TestReadings)
#include "tst_readings.moc"
