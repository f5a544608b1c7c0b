// How each kind of spreadsheet value becomes grid text: numbers, money, date serials, and the
// number format codes that decide between them.
#include "CellText.h"

#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(NumberFormatKind)

class TestCellText : public QObject {
    Q_OBJECT

private slots:
    void numberText_data();
    void numberText();
    void numberTextUsesTheRegionalSeparator();
    void currencyText_data();
    void currencyText();
    void serialDateTimeText_data();
    void serialDateTimeText();
    void dateOutsideExcelsRangeFallsBackToTheNumber();
    void datesFollowTheRegionalLayout();
    void wallClockTimesSurviveDaylightSavingGaps();
    void classifyFormatCode_data();
    void classifyFormatCode();
    void builtinFormatKind_data();
    void builtinFormatKind();

private:
    const RegionalSettings m_brazil = RegionalSettings::forLocale("pt_BR.UTF-8");
};

void TestCellText::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("integer") << 7.0 << QStringLiteral("7");
    QTest::newRow("tenth") << 0.1 << QStringLiteral("0,1");
    QTest::newRow("decimal") << 1234.5 << QStringLiteral("1234,5");
    QTest::newRow("binary noise dropped") << 0.30000000000000004 << QStringLiteral("0,3");
    QTest::newRow("two thirds, 15 digits") << 2.0 / 3.0 << QStringLiteral("0,666666666666667");
    QTest::newRow("15 integer digits") << 123456789012345.0 << QStringLiteral("123456789012345");
    QTest::newRow("1e14 stays fixed") << 1e14 << QStringLiteral("100000000000000");
    QTest::newRow("1e15 is scientific") << 1e15 << QStringLiteral("1E15");
    QTest::newRow("rounding up to 1e15") << 999999999999999.9 << QStringLiteral("1E15");
    QTest::newRow("large, mantissa rounded") << 1234567890123456789.0 << QStringLiteral("1,23456789012346E18");
    QTest::newRow("1e20") << 1e20 << QStringLiteral("1E20");
    QTest::newRow("smallest fixed") << 0.00001 << QStringLiteral("0,00001");
    QTest::newRow("rounds into fixed") << 9.999999999999999e-6 << QStringLiteral("0,00001");
    QTest::newRow("small with digits") << 0.000012345 << QStringLiteral("0,000012345");
    QTest::newRow("1e-6 is scientific") << 0.000001 << QStringLiteral("1E-6");
    QTest::newRow("negative exponent mantissa") << 1.5e-7 << QStringLiteral("1,5E-7");
    QTest::newRow("negative") << -2.5 << QStringLiteral("-2,5");
    QTest::newRow("negative scientific") << -1e-10 << QStringLiteral("-1E-10");
    QTest::newRow("negative zero") << -0.0 << QStringLiteral("0");
    QTest::newRow("many digits") << 12345.678901234567 << QStringLiteral("12345,6789012346");
    QTest::newRow("largest double") << std::numeric_limits<double>::max() << QStringLiteral("1,79769313486232E308");
    QTest::newRow("denormal") << std::numeric_limits<double>::denorm_min() << QStringLiteral("4,94065645841247E-324");
}

void TestCellText::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(CellText::numberText(value, m_brazil.decimalSeparator()), expected);
}

void TestCellText::numberTextUsesTheRegionalSeparator()
{
    const QChar us = RegionalSettings::forLocale("en_US.UTF-8").decimalSeparator();
    QCOMPARE(CellText::numberText(1234.5, us), QStringLiteral("1234.5"));
    QCOMPARE(CellText::numberText(1.5e-7, us), QStringLiteral("1.5E-7"));
    QCOMPARE(CellText::numberText(-0.25, RegionalSettings::forLocale("C").decimalSeparator()), QStringLiteral("-0.25"));
}

void TestCellText::currencyText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("four decimals kept") << 12.3456 << QStringLiteral("12,3456");
    QTest::newRow("rounded to four") << 12.345678 << QStringLiteral("12,3457");
    QTest::newRow("trailing zeros dropped") << 2.5 << QStringLiteral("2,5");
    QTest::newRow("rounds to a whole") << -19.99999 << QStringLiteral("-20");
    QTest::newRow("tiny is zero") << 0.00004 << QStringLiteral("0");
    QTest::newRow("tiny negative is zero, unsigned") << -0.00004 << QStringLiteral("0");
    QTest::newRow("large") << 1e20 << QStringLiteral("1E20");
}

void TestCellText::currencyText()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(CellText::currencyText(value, m_brazil.decimalSeparator()), expected);
}

