// The ERP database layer: the ini file, the connection, and the dataset operations the converters
// use, on real embedded Firebird databases made for each test.
#include "ConnectionSettings.h"
#include "Database.h"
#include "Query.h"
#include "SampleDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void iniFirstLine_data();
    void iniFirstLine();
    void iniMissingOrUnreadable();
    void connectionFailures();
    void appendWritesEveryFieldKind();
    void editWritesOnlyChangedFieldsByPrimaryKey();
    void fieldsAreFoundWithoutRegardToCase();
    void databaseErrorsCarryTheDatabaseText();
    void valuesAreBoundNotSpliced();
    void preparedStatementsSurviveCommits();
    void savepointUndoesPartialRow();
    void foreignSchemaWithDefaultsAndTrigger();
    void editWithoutPrimaryKeyIsRefused();
};

void TestDatabase::iniFirstLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("crlf, later lines ignored") << QByteArray("C:\\ERP\\DADOS.FDB\r\nsegunda linha\r\n")
                                               << QStringLiteral("C:\\ERP\\DADOS.FDB");
    QTest::newRow("blanks kept") << QByteArray("  /dados/erp.fdb  \n") << QStringLiteral("  /dados/erp.fdb  ");
    QTest::newRow("no line end") << QByteArray("servidor:/dados/erp.fdb") << QStringLiteral("servidor:/dados/erp.fdb");
    QTest::newRow("cr only") << QByteArray("a.fdb\rb.fdb") << QStringLiteral("a.fdb");
    QTest::newRow("windows-1252") << QByteArray("/dados/Jo\xE3o \x80.fdb\n") << QStringLiteral("/dados/João €.fdb");
    QTest::newRow("utf-8 bom is not recognised") << QByteArray("\xEF\xBB\xBFx.fdb") << QStringLiteral("ï»¿x.fdb");
    QTest::newRow("empty file") << QByteArray() << QString();
}

void TestDatabase::iniFirstLine()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("ConexaoFirebird.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(content);
    ini.close();
    QCOMPARE(ConnectionSettings::readDatabaseName(dir.path()), expected);
}

void TestDatabase::iniMissingOrUnreadable()
{
    QTemporaryDir dir;
    try {
        ConnectionSettings::readDatabaseName(dir.path());
        QFAIL("a missing ini file was accepted");
    } catch (const ConfigError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("ConexaoFirebird.ini")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(dir.path()), qPrintable(e.message()));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ConexaoFirebird.ini")));
    QVERIFY_THROWS_EXCEPTION(ConfigError, ConnectionSettings::readDatabaseName(dir.path()));
}

void TestDatabase::connectionFailures()
{
    QTemporaryDir dir;
    try {
        Database db(dir.filePath(QStringLiteral("nao-existe.fdb")));
        QFAIL("a missing database was opened");
    } catch (const ConnectionError& e) {
        // The database's own words, not a generic text.
        QVERIFY2(e.message().contains(QStringLiteral("nao-existe.fdb")) || e.message().contains(QStringLiteral("I/O")),
                 qPrintable(e.message()));
    }
    QVERIFY_THROWS_EXCEPTION(ConnectionError, [] { Database empty{QString()}; }());
}

