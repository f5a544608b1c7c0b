#include "FakeViaCep.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>

FakeViaCep::FakeViaCep()
    : m_server(std::make_unique<LoopbackHttpServer>([this](const LoopbackHttpServer::Request& r) {
          const Answer a = answerFor(QString::fromLatin1(r.path));
          return LoopbackHttpServer::Response{a.status, a.body, a.delayMilliseconds, false};
      }))
{
}

FakeViaCep::~FakeViaCep() = default;

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
    return QStringLiteral("http://127.0.0.1:%1/ws/").arg(m_server->port());
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
    return QStringLiteral("http://127.0.0.1:%1/ws/").arg(LoopbackHttpServer::closedPort());
}
