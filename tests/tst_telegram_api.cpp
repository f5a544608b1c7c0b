// The Telegram client against a fake Bot API on loopback: each request's method, path, content
// type and fields byte for byte, the keyboard and the multipart document, reading updates into
// records, missing configuration, a missing file, no network and a server that never answers.
#include "FakeBotApi.h"
#include "uTelegramAPI.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <QtTest>

namespace {

const QString kToken = QStringLiteral("9876543210:abcdefghijABCDEFGHIJ0123456789klmno");
const QByteArray kPathStart = "/bot9876543210:abcdefghijABCDEFGHIJ0123456789klmno/";

// name=value pairs of a URL-encoded body, decoded, in their order.
QList<std::pair<QString, QString>> formFields(const QByteArray& body)
{
    QList<std::pair<QString, QString>> fields;
    for (const QByteArray& pair : body.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        fields.append({QString::fromUtf8(QByteArray::fromPercentEncoding(pair.left(eq))),
                       QString::fromUtf8(QByteArray::fromPercentEncoding(pair.mid(eq + 1)))});
    }
    return fields;
}

struct Part {
    QByteArray headers;
    QByteArray content;
};

QList<Part> multipartParts(const QByteArray& contentType, const QByteArray& body)
{
    const QByteArray marker = "boundary=";
    QByteArray boundary = contentType.mid(contentType.indexOf(marker) + marker.size());
    if (boundary.startsWith('"'))
        boundary = boundary.mid(1, boundary.size() - 2);
    const QByteArray delimiter = "--" + boundary;
    QList<Part> parts;
    qsizetype at = body.indexOf(delimiter);
    while (at >= 0) {
        const qsizetype start = at + delimiter.size();
        if (body.mid(start, 2) == "--")
            break;
        const qsizetype next = body.indexOf(QByteArray("\r\n" + delimiter), start);
        if (next < 0)
            break;
        const QByteArray chunk = body.mid(start + 2, next - start - 2);
        const qsizetype split = chunk.indexOf("\r\n\r\n");
        parts.append({chunk.left(split), chunk.mid(split + 4)});
        at = next + 2;
    }
    return parts;
}

} // namespace

class TestTelegramApi : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sendMsgPostsAUrlEncodedForm();
    void answersAreKeptWhateverTheStatus();
    void buttonsFormOneRowInTheCallersOrder();
    void sendLocationSendsTheCoordinatesUnchanged();
    void sendFilePostsAMultipartDocument();
    void missingFileThrowsBeforeAnythingElse();
    void missingConfiguration_data();
    void missingConfiguration();
    void emptyTokenStillSendsToBot();
    void getUpdatesAppendsRecords();
    void getUpdatesReportsAnswersThatDoNotFit_data();
    void getUpdatesReportsAnswersThatDoNotFit();
    void withoutNetwork();
    void silentServerEndsAtTheTimeLimit();
    void errorTextsHideTheToken();
    void usableFromAnotherThread();

private:
    iTelegramAPI client(bool withToken = true, bool withChat = true);
    QStringList m_errors;
};

void TestTelegramApi::init()
{
    m_errors.clear();
}

void TestTelegramApi::cleanup()
{
    // No error text of any test may give the token away.
    for (const QString& e : std::as_const(m_errors)) {
        QVERIFY2(!e.contains(QStringLiteral("abcdefghijABCDEFGHIJ")), qPrintable(e));
        QVERIFY2(!e.contains(QStringLiteral("9876543210")), qPrintable(e));
    }
    qunsetenv("CONVERSOR_TELEGRAM_URL");
}

iTelegramAPI TestTelegramApi::client(bool withToken, bool withChat)
{
    iTelegramAPI api = TTelegramAPI::New()->OnError([this](const UserError& e) { m_errors << e.message(); });
    if (withChat)
        api->SetUserID(QStringLiteral("@redurevez"));
    if (withToken)
        api->SetBotToken(kToken);
    return api;
}

