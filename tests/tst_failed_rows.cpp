// The workbook of failed rows: what the loader reads back from it, cell by cell, and a run whose
// failed rows are fixed in that workbook and converted again.
#include "ClientConverter.h"
#include "ConversionRun.h"
#include "ConverterKinds.h"
#include "Database.h"
#include "FailedRows.h"
#include "GridRows.h"
#include "SampleDatabase.h"
#include "WorkbookReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <xlsxwriter.h>

namespace {

// Client sheet columns by their letters.
enum Column { A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z, AA };

Grid gridOf(const QList<QStringList>& rows) { return gridOfRows(rows, 1); }

RowReport rowReport(int gridRow, RowOutcome outcome, const QString& reason = {})
{
    RowReport row;
    row.gridRow = gridRow;
    row.outcome = outcome;
    row.reason = reason;
    return row;
}

QStringList joined(const QList<QStringList>& rows)
{
    QStringList out;
    for (const QStringList& row : rows)
        out << row.join(u'|');
    return out;
}

// The workbook a user saves after editing the loaded grid in a spreadsheet program: shared strings,
// as Excel stores them.
void writeEdited(const Grid& grid, const QString& path)
{
    lxw_workbook* workbook = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.columnCount(); ++c)
            worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                                   grid.cell(c, r).toUtf8().constData(), nullptr);
    QCOMPARE(workbook_close(workbook), LXW_NO_ERROR);
}

RunResult convertClients(const QString& database, const Grid& grid)
{
    ClientConverter converter;
    RunObserver observer;
    RunOptions options;
    options.titulos = true;
    options.continuar = true;
    Database db(database);
    return runConversion(converter, grid, options, db, {}, observer);
}

// Every stored client, by name, with its columns as text.
QMap<QString, QMap<QString, QString>> clientsByName(const QString& database, int* count)
{
    Database db(database);
    QSqlQuery q(db.connection());
    q.exec(QStringLiteral("SELECT * FROM CLIENTE"));
    QMap<QString, QMap<QString, QString>> out;
    *count = 0;
    while (q.next()) {
        ++*count;
        QMap<QString, QString> columns;
        for (int i = 0; i < q.record().count(); ++i) {
            const QVariant v = q.value(i);
            columns.insert(q.record().fieldName(i), v.metaType().id() == QMetaType::QDate
                                                        ? v.toDate().toString(Qt::ISODate)
                                                        : v.toString().trimmed());
        }
        out.insert(columns.value(QStringLiteral("NOME_CLIENTE")), columns);
    }
    return out;
}

} // namespace

class TestFailedRows : public QObject {
    Q_OBJECT
private slots:
    void cellsReadBackUnchanged_data();
    void cellsReadBackUnchanged();
    void onlyFailedRowsInGridOrder();
    void noFailedRowKeepsTheTitles();
    void tooLongCellIsCutAndTheReasonSaysSo();
    void existingFileIsReplacedWhole();
    void refusals();
    void largeGrid();
    void fixedRowsConvertedAgain();
    void motivoBeyondEveryColumnTheConverterReads_data();
    void motivoBeyondEveryColumnTheConverterReads();

private:
    QTemporaryDir m_dir;
};

