// The ViaCEP client against a fake service on the loopback address: what it asks, how it reads
// the answers, how it fails, and that it asks each postal code once.
#include "FakeViaCep.h"
#include "PostalCodeLookup.h"
#include "UserError.h"

#include <QtTest>

class TestPostalCodeLookup : public QObject {
    Q_OBJECT
private slots:
    void readsTheAddress();
    void unknownPostalCodeHasNoAddress_data();
    void unknownPostalCodeHasNoAddress();
    void failuresNameThePostalCode_data();
    void failuresNameThePostalCode();
    void onlyEightDigitsAreSent_data();
    void onlyEightDigitsAreSent();
    void asksEachPostalCodeOnce();
    void baseComesFromTheEnvironment();
    void worksOnAWorkerThread();
};

void TestPostalCodeLookup::readsTheAddress()
{
    FakeViaCep service;
    service.answer(QStringLiteral("87010000"),
                   {200, FakeViaCep::addressJson(QStringLiteral("Avenida Brasil"), QStringLiteral("Zona 01"),
                                                 QStringLiteral("4115200"))});
    ViaCepLookup lookup(service.baseUrl());
    lookup.BuscarPorCEP(QStringLiteral("87010000"));
    QCOMPARE(service.paths(), QStringList{QStringLiteral("/ws/87010000/json/")});
    QCOMPARE(lookup.Enderecos().size(), 1);
    const Endereco& e = lookup.Enderecos().constFirst();
    QCOMPARE(e.Logradouro, QStringLiteral("Avenida Brasil"));
    QCOMPARE(e.Bairro, QStringLiteral("Zona 01"));
    QCOMPARE(e.IBGE_Municipio, QStringLiteral("4115200"));

    // Each call replaces what the last one found.
    lookup.BuscarPorCEP(QStringLiteral("99999999"));
    QVERIFY(lookup.Enderecos().isEmpty());
}

void TestPostalCodeLookup::unknownPostalCodeHasNoAddress_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("erro true") << QByteArray("{\n  \"erro\": true\n}");
    QTest::newRow("erro \"true\"") << QByteArray("{\"erro\": \"true\"}");
}

void TestPostalCodeLookup::unknownPostalCodeHasNoAddress()
{
    QFETCH(QByteArray, body);
    FakeViaCep service;
    service.answer(QStringLiteral("00000001"), {200, body});
    ViaCepLookup lookup(service.baseUrl());
    lookup.BuscarPorCEP(QStringLiteral("00000001"));
    QVERIFY(lookup.Enderecos().isEmpty());
    QCOMPARE(service.requests(), 1);
}

void TestPostalCodeLookup::failuresNameThePostalCode_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("delay");
    QTest::addColumn<bool>("serviceDown");
    QTest::addColumn<QString>("reason");
    QTest::newRow("service down") << 200 << QByteArray() << 0 << true << QString();
    QTest::newRow("HTTP 500") << 500 << QByteArray("falhou") << 0 << false << QStringLiteral("HTTP 500");
    QTest::newRow("HTTP 404") << 404 << QByteArray() << 0 << false << QStringLiteral("HTTP 404");
    QTest::newRow("time-out") << 200 << QByteArray("{}") << 3000 << false << QStringLiteral("não respondeu");
    QTest::newRow("not JSON") << 200 << QByteArray("<html>") << 0 << false << QStringLiteral("ilegível");
    QTest::newRow("JSON array") << 200 << QByteArray("[1, 2]") << 0 << false << QStringLiteral("ilegível");
    QTest::newRow("no address") << 200 << QByteArray("{\"x\": 1}") << 0 << false
                                << QStringLiteral("ilegível");
}

void TestPostalCodeLookup::failuresNameThePostalCode()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, delay);
    QFETCH(bool, serviceDown);
    QFETCH(QString, reason);
    FakeViaCep service;
    service.answer(QStringLiteral("87010000"), {status, body, delay});
    ViaCepLookup lookup(serviceDown ? unreachableBaseUrl() : service.baseUrl(), 400);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            lookup.BuscarPorCEP(QStringLiteral("87010000"));
            QFAIL("no error");
        } catch (const UserError& e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("Falha ao consultar o CEP 87010000: ")),
                     qPrintable(e.message()));
            QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
        }
    }
    // A failed postal code is not asked again: the second attempt fails with the first one's text.
    QCOMPARE(lookup.requestsSent(), 1);
}

