#include "UPrincipal.h"

#include "ConnectionSettings.h"
#include "ConversionRunner.h"
#include "ConverterKinds.h"
#include "Database.h"
#include "Dialogs.h"
#include "FailedRows.h"
#include "Query.h"
#include "RunJournal.h"
#include "StringGridModel.h"
#include "TelegramConfig.h"
#include "TelegramNotifier.h"
#include "ULayoutImportacao.h"
#include "WorkbookReader.h"
#include "uTelegramAPI.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kTopPanelHeight = 121;

QFont trebuchet(int pixels)
{
    QFont f(QStringLiteral("Trebuchet MS"));
    f.setPixelSize(pixels);
    return f;
}

template <typename W> W* place(W* widget, const char* objectName, int x, int y, int w = -1, int h = -1)
{
    widget->setObjectName(QLatin1String(objectName));
    if (w < 0)
        widget->adjustSize();
    widget->setGeometry(x, y, w < 0 ? widget->width() : w, h < 0 ? widget->height() : h);
    return widget;
}

QCheckBox* checkBox(QWidget* parent, const char* objectName, const QString& caption, int x, int y, bool ticked,
                    bool purple = false)
{
    auto* box = new QCheckBox(caption, parent);
    box->setChecked(ticked);
    if (purple)
        box->setStyleSheet(QStringLiteral("color: purple;"));
    return place(box, objectName, x, y);
}

} // namespace

TForm3::TForm3(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Vodivovar Excel para o Lumora Vs. 01/08/2022"));
    setFont(trebuchet(11));
    resize(892, 431);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildHeader(central);

    m_pages = new QTabWidget(central);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->addTab(buildTab(Produtos, QStringLiteral("TabSheet1"), 1, 2, 1), QStringLiteral("Produtos"));
    m_pages->addTab(buildTab(Clientes, QStringLiteral("TabSheet2"), 3, 4, 2), QStringLiteral("Clientes"));
    m_pages->addTab(buildTab(Fornecedores, QStringLiteral("TabSheet3"), 5, 6, 3), QStringLiteral("Fornecedores"));
    m_pages->addTab(buildTab(Transportadoras, QStringLiteral("TabSheet4"), 7, 8, 4), QStringLiteral("Transportadoras"));
    m_pages->addTab(buildTab(Categorias, QStringLiteral("TabSheet5"), 9, 10, 5), QStringLiteral("Categorias/Seções de Produtos"));
    m_pages->addTab(buildTab(Servicos, QStringLiteral("TabSheet6"), 11, 12, 6), QStringLiteral("Serviços"));
    m_pages->setCurrentIndex(0);
    layout->addWidget(m_pages, 1);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    // One for the whole window: it undoes a run of any tab, chosen from the journals.
    m_desfazer = new QPushButton(QStringLiteral("Desfazer última conversão..."), this);
    m_desfazer->setObjectName(QStringLiteral("ButtonDesfazer"));
    m_desfazer->setToolTip(QStringLiteral("Desfaz uma conversão gravada, escolhida entre as registradas nos diários."));
    connect(m_desfazer, &QPushButton::clicked, this, &TForm3::desfazerClicked);
    statusBar()->addPermanentWidget(m_desfazer);

    // The window fills the screen's work area.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    FormCreate();
}

TForm3::~TForm3() = default;

void TForm3::FormCreate()
{
    FTelegram = TTelegramAPI::New()
                    ->OnError([this](const UserError& e) { OnAPIError(e); })
                    ->SetUserID(cTelegram_Chat_ID)
                    ->SetBotToken(cTelegram_BotToken);
    // A run sends its notice from its own thread, through a client made there with the same set-up.
    m_notifierFactory = [this]() -> std::unique_ptr<Notifier> {
        return std::make_unique<TelegramNotifier>(
            TelegramNotifier::configuredClient([this](const UserError& e) { OnAPIError(e); }));
    };
}

void TForm3::OnAPIError(const UserError& AExcept)
{
    const QString text = AExcept.message();
    const auto show = [this, text] { Dialogs::message(this, Dialogs::Kind::Warning, text); };
    if (QThread::currentThread() == thread())
        show();
    else
        QMetaObject::invokeMethod(this, show, Qt::BlockingQueuedConnection);
}

