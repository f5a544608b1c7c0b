// The product converter end to end on embedded databases: what each column of a new product
// becomes, which rows are skipped, pictures, a refused price row, the two adjustment modes alone
// and together, the counts, and a database whose tables differ from the sample ones.
#include "ConversionRun.h"
#include "Database.h"
#include "GridRows.h"
#include "Notifier.h"
#include "ProductConverter.h"
#include "DatabaseRows.h"
#include "SampleDatabase.h"

#include <QCryptographicHash>
#include <QImage>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QtTest>

#include <memory>

using namespace ProductColumns;

namespace {

using Cells = QMap<int, QString>;
using Expected = QList<QPair<QString, QString>>; // field -> text, "<null>" for null

const QString kNull = QStringLiteral("<null>");

struct RecordingNotifier : Notifier {
    QStringList sent;
    void send(const QString& text) override { sent << text; }
};

const RegionalSettings& brazil()
{
    static const RegionalSettings regional = RegionalSettings::forLocale("pt_BR.UTF-8");
    return regional;
}

Grid gridOf(const QList<Cells>& rows) { return gridOfCells(rows, 26); }

RunResult convert(const QString& path, const Grid& grid, const RunOptions& options = RunOptions(),
                  Notifier* notifier = nullptr)
{
    Database db(path);
    ProductConverter converter;
    RunObserver observer;
    return runConversion(converter, grid, options, db, {notifier}, observer, brazil());
}


QString md5(const QByteArray& bytes)
{
    return QStringLiteral("md5:") + QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// The first row of `sql` as field -> text; CHAR values without their padding, large objects by
// their digest.
QMap<QString, QString> rowTexts(const QString& path, const QString& sql, const QVariantList& values)
{
    Database db(path);
    QSqlQuery q(db.connection());
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!q.exec())
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    QMap<QString, QString> out;
    if (!q.next())
        return out;
    const QSqlRecord record = q.record();
    for (int i = 0; i < record.count(); ++i) {
        const QVariant v = q.value(i);
        QString text;
        if (v.isNull())
            text = kNull;
        else if (v.typeId() == QMetaType::QByteArray)
            text = md5(v.toByteArray());
        else
            text = v.toString();
        if ((record.field(i).typeID() & ~1) == 452) // fixed-length CHAR
            while (text.endsWith(u' '))
                text.chop(1);
        out.insert(record.fieldName(i), text);
    }
    return out;
}

// PRODUTO's columns and, under VENDA, CUSTO, MARGEM and EMPRESA_PRECO, the company-1 price row
// in exact decimal text.
QMap<QString, QString> product(const QString& path, int code)
{
    QMap<QString, QString> out =
        rowTexts(path, QStringLiteral("SELECT * FROM PRODUTO WHERE CODIGO_PRODUTO = ?"), {code});
    const QMap<QString, QString> prices = rowTexts(
        path,
        QStringLiteral("SELECT CAST(VALORVENDA_PRODUTO AS VARCHAR(30)) AS VENDA, "
                       "CAST(VALORCUSTO_PRODUTO AS VARCHAR(30)) AS CUSTO, "
                       "CAST(MARGEMLUCRO_PRODUTO AS VARCHAR(30)) AS MARGEM, CODIGO_EMPRESA AS EMPRESA_PRECO "
                       "FROM PRODUTO_EMPRESA WHERE CODIGO_PRODUTO = ? AND CODIGO_EMPRESA = 1"),
        {code});
    for (auto it = prices.constBegin(); it != prices.constEnd(); ++it)
        out.insert(it.key(), it.value());
    return out;
}

int count(const QString& path, const QString& table)
{
    return rowTexts(path, QStringLiteral("SELECT COUNT(*) AS N FROM ") + table, {}).value(QStringLiteral("N")).toInt();
}

QStringList column(const QString& path, const QString& sql)
{
    Database db(path);
    QSqlQuery q(db.connection());
    q.exec(sql);
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

// One case of the column table: the cells of a row (column A is given by the table) and what the
// stored product shows.
struct ColumnCase {
    const char* name;
    Cells cells;
    Expected expected;
};

const QStringList& columnCaseSeeds()
{
    static const QStringList seeds{
        QStringLiteral("INSERT INTO TAB_CEST VALUES (50, '99999999', '9999900', 'NCM genérico')"),
        QStringLiteral("INSERT INTO TAB_CEST VALUES (51, '00000000', '0000099', 'nunca procurado')"),
        QStringLiteral("INSERT INTO TIPOTRIBUTACAO VALUES (6, 'X1A', 'código com letras')"),
        QStringLiteral("INSERT INTO CATEGORIA VALUES (7, 'LIMPEZA', 1)"),
    };
    return seeds;
}

const std::vector<ColumnCase>& columnCases()
{
    static const std::vector<ColumnCase> cases{
        // Name clean-up and completion.
        {"name completed", {{C, QStringLiteral("caneta azul")}, {X, QStringLiteral("bic")}, {Y, QStringLiteral("0,7mm")}},
         {{QStringLiteral("NOME_PRODUTO"), QStringLiteral("CANETA AZUL BIC 0,7MM")}}},
        {"accented name", {{C, QStringLiteral("ação")}}, {{QStringLiteral("NOME_PRODUTO"), QStringLiteral("AÇÃO")}}},
        {"six characters removed", {{C, QStringLiteral("\"Copo\" 50% \u00BA\u00B4`\u0192x")}},
         {{QStringLiteral("NOME_PRODUTO"), QStringLiteral("COPO 50 X")}}},
        {"complements not cleaned", {{C, QStringLiteral("Copo")}, {X, QStringLiteral("50%")}},
         {{QStringLiteral("NOME_PRODUTO"), QStringLiteral("COPO 50%")}}},
        // Too long for NOME_PRODUTO as typed: no look-up can match it, and the clean-up makes it fit.
        {"long name shortened by clean-up", {{C, QString(195, u'a') + QStringLiteral("%%%%%%")}},
         {{QStringLiteral("NOME_PRODUTO"), QString(195, u'A')}}},
        {"blank complement ignored", {{C, QStringLiteral(" Copo ")}, {X, QStringLiteral("  ")}, {Y, QStringLiteral("grande")}},
         {{QStringLiteral("NOME_PRODUTO"), QStringLiteral("COPO GRANDE")}}},
        // NCM and CEST.
        {"NCM digits", {{E, QStringLiteral("2202.10.00")}},
         {{QStringLiteral("CODIGO_NCM"), QStringLiteral("22021000")}, {QStringLiteral("CEST_PRODUTO"), QStringLiteral("0300700")}}},
        {"first of two CEST", {{E, QStringLiteral("22030000")}}, {{QStringLiteral("CEST_PRODUTO"), QStringLiteral("0302100")}}},
        {"empty NCM looked up", {{E, QString()}},
         {{QStringLiteral("CODIGO_NCM"), QStringLiteral("99999999")}, {QStringLiteral("CEST_PRODUTO"), QStringLiteral("9999900")}}},
        {"NCM of zeros not looked up", {{E, QStringLiteral("00000000")}},
         {{QStringLiteral("CODIGO_NCM"), QStringLiteral("00000000")}, {QStringLiteral("CEST_PRODUTO"), kNull}}},
        {"NCM without CEST", {{E, QStringLiteral("12345678")}}, {{QStringLiteral("CEST_PRODUTO"), kNull}}},
        {"CEST padded", {{E, QStringLiteral("22021000")}, {U, QStringLiteral("1234")}},
         {{QStringLiteral("CEST_PRODUTO"), QStringLiteral("0001234")}}},
        {"CEST with dots", {{U, QStringLiteral("03.021.00")}}, {{QStringLiteral("CEST_PRODUTO"), QStringLiteral("0302100")}}},
        {"long CEST keeps last seven", {{U, QStringLiteral("123456789")}},
         {{QStringLiteral("CEST_PRODUTO"), QStringLiteral("3456789")}}},
        {"CEST without digits", {{E, QStringLiteral("22021000")}, {U, QStringLiteral("abc")}},
         {{QStringLiteral("CEST_PRODUTO"), QStringLiteral("0300700")}}},
        // Units.
        {"unit PT30", {{H, QStringLiteral("PT30")}}, {{QStringLiteral("UNIDADE_PRODUTO"), QStringLiteral("PT")}}},
        {"unit METRO", {{H, QStringLiteral("METRO")}}, {{QStringLiteral("UNIDADE_PRODUTO"), QStringLiteral("MT")}}},
        {"unit UND", {{H, QStringLiteral("UND")}}, {{QStringLiteral("UNIDADE_PRODUTO"), QStringLiteral("UN")}}},
        {"unit empty", {{H, QString()}}, {{QStringLiteral("UNIDADE_PRODUTO"), QStringLiteral("UN")}}},
        {"unit trimmed UNIDADE", {{H, QStringLiteral(" UNIDADE ")}}, {{QStringLiteral("UNIDADE_PRODUTO"), QStringLiteral("UN")}}},
        {"unit CX12", {{H, QStringLiteral("CX12")}}, {{QStringLiteral("UNIDADE_PRODUTO"), QStringLiteral("CX")}}},
        {"unit und kept", {{H, QStringLiteral("und")}}, {{QStringLiteral("UNIDADE_PRODUTO"), QStringLiteral("und")}}},
        {"unit Un1 kept", {{H, QStringLiteral("Un1")}}, {{QStringLiteral("UNIDADE_PRODUTO"), QStringLiteral("Un1")}}},
        // CST PIS and COFINS against the defaults "06".
        {"S 1", {{S, QStringLiteral("1")}}, {{QStringLiteral("CSTPIS_PRODUTO"), QStringLiteral("01")}}},
        {"S 00", {{S, QStringLiteral("00")}}, {{QStringLiteral("CSTPIS_PRODUTO"), QStringLiteral("06")}}},
        {"S 0", {{S, QStringLiteral("0")}}, {{QStringLiteral("CSTPIS_PRODUTO"), QStringLiteral("06")}}},
        {"S empty", {{S, QString()}}, {{QStringLiteral("CSTPIS_PRODUTO"), QStringLiteral("06")}}},
        {"S leading blank", {{S, QStringLiteral(" 7")}}, {{QStringLiteral("CSTPIS_PRODUTO"), QStringLiteral("07")}}},
        {"S three digits", {{S, QStringLiteral("123")}}, {{QStringLiteral("CSTPIS_PRODUTO"), QStringLiteral("23")}}},
        {"S hexadecimal", {{S, QStringLiteral("$1A")}}, {{QStringLiteral("CSTPIS_PRODUTO"), QStringLiteral("26")}}},
        {"S negative", {{S, QStringLiteral("-3")}}, {{QStringLiteral("CSTPIS_PRODUTO"), QStringLiteral("06")}}},
        {"T 50", {{T, QStringLiteral("50")}},
         {{QStringLiteral("CSTCOFINS_PRODUTO"), QStringLiteral("50")}, {QStringLiteral("CSTPIS_PRODUTO"), QStringLiteral("06")}}},
        {"T text", {{T, QStringLiteral("abc")}}, {{QStringLiteral("CSTCOFINS_PRODUTO"), QStringLiteral("06")}}},
        // Tax type: column I, then TIPOTRIBUTACAO by the raw CST of column R.
        {"tax type default", {}, {{QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("1")}}},
        {"tax type of I", {{I, QStringLiteral("2")}}, {{QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("2")}}},
        {"tax type I zero", {{I, QStringLiteral("0")}}, {{QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("1")}}},
        {"tax type CST 00 not looked up", {{I, QStringLiteral("2")}, {R, QStringLiteral("00")}},
         {{QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("2")}}},
        {"tax type of CST 60", {{R, QStringLiteral("60")}}, {{QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("3")}}},
        {"tax type of CSOSN over I", {{I, QStringLiteral("2")}, {R, QStringLiteral("102")}},
         {{QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("4")}}},
        {"tax type CST not found", {{I, QStringLiteral("2")}, {R, QStringLiteral("999")}},
         {{QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("2")}}},
        {"tax type CST upper-cased", {{R, QStringLiteral("x1a")}}, {{QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("6")}}},
        {"tax type CST not trimmed", {{R, QStringLiteral(" 60")}}, {{QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("1")}}},
        {"tax type CST longer than its column", {{I, QStringLiteral("2")}, {R, QStringLiteral("  102")}},
         {{QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("2")}}},
        // Prices and margin.
        {"money with R$", {{D, QStringLiteral("R$ 15,00")}, {F, QStringLiteral("R$ 10,00")}, {G, QStringLiteral("30")}},
         {{QStringLiteral("VENDA"), QStringLiteral("15.0000")}, {QStringLiteral("CUSTO"), QStringLiteral("10.0000")},
          {QStringLiteral("MARGEM"), QStringLiteral("50.0000")}, {QStringLiteral("EMPRESA_PRECO"), QStringLiteral("1")}}},
        {"margin a third", {{D, QStringLiteral("4")}, {F, QStringLiteral("3")}, {G, QStringLiteral("99")}},
         {{QStringLiteral("MARGEM"), QStringLiteral("33.3333")}}},
        {"thousands separator is no number", {{D, QStringLiteral("1.234,56")}, {F, QStringLiteral("10")}, {G, QStringLiteral("5")}},
         {{QStringLiteral("VENDA"), QStringLiteral("0.0000")}, {QStringLiteral("CUSTO"), QStringLiteral("10.0000")},
          {QStringLiteral("MARGEM"), QStringLiteral("5.0000")}}},
        {"no cost keeps G", {{D, QStringLiteral("20")}, {G, QStringLiteral("12,5")}},
         {{QStringLiteral("CUSTO"), QStringLiteral("0.0000")}, {QStringLiteral("MARGEM"), QStringLiteral("12.5000")}}},
        {"point is no separator", {{D, QStringLiteral("15.00")}}, {{QStringLiteral("VENDA"), QStringLiteral("0.0000")}}},
        {"unreadable prices", {{D, QStringLiteral("abc")}, {F, QStringLiteral("?")}, {G, QStringLiteral("R$ 5")}},
         {{QStringLiteral("VENDA"), QStringLiteral("0.0000")}, {QStringLiteral("CUSTO"), QStringLiteral("0.0000")},
          {QStringLiteral("MARGEM"), QStringLiteral("0.0000")}}},
        // Active flag, category, supplier, weights, minimum stock.
        {"active n stays S", {{Q, QStringLiteral("n")}}, {{QStringLiteral("ATIVO_PRODUTO"), QStringLiteral("S")}}},
        {"active N trimmed", {{Q, QStringLiteral(" N ")}}, {{QStringLiteral("ATIVO_PRODUTO"), QStringLiteral("N")}}},
        {"active other text", {{Q, QStringLiteral("Não")}}, {{QStringLiteral("ATIVO_PRODUTO"), QStringLiteral("S")}}},
        {"category empty", {{L, QString()}}, {{QStringLiteral("CODIGO_CATEGORIA"), QStringLiteral("1")}}},
        {"category code taken", {{L, QStringLiteral("12")}}, {{QStringLiteral("CODIGO_CATEGORIA"), QStringLiteral("12")}}},
        {"category found by name", {{L, QStringLiteral("Limpeza")}}, {{QStringLiteral("CODIGO_CATEGORIA"), QStringLiteral("7")}}},
        {"category created", {{L, QStringLiteral("Bebidas")}}, {{QStringLiteral("CODIGO_CATEGORIA"), QStringLiteral("8")}}},
        {"category created found again", {{L, QStringLiteral(" bebidas ")}},
         {{QStringLiteral("CODIGO_CATEGORIA"), QStringLiteral("8")}}},
        {"supplier empty", {{W, QStringLiteral(" ")}}, {{QStringLiteral("CODIGO_FORNECEDOR"), kNull}}},
        {"supplier leading blank", {{W, QStringLiteral(" 45")}}, {{QStringLiteral("CODIGO_FORNECEDOR"), QStringLiteral("45")}}},
        {"supplier trailing blank", {{W, QStringLiteral("45 ")}}, {{QStringLiteral("CODIGO_FORNECEDOR"), QStringLiteral("0")}}},
        {"weights empty", {},
         {{QStringLiteral("PESOLIQUIDO_PRODUTO"), QStringLiteral("0")}, {QStringLiteral("PESOBRUTO_PRODUTO"), QStringLiteral("0")},
          {QStringLiteral("ESTOQUEMINIMO_PRODUTO"), kNull}, {QStringLiteral("IMAGEM_PRODUTO"), kNull}}},
        {"minimum stock unreadable", {{Z, QStringLiteral("x")}}, {{QStringLiteral("ESTOQUEMINIMO_PRODUTO"), QStringLiteral("0")}}},
        {"text columns trimmed", {{J, QStringLiteral(" A-3 ")}, {M, QStringLiteral("FAB'01")}, {N, QStringLiteral(" d'Ouro ")}},
         {{QStringLiteral("LOCALIZACAO_PRODUTO"), QStringLiteral("A-3")},
          {QStringLiteral("CODIGO_FABRICANTE"), QStringLiteral("FAB 01")},
          {QStringLiteral("MARCA_PRODUTO"), QStringLiteral("d Ouro")}}},
    };
    return cases;
}

// The code of a column case's row; its name is unique, so the name look-up never gets in the way.
int caseCode(int index) { return 1000 + index; }

QByteArray pictureBytes() { return QByteArrayLiteral("\xFF\xD8\xFF\xE0 not really a JPEG, only its bytes"); }

} // namespace

class TestProductConverter : public QObject {
    Q_OBJECT
private slots:
    void cleanupTestCase();
    void fullRowWritesEveryColumn_data();
    void fullRowWritesEveryColumn();
    void columns_data();
    void columns();
    void unitsAndCategoriesAreCreated();
    void codesFromColumnA_data();
    void codesFromColumnA();
    void existingProductsAreSkipped();
    void pictures();
    void refusedPriceRowUndoesItsProduct_data();
    void refusedPriceRowUndoesItsProduct();
    void priceAdjustment();
    void taxAdjustment_data();
    void taxAdjustment();
    void bothAdjustmentsTogether();
    void countsAndClosingMessages_data();
    void countsAndClosingMessages();
    void foreignSchema();
    void dryRunFlagsNcmAndListsWhatItWouldCreate();
    void taxAdjustmentFlagsTheNcmItWrites();

private:
    struct SharedRun {
        SampleDatabase sample;
        RunResult result;
        QString folder;
    };
    SharedRun& fullRun();
    SharedRun& columnRun();
    SharedRun& codeRun();