void TestTelegramApi::sendMsgPostsAUrlEncodedForm()
{
    FakeBotApi api;
    const QByteArray answer = R"({"ok":true,"result":{"text":"Olá"}})";
    api.answer("sendMessage", {200, answer});
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    const QString text = QStringLiteral("Ação & preço = R$ 10\r\nlinha 2+3 ~ 100%");
    const iTelegramAPI c = client();
    QVERIFY(c->SendMsg(text) == c);

    QCOMPARE(api.requestCount(), 1);
    const FakeBotApi::Request r = api.requests().first();
    QCOMPARE(r.method, QByteArray("POST"));
    QCOMPARE(r.path, kPathStart + "sendMessage");
    QCOMPARE(r.header("Content-Type"), QByteArray("application/x-www-form-urlencoded; charset=UTF-8"));
    QCOMPARE(r.body,
             QByteArray("chat_id=%40redurevez&text=A%C3%A7%C3%A3o%20%26%20pre%C3%A7o%20%3D%20R%24%2010%0D%0A"
                        "linha%202%2B3%20~%20100%25"));
    QCOMPARE(formFields(r.body).value(1).second, text);
    QCOMPARE(c->GetResult(), QString::fromUtf8(answer));
    QVERIFY(m_errors.isEmpty());
}

void TestTelegramApi::answersAreKeptWhateverTheStatus()
{
    FakeBotApi api;
    const QByteArray refusal =
        R"({"ok":false,"error_code":400,"description":"Bad Request: chat não encontrado"})";
    api.answer("sendMessage", {400, refusal});
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    const iTelegramAPI c = client();
    c->SendMsg(QStringLiteral("x"));
    QCOMPARE(c->GetResult(), QString::fromUtf8(refusal));
    QVERIFY(m_errors.isEmpty());
}

void TestTelegramApi::buttonsFormOneRowInTheCallersOrder()
{
    FakeBotApi api;
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    const iTelegramAPI c = client();
    c->SendMsgWithButtons(QStringLiteral("Escolha"),
                          {{QStringLiteral("Zé \"Site\""), QStringLiteral("https://z.example/?a=1&b=2")},
                           {QStringLiteral("Ajuda"), QStringLiteral("https://a.example/")}});
    QCOMPARE(api.requestCount(), 1);
    const FakeBotApi::Request r = api.requests().first();
    QCOMPARE(r.path, kPathStart + "sendMessage");
    QCOMPARE(r.header("Content-Type"), QByteArray("application/x-www-form-urlencoded; charset=UTF-8"));
    const auto fields = formFields(r.body);
    QCOMPARE(fields.size(), 3);
    QCOMPARE(fields.at(0), std::make_pair(QStringLiteral("chat_id"), QStringLiteral("@redurevez")));
    QCOMPARE(fields.at(1), std::make_pair(QStringLiteral("text"), QStringLiteral("Escolha")));
    const QString keyboard =
        QString::fromUtf8(R"({"inline_keyboard":[[{"text":"Zé \"Site\"","url":"https://z.example/?a=1&b=2"},)"
                          R"({"text":"Ajuda","url":"https://a.example/"}]]})");
    QCOMPARE(fields.at(2).first, QStringLiteral("reply_markup"));
    QCOMPARE(fields.at(2).second, keyboard);

    // No buttons: no request, and the last answer stays.
    const QString before = c->GetResult();
    QVERIFY(!before.isEmpty());
    c->SendMsgWithButtons(QStringLiteral("Nada"), {});
    QCOMPARE(api.requestCount(), 1);
    QCOMPARE(c->GetResult(), before);
}

void TestTelegramApi::sendLocationSendsTheCoordinatesUnchanged()
{
    FakeBotApi api;
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    client(true, false)
        ->SetUserID(QStringLiteral("-1001234567890"))
        ->SendLocation(QStringLiteral("-23,5505"), QStringLiteral("-46.6333"));
    QCOMPARE(api.requestCount(), 1);
    const FakeBotApi::Request r = api.requests().first();
    QCOMPARE(r.method, QByteArray("POST"));
    QCOMPARE(r.path, kPathStart + "sendLocation");
    QCOMPARE(r.header("Content-Type"), QByteArray("application/x-www-form-urlencoded; charset=UTF-8"));
    QCOMPARE(r.body, QByteArray("chat_id=-1001234567890&latitude=-23%2C5505&longitude=-46.6333"));
}

