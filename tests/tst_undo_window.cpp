// Undoing from the window: a run of the window keeps its journal beside the ini file (a dry run
// keeps none, and a journal that cannot be made stops the run before it writes); the undo window
// lists the journals newest first and puts the database back, says when a journal was undone
// already, shows the rows changed since and undoes them only when told to, and refuses a journal
// of another database. The closing box of a run with failed rows saves them as a workbook.
#include "Database.h"
#include "Dialogs.h"
#include "GridRows.h"
#include "RunJournal.h"
#include "DatabaseRows.h"
#include "SampleDatabase.h"
#include "UDesfazer.h"
#include "UPrincipal.h"
#include "UndoRun.h"
#include "WorkbookReader.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

struct Shown {
    Dialogs::Kind kind;
    QString text;
    QString details;
};


int categories(const SampleDatabase& sample)
{
    return scalar(sample.path(), QStringLiteral("SELECT COUNT(*) FROM CATEGORIA"));
}

QString failedReason(const RunReport& report)
{
    for (const RowReport& row : report.rows())
        if (row.outcome == RowOutcome::Failed)
            return row.reason;
    return {};
}

} // namespace

class TestUndoWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void windowRunKeepsAJournalThatTheUndoWindowUndoes();
    void undoOfAJournalUndoneMeanwhileSaysSo();
    void changedRowsAreShownAndUndoneOnlyWhenForced();
    void journalOfAnotherDatabaseIsRefused();
    void dryRunKeepsNoJournal();
    void journalThatCannotBeMadeStopsTheRun();
    void closingBoxSavesTheFailedRows();

private:
    std::unique_ptr<TForm3> startWindow(const SampleDatabase& sample);
    void loadCategories(TForm3& form, const QByteArray& csv);
    bool convertCategories(TForm3& form);
    TfDesfazer* openUndoWindow(TForm3& form);
    bool undo(TfDesfazer& window, int expectedAttempts = 1);
    template <typename W> W* find(QObject& parent, const char* name)
    {
        W* w = parent.findChild<W*>(QLatin1String(name));
        if (!w)
            qWarning("control %s not found", name);
        return w;
    }

    QList<Shown> m_shown;
    std::function<int(const Shown&)> m_answer; // the button a box's hook chooses
    QString m_oldCurrent;
    QTemporaryDir m_files;
};

void TestUndoWindow::init()
{
    m_shown.clear();
    m_answer = nullptr;
    m_oldCurrent = QDir::currentPath();
    Dialogs::setMessageHook([this](Dialogs::Kind kind, const QString& text, const QString& details) {
        m_shown.append({kind, text, details});
        return m_answer ? m_answer(m_shown.last()) : 0;
    });
}

void TestUndoWindow::cleanup()
{
    Dialogs::setMessageHook({});
    QDir::setCurrent(m_oldCurrent);
}

std::unique_ptr<TForm3> TestUndoWindow::startWindow(const SampleDatabase& sample)
{
    sample.writeIni(sample.path().toUtf8());
    QDir::setCurrent(sample.folder());
    auto form = std::make_unique<TForm3>();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        qWarning("window not exposed");
    if (!QTest::qWaitFor([&form] { return form->database() != nullptr; }))
        qWarning("the window did not connect");
    return form;
}

void TestUndoWindow::loadCategories(TForm3& form, const QByteArray& csv)
{
    QSignalSpy loaded(&form, &TForm3::loadFinished);
    const QString path = m_files.filePath(QStringLiteral("categorias.csv"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(csv);
    f.close();
    Dialogs::setNextOpenFileName(path);
    QTest::mouseClick(find<QPushButton>(form, "Button9"), Qt::LeftButton);
    if (!QTest::qWaitFor([&loaded] { return loaded.size() == 1; }))
        qWarning("the workbook was not loaded");
}

bool TestUndoWindow::convertCategories(TForm3& form)
{
    QSignalSpy finished(&form, &TForm3::runFinished);
    QTest::mouseClick(find<QPushButton>(form, "Button10"), Qt::LeftButton);
    if (!QTest::qWaitFor([&finished] { return finished.size() == 1; }, 20000))
        return false;
    return finished.first().at(1).toBool();
}

TfDesfazer* TestUndoWindow::openUndoWindow(TForm3& form)
{
    QTest::mouseClick(find<QPushButton>(form, "ButtonDesfazer"), Qt::LeftButton);
    TfDesfazer* window = form.undoWindow();
    if (window && !QTest::qWaitForWindowExposed(window))
        qWarning("undo window not exposed");
    return window;
}

// Clicks Desfazer and waits for the attempts it leads to; true when the last one changed the database back.
bool TestUndoWindow::undo(TfDesfazer& window, int expectedAttempts)
{
    QSignalSpy done(&window, &TfDesfazer::undoFinished);
    QTest::mouseClick(find<QPushButton>(window, "ButtonDesfazerDiario"), Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return done.size() == expectedAttempts && !window.isUndoing(); }, 20000)) {
        qWarning("undo attempts: %d", static_cast<int>(done.size()));
        return false;
    }
    return done.last().at(0).toBool();
}

