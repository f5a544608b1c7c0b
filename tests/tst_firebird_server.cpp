// A private Firebird server on loopback serves databases named "host/port:path", while plain
// local paths keep opening embedded in the same process.
#include "FirebirdServer.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <ibase.h>

namespace {

QString statusText(const ISC_STATUS* status)
{
    QStringList parts;
    char buffer[512];
    const ISC_STATUS* cursor = status;
    while (fb_interpret(buffer, sizeof buffer, &cursor))
        parts << QString::fromLocal8Bit(buffer);
    return parts.join(QStringLiteral(" / "));
}

/// CREATE DATABASE through the C API, as the application does: a qualified name goes to the
/// server, a plain path is created embedded.
bool createDatabase(const QString& name, QString* error)
{
    QString quoted = name;
    quoted.replace(u'\'', QStringLiteral("''"));
    const QByteArray sql = (QStringLiteral("CREATE DATABASE '") + quoted + QStringLiteral("' USER '") +
                            FirebirdServer::userName() + QStringLiteral("' PASSWORD '") +
                            FirebirdServer::password() + QStringLiteral("' DEFAULT CHARACTER SET WIN1252"))
                               .toUtf8();
    ISC_STATUS_ARRAY status;
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    if (isc_dsql_execute_immediate(status, &db, &tr, 0, sql.constData(), SQL_DIALECT_V6, nullptr)) {
        *error = statusText(status);
        return false;
    }
    isc_detach_database(status, &db);
    return true;
}

QSqlDatabase openDatabase(const QString& connection, const QString& name, const QString& password)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), connection);
    db.setDatabaseName(name);
    db.setUserName(FirebirdServer::userName());
    db.setPassword(password);
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    db.open();
    return db;
}

/// MON$REMOTE_PROTOCOL of the connection itself: "TCPv4" through the server, NULL embedded.
QVariant remoteProtocol(const QSqlDatabase& db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MON$REMOTE_PROTOCOL FROM MON$ATTACHMENTS "
                               "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION")) ||
        !q.next())
        return QString(QStringLiteral("erro: ") + q.lastError().text());
    return q.value(0);
}

} // namespace

class TstFirebirdServer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void roundTripThroughServer();
    void localhostNameReachesServer();
    void wrongPasswordRefused();
    void localPathStaysEmbedded();
    void serverFileNotOpenedEmbeddedMeanwhile();
    void committedDataSurviveStop();

private:
    void writeAndRead(QSqlDatabase& db, const QString& table);
    void roundTrip(const QString& connection, const QString& name, const QString& table);

    QTemporaryDir m_dir;  // declared first so that the server goes before its databases
    FirebirdServer m_server;
    QString m_firebirdEnv;
    QString m_lockEnv;
    QElapsedTimer m_clock;
};

void TstFirebirdServer::initTestCase()
{
    m_clock.start();
    QVERIFY(m_dir.isValid());
    m_firebirdEnv = qEnvironmentVariable("FIREBIRD");
    m_lockEnv = qEnvironmentVariable("FIREBIRD_LOCK");
    // A broken server set-up must fail the suite, never skip it.
    QString error;
    if (!m_server.start(&error))
        QFAIL(qPrintable(QStringLiteral("O servidor Firebird privado não iniciou: ") + error));
    qInfo("Servidor privado na porta %d, pronto em %lld ms", m_server.port(),
          static_cast<long long>(m_clock.elapsed()));
    QVERIFY(m_server.port() > 0);
    QCOMPARE(m_server.qualified(QStringLiteral("/tmp/a.fdb")),
             QStringLiteral("127.0.0.1/%1:/tmp/a.fdb").arg(m_server.port()));
    // The private settings belong to the children only.
    QCOMPARE(qEnvironmentVariable("FIREBIRD"), m_firebirdEnv);
    QCOMPARE(qEnvironmentVariable("FIREBIRD_LOCK"), m_lockEnv);
}

void TstFirebirdServer::cleanupTestCase()
{
    QElapsedTimer stopping;
    stopping.start();
    m_server.stop();
    QVERIFY(!m_server.isRunning());
    qInfo("Servidor parado em %lld ms; total %lld ms", static_cast<long long>(stopping.elapsed()),
          static_cast<long long>(m_clock.elapsed()));
}

void TstFirebirdServer::writeAndRead(QSqlDatabase& db, const QString& table)
{
    // The query dies before the caller closes the connection: a remote statement outliving its
    // attachment is freed lazily and later hits the stopped server ("send errno = 32").
    QSqlQuery q(db);
    QVERIFY(db.transaction());
    QVERIFY2(q.exec(QStringLiteral("CREATE TABLE %1 (ID INTEGER NOT NULL PRIMARY KEY, NOME VARCHAR(40))").arg(table)),
             qPrintable(q.lastError().text()));
    QVERIFY2(db.commit(), qPrintable(db.lastError().text()));

    QVERIFY(db.transaction());
    QVERIFY(q.prepare(QStringLiteral("INSERT INTO %1 (ID, NOME) VALUES (?, ?)").arg(table)));
    q.addBindValue(1);
    q.addBindValue(QStringLiteral("AÇÃO"));
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    QVERIFY2(db.commit(), qPrintable(db.lastError().text()));

    // Four bytes: the UTF-8 text went into the database's WIN1252.
    QVERIFY2(q.exec(QStringLiteral("SELECT NOME, OCTET_LENGTH(NOME) FROM %1 WHERE ID = 1").arg(table)),
             qPrintable(q.lastError().text()));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("AÇÃO"));
    QCOMPARE(q.value(1).toInt(), 4);
}