void TestTelegramApi::sendFilePostsAMultipartDocument()
{
    FakeBotApi api;
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("relatório 1.bin"));
    const QByteArray content("linha 1\r\n--não é fronteira\r\n\0\xff fim", 38);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const iTelegramAPI c = client();
    c->SendFile(path);
    QCOMPARE(api.requestCount(), 1);
    const FakeBotApi::Request r = api.requests().first();
    QCOMPARE(r.method, QByteArray("POST"));
    QCOMPARE(r.path, kPathStart + "sendDocument");
    QVERIFY2(r.header("Content-Type").startsWith("multipart/form-data; boundary="),
             r.header("Content-Type").constData());
    const QList<Part> parts = multipartParts(r.header("Content-Type"), r.body);
    QCOMPARE(parts.size(), 2);
    const QByteArray disposition = "Content-Disposition: form-data; name=\"document\"; filename=\"" +
                                   QStringLiteral("relatório 1.bin").toUtf8() + '"';
    QVERIFY2(parts.at(0).headers.contains(disposition), parts.at(0).headers.constData());
    QCOMPARE(parts.at(0).content, content);
    QVERIFY2(parts.at(1).headers.contains("Content-Disposition: form-data; name=\"chat_id\""),
             parts.at(1).headers.constData());
    QCOMPARE(parts.at(1).content, QByteArray("@redurevez"));
    QCOMPARE(c->GetResult(), QString::fromUtf8(FakeBotApi::Answer().body));
}

void TestTelegramApi::missingFileThrowsBeforeAnythingElse()
{
    FakeBotApi api;
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("não existe.pdf"));
    // Even without a token the file error comes first, and it is the caller's, not the callback's.
    for (const bool withToken : {false, true}) {
        const iTelegramAPI c = client(withToken);
        try {
            c->SendFile(missing);
            QFAIL("no error for a missing file");
        } catch (const UserError& e) {
            QVERIFY2(e.message().contains(missing), qPrintable(e.message()));
            m_errors << e.message();
        }
        QCOMPARE(m_errors.size(), withToken ? 2 : 1);
    }
    QCOMPARE(api.requestCount(), 0);
}

void TestTelegramApi::missingConfiguration_data()
{
    QTest::addColumn<bool>("withToken");
    QTest::addColumn<bool>("withChat");
    QTest::addColumn<QString>("error");
    QTest::newRow("nothing set") << false << false << QStringLiteral("BotToken is Empty!");
    QTest::newRow("no token") << false << true << QStringLiteral("BotToken is Empty!");
    QTest::newRow("no chat") << true << false << QStringLiteral("UserID is Empty!");
}

