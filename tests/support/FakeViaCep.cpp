#include "FakeViaCep.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

FakeViaCep::FakeViaCep()
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
                    auto buffer = std::make_shared<QByteArray>();
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                        buffer->append(socket->readAll());
                        qsizetype end;
                        while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
                            const QByteArray head = buffer->left(end);
                            buffer->remove(0, end + 4);
                            const QList<QByteArray> requestLine = head.split('\r').value(0).split(' ');
                            const QString path = QString::fromLatin1(requestLine.value(1));
                            const Answer a = answerFor(path);
                            const QByteArray response = "HTTP/1.1 " + QByteArray::number(a.status) + ' ' +
                                                        reasonPhrase(a.status) +
                                                        "\r\nContent-Type: application/json; charset=utf-8"
                                                        "\r\nContent-Length: " +
                                                        QByteArray::number(a.body.size()) +
                                                        "\r\nConnection: keep-alive\r\n\r\n" + a.body;
                            QTimer::singleShot(a.delayMilliseconds, socket,
                                               [socket, response] { socket->write(response); });
                        }
                    });
                    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                }
            });
        },
        Qt::BlockingQueuedConnection);
}

FakeViaCep::~FakeViaCep()
{
    QMetaObject::invokeMethod(
        m_context, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

void FakeViaCep::answer(const QString& cep, Answer answer)
{
    QMutexLocker lock(&m_mutex);
    m_answers.insert(cep, std::move(answer));
}

void FakeViaCep::answerOthers(std::function<Answer(const QString&)> answers)
{
    QMutexLocker lock(&m_mutex);
    m_others = std::move(answers);
}

QString FakeViaCep::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/ws/").arg(m_port);
}

QStringList FakeViaCep::paths() const
{
    QMutexLocker lock(&m_mutex);
    return m_paths;
}

FakeViaCep::Answer FakeViaCep::answerFor(const QString& path)
{
    ++m_requests;
    QMutexLocker lock(&m_mutex);
    m_paths << path;
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts); // ws, cep, json
    const QString cep = parts.value(1);
    if (parts.size() != 3 || parts.at(0) != QStringLiteral("ws") || parts.at(2) != QStringLiteral("json"))
        return {400, "<html>Bad Request</html>", 0};
    const auto it = m_answers.constFind(cep);
    if (it != m_answers.constEnd())
        return *it;
    if (m_others)
        return m_others(cep);
    return {200, "{\n  \"erro\": true\n}", 0};
}

QByteArray FakeViaCep::addressJson(const QString& logradouro, const QString& bairro, const QString& ibge)
{
    QJsonObject o;
    o.insert(QStringLiteral("cep"), QStringLiteral("00000-000"));
    o.insert(QStringLiteral("logradouro"), logradouro);
    o.insert(QStringLiteral("complemento"), QString());
    o.insert(QStringLiteral("bairro"), bairro);
    o.insert(QStringLiteral("localidade"), QStringLiteral("Cidade"));
    o.insert(QStringLiteral("uf"), QStringLiteral("PR"));
    o.insert(QStringLiteral("ibge"), ibge);
    o.insert(QStringLiteral("gia"), QString());
    o.insert(QStringLiteral("ddd"), QStringLiteral("44"));
    o.insert(QStringLiteral("siafi"), QStringLiteral("7691"));
    return QJsonDocument(o).toJson();
}

QString unreachableBaseUrl()
{
    // A port that was free a moment ago; nothing listens there once the server is gone.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/ws/").arg(port);
}
