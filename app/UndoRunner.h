#pragma once

#include "UndoRun.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>

class QThread;

/// Undoes one journal on a thread of its own, with its own database connection, as a conversion
/// runs, so that the window keeps answering while it goes on.
class UndoRunner : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        bool ok = false;
        UndoResult result;      // when ok
        bool refused = false;   // rows were changed since the run; nothing was changed
        QStringList conflicts;  // when refused
        QString error;          // when not ok
    };

    UndoRunner(QString journal, QString databaseName, bool force, QObject* parent = nullptr);
    ~UndoRunner() override;

    void start();
    bool isRunning() const;
    const QString& journal() const { return m_journal; }
    bool force() const { return m_force; }
    const Outcome& outcome() const { return m_outcome; }

signals:
    void started(int changeCount);
    void progress(int change);
    void finished();

private:
    void work();

    QString m_journal;
    QString m_databaseName;
    bool m_force;
    std::atomic<bool> m_cancel{false};
    Outcome m_outcome;
    QThread* m_thread = nullptr;
};
