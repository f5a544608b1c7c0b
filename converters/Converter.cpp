#include "Converter.h"

RunContext::RunContext(Database& database, const Grid& g, const RunOptions& o, const RegionalSettings& r,
                       RunServices s)
    : db(database), grid(g), options(o), regional(r), services(s), codes(database), lookups(database, codes)
{
    // Each category or unit is reported on the row that creates it; a row undone forgets it in the
    // look-ups, and the next row that needs it creates and reports it again.
    lookups.setCreatedListener([this](ReferenceLookups::Created kind, const QString& name) {
        if (kind == ReferenceLookups::Created::Categoria)
            m_current.categoriesCreated << name;
        else
            m_current.unitsCreated << name;
    });
}

void RunContext::beginRow(int row)
{
    m_row = row;
    m_current = RowReport();
    m_current.gridRow = row;
    m_current.outcome = RowOutcome::Skipped;
}

void RunContext::warn(int column, const QString& value, const QString& text)
{
    m_current.warnings.append({column, value, text});
}

void RunContext::set(RowOutcome outcome, const QString& key, const QString& reason)
{
    m_current.outcome = outcome;
    m_current.key = key;
    m_current.reason = reason;
}
