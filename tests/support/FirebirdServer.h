#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <memory>

class QProcess;
class QTemporaryDir;

/// A private Firebird server on loopback for the tests: its own configuration, lock folder,
/// security database (user SYSDBA, password "quillbarn") and a free TCP port; stopped on destruction.
///
/// Only the child processes (the server and the isql-fb that prepares the security database)
/// see the private FIREBIRD / FIREBIRD_LOCK settings. The test process keeps the system
/// configuration, so its own embedded access to plain local paths works as before while the
/// server runs; it reaches the server only through the remote provider ("127.0.0.1/port:path").
///
/// Because the server has its own lock folder, a database file must not be used by the server
/// and by the test process's embedded engine at the same time; Firebird refuses the second
/// opener ("Database already opened with engine instance, incompatible with current").
///
/// The server is killed when the thread that called start() ends (so that a crashed or timed-out
/// test does not leave it running): start it from a thread that outlives its use, e.g. the main one.
class FirebirdServer {
public:
    FirebirdServer();
    ~FirebirdServer();  // stops the server, removes its folder
    FirebirdServer(const FirebirdServer&) = delete;
    FirebirdServer& operator=(const FirebirdServer&) = delete;

    /// Prepares the private folder and starts the server; waits (at most ~15 s) until it
    /// answers on its port with the private credentials. False with a clear reason otherwise.
    bool start(QString* error);
    void stop();
    bool isRunning() const;

    int port() const;
    /// "127.0.0.1/<port>:<localPath>"
    QString qualified(const QString& localPath) const;
    /// "localhost/<port>:<localPath>"
    QString qualifiedLocalhost(const QString& localPath) const;
    /// The server's private folder (configuration, lock folder, security database).
    QString folder() const;

    static QString userName();  // SYSDBA
    static QString password();  // quillbarn

private:
    enum class Outcome { Ready, PortTaken, Failed };

    bool prepareFolder(QString* error);
    bool writeConfiguration(int port, QString* error) const;
    bool createSecurityDatabase(QString* error);
    Outcome launch(int port, QString* error);
    QProcessEnvironment childEnvironment() const;
    QString path(const QString& name) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
};
