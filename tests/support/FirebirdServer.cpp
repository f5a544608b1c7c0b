#include "FirebirdServer.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>

#include <ibase.h>

#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>

namespace {

constexpr int readyTimeoutMs = 15000;
constexpr int portAttempts = 3;
constexpr int stopGraceMs = 1000;

QString statusText(const ISC_STATUS* status)
{
    QStringList parts;
    char buffer[512];
    const ISC_STATUS* cursor = status;
    while (fb_interpret(buffer, sizeof buffer, &cursor))
        parts << QString::fromLocal8Bit(buffer);
    return parts.join(QStringLiteral(" / "));
}

QString sqlLiteral(QString text)
{
    text.replace(u'\'', QStringLiteral("''"));
    return u'\'' + text + u'\'';
}

/// Debian's Firebird folder (firebird.msg, intl/), under the multiarch library folder.
QString installRoot()
{
    const QDir lib(QStringLiteral("/usr/lib"));
    for (const QString& arch : lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString candidate = lib.filePath(arch) + QStringLiteral("/firebird/3.0");
        if (QFileInfo::exists(candidate + QStringLiteral("/firebird.msg")) &&
            QFileInfo::exists(candidate + QStringLiteral("/intl/libfbintl.so")))
            return candidate;
    }
    return {};
}

QString serverProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("firebird"), {QStringLiteral("/usr/sbin")});
}

QString isqlProgram()
{
    // Debian renames Firebird's isql, a bare "isql" being unixODBC's.
    return QStandardPaths::findExecutable(QStringLiteral("isql-fb"));
}

/// The server writes its log to a fixed, compiled-in place that FIREBIRD does not move.
QString serverLog()
{
    for (const char* candidate : {"/var/log/firebird/firebird3.0.log", "/var/log/firebird/firebird.log"}) {
        const QString file = QString::fromLatin1(candidate);
        if (QFileInfo::exists(file))
            return file;
    }
    return {};
}

qint64 fileSize(const QString& file) { return file.isEmpty() ? 0 : QFileInfo(file).size(); }

/// What the server logged since `from`, the most telling part of a failed start.
QString logSince(const QString& file, qint64 from)
{
    QFile log(file);
    if (file.isEmpty() || !log.open(QIODevice::ReadOnly))
        return {};
    if (log.size() >= from)
        log.seek(from);
    QStringList lines;
    for (const QString& line : QString::fromLocal8Bit(log.readAll()).split(u'\n')) {
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    const QString text = lines.join(QStringLiteral(" | "));
    if (text.isEmpty())
        return {};
    return QStringLiteral(" Log do Firebird (%1): %2").arg(file, text.right(1500));
}

int freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const int port = probe.serverPort();
    probe.close();
    return port;
}

enum class Probe { Ours, Foreign, NotListening, Refused };

/// Attaches to the service manager with the private credentials and asks for the lock folder:
/// a port that merely accepts connections may belong to someone else (Firebird keeps retrying
/// bind() in silence when its port is taken), the lock folder proves the answer came from ours.
Probe probeServer(int port, const QString& lockFolder, QString* message)
{
    const QByteArray service = QStringLiteral("127.0.0.1/%1:service_mgr").arg(port).toLatin1();
    const QByteArray user = FirebirdServer::userName().toLatin1();
    const QByteArray pass = FirebirdServer::password().toLatin1();
    QByteArray spb;
    spb.append(char(isc_spb_version));
    spb.append(char(isc_spb_current_version));
    spb.append(char(isc_spb_user_name));
    spb.append(char(user.size()));
    spb.append(user);
    spb.append(char(isc_spb_password));
    spb.append(char(pass.size()));
    spb.append(pass);

    ISC_STATUS_ARRAY status;
    isc_svc_handle handle = 0;
    if (isc_service_attach(status, static_cast<unsigned short>(service.size()), service.constData(), &handle,
                           static_cast<unsigned short>(spb.size()), spb.constData())) {
        *message = statusText(status);
        switch (status[1]) {
        case isc_network_error:
        case isc_net_connect_err:
        case isc_net_read_err:
        case isc_net_write_err:
            return Probe::NotListening;
        default:
            return Probe::Refused;
        }
    }

    const char request[] = {isc_info_svc_get_env_lock};
    char answer[1024] = {};
    const bool queried = !isc_service_query(status, &handle, nullptr, 0, nullptr, sizeof request, request,
                                            sizeof answer, answer);
    QString reported;
    if (queried && answer[0] == isc_info_svc_get_env_lock) {
        const int length = static_cast<int>(isc_vax_integer(answer + 1, 2));
        if (length > 0 && length < int(sizeof answer) - 3)
            reported = QString::fromLocal8Bit(answer + 3, length);
    } else if (!queried) {
        *message = statusText(status);
    }
    ISC_STATUS_ARRAY ignored;
    isc_service_detach(ignored, &handle);
    if (!queried)
        return Probe::Refused;
    if (QDir::cleanPath(reported) != QDir::cleanPath(lockFolder)) {
        *message = QStringLiteral("a porta %1 pertence a outro servidor Firebird (pasta de travas %2)")
                       .arg(port)
                       .arg(reported);
        return Probe::Foreign;
    }
    return Probe::Ours;
}