    std::unique_ptr<SharedRun> m_full;
    std::unique_ptr<SharedRun> m_columns;
    std::unique_ptr<SharedRun> m_codes;
};

void TestProductConverter::cleanupTestCase()
{
    m_full.reset();
    m_columns.reset();
    m_codes.reset();
}

TestProductConverter::SharedRun& TestProductConverter::fullRun()
{
    if (!m_full) {
        m_full = std::make_unique<SharedRun>();
        const QString picture = QDir(m_full->sample.folder()).filePath(QStringLiteral("caneta.jpg"));
        QFile file(picture);
        if (!file.open(QIODevice::WriteOnly) || file.write(pictureBytes()) != pictureBytes().size())
            qFatal("cannot write the picture");
        file.close();
        seed(m_full->sample.path(), {QStringLiteral("INSERT INTO CATEGORIA VALUES (7, 'LIMPEZA', 1)")});
        const Cells cells{{A, QStringLiteral("12-A")},
                          {B, QStringLiteral("789'123")},
                          {C, QStringLiteral("  Caneta \"azul\" 50%")},
                          {D, QStringLiteral("R$ 15,00")},
                          {E, QStringLiteral("2202.10.00")},
                          {F, QStringLiteral("R$ 10,00")},
                          {G, QStringLiteral("30")},
                          {H, QStringLiteral("PT30")},
                          {I, QStringLiteral("2")},
                          {J, QStringLiteral(" Prateleira 3 ")},
                          {K, QStringLiteral("99")},
                          {L, QStringLiteral("Papelaria")},
                          {M, QStringLiteral("FAB'01")},
                          {N, QStringLiteral(" Bic ")},
                          {O, QStringLiteral("0,5")},
                          {P, QStringLiteral("0,75")},
                          {Q, QStringLiteral("N")},
                          {R, QStringLiteral("60")},
                          {S, QStringLiteral("1")},
                          {T, QStringLiteral("7")},
                          {U, QStringLiteral("1234")},
                          {V, QStringLiteral("  ") + picture + QStringLiteral(" ")},
                          {W, QStringLiteral("45")},
                          {X, QStringLiteral("bic")},
                          {Y, QStringLiteral("0,7mm")},
                          {Z, QStringLiteral("2,5")}};
        RunOptions options;
        options.cstIpi = QStringLiteral(" 53"); // the edits' texts go in as they stand
        options.cstPis = QStringLiteral("08");
        options.cstCofins = QStringLiteral("09");
        m_full->result = convert(m_full->sample.path(), gridOf({cells}), options);
    }
    return *m_full;
}

void TestProductConverter::fullRowWritesEveryColumn_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    const Expected expected{
        {QStringLiteral("CODIGO_PRODUTO"), QStringLiteral("12")},
        {QStringLiteral("REFERENCIA_PRODUTO"), QStringLiteral("789 123")},
        {QStringLiteral("NOME_PRODUTO"), QStringLiteral("CANETA AZUL 50 BIC 0,7MM")},
        {QStringLiteral("CODIGO_NCM"), QStringLiteral("22021000")},
        {QStringLiteral("CEST_PRODUTO"), QStringLiteral("0001234")},
        {QStringLiteral("TIPO_PRODUTO"), QStringLiteral("P")},
        {QStringLiteral("UNIDADE_PRODUTO"), QStringLiteral("PT")},
        {QStringLiteral("CSTIPI_PRODUTO"), QStringLiteral(" 53")},
        {QStringLiteral("CSTPIS_PRODUTO"), QStringLiteral("01")},
        {QStringLiteral("CSTCOFINS_PRODUTO"), QStringLiteral("07")},
        {QStringLiteral("IMAGEM_PRODUTO"), md5(pictureBytes())},
        {QStringLiteral("ACS_VALORPRODUTO"), QStringLiteral("N")},
        {QStringLiteral("ACS_QTDPRODUTO"), QStringLiteral("N")},
        {QStringLiteral("ATIVO_PRODUTO"), QStringLiteral("N")},
        {QStringLiteral("CODIGO_EMPRESA"), QStringLiteral("1")},
        {QStringLiteral("CODIGO_TIPOTRIBUTACAO"), QStringLiteral("3")},
        {QStringLiteral("LOCALIZACAO_PRODUTO"), QStringLiteral("Prateleira 3")},
        {QStringLiteral("CODIGO_CATEGORIA"), QStringLiteral("8")},
        {QStringLiteral("CODIGO_FABRICANTE"), QStringLiteral("FAB 01")},
        {QStringLiteral("MARCA_PRODUTO"), QStringLiteral("Bic")},
        {QStringLiteral("PESOLIQUIDO_PRODUTO"), QStringLiteral("0.5")},
        {QStringLiteral("PESOBRUTO_PRODUTO"), QStringLiteral("0.75")},
        {QStringLiteral("CODIGO_FORNECEDOR"), QStringLiteral("45")},
        {QStringLiteral("ESTOQUEMINIMO_PRODUTO"), QStringLiteral("2.5")},
        {QStringLiteral("VENDA"), QStringLiteral("15.0000")},
        {QStringLiteral("CUSTO"), QStringLiteral("10.0000")},
        {QStringLiteral("MARGEM"), QStringLiteral("50.0000")},
        {QStringLiteral("EMPRESA_PRECO"), QStringLiteral("1")},
    };
    for (const auto& [field, text] : expected)
        QTest::newRow(qPrintable(field)) << field << text;
}

