#include "uTelegramAPI.h"

#include "TelegramConfig.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {

const QByteArray cFormContentType = QByteArrayLiteral("application/x-www-form-urlencoded; charset=UTF-8");

// A file name inside the quoted filename parameter of a part header.
QByteArray quotedFileName(const QString& path)
{
    QByteArray name = QFileInfo(path).fileName().toUtf8();
    name.replace('\\', "%5C").replace('"', "%22").replace('\r', "%0D").replace('\n', "%0A");
    return name;
}

} // namespace

iTelegramAPI TTelegramAPI::New()
{
    return std::shared_ptr<TTelegramAPI>(new TTelegramAPI);
}

TTelegramAPI::~TTelegramAPI()
{
    dropManager();
}

iTelegramAPI TTelegramAPI::SetBotToken(const QString& AToken)
{
    FBotToken = QStringLiteral("bot") + AToken;
    return shared_from_this();
}

iTelegramAPI TTelegramAPI::SetUserID(const QString& AUserID)
{
    FUserID = AUserID;
    return shared_from_this();
}

iTelegramAPI TTelegramAPI::OnError(TProcErrorException AValue)
{
    FProcErrorException = std::move(AValue);
    return shared_from_this();
}

QString TTelegramAPI::GetResult() const
{
    return FResult;
}

iTelegramAPI TTelegramAPI::SendMsg(const QString& AMsg)
{
    FResult = _POST(GetURL(QStringLiteral("/sendMessage")),
                    {{QStringLiteral("chat_id"), FUserID}, {QStringLiteral("text"), AMsg}});
    return shared_from_this();
}

iTelegramAPI TTelegramAPI::SendMsgWithButtons(const QString& AMsg, const TTelegramButtons& AButtons)
{
    if (AButtons.isEmpty())
        return shared_from_this();
    QJsonArray row;
    for (const auto& [caption, address] : AButtons)
        row.append(QJsonObject{{QStringLiteral("text"), caption}, {QStringLiteral("url"), address}});
    const QString keyboard = QStringLiteral("{\"inline_keyboard\":[") +
                             QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact)) +
                             QStringLiteral("]}");
    FResult = _POST(GetURL(QStringLiteral("/sendMessage")), {{QStringLiteral("chat_id"), FUserID},
                                                             {QStringLiteral("text"), AMsg},
                                                             {QStringLiteral("reply_markup"), keyboard}});
    return shared_from_this();
}

iTelegramAPI TTelegramAPI::SendLocation(const QString& ALatitude, const QString& ALongitude)
{
    FResult = _POST(GetURL(QStringLiteral("/sendLocation")), {{QStringLiteral("chat_id"), FUserID},
                                                              {QStringLiteral("latitude"), ALatitude},
                                                              {QStringLiteral("longitude"), ALongitude}});
    return shared_from_this();
}