/// Whether the process still has a regular file open: a database, the security database or a
/// file of its lock folder. A running server always holds some; a stopped engine holds none.
bool holdsFiles(qint64 pid)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        struct stat info;
        if (::stat(fds.filePath(fd).toLocal8Bit().constData(), &info) == 0 && S_ISREG(info.st_mode))
            return true;
    }
    return false;
}

} // namespace

FirebirdServer::FirebirdServer() = default;

FirebirdServer::~FirebirdServer()
{
    stop();
    m_dir.reset();
}

QString FirebirdServer::userName() { return QStringLiteral("SYSDBA"); }

QString FirebirdServer::password() { return QStringLiteral("quillbarn"); }

int FirebirdServer::port() const { return m_port; }

bool FirebirdServer::isRunning() const { return m_process && m_process->state() == QProcess::Running; }

QString FirebirdServer::qualified(const QString& localPath) const
{
    return QStringLiteral("127.0.0.1/%1:%2").arg(m_port).arg(localPath);
}

QString FirebirdServer::qualifiedLocalhost(const QString& localPath) const
{
    return QStringLiteral("localhost/%1:%2").arg(m_port).arg(localPath);
}

QString FirebirdServer::folder() const { return m_dir ? m_dir->path() : QString(); }

QString FirebirdServer::path(const QString& name) const { return m_dir->filePath(name); }

QProcessEnvironment FirebirdServer::childEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), path(QStringLiteral("root")));
    env.insert(QStringLiteral("FIREBIRD_LOCK"), path(QStringLiteral("lock")));
    // Either would quietly override the private root or the explicit credentials.
    env.remove(QStringLiteral("FIREBIRD_MSG"));
    env.remove(QStringLiteral("ISC_USER"));
    env.remove(QStringLiteral("ISC_PASSWORD"));
    return env;
}