void TestDatabase::appendWritesEveryFieldKind()
{
    SampleDatabase sample;
    QTemporaryDir dir;
    const QByteArray picture("\xFF\xD8\xFF\x00binary\x00data", 15);
    QFile file(dir.filePath(QStringLiteral("foto.jpg")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(picture);
    file.close();

    Database db(sample.path());
    db.begin();
    Query q(db, QStringLiteral("CDSProduto"));
    q.open(QStringLiteral("SELECT * FROM PRODUTO WHERE CODIGO_PRODUTO = ?"), {12});
    QVERIFY(q.isEmpty());
    q.append();
    q.setInteger(QStringLiteral("CODIGO_PRODUTO"), 12);
    q.setText(QStringLiteral("NOME_PRODUTO"), QStringLiteral("AÇÃO CAFÉ D'ÁVILA"));
    q.setText(QStringLiteral("REFERENCIA_PRODUTO"), QString());
    q.setDouble(QStringLiteral("PESOLIQUIDO_PRODUTO"), 1.25);
    q.loadFromFile(QStringLiteral("IMAGEM_PRODUTO"), file.fileName());
    q.setText(QStringLiteral("MARCA_PRODUTO"), QStringLiteral("X"));
    q.clear(QStringLiteral("MARCA_PRODUTO"));
    q.post();
    q.apply();
    QCOMPARE(q.lastKey(), QVariantList{12});

    Query price(db, QStringLiteral("CDSProduto"));
    price.open(QStringLiteral("SELECT * FROM PRODUTO_EMPRESA WHERE CODIGO_PRODUTO = ? AND CODIGO_EMPRESA = 1"), {12});
    price.append();
    price.setInteger(QStringLiteral("CODIGO_EMPRESA"), 1);
    price.setInteger(QStringLiteral("CODIGO_PRODUTO"), 12);
    price.setAmount(QStringLiteral("VALORVENDA_PRODUTO"), Amount::fromTicks(40000));
    price.setAmount(QStringLiteral("MARGEMLUCRO_PRODUTO"), Amount::fromDouble((4.0 / 3.0 - 1) * 100));
    price.setAmount(QStringLiteral("VALORCUSTO_PRODUTO"), Amount::fromTicks(999999999999));
    price.post();
    price.apply();
    db.commit();

    Database other(sample.path());
    Query check(other, QStringLiteral("check"));
    check.open(QStringLiteral("SELECT * FROM PRODUTO WHERE CODIGO_PRODUTO = 12"));
    QVERIFY(!check.isEmpty());
    QCOMPARE(check.asText(QStringLiteral("NOME_PRODUTO")), QStringLiteral("AÇÃO CAFÉ D'ÁVILA"));
    QVERIFY(!check.value(QStringLiteral("REFERENCIA_PRODUTO")).isNull()); // empty text, not null
    QCOMPARE(check.asText(QStringLiteral("REFERENCIA_PRODUTO")), QString());
    QCOMPARE(check.asDouble(QStringLiteral("PESOLIQUIDO_PRODUTO")), 1.25);
    QCOMPARE(check.value(QStringLiteral("IMAGEM_PRODUTO")).toByteArray(), picture);
    QVERIFY(check.value(QStringLiteral("MARCA_PRODUTO")).isNull());
    QVERIFY(check.value(QStringLiteral("CODIGO_TIPOTRIBUTACAO")).isNull()); // never set: database default

    check.open(QStringLiteral("SELECT * FROM PRODUTO_EMPRESA WHERE CODIGO_PRODUTO = 12"));
    QCOMPARE(check.asAmount(QStringLiteral("VALORVENDA_PRODUTO")).ticks(), 40000);
    QCOMPARE(check.asAmount(QStringLiteral("MARGEMLUCRO_PRODUTO")).ticks(), 333333);
    QCOMPARE(check.asAmount(QStringLiteral("VALORCUSTO_PRODUTO")).ticks(), 999999999999);
    // The exact value in the database, not only after our own rounding.
    QSqlQuery exact(other.connection());
    QVERIFY(exact.exec(QStringLiteral("SELECT CAST(MARGEMLUCRO_PRODUTO * 10000 AS BIGINT) FROM PRODUTO_EMPRESA")));
    QVERIFY(exact.next());
    QCOMPARE(exact.value(0).toLongLong(), 333333);
}

void TestDatabase::editWritesOnlyChangedFieldsByPrimaryKey()
{
    SampleDatabase sample;
    Database db(sample.path());
    db.begin();
    db.execute(QStringLiteral("INSERT INTO PRODUTO_EMPRESA VALUES (5, 1, 10, 8, 25)"));
    db.execute(QStringLiteral("INSERT INTO PRODUTO_EMPRESA VALUES (5, 2, 11, 9, 22)"));
    Query q(db, QStringLiteral("CDSProduto"));
    q.open(QStringLiteral("SELECT * FROM PRODUTO_EMPRESA WHERE CODIGO_PRODUTO = ? AND CODIGO_EMPRESA = ?"), {5, 1});
    QVERIFY(!q.isEmpty());
    // Someone else changes the margin meanwhile; the edit must not write it back.
    db.execute(QStringLiteral("UPDATE PRODUTO_EMPRESA SET MARGEMLUCRO_PRODUTO = 99 WHERE CODIGO_EMPRESA = 1"));
    q.edit();
    q.setAmount(QStringLiteral("VALORVENDA_PRODUTO"), Amount::fromTicks(150000));
    q.post();
    q.apply();
    db.commit();

    QSqlQuery check(db.connection());
    QVERIFY(check.exec(QStringLiteral("SELECT CODIGO_EMPRESA, VALORVENDA_PRODUTO, VALORCUSTO_PRODUTO, "
                                      "MARGEMLUCRO_PRODUTO FROM PRODUTO_EMPRESA ORDER BY 1")));
    QVERIFY(check.next());
    QCOMPARE(check.value(1).toDouble(), 15.0);
    QCOMPARE(check.value(2).toDouble(), 8.0);
    QCOMPARE(check.value(3).toDouble(), 99.0);
    QVERIFY(check.next());
    QCOMPARE(check.value(1).toDouble(), 11.0); // the other company's row is untouched
}

void TestDatabase::fieldsAreFoundWithoutRegardToCase()
{
    SampleDatabase sample;
    Database db(sample.path());
    db.begin();
    Query q(db, QStringLiteral("CDSCliente"));
    q.open(QStringLiteral("SELECT * FROM FORNECEDOR where CNPJCPF_FORNECEDOR =?"), {QStringLiteral("1")});
    q.append();
    q.setInteger(QStringLiteral("codigo_fornecedor"), 1);
    q.setText(QStringLiteral("fAX_FORNECEDOR"), QStringLiteral("(44) 3000-0000"));
    q.apply();
    q.open(QStringLiteral("select * from fornecedor where codigo_fornecedor = 1"));
    QCOMPARE(q.asText(QStringLiteral("Fax_Fornecedor")), QStringLiteral("(44) 3000-0000"));
    QCOMPARE(q.asInteger(QStringLiteral("CODIGO_FORNECEDOR")), 1);
    try {
        q.edit();
        q.setText(QStringLiteral("FAXX_FORNECEDOR"), QStringLiteral("x"));
        QFAIL("an unknown field was accepted");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("FAXX_FORNECEDOR")), qPrintable(e.message()));
    }
}

