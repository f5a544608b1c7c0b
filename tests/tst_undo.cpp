// Runs kept in a journal and undone: after the undo the database holds exactly what it held before
// the run (every row of every table compared), whichever way the run ended; an undo refuses rows
// changed since; a journal cut short by a crash is still undone.
#include "CommandLineRun.h"
#include "ConversionRun.h"
#include "ConverterKinds.h"
#include "Database.h"
#include "GridRows.h"
#include "RunJournal.h"
#include "DatabaseRows.h"
#include "SampleDatabase.h"
#include "UndoRun.h"

#include <QImage>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

namespace {

enum Column { A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z };
using Cells = QMap<int, QString>;

Grid gridOf(const QList<Cells>& rows) { return gridOfCells(rows, Z + 1); }


// Every row of every table of the database, one string a row, sorted within each table.
QStringList dump(const QString& path)
{
    Database db(path);
    QSqlQuery tables(db.connection());
    tables.exec(QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS "
                               "WHERE RDB$SYSTEM_FLAG = 0 AND RDB$VIEW_BLR IS NULL ORDER BY 1"));
    QStringList out;
    while (tables.next()) {
        const QString table = tables.value(0).toString();
        QSqlQuery q(db.connection());
        q.exec(QStringLiteral("SELECT * FROM ") + table);
        QStringList rows;
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << q.record().fieldName(i) + u'=' + shown(q.value(i));
            rows << table + QStringLiteral(": ") + cells.join(u'|');
        }
        rows.sort();
        out << rows;
    }
    return out;
}



// Stops the run before grid row `stopAt`.
struct StoppingObserver : RunObserver {
    int stopAt = -1;
    int row = 0;
    void progress(int r) override { row = r; }
    bool cancelRequested() override { return stopAt >= 0 && row + 1 >= stopAt; }
};

struct Journalled {
    QString journal;
    RunResult result;
    QString error;
};

Journalled run(const SampleDatabase& sample, const QString& kind, const Grid& grid, RunOptions options,
               int stopAt = -1)
{
    Journalled out;
    std::unique_ptr<Converter> converter = ConverterKinds::create(kind);
    Database db(sample.path());
    RunJournal journal(RunJournal::folderBeside(sample.folder()), kind, QStringLiteral("planilha.xlsx"),
                       sample.path(), options, db);
    out.journal = journal.fileName();
    RunServices services;
    services.journal = &journal;
    StoppingObserver observer;
    observer.stopAt = stopAt;
    try {
        out.result = runConversion(*converter, grid, options, db, services, observer);
    } catch (const RunError& e) {
        out.error = e.message();
    }
    return out;
}

UndoResult undo(const SampleDatabase& sample, const QString& journal, bool force = false)
{
    Database db(sample.path());
    return undoJournal(journal, db, force);
}

QString undoRefusal(const SampleDatabase& sample, const QString& journal)
{
    try {
        undo(sample, journal);
    } catch (const UndoRefused& e) {
        return e.message();
    }
    return {};
}

QString writePicture(const QString& folder)
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 90));
    const QString path = folder + QStringLiteral("/foto.bmp");
    image.save(path, "BMP");
    return path;
}

// What each kind starts from, so that the run inserts, updates and (with the clear) removes rows.
void seedFor(const SampleDatabase& sample, const QString& kind)
{
    if (kind == QStringLiteral("produtos")) {
        seed(sample.path(), QStringLiteral("INSERT INTO CATEGORIA (CODIGO_CATEGORIA, NOME_CATEGORIA) VALUES (7, 'PAPELARIA')"));
        seed(sample.path(), QStringLiteral("INSERT INTO PRODUTO (CODIGO_PRODUTO, NOME_PRODUTO, CODIGO_CATEGORIA) "
                                           "VALUES (12, 'CANETA AZUL', 7)"));
        seed(sample.path(), QStringLiteral("INSERT INTO PRODUTO_EMPRESA (CODIGO_PRODUTO, CODIGO_EMPRESA, VALORVENDA_PRODUTO) "
                                           "VALUES (12, 1, 3.5)"));
    } else if (kind == QStringLiteral("clientes")) {
        seed(sample.path(), QStringLiteral("INSERT INTO CLIENTE (CODIGO_CLIENTE, NOME_CLIENTE, CPF_CLIENTE) "
                                           "VALUES (5, 'ANTIGO', '111.444.777-35')"));
    } else if (kind == QStringLiteral("fornecedores")) {
        seed(sample.path(), QStringLiteral("INSERT INTO FORNECEDOR (CODIGO_FORNECEDOR, RAZAO_FORNECEDOR, TIPO_CADASTRO) "
                                           "VALUES (3, 'ANTIGO', 'F')"));
    } else if (kind == QStringLiteral("categorias")) {
        seed(sample.path(), QStringLiteral("INSERT INTO CATEGORIA (CODIGO_CATEGORIA, NOME_CATEGORIA) VALUES (4, 'VELHA')"));
    }
}

