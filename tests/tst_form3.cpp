// The main window driven by object name: its controls as the user first sees them, the start-up
// sequence against good and bad configurations, and loading workbooks into the tabs' grids.
#include "Database.h"
#include "Dialogs.h"
#include "FirebirdServer.h"
#include "SampleDatabase.h"
#include "UPrincipal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QSqlQuery>
#include <QtTest>

namespace {

struct Shown {
    Dialogs::Kind kind;
    QString text;
    QString details;
};

} // namespace

class TestForm3 : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void controlsAsDesigned();
    void startUpConnectsAndFillsTheCityCode();
    void startUpFailures_data();
    void startUpFailures();
    void missingIniKeepsTheWindowOpen();
    void startUpThroughAFirebirdServer();
    void loadFillsAndReplacesTheGrid();
    void failedLoadLeavesTheGridAsItWas();
    void convertRunsOffTheWindowThread();
    void cancelStopsTheRun();

private:
    std::unique_ptr<TForm3> startWindow(const QString& folder);
    template <typename W> W* find(TForm3& form, const char* name)
    {
        W* w = form.findChild<W*>(QLatin1String(name));
        if (!w)
            qWarning("control %s not found", name);
        return w;
    }
    QList<Shown> m_shown;
    QString m_oldCurrent;
};

void TestForm3::init()
{
    m_shown.clear();
    m_oldCurrent = QDir::currentPath();
    Dialogs::setMessageHook([this](Dialogs::Kind kind, const QString& text, const QString& details) {
        m_shown.append({kind, text, details});
        return false;
    });
}

void TestForm3::cleanup()
{
    Dialogs::setMessageHook({});
    QDir::setCurrent(m_oldCurrent);
}

std::unique_ptr<TForm3> TestForm3::startWindow(const QString& folder)
{
    QDir::setCurrent(folder);
    auto form = std::make_unique<TForm3>();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        qWarning("window not exposed");
    // The start-up sequence runs right after the window appears.
    QTest::qWait(50);
    return form;
}