void TestCellText::serialDateTimeText_data()
{
    QTest::addColumn<double>("serial");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QString>("expected");

    QTest::newRow("day one") << 1.0 << false << QStringLiteral("01/01/1900");
    QTest::newRow("last day before the phantom") << 59.0 << false << QStringLiteral("28/02/1900");
    QTest::newRow("the phantom 29 February") << 60.0 << false << QStringLiteral("29/02/1900");
    QTest::newRow("phantom with a time") << 60.5 << false << QStringLiteral("29/02/1900 12:00:00");
    QTest::newRow("first day after it") << 61.0 << false << QStringLiteral("01/03/1900");
    QTest::newRow("modern date") << 45306.0 << false << QStringLiteral("15/01/2024");
    QTest::newRow("date and time") << 45306.75 << false << QStringLiteral("15/01/2024 18:00:00");
    QTest::newRow("one second") << 45306.0 + 1.0 / 86400.0 << false << QStringLiteral("15/01/2024 00:00:01");
    QTest::newRow("rounds to the next second") << 45306.0 + 1.6 / 86400.0 << false
                                               << QStringLiteral("15/01/2024 00:00:02");
    QTest::newRow("rounds to the next midnight") << 45306.999999 << false << QStringLiteral("16/01/2024");
    QTest::newRow("time only") << 0.5 << false << QStringLiteral("30/12/1899 12:00:00");
    QTest::newRow("zero") << 0.0 << false << QStringLiteral("30/12/1899");
    QTest::newRow("last day Excel has") << 2958465.0 << false << QStringLiteral("31/12/9999");
    QTest::newRow("1904: same serial, four years later") << 45306.0 << true << QStringLiteral("16/01/2028");
    QTest::newRow("1904: day one") << 1.0 << true << QStringLiteral("02/01/1904");
    QTest::newRow("1904: no phantom day") << 60.0 << true << QStringLiteral("01/03/1904");
    QTest::newRow("1904: time only") << 0.25 << true << QStringLiteral("30/12/1899 06:00:00");
}

void TestCellText::serialDateTimeText()
{
    QFETCH(double, serial);
    QFETCH(bool, date1904);
    QFETCH(QString, expected);
    const std::optional<QString> text = CellText::serialDateTimeText(serial, date1904, m_brazil);
    QVERIFY(text.has_value());
    QCOMPARE(*text, expected);
}

void TestCellText::dateOutsideExcelsRangeFallsBackToTheNumber()
{
    QVERIFY(!CellText::serialDateTimeText(-1.0, false, m_brazil));
    QVERIFY(!CellText::serialDateTimeText(2958466.0, false, m_brazil));
    QVERIFY(!CellText::serialDateTimeText(std::nan(""), false, m_brazil));
    QCOMPARE(CellText::valueText(-1.5, NumberFormatKind::Date, false, m_brazil), QStringLiteral("-1,5"));
    QCOMPARE(CellText::valueText(45306.0, NumberFormatKind::Date, false, m_brazil), QStringLiteral("15/01/2024"));
    QCOMPARE(CellText::valueText(12.345678, NumberFormatKind::Currency, false, m_brazil), QStringLiteral("12,3457"));
    QCOMPARE(CellText::valueText(12.345678, NumberFormatKind::General, false, m_brazil), QStringLiteral("12,345678"));
}

void TestCellText::datesFollowTheRegionalLayout()
{
    const RegionalSettings us = RegionalSettings::forLocale("en_US.UTF-8");
    const QString expected = us.formatDateTime(QDateTime(QDate(2024, 1, 15), QTime(18, 0), Qt::UTC));
    QCOMPARE(*CellText::serialDateTimeText(45306.75, false, us), expected);
    QVERIFY(expected.startsWith(QStringLiteral("01/15/2024")));
    QCOMPARE(CellText::dateTimeText(1900, 2, 29, 0, 0, 0, us), QStringLiteral("02/29/1900"));
}

void TestCellText::wallClockTimesSurviveDaylightSavingGaps()
{
    // Registered with TZ=America/Sao_Paulo: on 2018-11-04 its clocks jumped from 00:00 to 01:00.
    QCOMPARE(CellText::dateTimeText(2018, 11, 4, 0, 30, 0, m_brazil), QStringLiteral("04/11/2018 00:30:00"));
    QCOMPARE(CellText::dateTimeText(2018, 11, 4, 0, 0, 0, m_brazil), QStringLiteral("04/11/2018"));
    QCOMPARE(*CellText::serialDateTimeText(43408.0 + 0.5 / 24.0, false, m_brazil),
             QStringLiteral("04/11/2018 00:30:00"));
}

