#pragma once

#include "LoopbackHttpServer.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <memory>

/// A stand-in for the Telegram Bot API on 127.0.0.1, on a thread of its own (the client blocks
/// the thread that calls it). It records every request whole and answers over HTTP/1.1, or, when
/// silent, takes the request and never answers.
class FakeBotApi {
public:
    using Request = LoopbackHttpServer::Request;
    struct Answer {
        int status = 200;
        QByteArray body = R"({"ok":true,"result":{}})";
    };

    explicit FakeBotApi(bool silent = false);
    ~FakeBotApi();
    FakeBotApi(const FakeBotApi&) = delete;
    FakeBotApi& operator=(const FakeBotApi&) = delete;

    /// The answer to one Bot API method (the last segment of the path, "getUpdates").
    void answer(const QByteArray& method, Answer answer);

    /// "http://127.0.0.1:<port>/{BOT_TOKEN}", for CONVERSOR_TELEGRAM_URL.
    QString baseUrl() const;
    /// The requests in the order they arrived.
    QList<Request> requests() const;
    int requestCount() const;

private:
    LoopbackHttpServer::Response respond(const Request& request);

    bool m_silent;
    mutable QMutex m_mutex;
    QHash<QByteArray, Answer> m_answers;
    QList<Request> m_requests;
    std::unique_ptr<LoopbackHttpServer> m_server; // last: it calls respond until it is gone
};

/// A Bot API base on a loopback port where nothing listens.
QString closedBotApiUrl();
