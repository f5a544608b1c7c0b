#pragma once

#include "RunJournal.h"
#include "RunObserver.h"
#include "UserError.h"

#include <QDateTime>
#include <QStringList>

class Database;

/// How an undo ended.
struct UndoResult {
    bool alreadyUndone = false;  // the journal says so; nothing was done
    QDateTime undoneAt;          // of the earlier undo
    int deleted = 0;             // rows the run inserted, deleted
    int restored = 0;            // rows the run updated, given back their earlier values
    int reinserted = 0;          // rows the run's clear removed, put back
    int uncommitted = 0;         // changes the database never kept (the run was ended by a crash)
    QStringList notes;           // what --forcar overrode, and other remarks

    /// The outcome in a few lines for the user.
    QStringList lines(const QString& fileName) const;
};

/// An undo refused because rows the run wrote were changed since; nothing was changed.
class UndoRefused : public UserError {
public:
    UndoRefused(const QString& message, QStringList conflicts)
        : UserError(message), m_conflicts(std::move(conflicts))
    {
    }
    const QStringList& conflicts() const { return m_conflicts; }

private:
    QStringList m_conflicts;
};

/// Undoes the run a journal describes, in one transaction of `database`: deletes the rows it
/// inserted, gives the rows it updated their earlier values and puts back the rows its clear
/// removed, the last change first. A row changed since the run (its values are no longer the ones
/// the run wrote) stops the undo with UndoRefused naming the spreadsheet row, the table, the key
/// and the column, unless `force` is set. A journal already undone is left alone. Progress goes to
/// `observer` (started with the number of changes, then one call per change); a cancel rolls back.
UndoResult undoJournal(const QString& fileName, Database& database, bool force, RunObserver* observer = nullptr);
