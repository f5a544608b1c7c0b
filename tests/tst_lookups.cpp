// New keys and the category and unit look-ups, on fresh embedded databases.
#include "CodeAllocator.h"
#include "Database.h"
#include "Query.h"
#include "ReferenceLookups.h"
#include "SampleDatabase.h"

#include <QtTest>

namespace {

int count(Database& db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery& q = db.run(sql, values);
    const int n = q.next() ? q.value(0).toInt() : -1;
    q.finish();
    return n;
}

int categories(Database& db)
{
    return count(db, QStringLiteral("SELECT COUNT(*) FROM CATEGORIA"));
}

int categoriesNamed(Database& db, const QString& name)
{
    return count(db, QStringLiteral("SELECT COUNT(*) FROM CATEGORIA WHERE NOME_CATEGORIA = ?"), {name});
}

void addCategory(Database& db, int code, const QString& name)
{
    db.execute(QStringLiteral("INSERT INTO CATEGORIA (CODIGO_CATEGORIA, NOME_CATEGORIA) VALUES (?, ?)"),
               {code, name});
}

} // namespace

class TestLookups : public QObject {
    Q_OBJECT
private slots:
    void newCodesCountOnWithoutAskingAgain();
    void newCodesPerConditionAndFloor();
    void noCodeAfterTheLargest();
    void categoryPassThrough_data();
    void categoryPassThrough();
    void categoryFoundOrCreated();
    void undoneRowForgetsItsCategories();
    void listenerHearsEachCreation();
    void unitsFoundOrCreated();
    void unitAliases();
};

void TestLookups::newCodesCountOnWithoutAskingAgain()
{
    SampleDatabase sample;
    Database db(sample.path());
    for (int code : {3, 7, 9})
        addCategory(db, code, QStringLiteral("C%1").arg(code));
    CodeAllocator codes(db);
    const QString table = QStringLiteral("CATEGORIA");
    const QString column = QStringLiteral("CODIGO_CATEGORIA");
    QCOMPARE(codes.NovoCodigo(table, QString(), column), 10);

    // A key written behind the allocator's back is not seen: the maximum was read once.
    {
        Database other(sample.path());
        addCategory(other, 50, QStringLiteral("OUTRA"));
    }
    QCOMPARE(codes.NovoCodigo(table, QString(), column), 11);
    // Told about it, the allocator moves past it; table and column names are case-blind.
    codes.observe(QStringLiteral("categoria"), QStringLiteral("codigo_categoria"), 60);
    QCOMPARE(codes.NovoCodigo(table, QString(), column), 61);
    codes.observe(table, column, 5); // an older key changes nothing
    QCOMPARE(codes.NovoCodigo(table, QString(), column), 62);
    QCOMPARE(codes.NovoCodigo(QStringLiteral("UNIDADE"), QString(), QStringLiteral("CODIGO_UNIDADE")), 1);
}

void TestLookups::newCodesPerConditionAndFloor()
{
    SampleDatabase sample;
    Database db(sample.path());
    db.execute(QStringLiteral("INSERT INTO CATEGORIA VALUES (4, 'A', 1)"));
    db.execute(QStringLiteral("INSERT INTO CATEGORIA VALUES (8, 'B', 2)"));
    CodeAllocator codes(db);
    const QString table = QStringLiteral("CATEGORIA");
    const QString column = QStringLiteral("CODIGO_CATEGORIA");
    QCOMPARE(codes.NovoCodigo(table, QStringLiteral("CODIGO_EMPRESA = 1"), column), 5);
    QCOMPARE(codes.NovoCodigo(table, QString(), column), 9);
    QCOMPARE(codes.NovoCodigo(table, QStringLiteral("CODIGO_EMPRESA = 1"), column), 6);

    // Observed before the first reading: the reading cannot go below it.
    codes.observe(QStringLiteral("UNIDADE"), QStringLiteral("CODIGO_UNIDADE"), 20);
    QCOMPARE(codes.NovoCodigo(QStringLiteral("UNIDADE"), QString(), QStringLiteral("CODIGO_UNIDADE")), 21);

    codes.reset();
    db.execute(QStringLiteral("INSERT INTO CATEGORIA VALUES (30, 'C', 1)"));
    QCOMPARE(codes.NovoCodigo(table, QString(), column), 31);
}

