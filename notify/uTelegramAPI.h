#pragma once

#include "uTelegramAPIInterfaces.h"

#include <QByteArray>
#include <memory>

class QHttpMultiPart;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QUrl;

/// The Bot API client behind iTelegramAPI. Its network manager is made on the thread of the first
/// request, so a client may be created on one thread and used on another, as long as one thread
/// uses it.
class TTelegramAPI : public ITelegramAPIInterface, public std::enable_shared_from_this<TTelegramAPI> {
public:
    /// A client with empty token, chat, result and callback; the only way to obtain one.
    static iTelegramAPI New();
    ~TTelegramAPI() override;
    TTelegramAPI(const TTelegramAPI&) = delete;
    TTelegramAPI& operator=(const TTelegramAPI&) = delete;

    iTelegramAPI SetBotToken(const QString& AToken) override;
    iTelegramAPI SetUserID(const QString& AUserID) override;
    iTelegramAPI SendFile(const QString& AFileName) override;
    iTelegramAPI SendMsg(const QString& AMsg) override;
    iTelegramAPI SendMsgWithButtons(const QString& AMsg, const TTelegramButtons& AButtons) override;
    iTelegramAPI OnError(TProcErrorException AValue) override;
    iTelegramAPI GetUpdates(QList<TChatMessageDTO>& AValue) override;
    QString GetResult() const override;
    iTelegramAPI SendLocation(const QString& ALatitude, const QString& ALongitude) override;

    /// Connection and answer limits of every request.
    static constexpr int cTimeoutMilliseconds = 5000;

private:
    using TFormFields = QList<std::pair<QString, QString>>;
    struct TAnswer {
        bool ok = false;
        QString body;
        QString error; // already free of the token
    };

    TTelegramAPI() = default;

    bool Ready();
    QString GetURL(const QString& APath) const;
    QString _GET(const QString& AUrl);
    QString _POST(const QString& AUrl, QHttpMultiPart& AData);
    QString _POST(const QString& AUrl, const TFormFields& AData);

    TAnswer send(const QString& AUrl, const QByteArray& AVerb, const QByteArray& AContentType,
                 const QByteArray& ABody, QHttpMultiPart* AMultipart);
    QNetworkAccessManager& manager();
    void dropManager();
    QString withoutToken(QString AText) const;
    void reportError(const QString& AMessage) const;

    std::unique_ptr<QNetworkAccessManager> FHTTPClient;
    QString FBotToken;
    QString FUserID;
    QString FResult;
    TProcErrorException FProcErrorException;
};
