#include "LoopbackHttpServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : m_handler(std::move(handler))
{
    m_thread.start();
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            m_server = new QTcpServer;
            m_server->listen(QHostAddress::LocalHost, 0);
            m_port = m_server->serverPort();
            QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] {
                while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                    socket->setParent(m_server);
                    auto buffer = std::make_shared<QByteArray>();
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                        buffer->append(socket->readAll());
                        for (;;) {
                            const qsizetype end = buffer->indexOf("\r\n\r\n");
                            if (end < 0)
                                return;
                            const QList<QByteArray> lines = buffer->left(end).split('\n');
                            Request r;
                            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
                            r.method = requestLine.value(0);
                            r.path = requestLine.value(1);
                            for (qsizetype i = 1; i < lines.size(); ++i) {
                                const QByteArray line = lines.at(i).trimmed();
                                const qsizetype colon = line.indexOf(':');
                                if (colon > 0)
                                    r.headers.insert(line.left(colon).trimmed().toLower(),
                                                     line.mid(colon + 1).trimmed());
                            }
                            const qsizetype length = r.headers.value("content-length", "0").toLongLong();
                            if (buffer->size() < end + 4 + length)
                                return; // the body is still on its way
                            r.body = buffer->mid(end + 4, length);
                            buffer->remove(0, end + 4 + length);
                            const Response a = m_handler(r);
                            if (a.silent)
                                continue;
                            const QByteArray response = "HTTP/1.1 " + QByteArray::number(a.status) + ' ' +
                                                        reasonPhrase(a.status) +
                                                        "\r\nContent-Type: application/json; charset=utf-8"
                                                        "\r\nContent-Length: " +
                                                        QByteArray::number(a.body.size()) +
                                                        "\r\nConnection: keep-alive\r\n\r\n" + a.body;
                            if (a.delayMilliseconds > 0)
                                QTimer::singleShot(a.delayMilliseconds, socket,
                                                   [socket, response] { socket->write(response); });
                            else
                                socket->write(response);
                        }
                    });
                    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                }
            });
        },
        Qt::BlockingQueuedConnection);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    QMetaObject::invokeMethod(
        m_context, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

quint16 LoopbackHttpServer::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