void TestProductConverter::fullRowWritesEveryColumn()
{
    QFETCH(QString, field);
    QFETCH(QString, expected);
    SharedRun& run = fullRun();
    const QMap<QString, QString> stored = product(run.sample.path(), 12);
    QVERIFY2(stored.contains(field), qPrintable(field));
    QCOMPARE(stored.value(field), expected);
    // The sheet's one row is the product, its picture loaded without a note.
    QCOMPARE(run.result.report.count(RowOutcome::Inserted), 1);
    QCOMPARE(run.result.report.rows().front().key, QStringLiteral("12"));
    QCOMPARE(run.result.report.rows().front().reason, QString());
    QCOMPARE(column(run.sample.path(), QStringLiteral("SELECT NOME_CATEGORIA FROM CATEGORIA WHERE CODIGO_CATEGORIA = 8")),
             QStringList{QStringLiteral("PAPELARIA")});
}

TestProductConverter::SharedRun& TestProductConverter::columnRun()
{
    if (!m_columns) {
        m_columns = std::make_unique<SharedRun>();
        seed(m_columns->sample.path(), columnCaseSeeds());
        QList<Cells> rows;
        const std::vector<ColumnCase>& cases = columnCases();
        for (size_t i = 0; i < cases.size(); ++i) {
            Cells cells = cases[i].cells;
            cells.insert(A, QString::number(caseCode(static_cast<int>(i))));
            if (!cells.contains(C))
                cells.insert(C, QStringLiteral("Produto %1").arg(i));
            rows << cells;
        }
        m_columns->result = convert(m_columns->sample.path(), gridOf(rows));
    }
    return *m_columns;
}

