#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>
#include <atomic>

class QObject;
class QTcpServer;

/// A stand-in for the Telegram Bot API on 127.0.0.1, on a thread of its own (the client blocks
/// the thread that calls it). It records every request whole and answers over HTTP/1.1, or, when
/// silent, takes the request and never answers.
class FakeBotApi {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;

        QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
    };
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
    Answer answerFor(const QByteArray& path) const;

    bool m_silent;
    QThread m_thread;
    QObject* m_context = nullptr; // lives in m_thread
    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QHash<QByteArray, Answer> m_answers;
    QList<Request> m_requests;
};

/// A Bot API base on a loopback port where nothing listens.
QString closedBotApiUrl();