void TForm3::buildHeader(QWidget* central)
{
    auto* panel = new QFrame(central);
    panel->setObjectName(QStringLiteral("Panel3"));
    panel->setFixedHeight(79);
    panel->setFrameShape(QFrame::StyledPanel);

    auto* label = place(new QLabel(QStringLiteral("Banco de Dados"), panel), "Label4", 21, 12);
    label->setFont(trebuchet(13));
    label->adjustSize();

    m_editBanco = place(new QLineEdit(panel), "EditBanco", 21, 34, 617, 26);
    m_editBanco->setReadOnly(true);
    m_editBanco->setFont(trebuchet(13));
    m_editBanco->setStyleSheet(QStringLiteral("QLineEdit { background-color: #E1E1E1; }"));

    // The help button belongs to the window itself, drawn over the header.
    auto* help = new QPushButton(style()->standardIcon(QStyle::SP_DialogHelpButton),
                                 QStringLiteral("Layout de Importação"), this);
    place(help, "BitBtn1", 696, 36, 153, 25);
    help->raise();
    connect(help, &QPushButton::clicked, this, &TForm3::BitBtn1Click);

    // Run options every tab shares.
    m_simular = checkBox(panel, "CheckBoxSimular", QStringLiteral("Simular (não grava)"), 870, 12, false);
    m_simular->setToolTip(QStringLiteral("Converte tudo e desfaz ao final: o relatório mostra o que aconteceria."));
    m_continuar = checkBox(panel, "CheckBoxContinuar", QStringLiteral("Continuar após erros"), 870, 40, false);
    m_continuar->setToolTip(QStringLiteral("Uma linha com erro é desfeita sozinha, relatada, e a conversão continua."));

    static_cast<QVBoxLayout*>(central->layout())->addWidget(panel);
}