void TestProductConverter::columns_data()
{
    QTest::addColumn<int>("index");
    const std::vector<ColumnCase>& cases = columnCases();
    for (size_t i = 0; i < cases.size(); ++i)
        QTest::newRow(cases[i].name) << static_cast<int>(i);
}

void TestProductConverter::columns()
{
    QFETCH(int, index);
    SharedRun& run = columnRun();
    const ColumnCase& c = columnCases().at(static_cast<size_t>(index));
    const QMap<QString, QString> stored = product(run.sample.path(), caseCode(index));
    QVERIFY2(!stored.isEmpty(), "the product was not inserted");
    for (const auto& [field, text] : c.expected) {
        QVERIFY2(stored.contains(field), qPrintable(field));
        QCOMPARE(stored.value(field), text);
    }
}

void TestProductConverter::unitsAndCategoriesAreCreated()
{
    SharedRun& run = columnRun();
    // Every row's unit exists afterwards, looked up and stored upper-cased, named from the aliases.
    QStringList units = column(run.sample.path(),
                               QStringLiteral("SELECT SIGLA_UNIDADE || '=' || COALESCE(DESCRICAO_UNIDADE, '') FROM UNIDADE"));
    units.sort();
    QCOMPARE(units, (QStringList{QStringLiteral("CX=CAIXA"), QStringLiteral("MT=METRO"), QStringLiteral("PT=POTE"),
                                 QStringLiteral("UN1="), QStringLiteral("UN=UNIDADE"), QStringLiteral("UND=")}));
    QStringList categories = column(
        run.sample.path(), QStringLiteral("SELECT CODIGO_CATEGORIA || '=' || NOME_CATEGORIA FROM CATEGORIA"));
    categories.sort();
    QCOMPARE(categories, (QStringList{QStringLiteral("7=LIMPEZA"), QStringLiteral("8=BEBIDAS")}));
    QCOMPARE(run.result.report.count(RowOutcome::Inserted), static_cast<int>(columnCases().size()));
}

TestProductConverter::SharedRun& TestProductConverter::codeRun()
{
    if (!m_codes) {
        m_codes = std::make_unique<SharedRun>();
        QList<Cells> rows;
        const QList<QPair<QString, QString>> cells{
            {QStringLiteral("12-A"), QString()},        {QStringLiteral("007"), QString()},
            {QStringLiteral("008"), QStringLiteral("   ")}, {QStringLiteral(" 'X'5 "), QString()},
            {QStringLiteral("6"), QStringLiteral(" AB'C ")}, {QStringLiteral("-9"), QString()},
            {QStringLiteral("abc"), QString()},         {QStringLiteral("0000"), QString()},
            {QString(), QStringLiteral("sem código")},  {QStringLiteral("99999999999"), QString()},
        };
        for (int i = 0; i < cells.size(); ++i)
            rows << Cells{{A, cells.at(i).first}, {B, cells.at(i).second}, {C, QStringLiteral("Item %1").arg(i)}};
        m_codes->result = convert(m_codes->sample.path(), gridOf(rows));
    }
    return *m_codes;
}

void TestProductConverter::codesFromColumnA_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("code");         // 0: skipped
    QTest::addColumn<QString>("expected"); // the reference, or the skip reason
    QTest::newRow("12-A") << 0 << 12 << QStringLiteral("12-A");
    QTest::newRow("007 with empty B") << 1 << 7 << QStringLiteral("007");
    QTest::newRow("008 with blank B") << 2 << 8 << QStringLiteral("008");
    QTest::newRow("quote in A") << 3 << 5 << QStringLiteral("X 5");
    QTest::newRow("B trimmed, quote turned blank") << 4 << 6 << QStringLiteral("AB C");
    QTest::newRow("sign dropped") << 5 << 9 << QStringLiteral("-9");
    QTest::newRow("no digit") << 6 << 0 << QStringLiteral("código vazio ou zero");
    QTest::newRow("zeros") << 7 << 0 << QStringLiteral("código vazio ou zero");
    QTest::newRow("empty") << 8 << 0 << QStringLiteral("código vazio ou zero");
    QTest::newRow("beyond 32 bits") << 9 << 0 << QStringLiteral("código maior que 2147483647");
}

void TestProductConverter::codesFromColumnA()
{
    QFETCH(int, row);
    QFETCH(int, code);
    QFETCH(QString, expected);
    SharedRun& run = codeRun();
    const RowReport& report = run.result.report.rows().at(static_cast<size_t>(row));
    if (code == 0) {
        QCOMPARE(report.outcome, RowOutcome::Skipped);
        QCOMPARE(report.reason, expected);
    } else {
        QCOMPARE(report.outcome, RowOutcome::Inserted);
        QCOMPARE(report.key, QString::number(code));
        QCOMPARE(product(run.sample.path(), code).value(QStringLiteral("REFERENCIA_PRODUTO")), expected);
    }
    QCOMPARE(count(run.sample.path(), QStringLiteral("PRODUTO")), 6);
}

void TestProductConverter::existingProductsAreSkipped()
{
    SampleDatabase sample;
    seed(sample.path(), {QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, NOME_PRODUTO) VALUES (12, 'EXISTENTE')"),
                         QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, NOME_PRODUTO) VALUES (20, 'Caneta')")});
    const Grid grid = gridOf({
        {{A, QStringLiteral("12")}, {C, QStringLiteral("Outro nome")}, {D, QStringLiteral("5")}},
        {{A, QStringLiteral("30")}, {C, QStringLiteral("  Caneta ")}}, // the name as typed, trimmed
        {{A, QStringLiteral("31")}, {C, QStringLiteral("caneta")}},    // names compare with their case
        {{A, QStringLiteral("31")}, {C, QStringLiteral("Lápis")}},     // the code the row before inserted
        {{A, QStringLiteral("32")}, {C, QStringLiteral("caneta")}},    // row 3 stored CANETA, not caneta
    });
    const RunResult r = convert(sample.path(), grid);
    const std::vector<RowReport>& rows = r.report.rows();
    QCOMPARE(rows.at(0).reason, QStringLiteral("produto já cadastrado (código 12)"));
    QCOMPARE(rows.at(1).reason, QStringLiteral("produto já cadastrado com o mesmo nome (código 20)"));
    QCOMPARE(rows.at(2).outcome, RowOutcome::Inserted);
    QCOMPARE(rows.at(3).reason, QStringLiteral("produto já cadastrado (código 31)"));
    QCOMPARE(rows.at(4).outcome, RowOutcome::Inserted);
    // The existing product got no price row, and nothing of it changed.
    const QMap<QString, QString> existing = product(sample.path(), 12);
    QCOMPARE(existing.value(QStringLiteral("NOME_PRODUTO")), QStringLiteral("EXISTENTE"));
    QVERIFY(!existing.contains(QStringLiteral("VENDA")));
    QCOMPARE(product(sample.path(), 31).value(QStringLiteral("NOME_PRODUTO")), QStringLiteral("CANETA"));
    QCOMPARE(count(sample.path(), QStringLiteral("PRODUTO")), 4);
    QCOMPARE(count(sample.path(), QStringLiteral("PRODUTO_EMPRESA")), 2);
}