void TestCellText::classifyFormatCode_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<NumberFormatKind>("kind");

    const auto General = NumberFormatKind::General;
    const auto Date = NumberFormatKind::Date;
    const auto Currency = NumberFormatKind::Currency;

    QTest::newRow("General") << QByteArray("General") << General;
    QTest::newRow("decimals") << QByteArray("#,##0.00") << General;
    QTest::newRow("percent") << QByteArray("0.00%") << General;
    QTest::newRow("scientific") << QByteArray("0.00E+00") << General;
    QTest::newRow("text") << QByteArray("@") << General;
    QTest::newRow("quoted letters") << QByteArray("0.0 \"days\"") << General;
    QTest::newRow("escaped letter") << QByteArray("0\\d") << General;
    QTest::newRow("colour names hold d") << QByteArray("[Blue]#,##0;[Red]-#,##0") << General;
    QTest::newRow("condition") << QByteArray("[>=100]0;0") << General;
    QTest::newRow("locale tag without sign") << QByteArray("[$-409]#,##0.00") << General;
    QTest::newRow("padding after underscore") << QByteArray("#,##0_);(#,##0)_h") << General;
    QTest::newRow("fill after asterisk") << QByteArray("*d0") << General;
    QTest::newRow("quoted unit") << QByteArray("0.00 \"m\xC2\xB2\"") << General;

    QTest::newRow("short date") << QByteArray("dd/mm/yyyy") << Date;
    QTest::newRow("month name") << QByteArray("d-mmm-yy") << Date;
    QTest::newRow("time") << QByteArray("hh:mm:ss") << Date;
    QTest::newRow("elapsed hours") << QByteArray("[h]:mm:ss") << Date;
    QTest::newRow("elapsed minutes only") << QByteArray("[mm]") << Date;
    QTest::newRow("date and time") << QByteArray("yyyy-mm-dd hh:mm") << Date;
    QTest::newRow("AM/PM") << QByteArray("h:mm AM/PM") << Date;
    QTest::newRow("long date with locale and quotes")
        << QByteArray("[$-416]dddd, d \"de\" mmmm \"de\" yyyy") << Date;
    QTest::newRow("upper case") << QByteArray("DD/MM/YYYY") << Date;
    QTest::newRow("date wins over money") << QByteArray("[$R$-416] dd/mm") << Date;

    QTest::newRow("quoted real") << QByteArray("\"R$\" #,##0.00") << Currency;
    QTest::newRow("real tag") << QByteArray("[$R$-416] #,##0.00;[Red]-[$R$-416] #,##0.00") << Currency;
    QTest::newRow("dollar") << QByteArray("$#,##0.00") << Currency;
    QTest::newRow("escaped dollar") << QByteArray("\\$#,##0") << Currency;
    QTest::newRow("euro sign") << QByteArray("#,##0.00 \xE2\x82\xAC") << Currency;
    QTest::newRow("euro tag") << QByteArray("[$\xE2\x82\xAC-2] #,##0.00") << Currency;
    QTest::newRow("pound") << QByteArray("\xC2\xA3#,##0") << Currency;
    QTest::newRow("accounting") << QByteArray("_(\"R$\"* #,##0.00_)") << Currency;
}

void TestCellText::classifyFormatCode()
{
    QFETCH(QByteArray, code);
    QFETCH(NumberFormatKind, kind);
    QCOMPARE(CellText::classifyFormatCode(std::string_view(code.constData(), size_t(code.size()))), kind);
}

void TestCellText::builtinFormatKind_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<NumberFormatKind>("kind");

    QTest::newRow("0 General") << 0 << NumberFormatKind::General;
    QTest::newRow("4 #,##0.00") << 4 << NumberFormatKind::General;
    QTest::newRow("5 first money") << 5 << NumberFormatKind::Currency;
    QTest::newRow("8 last money") << 8 << NumberFormatKind::Currency;
    QTest::newRow("9 percent") << 9 << NumberFormatKind::General;
    QTest::newRow("13 fraction") << 13 << NumberFormatKind::General;
    QTest::newRow("14 short date") << 14 << NumberFormatKind::Date;
    QTest::newRow("22 date time") << 22 << NumberFormatKind::Date;
    QTest::newRow("37 accounting without sign") << 37 << NumberFormatKind::General;
    QTest::newRow("41 accounting") << 41 << NumberFormatKind::Currency;
    QTest::newRow("44 accounting") << 44 << NumberFormatKind::Currency;
    QTest::newRow("45 mm:ss") << 45 << NumberFormatKind::Date;
    QTest::newRow("47 mmss.0") << 47 << NumberFormatKind::Date;
    QTest::newRow("48 scientific") << 48 << NumberFormatKind::General;
    QTest::newRow("49 text") << 49 << NumberFormatKind::General;
}

void TestCellText::builtinFormatKind()
{
    QFETCH(int, id);
    QFETCH(NumberFormatKind, kind);
    QCOMPARE(CellText::builtinFormatKind(id), kind);
}

QTEST_GUILESS_MAIN(TestCellText)
#include "tst_cell_text.moc"