QWidget* TForm3::buildTab(Tab tab, const QString& objectName, int loadNo, int convertNo, int gridNo)
{
    TabControls& c = m_tabs[tab];
    c.sheet = new QWidget;
    c.sheet->setObjectName(objectName);
    auto* layout = new QVBoxLayout(c.sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* panel = new QFrame(c.sheet);
    panel->setObjectName(objectName + QStringLiteral("Panel"));
    panel->setFixedHeight(kTopPanelHeight);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    panel->setPalette(pal);

    c.load = new QPushButton(QStringLiteral("Carregar Planilha Excel"), panel);
    c.load->setObjectName(QStringLiteral("Button%1").arg(loadNo));
    c.load->setGeometry(16, 16, 273, 46);
    c.load->setFont(trebuchet(16));
    connect(c.load, &QPushButton::clicked, this, [this, tab] { loadClicked(tab); });

    c.convert = new QPushButton(QStringLiteral("Converter >>>"), panel);
    c.convert->setObjectName(QStringLiteral("Button%1").arg(convertNo));
    c.convert->setGeometry(295, 16, 266, 46);
    c.convert->setFont(trebuchet(16));
    connect(c.convert, &QPushButton::clicked, this, [this, tab] { convert(tab); });

    // While the tab's run goes on, its convert button gives way to a cancel button.
    c.cancel = new QPushButton(QStringLiteral("Cancelar"), panel);
    c.cancel->setObjectName(QStringLiteral("ButtonCancelar%1").arg(gridNo));
    c.cancel->setGeometry(295, 16, 266, 46);
    c.cancel->setFont(trebuchet(16));
    c.cancel->hide();
    connect(c.cancel, &QPushButton::clicked, this, [this] {
        if (m_runner) {
            m_runner->cancel();
            m_tabs[m_runningTab].cancel->setEnabled(false);
            statusBar()->showMessage(QStringLiteral("Cancelando após a linha atual..."));
        }
    });

    c.progress = new QProgressBar(panel);
    c.progress->setObjectName(QStringLiteral("ProgressBar%1").arg(gridNo));
    c.progress->setGeometry(16, tab == Clientes ? 79 : 78, tab == Produtos ? 545 : 849, 27);
    c.progress->setTextVisible(false);
    c.progress->setValue(0);
    c.progress->setStyleSheet(QStringLiteral(
        "QProgressBar { background-color: aqua; border: 1px solid #7F7F7F; }"
        "QProgressBar::chunk { background-color: #379BFF; }"));

    switch (tab) {
    case Produtos: buildProductOptions(panel); break;
    case Clientes: buildClientOptions(panel); break;
    case Fornecedores:
        checkBox(panel, "CheckBoxFornecedoresTitulos", QStringLiteral("Planilha contém Títulos nas Colunas"), 575, 14, false);
        checkBox(panel, "CheckBoxFornecedores", QStringLiteral("Limpar tabela de Fornecedores"), 575, 40, false);
        break;
    case Transportadoras:
        checkBox(panel, "CheckBoxTransportadorasTitulos", QStringLiteral("Planilha contém Títulos nas Colunas"), 575, 14, false);
        checkBox(panel, "CheckBoxTransportadoras", QStringLiteral("Limpar tabela de Transportadoras"), 575, 40, false);
        break;
    case Categorias:
        checkBox(panel, "checkboxCategoriasTitulos", QStringLiteral("Planilha contém Títulos nas Colunas"), 575, 14, false);
        checkBox(panel, "CheckBoxCategoria", QStringLiteral("Limpar tabela de Categorias"), 575, 40, false);
        break;
    case Servicos:
        checkBox(panel, "CheckBoxServicosTitulos", QStringLiteral("Planilha contém Títulos nas Colunas"), 575, 14, true);
        checkBox(panel, "CheckBox2", QStringLiteral("Somente ajustar Preços?"), 575, 40, false);
        break;
    case TabCount: break;
    }
    layout->addWidget(panel);

    c.model = new StringGridModel(this);
    c.view = new QTableView(c.sheet);
    c.view->setObjectName(QStringLiteral("StringGrid%1").arg(gridNo));
    c.view->setModel(c.model);
    c.view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.view->setWordWrap(false);
    c.view->horizontalHeader()->setDefaultSectionSize(64);
    c.view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    c.view->verticalHeader()->setDefaultSectionSize(24);
    // A fixed row height keeps a 100,000-row grid as quick to show and scroll as a small one.
    c.view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    const QList<int> widths = tab == Clientes ? QList<int>{64, 138, 167, 157, 142}
                              : (tab == Fornecedores || tab == Transportadoras || tab == Categorias)
                                  ? QList<int>{64, 138, 160, 121, 64}
                                  : QList<int>{};
    for (int i = 0; i < widths.size(); ++i)
        c.view->setColumnWidth(i, widths.at(i));
    layout->addWidget(c.view, 1);
    return c.sheet;
}

void TForm3::buildProductOptions(QWidget* panel)
{
    checkBox(panel, "CheckBoxProdutosTitulos", QStringLiteral("Planilha contém Títulos nas Colunas"), 575, 6, true);
    checkBox(panel, "CheckBoxAjustarPreco", QStringLiteral("Somente ajustar Preços?"), 575, 28, false);
    checkBox(panel, "CheckBoxAjustarTributacao", QStringLiteral("Somente ajustar Tributação?"), 575, 50, false, true);
    checkBox(panel, "CheckBoxAjustarCest", QStringLiteral("Ajustar CEST?"), 800, 50, false, true);
    checkBox(panel, "CheckBoxAjustarNCM", QStringLiteral("Ajustar NCM?"), 800, 28, false, true);
    struct Cst { const char* label; const char* edit; const char* caption; const char* text; int x; };
    for (const Cst& cst : {Cst{"Label1", "EditCSTIPI", "CST IPI", "00", 575},
                           Cst{"Label2", "EditCSTPIS", "CST PIS", "06", 651},
                           Cst{"Label3", "EditCSTCOFINS", "CST COFINS", "06", 727}}) {
        place(new QLabel(QString::fromUtf8(cst.caption), panel), cst.label, cst.x, 74);
        place(new QLineEdit(QString::fromUtf8(cst.text), panel), cst.edit, cst.x, 92, 66, 24);
    }
}

void TForm3::buildClientOptions(QWidget* panel)
{
    checkBox(panel, "CheckBoxClientesTitulos", QStringLiteral("Planilha contém Títulos nas Colunas"), 575, 6, false);
    checkBox(panel, "CheckBoxClientes", QStringLiteral("Limpar tabela de Clientes"), 575, 30, false);
    place(new QLabel(QStringLiteral("Formato campos DATA"), panel), "Label6", 575, 56);
    auto* combo = new QComboBox(panel);
    combo->addItems({QStringLiteral("AAAA-MM-DD"), QStringLiteral("DD/MM/AA"), QStringLiteral("DD/MM/AAAA")});
    combo->setCurrentIndex(0);
    place(combo, "ComboBoxFormatoData", 720, 52, 130, 24);
    place(new QLabel(QStringLiteral("Cod. Ibge Padrão"), panel), "Label5", 880, 6);
    m_editCodCidade = place(new QLineEdit(panel), "EditCod_Cidade", 880, 26, 110, 24);
}

void TForm3::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // Let the window appear before the start-up sequence talks to the database.
    QTimer::singleShot(0, this, &TForm3::FormShow);
}

