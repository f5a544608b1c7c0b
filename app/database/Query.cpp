#include "Query.h"

#include <QFile>

#include <cmath>

namespace {

QString quoted(const QString& identifier) { return Database::quoted(identifier); }

// The table's spelling of each column of the layout and the positions of its key, once per layout.
void resolve(RecordLayout& layout, const TableInfo& info)
{
    if (layout.resolved)
        return;
    layout.tableColumns.clear();
    layout.quotedColumns.clear();
    for (const QString& name : std::as_const(layout.names)) {
        const QString column = info.column(name);
        layout.tableColumns.push_back(column);
        layout.quotedColumns.push_back(column.isEmpty() ? QString() : quoted(column));
    }
    layout.keyPositions.clear();
    for (const QString& k : info.primaryKey)
        layout.keyPositions.push_back(layout.indexOf(k));
    layout.resolved = true;
}

} // namespace

Query::Query(Database& database, QString name) : m_db(database), m_name(std::move(name)) {}

void Query::close()
{
    m_open = false;
    m_hasRow = false;
    m_layout = nullptr;
    m_values.clear();
    m_original.clear();
    m_changed.clear();
    m_state = State::Browse;
    m_pending = Pending::None;
}

void Query::open(const QString& sql, const QVariantList& values)
{
    close();
    QSqlQuery& q = m_db.run(sql, values);
    m_layout = &m_db.layoutOf(sql, q);
    m_table = m_layout->table;
    // Only the first row is ever used; reading it and closing the cursor keeps no cursor open
    // across the commits the program makes while a run goes on.
    m_hasRow = q.next();
    const size_t count = m_layout->names.size();
    if (m_hasRow) {
        m_values.resize(count);
        for (size_t i = 0; i < count; ++i) {
            QVariant v = q.value(static_cast<int>(i));
            // Fixed-length CHAR columns come back padded to the width of the connection's
            // character set; the blanks are not part of the value (CHAR(1) 'S' reads "S").
            if (m_layout->fixedChar[i] && !v.isNull()) {
                QString text = v.toString();
                qsizetype n = text.size();
                while (n > 0 && text.at(n - 1) == u' ')
                    --n;
                text.truncate(n);
                v = text;
            }
            m_values[i] = std::move(v);
        }
    } else {
        m_values = m_layout->nulls;
    }
    q.finish();
    m_original = m_values;
    m_changed.assign(count, false);
    m_open = true;
}

int Query::execute(const QString& sql, const QVariantList& values)
{
    close();
    return m_db.execute(sql, values);
}

int Query::indexOf(const QString& field) const { return m_layout ? m_layout->indexOf(field) : -1; }

int Query::requireField(const QString& field) const
{
    const int i = indexOf(field);
    if (i < 0)
        throw DatabaseError(QStringLiteral("%1: campo '%2' não encontrado%3")
                                .arg(m_name, field,
                                     m_table.isEmpty() ? QString() : QStringLiteral(" na tabela ") + m_table));
    return i;
}

QVariant Query::value(const QString& field) const
{
    const int i = requireField(field);
    if (!m_hasRow && m_state == State::Browse)
        return {};
    return m_values[static_cast<size_t>(i)];
}

QString Query::asText(const QString& field) const
{
    const QVariant v = value(field);
    return v.isNull() ? QString() : v.toString();
}

qint64 Query::asInteger(const QString& field, qint64 fallback) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return fallback;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (ok)
        return n;
    const double d = v.toDouble(&ok);
    return ok && std::isfinite(d) ? static_cast<qint64>(d) : fallback;
}

double Query::asDouble(const QString& field) const
{
    const QVariant v = value(field);
    return v.isNull() ? 0.0 : v.toDouble();
}

Amount Query::asAmount(const QString& field) const
{
    const QVariant v = value(field);
    return v.isNull() ? Amount() : Amount::fromDouble(v.toDouble());
}

void Query::append()
{
    if (!m_open)
        throw DatabaseError(QStringLiteral("%1: consulta fechada, não é possível incluir").arg(m_name));
    if (m_table.isEmpty())
        throw DatabaseError(QStringLiteral("%1: a consulta não indica a tabela a gravar").arg(m_name));
    m_values = m_layout->nulls;
    m_original = m_values;
    m_changed.assign(m_values.size(), false);
    m_state = State::Append;
    m_pending = Pending::None;
}

void Query::edit()
{
    if (!m_hasRow)
        throw DatabaseError(QStringLiteral("%1: não há registro para alterar").arg(m_name));
    if (m_table.isEmpty())
        throw DatabaseError(QStringLiteral("%1: a consulta não indica a tabela a gravar").arg(m_name));
    if (m_state == State::Browse)
        m_changed.assign(m_values.size(), false);
    m_state = State::Edit;
}

void Query::requireEditing(const QString& field) const
{
    if (m_state == State::Browse)
        throw DatabaseError(
            QStringLiteral("%1: o registro não está em inclusão ou alteração (campo %2)").arg(m_name, field));
}

void Query::set(const QString& field, const QVariant& value)
{
    requireEditing(field);
    const auto i = static_cast<size_t>(requireField(field));
    m_values[i] = value;
    m_changed[i] = true;
}