void TestLookups::noCodeAfterTheLargest()
{
    SampleDatabase sample;
    Database db(sample.path());
    addCategory(db, 2147483646, QStringLiteral("QUASE"));
    CodeAllocator codes(db);
    const QString table = QStringLiteral("CATEGORIA");
    const QString column = QStringLiteral("CODIGO_CATEGORIA");
    QCOMPARE(codes.NovoCodigo(table, QString(), column), 2147483647);
    try {
        codes.NovoCodigo(table, QString(), column);
        QFAIL("a code past the largest 32-bit value was handed out");
    } catch (const DatabaseError& e) {
        QCOMPARE(e.message(), QStringLiteral("Não há mais códigos livres em CATEGORIA.CODIGO_CATEGORIA"));
    }
    // Straight from the database reading as well.
    addCategory(db, 2147483647, QStringLiteral("ULTIMA"));
    CodeAllocator fresh(db);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, fresh.NovoCodigo(table, QString(), column));
}

void TestLookups::categoryPassThrough_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("blanks and controls") << QStringLiteral(" \t\u00A0 ") << QString();
    QTest::newRow("code") << QStringLiteral("12") << QStringLiteral("12");
    QTest::newRow("code with leading zeros") << QStringLiteral("007") << QStringLiteral("007");
    QTest::newRow("trimmed code") << QStringLiteral("  5 ") << QStringLiteral("5");
    QTest::newRow("negative code") << QStringLiteral("-3") << QStringLiteral("-3");
    QTest::newRow("hexadecimal code") << QStringLiteral("$1F") << QStringLiteral("$1F");
}

void TestLookups::categoryPassThrough()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    SampleDatabase sample;
    Database db(sample.path());
    CodeAllocator codes(db);
    ReferenceLookups lookups(db, codes);
    QCOMPARE(lookups.getCategoria(text), expected);
    QCOMPARE(categories(db), 0);
    QCOMPARE(lookups.categoriesCreated(), 0);
    // No code was taken either.
    QCOMPARE(codes.NovoCodigo(QStringLiteral("CATEGORIA"), QString(), QStringLiteral("CODIGO_CATEGORIA")), 1);
}

void TestLookups::categoryFoundOrCreated()
{
    SampleDatabase sample;
    Database db(sample.path());
    addCategory(db, 5, QStringLiteral("Bebidas"));
    addCategory(db, 6, QStringLiteral("LIMPEZA"));
    CodeAllocator codes(db);
    ReferenceLookups lookups(db, codes);

    QCOMPARE(lookups.getCategoria(QStringLiteral("LIMPEZA")), QStringLiteral("6"));
    QCOMPARE(lookups.getCategoria(QStringLiteral("limpeza")), QStringLiteral("6"));
    // The look-up is for the upper-cased name, so a row stored in mixed case is not found.
    QCOMPARE(lookups.getCategoria(QStringLiteral("Bebidas")), QStringLiteral("7"));
    QCOMPARE(categoriesNamed(db, QStringLiteral("BEBIDAS")), 1);
    QCOMPARE(categoriesNamed(db, QStringLiteral("Bebidas")), 1);
    // "0" is no code: it names a category.
    QCOMPARE(lookups.getCategoria(QStringLiteral("0")), QStringLiteral("8"));
    QCOMPARE(categoriesNamed(db, QStringLiteral("0")), 1);
    // The same new name twice makes one row; accents are upper-cased too.
    QCOMPARE(lookups.getCategoria(QStringLiteral("Ação")), QStringLiteral("9"));
    QCOMPARE(lookups.getCategoria(QStringLiteral("AÇÃO")), QStringLiteral("9"));
    QCOMPARE(categoriesNamed(db, QStringLiteral("AÇÃO")), 1);
    QCOMPARE(lookups.categoriesCreated(), 3);
    QCOMPARE(categories(db), 5);

    Query row(db, QStringLiteral("check"));
    row.open(QStringLiteral("SELECT * FROM CATEGORIA WHERE CODIGO_CATEGORIA = ?"), {7});
    QCOMPARE(row.asText(QStringLiteral("NOME_CATEGORIA")), QStringLiteral("BEBIDAS"));
    QVERIFY(row.value(QStringLiteral("CODIGO_EMPRESA")).isNull());

    // Another object finds the created rows in the database.
    ReferenceLookups later(db, codes);
    QCOMPARE(later.getCategoria(QStringLiteral("bebidas")), QStringLiteral("7"));
    QCOMPARE(later.categoriesCreated(), 0);
}