void TestForm3::controlsAsDesigned()
{
    SampleDatabase sample;
    sample.writeIni(sample.path().toUtf8());
    auto form = startWindow(sample.folder());
    QCOMPARE(form->windowTitle(), QStringLiteral("Vodivovar Excel para o Lumora Vs. 01/08/2022"));

    auto* pages = find<QTabWidget>(*form, "PageControl1");
    QVERIFY(pages);
    const QStringList captions{QStringLiteral("Produtos"), QStringLiteral("Clientes"), QStringLiteral("Fornecedores"),
                               QStringLiteral("Transportadoras"), QStringLiteral("Categorias/Seções de Produtos"),
                               QStringLiteral("Serviços")};
    QCOMPARE(pages->count(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(pages->tabText(i), captions.at(i));
        QCOMPARE(pages->widget(i)->objectName(), QStringLiteral("TabSheet%1").arg(i + 1));
        auto* load = find<QPushButton>(*form, qPrintable(QStringLiteral("Button%1").arg(2 * i + 1)));
        auto* convert = find<QPushButton>(*form, qPrintable(QStringLiteral("Button%1").arg(2 * i + 2)));
        QVERIFY(load && convert);
        QCOMPARE(load->text(), QStringLiteral("Carregar Planilha Excel"));
        QCOMPARE(convert->text(), QStringLiteral("Converter >>>"));
        QVERIFY(pages->widget(i)->isAncestorOf(load));
        auto* grid = find<QTableView>(*form, qPrintable(QStringLiteral("StringGrid%1").arg(i + 1)));
        QVERIFY(grid && pages->widget(i)->isAncestorOf(grid));
        QCOMPARE(grid->model()->rowCount(), 5);
        QCOMPARE(grid->model()->columnCount(), 5);
        QVERIFY(find<QProgressBar>(*form, qPrintable(QStringLiteral("ProgressBar%1").arg(i + 1))));
    }
    QCOMPARE(pages->currentIndex(), 0);

    struct Box { const char* name; const char* caption; bool ticked; };
    const Box boxes[] = {
        {"CheckBoxProdutosTitulos", "Planilha contém Títulos nas Colunas", true},
        {"CheckBoxAjustarPreco", "Somente ajustar Preços?", false},
        {"CheckBoxAjustarTributacao", "Somente ajustar Tributação?", false},
        {"CheckBoxAjustarCest", "Ajustar CEST?", false},
        {"CheckBoxAjustarNCM", "Ajustar NCM?", false},
        {"CheckBoxClientesTitulos", "Planilha contém Títulos nas Colunas", false},
        {"CheckBoxClientes", "Limpar tabela de Clientes", false},
        {"CheckBoxFornecedoresTitulos", "Planilha contém Títulos nas Colunas", false},
        {"CheckBoxFornecedores", "Limpar tabela de Fornecedores", false},
        {"CheckBoxTransportadorasTitulos", "Planilha contém Títulos nas Colunas", false},
        {"CheckBoxTransportadoras", "Limpar tabela de Transportadoras", false},
        {"checkboxCategoriasTitulos", "Planilha contém Títulos nas Colunas", false},
        {"CheckBoxCategoria", "Limpar tabela de Categorias", false},
        {"CheckBoxServicosTitulos", "Planilha contém Títulos nas Colunas", true},
        {"CheckBox2", "Somente ajustar Preços?", false},
    };
    for (const Box& b : boxes) {
        auto* box = find<QCheckBox>(*form, b.name);
        QVERIFY2(box, b.name);
        QCOMPARE(box->text(), QString::fromUtf8(b.caption));
        QCOMPARE(box->isChecked(), b.ticked);
    }
    QCOMPARE(find<QLineEdit>(*form, "EditCSTIPI")->text(), QStringLiteral("00"));
    QCOMPARE(find<QLineEdit>(*form, "EditCSTPIS")->text(), QStringLiteral("06"));
    QCOMPARE(find<QLineEdit>(*form, "EditCSTCOFINS")->text(), QStringLiteral("06"));
    QCOMPARE(find<QLabel>(*form, "Label1")->text(), QStringLiteral("CST IPI"));
    QCOMPARE(find<QLabel>(*form, "Label5")->text(), QStringLiteral("Cod. Ibge Padrão"));
    QCOMPARE(find<QLabel>(*form, "Label6")->text(), QStringLiteral("Formato campos DATA"));
    QCOMPARE(find<QLabel>(*form, "Label4")->text(), QStringLiteral("Banco de Dados"));
    auto* combo = find<QComboBox>(*form, "ComboBoxFormatoData");
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0), QStringLiteral("AAAA-MM-DD"));
    QCOMPARE(combo->itemText(1), QStringLiteral("DD/MM/AA"));
    QCOMPARE(combo->itemText(2), QStringLiteral("DD/MM/AAAA"));
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(find<QPushButton>(*form, "BitBtn1")->text(), QStringLiteral("Layout de Importação"));
    QVERIFY(find<QLineEdit>(*form, "EditBanco")->isReadOnly());

    const QString shots = qEnvironmentVariable("CONVERSOR_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        form->grab().save(QDir(shots).filePath(QStringLiteral("form3.png")));
}

void TestForm3::startUpConnectsAndFillsTheCityCode()
{
    SampleDatabase sample;
    sample.writeIni(sample.path().toUtf8() + "\r\nignorada\r\n");
    auto form = startWindow(sample.folder());
    QTRY_VERIFY(form->database() != nullptr);
    QVERIFY2(m_shown.isEmpty(), m_shown.isEmpty() ? "" : qPrintable(m_shown.first().text));
    QCOMPARE(find<QLineEdit>(*form, "EditBanco")->text(), sample.path());
    QCOMPARE(find<QLineEdit>(*form, "EditCod_Cidade")->text(), QStringLiteral("4115200"));
    QVERIFY(!form->terminated());
}

