#include "UndoRunner.h"

#include "Database.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

class ThreadObserver : public RunObserver {
public:
    ThreadObserver(UndoRunner& runner, std::atomic<bool>& cancel) : m_runner(runner), m_cancel(cancel)
    {
        m_clock.start();
    }
    void started(int count) override { emit m_runner.started(count); }
    void progress(int change) override
    {
        // The bar needs no more than a few dozen updates a second.
        if (m_clock.elapsed() < 30 && change != 0)
            return;
        m_clock.restart();
        emit m_runner.progress(change);
    }
    bool cancelRequested() override { return m_cancel.load(); }

private:
    UndoRunner& m_runner;
    std::atomic<bool>& m_cancel;
    QElapsedTimer m_clock;
};

} // namespace

UndoRunner::UndoRunner(QString journal, QString databaseName, bool force, QObject* parent)
    : QObject(parent), m_journal(std::move(journal)), m_databaseName(std::move(databaseName)), m_force(force)
{
}

UndoRunner::~UndoRunner()
{
    if (m_thread) {
        // A cancelled undo rolls back as a whole.
        m_cancel.store(true);
        m_thread->wait();
        delete m_thread;
    }
}

void UndoRunner::start()
{
    m_thread = QThread::create([this] { work(); });
    connect(m_thread, &QThread::finished, this, &UndoRunner::finished);
    m_thread->start();
}

bool UndoRunner::isRunning() const { return m_thread && m_thread->isRunning(); }

void UndoRunner::work()
{
    try {
        Database db(m_databaseName);
        ThreadObserver observer(*this, m_cancel);
        m_outcome.result = undoJournal(m_journal, db, m_force, &observer);
        m_outcome.ok = true;
    } catch (const UndoRefused& e) {
        m_outcome.refused = true;
        m_outcome.conflicts = e.conflicts();
        m_outcome.error = e.message();
    } catch (const UserError& e) {
        m_outcome.error = e.message();
    } catch (const std::exception& e) {
        m_outcome.error = QString::fromUtf8(e.what());
    }
}