bool FirebirdServer::prepareFolder(QString* error)
{
    const QString install = installRoot();
    if (install.isEmpty()) {
        *error = QStringLiteral("Instalação do Firebird 3 não encontrada (firebird.msg, intl/libfbintl.so); "
                                "instale firebird3.0-server-core.");
        return false;
    }
    QDir dir(m_dir->path());
    for (const char* sub : {"root", "root/intl", "lock", "tmp"}) {
        if (!dir.mkpath(QString::fromLatin1(sub))) {
            *error = QStringLiteral("Não foi possível criar %1.").arg(dir.filePath(QString::fromLatin1(sub)));
            return false;
        }
    }
    // FIREBIRD moves only the folder of firebird.conf, databases.conf, plugins.conf and
    // firebird.msg; plugins, logs and fbintl.conf keep Debian's compiled-in paths. But that
    // fbintl.conf names its module $(root)/intl/fbintl, so the module must be under our root too,
    // and as a real file: through a symbolic link it loads, yet every character set except the
    // built-in ones reports "CHARACTER SET WIN1252 is not installed".
    const QString intl = QStringLiteral("intl/libfbintl.so");
    if (!QFile::copy(install + u'/' + intl, path(QStringLiteral("root/")) + intl)) {
        *error = QStringLiteral("Não foi possível copiar %1/%2.").arg(install, intl);
        return false;
    }
    for (const char* entry : {"firebird.msg", "plugins.conf"}) {
        const QString name = QString::fromLatin1(entry);
        const QString target = install + u'/' + name;
        if (QFileInfo::exists(target) && !QFile::link(target, path(QStringLiteral("root/")) + name)) {
            *error = QStringLiteral("Não foi possível ligar %1 em %2.").arg(target, path(QStringLiteral("root")));
            return false;
        }
    }
    // The same guard as Debian's own databases.conf: nobody reads the users over the network.
    QFile aliases(path(QStringLiteral("root/databases.conf")));
    const QString text = QStringLiteral("security.db = %1\n{\n    RemoteAccess = false\n}\n")
                             .arg(path(QStringLiteral("security3.fdb")));
    if (!aliases.open(QIODevice::WriteOnly | QIODevice::Truncate) || aliases.write(text.toUtf8()) < 0) {
        *error = QStringLiteral("Não foi possível gravar %1.").arg(aliases.fileName());
        return false;
    }
    return true;
}

