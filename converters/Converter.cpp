#include "Converter.h"

RunContext::RunContext(Database& database, const Grid& g, const RunOptions& o, const RegionalSettings& r,
                       RunServices s)
    : db(database), grid(g), options(o), regional(r), services(s), codes(database), lookups(database, codes)
{
}

void RunContext::beginRow(int row)
{
    m_row = row;
    m_current = RowReport();
    m_current.gridRow = row;
    m_current.outcome = RowOutcome::Skipped;
}

void RunContext::set(RowOutcome outcome, const QString& key, const QString& reason)
{
    m_current.outcome = outcome;
    m_current.key = key;
    m_current.reason = reason;
}