void TestPostalCodeLookup::onlyEightDigitsAreSent_data()
{
    QTest::addColumn<QString>("cep");
    QTest::addColumn<QString>("path"); // empty: nothing sent
    QTest::newRow("8 digits") << QStringLiteral("01001000") << QStringLiteral("/ws/01001000/json/");
    QTest::newRow("punctuated") << QStringLiteral("01001-000") << QStringLiteral("/ws/01001000/json/");
    QTest::newRow("9 digits") << QStringLiteral("870100001") << QString();
    QTest::newRow("7 digits") << QStringLiteral("8701000") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestPostalCodeLookup::onlyEightDigitsAreSent()
{
    QFETCH(QString, cep);
    QFETCH(QString, path);
    FakeViaCep service;
    service.answerOthers([](const QString&) {
        return FakeViaCep::Answer{200,
                                  FakeViaCep::addressJson(QStringLiteral("Praça da Sé"), QStringLiteral("Sé"),
                                                          QStringLiteral("3550308"))};
    });
    ViaCepLookup lookup(service.baseUrl());
    lookup.BuscarPorCEP(cep);
    QCOMPARE(service.paths(), path.isEmpty() ? QStringList() : QStringList{path});
    QCOMPARE(lookup.Enderecos().size(), path.isEmpty() ? 0 : 1);
    if (!path.isEmpty())
        QCOMPARE(lookup.Enderecos().constFirst().Logradouro, QStringLiteral("Praça da Sé"));
}

void TestPostalCodeLookup::asksEachPostalCodeOnce()
{
    FakeViaCep service;
    service.answer(QStringLiteral("87010000"),
                   {200, FakeViaCep::addressJson(QStringLiteral("Rua A"), QStringLiteral("Centro"),
                                                 QStringLiteral("1"))});
    ViaCepLookup lookup(service.baseUrl());
    for (const QString& cep :
         {QStringLiteral("87010000"), QStringLiteral("12345678"), QStringLiteral("87010-000"),
          QStringLiteral("12345678"), QStringLiteral("87010000")}) {
        lookup.BuscarPorCEP(cep);
        QCOMPARE(lookup.Enderecos().isEmpty(), cep.startsWith(u'1'));
    }
    QCOMPARE(service.requests(), 2);
    QCOMPARE(lookup.requestsSent(), 2);
    QCOMPARE(lookup.Enderecos().constFirst().Logradouro, QStringLiteral("Rua A"));
}

void TestPostalCodeLookup::baseComesFromTheEnvironment()
{
    FakeViaCep service;
    // Without a trailing slash the base still ends in one.
    QString base = service.baseUrl();
    base.chop(1);
    qputenv("CONVERSOR_VIACEP_URL", base.toUtf8());
    ViaCepLookup fromEnvironment;
    qunsetenv("CONVERSOR_VIACEP_URL");
    QCOMPARE(fromEnvironment.baseUrl(), service.baseUrl());
    fromEnvironment.BuscarPorCEP(QStringLiteral("87010000"));
    QCOMPARE(service.requests(), 1);
    QCOMPARE(ViaCepLookup().baseUrl(), QStringLiteral("https://viacep.com.br/ws/"));
}

void TestPostalCodeLookup::worksOnAWorkerThread()
{
    // The window's runs happen on a worker thread, which has no event loop of its own running.
    FakeViaCep service;
    service.answer(
        QStringLiteral("87010000"),
        {200, FakeViaCep::addressJson(QStringLiteral("Rua B"), QString(), QStringLiteral("4115200")), 50});
    QString street;
    QThread* worker = QThread::create([&] {
        ViaCepLookup lookup(service.baseUrl());
        lookup.BuscarPorCEP(QStringLiteral("87010000"));
        street = lookup.Enderecos().value(0).Logradouro;
    });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;
    QCOMPARE(street, QStringLiteral("Rua B"));
}

QTEST_GUILESS_MAIN(TestPostalCodeLookup)
#include "tst_postal_code_lookup.moc"