void TestTelegramApi::missingConfiguration()
{
    QFETCH(bool, withToken);
    QFETCH(bool, withChat);
    QFETCH(QString, error);
    FakeBotApi api;
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("a.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const iTelegramAPI c = client(withToken, withChat);
    c->SendMsg(QStringLiteral("a"))
        ->SendLocation(QStringLiteral("1"), QStringLiteral("2"))
        ->SendMsgWithButtons(QStringLiteral("b"),
                             {{QStringLiteral("c"), QStringLiteral("https://d.example/")}})
        ->SendFile(file.fileName());
    // One report per operation, never two for one.
    QCOMPARE(m_errors, QStringList(4, error));
    QCOMPARE(c->GetResult(), QString());
    QCOMPARE(api.requestCount(), 0);

    // Without a callback the same operations fail silently.
    TTelegramAPI::New()->SendMsg(QStringLiteral("a"));
    QCOMPARE(m_errors.size(), 4);
}

void TestTelegramApi::emptyTokenStillSendsToBot()
{
    FakeBotApi api;
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    const iTelegramAPI c = client(false)->SetBotToken(QString());
    c->SendMsg(QStringLiteral("x"));
    QCOMPARE(api.requestCount(), 1);
    QCOMPARE(api.requests().first().path, QByteArray("/bot/sendMessage"));
    QVERIFY(m_errors.isEmpty());
}

void TestTelegramApi::getUpdatesAppendsRecords()
{
    FakeBotApi api;
    api.answer("getUpdates", {200, R"({"ok":true,"result":[
        {"update_id":700001,"message":{"message_id":12,"date":1646998800,"text":"Olá, mundo",
            "from":{"id":9007199254740993,"is_bot":false,"first_name":"José","last_name":"Silva",
                    "username":"jsilva","language_code":"pt-br"},
            "chat":{"id":-1001234567890123,"type":"supergroup","username":"redurevez","title":"ignored"},
            "entities":[{"type":"bold","offset":0,"length":3}]}},
        {"UPDATE_ID":700002,"Message":{"Message_ID":13,"TEXT":"segunda","From":{"Is_Bot":true,"ID":5},
            "chat":null}}]})"});
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    QList<TChatMessageDTO> updates(1); // a record already there stays first
    updates.first().SetUpdate_Id(1);
    // The chat is not needed to read updates.
    client(true, false)->GetUpdates(updates);

    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join(u'\n')));
    QCOMPARE(api.requestCount(), 1);
    const FakeBotApi::Request r = api.requests().first();
    QCOMPARE(r.method, QByteArray("GET"));
    QCOMPARE(r.path, kPathStart + "getUpdates");
    QVERIFY(r.body.isEmpty());

    QCOMPARE(updates.size(), 3);
    QCOMPARE(updates.at(0).Update_Id(), 1);
    const TChatMessageDTO& a = updates.at(1);
    QCOMPARE(a.Update_Id(), 700001);
    QCOMPARE(a.Message().Message_Id(), 12);
    QCOMPARE(a.Message().Date(), 1646998800);
    QCOMPARE(a.Message().Text(), QStringLiteral("Olá, mundo"));
    QCOMPARE(a.Message().From().Id(), Q_INT64_C(9007199254740993));
    QCOMPARE(a.Message().From().Is_Bot(), false);
    QCOMPARE(a.Message().From().First_Name(), QStringLiteral("José"));
    QCOMPARE(a.Message().From().Last_Name(), QStringLiteral("Silva"));
    QCOMPARE(a.Message().From().Username(), QStringLiteral("jsilva"));
    QCOMPARE(a.Message().From().Language_Code(), QStringLiteral("pt-br"));
    QCOMPARE(a.Message().Chat().Id(), Q_INT64_C(-1001234567890123));
    QCOMPARE(a.Message().Chat().Type(), QStringLiteral("supergroup"));
    QCOMPARE(a.Message().Chat().Username(), QStringLiteral("redurevez"));
    const TChatMessageDTO& b = updates.at(2);
    QCOMPARE(b.Update_Id(), 700002);
    QCOMPARE(b.Message().Message_Id(), 13);
    QCOMPARE(b.Message().Text(), QStringLiteral("segunda"));
    QCOMPARE(b.Message().From().Is_Bot(), true);
    QCOMPARE(b.Message().From().Id(), 5);
    QCOMPARE(b.Message().Chat().Id(), 0);

    // An empty list appends nothing and reports nothing.
    api.answer("getUpdates", {200, R"({"ok":true,"result":[]})"});
    client()->GetUpdates(updates);
    QCOMPARE(updates.size(), 3);
    QVERIFY(m_errors.isEmpty());
}

void TestTelegramApi::getUpdatesReportsAnswersThatDoNotFit_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("appended");
    QTest::newRow("not json") << QByteArray("<html>Bad Gateway</html>") << 0;
    QTest::newRow("an error answer") << QByteArray(
                                            R"({"ok":false,"error_code":401,"description":"Unauthorized"})")
                                     << 0;
    QTest::newRow("element not an object") << QByteArray(R"({"ok":true,"result":[{"update_id":1},7]})") << 1;
    QTest::newRow("update id beyond 32 bits")
        << QByteArray(R"({"ok":true,"result":[{"update_id":1},{"update_id":2147483648}]})") << 1;
    QTest::newRow("text that is a number")
        << QByteArray(R"({"ok":true,"result":[{"message":{"text":5}}]})") << 0;
    QTest::newRow("is_bot that is text")
        << QByteArray(R"({"ok":true,"result":[{"message":{"from":{"is_bot":"no"}}}]})") << 0;
    QTest::newRow("date with a fraction")
        << QByteArray(R"({"ok":true,"result":[{"message":{"date":1.5}}]})") << 0;
}