void TestUndoWindow::windowRunKeepsAJournalThatTheUndoWindowUndoes()
{
    SampleDatabase sample;
    auto form = startWindow(sample);
    QVERIFY(form->database());
    const int before = categories(sample);

    // Nothing to undo yet.
    auto* button = find<QPushButton>(*form, "ButtonDesfazer");
    QVERIFY(button);
    QCOMPARE(button->text(), QStringLiteral("Desfazer última conversão..."));
    QVERIFY(button->isVisible() && button->isEnabled());
    {
        TfDesfazer* empty = openUndoWindow(*form);
        QVERIFY(empty);
        QCOMPARE(find<QListWidget>(*empty, "ListaDiarios")->count(), 0);
        QVERIFY(!find<QPushButton>(*empty, "ButtonDesfazerDiario")->isEnabled());
        QTest::mouseClick(find<QPushButton>(*empty, "ButtonFechar"), Qt::LeftButton);
        QTRY_VERIFY(form->undoWindow() == nullptr);
    }

    loadCategories(*form, "1;Bebidas\n2;Limpeza\n");
    QSignalSpy finished(form.get(), &TForm3::runFinished);
    QTest::mouseClick(find<QPushButton>(*form, "Button10"), Qt::LeftButton);
    // The button waits, as the others do, while the run goes on.
    QVERIFY(!button->isEnabled());
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(finished.first().at(1).toBool());
    QVERIFY(button->isEnabled());
    QCOMPARE(categories(sample), before + 2);

    const QString folder = form->journalFolder();
    QCOMPARE(QFileInfo(folder).canonicalFilePath(),
             QFileInfo(QDir(sample.folder()).filePath(QStringLiteral("Diarios"))).canonicalFilePath());
    const QList<JournalSummary> journals = JournalReader::list(folder);
    QCOMPARE(journals.size(), 1);
    const JournalSummary& journal = journals.first();
    QCOMPARE(journal.fileName, form->lastJournal());
    QCOMPARE(journal.kind, QStringLiteral("categorias"));
    QCOMPARE(journal.databaseName, sample.path());
    QCOMPARE(journal.workbook, m_files.filePath(QStringLiteral("categorias.csv")));
    QCOMPARE(journal.situacao, QStringLiteral("concluida"));
    QCOMPARE(journal.inserted, 2);
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown.first().details.contains(QDir::toNativeSeparators(journal.fileName)),
             qPrintable(m_shown.first().details));

    // A second run: the window lists it first and chooses it.
    m_shown.clear();
    loadCategories(*form, "3;Frios\n");
    QVERIFY(convertCategories(*form));
    QCOMPARE(categories(sample), before + 3);
    TfDesfazer* window = openUndoWindow(*form);
    QVERIFY(window);
    QVERIFY(window->isModal());
    auto* list = find<QListWidget>(*window, "ListaDiarios");
    QCOMPARE(list->count(), 2);
    const QList<JournalSummary> both = JournalReader::list(folder);
    QCOMPARE(both.at(1).fileName, journal.fileName);
    QCOMPARE(both.at(0).fileName, form->lastJournal());
    QCOMPARE(list->item(0)->text(), both.at(0).describe());
    QCOMPARE(list->item(1)->text(), both.at(1).describe());
    QCOMPARE(list->currentRow(), 0);

    m_shown.clear();
    QVERIFY(undo(*window));
    QCOMPARE(categories(sample), before + 2);
    QCOMPARE(scalar(sample.path(), QStringLiteral("SELECT COUNT(*) FROM CATEGORIA WHERE CODIGO_CATEGORIA = 3")), 0);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.first().kind, Dialogs::Kind::Information);
    QVERIFY2(m_shown.first().text.startsWith(QStringLiteral("Conversão desfeita: 1 linha(s) apagada(s)")),
             qPrintable(m_shown.first().text));
    auto* progress = find<QProgressBar>(*window, "ProgressDesfazer");
    QCOMPARE(progress->value(), progress->maximum());

    // The list is read again: the undone run is marked, and the older one is chosen next.
    QCOMPARE(list->count(), 2);
    QVERIFY2(list->item(0)->text().contains(QStringLiteral("desfeita em")), qPrintable(list->item(0)->text()));
    QCOMPARE(list->currentRow(), 1);
    m_shown.clear();
    QVERIFY(undo(*window));
    QCOMPARE(categories(sample), before);

    // Nothing is left to undo; asking again for an undone run says so and changes nothing.
    QCOMPARE(list->currentRow(), -1);
    QVERIFY(!find<QPushButton>(*window, "ButtonDesfazerDiario")->isEnabled());
    list->setCurrentRow(0);
    m_shown.clear();
    QVERIFY(!undo(*window));
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown.first().text.contains(QStringLiteral("já foi desfeito")), qPrintable(m_shown.first().text));
    QCOMPARE(categories(sample), before);

    QTest::mouseClick(find<QPushButton>(*window, "ButtonFechar"), Qt::LeftButton);
    QTRY_VERIFY(form->undoWindow() == nullptr);
}

