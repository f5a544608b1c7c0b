#pragma once

#include "RunJournal.h"

#include <QDialog>
#include <QList>

#include <memory>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class UndoRunner;

/// The window that undoes a conversion: the journals of the folder, newest first (those already
/// undone marked so), the newest not undone chosen; undoing runs off the window's thread against
/// the window's database, and a journal of another database is refused.
class TfDesfazer : public QDialog {
    Q_OBJECT
public:
    TfDesfazer(QString journalFolder, QString databaseName, QWidget* parent = nullptr);
    ~TfDesfazer() override;

    /// Reads the folder's journals again and chooses the newest not undone.
    void refresh();
    /// Undoes the chosen journal, as the Desfazer button does. Returns at once; `undoFinished`
    /// tells when the undo is over.
    void desfazer();
    bool isUndoing() const { return m_runner != nullptr; }

    /// The journals listed, in the list's order.
    const QList<JournalSummary>& journals() const { return m_journals; }

signals:
    /// An undo attempt ended; `ok` when the database was changed back.
    void undoFinished(bool ok);

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void startUndo(const QString& fileName, bool force);
    void undoDone();
    void setBusy(bool busy);
    void updateButtons();

    QString m_folder;
    QString m_databaseName;
    QList<JournalSummary> m_journals;
    std::unique_ptr<UndoRunner> m_runner;
    QLabel* m_label = nullptr;
    QListWidget* m_list = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_desfazer = nullptr;
    QPushButton* m_fechar = nullptr;
};
