#include "FakeBotApi.h"

#include <QMutexLocker>

FakeBotApi::FakeBotApi(bool silent)
    : m_silent(silent),
      m_server(std::make_unique<LoopbackHttpServer>([this](const Request& r) { return respond(r); }))
{
}

FakeBotApi::~FakeBotApi() = default;

void FakeBotApi::answer(const QByteArray& method, Answer answer)
{
    QMutexLocker lock(&m_mutex);
    m_answers.insert(method, std::move(answer));
}

QString FakeBotApi::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/{BOT_TOKEN}").arg(m_server->port());
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

LoopbackHttpServer::Response FakeBotApi::respond(const Request& request)
{
    QMutexLocker lock(&m_mutex);
    m_requests.append(request);
    const QByteArray method = request.path.mid(request.path.lastIndexOf('/') + 1);
    const Answer a = m_answers.value(method, Answer{});
    return {a.status, a.body, 0, m_silent};
}

QString closedBotApiUrl()
{
    return QStringLiteral("http://127.0.0.1:%1/{BOT_TOKEN}").arg(LoopbackHttpServer::closedPort());
}