void TForm3::FormShow()
{
    QString bancoDeDados;
    m_iniFolder = QDir::currentPath();
    try {
        bancoDeDados = ConnectionSettings::readDatabaseName(m_iniFolder);
    } catch (const UserError& e) {
        // The window stays open without a connection; database work later fails with its own error.
        showError(e.message());
        return;
    }

    m_database.reset();
    m_databaseName = bancoDeDados;
    m_editBanco->setText(bancoDeDados);
    m_editBanco->setCursorPosition(0);
    QCoreApplication::processEvents();

    try {
        m_database = std::make_unique<Database>(bancoDeDados);
    } catch (const UserError& e) {
        Dialogs::message(this, Dialogs::Kind::Error, QStringLiteral("Erro ao Tentar Conectar!"), e.message());
        QCoreApplication::processEvents();
        terminateProgram();
        return;
    }

    try {
        Query cdsEmpresa(*m_database, QStringLiteral("CDSEmpresa"));
        cdsEmpresa.open(QStringLiteral(" SELECT E.* , C.*, D.* FROM EMPRESA E  LEFT JOIN CIDADE C ON (C.COD_CIDADE = "
                                       "E.COD_CIDADE)  LEFT JOIN ESTADO D ON (D.COD_ESTADO = C.COD_ESTADO)  WHERE "
                                       "E.CODIGO_EMPRESA = 1"));
        if (!cdsEmpresa.isEmpty())
            m_editCodCidade->setText(cdsEmpresa.asText(QStringLiteral("COD_CIDADE")));
    } catch (const UserError& e) {
        showError(e.message());
    }
    m_pages->setCurrentIndex(0);
}

void TForm3::terminateProgram()
{
    m_terminated = true;
    close();
    QCoreApplication::exit(1);
}

const Grid& TForm3::grid(Tab tab) const { return m_tabs[tab].model->grid(); }

void TForm3::loadClicked(Tab tab)
{
    const QString fileName = Dialogs::openFileName(this, QCoreApplication::applicationDirPath());
    if (fileName.isEmpty())
        return;
    XlsToStringGrid(tab, fileName);
}

void TForm3::XlsToStringGrid(Tab tab, const QString& fileName)
{
    if (m_loading || m_runner)
        return;
    m_loading = true;
    setBusy(true);
    TabControls& c = m_tabs[tab];
    c.progress->setRange(0, 0);
    statusBar()->showMessage(QStringLiteral("Lendo %1...").arg(QDir::toNativeSeparators(fileName)));

    // The sheet is read on a thread of its own so the window keeps repainting; the grid is replaced
    // only once the whole block has been read.
    struct Result {
        Grid grid;
        QString error;
        bool ok = false;
    };
    auto result = std::make_shared<Result>();
    const RegionalSettings& regional = RegionalSettings::system();
    QThread* worker = QThread::create([result, fileName, &regional] {
        try {
            result->grid = readWorkbook(fileName, regional);
            result->ok = true;
        } catch (const UserError& e) {
            result->error = e.message();
        } catch (const std::exception& e) {
            result->error = QStringLiteral("Não foi possível ler a planilha \"%1\": %2")
                                .arg(fileName, QString::fromUtf8(e.what()));
        }
    });
    connect(worker, &QThread::finished, this, [this, worker, result, tab, fileName] {
        worker->deleteLater();
        TabControls& tc = m_tabs[tab];
        tc.progress->setRange(0, 100);
        tc.progress->setValue(0);
        m_loading = false;
        setBusy(false);
        if (result->ok) {
            const int rows = result->grid.rowCount();
            const int cols = result->grid.columnCount();
            tc.model->setGrid(std::move(result->grid));
            m_workbook[tab] = QFileInfo(fileName).absoluteFilePath();
            statusBar()->showMessage(QStringLiteral("%1: %2 linhas, %3 colunas")
                                         .arg(QFileInfo(fileName).fileName())
                                         .arg(rows)
                                         .arg(cols));
        } else {
            statusBar()->clearMessage();
            showError(result->error);
        }
        emit loadFinished(tab, result->ok);
    });
    worker->start();
}