void TestUndoWindow::undoOfAJournalUndoneMeanwhileSaysSo()
{
    SampleDatabase sample;
    auto form = startWindow(sample);
    const int before = categories(sample);
    loadCategories(*form, "1;Bebidas\n2;Limpeza\n");
    QVERIFY(convertCategories(*form));
    TfDesfazer* window = openUndoWindow(*form);
    QVERIFY(window);
    QCOMPARE(find<QListWidget>(*window, "ListaDiarios")->currentRow(), 0);

    // Undone elsewhere (the command line) while the window showed it as not undone.
    {
        Database db(sample.path());
        QVERIFY(!undoJournal(form->lastJournal(), db, false).alreadyUndone);
    }
    QCOMPARE(categories(sample), before);
    m_shown.clear();
    QVERIFY(!undo(*window));
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown.first().text.contains(QStringLiteral("já foi desfeito")), qPrintable(m_shown.first().text));
    QCOMPARE(categories(sample), before);
}

void TestUndoWindow::changedRowsAreShownAndUndoneOnlyWhenForced()
{
    SampleDatabase sample;
    auto form = startWindow(sample);
    const int before = categories(sample);
    loadCategories(*form, "1;Bebidas\n2;Limpeza\n");
    QVERIFY(convertCategories(*form));
    {
        Database db(sample.path());
        db.execute(QStringLiteral("UPDATE CATEGORIA SET NOME_CATEGORIA = 'Limpeza e Higiene' "
                                  "WHERE CODIGO_CATEGORIA = 2"));
    }
    TfDesfazer* window = openUndoWindow(*form);
    QVERIFY(window);

    // Told no: nothing changes, and the run stays to be undone.
    m_shown.clear();
    QVERIFY(!undo(*window));
    QCOMPARE(m_shown.size(), 1);
    const Shown refused = m_shown.first();
    QCOMPARE(refused.kind, Dialogs::Kind::Warning);
    QVERIFY2(refused.text.contains(QStringLiteral("alteradas depois")), qPrintable(refused.text));
    for (const QString& part : {QStringLiteral("Linha 2 da planilha"), QStringLiteral("CATEGORIA"),
                                QStringLiteral("CODIGO_CATEGORIA = 2"), QStringLiteral("NOME_CATEGORIA")})
        QVERIFY2(refused.details.contains(part), qPrintable(refused.details));
    QCOMPARE(categories(sample), before + 2);
    QVERIFY(!JournalReader::summary(form->lastJournal()).undone);

    // Told to go ahead: the refused box's extra button undoes it all the same.
    m_shown.clear();
    m_answer = [](const Shown& s) { return s.kind == Dialogs::Kind::Warning ? 1 : 0; };
    QVERIFY(undo(*window, 2));
    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown.at(0).kind, Dialogs::Kind::Warning);
    QCOMPARE(m_shown.at(1).kind, Dialogs::Kind::Information);
    QVERIFY2(m_shown.at(1).text.startsWith(QStringLiteral("Conversão desfeita: 2 linha(s) apagada(s)")),
             qPrintable(m_shown.at(1).text));
    QCOMPARE(categories(sample), before);
    QVERIFY(JournalReader::summary(form->lastJournal()).undone);
}

void TestUndoWindow::journalOfAnotherDatabaseIsRefused()
{
    SampleDatabase sample;
    auto form = startWindow(sample);
    const int before = categories(sample);
    loadCategories(*form, "1;Bebidas\n");
    QVERIFY(convertCategories(*form));

    // The journal names another database.
    const QString other = QStringLiteral("/outro/lugar/banco.fdb");
    QFile file(form->lastJournal());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray content = file.readAll();
    file.close();
    const QByteArray named = "\"banco\":\"" + sample.path().toUtf8() + '"';
    QVERIFY(content.contains(named));
    content.replace(named, QByteArray("\"banco\":\"" + other.toUtf8() + '"'));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();

    TfDesfazer* window = openUndoWindow(*form);
    QVERIFY(window);
    m_shown.clear();
    m_answer = [](const Shown&) { return 1; };
    QVERIFY(!undo(*window));
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.first().kind, Dialogs::Kind::Error);
    QVERIFY2(m_shown.first().text.contains(other) && m_shown.first().text.contains(sample.path()),
             qPrintable(m_shown.first().text));
    QCOMPARE(categories(sample), before + 1);
    QVERIFY(!JournalReader::summary(form->lastJournal()).undone);
}

