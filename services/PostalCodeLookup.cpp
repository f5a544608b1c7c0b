#include "PostalCodeLookup.h"

#include "UserError.h"
#include "funcoes.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

const QString kDefaultBase = QStringLiteral("https://viacep.com.br/ws/");

// ViaCEP sends its fields as strings; a number is taken too, in case a mirror sends one.
QString textOf(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toInteger());
    return {};
}

bool isErrorAnswer(const QJsonObject& object)
{
    const QJsonValue erro = object.value(QStringLiteral("erro"));
    return erro.toBool(false) ||
           (erro.isString() && erro.toString().compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0);
}

} // namespace

PostalCodeLookup::~PostalCodeLookup() = default;

ViaCepLookup::ViaCepLookup(const QString& baseUrl, int timeoutMilliseconds)
    : m_baseUrl(baseUrl), m_timeout(timeoutMilliseconds)
{
    if (m_baseUrl.isEmpty())
        m_baseUrl = qEnvironmentVariable("CONVERSOR_VIACEP_URL");
    if (m_baseUrl.isEmpty())
        m_baseUrl = kDefaultBase;
    if (!m_baseUrl.endsWith(u'/'))
        m_baseUrl += u'/';
}

ViaCepLookup::~ViaCepLookup() = default;

void ViaCepLookup::BuscarPorCEP(const QString& cep)
{
    m_enderecos.clear();
    const QString digits = OnlyNumber(cep);
    // The service answers anything else with an HTTP error; such a code simply has no address.
    if (digits.size() != 8)
        return;
    auto it = m_answers.constFind(digits);
    if (it == m_answers.constEnd())
        it = m_answers.insert(digits, ask(digits));
    if (!it->failure.isEmpty())
        throw UserError(it->failure);
    m_enderecos = it->enderecos;
}

ViaCepLookup::Answer ViaCepLookup::ask(const QString& digits)
{
    const auto failed = [&](const QString& reason) {
        Answer a;
        a.failure = QStringLiteral("Falha ao consultar o CEP %1: %2").arg(digits, reason);
        return a;
    };
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();

    QNetworkRequest request(QUrl(m_baseUrl + digits + QStringLiteral("/json/")));
    request.setRawHeader("Accept", "application/json");
    ++m_requestsSent;
    std::unique_ptr<QNetworkReply> reply(m_network->get(request));

    // A local loop rather than waitFor...: the manager only works while events are processed, and
    // this thread has no other loop running while a row waits for its address.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(m_timeout);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (!reply->isFinished()) {
        reply->abort();
        return failed(QStringLiteral("o serviço não respondeu em %1 segundos").arg(m_timeout / 1000.0));
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400)
        return failed(QStringLiteral("o serviço respondeu com o código HTTP %1").arg(status));
    if (reply->error() != QNetworkReply::NoError)
        return failed(reply->errorString());

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(reply->readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failed(QStringLiteral("resposta ilegível do serviço (%1)").arg(parseError.errorString()));
    if (!document.isObject())
        return failed(QStringLiteral("resposta ilegível do serviço (não é um objeto JSON)"));
    const QJsonObject object = document.object();
    Answer answer;
    if (isErrorAnswer(object))
        return answer;
    if (!object.contains(QStringLiteral("cep")) && !object.contains(QStringLiteral("logradouro")) &&
        !object.contains(QStringLiteral("ibge")))
        return failed(QStringLiteral("resposta ilegível do serviço (sem endereço nem aviso de erro)"));
    Endereco endereco;
    endereco.Logradouro = textOf(object.value(QStringLiteral("logradouro")));
    endereco.Bairro = textOf(object.value(QStringLiteral("bairro")));
    endereco.IBGE_Municipio = textOf(object.value(QStringLiteral("ibge")));
    answer.enderecos << endereco;
    return answer;
}