void TestDatabase::databaseErrorsCarryTheDatabaseText()
{
    SampleDatabase sample;
    Database db(sample.path());
    db.begin();
    Query q(db, QStringLiteral("CDSCategoria"));
    q.open(QStringLiteral("SELECT * FROM CATEGORIA WHERE CODIGO_CATEGORIA = ?"), {1});
    for (int i = 0; i < 2; ++i) {
        q.append();
        q.setInteger(QStringLiteral("CODIGO_CATEGORIA"), 1);
        q.setText(QStringLiteral("NOME_CATEGORIA"), QStringLiteral("BEBIDAS"));
        q.post();
        if (i == 0) {
            q.apply();
            continue;
        }
        try {
            q.apply();
            QFAIL("a duplicate key was accepted");
        } catch (const DatabaseError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("PRIMARY or UNIQUE KEY")), qPrintable(e.message()));
        }
    }
    // A text the database's character set cannot hold is refused with the database's reason.
    q.open(QStringLiteral("SELECT * FROM CATEGORIA WHERE CODIGO_CATEGORIA = ?"), {2});
    q.append();
    q.setInteger(QStringLiteral("CODIGO_CATEGORIA"), 2);
    q.setText(QStringLiteral("NOME_CATEGORIA"), QStringLiteral("日本"));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, q.apply());
    // And a malformed statement.
    try {
        q.open(QStringLiteral("SELECT * FROM CATEGORIA where CODIGO_CATEGORIA ="));
        QFAIL("a malformed statement ran");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("Unexpected end of command")), qPrintable(e.message()));
    }
}

void TestDatabase::valuesAreBoundNotSpliced()
{
    SampleDatabase sample;
    Database db(sample.path());
    db.begin();
    const QString hostile = QStringLiteral("x' OR '1'='1");
    Query q(db, QStringLiteral("CDSCategoria"));
    q.open(QStringLiteral("SELECT * FROM CATEGORIA WHERE NOME_CATEGORIA = ?"), {hostile});
    QVERIFY(q.isEmpty());
    q.append();
    q.setInteger(QStringLiteral("CODIGO_CATEGORIA"), 7);
    q.setText(QStringLiteral("NOME_CATEGORIA"), hostile);
    q.apply();
    q.open(QStringLiteral("SELECT * FROM CATEGORIA WHERE NOME_CATEGORIA = ?"), {hostile});
    QCOMPARE(q.asInteger(QStringLiteral("CODIGO_CATEGORIA")), 7);
    QCOMPARE(q.asText(QStringLiteral("NOME_CATEGORIA")), hostile);
}