void TestUndoWindow::dryRunKeepsNoJournal()
{
    SampleDatabase sample;
    auto form = startWindow(sample);
    const int before = categories(sample);
    loadCategories(*form, "1;Bebidas\n2;Limpeza\n");
    find<QCheckBox>(*form, "CheckBoxSimular")->setChecked(true);
    QVERIFY(convertCategories(*form));
    QCOMPARE(categories(sample), before);
    QVERIFY(form->lastJournal().isEmpty());
    QVERIFY(JournalReader::list(form->journalFolder()).isEmpty());
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(!m_shown.first().details.contains(QStringLiteral("Diário")));

    // The same grid without the box keeps one.
    find<QCheckBox>(*form, "CheckBoxSimular")->setChecked(false);
    QVERIFY(convertCategories(*form));
    QCOMPARE(JournalReader::list(form->journalFolder()).size(), 1);
}

void TestUndoWindow::journalThatCannotBeMadeStopsTheRun()
{
    SampleDatabase sample;
    auto form = startWindow(sample);
    const int before = categories(sample);
    // A file where the folder of the journals should be.
    QFile blocker(form->journalFolder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    loadCategories(*form, "1;Bebidas\n2;Limpeza\n");
    m_shown.clear();
    QVERIFY(!convertCategories(*form));
    QCOMPARE(categories(sample), before);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.first().kind, Dialogs::Kind::Error);
    QVERIFY2(m_shown.first().text.contains(form->journalFolder()) &&
                 m_shown.first().text.contains(QStringLiteral("Nada foi gravado")),
             qPrintable(m_shown.first().text));
    QVERIFY(form->lastJournal().isEmpty());
    QVERIFY(find<QPushButton>(*form, "Button10")->isEnabled());
}

void TestUndoWindow::closingBoxSavesTheFailedRows()
{
    SampleDatabase sample;
    auto form = startWindow(sample);
    const QString tooLong(80, u'X'); // NOME_CATEGORIA holds 60 characters
    loadCategories(*form, "Código;Nome\n1;Bebidas\n2;" + tooLong.toUtf8() + "\n3;Frios\n");
    find<QCheckBox>(*form, "checkboxCategoriasTitulos")->setChecked(true);
    find<QCheckBox>(*form, "CheckBoxContinuar")->setChecked(true);

    // The second extra button of the closing box.
    const QString path = m_files.filePath(QStringLiteral("falhas.xlsx"));
    Dialogs::setNextSaveFileName(path);
    m_answer = [](const Shown& s) { return s.kind == Dialogs::Kind::Information ? 2 : 0; };
    QVERIFY(convertCategories(*form));
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(form->lastReport(TForm3::Categorias).count(RowOutcome::Failed), 1);
    QVERIFY(QFile::exists(path));
    const Grid loaded = readWorkbook(path);
    QCOMPARE(loaded.rowCount(), 2);
    QCOMPARE(loaded.columnCount(), 3);
    QCOMPARE(gridRows(loaded).first(), QStringLiteral("Código|Nome|Motivo"));
    QCOMPARE(loaded.cell(0, 1), QStringLiteral("2"));
    QCOMPARE(loaded.cell(1, 1), tooLong);
    QVERIFY(!loaded.cell(2, 1).isEmpty());
    QCOMPARE(loaded.cell(2, 1), failedReason(form->lastReport(TForm3::Categorias)));

    // The first extra button is still the report.
    const QString report = m_files.filePath(QStringLiteral("relatorio.csv"));
    Dialogs::setNextSaveFileName(report);
    m_answer = [](const Shown& s) { return s.kind == Dialogs::Kind::Information ? 1 : 0; };
    m_shown.clear();
    QVERIFY(convertCategories(*form));
    QFile csv(report);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QVERIFY(csv.readLine().startsWith("linha;"));

    // A run without failures offers no failed rows.
    loadCategories(*form, "Código;Nome\n4;Carnes\n");
    const QString none = m_files.filePath(QStringLiteral("nenhuma.xlsx"));
    Dialogs::setNextSaveFileName(none);
    m_answer = [](const Shown& s) { return s.kind == Dialogs::Kind::Information ? 2 : 0; };
    QVERIFY(convertCategories(*form));
    QVERIFY(!QFile::exists(none));
    QCOMPARE(Dialogs::saveFileName(nullptr, QString(), QString()), none); // the preset was left unused
}

QTEST_MAIN(TestUndoWindow)
#include "tst_undo_window.moc"