void TestForm3::startUpFailures_data()
{
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<QString>("cityCode");
    QTest::addColumn<bool>("connects");
    QTest::newRow("wrong path") << QStringLiteral("wrong-path") << QString() << false;
    // Firebird itself ignores the blanks around a path.
    QTest::newRow("blanks around the path") << QStringLiteral("blanks") << QStringLiteral("4115200") << true;
    QTest::newRow("no company 1") << QStringLiteral("no-company") << QString() << true;
    QTest::newRow("company city not in CIDADE") << QStringLiteral("unknown-city") << QStringLiteral("9999999") << true;
}

void TestForm3::startUpFailures()
{
    QFETCH(QString, setUp);
    QFETCH(QString, cityCode);
    QFETCH(bool, connects);
    SampleDatabase sample;
    QString iniLine = sample.path();
    if (setUp == QStringLiteral("wrong-path"))
        iniLine = QDir(sample.folder()).filePath(QStringLiteral("nao/existe.fdb"));
    else if (setUp == QStringLiteral("blanks"))
        iniLine = QStringLiteral("  ") + sample.path() + QStringLiteral("  ");
    {
        Database db(sample.path());
        if (setUp == QStringLiteral("no-company"))
            db.execute(QStringLiteral("DELETE FROM EMPRESA"));
        else if (setUp == QStringLiteral("unknown-city"))
            db.execute(QStringLiteral("UPDATE EMPRESA SET COD_CIDADE = 9999999"));
    }
    sample.writeIni(iniLine.toUtf8());
    auto form = startWindow(sample.folder());
    // The edit shows the name exactly as the file gives it, blanks included.
    QTRY_COMPARE(find<QLineEdit>(*form, "EditBanco")->text(), iniLine);
    if (connects) {
        QTRY_VERIFY(form->database() != nullptr);
        QVERIFY(m_shown.isEmpty());
        QVERIFY(!form->terminated());
    } else {
        QTRY_VERIFY(form->terminated());
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.first().text, QStringLiteral("Erro ao Tentar Conectar!"));
        QVERIFY(!m_shown.first().details.isEmpty()); // the database's reason, for whoever looks
    }
    QCOMPARE(find<QLineEdit>(*form, "EditCod_Cidade")->text(), cityCode);
}

void TestForm3::missingIniKeepsTheWindowOpen()
{
    QTemporaryDir dir;
    auto form = startWindow(dir.path());
    QTRY_COMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown.first().text.contains(QStringLiteral("ConexaoFirebird.ini")), qPrintable(m_shown.first().text));
    QVERIFY2(m_shown.first().text.contains(dir.path()), qPrintable(m_shown.first().text));
    QVERIFY(!form->terminated());
    QVERIFY(form->isVisible());
    QVERIFY(form->database() == nullptr);
    QCOMPARE(find<QLineEdit>(*form, "EditBanco")->text(), QString());
    QCOMPARE(find<QLineEdit>(*form, "EditCod_Cidade")->text(), QString());
}