void TestProductConverter::pictures()
{
    SampleDatabase sample;
    const QDir dir(sample.folder());
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(dir.filePath(QStringLiteral("foto.BMP")), "BMP"));
    QFile jpeg(dir.filePath(QStringLiteral("outra.jpg")));
    QVERIFY(jpeg.open(QIODevice::WriteOnly));
    jpeg.write(pictureBytes());
    jpeg.close();

    const Grid grid = gridOf({
        {{A, QStringLiteral("1")}, {C, QStringLiteral("Bitmap")}, {V, dir.filePath(QStringLiteral("foto.BMP"))}},
        {{A, QStringLiteral("2")}, {C, QStringLiteral("Bitmap ausente")}, {V, dir.filePath(QStringLiteral("falta.bmp"))}},
        {{A, QStringLiteral("3")}, {C, QStringLiteral("JPEG ausente")}, {V, dir.filePath(QStringLiteral("falta.jpg"))}},
        {{A, QStringLiteral("4")}, {C, QStringLiteral("JPEG")}, {V, dir.filePath(QStringLiteral("outra.jpg"))}},
        {{A, QStringLiteral("5")}, {C, QStringLiteral("Sem imagem")}, {V, QStringLiteral("   ")}},
    });
    const RunResult r = convert(sample.path(), grid);
    QCOMPARE(r.report.count(RowOutcome::Inserted), 5);

    // The bitmap became a JPEG beside it, and the JPEG's bytes are the product's picture.
    QFile converted(dir.filePath(QStringLiteral("foto.jpg")));
    QVERIFY(converted.open(QIODevice::ReadOnly));
    const QByteArray jpegBytes = converted.readAll();
    QVERIFY(jpegBytes.startsWith("\xFF\xD8"));
    QCOMPARE(product(sample.path(), 1).value(QStringLiteral("IMAGEM_PRODUTO")), md5(jpegBytes));
    QCOMPARE(product(sample.path(), 4).value(QStringLiteral("IMAGEM_PRODUTO")), md5(pictureBytes()));

    // A picture that cannot be had leaves the field empty; the product and its price are written
    // and the report says why.
    for (int code : {2, 3, 5}) {
        const QMap<QString, QString> p = product(sample.path(), code);
        QCOMPARE(p.value(QStringLiteral("IMAGEM_PRODUTO")), kNull);
        QCOMPARE(p.value(QStringLiteral("EMPRESA_PRECO")), QStringLiteral("1"));
    }
    const std::vector<RowReport>& rows = r.report.rows();
    QCOMPARE(rows.at(1).key, QStringLiteral("2"));
    QVERIFY2(rows.at(1).reason.startsWith(QStringLiteral("imagem não gravada: ")), qPrintable(rows.at(1).reason));
    QVERIFY2(rows.at(1).reason.contains(QStringLiteral("falta.bmp")), qPrintable(rows.at(1).reason));
    QVERIFY2(rows.at(2).reason.contains(QStringLiteral("falta.jpg")), qPrintable(rows.at(2).reason));
    QCOMPARE(rows.at(0).reason, QString());
    QCOMPARE(rows.at(4).reason, QString());
}

void TestProductConverter::refusedPriceRowUndoesItsProduct_data()
{
    QTest::addColumn<bool>("continuar");
    QTest::newRow("run ends") << false;
    QTest::newRow("run goes on") << true;
}

void TestProductConverter::refusedPriceRowUndoesItsProduct()
{
    QFETCH(bool, continuar);
    SampleDatabase sample;
    seed(sample.path(), {QStringLiteral("ALTER TABLE PRODUTO_EMPRESA ADD CONSTRAINT CK_PRECO_TETO "
                                        "CHECK (VALORVENDA_PRODUTO < 1000)")});
    const Grid grid = gridOf({
        {{A, QStringLiteral("1")}, {C, QStringLiteral("Barato")}, {D, QStringLiteral("10")}, {L, QStringLiteral("Um")}},
        {{A, QStringLiteral("2")}, {C, QStringLiteral("Caro")}, {D, QStringLiteral("5000")}, {L, QStringLiteral("Dois")},
         {H, QStringLiteral("KG")}},
        {{A, QStringLiteral("3")}, {C, QStringLiteral("Depois")}, {D, QStringLiteral("20")}},
    });
    RunOptions options;
    options.continuar = continuar;
    RecordingNotifier notifier;
    QString message;
    try {
        const RunResult r = convert(sample.path(), grid, options, &notifier);
        QVERIFY(continuar);
        QCOMPARE(r.report.count(RowOutcome::Failed), 1);
        message = r.report.rows().at(1).reason;
        QCOMPARE(r.closingMessage, QStringLiteral("3 Produtos Importados!"));
    } catch (const RunError& e) {
        QVERIFY(!continuar);
        message = e.message();
        QVERIFY(notifier.sent.isEmpty());
    }
    QVERIFY2(message.startsWith(QStringLiteral("Erro na linha 2 da planilha")), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("CK_PRECO_TETO")), qPrintable(message));

    // Row 2 left nothing: no product, no price, no category or unit of its own.
    QVERIFY(product(sample.path(), 2).isEmpty());
    QCOMPARE(product(sample.path(), 1).value(QStringLiteral("VENDA")), QStringLiteral("10.0000"));
    QCOMPARE(column(sample.path(), QStringLiteral("SELECT NOME_CATEGORIA FROM CATEGORIA")), QStringList{QStringLiteral("UM")});
    QCOMPARE(column(sample.path(), QStringLiteral("SELECT SIGLA_UNIDADE FROM UNIDADE")), QStringList{QStringLiteral("UN")});
    QCOMPARE(product(sample.path(), 3).isEmpty(), !continuar);
}

void TestProductConverter::priceAdjustment()
{
    SampleDatabase sample;
    QStringList seeds;
    for (int code = 1; code <= 5; ++code)
        seeds << QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, REFERENCIA_PRODUTO, NOME_PRODUTO, CODIGO_NCM) "
                                "VALUES (%1, 'REF%1', 'PRODUTO %1', '11111111')")
                     .arg(code);
    for (int code = 1; code <= 4; ++code)
        seeds << QStringLiteral("INSERT INTO PRODUTO_EMPRESA VALUES (%1, 1, 30, 10, 5)").arg(code);
    seeds << QStringLiteral("INSERT INTO PRODUTO_EMPRESA VALUES (1, 2, 77, 66, 55)"); // another company
    seed(sample.path(), seeds);

    const Grid grid = gridOf({
        {{A, QStringLiteral("1")}, {B, QStringLiteral("NOVA'REF")}, {D, QStringLiteral("20")}, {E, QStringLiteral("2222")}},
        {{A, QStringLiteral("2")}, {D, QString()}, {F, QStringLiteral("8")}, {G, QStringLiteral("7")}},
        {{A, QStringLiteral("3")}, {B, QStringLiteral("R3")}, {D, QStringLiteral("4")}, {F, QStringLiteral("3")},
         {G, QStringLiteral("99")}},
        {{A, QStringLiteral("4")}, {B, QStringLiteral("R4")}, {D, QStringLiteral("R$ 15,00")}, {F, QStringLiteral("R$ 10,00")},
         {G, QStringLiteral("0")}},
        {{A, QStringLiteral("5")}, {B, QStringLiteral("R5")}, {D, QStringLiteral("9")}},
        {{A, QStringLiteral("99")}, {B, QStringLiteral("NINGUEM")}, {C, QStringLiteral("Novo")}, {D, QStringLiteral("9")}},
    });
    RunOptions options;
    options.ajustarPrecos = true;
    options.ajustarNcm = true; // without the tax box the NCM stays
    const RunResult r = convert(sample.path(), grid, options);

    const auto check = [&](int code, const QString& reference, const QString& sale, const QString& cost,
                           const QString& margin) {
        const QMap<QString, QString> p = product(sample.path(), code);
        QCOMPARE(p.value(QStringLiteral("REFERENCIA_PRODUTO")), reference);
        QCOMPARE(p.value(QStringLiteral("VENDA"), kNull), sale);
        QCOMPARE(p.value(QStringLiteral("CUSTO"), kNull), cost);
        QCOMPARE(p.value(QStringLiteral("MARGEM"), kNull), margin);
        QCOMPARE(p.value(QStringLiteral("CODIGO_NCM")), QStringLiteral("11111111"));
        QCOMPARE(p.value(QStringLiteral("NOME_PRODUTO")), QStringLiteral("PRODUTO %1").arg(code));
    };
    // Empty cost keeps the stored 10; the margin is the mark-up over it.
    check(1, QStringLiteral("NOVA REF"), QStringLiteral("20.0000"), QStringLiteral("10.0000"), QStringLiteral("100.0000"));
    // Empty sale price writes 0; with it the margin of column G stands; an empty B clears the
    // reference.
    check(2, QString(), QStringLiteral("0.0000"), QStringLiteral("8.0000"), QStringLiteral("7.0000"));
    check(3, QStringLiteral("R3"), QStringLiteral("4.0000"), QStringLiteral("3.0000"), QStringLiteral("33.3333"));
    check(4, QStringLiteral("R4"), QStringLiteral("15.0000"), QStringLiteral("10.0000"), QStringLiteral("50.0000"));
    // No price row: only the reference, and no price row is created.
    check(5, QStringLiteral("R5"), kNull, kNull, kNull);
    QVERIFY(product(sample.path(), 99).isEmpty());
    QCOMPARE(count(sample.path(), QStringLiteral("PRODUTO_EMPRESA")), 5);
    QCOMPARE(rowTexts(sample.path(),
                      QStringLiteral("SELECT CAST(VALORVENDA_PRODUTO AS VARCHAR(20)) AS V FROM PRODUTO_EMPRESA "
                                     "WHERE CODIGO_PRODUTO = 1 AND CODIGO_EMPRESA = 2"),
                      {})
                 .value(QStringLiteral("V")),
             QStringLiteral("77.0000"));

    QCOMPARE(r.report.count(RowOutcome::Updated), 5);
    QCOMPARE(r.report.rows().at(5).reason, QStringLiteral("produto não encontrado"));
    QCOMPARE(r.report.rows().at(4).reason, QStringLiteral("sem preço da empresa 1: só a referência foi gravada"));
    QCOMPARE(r.closingMessage, QStringLiteral("6 Produtos Importados!"));
}

