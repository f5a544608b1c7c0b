#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <memory>

class QNetworkAccessManager;

/// One address a postal code stands for; every field is text as the service gives it.
struct Endereco {
    QString Logradouro;     // street
    QString Bairro;         // district
    QString IBGE_Municipio; // IBGE municipality code
};

/// Finds the addresses of a Brazilian postal code (CEP).
class PostalCodeLookup {
public:
    virtual ~PostalCodeLookup();

    /// Replaces Enderecos() with the addresses of `cep` (8 digits); an unknown postal code leaves it
    /// empty. Throws UserError naming the postal code when it cannot be looked up.
    virtual void BuscarPorCEP(const QString& cep) = 0;

    /// The addresses of the last BuscarPorCEP.
    const QList<Endereco>& Enderecos() const { return m_enderecos; }

protected:
    QList<Endereco> m_enderecos;
};

/// The public ViaCEP web service, asked with GET base + digits + "/json/". The base is the
/// constructor's, else the environment variable CONVERSOR_VIACEP_URL, else
/// "https://viacep.com.br/ws/".
///
/// Each call blocks the calling thread until the answer arrives or the time-out passes, so it
/// belongs on a worker thread (or a command line), never on a window's thread. Each postal code
/// is asked at most once in the object's life, failures included: one object serves one run.
class ViaCepLookup : public PostalCodeLookup {
public:
    explicit ViaCepLookup(const QString& baseUrl = {}, int timeoutMilliseconds = 5000);
    ~ViaCepLookup() override;

    /// Anything but exactly 8 digits (after dropping punctuation) is not sent and yields no
    /// address. Throws UserError "Falha ao consultar o CEP 99999999: ..." on a network failure,
    /// an HTTP error status, a time-out or an answer that is not a ViaCEP JSON object.
    void BuscarPorCEP(const QString& cep) override;

    const QString& baseUrl() const { return m_baseUrl; }
    /// Requests actually sent so far.
    int requestsSent() const { return m_requestsSent; }

private:
    struct Answer {
        QList<Endereco> enderecos;
        QString failure; // non-empty: the message the look-up failed with
    };
    Answer ask(const QString& digits);

    QString m_baseUrl;
    int m_timeout;
    int m_requestsSent = 0;
    QHash<QString, Answer> m_answers;
    // Made on first use, so that it belongs to the thread that looks codes up.
    std::unique_ptr<QNetworkAccessManager> m_network;
};