void TestFailedRows::cellsReadBackUnchanged_data()
{
    QTest::addColumn<bool>("titulos");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("reason");
    const QString reason =
        QStringLiteral("Erro na linha 3 da planilha, coluna B (valor \"x\"): data inválida");
    const auto row = [&](const char* name, const QStringList& cells, bool titulos = true) {
        QTest::newRow(name) << titulos << cells << reason;
    };
    row("plain", {QStringLiteral("Maria"), QStringLiteral("Loja")});
    row("without titles", {QStringLiteral("Maria"), QStringLiteral("Loja")}, false);
    row("empty cells in the middle", {QStringLiteral("a"), QString(), QString(), QStringLiteral("d")});
    row("empty first and last cells", {QString(), QStringLiteral("b"), QString()});
    row("blanks around", {QStringLiteral("  Maria "), QStringLiteral(" "), QStringLiteral("\t x\t")});
    row("accents", {QStringLiteral("São João"), QStringLiteral("AÇÃO çÇ áéíóú ñ"), QStringLiteral("€ ¼")});
    row("leading zeros", {QStringLiteral("00123"), QStringLiteral("0"), QStringLiteral("007.10")});
    row("numbers", {QStringLiteral("1234,50"), QStringLiteral("1.234,5"), QStringLiteral("1234.5"),
                    QStringLiteral("1E5"), QStringLiteral("-0"), QStringLiteral("12345678901234567890")});
    row("dates and times", {QStringLiteral("17/05/2020"), QStringLiteral("2020-05-17"),
                            QStringLiteral("12:30"), QStringLiteral("31/02/2020 08:00")});
    row("logical and error words",
        {QStringLiteral("VERDADEIRO"), QStringLiteral("FALSO"), QStringLiteral("TRUE"),
         QStringLiteral("#N/D"), QStringLiteral("#DIV/0!")});
    row("formula-like", {QStringLiteral("=1+1"), QStringLiteral("'00123"), QStringLiteral("+55 44")});
    row("XML characters", {QStringLiteral("<a & b>"), QStringLiteral("\"aspas\" 'simples'"),
                           QStringLiteral("a]]>b"), QStringLiteral("&amp;")});
    row("line breaks and tabs", {QStringLiteral("linha1\nlinha2"), QStringLiteral("a\tb"),
                                 QStringLiteral("a\r\nb"), QStringLiteral("\n")});
    row("control characters", {QStringLiteral("a") + QChar(1) + u'b', QStringLiteral("\x1f"),
                               QString(QChar(0)) + u'z', QStringLiteral("\x0b\x0c")});
    row("escape-like text",
        {QStringLiteral("_x0041_"), QStringLiteral("_x005F_"), QStringLiteral("a_x00e9_b"),
         QStringLiteral("_x004_"), QStringLiteral("__x0041__")});
    row("beyond the basic plane", {QStringLiteral("😀 𝄞"), QString(QChar(0xFFFE)) + QChar(0xFFFF)});
    row("longest cell", {QString(kXlsxCellTextLimit, u'x'), QStringLiteral("b")});
    QTest::newRow("reason with markup") << true << QStringList{QStringLiteral("a")}
                                        << QStringLiteral("valor \"<&>\" _x0041_ em\nduas linhas");
}

void TestFailedRows::cellsReadBackUnchanged()
{
    QFETCH(bool, titulos);
    QFETCH(QStringList, cells);
    QFETCH(QString, reason);
    QStringList titles;
    for (int c = 0; c < cells.size(); ++c)
        titles << QStringLiteral("Título %1").arg(c + 1);
    QStringList other;
    for (int c = 0; c < cells.size(); ++c)
        other << QStringLiteral("outra");
    // The failed row sits between written ones, so the workbook must leave those out.
    const Grid grid = gridOf({titles, other, cells, other});
    RunReport report;
    report.add(rowReport(1, RowOutcome::Inserted));
    report.add(rowReport(2, RowOutcome::Failed, reason));
    report.add(rowReport(3, RowOutcome::Inserted));
    if (!titulos)
        report.add(rowReport(0, RowOutcome::Updated));

    const QString path = m_dir.filePath(QStringLiteral("roundtrip.xlsx"));
    QString error;
    QVERIFY2(saveFailedRows(grid, report, titulos, path, &error), qPrintable(error));
    const Grid loaded = readWorkbook(path);

    QList<QStringList> expected;
    if (titulos)
        expected << (titles + QStringList{QStringLiteral("Motivo")});
    expected << (cells + QStringList{reason});
    QCOMPARE(gridRows(loaded), joined(expected));
    QCOMPARE(loaded.columnCount(), grid.columnCount() + 1);
}

