#pragma once

#include "Dialogs.h"
#include "Grid.h"
#include "RunOptions.h"
#include "RunReport.h"
#include "UDesfazer.h"
#include "uTelegramAPIInterfaces.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class ConversionRunner;
class Database;
class Notifier;
class StringGridModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QWidget;

/// The main window: a header with the database in use and the layout help button, one tab per kind
/// of record, each with its load and convert buttons, its options, its progress bar and its grid,
/// and in the status bar the button that undoes a conversion.
class TForm3 : public QMainWindow {
    Q_OBJECT
public:
    /// The tabs, in their order.
    enum Tab { Produtos, Clientes, Fornecedores, Transportadoras, Categorias, Servicos, TabCount };

    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    /// The start-up sequence: read the ini file of the current folder, connect, show the database
    /// name, fill the default city code from company 1, select the first tab. Runs once, when the
    /// window is first shown.
    void FormShow();

    /// The grid of a tab, as the converters read it.
    const Grid& grid(Tab tab) const;
    /// Fills a tab's grid from a workbook, off the window's thread; the grid changes only when the
    /// whole sheet was read. Returns at once; `loadFinished` tells when it is done.
    void XlsToStringGrid(Tab tab, const QString& fileName);
    bool isLoading() const { return m_loading; }

    /// Runs a tab's converter, as its convert button does, off the window's thread. Returns at
    /// once; `runFinished` tells when the run is over.
    void convert(Tab tab);
    bool isRunning() const { return m_runner != nullptr; }
    /// The options of a tab as a run would take them now.
    RunOptions optionsFor(Tab tab) const;
    /// The per-row report of the tab's last run.
    const RunReport& lastReport(Tab tab) const { return m_lastReport[tab]; }
    /// The journal the last run kept; empty when it kept none.
    const QString& lastJournal() const { return m_lastJournal; }
    /// Where runs keep their journals: beside the ini file the start-up read.
    QString journalFolder() const;

    /// Opens the window that undoes a conversion, as the "Desfazer última conversão..." button
    /// does; it stays over this window until closed. Returns at once.
    void desfazerClicked();
    /// The undo window on screen, if any.
    TfDesfazer* undoWindow() const { return m_undoWindow; }

    /// The open database session; null when the start-up could not connect.
    Database* database() const { return m_database.get(); }
    /// True once a failed connection has ended the program.
    bool terminated() const { return m_terminated; }

    /// The Telegram client's error handler: a warning box with the error's text, shown on the
    /// window's thread; called from another thread it hands the box over and waits for it.
    void OnAPIError(const UserError& AExcept);

signals:
    void loadFinished(int tab, bool ok);
    void runFinished(int tab, bool ok);

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct TabControls {
        QWidget* sheet = nullptr;
        QPushButton* load = nullptr;
        QPushButton* convert = nullptr;
        QPushButton* cancel = nullptr;
        QProgressBar* progress = nullptr;
        QTableView* view = nullptr;
        StringGridModel* model = nullptr;
    };

    void buildHeader(QWidget* central);
    QWidget* buildTab(Tab tab, const QString& objectName, int loadNo, int convertNo, int gridNo);
    void buildProductOptions(QWidget* panel);
    void buildClientOptions(QWidget* panel);
    void loadClicked(Tab tab);
    void setBusy(bool busy);
    void runDone();
    void offerReport(Tab tab, Dialogs::Kind kind, const QString& text, QStringList details,
                     const ConversionRunner& run);
    void saveReport(Tab tab);
    void saveFailedRowsOf(Tab tab, const ConversionRunner& run);
    template <typename W> W* control(const char* objectName) const;
    void showError(const QString& text, const QString& details = {});
    void terminateProgram();

    void BitBtn1Click();
    void FormCreate();

    iTelegramAPI FTelegram;
    std::function<std::unique_ptr<Notifier>()> m_notifierFactory; // called on a run's thread
    std::unique_ptr<Database> m_database;
    QString m_databaseName;
    std::unique_ptr<ConversionRunner> m_runner;
    Tab m_runningTab = Produtos;
    RunReport m_lastReport[TabCount];
    QString m_workbook[TabCount];   // the file each tab's grid was read from
    QString m_lastJournal;
    QString m_iniFolder;            // the folder the start-up read ConexaoFirebird.ini from
    QPushButton* m_desfazer = nullptr;
    QPointer<TfDesfazer> m_undoWindow;
    QCheckBox* m_simular = nullptr;
    QCheckBox* m_continuar = nullptr;
    TabControls m_tabs[TabCount];
    QTabWidget* m_pages = nullptr;
    QLineEdit* m_editBanco = nullptr;
    QLineEdit* m_editCodCidade = nullptr;
    bool m_shown = false;
    bool m_loading = false;
    bool m_terminated = false;
};
