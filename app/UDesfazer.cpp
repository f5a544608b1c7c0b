#include "UDesfazer.h"

#include "Dialogs.h"
#include "UndoRunner.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TfDesfazer::TfDesfazer(QString journalFolder, QString databaseName, QWidget* parent)
    : QDialog(parent), m_folder(std::move(journalFolder)), m_databaseName(std::move(databaseName))
{
    setObjectName(QStringLiteral("fDesfazer"));
    setWindowTitle(QStringLiteral("Desfazer conversão"));
    resize(720, 360);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("LabelDiarios"));
    m_label->setWordWrap(true);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListaDiarios"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_list, &QListWidget::currentRowChanged, this, &TfDesfazer::updateButtons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &TfDesfazer::desfazer);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressDesfazer"));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);

    m_desfazer = new QPushButton(QStringLiteral("Desfazer"), this);
    m_desfazer->setObjectName(QStringLiteral("ButtonDesfazerDiario"));
    m_desfazer->setAutoDefault(false);
    connect(m_desfazer, &QPushButton::clicked, this, &TfDesfazer::desfazer);
    m_fechar = new QPushButton(QStringLiteral("Fechar"), this);
    m_fechar->setObjectName(QStringLiteral("ButtonFechar"));
    m_fechar->setAutoDefault(false);
    connect(m_fechar, &QPushButton::clicked, this, &TfDesfazer::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_desfazer);
    buttons->addWidget(m_fechar);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);

    refresh();
}

TfDesfazer::~TfDesfazer() = default;

void TfDesfazer::refresh()
{
    m_journals = JournalReader::list(m_folder);
    m_list->clear();
    int chosen = -1;
    for (int i = 0; i < m_journals.size(); ++i) {
        const JournalSummary& j = m_journals.at(i);
        auto* item = new QListWidgetItem(j.describe(), m_list);
        item->setToolTip(QDir::toNativeSeparators(j.fileName));
        if (j.undone) {
            // Still listed, so that what was undone and when stays in view, but set apart.
            QFont font = item->font();
            font.setItalic(true);
            item->setFont(font);
            item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
        } else if (chosen < 0) {
            chosen = i;
        }
    }
    m_list->setCurrentRow(chosen);
    m_label->setText(m_journals.isEmpty()
                         ? QStringLiteral("Nenhuma conversão registrada em \"%1\".")
                               .arg(QDir::toNativeSeparators(m_folder))
                         : QStringLiteral("Conversões registradas em \"%1\", da mais recente à mais antiga:")
                               .arg(QDir::toNativeSeparators(m_folder)));
    updateButtons();
}

void TfDesfazer::desfazer()
{
    const int row = m_list->currentRow();
    if (m_runner || row < 0 || row >= m_journals.size())
        return;
    const JournalSummary& journal = m_journals.at(row);
    if (journal.undone) {
        Dialogs::message(this, Dialogs::Kind::Information,
                         UndoResult{true, journal.undoneAt}.lines(journal.fileName).join(u'\n'));
        emit undoFinished(false);
        return;
    }
    if (m_databaseName.isEmpty()) {
        Dialogs::message(this, Dialogs::Kind::Error,
                         QStringLiteral("Nenhum banco de dados em uso: o ConexaoFirebird.ini não foi lido. "
                                        "Nada foi desfeito."));
        emit undoFinished(false);
        return;
    }
    // The journal's rows are looked for by key; in another database they would be other rows.
    if (journal.databaseName != m_databaseName) {
        Dialogs::message(this, Dialogs::Kind::Error,
                         QStringLiteral("A conversão escolhida foi gravada no banco \"%1\", mas o banco em uso é "
                                        "\"%2\". Nada foi desfeito.")
                             .arg(journal.databaseName, m_databaseName));
        emit undoFinished(false);
        return;
    }
    startUndo(journal.fileName, false);
}

void TfDesfazer::startUndo(const QString& fileName, bool force)
{
    m_runner = std::make_unique<UndoRunner>(fileName, m_databaseName, force);
    connect(m_runner.get(), &UndoRunner::started, this, [this](int count) {
        m_progress->setRange(0, qMax(count, 1));
        m_progress->setValue(0);
    });
    connect(m_runner.get(), &UndoRunner::progress, m_progress, &QProgressBar::setValue);
    connect(m_runner.get(), &UndoRunner::finished, this, &TfDesfazer::undoDone);
    setBusy(true);
    m_runner->start();
}

void TfDesfazer::undoDone()
{
    std::unique_ptr<UndoRunner> runner = std::move(m_runner);
    const UndoRunner::Outcome outcome = runner->outcome();
    const QString fileName = runner->journal();
    const bool forced = runner->force();
    runner.reset();
    setBusy(false);

    if (outcome.ok) {
        m_progress->setValue(m_progress->maximum());
        Dialogs::message(this, Dialogs::Kind::Information, outcome.result.lines(fileName).join(u'\n'));
        refresh();
        emit undoFinished(!outcome.result.alreadyUndone);
        return;
    }
    m_progress->setValue(0);
    if (outcome.refused && !forced) {
        const bool force = Dialogs::message(
            this, Dialogs::Kind::Warning,
            QStringLiteral("Linhas gravadas pela conversão foram alteradas depois dela, e nada foi desfeito.\n"
                           "Desfazer mesmo assim passa por cima dessas alterações."),
            outcome.conflicts.join(u'\n'), QStringLiteral("Desfazer mesmo assim"));
        emit undoFinished(false);
        if (force)
            startUndo(fileName, true);
        return;
    }
    Dialogs::message(this, Dialogs::Kind::Error, outcome.error);
    emit undoFinished(false);
}

void TfDesfazer::setBusy(bool busy)
{
    m_list->setEnabled(!busy);
    m_fechar->setEnabled(!busy);
    updateButtons();
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TfDesfazer::updateButtons() { m_desfazer->setEnabled(!m_runner && m_list->currentRow() >= 0); }

void TfDesfazer::reject()
{
    // An undo under way finishes first: it is one transaction, and its outcome must be told.
    if (!m_runner)
        QDialog::reject();
}

void TfDesfazer::closeEvent(QCloseEvent* event)
{
    if (m_runner)
        event->ignore();
    else
        QDialog::closeEvent(event);
}