void TestProductConverter::taxAdjustment_data()
{
    QTest::addColumn<bool>("ajustarNcm");
    QTest::addColumn<bool>("ajustarCest");
    QTest::addColumn<QString>("cellE");
    QTest::addColumn<QString>("cellU");
    QTest::addColumn<QString>("ncm");
    QTest::addColumn<QString>("cest");
    const QString oldNcm = QStringLiteral("11111111");
    const QString oldCest = QStringLiteral("1111111");
    QTest::newRow("NCM digits") << true << false << QStringLiteral("2202.10.00") << QStringLiteral("1234")
                                << QStringLiteral("22021000") << oldCest;
    QTest::newRow("empty NCM") << true << false << QString() << QString() << QStringLiteral("99999999") << oldCest;
    QTest::newRow("dotted CEST") << false << true << QStringLiteral("22021000") << QStringLiteral("03.021.00") << oldNcm
                                 << QStringLiteral("0302100");
    QTest::newRow("short CEST") << false << true << QString() << QStringLiteral("1234") << oldNcm
                                << QStringLiteral("0001234");
    // No TAB_CEST look-up here: an empty CEST cell leaves the stored one.
    QTest::newRow("empty CEST") << true << true << QStringLiteral("22021000") << QString() << QStringLiteral("22021000")
                                << oldCest;
    QTest::newRow("neither option") << false << false << QStringLiteral("22021000") << QStringLiteral("1234") << oldNcm
                                    << oldCest;
}

void TestProductConverter::taxAdjustment()
{
    QFETCH(bool, ajustarNcm);
    QFETCH(bool, ajustarCest);
    QFETCH(QString, cellE);
    QFETCH(QString, cellU);
    QFETCH(QString, ncm);
    QFETCH(QString, cest);
    SampleDatabase sample;
    seed(sample.path(), {QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, REFERENCIA_PRODUTO, CODIGO_NCM, CEST_PRODUTO) "
                                        "VALUES (7, 'REF', '11111111', '1111111')"),
                         QStringLiteral("INSERT INTO PRODUTO_EMPRESA VALUES (7, 1, 30, 10, 5)")});
    RunOptions options;
    options.ajustarTributacao = true;
    options.ajustarNcm = ajustarNcm;
    options.ajustarCest = ajustarCest;
    const RunResult r = convert(sample.path(),
                                gridOf({{{A, QStringLiteral("7")},
                                         {B, QStringLiteral("OUTRA")},
                                         {D, QStringLiteral("99")},
                                         {E, cellE},
                                         {U, cellU}},
                                        {{A, QStringLiteral("8")}, {E, cellE}, {U, cellU}}}),
                                options);
    const QMap<QString, QString> p = product(sample.path(), 7);
    QCOMPARE(p.value(QStringLiteral("CODIGO_NCM")), ncm);
    QCOMPARE(p.value(QStringLiteral("CEST_PRODUTO")), cest);
    QCOMPARE(p.value(QStringLiteral("REFERENCIA_PRODUTO")), QStringLiteral("REF"));
    QCOMPARE(p.value(QStringLiteral("VENDA")), QStringLiteral("30.0000"));
    QCOMPARE(count(sample.path(), QStringLiteral("PRODUTO")), 1);
    QCOMPARE(r.report.rows().at(0).outcome, RowOutcome::Updated);
    QCOMPARE(r.report.rows().at(1).reason, QStringLiteral("produto não encontrado"));
}

void TestProductConverter::bothAdjustmentsTogether()
{
    SampleDatabase sample;
    seed(sample.path(), {QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, REFERENCIA_PRODUTO, CODIGO_NCM, CEST_PRODUTO) "
                                        "VALUES (7, 'REF', '11111111', '1111111')"),
                         QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, REFERENCIA_PRODUTO, CODIGO_NCM, CEST_PRODUTO) "
                                        "VALUES (8, 'REF8', '11111111', '1111111')"),
                         QStringLiteral("INSERT INTO PRODUTO_EMPRESA VALUES (7, 1, 30, 10, 5)")});
    RunOptions options;
    options.ajustarPrecos = true;
    options.ajustarTributacao = true;
    options.ajustarNcm = true;
    options.ajustarCest = true;
    const Cells common{{D, QStringLiteral("40")}, {F, QStringLiteral("20")}, {E, QStringLiteral("22030000")},
                       {U, QStringLiteral("1.234")}};
    Cells first = common;
    first.insert(A, QStringLiteral("7"));
    first.insert(B, QStringLiteral("NOVA"));
    Cells second = common;
    second.insert(A, QStringLiteral("8"));
    second.insert(B, QStringLiteral("NOVA8"));
    const RunResult r = convert(sample.path(), gridOf({first, second}), options);

    // The prices first, then the tax data on the product record itself.
    const QMap<QString, QString> p = product(sample.path(), 7);
    QCOMPARE(p.value(QStringLiteral("REFERENCIA_PRODUTO")), QStringLiteral("NOVA"));
    QCOMPARE(p.value(QStringLiteral("VENDA")), QStringLiteral("40.0000"));
    QCOMPARE(p.value(QStringLiteral("CUSTO")), QStringLiteral("20.0000"));
    QCOMPARE(p.value(QStringLiteral("MARGEM")), QStringLiteral("100.0000"));
    QCOMPARE(p.value(QStringLiteral("CODIGO_NCM")), QStringLiteral("22030000"));
    QCOMPARE(p.value(QStringLiteral("CEST_PRODUTO")), QStringLiteral("0001234"));
    // Without a price row the tax data are adjusted all the same.
    const QMap<QString, QString> q = product(sample.path(), 8);
    QCOMPARE(q.value(QStringLiteral("REFERENCIA_PRODUTO")), QStringLiteral("NOVA8"));
    QCOMPARE(q.value(QStringLiteral("CODIGO_NCM")), QStringLiteral("22030000"));
    QCOMPARE(q.value(QStringLiteral("CEST_PRODUTO")), QStringLiteral("0001234"));
    QVERIFY(!q.contains(QStringLiteral("VENDA")));
    QCOMPARE(r.report.count(RowOutcome::Updated), 2);
}

void TestProductConverter::countsAndClosingMessages_data()
{
    QTest::addColumn<bool>("titulos");
    QTest::addColumn<bool>("ajustarPrecos");
    QTest::addColumn<int>("inserted");
    QTest::addColumn<QString>("message");
    QTest::newRow("import, titles") << true << false << 2 << QStringLiteral("4 Produtos Importados!");
    QTest::newRow("import, no titles") << false << false << 3 << QStringLiteral("5 Produtos Importados!");
    QTest::newRow("price adjustment, titles") << true << true << 0 << QStringLiteral("4 Produtos Importados!");
}

