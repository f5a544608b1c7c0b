#pragma once

#include "LoopbackHttpServer.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

/// A stand-in for the ViaCEP service on 127.0.0.1: answers GET /ws/<cep>/json/ over HTTP/1.1 with
/// canned answers, on a thread of its own (the look-up blocks the thread that asks), and counts
/// the requests.
class FakeViaCep {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        int delayMilliseconds = 0;
    };

    FakeViaCep();
    ~FakeViaCep();
    FakeViaCep(const FakeViaCep&) = delete;
    FakeViaCep& operator=(const FakeViaCep&) = delete;

    /// The answer for one postal code (the path's digits).
    void answer(const QString& cep, Answer answer);
    /// The answer for postal codes without one of their own; unknown codes get {"erro": true}.
    void answerOthers(std::function<Answer(const QString& cep)> answers);

    /// "http://127.0.0.1:<port>/ws/".
    QString baseUrl() const;
    int requests() const { return m_requests.load(); }
    /// The request paths in the order they came.
    QStringList paths() const;

    /// {"cep", "logradouro", "bairro", "ibge", ...} as ViaCEP sends it.
    static QByteArray addressJson(const QString& logradouro, const QString& bairro, const QString& ibge);

private:
    Answer answerFor(const QString& path);

    std::atomic<int> m_requests{0};
    mutable QMutex m_mutex;
    QHash<QString, Answer> m_answers;
    std::function<Answer(const QString&)> m_others;
    QStringList m_paths;
    std::unique_ptr<LoopbackHttpServer> m_server; // last: it calls answerFor until it is gone
};

/// A loopback address where nothing listens, for a service that is down.
QString unreachableBaseUrl();