void TstFirebirdServer::roundTrip(const QString& connection, const QString& name, const QString& table)
{
    {
        QSqlDatabase db = openDatabase(connection, name, FirebirdServer::password());
        QVERIFY2(db.isOpen(), qPrintable(db.lastError().text()));
        writeAndRead(db, table);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(remoteProtocol(db).toString(), QStringLiteral("TCPv4"));
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

void TstFirebirdServer::roundTripThroughServer()
{
    const QString file = m_dir.filePath(QStringLiteral("servidor.fdb"));
    QString error;
    QVERIFY2(createDatabase(m_server.qualified(file), &error), qPrintable(error));
    QVERIFY(QFileInfo::exists(file));
    roundTrip(QStringLiteral("servidor"), m_server.qualified(file), QStringLiteral("ACOES"));
}

void TstFirebirdServer::localhostNameReachesServer()
{
    const QString file = m_dir.filePath(QStringLiteral("localhost.fdb"));
    QString error;
    QVERIFY2(createDatabase(m_server.qualifiedLocalhost(file), &error), qPrintable(error));
    roundTrip(QStringLiteral("localhost"), m_server.qualifiedLocalhost(file), QStringLiteral("ITENS"));
}

void TstFirebirdServer::wrongPasswordRefused()
{
    const QString file = m_dir.filePath(QStringLiteral("senha.fdb"));
    QString error;
    QVERIFY2(createDatabase(m_server.qualified(file), &error), qPrintable(error));
    {
        QSqlDatabase db = openDatabase(QStringLiteral("senha"), m_server.qualified(file), QStringLiteral("errada"));
        QVERIFY(!db.isOpen());
        const QString text = db.lastError().text();
        QVERIFY2(text.contains(QStringLiteral("Your user name and password are not defined")), qPrintable(text));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("senha"));
}

void TstFirebirdServer::localPathStaysEmbedded()
{
    QVERIFY(m_server.isRunning());
    const QString file = m_dir.filePath(QStringLiteral("local.fdb"));
    QString error;
    QVERIFY2(createDatabase(file, &error), qPrintable(error));
    {
        // Embedded access does not check the password at all.
        QSqlDatabase db = openDatabase(QStringLiteral("local"), file, QStringLiteral("qualquer"));
        QVERIFY2(db.isOpen(), qPrintable(db.lastError().text()));
        writeAndRead(db, QStringLiteral("LOCAL_T"));
        if (QTest::currentTestFailed())
            return;
        const QVariant protocol = remoteProtocol(db);
        QVERIFY2(protocol.isNull(), qPrintable(protocol.toString()));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("local"));
}

void TstFirebirdServer::serverFileNotOpenedEmbeddedMeanwhile()
{
    // The server's lock folder is private, so Firebird's file lock is what keeps the two engines
    // from sharing one file; tests must pick one way per database.
    const QString file = m_dir.filePath(QStringLiteral("dono.fdb"));
    QString error;
    QVERIFY2(createDatabase(m_server.qualified(file), &error), qPrintable(error));
    {
        QSqlDatabase remote = openDatabase(QStringLiteral("dono"), m_server.qualified(file), FirebirdServer::password());
        QVERIFY2(remote.isOpen(), qPrintable(remote.lastError().text()));
        QSqlDatabase local = openDatabase(QStringLiteral("intruso"), file, FirebirdServer::password());
        QVERIFY(!local.isOpen());
        QVERIFY2(local.lastError().text().contains(QStringLiteral("incompatible")), qPrintable(local.lastError().text()));
        remote.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("dono"));
    QSqlDatabase::removeDatabase(QStringLiteral("intruso"));
}

void TstFirebirdServer::committedDataSurviveStop()
{
    // A second, short-lived server: once stopped, however the stop went, the file is free for
    // embedded access and holds what was committed through the server.
    FirebirdServer other;
    QString error;
    QVERIFY2(other.start(&error), qPrintable(error));
    QVERIFY(other.port() != m_server.port());
    const QString file = m_dir.filePath(QStringLiteral("parada.fdb"));
    QVERIFY2(createDatabase(other.qualified(file), &error), qPrintable(error));
    {
        QSqlDatabase db = openDatabase(QStringLiteral("parada"), other.qualified(file), FirebirdServer::password());
        QVERIFY2(db.isOpen(), qPrintable(db.lastError().text()));
        writeAndRead(db, QStringLiteral("PARADA"));
        if (QTest::currentTestFailed())
            return;
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("parada"));
    other.stop();
    QVERIFY(!other.isRunning());
    {
        QSqlDatabase db = openDatabase(QStringLiteral("depois"), file, QStringLiteral("qualquer"));
        QVERIFY2(db.isOpen(), qPrintable(db.lastError().text()));
        {
            QSqlQuery q(db);
            QVERIFY2(q.exec(QStringLiteral("SELECT NOME FROM PARADA WHERE ID = 1")), qPrintable(q.lastError().text()));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("AÇÃO"));
        }
        QVERIFY(remoteProtocol(db).isNull());
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("depois"));
}

QTEST_GUILESS_MAIN(TstFirebirdServer)
#include "tst_firebird_server.moc"
