// CPF and CNPJ check digits, and the words a run's report uses for a number that fails them.
#include "TaxNumber.h"

#include <QtTest>

class TestTaxNumber : public QObject {
    Q_OBJECT
private slots:
    void cpf_data();
    void cpf();
    void cnpj_data();
    void cnpj();
    void punctuatedForms();
};

void TestTaxNumber::cpf_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem"); // empty: valid
    const QString wrong = QStringLiteral("CPF com dígito verificador inválido");
    const QString repeated = QStringLiteral("CPF com todos os dígitos iguais");
    QTest::newRow("valid punctuated") << QStringLiteral("529.982.247-25") << QString();
    QTest::newRow("valid bare") << QStringLiteral("52998224725") << QString();
    QTest::newRow("valid, first digit from a rest below 2") << QStringLiteral("123.456.789-09") << QString();
    QTest::newRow("valid, second digit from a rest below 2") << QStringLiteral("987.654.321-00") << QString();
    QTest::newRow("valid with leading zeros") << QStringLiteral("000.000.001-91") << QString();
    QTest::newRow("valid with blanks around") << QStringLiteral(" 111.444.777-35 ") << QString();
    QTest::newRow("first check digit wrong") << QStringLiteral("529.982.247-35") << wrong;
    QTest::newRow("second check digit wrong") << QStringLiteral("529.982.247-24") << wrong;
    QTest::newRow("both wrong, bare") << QStringLiteral("12345678901") << wrong;
    QTest::newRow("digits swapped") << QStringLiteral("259.982.247-25") << wrong;
    QTest::newRow("all ones punctuated") << QStringLiteral("111.111.111-11") << repeated;
    QTest::newRow("all nines bare") << QStringLiteral("99999999999") << repeated;
    QTest::newRow("all zeros") << QStringLiteral("000.000.000-00") << repeated;
    QTest::newRow("ten digits") << QStringLiteral("5299822472") << QStringLiteral("CPF com menos de 11 dígitos");
    QTest::newRow("twelve digits") << QStringLiteral("529982247250")
                                   << QStringLiteral("CPF com mais de 11 dígitos");
    QTest::newRow("empty") << QString() << QStringLiteral("CPF com menos de 11 dígitos");
}

void TestTaxNumber::cpf()
{
    QFETCH(QString, text);
    QFETCH(QString, problem);
    QCOMPARE(TaxNumber::cpfProblem(text), problem);
    QCOMPARE(TaxNumber::cpfValid(text), problem.isEmpty());
}

void TestTaxNumber::cnpj_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");
    const QString wrong = QStringLiteral("CNPJ com dígito verificador inválido");
    const QString repeated = QStringLiteral("CNPJ com todos os dígitos iguais");
    QTest::newRow("valid punctuated") << QStringLiteral("11.222.333/0001-81") << QString();
    QTest::newRow("valid bare") << QStringLiteral("11222333000181") << QString();
    QTest::newRow("valid, another") << QStringLiteral("45.997.418/0001-53") << QString();
    QTest::newRow("valid with leading zeros") << QStringLiteral("00.000.000/0001-91") << QString();
    QTest::newRow("valid, a third") << QStringLiteral("11.444.777/0001-61") << QString();
    QTest::newRow("first check digit wrong") << QStringLiteral("11.222.333/0001-71") << wrong;
    QTest::newRow("second check digit wrong") << QStringLiteral("11.222.333/0001-82") << wrong;
    QTest::newRow("wrong bare") << QStringLiteral("11222333000180") << wrong;
    QTest::newRow("CPF weights do not make a CNPJ") << QStringLiteral("12.345.678/0001-00") << wrong;
    QTest::newRow("all ones punctuated") << QStringLiteral("11.111.111/1111-11") << repeated;
    QTest::newRow("all zeros bare") << QStringLiteral("00000000000000") << repeated;
    QTest::newRow("fifteen digits") << QStringLiteral("112223330001810")
                                    << QStringLiteral("CNPJ com mais de 14 dígitos");
    QTest::newRow("a CPF is no CNPJ") << QStringLiteral("529.982.247-25")
                                      << QStringLiteral("CNPJ com menos de 14 dígitos");
}

void TestTaxNumber::cnpj()
{
    QFETCH(QString, text);
    QFETCH(QString, problem);
    QCOMPARE(TaxNumber::cnpjProblem(text), problem);
    QCOMPARE(TaxNumber::cnpjValid(text), problem.isEmpty());
}

void TestTaxNumber::punctuatedForms()
{
    QCOMPARE(TaxNumber::cpfForm(QStringLiteral("52998224725")), QStringLiteral("529.982.247-25"));
    QCOMPARE(TaxNumber::cnpjForm(QStringLiteral("11222333000181")), QStringLiteral("11.222.333/0001-81"));
    QVERIFY(TaxNumber::cpfValid(TaxNumber::cpfForm(QStringLiteral("52998224725"))));
    QVERIFY(TaxNumber::cnpjValid(TaxNumber::cnpjForm(QStringLiteral("11222333000181"))));
}

QTEST_GUILESS_MAIN(TestTaxNumber)
#include "tst_tax_number.moc"
