#pragma once

#include "CodeAllocator.h"
#include "Grid.h"
#include "ReferenceLookups.h"
#include "RegionalSettings.h"
#include "RunOptions.h"
#include "RunReport.h"
#include "UserError.h"

#include <QString>

class Database;
class Notifier;

/// A failure tied to a cell: the run's message names the column and the value.
class CellError : public UserError {
public:
    CellError(int column, QString value, const QString& message)
        : UserError(message), m_column(column), m_value(std::move(value))
    {
    }
    int column() const { return m_column; }
    const QString& value() const { return m_value; }

private:
    int m_column;
    QString m_value;
};

/// The outside services a converter may need; a test hands in fakes.
struct RunServices {
    Notifier* notifier = nullptr;
    class PostalCodeLookup* postalCodes = nullptr;
    /// Where a run that writes keeps the account of its changes; none for a dry run.
    class RunJournal* journal = nullptr;
};

/// What a converter works with during one run.
class RunContext {
public:
    RunContext(Database& db, const Grid& grid, const RunOptions& options, const RegionalSettings& regional,
               RunServices services);
    // The look-ups report what they create to this context.
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    Database& db;
    const Grid& grid;
    const RunOptions& options;
    const RegionalSettings& regional;
    RunServices services;
    CodeAllocator codes;
    ReferenceLookups lookups;

    /// The cell of the current row.
    const QString& cell(int column) const { return grid.cell(column, m_row); }
    int row() const { return m_row; }

    /// The outcome of the current row; a row that says nothing counts as skipped.
    void inserted(const QString& key, const QString& note = {}) { set(RowOutcome::Inserted, key, note); }
    void updated(const QString& key, const QString& note = {}) { set(RowOutcome::Updated, key, note); }
    void skipped(const QString& reason) { set(RowOutcome::Skipped, QString(), reason); }
    /// Notes a doubt about a cell of the current row, for the run's report; the row is converted
    /// all the same, and a dry run collects them as a real run does.
    void warn(int column, const QString& value, const QString& text);

    // Used by the run itself.
    void beginRow(int row);
    const RowReport& rowReport() const { return m_current; }

private:
    void set(RowOutcome outcome, const QString& key, const QString& reason);
    int m_row = 0;
    RowReport m_current;
};

/// One kind of record: walks the grid row by row and writes the ERP rows. A converter never reads a
/// widget; everything it needs is in the context.
class Converter {
public:
    virtual ~Converter() = default;
    /// The command line's word for the kind ("categorias").
    virtual QString kind() const = 0;
    /// Appended to the count in the closing message (" Categorias Importadas!").
    virtual QString closingSuffix() const = 0;
    /// Appended to the count in the conversion notice; the closing suffix unless said otherwise.
    virtual QString noticeSuffix() const { return closingSuffix(); }
    /// True when a row writes at most one statement: a failed statement leaves no trace, so the
    /// row needs no savepoint of its own.
    virtual bool writesOneStatementPerRow() const { return false; }
    /// How many sheet columns the converter reads (A to the last it looks at); a column beyond them
    /// is never taken for data.
    virtual int columnsRead() const = 0;
    /// Runs once before the first row (the clear statements).
    virtual void setUp(RunContext& context) { (void)context; }
    /// Converts one grid row. Throws on failure; whatever the row wrote is then undone.
    virtual void convertRow(RunContext& context, int row) = 0;
};
