// The layout help: its 84 lines compared one by one with the layouts as they are documented, the
// window as designed, the "Layout de Importação" button showing it modally with a fresh window
// after the first, and blank workbooks saved from the window and from the command line, read back
// through the loader.
#include "CommandLineRun.h"
#include "Dialogs.h"
#include "LayoutImportacao.h"
#include "ULayoutImportacao.h"
#include "UPrincipal.h"
#include "WorkbookReader.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

QString b(int blanks)
{
    return QString(blanks, u' ');
}

QStringList expectedLines()
{
    const QString col = QStringLiteral("Coluna ");
    return {
        QStringLiteral("Importação de Dados para o Lumora através de Planilha do Excel"),
        QString(),
        QStringLiteral("- Produtos"),
        QString(),
        col + QStringLiteral("A 001 – Código do Produto (*)") + b(21) +
            QStringLiteral(
                "OBS: Caso não tenha o código, deve-se criar a coluna e atribuir um número sequencial."),
        col + QStringLiteral("B 002 – Referencia – Código de Barras") + b(9) +
            QStringLiteral(
                "OBS: Caso não tenha informação, será atribuído o mesmo valor do código do produto."),
        col + QStringLiteral("C 003 - Nome do Produto (*)"),
        col + QStringLiteral("D 004 - Valor de Venda") + b(32) +
            QStringLiteral("OBS: Não é obrigatório, mas altamente recomendado."),
        col + QStringLiteral("E 005 - Código NCM") + b(37) +
            QStringLiteral("OBS: Caso não tenha a informação será atribuido 99999999. Obrigatório caso for "
                           "emitir NFE/NFCE."),
        col + QStringLiteral("F 006 - Valor de Custo"),
        col + QStringLiteral("G 007 - Margem de Lucro") + b(29) +
            QStringLiteral(
                "OBS: Será calculado automaticamente caso os valores de venda e custos estejam informados."),
        col + QStringLiteral("H 008 - Unidade") + b(43) +
            QStringLiteral("OBS: Será atribuido a unidade UN, caso não tiver essa informação."),
        col + QStringLiteral("I 009 - Código do Tipo de Tributação") + b(13) +
            QStringLiteral("OBS: Tem que ser pré cadastrada no Sistema"),
        QString(),
        col + QStringLiteral("J 010 - Localização"),
        col + QStringLiteral("K 011 - Saldo atual") + b(39) +
            QStringLiteral(
                "OBS:  Para importação do saldo é necessário ir no Vandor, acessar o menu de Controle de "
                "Estoque/Movimentação/Ajuste de Estoque/Novo [F3]  e  abrir a mesma planilha ao clicar no "
                "botão \"Iimportar Saldo\""),
        col + QStringLiteral("L 012 - Categoria") + b(41) +
            QStringLiteral(
                "OBS: Será incluído a categoria no cadastro de categorias caso não exista (pesquisa pela "
                "descrição da categoria)"),
        col + QStringLiteral("M 013 - Codigo do Fabricante"),
        col + QStringLiteral("N 014 - Marca"),
        col + QStringLiteral("O 015 - Peso Líquido"),
        col + QStringLiteral("P 016 - Peso Bruto"),
        col + QStringLiteral("Q 017 - Ativo/Inativo") + b(35) +
            QStringLiteral("OBS: S para Ativo e N para Inativo"),
        col + QStringLiteral("R 018 - CST/CSOSN") + b(36) +
            QStringLiteral("OBS: Se preenchido, tem que estar previamente cadastrado a tributação."),
        col + QStringLiteral("S 019 - CST PIS") + b(42) +
            QStringLiteral(
                "OBS: Se não for informado, irá buscar a informação padrão informada na tela de conversão."),
        col + QStringLiteral("T 020 - CST COFINS") + b(36) +
            QStringLiteral(
                "OBS: Se não for informado, irá buscar a informação padrão informada na tela de conversão."),
        col + QStringLiteral("U 021 - CEST") + b(47) +
            QStringLiteral("OBS: Se não for informado, irá buscar baseado no NCM"),
        col + QStringLiteral("V 022 - Caminho imagem") + b(30),
        col + QStringLiteral("W 023 - Codigo do Fornecedor") + b(18) +
            QStringLiteral("OBS: Deve existir o fornecedor com o mesmo ID já importado ou cadastrado"),
        col + QStringLiteral("X 024 - Complemento descrição 1") + b(14) +
            QStringLiteral("OBS: Irá incluir no nome do produto exemplo: ROSA - Cor do Produto"),
        col + QStringLiteral("Y 025 - Complemento descricão 2") + b(13) +
            QStringLiteral("OBS: Irá incluir no nome do produto exemplo: GG - Tamanho do produto"),
        col + QStringLiteral("Z 026 - Quantidade Estoque Mínimo") + b(9) +
            QStringLiteral("OBS: Estoque recomendado"),
        QString(),
        QString(),
        QString(),
        QString(),
        QStringLiteral("- Clientes"),
        QString(),
        col + QStringLiteral("A 001 - Nome do Cliente - Razão Social (*)"),
        col + QStringLiteral("B 002 - Nome Fantasia (*)") + b(35) +
            QStringLiteral("OBS: Caso não tenha a informação, duplique a coluna de Razão Social."),
        col + QStringLiteral("C 003 - CPF ou CNPJ") + b(4) + QStringLiteral("(*)"),
        col + QStringLiteral("D 004 - Inscrição Estadual ou ISENTO") + b(16),
        col + QStringLiteral("E 005 - CEP"),
        col + QStringLiteral("F 006 - Endereço"),
        col + QStringLiteral("G 007 - Numero"),
        col + QStringLiteral("H 008 - Complemento de Endereço"),
        col + QStringLiteral("I 009 - Bairro"),
        col + QStringLiteral("J 010 - Codigo Ibge Cidade"),
        QString(),
        col + QStringLiteral("K 011 - Cidade (Necessário se Codigo Ibge Cidade não preenchido)"),
        col + QStringLiteral("L 012 - Estado (Necessário se Codigo Ibge Cidade não preenchido)"),
        col + QStringLiteral("M 013 - Sexo"),
        col + QStringLiteral("N 014 - Data Nascimento (formato AAAA-MM-DD)"),
        col + QStringLiteral("O 015 - Telefone"),
        col + QStringLiteral("P 016 - Fax"),
        col + QStringLiteral("Q 017 - Profissão"),
        col + QStringLiteral("R 018 - Contato"),
        col + QStringLiteral("S 019 - Observacao"),
        col + QStringLiteral("T 020 - Identidade"),
        col + QStringLiteral("U 021 - Filiação"),
        col + QStringLiteral("V 022 - CNPJ") + b(5) +
            QStringLiteral("(caso já não esteja na coluna (CNPJ/CPF)"),
        col + QStringLiteral("W 23 - Email"),
        col + QStringLiteral("X 024 - Data de Cadastro (formato AAAA-MM-DD)"),
        col + QStringLiteral("Y 025 - Data de Última Compra (formato AAAA-MM-DD)"),
        col + QStringLiteral("Z 026 - Apelido"),
        col + QStringLiteral("AA 027 - Celular"),
        QString(),
        QString(),
        QStringLiteral("- Fornecedores / Transportadoras"),
        col + QStringLiteral("A 001 - Razão Social"),
        col + QStringLiteral("B 002 - Nome Fantasia"),
        col + QStringLiteral("C 003 - CPF ou CNPJ"),
        col + QStringLiteral("D 004 - Inscrição Estadual ou ISENTO"),
        col + QStringLiteral("E 005 - CEP"),
        col + QStringLiteral("F 006 - Endereço"),
        col + QStringLiteral("G 007 - Numero"),
        col + QStringLiteral("H 008 - Complemento de Endereço"),
        col + QStringLiteral("I 009 - Bairro"),
        col + QStringLiteral("J 010 - Codigo Ibge Cidade"),
        col + QStringLiteral("K 011 - Telefone"),
        col + QStringLiteral("L 012 - Fax"),
        col + QStringLiteral("M 013 - Contato"),
        col + QStringLiteral("N 014 - Observação"),
        col + QStringLiteral("O 015 - Email"),
        col + QStringLiteral("P 016 - Data de Cadastro (formato AAAA-MM-DD)"),
    };
}