Grid gridFor(const QString& kind, const QString& picture)
{
    if (kind == QStringLiteral("produtos"))
        return gridOf({
            {{A, QStringLiteral("Código")}, {C, QStringLiteral("Descrição")}},
            {{A, QStringLiteral("12")}, {C, QStringLiteral("Caneta preta")}, {D, QStringLiteral("4,25")}, {L, QStringLiteral("Escrita")}},
            {{A, QStringLiteral("13")}, {C, QStringLiteral("Lápis")}, {D, QStringLiteral("1,10")}, {H, QStringLiteral("CX")},
             {L, QStringLiteral("Escrita")}, {V, picture}},
            {{A, QStringLiteral("14")}, {C, QStringLiteral("Borracha")}, {D, QStringLiteral("0,90")}, {H, QStringLiteral("PCT")}},
        });
    if (kind == QStringLiteral("categorias"))
        return gridOf({{{A, QStringLiteral("1")}, {B, QStringLiteral("Bebidas")}},
                       {{A, QStringLiteral("4")}, {B, QStringLiteral("Limpeza")}}});
    // Clients, suppliers and carriers share their first columns: name, fantasy name, CPF/CNPJ.
    return gridOf({
        {{A, QStringLiteral("Maria Souza")}, {C, QStringLiteral("52998224725")}},
        {{A, QStringLiteral("Comércio Leste Ltda")}, {C, QStringLiteral("11222333000181")}},
        {{A, QStringLiteral("Sem Documento")}},
    });
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT
private slots:
    void undoGivesBackTheDatabase_data();
    void undoGivesBackTheDatabase();
    void undoAfterAnErrorAndAfterACancel_data();
    void undoAfterAnErrorAndAfterACancel();
    void refusesRowsChangedSince_data();
    void refusesRowsChangedSince();
    void triggerChangesAreNotConflicts();
    void journalCutShortByACrash();
    void programKilledDuringARun();
    void dryRunKeepsNoJournal();
    void journalsListedNewestFirst();
    void commandLine();
};

void TestUndo::undoGivesBackTheDatabase_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("limpar");
    QTest::newRow("produtos") << QStringLiteral("produtos") << false;
    QTest::newRow("clientes, com limpeza") << QStringLiteral("clientes") << true;
    QTest::newRow("clientes") << QStringLiteral("clientes") << false;
    QTest::newRow("fornecedores, com limpeza") << QStringLiteral("fornecedores") << true;
    QTest::newRow("transportadoras") << QStringLiteral("transportadoras") << false;
    QTest::newRow("categorias, com limpeza") << QStringLiteral("categorias") << true;
}

void TestUndo::undoGivesBackTheDatabase()
{
    QFETCH(QString, kind);
    QFETCH(bool, limpar);
    SampleDatabase sample;
    seedFor(sample, kind);
    const QStringList before = dump(sample.path());

    RunOptions options;
    options.titulos = kind == QStringLiteral("produtos");
    options.limpar = limpar;
    const Journalled r = run(sample, kind, gridFor(kind, writePicture(sample.folder())), options);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QVERIFY(dump(sample.path()) != before);

    // Named with the date, the time and the kind, beside the ini file's folder.
    const QFileInfo file(r.journal);
    QCOMPARE(file.dir().dirName(), QStringLiteral("Diarios"));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d{6}_") + kind + QStringLiteral("\\.jsonl$"))
                 .match(file.fileName())
                 .hasMatch(),
             qPrintable(file.fileName()));

    const UndoResult u = undo(sample, r.journal);
    QVERIFY(!u.alreadyUndone);
    QCOMPARE(dump(sample.path()), before);
    if (limpar)
        QVERIFY(u.reinserted > 0);

    // A second undo does nothing and says so.
    const UndoResult again = undo(sample, r.journal);
    QVERIFY(again.alreadyUndone);
    QVERIFY(again.lines(r.journal).first().contains(QStringLiteral("já foi desfeito")));
    QCOMPARE(dump(sample.path()), before);
}