void TestTelegramApi::getUpdatesReportsAnswersThatDoNotFit()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, appended);
    FakeBotApi api;
    api.answer("getUpdates", {200, answer});
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    QList<TChatMessageDTO> updates;
    const iTelegramAPI c = client();
    c->GetUpdates(updates);
    QCOMPARE(m_errors.size(), 1);
    QCOMPARE(updates.size(), appended);
    QCOMPARE(c->GetResult(), QString::fromUtf8(answer));

    // Without a token nothing is asked.
    m_errors.clear();
    client(false)->GetUpdates(updates);
    QCOMPARE(m_errors, QStringList{QStringLiteral("BotToken is Empty!")});
    QCOMPARE(api.requestCount(), 1);
}

void TestTelegramApi::withoutNetwork()
{
    qputenv("CONVERSOR_TELEGRAM_URL", closedBotApiUrl().toUtf8());
    const iTelegramAPI c = client();
    QElapsedTimer clock;
    clock.start();
    c->SendMsg(QStringLiteral("sem rede"));
    QVERIFY(clock.elapsed() < TTelegramAPI::cTimeoutMilliseconds);
    QCOMPARE(c->GetResult(), QString());
    QVERIFY(m_errors.isEmpty());

    // The failed request, then the empty answer that is no JSON object.
    QList<TChatMessageDTO> updates;
    c->GetUpdates(updates);
    QCOMPARE(m_errors.size(), 2);
    QVERIFY2(m_errors.at(0).startsWith(QStringLiteral("Falha na comunicação com o Telegram")),
             qPrintable(m_errors.at(0)));
    QCOMPARE(m_errors.at(1), QStringLiteral("A resposta do Telegram não é um objeto JSON."));
    QVERIFY(updates.isEmpty());
}

void TestTelegramApi::silentServerEndsAtTheTimeLimit()
{
    FakeBotApi silent(true);
    qputenv("CONVERSOR_TELEGRAM_URL", silent.baseUrl().toUtf8());
    const iTelegramAPI c = client();
    QList<TChatMessageDTO> updates;
    QElapsedTimer clock;
    clock.start();
    c->GetUpdates(updates);
    const qint64 elapsed = clock.elapsed();
    // Qt runs the limit on a coarse timer, which may fire up to 5% early.
    QVERIFY2(elapsed >= TTelegramAPI::cTimeoutMilliseconds * 9 / 10 &&
                 elapsed < TTelegramAPI::cTimeoutMilliseconds + 2500,
             qPrintable(QString::number(elapsed)));
    QCOMPARE(silent.requestCount(), 1);
    QVERIFY(!m_errors.isEmpty());
    QVERIFY2(m_errors.first().startsWith(QStringLiteral("Tempo esgotado aguardando a resposta")),
             qPrintable(m_errors.first()));
}

void TestTelegramApi::errorTextsHideTheToken()
{
    // Qt's text for a missing local file quotes the whole path, token included.
    QTemporaryDir dir;
    qputenv("CONVERSOR_TELEGRAM_URL",
            QUrl::fromLocalFile(dir.filePath(QStringLiteral("x"))).toString().toUtf8() + "/{BOT_TOKEN}");
    QList<TChatMessageDTO> updates;
    client()->GetUpdates(updates);
    QCOMPARE(m_errors.size(), 2);
    QVERIFY2(m_errors.first().contains(QStringLiteral("***")), qPrintable(m_errors.first()));
    // cleanup() checks that the token itself is nowhere.
}

void TestTelegramApi::usableFromAnotherThread()
{
    FakeBotApi api;
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    // Made here, used first on this thread, then on a worker, as a run's notice would be.
    const iTelegramAPI c = client();
    c->SendMsg(QStringLiteral("aqui"));
    QThread* worker = QThread::create([c] { c->SendMsg(QStringLiteral("lá")); });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;
    c->SendMsg(QStringLiteral("de volta"));
    QCOMPARE(api.requestCount(), 3);
    QCOMPARE(formFields(api.requests().at(1).body).value(1).second, QStringLiteral("lá"));
    QCOMPARE(formFields(api.requests().at(2).body).value(1).second, QStringLiteral("de volta"));
}

QTEST_GUILESS_MAIN(TestTelegramApi)
#include "tst_telegram_api.moc"
