#include "CodeAllocator.h"

#include "Database.h"

#include <limits>

namespace {

constexpr qint64 kLargestCode = std::numeric_limits<int>::max();

// Table and column name SQL identifiers, which are case-blind unless quoted; the condition is
// kept as written.
QString columnKey(const QString& table, const QString& column)
{
    return table.trimmed().toUpper() + u'.' + column.trimmed().toUpper();
}

QString allocationKey(const QString& table, const QString& column, const QString& condition)
{
    return columnKey(table, column) + u'\x1f' + condition.trimmed();
}

} // namespace

CodeAllocator::CodeAllocator(Database& database) : m_db(database) {}

int CodeAllocator::NovoCodigo(const QString& Tabela, const QString& ClausulaWhere,
                              const QString& CampoRetorno)
{
    const QString key = allocationKey(Tabela, CampoRetorno, ClausulaWhere);
    auto it = m_next.find(key);
    if (it == m_next.end()) {
        QString sql = QStringLiteral("SELECT COALESCE(MAX(") + CampoRetorno +
                      QStringLiteral("),0)+1 AS Novo FROM ") + Tabela;
        if (!ClausulaWhere.trimmed().isEmpty())
            sql += QStringLiteral(" WHERE ") + ClausulaWhere;
        QSqlQuery& q = m_db.run(sql, {});
        if (!q.next())
            throw DatabaseError(
                QStringLiteral("Não foi possível ler o próximo código de %1.%2").arg(Tabela, CampoRetorno));
        bool ok = false;
        qint64 next = q.value(0).toLongLong(&ok);
        q.finish();
        if (!ok)
            throw DatabaseError(QStringLiteral("O próximo código de %1.%2 não é um número inteiro")
                                    .arg(Tabela, CampoRetorno));
        next = qMax(next, m_floor.value(columnKey(Tabela, CampoRetorno), std::numeric_limits<qint64>::min()));
        it = m_next.insert(key, next);
    }
    const qint64 code = *it;
    if (code > kLargestCode)
        throw DatabaseError(QStringLiteral("Não há mais códigos livres em %1.%2").arg(Tabela, CampoRetorno));
    *it = code + 1;
    return static_cast<int>(code);
}

void CodeAllocator::observe(const QString& Tabela, const QString& CampoRetorno, qint64 value)
{
    // The value may belong to any of the conditions counted for this column, so every one of
    // them moves past it: a gap is harmless, a repeated key is not.
    const QString column = columnKey(Tabela, CampoRetorno);
    const qint64 next = value < std::numeric_limits<qint64>::max() ? value + 1 : value;
    const QString prefix = column + u'\x1f';
    for (auto it = m_next.begin(); it != m_next.end(); ++it)
        if (it.key().startsWith(prefix) && *it < next)
            *it = next;
    auto floor = m_floor.find(column);
    if (floor == m_floor.end())
        m_floor.insert(column, next);
    else if (*floor < next)
        *floor = next;
}