void Query::setText(const QString& field, const QString& text) { set(field, text.isNull() ? QStringLiteral("") : text); }
void Query::setInteger(const QString& field, qint64 value) { set(field, value); }
void Query::setDouble(const QString& field, double value) { set(field, value); }
// The double nearest to the ten-thousandths: the driver rounds it back to the exact scaled value for
// NUMERIC and DECIMAL columns, and a DOUBLE PRECISION column gets the closest value it can hold.
void Query::setAmount(const QString& field, Amount value) { set(field, value.toDouble()); }
void Query::setDate(const QString& field, const QDate& date) { set(field, date); }
void Query::setBytes(const QString& field, const QByteArray& bytes) { set(field, bytes); }

void Query::loadFromFile(const QString& field, const QString& path)
{
    requireEditing(field);
    requireField(field);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DatabaseError(QStringLiteral("Não foi possível ler o arquivo \"%1\": %2").arg(path, file.errorString()));
    setBytes(field, file.readAll());
}

void Query::clear(const QString& field)
{
    requireEditing(field);
    const auto i = static_cast<size_t>(requireField(field));
    m_values[i] = m_layout->nulls[i];
    m_changed[i] = true;
}

void Query::post()
{
    if (m_state == State::Browse)
        throw DatabaseError(QStringLiteral("%1: não há inclusão ou alteração a confirmar").arg(m_name));
    m_pending = m_state == State::Append ? Pending::Insert : Pending::Update;
    m_state = State::Browse;
    m_hasRow = true;
}

void Query::apply()
{
    if (m_state != State::Browse)
        post();
    if (m_pending == Pending::None)
        return;
    const TableInfo& info = m_db.table(m_table);
    RecordLayout& layout = *m_layout;
    resolve(layout, info);

    // The statement depends only on which columns are written; its text is made once per set.
    QByteArray written(static_cast<qsizetype>(m_values.size()) + 1, '0');
    written[0] = m_pending == Pending::Insert ? 'I' : 'U';
    QVariantList values;
    for (size_t i = 0; i < m_values.size(); ++i) {
        if (!m_changed[i])
            continue;
        if (layout.quotedColumns[i].isEmpty())
            throw DatabaseError(
                QStringLiteral("%1: campo '%2' não pertence à tabela %3").arg(m_name, layout.names.at(static_cast<qsizetype>(i)), m_table));
        written[static_cast<qsizetype>(i) + 1] = '1';
        values << m_values[i];
    }

    m_lastKey.clear();
    if (m_pending == Pending::Insert) {
        if (!values.isEmpty()) {
            auto sql = layout.writeSql.find(written);
            if (sql == layout.writeSql.end()) {
                QStringList columns, marks;
                for (size_t i = 0; i < m_values.size(); ++i) {
                    if (m_changed[i]) {
                        columns << layout.quotedColumns[i];
                        marks << QStringLiteral("?");
                    }
                }
                sql = layout.writeSql.insert(written, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                                          .arg(quoted(info.name), columns.join(QStringLiteral(", ")),
                                                               marks.join(QStringLiteral(", "))));
            }
            m_db.execute(*sql, values);
        }
        for (int k : layout.keyPositions)
            m_lastKey << (k < 0 ? QVariant() : m_values[static_cast<size_t>(k)]);
        if (WriteObserver* observer = m_db.writeObserver(); observer && !values.isEmpty()) {
            QStringList columns;
            for (size_t i = 0; i < m_values.size(); ++i)
                if (m_changed[i])
                    columns << layout.tableColumns[i];
            observer->inserted(info, columns, values, m_lastKey);
        }
    } else {
        if (info.primaryKey.isEmpty())
            throw DatabaseError(
                QStringLiteral("%1: a tabela %2 não tem chave primária; não é possível alterar o registro")
                    .arg(m_name, info.name));
        QVariantList keyValues;
        for (size_t n = 0; n < layout.keyPositions.size(); ++n) {
            const int k = layout.keyPositions[n];
            if (k < 0)
                throw DatabaseError(QStringLiteral("%1: a consulta não traz a chave %2 da tabela %3")
                                        .arg(m_name, info.primaryKey.at(static_cast<qsizetype>(n)), info.name));
            keyValues << m_original[static_cast<size_t>(k)];
            m_lastKey << m_values[static_cast<size_t>(k)];
        }
        if (!values.isEmpty()) {
            auto sql = layout.writeSql.find(written);
            if (sql == layout.writeSql.end()) {
                QStringList sets, where;
                for (size_t i = 0; i < m_values.size(); ++i)
                    if (m_changed[i])
                        sets << layout.quotedColumns[i] + QStringLiteral(" = ?");
                for (const QString& k : info.primaryKey)
                    where << quoted(k) + QStringLiteral(" = ?");
                sql = layout.writeSql.insert(written, QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                                          .arg(quoted(info.name), sets.join(QStringLiteral(", ")),
                                                               where.join(QStringLiteral(" AND "))));
            }
            m_db.execute(*sql, values + keyValues);
            if (WriteObserver* observer = m_db.writeObserver()) {
                QStringList columns;
                QVariantList before;
                for (size_t i = 0; i < m_values.size(); ++i) {
                    if (m_changed[i]) {
                        columns << layout.tableColumns[i];
                        before << m_original[i];
                    }
                }
                observer->updated(info, m_lastKey, columns, before, values);
            }
        }
    }
    m_original = m_values;
    m_changed.assign(m_values.size(), false);
    m_pending = Pending::None;
}