void TestUndo::undoAfterAnErrorAndAfterACancel_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("run ended by an error") << false;
    QTest::newRow("run cancelled") << true;
}

void TestUndo::undoAfterAnErrorAndAfterACancel()
{
    QFETCH(bool, cancel);
    SampleDatabase sample;
    seedFor(sample, QStringLiteral("produtos"));
    seed(sample.path(), QStringLiteral("ALTER TABLE PRODUTO_EMPRESA ADD CONSTRAINT CK_TETO CHECK (VALORVENDA_PRODUTO < 1000)"));
    const QStringList before = dump(sample.path());

    QList<Cells> rows;
    for (int i = 0; i < 30; ++i)
        rows << Cells{{A, QString::number(100 + i)}, {C, QStringLiteral("Item %1").arg(i)}, {D, QStringLiteral("5")},
                      {L, QStringLiteral("Grupo %1").arg(i % 4)}};
    rows[20][D] = QStringLiteral("5000"); // refused by the check: the run ends on row 21
    const Journalled r = run(sample, QStringLiteral("produtos"), gridOf(rows), RunOptions(), cancel ? 10 : -1);
    if (cancel) {
        QVERIFY(r.result.cancelled);
        QCOMPARE(scalar(sample.path(), QStringLiteral("SELECT COUNT(*) FROM PRODUTO")), 1 + 10);
    } else {
        QVERIFY(r.error.contains(QStringLiteral("CK_TETO")));
        QCOMPARE(scalar(sample.path(), QStringLiteral("SELECT COUNT(*) FROM PRODUTO")), 1 + 20);
    }
    const JournalSummary s = JournalReader::summary(r.journal);
    QCOMPARE(s.situacao, cancel ? QStringLiteral("cancelada") : QStringLiteral("erro"));

    undo(sample, r.journal);
    QCOMPARE(dump(sample.path()), before);
}

void TestUndo::refusesRowsChangedSince_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("named");
    QTest::addColumn<bool>("ajustarPrecos");
    QTest::newRow("inserted client renamed")
        << QStringLiteral("clientes") << QStringLiteral("UPDATE CLIENTE SET NOME_CLIENTE = 'OUTRO' WHERE CODIGO_CLIENTE = 6")
        << QStringLiteral("Linha 1 da planilha, tabela CLIENTE (CODIGO_CLIENTE = 6): a coluna NOME_CLIENTE") << false;
    QTest::newRow("inserted client deleted")
        << QStringLiteral("clientes") << QStringLiteral("DELETE FROM CLIENTE WHERE CODIGO_CLIENTE = 7")
        << QStringLiteral("Linha 2 da planilha, tabela CLIENTE (CODIGO_CLIENTE = 7): a linha incluída") << false;
    QTest::newRow("updated price changed")
        << QStringLiteral("produtos") << QStringLiteral("UPDATE PRODUTO_EMPRESA SET VALORVENDA_PRODUTO = 9 WHERE CODIGO_PRODUTO = 12")
        << QStringLiteral("Linha 2 da planilha, tabela PRODUTO_EMPRESA (CODIGO_PRODUTO = 12, CODIGO_EMPRESA = 1): "
                          "a coluna VALORVENDA_PRODUTO")
        << true;
    QTest::newRow("inserted supplier's tax number cleared")
        << QStringLiteral("fornecedores") << QStringLiteral("UPDATE FORNECEDOR SET CNPJCPF_FORNECEDOR = NULL WHERE CODIGO_FORNECEDOR = 5")
        << QStringLiteral("Linha 2 da planilha, tabela FORNECEDOR (CODIGO_FORNECEDOR = 5): a coluna CNPJCPF_FORNECEDOR") << false;
}