void TestForm3::startUpThroughAFirebirdServer()
{
    FirebirdServer server;
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));
    QTemporaryDir dir;
    const QString remote = server.qualified(dir.filePath(QStringLiteral("SERVIDOR.FDB")));
    Database::create(remote);
    QFile ini(dir.filePath(QStringLiteral("ConexaoFirebird.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(remote.toUtf8() + "\r\n");
    ini.close();
    {
        auto form = startWindow(dir.path());
        QTRY_VERIFY(form->database() != nullptr);
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(find<QLineEdit>(*form, "EditBanco")->text(), remote);
        QCOMPARE(find<QLineEdit>(*form, "EditCod_Cidade")->text(), QStringLiteral("4115200"));
    }
    server.stop();
}

void TestForm3::loadFillsAndReplacesTheGrid()
{
    SampleDatabase sample;
    sample.writeIni(sample.path().toUtf8());
    auto form = startWindow(sample.folder());
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("categorias.csv"));
    const QString small = dir.filePath(QStringLiteral("pequena.csv"));
    {
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Código;Nome;Extra\n1;Bebidas;x\n2;Limpeza;\n3;Frios;\n");
        QFile g(small);
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.write("9;Outros\n");
    }
    QSignalSpy finished(form.get(), &TForm3::loadFinished);
    Dialogs::setNextOpenFileName(big);
    QTest::mouseClick(find<QPushButton>(*form, "Button9"), Qt::LeftButton);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.first().at(1).toBool(), true);
    const Grid& g = form->grid(TForm3::Categorias);
    QCOMPARE(g.rowCount(), 4);
    QCOMPARE(g.columnCount(), 3);
    QCOMPARE(g.cell(0, 0), QStringLiteral("Código"));
    QCOMPARE(g.cell(1, 2), QStringLiteral("Limpeza"));
    auto* view = find<QTableView>(*form, "StringGrid5");
    QCOMPARE(view->model()->rowCount(), 4);
    QCOMPARE(view->model()->index(1, 1).data().toString(), QStringLiteral("Bebidas"));
    QVERIFY(find<QPushButton>(*form, "Button10")->isEnabled());
    // Other tabs keep their own grids.
    QCOMPARE(form->grid(TForm3::Produtos).rowCount(), 5);

    Dialogs::setNextOpenFileName(small);
    QTest::mouseClick(find<QPushButton>(*form, "Button9"), Qt::LeftButton);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(form->grid(TForm3::Categorias).rowCount(), 1);
    QCOMPARE(form->grid(TForm3::Categorias).columnCount(), 2);
    QCOMPARE(form->grid(TForm3::Categorias).cell(1, 0), QStringLiteral("Outros"));

    // A cancelled dialog changes nothing.
    Dialogs::setNextOpenFileName(QString());
    QTest::mouseClick(find<QPushButton>(*form, "Button9"), Qt::LeftButton);
    QTest::qWait(50);
    QCOMPARE(finished.size(), 2);
    QVERIFY(m_shown.isEmpty());
}

void TestForm3::failedLoadLeavesTheGridAsItWas()
{
    SampleDatabase sample;
    sample.writeIni(sample.path().toUtf8());
    auto form = startWindow(sample.folder());
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("clientes.csv"));
    const QString broken = dir.filePath(QStringLiteral("quebrada.xlsx"));
    {
        QFile f(good);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Ana;Ana;123\nBia;Bia;456\n");
        QFile b(broken);
        QVERIFY(b.open(QIODevice::WriteOnly));
        b.write("PK\x03\x04 this is not really a zip archive");
    }
    QSignalSpy finished(form.get(), &TForm3::loadFinished);
    Dialogs::setNextOpenFileName(good);
    QTest::mouseClick(find<QPushButton>(*form, "Button3"), Qt::LeftButton);
    QTRY_COMPARE(finished.size(), 1);
    const Grid before = form->grid(TForm3::Clientes);

    for (const QString& bad : {broken, dir.filePath(QStringLiteral("nao-existe.xlsx"))}) {
        m_shown.clear();
        Dialogs::setNextOpenFileName(bad);
        QTest::mouseClick(find<QPushButton>(*form, "Button3"), Qt::LeftButton);
        QTRY_COMPARE(finished.size(), bad == broken ? 2 : 3);
        QCOMPARE(finished.last().at(1).toBool(), false);
        QCOMPARE(m_shown.size(), 1);
        QVERIFY2(m_shown.first().text.contains(QFileInfo(bad).fileName()), qPrintable(m_shown.first().text));
        QVERIFY(form->grid(TForm3::Clientes) == before);
        QVERIFY(find<QPushButton>(*form, "Button3")->isEnabled());
    }
}