void TestFailedRows::onlyFailedRowsInGridOrder()
{
    const Grid grid = gridOf({{QStringLiteral("Nome"), QStringLiteral("Data")},
                              {QStringLiteral("Ana"), QStringLiteral("ok")},
                              {QStringLiteral("Bruno"), QStringLiteral("ruim")},
                              {QStringLiteral("Carla"), QStringLiteral("ok")},
                              {QStringLiteral("Davi"), QStringLiteral("pior")},
                              {QStringLiteral("Eva"), QStringLiteral("ignorada")},
                              {QStringLiteral("Fábio"), QStringLiteral("ruim")}});
    RunReport report;
    report.add(rowReport(6, RowOutcome::Failed, QStringLiteral("motivo 6")));
    report.add(rowReport(1, RowOutcome::Inserted));
    report.add(rowReport(4, RowOutcome::Failed, QStringLiteral("motivo 4")));
    report.add(rowReport(3, RowOutcome::Updated, QStringLiteral("nota")));
    report.add(rowReport(5, RowOutcome::Skipped, QStringLiteral("coluna A vazia")));
    report.add(rowReport(2, RowOutcome::Failed, QStringLiteral("motivo 2")));
    const QString path = m_dir.filePath(QStringLiteral("order.xlsx"));
    QString error;
    QVERIFY2(saveFailedRows(grid, report, true, path, &error), qPrintable(error));
    QCOMPARE(gridRows(readWorkbook(path)),
             (QStringList{QStringLiteral("Nome|Data|Motivo"), QStringLiteral("Bruno|ruim|motivo 2"),
                          QStringLiteral("Davi|pior|motivo 4"), QStringLiteral("Fábio|ruim|motivo 6")}));
}

void TestFailedRows::noFailedRowKeepsTheTitles()
{
    const Grid grid = gridOf({{QStringLiteral("Nome"), QString(), QStringLiteral("CPF")},
                              {QStringLiteral("Ana"), QString(), QStringLiteral("1")}});
    RunReport report;
    report.add(rowReport(1, RowOutcome::Inserted));
    const QString path = m_dir.filePath(QStringLiteral("none.xlsx"));
    QString error;
    QVERIFY2(saveFailedRows(grid, report, true, path, &error), qPrintable(error));
    QCOMPARE(gridRows(readWorkbook(path)), QStringList{QStringLiteral("Nome||CPF|Motivo")});
}

void TestFailedRows::tooLongCellIsCutAndTheReasonSaysSo()
{
    // The second long cell ends in a character written as a 7-character escape, which must not
    // be split at the limit.
    const QString longText = QString(kXlsxCellTextLimit, u'a') + QStringLiteral("bcd");
    const QString escapeAtTheEnd = QString(kXlsxCellTextLimit - 3, u'e') + QChar(1);
    const Grid grid = gridOf({{QStringLiteral("curta"), longText, QStringLiteral("x"), escapeAtTheEnd},
                              {QStringLiteral("curta"), longText, QStringLiteral("y")}});
    RunReport report;
    report.add(rowReport(0, RowOutcome::Failed, QStringLiteral("muito longa")));
    report.add(rowReport(1, RowOutcome::Failed, QStringLiteral("só uma")));
    const QString path = m_dir.filePath(QStringLiteral("long.xlsx"));
    QString error;
    QVERIFY2(saveFailedRows(grid, report, false, path, &error), qPrintable(error));
    const Grid loaded = readWorkbook(path);
    QCOMPARE(loaded.rowCount(), 2);
    QCOMPARE(loaded.cell(0, 0), QStringLiteral("curta"));
    QCOMPARE(loaded.cell(1, 0), QString(kXlsxCellTextLimit, u'a'));
    QCOMPARE(loaded.cell(2, 0), QStringLiteral("x"));
    QCOMPARE(loaded.cell(3, 0), QString(kXlsxCellTextLimit - 3, u'e'));
    QCOMPARE(loaded.cell(4, 0),
             QStringLiteral("muito longa (os textos das colunas B, D foram cortados em 32767 caracteres)"));
    QCOMPARE(loaded.cell(1, 1), QString(kXlsxCellTextLimit, u'a'));
    QCOMPARE(loaded.cell(4, 1),
             QStringLiteral("só uma (o texto da coluna B foi cortado em 32767 caracteres)"));
}