void TestUndo::refusesRowsChangedSince()
{
    QFETCH(QString, kind);
    QFETCH(QString, change);
    QFETCH(QString, named);
    QFETCH(bool, ajustarPrecos);
    SampleDatabase sample;
    seedFor(sample, kind);
    const QStringList before = dump(sample.path());
    RunOptions options;
    options.titulos = kind == QStringLiteral("produtos");
    options.ajustarPrecos = ajustarPrecos;
    const Journalled r = run(sample, kind, gridFor(kind, writePicture(sample.folder())), options);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    seed(sample.path(), change);
    const QStringList changed = dump(sample.path());

    const QString refusal = undoRefusal(sample, r.journal);
    QVERIFY2(refusal.contains(named), qPrintable(refusal + QStringLiteral("\n---\n") + named));
    QCOMPARE(dump(sample.path()), changed); // nothing undone

    // Forced, everything the run wrote goes, the other change with it where it touched those rows.
    const UndoResult forced = undo(sample, r.journal, true);
    QVERIFY(!forced.alreadyUndone);
    QCOMPARE(dump(sample.path()), before);
}

void TestUndo::triggerChangesAreNotConflicts()
{
    // The ERP's own triggers may rewrite what the run writes; that is not a change made since.
    SampleDatabase sample;
    seedFor(sample, QStringLiteral("categorias"));
    seed(sample.path(), QStringLiteral("CREATE TRIGGER TG_CATEGORIA FOR CATEGORIA BEFORE INSERT OR UPDATE AS "
                                       "BEGIN NEW.NOME_CATEGORIA = UPPER(NEW.NOME_CATEGORIA) || ' (ERP)'; END"));
    const QStringList before = dump(sample.path());
    const Journalled r = run(sample, QStringLiteral("categorias"), gridFor(QStringLiteral("categorias"), {}), RunOptions());
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(scalar(sample.path(), QStringLiteral("SELECT COUNT(*) FROM CATEGORIA WHERE NOME_CATEGORIA = 'BEBIDAS (ERP)'")), 1);

    const UndoResult u = undo(sample, r.journal);
    QCOMPARE(u.deleted, 1);
    QCOMPARE(u.restored, 1);
    // The restored row went through the trigger again on its way back: compare all but that column.
    const QStringList after = dump(sample.path());
    QCOMPARE(after.size(), before.size());
    QCOMPARE(scalar(sample.path(), QStringLiteral("SELECT COUNT(*) FROM CATEGORIA WHERE CODIGO_CATEGORIA = 4")), 1);
    QCOMPARE(scalar(sample.path(), QStringLiteral("SELECT COUNT(*) FROM CATEGORIA WHERE CODIGO_CATEGORIA = 1")), 0);
}

void TestUndo::journalCutShortByACrash()
{
    SampleDatabase sample;
    const QStringList before = dump(sample.path());
    const Journalled r = run(sample, QStringLiteral("categorias"), gridFor(QStringLiteral("categorias"), {}), RunOptions());
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));

    // As a crash leaves it: the closing lines missing, a change the database never committed after
    // the last commit mark, and half a line.
    QFile file(r.journal);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    while (!lines.isEmpty() && !lines.last().startsWith("{\"op\":\"gravado\""))
        lines.removeLast();
    lines << "{\"op\":\"incluida\",\"linha\":3,\"tabela\":\"CATEGORIA\",\"chave\":{\"CODIGO_CATEGORIA\":99},"
             "\"valores\":{\"CODIGO_CATEGORIA\":99,\"NOME_CATEGORIA\":\"NUNCA\"}}"
          << "{\"op\":\"incluida\",\"linha\":4,\"tab";
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.join('\n'));
    file.close();

    const JournalSummary s = JournalReader::summary(r.journal);
    QVERIFY(s.situacao.isEmpty());
    QCOMPARE(s.inserted, 3);

    const UndoResult u = undo(sample, r.journal);
    QCOMPARE(u.deleted, 2);
    QCOMPARE(u.uncommitted, 1);
    QCOMPARE(dump(sample.path()), before);
    QVERIFY(undo(sample, r.journal).alreadyUndone);
}