namespace {

QString writeCsv(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return path;
}

int countRows(const QString& database, const QString& table)
{
    Database db(database);
    QSqlQuery q(db.connection());
    q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table);
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace

void TestForm3::convertRunsOffTheWindowThread()
{
    SampleDatabase sample;
    sample.writeIni(sample.path().toUtf8());
    auto form = startWindow(sample.folder());
    QTRY_VERIFY(form->database() != nullptr);
    QTemporaryDir dir;
    find<QTabWidget>(*form, "PageControl1")->setCurrentIndex(TForm3::Categorias);
    QSignalSpy loaded(form.get(), &TForm3::loadFinished);
    Dialogs::setNextOpenFileName(writeCsv(dir, QStringLiteral("c.csv"), "Código;Nome\n1;Bebidas\n2;Limpeza\n;\n"));
    QTest::mouseClick(find<QPushButton>(*form, "Button9"), Qt::LeftButton);
    QTRY_COMPARE(loaded.size(), 1);

    find<QCheckBox>(*form, "checkboxCategoriasTitulos")->setChecked(true);
    QSignalSpy finished(form.get(), &TForm3::runFinished);
    QTest::mouseClick(find<QPushButton>(*form, "Button10"), Qt::LeftButton);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.first().at(1).toBool(), true);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.first().text, QStringLiteral("3 Categorias Importadas!"));
    QVERIFY2(m_shown.first().details.contains(QStringLiteral("Incluídas: 2")), qPrintable(m_shown.first().details));
    QCOMPARE(countRows(sample.path(), QStringLiteral("CATEGORIA")), 2);
    QCOMPARE(form->lastReport(TForm3::Categorias).rows().size(), size_t(3));
    QVERIFY(find<QPushButton>(*form, "Button10")->isEnabled());
    QVERIFY(find<QPushButton>(*form, "Button1")->isEnabled());

    // A dry run from the header box writes nothing and says so.
    m_shown.clear();
    find<QCheckBox>(*form, "CheckBoxCategoria")->setChecked(true);
    find<QCheckBox>(*form, "CheckBoxSimular")->setChecked(true);
    QTest::mouseClick(find<QPushButton>(*form, "Button10"), Qt::LeftButton);
    QTRY_COMPARE(finished.size(), 2);
    QVERIFY(m_shown.first().details.contains(QStringLiteral("Simulação")));
    QCOMPARE(countRows(sample.path(), QStringLiteral("CATEGORIA")), 2);
}

void TestForm3::cancelStopsTheRun()
{
    SampleDatabase sample;
    sample.writeIni(sample.path().toUtf8());
    auto form = startWindow(sample.folder());
    QTRY_VERIFY(form->database() != nullptr);
    QTemporaryDir dir;
    QByteArray csv;
    for (int i = 1; i <= 200000; ++i)
        csv += QByteArray::number(i) + ";Categoria " + QByteArray::number(i) + '\n';
    find<QTabWidget>(*form, "PageControl1")->setCurrentIndex(TForm3::Categorias);
    QSignalSpy loaded(form.get(), &TForm3::loadFinished);
    Dialogs::setNextOpenFileName(writeCsv(dir, QStringLiteral("muitas.csv"), csv));
    QTest::mouseClick(find<QPushButton>(*form, "Button9"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(loaded.size() == 1, 20000);

    QSignalSpy finished(form.get(), &TForm3::runFinished);
    QTest::mouseClick(find<QPushButton>(*form, "Button10"), Qt::LeftButton);
    auto* cancel = find<QPushButton>(*form, "ButtonCancelar5");
    QTRY_VERIFY(cancel->isVisible());
    // While the run goes on, no other run or load can start.
    QVERIFY(!find<QPushButton>(*form, "Button9")->isEnabled());
    QVERIFY(!find<QPushButton>(*form, "Button2")->isEnabled());
    QTRY_VERIFY(find<QProgressBar>(*form, "ProgressBar5")->value() > 0);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(finished.size() == 1, 30000);
    QCOMPARE(finished.first().at(1).toBool(), false);
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown.first().text.startsWith(QStringLiteral("Conversão cancelada")), qPrintable(m_shown.first().text));
    const int written = countRows(sample.path(), QStringLiteral("CATEGORIA"));
    QVERIFY2(written > 0 && written < 200000, qPrintable(QString::number(written)));
    QCOMPARE(form->lastReport(TForm3::Categorias).rows().size(), size_t(written));
    QVERIFY(!cancel->isVisible());
}

QTEST_MAIN(TestForm3)
#include "tst_form3.moc"