void TestFailedRows::existingFileIsReplacedWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("falhas.xlsx"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("conteúdo antigo");
    }
    const QFileDevice::Permissions permissions =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(path, permissions));
    const Grid grid = gridOf({{QStringLiteral("Ana")}});
    RunReport report;
    report.add(rowReport(0, RowOutcome::Failed, QStringLiteral("motivo")));
    QString error;
    QVERIFY2(saveFailedRows(grid, report, false, path, &error), qPrintable(error));
    QCOMPARE(gridRows(readWorkbook(path)), QStringList{QStringLiteral("Ana|motivo")});
    QCOMPARE(QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), permissions);
    // Nothing else is left in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("falhas.xlsx")});
}

void TestFailedRows::refusals()
{
    QTemporaryDir dir;
    RunReport report;
    report.add(rowReport(0, RowOutcome::Failed, QStringLiteral("motivo")));
    QString error;

    const QString missingFolder = dir.filePath(QStringLiteral("sumiu/falhas.xlsx"));
    QVERIFY(!saveFailedRows(gridOf({{QStringLiteral("a")}}), report, false, missingFolder, &error));
    QVERIFY2(error.contains(dir.filePath(QStringLiteral("sumiu"))) &&
                 error.contains(QStringLiteral("não existe")),
             qPrintable(error));

    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("pasta.xlsx")));
    const QString folder = dir.filePath(QStringLiteral("pasta.xlsx"));
    QVERIFY(!saveFailedRows(gridOf({{QStringLiteral("a")}}), report, false, folder, &error));
    QVERIFY2(error.contains(folder), qPrintable(error));

    // No room left for the reason column; the file that was there stays as it was.
    const QString kept = dir.filePath(QStringLiteral("kept.xlsx"));
    {
        QFile old(kept);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("antigo");
    }
    QVERIFY(!saveFailedRows(Grid(16384, 1), report, false, kept, &error));
    QVERIFY2(error.contains(QStringLiteral("16384 colunas")), qPrintable(error));
    QFile old(kept);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("antigo"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("kept.xlsx")});

    // The widest grid that still has room is written.
    QVERIFY2(saveFailedRows(Grid(16383, 1), report, false, kept, &error), qPrintable(error));
    const Grid widest = readWorkbook(kept);
    QCOMPARE(widest.columnCount(), 16384);
    QCOMPARE(widest.cell(16383, 0), QStringLiteral("motivo"));
}

void TestFailedRows::largeGrid()
{
    constexpr int rows = 100000;
    Grid grid(8, rows + 1);
    for (int c = 0; c < grid.columnCount(); ++c)
        grid.setCell(c, 0, QStringLiteral("Coluna %1").arg(c));
    RunReport report;
    for (int r = 1; r <= rows; ++r) {
        for (int c = 0; c < grid.columnCount(); ++c)
            grid.setCell(c, r, QStringLiteral("%1-%2 ação").arg(r).arg(c));
        report.add(rowReport(r, r % 3 == 0 ? RowOutcome::Inserted : RowOutcome::Failed,
                             QStringLiteral("Erro na linha %1 da planilha").arg(r + 1)));
    }
    const QString path = m_dir.filePath(QStringLiteral("large.xlsx"));
    QString error;
    QElapsedTimer timer;
    timer.start();
    QVERIFY2(saveFailedRows(grid, report, true, path, &error), qPrintable(error));
    qInfo("%d failed rows written in %lld ms", report.count(RowOutcome::Failed), timer.elapsed());
    const Grid loaded = readWorkbook(path);
    QCOMPARE(loaded.rowCount(), 1 + report.count(RowOutcome::Failed));
    QCOMPARE(loaded.columnCount(), 9);
    int out = 1;
    for (int r = 1; r <= rows; ++r) {
        if (r % 3 == 0)
            continue;
        for (int c = 0; c < grid.columnCount(); ++c)
            if (loaded.cell(c, out) != grid.cell(c, r))
                QFAIL(qPrintable(
                    QStringLiteral("row %1 column %2: %3").arg(r).arg(c).arg(loaded.cell(c, out))));
        QCOMPARE(loaded.cell(8, out), QStringLiteral("Erro na linha %1 da planilha").arg(r + 1));
        ++out;
    }
}