void TestDatabase::preparedStatementsSurviveCommits()
{
    SampleDatabase sample;
    Database db(sample.path());
    Query q(db, QStringLiteral("CDSCategoria"));
    for (int batch = 0; batch < 3; ++batch) {
        db.begin();
        for (int i = 1; i <= 50; ++i) {
            const int code = batch * 50 + i;
            q.open(QStringLiteral("SELECT * FROM CATEGORIA WHERE CODIGO_CATEGORIA = ?"), {code});
            QVERIFY(q.isEmpty());
            q.append();
            q.setInteger(QStringLiteral("CODIGO_CATEGORIA"), code);
            q.setText(QStringLiteral("NOME_CATEGORIA"), QStringLiteral("C%1").arg(code));
            q.post();
            q.apply();
        }
        db.commit();
    }
    QSqlQuery count(db.connection());
    QVERIFY(count.exec(QStringLiteral("SELECT COUNT(*) FROM CATEGORIA")));
    QVERIFY(count.next());
    QCOMPARE(count.value(0).toInt(), 150);
}

void TestDatabase::savepointUndoesPartialRow()
{
    SampleDatabase sample;
    Database db(sample.path());
    db.begin();
    db.execute(QStringLiteral("INSERT INTO UNIDADE VALUES (1, 'UN', 'UNIDADE')"));
    db.savepoint(QStringLiteral("LINHA"));
    db.execute(QStringLiteral("INSERT INTO UNIDADE VALUES (2, 'CX', 'CAIXA')"));
    db.rollbackToSavepoint(QStringLiteral("LINHA"));
    db.releaseSavepoint(QStringLiteral("LINHA"));
    db.commit();
    QSqlQuery q(db.connection());
    QVERIFY(q.exec(QStringLiteral("SELECT LIST(SIGLA_UNIDADE) FROM UNIDADE")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("UN"));
}

void TestDatabase::foreignSchemaWithDefaultsAndTrigger()
{
    // A real ERP's table has more columns, NOT NULL columns with defaults, other sizes and triggers.
    SampleDatabase sample(false);
    Database db(sample.path());
    db.execute(QStringLiteral("CREATE TABLE CATEGORIA (CODIGO_CATEGORIA INTEGER NOT NULL PRIMARY KEY, "
                              "NOME_CATEGORIA VARCHAR(120) CHARACTER SET WIN1252, CODIGO_EMPRESA SMALLINT, "
                              "ATIVA CHAR(1) DEFAULT 'S' NOT NULL, CRIADA_EM TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL, "
                              "NOME_BUSCA VARCHAR(120))"));
    db.execute(QStringLiteral("CREATE TRIGGER CATEGORIA_BI FOR CATEGORIA BEFORE INSERT OR UPDATE AS BEGIN "
                              "NEW.NOME_BUSCA = UPPER(NEW.NOME_CATEGORIA); END"));
    db.begin();
    Query q(db, QStringLiteral("CDSCategoria"));
    q.open(QStringLiteral("SELECT * FROM CATEGORIA where CODIGO_CATEGORIA =?"), {3});
    q.append();
    q.setInteger(QStringLiteral("CODIGO_CATEGORIA"), 3);
    q.setText(QStringLiteral("NOME_CATEGORIA"), QStringLiteral("Seção"));
    q.setInteger(QStringLiteral("CODIGO_EMPRESA"), 1);
    q.post();
    q.apply();
    db.commit();
    Query check(db, QStringLiteral("check"));
    check.open(QStringLiteral("SELECT * FROM CATEGORIA"));
    QCOMPARE(check.asText(QStringLiteral("ATIVA")), QStringLiteral("S"));
    QCOMPARE(check.asText(QStringLiteral("NOME_BUSCA")), QStringLiteral("SEÇÃO"));
    QVERIFY(!check.value(QStringLiteral("CRIADA_EM")).isNull());
}

void TestDatabase::editWithoutPrimaryKeyIsRefused()
{
    SampleDatabase sample(false);
    Database db(sample.path());
    db.execute(QStringLiteral("CREATE TABLE SEM_CHAVE (A INTEGER, B VARCHAR(10))"));
    db.execute(QStringLiteral("INSERT INTO SEM_CHAVE VALUES (1, 'x')"));
    db.begin();
    Query q(db, QStringLiteral("q"));
    q.open(QStringLiteral("SELECT * FROM SEM_CHAVE"));
    q.edit();
    q.setText(QStringLiteral("B"), QStringLiteral("y"));
    try {
        q.apply();
        QFAIL("an update without a key was written");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("chave primária")), qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
