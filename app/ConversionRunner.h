#pragma once

#include "ConversionRun.h"
#include "Grid.h"
#include "RunOptions.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class Notifier;
class QThread;

/// Runs one conversion on a thread of its own, with its own database connection (a connection
/// belongs to the thread that opened it), so the window keeps repainting and answering while it
/// goes on. Progress arrives through queued signals, at most a few dozen times a second.
class ConversionRunner : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        bool ok = false;
        RunResult result;       // when ok
        QString error;          // when not ok
        RunReport report;       // what was done before the error
        QString journal;        // the run's journal file; empty when it kept none
    };

    ConversionRunner(QString kind, Grid grid, RunOptions options, QString databaseName, QObject* parent = nullptr);
    ~ConversionRunner() override;

    /// Makes the notifier of the run's notice. It is called on the run's own thread, so what it
    /// makes may belong to that thread; without one the notice goes nowhere.
    using NotifierFactory = std::function<std::unique_ptr<Notifier>()>;
    void setNotifierFactory(NotifierFactory factory) { m_notifierFactory = std::move(factory); }

    /// Keeps the run's journal in `folder`, naming `workbook` (the file the grid was read from, or
    /// empty) as its source, so that the run can be undone. A dry run keeps none, and neither does
    /// a run without a folder. A journal that cannot be created stops the run before it writes.
    void setJournal(QString folder, QString workbook)
    {
        m_journalFolder = std::move(folder);
        m_workbook = std::move(workbook);
    }

    void start();
    /// Stops the run after the current row.
    void cancel() { m_cancel.store(true); }
    bool isRunning() const;
    const Outcome& outcome() const { return m_outcome; }
    /// The grid and options the run was given.
    const Grid& grid() const { return m_grid; }
    const RunOptions& options() const { return m_options; }

signals:
    void started(int rowCount);
    void progress(int row);
    void finished();

private:
    void work();

    QString m_kind;
    Grid m_grid;
    RunOptions m_options;
    QString m_databaseName;
    QString m_journalFolder;
    QString m_workbook;
    NotifierFactory m_notifierFactory;
    std::atomic<bool> m_cancel{false};
    Outcome m_outcome;
    QThread* m_thread = nullptr;
};
