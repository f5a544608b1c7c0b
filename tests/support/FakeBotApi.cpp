#include "FakeBotApi.h"

#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

FakeBotApi::FakeBotApi(bool silent) : m_silent(silent)
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
                            const Answer a = answerFor(r.path);
                            {
                                QMutexLocker lock(&m_mutex);
                                m_requests.append(r);
                            }
                            if (m_silent)
                                continue;
                            socket->write("HTTP/1.1 " + QByteArray::number(a.status) +
                                          (a.status == 200 ? " OK" : " Error") +
                                          "\r\nContent-Type: application/json\r\nContent-Length: " +
                                          QByteArray::number(a.body.size()) +
                                          "\r\nConnection: keep-alive\r\n\r\n" + a.body);
                        }
                    });
                    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                }
            });
        },
        Qt::BlockingQueuedConnection);
}

FakeBotApi::~FakeBotApi()
{
    QMetaObject::invokeMethod(
        m_context, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

void FakeBotApi::answer(const QByteArray& method, Answer answer)
{
    QMutexLocker lock(&m_mutex);
    m_answers.insert(method, std::move(answer));
}

QString FakeBotApi::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/{BOT_TOKEN}").arg(m_port);
}

QList<FakeBotApi::Request> FakeBotApi::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

int FakeBotApi::requestCount() const
{
    QMutexLocker lock(&m_mutex);
    return static_cast<int>(m_requests.size());
}

FakeBotApi::Answer FakeBotApi::answerFor(const QByteArray& path) const
{
    QMutexLocker lock(&m_mutex);
    const QByteArray method = path.mid(path.lastIndexOf('/') + 1);
    return m_answers.value(method, Answer{});
}

QString closedBotApiUrl()
{
    // A port that was free a moment ago; nothing listens there once the probe is gone.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/{BOT_TOKEN}").arg(port);
}
