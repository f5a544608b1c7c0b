#pragma once

#include <QByteArray>
#include <QHash>
#include <QThread>

#include <functional>

class QObject;
class QTcpServer;

/// A small HTTP/1.1 server on 127.0.0.1 for the fakes of the web services, on a thread of its own
/// (the clients block the thread that calls them). Requests are read whole, bodies included, and
/// answered by the handler on the server's thread; connections are kept alive.
class LoopbackHttpServer {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;

        QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
    };
    struct Response {
        int status = 200;
        QByteArray body;
        int delayMilliseconds = 0;
        bool silent = false; // the request is taken and never answered
    };
    using Handler = std::function<Response(const Request&)>;

    explicit LoopbackHttpServer(Handler handler);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    quint16 port() const { return m_port; }

    /// A loopback port that was free a moment ago, where nothing listens: a service that is down.
    static quint16 closedPort();

private:
    Handler m_handler;
    QThread m_thread;
    QObject* m_context = nullptr; // lives in m_thread
    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
};