void compareLines(const QStringList& actual, const QStringList& expected)
{
    QCOMPARE(actual.size(), 84);
    for (int i = 0; i < 84; ++i)
        QVERIFY2(actual.at(i) == expected.at(i),
                 qPrintable(QStringLiteral("line %1:\n  got      \"%2\"\n  expected \"%3\"")
                                .arg(i + 1)
                                .arg(actual.at(i), expected.at(i))));
}

// The meaning of each column line of one block of the expected text ("Coluna X 001 - meaning"),
// notes and trailing blanks cut off.
QStringList meanings(int firstLine, int lastLine)
{
    QStringList out;
    const QStringList lines = expectedLines();
    for (int i = firstLine - 1; i < lastLine; ++i) {
        QString line = lines.at(i);
        if (line.isEmpty())
            continue;
        line = line.section(u' ', 3); // after "Coluna", the letter and the number
        line = line.mid(2);           // the dash and its blank
        const qsizetype obs = line.indexOf(QStringLiteral("OBS:"));
        if (obs >= 0)
            line = line.left(obs);
        while (line.endsWith(u' '))
            line.chop(1);
        out << line;
    }
    return out;
}

QStringList firstRow(const QString& path)
{
    const Grid g = readWorkbook(path);
    QStringList row;
    for (int c = 0; c < g.columnCount(); ++c)
        row << g.cell(c, 0);
    if (g.rowCount() != 1)
        qWarning("%d rows", g.rowCount());
    return row;
}


} // namespace

