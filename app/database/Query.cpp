#include "Query.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlField>

#include <cmath>

namespace {

constexpr int kSqlText = 452; // the driver's type id of a fixed-length CHAR column

QString tableOf(const QString& sql)
{
    static const QRegularExpression from(QStringLiteral("\\bFROM\\s+(\"[^\"]+\"|[A-Za-z_][A-Za-z0-9_$]*)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = from.match(sql);
    if (!m.hasMatch())
        return {};
    QString t = m.captured(1);
    if (t.startsWith(u'"'))
        return t.mid(1, t.size() - 2);
    return t.toUpper();
}

QString quoted(const QString& identifier)
{
    QString q = identifier;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

} // namespace

Query::Query(Database& database, QString name) : m_db(database), m_name(std::move(name)) {}

void Query::close()
{
    m_open = false;
    m_hasRow = false;
    m_record = QSqlRecord();
    m_original = QSqlRecord();
    m_changed.clear();
    m_state = State::Browse;
    m_pending = Pending::None;
}

void Query::open(const QString& sql, const QVariantList& values)
{
    close();
    QSqlQuery& q = m_db.run(sql, values);
    m_table = tableOf(sql);
    // Only the first row is ever used; reading it and closing the cursor keeps no cursor open
    // across the commits the program makes while a run goes on.
    m_hasRow = q.next();
    m_record = m_db.recordOf(sql, q);
    if (m_hasRow) {
        for (int i = 0; i < m_record.count(); ++i) {
            QVariant v = q.value(i);
            // Fixed-length CHAR columns come back padded to the width of the connection's
            // character set; the blanks are not part of the value (CHAR(1) 'S' reads "S").
            if ((m_record.field(i).typeID() & ~1) == kSqlText && !v.isNull()) {
                QString text = v.toString();
                qsizetype n = text.size();
                while (n > 0 && text.at(n - 1) == u' ')
                    --n;
                text.truncate(n);
                v = text;
            }
            m_record.setValue(i, v);
        }
    }
    q.finish();
    m_original = m_record;
    m_changed.assign(static_cast<size_t>(m_record.count()), false);
    m_open = true;
}

int Query::execute(const QString& sql, const QVariantList& values)
{
    close();
    return m_db.execute(sql, values);
}

int Query::indexOf(const QString& field) const
{
    const int exact = m_record.indexOf(field);
    if (exact >= 0)
        return exact;
    for (int i = 0; i < m_record.count(); ++i)
        if (m_record.fieldName(i).compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

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
    return m_record.value(i);
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
    m_record.clearValues();
    m_original = m_record;
    m_changed.assign(static_cast<size_t>(m_record.count()), false);
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
        m_changed.assign(static_cast<size_t>(m_record.count()), false);
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
    const int i = requireField(field);
    m_record.setValue(i, value);
    m_changed[static_cast<size_t>(i)] = true;
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
    const int i = requireField(field);
    m_record.setNull(i);
    m_changed[static_cast<size_t>(i)] = true;
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
    QStringList columns;
    QVariantList values;
    for (int i = 0; i < m_record.count(); ++i) {
        if (!m_changed[static_cast<size_t>(i)])
            continue;
        const QString column = info.column(m_record.fieldName(i));
        if (column.isEmpty())
            throw DatabaseError(
                QStringLiteral("%1: campo '%2' não pertence à tabela %3").arg(m_name, m_record.fieldName(i), m_table));
        columns << column;
        values << m_record.value(i);
    }

    m_lastKey.clear();
    if (m_pending == Pending::Insert) {
        if (!columns.isEmpty()) {
            QStringList quotedColumns, marks;
            for (const QString& c : columns) {
                quotedColumns << quoted(c);
                marks << QStringLiteral("?");
            }
            m_db.execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                             .arg(quoted(info.name), quotedColumns.join(QStringLiteral(", ")),
                                  marks.join(QStringLiteral(", "))),
                         values);
        }
        for (const QString& k : info.primaryKey)
            m_lastKey << m_record.value(k);
    } else {
        if (info.primaryKey.isEmpty())
            throw DatabaseError(
                QStringLiteral("%1: a tabela %2 não tem chave primária; não é possível alterar o registro")
                    .arg(m_name, info.name));
        QStringList where;
        QVariantList keyValues;
        for (const QString& k : info.primaryKey) {
            const int i = indexOf(k);
            if (i < 0)
                throw DatabaseError(
                    QStringLiteral("%1: a consulta não traz a chave %2 da tabela %3").arg(m_name, k, info.name));
            where << quoted(k) + QStringLiteral(" = ?");
            keyValues << m_original.value(i);
            m_lastKey << m_record.value(i);
        }
        if (!columns.isEmpty()) {
            QStringList sets;
            for (const QString& c : columns)
                sets << quoted(c) + QStringLiteral(" = ?");
            m_db.execute(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                             .arg(quoted(info.name), sets.join(QStringLiteral(", ")),
                                  where.join(QStringLiteral(" AND "))),
                         values + keyValues);
        }
    }
    m_original = m_record;
    m_changed.assign(static_cast<size_t>(m_record.count()), false);
    m_pending = Pending::None;
}