iTelegramAPI TTelegramAPI::SendFile(const QString& AFileName)
{
    // The file is read before anything is checked or sent, and a file that cannot be read is the
    // caller's error, not the callback's.
    QFile file(AFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw TTelegramError(
            QStringLiteral("Não foi possível abrir o arquivo \"%1\": %2").arg(AFileName, file.errorString()));
    QHttpPart document;
    document.setRawHeader("Content-Disposition",
                          "form-data; name=\"document\"; filename=\"" + quotedFileName(AFileName) + '"');
    document.setRawHeader("Content-Type", "application/octet-stream");
    document.setBody(file.readAll());
    QHttpPart chat;
    chat.setRawHeader("Content-Disposition", "form-data; name=\"chat_id\"");
    chat.setBody(FUserID.toUtf8());
    QHttpMultiPart form(QHttpMultiPart::FormDataType);
    form.append(document);
    form.append(chat);
    FResult = _POST(GetURL(QStringLiteral("/sendDocument")), form);
    return shared_from_this();
}

iTelegramAPI TTelegramAPI::GetUpdates(QList<TChatMessageDTO>& AValue)
{
    if (FBotToken.isEmpty()) {
        reportError(QStringLiteral("BotToken is Empty!"));
        return shared_from_this();
    }
    try {
        FResult = _GET(GetURL(QStringLiteral("/getUpdates")));
        const QJsonDocument answer = QJsonDocument::fromJson(FResult.toUtf8());
        if (!answer.isObject())
            throw TTelegramError(QStringLiteral("A resposta do Telegram não é um objeto JSON."));
        const QJsonValue result = answer.object().value(QStringLiteral("result"));
        if (!result.isArray())
            throw TTelegramError(QStringLiteral("A resposta do Telegram não traz a lista \"result\"."));
        for (const QJsonValue element : result.toArray()) {
            if (!element.isObject())
                throw TTelegramError(
                    QStringLiteral("Um item da lista \"result\" do Telegram não é um objeto."));
            AValue.append(TChatMessageDTO::FromJson(element.toObject()));
        }
    } catch (const UserError& e) {
        if (FProcErrorException)
            FProcErrorException(e);
    }
    return shared_from_this();
}

bool TTelegramAPI::Ready()
{
    if (FBotToken.isEmpty()) {
        reportError(QStringLiteral("BotToken is Empty!"));
        return false;
    }
    if (FUserID.isEmpty()) {
        reportError(QStringLiteral("UserID is Empty!"));
        return false;
    }
    return true;
}

QString TTelegramAPI::GetURL(const QString& APath) const
{
    QString url = cTelegramBaseUrl();
    url.replace(QStringLiteral("{BOT_TOKEN}"), FBotToken + APath);
    return url;
}

QString TTelegramAPI::_GET(const QString& AUrl)
{
    const TAnswer answer = send(AUrl, "GET", {}, {}, nullptr);
    if (!answer.ok && FProcErrorException)
        FProcErrorException(TTelegramError(answer.error));
    return answer.body;
}

QString TTelegramAPI::_POST(const QString& AUrl, QHttpMultiPart& AData)
{
    if (!Ready())
        return {};
    // QHttpMultiPart supplies the content type with its boundary.
    return send(AUrl, "POST", {}, {}, &AData).body;
}

QString TTelegramAPI::_POST(const QString& AUrl, const TFormFields& AData)
{
    if (!Ready())
        return {};
    QByteArray form;
    for (const auto& [name, value] : AData) {
        if (!form.isEmpty())
            form += '&';
        form += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return send(AUrl, "POST", cFormContentType, form, nullptr).body;
}

TTelegramAPI::TAnswer TTelegramAPI::send(const QString& AUrl, const QByteArray& AVerb,
                                         const QByteArray& AContentType, const QByteArray& ABody,
                                         QHttpMultiPart* AMultipart)
{
    TAnswer answer;
    const QUrl address(AUrl);
    if (!address.isValid() || address.scheme().isEmpty()) {
        answer.error = QStringLiteral("O endereço do Telegram não é válido.");
        return answer;
    }
    QNetworkRequest request(address);
    request.setTransferTimeout(cTimeoutMilliseconds);
    if (!AContentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, AContentType);

    QNetworkAccessManager& http = manager();
    std::unique_ptr<QNetworkReply> reply(AVerb == "GET" ? http.get(request)
                                         : AMultipart   ? http.post(request, AMultipart)
                                                        : http.post(request, ABody));

    // The transfer limit covers silence once the request is under way; the connection (name
    // look-up, TCP, TLS) gets a limit of its own, since a handshake that trickles would keep
    // resetting the transfer limit.
    QEventLoop loop;
    QTimer connectLimit;
    connectLimit.setSingleShot(true);
    bool connectTimedOut = false;
    const auto connected = [&connectLimit] { connectLimit.stop(); };
    QObject::connect(reply.get(), &QNetworkReply::requestSent, &loop, connected);
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, connected);
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, connected);
    QObject::connect(&connectLimit, &QTimer::timeout, &loop, [&connectTimedOut, &reply] {
        connectTimedOut = true;
        reply->abort();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connectLimit.start(cTimeoutMilliseconds);
    // No clicks or keys while a request is under way, so the caller is not re-entered.
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    connectLimit.stop();

    // Any answer of the server counts, whatever its status; only a missing answer is an error.
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        answer.ok = true;
        answer.body = QString::fromUtf8(reply->readAll());
    } else if (connectTimedOut) {
        answer.error =
            QStringLiteral("Tempo esgotado ao conectar ao Telegram (%1 ms).").arg(cTimeoutMilliseconds);
    } else if (reply->error() == QNetworkReply::OperationCanceledError) {
        answer.error = QStringLiteral("Tempo esgotado aguardando a resposta do Telegram (%1 ms).")
                           .arg(cTimeoutMilliseconds);
    } else {
        answer.error =
            QStringLiteral("Falha na comunicação com o Telegram: ") + withoutToken(reply->errorString());
    }
    return answer;
}

QNetworkAccessManager& TTelegramAPI::manager()
{
    // Made on the thread that sends, since a manager serves only its own thread.
    if (FHTTPClient && FHTTPClient->thread() != QThread::currentThread())
        dropManager();
    if (!FHTTPClient) {
        FHTTPClient = std::make_unique<QNetworkAccessManager>();
        FHTTPClient->setTransferTimeout(cTimeoutMilliseconds);
    }
    return *FHTTPClient;
}

void TTelegramAPI::dropManager()
{
    if (!FHTTPClient)
        return;
    // A manager belongs to the thread that made it: a thread still running gets it back to delete;
    // one that has ended delivers no events, so it is deleted here.
    QThread* owner = FHTTPClient->thread();
    if (owner && owner != QThread::currentThread() && !owner->isFinished())
        FHTTPClient.release()->deleteLater();
    else
        FHTTPClient.reset();
}

QString TTelegramAPI::withoutToken(QString AText) const
{
    // Qt's error texts may quote the address, and the address holds the token.
    const QString token = FBotToken.mid(3);
    if (token.isEmpty())
        return AText;
    const QString hidden = QStringLiteral("***");
    AText.replace(QString::fromLatin1(QUrl::toPercentEncoding(token)), hidden);
    AText.replace(token, hidden);
    return AText;
}

void TTelegramAPI::reportError(const QString& AMessage) const
{
    if (FProcErrorException)
        FProcErrorException(TTelegramError(AMessage));
}