void TestFailedRows::fixedRowsConvertedAgain()
{
    SampleDatabase sample;
    Grid grid(AA + 1, 6);
    const auto set = [&grid](int row, std::initializer_list<std::pair<Column, QString>> cells) {
        for (const auto& [column, text] : cells)
            grid.setCell(column, row, text);
    };
    set(0, {{A, QStringLiteral("Nome")},
            {G, QStringLiteral("Número")},
            {N, QStringLiteral("Nascimento")},
            {X, QStringLiteral("Cadastro")},
            {AA, QStringLiteral("Celular")}});
    set(1, {{A, QStringLiteral("Ana")}, {N, QStringLiteral("1980-05-17")}});
    // Bruno's birth date is in the wrong layout; Davi's registration date is no date at all.
    set(2, {{A, QStringLiteral("Bruno Gonçalves")},
            {G, QStringLiteral("007")},
            {N, QStringLiteral("17/05/1981")},
            {S, QStringLiteral("  cliente  antigo ")},
            {AA, QStringLiteral("044 99999-0000")}});
    set(3, {{A, QStringLiteral("Carla")}});
    set(4, {{A, QStringLiteral("Davi")}, {T, QStringLiteral("12.345.678-9")}, {X, QStringLiteral("ontem")}});
    set(5, {{A, QStringLiteral("Eva")}, {X, QStringLiteral("2021-01-02")}});

    const RunResult first = convertClients(sample.path(), grid);
    QCOMPARE(first.report.count(RowOutcome::Inserted), 3);
    QCOMPARE(first.report.count(RowOutcome::Failed), 2);

    const QString failedPath = m_dir.filePath(QStringLiteral("clientes-falhas.xlsx"));
    QString error;
    QVERIFY2(saveFailedRows(grid, first.report, true, failedPath, &error), qPrintable(error));
    Grid loaded = readWorkbook(failedPath);
    QCOMPARE(loaded.rowCount(), 3);
    QCOMPARE(loaded.columnCount(), AA + 2);
    for (int c = 0; c <= AA; ++c) {
        QCOMPARE(loaded.cell(c, 0), grid.cell(c, 0));
        QCOMPARE(loaded.cell(c, 1), grid.cell(c, 2));
        QCOMPARE(loaded.cell(c, 2), grid.cell(c, 4));
    }
    QCOMPARE(loaded.cell(AA + 1, 0), QStringLiteral("Motivo"));
    QCOMPARE(loaded.cell(AA + 1, 1), first.report.rows().at(1).reason);
    QCOMPARE(loaded.cell(AA + 1, 2), first.report.rows().at(3).reason);
    QVERIFY2(loaded.cell(AA + 1, 1).contains(QStringLiteral("coluna N")), qPrintable(loaded.cell(AA + 1, 1)));
    QVERIFY2(loaded.cell(AA + 1, 2).contains(QStringLiteral("coluna X")), qPrintable(loaded.cell(AA + 1, 2)));

    // Fixed as the user would, in the workbook itself, which is then converted; Motivo stays.
    loaded.setCell(N, 1, QStringLiteral("1981-05-17"));
    loaded.setCell(X, 2, QStringLiteral("2022-03-04"));
    const QString fixedPath = m_dir.filePath(QStringLiteral("clientes-corrigidas.xlsx"));
    writeEdited(loaded, fixedPath);
    const RunResult second = convertClients(sample.path(), readWorkbook(fixedPath));
    QCOMPARE(second.report.count(RowOutcome::Inserted), 2);
    QCOMPARE(second.report.count(RowOutcome::Updated), 0);
    QCOMPARE(second.report.count(RowOutcome::Failed), 0);

    int count = 0;
    const auto clients = clientsByName(sample.path(), &count);
    QCOMPARE(count, 5);
    QCOMPARE(clients.keys(),
             (QStringList{QStringLiteral("Ana"), QStringLiteral("Bruno Gonçalves"), QStringLiteral("Carla"),
                          QStringLiteral("Davi"), QStringLiteral("Eva")}));
    const QMap<QString, QString> bruno = clients.value(QStringLiteral("Bruno Gonçalves"));
    QCOMPARE(bruno.value(QStringLiteral("DATANASC_CLIENTE")), QStringLiteral("1981-05-17"));
    QCOMPARE(bruno.value(QStringLiteral("NUMEROEND_CLIENTE")), QStringLiteral("007"));
    QCOMPARE(bruno.value(QStringLiteral("OBSERVACAO_CLIENTE")), QStringLiteral("cliente  antigo"));
    QCOMPARE(bruno.value(QStringLiteral("CELULAR_CLIENTE")), QStringLiteral("044 99999-0000"));
    const QMap<QString, QString> davi = clients.value(QStringLiteral("Davi"));
    QCOMPARE(davi.value(QStringLiteral("DATACAD_CLIENTE")), QStringLiteral("2022-03-04"));
    QCOMPARE(davi.value(QStringLiteral("RG_CLIENTE")), QStringLiteral("12.345.678-9"));
    // The reason column reached no stored column.
    for (const auto& client : clients)
        for (auto it = client.cbegin(); it != client.cend(); ++it)
            QVERIFY2(!it.value().contains(QStringLiteral("Erro na linha")), qPrintable(it.key()));
}