void TestLookups::undoneRowForgetsItsCategories()
{
    SampleDatabase sample;
    Database db(sample.path());
    CodeAllocator codes(db);
    ReferenceLookups lookups(db, codes);
    db.begin();

    lookups.rowStarted();
    QCOMPARE(lookups.getCategoria(QStringLiteral("FRIOS")), QStringLiteral("1"));

    lookups.rowStarted();
    db.savepoint(QStringLiteral("LINHA"));
    QCOMPARE(lookups.getCategoria(QStringLiteral("LATICINIOS")), QStringLiteral("2"));
    QCOMPARE(lookups.getUnidade(QStringLiteral("CX")), QStringLiteral("CX"));
    db.rollbackToSavepoint(QStringLiteral("LINHA"));
    db.releaseSavepoint(QStringLiteral("LINHA"));
    lookups.rowUndone();
    QCOMPARE(lookups.categoriesCreated(), 1);
    QCOMPARE(lookups.unitsCreated(), 0);

    lookups.rowStarted();
    // Rolled back, so made again (the allocator counts on past the lost code) ...
    QCOMPARE(lookups.getCategoria(QStringLiteral("LATICINIOS")), QStringLiteral("3"));
    QCOMPARE(lookups.getUnidade(QStringLiteral("CX")), QStringLiteral("CX"));
    // ... while the earlier row's category is still known.
    QCOMPARE(lookups.getCategoria(QStringLiteral("FRIOS")), QStringLiteral("1"));
    db.commit();
    QCOMPARE(categoriesNamed(db, QStringLiteral("LATICINIOS")), 1);
    QCOMPARE(categories(db), 2);
    QCOMPARE(count(db, QStringLiteral("SELECT COUNT(*) FROM UNIDADE")), 1);
    QCOMPARE(lookups.categoriesCreated(), 2);
    QCOMPARE(lookups.unitsCreated(), 1);
}

void TestLookups::listenerHearsEachCreation()
{
    SampleDatabase sample;
    Database db(sample.path());
    addCategory(db, 5, QStringLiteral("LIMPEZA"));
    CodeAllocator codes(db);
    ReferenceLookups lookups(db, codes);
    QStringList heard;
    lookups.setCreatedListener([&heard](ReferenceLookups::Created kind, const QString& name) {
        heard << (kind == ReferenceLookups::Created::Categoria ? QStringLiteral("C:") : QStringLiteral("U:")) + name;
    });
    db.begin();

    lookups.rowStarted();
    lookups.getCategoria(QStringLiteral("Limpeza")); // found: nothing to hear
    lookups.getCategoria(QStringLiteral("12"));      // a code, taken on trust
    lookups.getCategoria(QStringLiteral("  "));
    lookups.getCategoria(QStringLiteral("Frios"));
    lookups.getCategoria(QStringLiteral("FRIOS")); // known by now
    lookups.getUnidade(QStringLiteral("cx"));
    lookups.getUnidade(QStringLiteral("CX"));
    QCOMPARE(heard, (QStringList{QStringLiteral("C:FRIOS"), QStringLiteral("U:CX")}));

    heard.clear();
    lookups.rowStarted();
    db.savepoint(QStringLiteral("LINHA"));
    lookups.getCategoria(QStringLiteral("Laticinios"));
    lookups.getUnidade(QStringLiteral("KG"));
    db.rollbackToSavepoint(QStringLiteral("LINHA"));
    db.releaseSavepoint(QStringLiteral("LINHA"));
    lookups.rowUndone();
    QCOMPARE(heard, (QStringList{QStringLiteral("C:LATICINIOS"), QStringLiteral("U:KG")}));

    // Undone, so created and heard again; what the first row made is still known.
    heard.clear();
    lookups.rowStarted();
    lookups.getCategoria(QStringLiteral("LATICINIOS"));
    lookups.getUnidade(QStringLiteral("KG"));
    lookups.getCategoria(QStringLiteral("FRIOS"));
    lookups.getUnidade(QStringLiteral("CX"));
    QCOMPARE(heard, (QStringList{QStringLiteral("C:LATICINIOS"), QStringLiteral("U:KG")}));
    db.rollback();
}