void TestUndo::programKilledDuringARun()
{
    // The real program, killed outright while it writes: its journal holds at least what the
    // database kept, and undoing it gives the database back.
    const QString exe = qEnvironmentVariable("CONVERSOR_EXE");
    QVERIFY2(QFile::exists(exe), "CONVERSOR_EXE does not name the program");
    SampleDatabase sample;
    seedFor(sample, QStringLiteral("produtos"));
    sample.writeIni(sample.path().toUtf8());
    QByteArray csv = "Código;Ref;Nome;Preço\n";
    for (int i = 1; i <= 60000; ++i)
        csv += QByteArray::number(100 + i) + ";;Item " + QByteArray::number(i) + ";R$ 1,50\n";
    QFile sheet(sample.folder() + QStringLiteral("/produtos.csv"));
    QVERIFY(sheet.open(QIODevice::WriteOnly));
    sheet.write(csv);
    sheet.close();
    const QStringList before = dump(sample.path());

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CONVERSOR_TELEGRAM_URL"), QStringLiteral("http://127.0.0.1:9/{BOT_TOKEN}"));
    env.remove(QStringLiteral("DISPLAY"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(sample.folder());
    p.start(exe, {QStringLiteral("importar"), QStringLiteral("produtos"), sheet.fileName()});
    QVERIFY(p.waitForStarted());
    const QString folder = RunJournal::folderBeside(sample.folder());
    const auto commits = [&] {
        const QStringList files = QDir(folder).entryList({QStringLiteral("*.jsonl")});
        if (files.isEmpty())
            return 0;
        QFile f(QDir(folder).filePath(files.first()));
        return f.open(QIODevice::ReadOnly) ? static_cast<int>(f.readAll().count("{\"op\":\"gravado\"}")) : 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(commits() >= 2 || p.state() == QProcess::NotRunning, 60000);
    QVERIFY2(p.state() == QProcess::Running, "the run ended before it could be killed");
    p.kill();
    QVERIFY(p.waitForFinished());
    QVERIFY(scalar(sample.path(), QStringLiteral("SELECT COUNT(*) FROM PRODUTO")) > 1);

    const QString journal = QDir(folder).filePath(QDir(folder).entryList({QStringLiteral("*.jsonl")}).first());
    QVERIFY(JournalReader::summary(journal).situacao.isEmpty());
    const UndoResult u = undo(sample, journal);
    QVERIFY(u.deleted > 0);
    QCOMPARE(dump(sample.path()), before);
}

void TestUndo::dryRunKeepsNoJournal()
{
    SampleDatabase sample;
    RunOptions options;
    options.simular = true;
    const Journalled r = run(sample, QStringLiteral("categorias"), gridFor(QStringLiteral("categorias"), {}), options);
    QVERIFY(r.error.isEmpty());
    // The file made before the run holds its header only: nothing to undo.
    const std::vector<JournalEntry> entries = JournalReader::entries(r.journal);
    QCOMPARE(entries.size(), size_t(0));
}

void TestUndo::journalsListedNewestFirst()
{
    SampleDatabase sample;
    const Journalled first = run(sample, QStringLiteral("categorias"), gridFor(QStringLiteral("categorias"), {}), RunOptions());
    QTest::qWait(1100); // the names hold the second
    const Journalled second = run(sample, QStringLiteral("clientes"), gridFor(QStringLiteral("clientes"), {}), RunOptions());
    QFile stray(RunJournal::folderBeside(sample.folder()) + QStringLiteral("/anotacoes.jsonl"));
    QVERIFY(stray.open(QIODevice::WriteOnly));
    stray.write("não é um diário\n");
    stray.close();

    // Eleven more in one second: "_10" and "_11" are newer than "_2".
    QStringList sameSecond;
    {
        Database db(sample.path());
        std::vector<std::unique_ptr<RunJournal>> journals;
        for (int i = 0; i < 11; ++i) {
            journals.push_back(std::make_unique<RunJournal>(RunJournal::folderBeside(sample.folder()),
                                                            QStringLiteral("servicos"), QString(), sample.path(),
                                                            RunOptions(), db));
            sameSecond.prepend(journals.back()->fileName());
        }
    }
    QList<JournalSummary> list = JournalReader::list(RunJournal::folderBeside(sample.folder()));
    QCOMPARE(list.size(), 13);
    QStringList newest;
    for (int i = 0; i < 11; ++i)
        newest << list.at(i).fileName;
    if (QFileInfo(sameSecond.first()).fileName().left(17) == QFileInfo(sameSecond.last()).fileName().left(17))
        QCOMPARE(newest, sameSecond);
    list = list.mid(11);
    QCOMPARE(list.at(0).fileName, second.journal);
    QCOMPARE(list.at(0).kind, QStringLiteral("clientes"));
    QCOMPARE(list.at(0).inserted, 3);
    QCOMPARE(list.at(1).kind, QStringLiteral("categorias"));
    QCOMPARE(list.at(1).tables.value(QStringLiteral("CATEGORIA")).value(0), 2);
    QVERIFY(list.at(0).describe().contains(QStringLiteral("3 incluída(s)")));
    QVERIFY(list.at(0).describe().contains(QStringLiteral("planilha.xlsx")));
}

namespace {


QString journalNamedIn(const QString& err)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Diário da conversão: (.*)\n")).match(err);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

void TestUndo::commandLine()
{
    SampleDatabase sample;
    seedFor(sample, QStringLiteral("categorias"));
    sample.writeIni(sample.path().toUtf8());
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(sample.folder());
    const auto restore = qScopeGuard([&] { QDir::setCurrent(oldCurrent); });
    QFile csv(sample.folder() + QStringLiteral("/categorias.csv"));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write("Código;Nome\n4;Frios\n8;Laticínios\n");
    csv.close();
    const QStringList before = dump(sample.path());

    // A dry run keeps no journal.
    CliResult r = runCli({QStringLiteral("importar"), QStringLiteral("categorias"), csv.fileName(), QStringLiteral("--titulos"),
                 QStringLiteral("--simular")});
    QCOMPARE(r.status, 0);
    QVERIFY2(journalNamedIn(r.err).isEmpty(), qPrintable(r.err));
    QVERIFY(!QDir(RunJournal::folderBeside(sample.folder())).exists() ||
            QDir(RunJournal::folderBeside(sample.folder())).isEmpty());

    r = runCli({QStringLiteral("importar"), QStringLiteral("categorias"), csv.fileName(), QStringLiteral("--titulos"),
             QStringLiteral("--limpar")});
    QCOMPARE(r.status, 0);
    const QString journal = journalNamedIn(r.err);
    QVERIFY2(QFile::exists(journal), qPrintable(r.err));
    const QStringList after = dump(sample.path());

    // Another change to a written row: refused with status 1 and nothing undone, then forced.
    seed(sample.path(), QStringLiteral("UPDATE CATEGORIA SET NOME_CATEGORIA = 'QUEIJOS' WHERE CODIGO_CATEGORIA = 8"));
    r = runCli({QStringLiteral("desfazer"), journal});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("Linha 3 da planilha, tabela CATEGORIA (CODIGO_CATEGORIA = 8): a coluna "
                                           "NOME_CATEGORIA foi alterada depois da conversão: vale \"QUEIJOS\"")),
             qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    seed(sample.path(), QStringLiteral("UPDATE CATEGORIA SET NOME_CATEGORIA = 'Laticínios' WHERE CODIGO_CATEGORIA = 8"));
    QCOMPARE(dump(sample.path()), after);

    r = runCli({QStringLiteral("desfazer"), journal});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith(QStringLiteral("Conversão desfeita: 2 linha(s) apagada(s), 0 restaurada(s), "
                                             "1 recolocada(s).")),
             qPrintable(r.out + r.err));
    QCOMPARE(dump(sample.path()), before);

    r = runCli({QStringLiteral("desfazer"), journal, QStringLiteral("--forcar")});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(QStringLiteral("já foi desfeito")), qPrintable(r.out));

    r = runCli({QStringLiteral("desfazer")});
    QCOMPARE(r.status, 2);
    r = runCli({QStringLiteral("desfazer"), sample.folder() + QStringLiteral("/nada.jsonl")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.contains(QStringLiteral("não existe")));
    r = runCli({QStringLiteral("desfazer"), csv.fileName()});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(QStringLiteral("não é um diário")), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestUndo)
#include "tst_undo.moc"