bool FirebirdServer::writeConfiguration(int port, QString* error) const
{
    const QString text =
        QStringLiteral("# Private server of the tests; every other setting keeps its default.\n"
                       "ServerMode = Super\n"
                       "RemoteServicePort = %1\n"
                       "RemoteBindAddress = 127.0.0.1\n"
                       "SecurityDatabase = %2\n"
                       "AuthServer = Srp\n"
                       "UserManager = Srp\n"
                       "TempDirectories = %3\n")
            .arg(port)
            .arg(path(QStringLiteral("security3.fdb")), path(QStringLiteral("tmp")));
    QFile file(path(QStringLiteral("root/firebird.conf")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0) {
        *error = QStringLiteral("Não foi possível gravar %1.").arg(file.fileName());
        return false;
    }
    return true;
}

bool FirebirdServer::createSecurityDatabase(QString* error)
{
    const QString isql = isqlProgram();
    if (isql.isEmpty()) {
        *error = QStringLiteral("isql-fb não encontrado; instale firebird3.0-utils.");
        return false;
    }
    // Embedded in a child process that sees the private configuration: the new database is its
    // own security database, so the user goes into it and not into the system's security3.fdb.
    // Doing this in the test process would need FIREBIRD there, and the client reads its
    // configuration only once per process.
    const QString script = QStringLiteral("CREATE DATABASE %1;\n"
                                          "CREATE OR ALTER USER %2 PASSWORD %3 USING PLUGIN Srp;\n"
                                          "COMMIT;\n")
                               .arg(sqlLiteral(path(QStringLiteral("security3.fdb"))), userName(),
                                    sqlLiteral(password()));
    QProcess process;
    process.setProcessEnvironment(childEnvironment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(isql, {QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-user"), userName()});
    if (!process.waitForStarted(5000)) {
        *error = QStringLiteral("Não foi possível executar %1: %2").arg(isql, process.errorString());
        return false;
    }
    process.write(script.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(2000);
        *error = QStringLiteral("%1 não terminou ao criar o banco de segurança.").arg(isql);
        return false;
    }
    const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
        !QFileInfo::exists(path(QStringLiteral("security3.fdb")))) {
        *error = QStringLiteral("Falha ao criar o banco de segurança %1 (código %2): %3")
                     .arg(path(QStringLiteral("security3.fdb")))
                     .arg(process.exitCode())
                     .arg(output);
        return false;
    }
    return true;
}

FirebirdServer::Outcome FirebirdServer::launch(int port, QString* error)
{
    const QString program = serverProgram();
    if (program.isEmpty()) {
        *error = QStringLiteral("Servidor Firebird (/usr/sbin/firebird) não encontrado; instale firebird3.0-server.");
        return Outcome::Failed;
    }
    const QString log = serverLog();
    const qint64 logStart = fileSize(log);

    // Started directly and not through fbguard, which would restart a crashed server behind the
    // test's back; without -daemon it stays in the foreground as our child.
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(program);
    m_process->setProcessEnvironment(childEnvironment());
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // A test that crashes or is killed by the CTest timeout must not leave the server behind.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process->start();
    if (!m_process->waitForStarted(5000)) {
        *error = QStringLiteral("Não foi possível executar %1: %2").arg(program, m_process->errorString());
        m_process.reset();
        return Outcome::Failed;
    }
    m_port = port;

    const QDeadlineTimer deadline(readyTimeoutMs);
    QString last;
    for (;;) {
        if (m_process->state() == QProcess::NotRunning) {
            *error = QStringLiteral("O servidor Firebird terminou logo ao iniciar (código %1). %2%3")
                         .arg(m_process->exitCode())
                         .arg(QString::fromLocal8Bit(m_process->readAll()).trimmed(), logSince(log, logStart));
            stop();
            return Outcome::Failed;
        }
        switch (probeServer(port, path(QStringLiteral("lock")), &last)) {
        case Probe::Ours:
            return Outcome::Ready;
        case Probe::Foreign:
            *error = last;
            stop();
            return Outcome::PortTaken;
        case Probe::Refused:
            *error = QStringLiteral("O servidor Firebird na porta %1 recusou %2/%3: %4%5")
                         .arg(port)
                         .arg(userName(), password(), last, logSince(log, logStart));
            stop();
            return Outcome::Failed;
        case Probe::NotListening:
            break;
        }
        if (deadline.hasExpired()) {
            *error = QStringLiteral("O servidor Firebird não atendeu na porta %1 em %2 s: %3%4")
                         .arg(port)
                         .arg(readyTimeoutMs / 1000)
                         .arg(last, logSince(log, logStart));
            stop();
            return Outcome::Failed;
        }
        // Doubles as the pause between attempts and notices an early exit at once.
        m_process->waitForFinished(50);
    }
}

bool FirebirdServer::start(QString* error)
{
    QString reason;
    if (isRunning())
        return true;
    stop();
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/conversor-fbserver-XXXXXX"));
    bool ok = m_dir->isValid();
    if (!ok)
        reason = QStringLiteral("Não foi possível criar a pasta temporária do servidor: %1").arg(m_dir->errorString());
    ok = ok && prepareFolder(&reason);
    for (int attempt = 0; ok && attempt < portAttempts; ++attempt) {
        const int port = freePort();
        if (port == 0) {
            reason = QStringLiteral("Nenhuma porta TCP livre em 127.0.0.1.");
            ok = false;
            break;
        }
        ok = writeConfiguration(port, &reason) && (attempt > 0 || createSecurityDatabase(&reason));
        if (!ok)
            break;
        switch (launch(port, &reason)) {
        case Outcome::Ready:
            return true;
        case Outcome::Failed:
            ok = false;
            break;
        case Outcome::PortTaken:
            break;
        }
    }
    if (ok)
        reason = QStringLiteral("Outro processo tomou a porta escolhida %1 vezes seguidas: %2")
                     .arg(portAttempts)
                     .arg(reason);
    if (error)
        *error = reason;
    stop();
    return false;
}

void FirebirdServer::stop()
{
    if (m_process) {
        if (m_process->state() != QProcess::NotRunning) {
            const qint64 pid = m_process->processId();
            m_process->terminate();
            // A clean stop closes every file within some 20 ms and exits within some 100 ms. This
            // Firebird 3 often does neither: about one start in three ignores SIGTERM altogether
            // (databases stay open for good), and sometimes the engine stops but the listener
            // sleeps on in poll() for up to a minute. Once the files are closed, or after the grace
            // time, waiting gains nothing; committed data are on disk either way (forced writes).
            const QDeadlineTimer grace(stopGraceMs);
            while (!m_process->waitForFinished(20) && !grace.hasExpired() && holdsFiles(pid)) {
            }
            if (m_process->state() != QProcess::NotRunning) {
                m_process->kill();
                m_process->waitForFinished(3000);
            }
        }
        m_process.reset();
    }
    m_port = 0;
}