void TestLookups::unitsFoundOrCreated()
{
    SampleDatabase sample;
    Database db(sample.path());
    CodeAllocator codes(db);
    ReferenceLookups lookups(db, codes);
    const auto unit = [&db](const QString& abbreviation) {
        Query q(db, QStringLiteral("check"));
        q.open(QStringLiteral("SELECT * FROM UNIDADE WHERE SIGLA_UNIDADE = ?"), {abbreviation});
        return q.isEmpty() ? QStringList()
                           : QStringList{q.asText(QStringLiteral("CODIGO_UNIDADE")),
                                         q.asText(QStringLiteral("DESCRICAO_UNIDADE"))};
    };

    QCOMPARE(lookups.getUnidade(QStringLiteral("CX")), QStringLiteral("CX"));
    QCOMPARE(unit(QStringLiteral("CX")), (QStringList{QStringLiteral("1"), QStringLiteral("CAIXA")}));
    QCOMPARE(lookups.getUnidade(QStringLiteral("CX")), QStringLiteral("CX"));
    QCOMPARE(lookups.unitsCreated(), 1);

    QCOMPARE(lookups.getUnidade(QStringLiteral("PC")), QStringLiteral("PC"));
    QCOMPARE(unit(QStringLiteral("PC")), (QStringList{QStringLiteral("2"), QStringLiteral("PEÇA")}));
    QCOMPARE(lookups.getUnidade(QStringLiteral("XYZ")), QStringLiteral("XYZ"));
    QCOMPARE(unit(QStringLiteral("XYZ")), (QStringList{QStringLiteral("3"), QString()}));

    // Stored upper-cased, so a later "KG" finds it in the database, not only in the cache.
    QCOMPARE(lookups.getUnidade(QStringLiteral("kg")), QStringLiteral("KG"));
    QCOMPARE(unit(QStringLiteral("KG")), (QStringList{QStringLiteral("4"), QStringLiteral("KILO")}));
    ReferenceLookups later(db, codes);
    QCOMPARE(later.getUnidade(QStringLiteral("KG")), QStringLiteral("KG"));
    QCOMPARE(later.getUnidade(QStringLiteral("cx")), QStringLiteral("CX"));
    QCOMPARE(later.unitsCreated(), 0);
    QCOMPARE(count(db, QStringLiteral("SELECT COUNT(*) FROM UNIDADE")), 4);

    // A unit already in the database comes back as stored.
    db.execute(QStringLiteral("INSERT INTO UNIDADE VALUES (90, 'LT', 'LITRO')"));
    QCOMPARE(later.getUnidade(QStringLiteral("lt")), QStringLiteral("LT"));
    QCOMPARE(count(db, QStringLiteral("SELECT COUNT(*) FROM UNIDADE")), 5);
}

void TestLookups::unitAliases()
{
    const QList<std::pair<const char*, QString>> aliases = {
        {"AR", QStringLiteral("ARROBA")},   {"BA", QStringLiteral("BANDEJA")},
        {"BL", QStringLiteral("BLOCO")},    {"BR", QStringLiteral("BARRA")},
        {"CB", QStringLiteral("CABECA")},   {"CL", QStringLiteral("CILINDRO")},
        {"CX", QStringLiteral("CAIXA")},    {"CR", QStringLiteral("CARTELA")},
        {"CJ", QStringLiteral("CONJUNTO")}, {"DZ", QStringLiteral("DUZIA")},
        {"FA", QStringLiteral("FARDO")},    {"FR", QStringLiteral("FRASCO")},
        {"GL", QStringLiteral("GALAO")},    {"GR", QStringLiteral("GARRAFA")},
        {"JG", QStringLiteral("JOGO")},     {"KG", QStringLiteral("KILO")},
        {"KT", QStringLiteral("KIT")},      {"LA", QStringLiteral("LATA")},
        {"LT", QStringLiteral("LITRO")},    {"MT", QStringLiteral("METRO")},
        {"M", QStringLiteral("METRO")},     {"M3", QStringLiteral("METRO C")},
        {"M2", QStringLiteral("METRO Q")},  {"ML", QStringLiteral("MILHEIRO")},
        {"PA", QStringLiteral("PASTILHA")}, {"PC", QStringLiteral("PEÇA")},
        {"PR", QStringLiteral("PAR")},      {"PE", QStringLiteral("1 PE")},
        {"PT", QStringLiteral("POTE")},     {"RL", QStringLiteral("ROLO")},
        {"SC", QStringLiteral("SACO")},     {"TN", QStringLiteral("TONELADA")},
        {"TB", QStringLiteral("TUBO")},     {"UN", QStringLiteral("UNIDADE")},
        {"VD", QStringLiteral("VIDRO")},
    };
    QCOMPARE(aliases.size(), 35);
    for (const auto& [abbreviation, name] : aliases)
        QCOMPARE(ReferenceLookups::unitName(QString::fromLatin1(abbreviation)), name);
    QCOMPARE(ReferenceLookups::unitName(QStringLiteral("XYZ")), QString());
    QCOMPARE(ReferenceLookups::unitName(QString()), QString());
}

QTEST_GUILESS_MAIN(TestLookups)
#include "tst_lookups.moc"