class TestLayoutHelp : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void textMatchesLineByLine();
    void windowAsDesigned();
    void buttonShowsTheHelpModallyAndFreesIt();
    void templatesFromTheWindow_data();
    void templatesFromTheWindow();
    void cancelledSaveWritesNothing();
    void templateCommand();
    void templateCommandErrors_data();
    void templateCommandErrors();

private:
    QStringList m_shown;
};

void TestLayoutHelp::init()
{
    m_shown.clear();
    Dialogs::setMessageHook([this](Dialogs::Kind, const QString& text, const QString&) {
        m_shown << text;
        return false;
    });
}

void TestLayoutHelp::cleanup()
{
    Dialogs::setMessageHook({});
    delete fLayoutImportacao;
    QVERIFY(fLayoutImportacao == nullptr);
}

void TestLayoutHelp::textMatchesLineByLine()
{
    compareLines(LayoutImportacao::texto(), expectedLines());
    TfLayoutImportacao window;
    compareLines(window.Memo1->toPlainText().split(u'\n'), expectedLines());
}

void TestLayoutHelp::windowAsDesigned()
{
    TfLayoutImportacao window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Layout para imporação"));
    QCOMPARE(window.size(), QSize(689, 465));
    QCOMPARE(window.font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(window.font().pixelSize(), 11);
    QPlainTextEdit* memo = window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    QVERIFY(memo && memo == window.Memo1);
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(memo->font().pixelSize(), 13);
    QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The text box takes the window's whole width and all its height but the button row.
    QCOMPARE(memo->geometry().width(), window.width());
    QVERIFY(memo->geometry().height() > window.height() - 60);
    auto* save = window.findChild<QPushButton*>(QStringLiteral("ButtonSalvarModelo"));
    QVERIFY(save);
    QCOMPARE(save->text(), QStringLiteral("Salvar modelo..."));
    QVERIFY(save->menu());
    QCOMPARE(save->menu()->actions().size(), 3);
}

void TestLayoutHelp::buttonShowsTheHelpModallyAndFreesIt()
{
    TForm3 form;
    // As the program's entry does: one window made at start-up.
    fLayoutImportacao = new TfLayoutImportacao(&form);
    QPointer<TfLayoutImportacao> startUpWindow = fLayoutImportacao;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    pages->setCurrentIndex(3);
    auto* button = form.findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    QVERIFY(button);

    for (int click = 1; click <= 3; ++click) {
        QPointer<TfLayoutImportacao> shown;
        bool seen = false;
        bool modal = false;
        QString text;
        QTimer probe;
        connect(&probe, &QTimer::timeout, this, [&] {
            auto* window = qobject_cast<TfLayoutImportacao*>(QApplication::activeModalWidget());
            if (!window || !window->isVisible())
                return;
            probe.stop();
            seen = true;
            shown = window;
            // The window on screen is the unit's current one, and it blocks the main window.
            modal = window->isModal() && window == fLayoutImportacao && window->parentWidget() == &form;
            if (click == 1)
                modal = modal && window == startUpWindow;
            text = window->Memo1->toPlainText();
            window->reject();
        });
        probe.start(20);
        button->click();
        QVERIFY2(seen, "no help window was shown");
        QVERIFY(modal);
        QVERIFY(shown.isNull()); // freed once closed
        QVERIFY(fLayoutImportacao == nullptr);
        QCOMPARE(text, expectedLines().join(u'\n'));
        if (click == 1)
            QVERIFY(startUpWindow.isNull());
        QCOMPARE(pages->currentIndex(), 3);
    }
}

void TestLayoutHelp::templatesFromTheWindow_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("firstLine");
    QTest::addColumn<int>("lastLine");
    QTest::addColumn<int>("columns");
    QTest::newRow("products") << QStringLiteral("ActionModeloProdutos") << 5 << 31 << 26;
    QTest::newRow("clients") << QStringLiteral("ActionModeloClientes") << 38 << 65 << 27;
    QTest::newRow("suppliers and carriers") << QStringLiteral("ActionModeloFornecedores") << 69 << 84 << 16;
}