void TForm3::setBusy(bool busy)
{
    for (TabControls& c : m_tabs) {
        c.load->setEnabled(!busy);
        c.convert->setEnabled(!busy);
    }
    m_desfazer->setEnabled(!busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TForm3::showError(const QString& text, const QString& details)
{
    Dialogs::message(this, Dialogs::Kind::Error, text, details);
}

void TForm3::BitBtn1Click()
{
    if (!fLayoutImportacao)
        fLayoutImportacao = new TfLayoutImportacao(this);
    // Freed on every way out, so that the next click builds a fresh window.
    struct Release {
        ~Release()
        {
            delete fLayoutImportacao;
            fLayoutImportacao = nullptr;
        }
    } release;
    fLayoutImportacao->exec();
}

template <typename W> W* TForm3::control(const char* objectName) const
{
    return findChild<W*>(QLatin1String(objectName));
}

RunOptions TForm3::optionsFor(Tab tab) const
{
    const auto ticked = [this](const char* name) {
        auto* box = control<QCheckBox>(name);
        return box && box->isChecked();
    };
    const auto text = [this](const char* name) {
        auto* edit = control<QLineEdit>(name);
        return edit ? edit->text() : QString();
    };
    RunOptions o;
    o.simular = m_simular->isChecked();
    o.continuar = m_continuar->isChecked();
    o.codCidade = m_editCodCidade->text();
    switch (tab) {
    case Produtos:
        o.titulos = ticked("CheckBoxProdutosTitulos");
        o.ajustarPrecos = ticked("CheckBoxAjustarPreco");
        o.ajustarTributacao = ticked("CheckBoxAjustarTributacao");
        o.ajustarNcm = ticked("CheckBoxAjustarNCM");
        o.ajustarCest = ticked("CheckBoxAjustarCest");
        o.cstIpi = text("EditCSTIPI");
        o.cstPis = text("EditCSTPIS");
        o.cstCofins = text("EditCSTCOFINS");
        break;
    case Clientes:
        o.titulos = ticked("CheckBoxClientesTitulos");
        o.limpar = ticked("CheckBoxClientes");
        o.formatoData = control<QComboBox>("ComboBoxFormatoData")->currentIndex();
        break;
    case Fornecedores:
        o.titulos = ticked("CheckBoxFornecedoresTitulos");
        o.limpar = ticked("CheckBoxFornecedores");
        break;
    case Transportadoras:
        o.titulos = ticked("CheckBoxTransportadorasTitulos");
        o.limpar = ticked("CheckBoxTransportadoras");
        break;
    case Categorias:
        o.titulos = ticked("checkboxCategoriasTitulos");
        o.limpar = ticked("CheckBoxCategoria");
        break;
    case Servicos:
        o.titulos = ticked("CheckBoxServicosTitulos");
        o.ajustarPrecosServicos = ticked("CheckBox2");
        // The products tab's tax box also holds back a service run.
        o.ajustarTributacao = ticked("CheckBoxAjustarTributacao");
        break;
    case TabCount: break;
    }
    return o;
}

void TForm3::convert(Tab tab)
{
    if (m_loading || m_runner)
        return;
    const QString kind = ConverterKinds::all().at(tab);
    m_runningTab = tab;
    m_runner = std::make_unique<ConversionRunner>(kind, grid(tab), optionsFor(tab), m_databaseName);
    m_runner->setNotifierFactory(m_notifierFactory);
    m_runner->setJournal(journalFolder(), m_workbook[tab]);
    TabControls& c = m_tabs[tab];
    connect(m_runner.get(), &ConversionRunner::started, this, [&c](int rows) {
        c.progress->setRange(0, qMax(rows, 1));
        c.progress->setValue(0);
    });
    connect(m_runner.get(), &ConversionRunner::progress, c.progress, &QProgressBar::setValue);
    connect(m_runner.get(), &ConversionRunner::finished, this, &TForm3::runDone);
    setBusy(true);
    c.convert->hide();
    c.cancel->setEnabled(true);
    c.cancel->show();
    statusBar()->showMessage(QStringLiteral("Convertendo %1...").arg(m_pages->tabText(tab)));
    m_runner->start();
}

void TForm3::runDone()
{
    const Tab tab = m_runningTab;
    TabControls& c = m_tabs[tab];
    // The runner's thread is over; it is kept until the closing box is done, for the grid and
    // options the run was given.
    const std::unique_ptr<ConversionRunner> runner = std::move(m_runner);
    const ConversionRunner::Outcome& outcome = runner->outcome();
    c.cancel->hide();
    c.convert->show();
    setBusy(false);
    statusBar()->clearMessage();
    m_lastReport[tab] = outcome.report;
    m_lastJournal = outcome.journal;
    if (!outcome.ok) {
        offerReport(tab, Dialogs::Kind::Error, outcome.error, outcome.report.summaryLines(), *runner);
    } else if (outcome.result.cancelled) {
        offerReport(tab, Dialogs::Kind::Warning,
                    QStringLiteral("Conversão cancelada antes da linha %1 da planilha. As linhas anteriores "
                                   "foram gravadas.")
                        .arg(outcome.result.stoppedAtRow + 1),
                    outcome.result.details(), *runner);
    } else {
        offerReport(tab, Dialogs::Kind::Information, outcome.result.closingMessage, outcome.result.details(),
                    *runner);
    }
    emit runFinished(tab, outcome.ok && !outcome.result.cancelled);
}

void TForm3::offerReport(Tab tab, Dialogs::Kind kind, const QString& text, QStringList details,
                         const ConversionRunner& run)
{
    const QString report = QStringLiteral("Salvar relatório...");
    const QString failedRows = QStringLiteral("Salvar linhas com falha...");
    if (!run.outcome().journal.isEmpty())
        details << QStringLiteral("Diário da conversão: %1").arg(QDir::toNativeSeparators(run.outcome().journal));
    QStringList choices;
    if (!m_lastReport[tab].rows().empty())
        choices << report;
    // A run ended by an error never reached the rows after it; a workbook of its failures alone
    // would leave them out when converted again.
    if (run.outcome().ok && m_lastReport[tab].count(RowOutcome::Failed) > 0)
        choices << failedRows;
    const int chosen = Dialogs::message(this, kind, text, details.join(u'\n'), choices);
    const QString choice = chosen > 0 ? choices.at(chosen - 1) : QString();
    if (choice == report)
        saveReport(tab);
    else if (choice == failedRows)
        saveFailedRowsOf(tab, run);
}

void TForm3::saveReport(Tab tab)
{
    const QString suggestion = QDir(QDir::currentPath())
                                   .filePath(QStringLiteral("relatorio-%1.csv").arg(ConverterKinds::all().at(tab)));
    const QString fileName = Dialogs::saveFileName(this, suggestion, QStringLiteral("CSV (*.csv)"));
    if (fileName.isEmpty())
        return;
    QString error;
    if (!m_lastReport[tab].saveCsv(fileName, &error))
        showError(QStringLiteral("Não foi possível gravar o relatório \"%1\": %2").arg(fileName, error));
}

void TForm3::saveFailedRowsOf(Tab tab, const ConversionRunner& run)
{
    const QString kind = ConverterKinds::all().at(tab);
    const QString suggestion = QDir(QDir::currentPath()).filePath(QStringLiteral("%1-falhas.xlsx").arg(kind));
    QString fileName =
        Dialogs::saveFileName(this, suggestion, QStringLiteral("Pasta de trabalho do Excel (*.xlsx)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".xlsx");
    // The grid as the run read it, so that the rows the report names are the ones written out.
    const std::unique_ptr<Converter> converter = ConverterKinds::create(kind);
    QString error;
    if (!saveFailedRows(run.grid(), m_lastReport[tab], run.options().titulos, fileName, &error,
                        converter ? converter->columnsRead() : 0))
        showError(QStringLiteral("Não foi possível gravar as linhas com falha \"%1\": %2").arg(fileName, error));
}

QString TForm3::journalFolder() const
{
    return RunJournal::folderBeside(m_iniFolder.isEmpty() ? QDir::currentPath() : m_iniFolder);
}

void TForm3::desfazerClicked()
{
    if (m_loading || m_runner)
        return;
    if (m_undoWindow) {
        m_undoWindow->raise();
        m_undoWindow->activateWindow();
        return;
    }
    auto* window = new TfDesfazer(journalFolder(), m_databaseName, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_undoWindow = window;
    window->open();
}