void TestFailedRows::motivoBeyondEveryColumnTheConverterReads_data()
{
    QTest::addColumn<QString>("kind");
    for (const QString& kind : ConverterKinds::all())
        QTest::newRow(qPrintable(kind)) << kind;
}

void TestFailedRows::motivoBeyondEveryColumnTheConverterReads()
{
    QFETCH(QString, kind);
    std::unique_ptr<Converter> converter = ConverterKinds::create(kind);
    QVERIFY(converter);
    const int columnsRead = converter->columnsRead();

    // A narrow sheet: the workbook's Motivo column still lands after the converter's last column.
    RunReport report;
    report.add(rowReport(0, RowOutcome::Failed, QStringLiteral("ZZMOTIVOZZ")));
    const QString path = m_dir.filePath(kind + QStringLiteral("-estreita.xlsx"));
    QString error;
    QVERIFY2(saveFailedRows(gridOf({{QStringLiteral("7"), QStringLiteral("Sete"), QStringLiteral("Sete")}}), report,
                            false, path, &error, columnsRead),
             qPrintable(error));
    const Grid loaded = readWorkbook(path);
    const int motivo = std::max(3, columnsRead);
    QCOMPARE(loaded.columnCount(), motivo + 1);
    QCOMPARE(loaded.cell(motivo, 0), QStringLiteral("ZZMOTIVOZZ"));

    // Converted as it stands, no column of any table takes the reason.
    SampleDatabase sample;
    Database db(sample.path());
    RunObserver observer;
    RunOptions options;
    options.continuar = true;
    runConversion(*converter, loaded, options, db, {}, observer);
    QSqlQuery tables(db.connection());
    tables.exec(QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0"));
    int written = 0;
    while (tables.next()) {
        QSqlQuery q(db.connection());
        q.exec(QStringLiteral("SELECT * FROM ") + tables.value(0).toString());
        while (q.next())
            for (int i = 0; i < q.record().count(); ++i) {
                QVERIFY2(!q.value(i).toString().contains(QStringLiteral("ZZMOTIVO")),
                         qPrintable(tables.value(0).toString() + u'.' + q.record().fieldName(i)));
                ++written;
            }
    }
    QVERIFY(written > 0);
}

QTEST_GUILESS_MAIN(TestFailedRows)
#include "tst_failed_rows.moc"