void TestLayoutHelp::templatesFromTheWindow()
{
    QFETCH(QString, action);
    QFETCH(int, firstLine);
    QFETCH(int, lastLine);
    QFETCH(int, columns);
    QTemporaryDir dir;
    TfLayoutImportacao window;
    // A name without a suffix gets ".xlsx".
    Dialogs::setNextSaveFileName(dir.filePath(QStringLiteral("modelo")));
    auto* trigger = window.findChild<QAction*>(action);
    QVERIFY(trigger);
    trigger->trigger();
    const QString path = dir.filePath(QStringLiteral("modelo.xlsx"));
    QVERIFY(QFile::exists(path));
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown.first().contains(QStringLiteral("Modelo gravado")), qPrintable(m_shown.first()));

    const QStringList titles = firstRow(path);
    QCOMPARE(titles.size(), columns);
    QCOMPARE(titles, meanings(firstLine, lastLine));
    QCOMPARE(titles, LayoutImportacao::colunas(columns == 26   ? LayoutImportacao::Layout::Produtos
                                               : columns == 27 ? LayoutImportacao::Layout::Clientes
                                                               : LayoutImportacao::Layout::Fornecedores));
}

void TestLayoutHelp::cancelledSaveWritesNothing()
{
    QTemporaryDir dir;
    TfLayoutImportacao window;
    Dialogs::setNextSaveFileName(QString());
    window.salvarModelo(LayoutImportacao::Layout::Clientes);
    QVERIFY(m_shown.isEmpty());
    QVERIFY(QDir(dir.path()).isEmpty());

    // A folder that does not exist: the error is shown, nothing is left behind.
    Dialogs::setNextSaveFileName(dir.filePath(QStringLiteral("falta/modelo.xlsx")));
    window.salvarModelo(LayoutImportacao::Layout::Clientes);
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown.first().startsWith(QStringLiteral("Não foi possível gravar o modelo")),
             qPrintable(m_shown.first()));
}

void TestLayoutHelp::templateCommand()
{
    QTemporaryDir dir;
    const QString produtos = dir.filePath(QStringLiteral("produtos.xlsx"));
    CliResult r = runCli({QStringLiteral("modelo"), QStringLiteral("produtos"), produtos});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QCOMPARE(firstRow(produtos), meanings(5, 31));

    const QString fornecedores = dir.filePath(QStringLiteral("fornecedores.xlsx"));
    r = runCli({QStringLiteral("modelo"), QStringLiteral("fornecedores"), fornecedores});
    QCOMPARE(r.status, 0);
    const QStringList titles = firstRow(fornecedores);
    QCOMPARE(titles.first(), QStringLiteral("Razão Social"));
    QCOMPARE(titles.last(), QStringLiteral("Data de Cadastro (formato AAAA-MM-DD)"));
    QCOMPARE(titles, meanings(69, 84));

    // The command is listed in the usage.
    QVERIFY(commandLineUsage().contains(
        QStringLiteral("conversor modelo produtos|clientes|fornecedores ARQUIVO.xlsx")));
}

void TestLayoutHelp::templateCommandErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("usage");
    QTest::newRow("nothing") << QStringList{QStringLiteral("modelo")} << true;
    QTest::newRow("no file") << QStringList{QStringLiteral("modelo"), QStringLiteral("clientes")} << true;
    QTest::newRow("unknown kind") << QStringList{QStringLiteral("modelo"), QStringLiteral("servicos"),
                                                 QStringLiteral("s.xlsx")}
                                  << true;
    QTest::newRow("too many") << QStringList{QStringLiteral("modelo"), QStringLiteral("clientes"),
                                             QStringLiteral("a.xlsx"), QStringLiteral("b.xlsx")}
                              << true;
    QTest::newRow("missing folder") << QStringList{QStringLiteral("modelo"), QStringLiteral("clientes"),
                                                   QStringLiteral("/nao/existe/c.xlsx")}
                                    << false;
}

void TestLayoutHelp::templateCommandErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, usage);
    const CliResult r = runCli(arguments);
    QCOMPARE(r.status, 2);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err.contains(QStringLiteral("Uso: conversor modelo")), usage);
    QVERIFY(!r.err.isEmpty());
}

QTEST_MAIN(TestLayoutHelp)
#include "tst_layout_help.moc"