void TestProductConverter::countsAndClosingMessages()
{
    QFETCH(bool, titulos);
    QFETCH(bool, ajustarPrecos);
    QFETCH(int, inserted);
    QFETCH(QString, message);
    SampleDatabase sample;
    seed(sample.path(), {QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, NOME_PRODUTO) VALUES (3, 'TRES')")});
    // Row 0 holds a code of its own, so the titles box decides whether it becomes a product.
    const Grid grid = gridOf({
        {{A, QStringLiteral("Código 100")}, {C, QStringLiteral("Nome")}},
        {{A, QStringLiteral("1")}, {C, QStringLiteral("Um")}},
        {{A, QStringLiteral("sem")}, {C, QStringLiteral("Dois")}},
        {{A, QStringLiteral("3")}, {C, QStringLiteral("Três")}},
        {{A, QStringLiteral("4")}, {C, QStringLiteral("Quatro")}},
    });
    RunOptions options;
    options.titulos = titulos;
    options.ajustarPrecos = ajustarPrecos;
    RecordingNotifier notifier;
    const RunResult r = convert(sample.path(), grid, options, &notifier);
    QCOMPARE(r.closingMessage, message);
    QCOMPARE(notifier.sent, QStringList{QStringLiteral("VANDOR CONVERSOR 11/03/2022 Empresa:  ") + message});
    QCOMPARE(r.report.count(RowOutcome::Inserted), inserted);
    QCOMPARE(count(sample.path(), QStringLiteral("PRODUTO")), 1 + inserted);
    QCOMPARE(product(sample.path(), 100).isEmpty(), titulos || ajustarPrecos);
    QCOMPARE(r.report.count(RowOutcome::Updated), ajustarPrecos ? 1 : 0);
}

void TestProductConverter::foreignSchema()
{
    // Another ERP's tables: other sizes, prices in DOUBLE PRECISION, NOT NULL columns with
    // defaults, columns the converter never names, and a trigger.
    SampleDatabase sample(false);
    seed(sample.path(),
         {QStringLiteral("CREATE TABLE PRODUTO (CODIGO_PRODUTO BIGINT NOT NULL PRIMARY KEY, "
                         "REFERENCIA_PRODUTO VARCHAR(20), NOME_PRODUTO VARCHAR(120) NOT NULL, CODIGO_NCM CHAR(8), "
                         "CEST_PRODUTO CHAR(7), TIPO_PRODUTO VARCHAR(2) DEFAULT 'P' NOT NULL, UNIDADE_PRODUTO VARCHAR(10), "
                         "CSTIPI_PRODUTO CHAR(2), CSTPIS_PRODUTO CHAR(2), CSTCOFINS_PRODUTO CHAR(2), "
                         "IMAGEM_PRODUTO BLOB SUB_TYPE 0, ACS_VALORPRODUTO CHAR(1) DEFAULT 'S' NOT NULL, "
                         "ACS_QTDPRODUTO CHAR(1), ATIVO_PRODUTO CHAR(1) DEFAULT 'S' NOT NULL, CODIGO_EMPRESA SMALLINT, "
                         "CODIGO_TIPOTRIBUTACAO SMALLINT DEFAULT 1 NOT NULL, LOCALIZACAO_PRODUTO VARCHAR(30), "
                         "CODIGO_CATEGORIA BIGINT, CODIGO_FABRICANTE VARCHAR(15), MARCA_PRODUTO VARCHAR(40), "
                         "PESOLIQUIDO_PRODUTO NUMERIC(15,3), PESOBRUTO_PRODUTO NUMERIC(15,3), CODIGO_FORNECEDOR INTEGER, "
                         "ESTOQUEMINIMO_PRODUTO NUMERIC(15,3), SITUACAO VARCHAR(10) DEFAULT 'NOVO' NOT NULL, "
                         "ALTERADO TIMESTAMP)"),
          QStringLiteral("CREATE TRIGGER PRODUTO_BIU FOR PRODUTO BEFORE INSERT OR UPDATE AS BEGIN "
                         "NEW.ALTERADO = CURRENT_TIMESTAMP; END"),
          QStringLiteral("CREATE TABLE PRODUTO_EMPRESA (CODIGO_PRODUTO BIGINT NOT NULL, CODIGO_EMPRESA SMALLINT NOT NULL, "
                         "VALORVENDA_PRODUTO DOUBLE PRECISION DEFAULT 0 NOT NULL, VALORCUSTO_PRODUTO DOUBLE PRECISION, "
                         "MARGEMLUCRO_PRODUTO DOUBLE PRECISION, ESTOQUE DOUBLE PRECISION DEFAULT 0 NOT NULL, "
                         "PRIMARY KEY (CODIGO_EMPRESA, CODIGO_PRODUTO))"),
          QStringLiteral("CREATE TABLE TAB_CEST (NCM VARCHAR(8), CEST VARCHAR(7), SEGMENTO INTEGER)"),
          QStringLiteral("CREATE TABLE TIPOTRIBUTACAO (CODIGO_TIPOTRIBUTACAO SMALLINT NOT NULL PRIMARY KEY, "
                         "CST_TIPOTRIBUTACAO VARCHAR(3) NOT NULL)"),
          QStringLiteral("CREATE TABLE CATEGORIA (CODIGO_CATEGORIA BIGINT NOT NULL PRIMARY KEY, NOME_CATEGORIA VARCHAR(30), "
                         "CODIGO_EMPRESA SMALLINT DEFAULT 1 NOT NULL)"),
          QStringLiteral("CREATE TABLE UNIDADE (CODIGO_UNIDADE SMALLINT NOT NULL PRIMARY KEY, SIGLA_UNIDADE VARCHAR(3), "
                         "DESCRICAO_UNIDADE VARCHAR(20), ATIVA CHAR(1) DEFAULT 'S' NOT NULL)")});
    seed(sample.path(), {QStringLiteral("INSERT INTO TAB_CEST VALUES ('22021000', '0300700', 3)"),
                         QStringLiteral("INSERT INTO TIPOTRIBUTACAO VALUES (9, '500')"),
                         QStringLiteral("INSERT INTO CATEGORIA (CODIGO_CATEGORIA, NOME_CATEGORIA) VALUES (3, 'OUTRA')")});

    const Grid grid = gridOf({
        {{A, QStringLiteral("5")}, {C, QStringLiteral("Água")}, {D, QStringLiteral("4")}, {F, QStringLiteral("3")},
         {E, QStringLiteral("22021000")}, {H, QStringLiteral("CX6")}, {L, QStringLiteral("Bebidas")}, {O, QStringLiteral("1,5")},
         {R, QStringLiteral("500")}, {S, QStringLiteral("1")}},
    });
    convert(sample.path(), grid);
    QMap<QString, QString> p =
        rowTexts(sample.path(), QStringLiteral("SELECT * FROM PRODUTO WHERE CODIGO_PRODUTO = ?"), {5});
    QCOMPARE(p.value(QStringLiteral("NOME_PRODUTO")), QStringLiteral("ÁGUA"));
    QCOMPARE(p.value(QStringLiteral("CEST_PRODUTO")), QStringLiteral("0300700"));
    QCOMPARE(p.value(QStringLiteral("CSTPIS_PRODUTO")), QStringLiteral("01"));
    QCOMPARE(p.value(QStringLiteral("CODIGO_TIPOTRIBUTACAO")), QStringLiteral("9"));
    QCOMPARE(p.value(QStringLiteral("CODIGO_CATEGORIA")), QStringLiteral("4"));
    QCOMPARE(p.value(QStringLiteral("UNIDADE_PRODUTO")), QStringLiteral("CX"));
    QCOMPARE(p.value(QStringLiteral("ACS_VALORPRODUTO")), QStringLiteral("N"));
    QCOMPARE(p.value(QStringLiteral("SITUACAO")), QStringLiteral("NOVO"));
    QVERIFY(p.value(QStringLiteral("ALTERADO")) != kNull);
    QCOMPARE(p.value(QStringLiteral("PESOLIQUIDO_PRODUTO")).toDouble(), 1.5);

    const auto prices = [&] {
        Database db(sample.path());
        QSqlQuery q(db.connection());
        q.exec(QStringLiteral("SELECT VALORVENDA_PRODUTO, VALORCUSTO_PRODUTO, MARGEMLUCRO_PRODUTO, ESTOQUE "
                              "FROM PRODUTO_EMPRESA WHERE CODIGO_PRODUTO = 5 AND CODIGO_EMPRESA = 1"));
        QList<Amount> out;
        if (q.next())
            for (int i = 0; i < 4; ++i)
                out << Amount::fromDouble(q.value(i).toDouble());
        return out;
    };
    // A DOUBLE PRECISION column holds the double nearest to the exact amount.
    QCOMPARE(prices(), (QList<Amount>{Amount::fromTicks(40000), Amount::fromTicks(30000), Amount::fromTicks(333333),
                                      Amount()}));

    RunOptions options;
    options.ajustarPrecos = true;
    options.ajustarTributacao = true;
    options.ajustarCest = true;
    convert(sample.path(),
            gridOf({{{A, QStringLiteral("5")}, {B, QStringLiteral("R-5")}, {D, QStringLiteral("6")},
                     {U, QStringLiteral("2.1")}}}),
            options);
    QCOMPARE(prices(), (QList<Amount>{Amount::fromTicks(60000), Amount::fromTicks(30000), Amount::fromTicks(1000000),
                                      Amount()}));
    p = rowTexts(sample.path(), QStringLiteral("SELECT * FROM PRODUTO WHERE CODIGO_PRODUTO = ?"), {5});
    QCOMPARE(p.value(QStringLiteral("REFERENCIA_PRODUTO")), QStringLiteral("R-5"));
    QCOMPARE(p.value(QStringLiteral("CEST_PRODUTO")), QStringLiteral("0000021"));
}

void TestProductConverter::dryRunFlagsNcmAndListsWhatItWouldCreate()
{
    SampleDatabase sample;
    seed(sample.path(), {QStringLiteral("INSERT INTO CATEGORIA VALUES (7, 'LIMPEZA', 1)"),
                         QStringLiteral("INSERT INTO UNIDADE VALUES (1, 'UN', 'UNIDADE')"),
                         QStringLiteral("ALTER TABLE PRODUTO_EMPRESA ADD CONSTRAINT CK_PRECO_TETO "
                                        "CHECK (VALORVENDA_PRODUTO < 1000)")});
    const Grid grid = gridOf({
        {{A, QStringLiteral("1")}, {C, QStringLiteral("Copo")}, {E, QStringLiteral("2202.10.00")},
         {H, QStringLiteral("UN")}, {L, QStringLiteral("Limpeza")}},
        {{A, QStringLiteral("2")}, {C, QStringLiteral("Prato")}, {E, QStringLiteral("2202.10")},
         {H, QStringLiteral("CX")}, {L, QStringLiteral("Bebidas")}},
        // An empty NCM takes the default unflagged; what the second row created is not created again.
        {{A, QStringLiteral("3")}, {C, QStringLiteral("Garfo")}, {E, QStringLiteral("  ")},
         {H, QStringLiteral("cx")}, {L, QStringLiteral("bebidas")}},
        {{A, QStringLiteral("4")}, {C, QStringLiteral("Pão")}, {E, QStringLiteral("abc")},
         {H, QStringLiteral("KG")}, {L, QStringLiteral("Padaria")}},
        {{A, QStringLiteral("5")}, {C, QStringLiteral("Faca")}, {E, QStringLiteral("220210001")}},
        // Refused by the price check: its category and unit are undone with it...
        {{A, QStringLiteral("6")}, {C, QStringLiteral("Caro")}, {D, QStringLiteral("5000")},
         {E, QStringLiteral("12345678")}, {H, QStringLiteral("PC")}, {L, QStringLiteral("Frios")}},
        // ... so the next row creates the category again.
        {{A, QStringLiteral("7")}, {C, QStringLiteral("Queijo")}, {E, QStringLiteral("04061010")},
         {H, QStringLiteral("LT")}, {L, QStringLiteral("Frios")}},
    });
    RunOptions options;
    options.simular = true;
    options.continuar = true;
    const RunResult r = convert(sample.path(), grid, options);

    QCOMPARE(r.report.count(RowOutcome::Inserted), 6);
    QCOMPARE(r.report.count(RowOutcome::Failed), 1);
    const auto category = [](const char* name) {
        return QStringLiteral("categoria \"%1\" criada pela conversão").arg(QLatin1String(name));
    };
    const auto unit = [](const char* name) {
        return QStringLiteral("unidade \"%1\" criada pela conversão").arg(QLatin1String(name));
    };
    const QList<QStringList> expected{
        {},
        {QStringLiteral("coluna E (valor \"2202.10\"): NCM não tem 8 dígitos"), category("BEBIDAS"), unit("CX")},
        {},
        {QStringLiteral("coluna E (valor \"abc\"): NCM sem dígitos, lido como 99999999"), category("PADARIA"),
         unit("KG")},
        {QStringLiteral("coluna E (valor \"220210001\"): NCM não tem 8 dígitos")},
        {category("FRIOS"), unit("PC")},
        {category("FRIOS"), unit("LT")},
    };
    QCOMPARE(r.report.rows().size(), static_cast<size_t>(expected.size()));
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(r.report.rows().at(static_cast<size_t>(i)).warningTexts(), expected.at(i));
    QCOMPARE(r.report.rows().at(5).outcome, RowOutcome::Failed);

    const QStringList details = r.details();
    QCOMPARE(details.at(0), QStringLiteral("Simulação: nada foi gravado no banco de dados."));
    QCOMPARE(details.at(1), QStringLiteral("Incluídas: 6, alteradas: 0, ignoradas: 0, com erro: 1"));
    QVERIFY2(details.at(2).startsWith(QStringLiteral("Erro (Erro na linha 6 da planilha")), qPrintable(details.at(2)));
    QCOMPARE(details.mid(3), (QStringList{
                                 QStringLiteral("Linhas com avisos: 5"),
                                 QStringLiteral("Aviso (NCM não tem 8 dígitos): linha 2, 5"),
                                 QStringLiteral("Aviso (NCM sem dígitos, lido como 99999999): linha 4"),
                                 QStringLiteral("Categorias criadas pela conversão (3): BEBIDAS, FRIOS, PADARIA"),
                                 QStringLiteral("Unidades criadas pela conversão (3): CX, KG, LT"),
                             }));

    // The dry run left nothing behind, and flagging changed nothing it would have written.
    QCOMPARE(count(sample.path(), QStringLiteral("PRODUTO")), 0);
    QCOMPARE(column(sample.path(), QStringLiteral("SELECT NOME_CATEGORIA FROM CATEGORIA")),
             QStringList{QStringLiteral("LIMPEZA")});
    QCOMPARE(column(sample.path(), QStringLiteral("SELECT SIGLA_UNIDADE FROM UNIDADE")),
             QStringList{QStringLiteral("UN")});

    options.simular = false;
    const RunResult real = convert(sample.path(), grid, options);
    QCOMPARE(real.report.count(RowOutcome::Inserted), 6);
    QCOMPARE(real.report.rows().at(4).warningTexts(), expected.at(4));
    QCOMPARE(product(sample.path(), 2).value(QStringLiteral("CODIGO_NCM")), QStringLiteral("220210"));
    QCOMPARE(product(sample.path(), 4).value(QStringLiteral("CODIGO_NCM")), QStringLiteral("99999999"));
    QCOMPARE(product(sample.path(), 5).value(QStringLiteral("CODIGO_NCM")), QStringLiteral("220210001"));
    QStringList categories = column(sample.path(), QStringLiteral("SELECT NOME_CATEGORIA FROM CATEGORIA"));
    categories.sort();
    QCOMPARE(categories, (QStringList{QStringLiteral("BEBIDAS"), QStringLiteral("FRIOS"), QStringLiteral("LIMPEZA"),
                                      QStringLiteral("PADARIA")}));
}

void TestProductConverter::taxAdjustmentFlagsTheNcmItWrites()
{
    SampleDatabase sample;
    seed(sample.path(), {QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, REFERENCIA_PRODUTO, CODIGO_NCM) "
                                        "VALUES (1, 'R1', '11111111')"),
                         QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, REFERENCIA_PRODUTO, CODIGO_NCM) "
                                        "VALUES (2, 'R2', '11111111')")});
    RunOptions options;
    options.ajustarTributacao = true;
    options.ajustarNcm = true;
    const Grid grid = gridOf({{{A, QStringLiteral("1")}, {E, QStringLiteral("2202-10")}},
                              {{A, QStringLiteral("2")}, {E, QStringLiteral("2202.10.00")}}});
    const RunResult r = convert(sample.path(), grid, options);
    QCOMPARE(r.report.count(RowOutcome::Updated), 2);
    QCOMPARE(r.report.rows().at(0).warningTexts(),
             QStringList{QStringLiteral("coluna E (valor \"2202-10\"): NCM não tem 8 dígitos")});
    QVERIFY(r.report.rows().at(1).warningTexts().isEmpty());
    QCOMPARE(product(sample.path(), 1).value(QStringLiteral("CODIGO_NCM")), QStringLiteral("220210"));
}

QTEST_GUILESS_MAIN(TestProductConverter)
#include "tst_product_converter.moc"
