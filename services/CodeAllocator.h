#pragma once

#include <QHash>
#include <QString>

class Database;

/// Next free keys: the column's maximum plus one. The maximum is read once per table and column;
/// then the allocator counts on, since the program is the only writer while a run goes on. A key
/// written by other means in the same run is reported through `observe` so that it is never
/// handed out again.
class CodeAllocator {
public:
    explicit CodeAllocator(Database& database);

    /// The next free key of `CampoRetorno` in `Tabela` ("SELECT COALESCE(MAX(col),0)+1 AS Novo
    /// FROM table [WHERE condition]" the first time). Throws DatabaseError.
    int NovoCodigo(const QString& Tabela, const QString& ClausulaWhere, const QString& CampoRetorno);

    /// Tells the allocator that `value` is now used in the table's column.
    void observe(const QString& Tabela, const QString& CampoRetorno, qint64 value);

    /// Forgets what was read, so the next call asks the database again.
    void reset() { m_next.clear(); }

private:
    Database& m_db;
    QHash<QString, qint64> m_next;
    // Observed before the column was read: the least next key its first reading may give. Kept
    // across reset, since an observed key stays used.
    QHash<QString, qint64> m_floor;
};
