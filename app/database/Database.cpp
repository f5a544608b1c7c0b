#include "Database.h"

#include "ConnectionSettings.h"
#include "SampleSchema.h"

#include <QAtomicInt>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlRecord>

#include <ibase.h>

namespace {

QAtomicInt s_connectionCounter;
const QString kUnitSavepoint = QStringLiteral("CONVERSOR_UNIDADE");
constexpr int kSqlText = 452; // the driver's type id of a fixed-length CHAR column

QString errorText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    if (text.isEmpty())
        text = QStringLiteral("erro desconhecido do banco de dados");
    return text;
}

QString statusText(const ISC_STATUS* status)
{
    QStringList parts;
    char buffer[1024];
    const ISC_STATUS* p = status;
    while (fb_interpret(buffer, sizeof buffer, &p))
        parts << QString::fromLocal8Bit(buffer);
    return parts.join(QStringLiteral(" - "));
}

// Splits a script into statements at semicolons that end a line, skipping comment lines.
QStringList statements(const char* script)
{
    QStringList out;
    QString current;
    const QStringList lines = QString::fromUtf8(script).split(u'\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QStringLiteral("--")))
            continue;
        current += raw + u'\n';
        if (line.endsWith(u';')) {
            current = current.trimmed();
            current.chop(1);
            out << current;
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        out << current.trimmed();
    return out;
}

} // namespace

QString TableInfo::column(const QString& anyCase) const
{
    for (const QString& c : columns)
        if (c.compare(anyCase, Qt::CaseInsensitive) == 0)
            return c;
    return {};
}

Database::Database(const QString& databaseName)
    : m_name(databaseName),
      m_connectionName(QStringLiteral("conversor-%1").arg(s_connectionCounter.fetchAndAddRelaxed(1)))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), m_connectionName);
    if (!db.isValid()) {
        QSqlDatabase::removeDatabase(m_connectionName);
        throw ConnectionError(QStringLiteral("O driver Firebird (QIBASE) do Qt não está instalado."));
    }
    db.setDatabaseName(databaseName);
    db.setUserName(ConnectionSettings::userName());
    db.setPassword(ConnectionSettings::password());
    // Texts travel as UTF-8 whatever the database's own character set; the database converts and
    // refuses a character its columns cannot hold.
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    if (databaseName.isEmpty() || !db.open()) {
        const QString reason = databaseName.isEmpty() ? QStringLiteral("nome do banco de dados vazio")
                                                      : errorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw ConnectionError(reason);
    }
}

Database::~Database()
{
    m_statements.clear();
    m_unprepared.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen()) {
            if (m_inTransaction)
                db.rollback();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase Database::connection() const { return QSqlDatabase::database(m_connectionName, false); }

void Database::begin()
{
    if (m_inTransaction)
        return;
    QSqlDatabase db = connection();
    if (!db.transaction())
        fail(db.lastError(), QStringLiteral("Não foi possível iniciar a transação"));
    m_inTransaction = true;
}

void Database::commit()
{
    if (!m_inTransaction)
        return;
    m_statements.clear();
    m_unprepared.reset();
    QSqlDatabase db = connection();
    m_inTransaction = false;
    if (!db.commit())
        fail(db.lastError(), QStringLiteral("Não foi possível gravar a transação"));
}

void Database::rollback()
{
    if (!m_inTransaction)
        return;
    m_statements.clear();
    m_unprepared.reset();
    QSqlDatabase db = connection();
    m_inTransaction = false;
    if (!db.rollback())
        fail(db.lastError(), QStringLiteral("Não foi possível desfazer a transação"));
}

void Database::savepoint(const QString& name) { run(QStringLiteral("SAVEPOINT ") + name, {}).finish(); }

void Database::rollbackToSavepoint(const QString& name)
{
    run(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name, {}).finish();
}

void Database::releaseSavepoint(const QString& name) { run(QStringLiteral("RELEASE SAVEPOINT ") + name, {}).finish(); }

void Database::beginUnit()
{
    m_unitArmed = true;
    m_unitSaved = false;
}

void Database::undoUnit()
{
    // A unit whose only write failed has nothing to undo: a failed statement leaves no trace.
    if (m_unitArmed && m_unitSaved)
        rollbackToSavepoint(kUnitSavepoint);
    m_unitArmed = false;
    m_unitSaved = false;
}

QSqlQuery& Database::prepared(const QString& sql)
{
    if (!m_inTransaction) {
        m_unprepared = std::make_unique<QSqlQuery>(connection());
        if (!m_unprepared->prepare(sql))
            fail(m_unprepared->lastError());
        return *m_unprepared;
    }
    auto it = m_statements.find(sql);
    if (it != m_statements.end())
        return *it->second;
    auto query = std::make_unique<QSqlQuery>(connection());
    query->setForwardOnly(true);
    if (!query->prepare(sql))
        fail(query->lastError());
    return *m_statements.emplace(sql, std::move(query)).first->second;
}

QSqlQuery& Database::run(const QString& sql, const QVariantList& values)
{
    QSqlQuery& q = prepared(sql);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!q.exec())
        fail(q.lastError());
    return q;
}

int Database::execute(const QString& sql, const QVariantList& values)
{
    if (m_unitArmed && !m_unitSaved && m_inTransaction) {
        savepoint(kUnitSavepoint);
        m_unitSaved = true;
    }
    const QStringView head = QStringView(sql).trimmed().left(6);
    const bool deleting = head.compare(u"DELETE", Qt::CaseInsensitive) == 0;
    if (deleting && m_observer)
        m_observer->deleting(sql, values);
    QSqlQuery& q = run(sql, values);
    const bool counted = deleting || head.compare(u"UPDATE", Qt::CaseInsensitive) == 0;
    const int affected = counted ? q.numRowsAffected() : 0;
    q.finish();
    return affected;
}

int RecordLayout::indexOf(const QString& name) const
{
    auto it = positions.constFind(name);
    if (it == positions.constEnd())
        it = positions.constFind(name.toUpper());
    return it == positions.constEnd() ? -1 : *it;
}

RecordLayout& Database::layoutOf(const QString& sql, const QSqlQuery& executed)
{
    auto it = m_layouts.find(sql);
    if (it != m_layouts.end())
        return *it->second;
    static const QRegularExpression from(QStringLiteral("\\bFROM\\s+(\"[^\"]+\"|[A-Za-z_][A-Za-z0-9_$]*)"),
                                         QRegularExpression::CaseInsensitiveOption);
    auto layout = std::make_unique<RecordLayout>();
    const QSqlRecord record = executed.record();
    for (int i = 0; i < record.count(); ++i) {
        QSqlField field = record.field(i);
        layout->names << field.name();
        field.clear(); // the typed null an appended row starts with
        layout->nulls.push_back(field.value());
        layout->fixedChar.push_back((field.typeID() & ~1) == kSqlText);
        const QString upper = field.name().toUpper();
        if (!layout->positions.contains(upper))
            layout->positions.insert(upper, i);
    }
    const QRegularExpressionMatch m = from.match(sql);
    if (m.hasMatch()) {
        const QString t = m.captured(1);
        layout->table = t.startsWith(u'"') ? t.mid(1, t.size() - 2) : t.toUpper();
    }
    return *m_layouts.emplace(sql, std::move(layout)).first->second;
}

const TableInfo& Database::table(const QString& name)
{
    const QString key = name.toUpper();
    auto it = m_tables.constFind(key);
    if (it != m_tables.constEnd())
        return *it;
    QSqlDatabase db = connection();
    // Unquoted names are stored upper-cased; a quoted mixed-case name is looked up as given.
    QString stored = key;
    QSqlRecord record = db.record(stored);
    if (record.isEmpty()) {
        stored = name;
        record = db.record(stored);
    }
    if (record.isEmpty())
        throw DatabaseError(QStringLiteral("Tabela %1 não existe no banco de dados.").arg(name));
    TableInfo info;
    info.name = stored;
    for (int i = 0; i < record.count(); ++i)
        info.columns << record.fieldName(i);
    const QSqlIndex pk = db.primaryIndex(stored);
    for (int i = 0; i < pk.count(); ++i)
        info.primaryKey << pk.fieldName(i);
    QSqlQuery& computed = run(QStringLiteral("SELECT TRIM(R.RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS R "
                                             "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE "
                                             "WHERE R.RDB$RELATION_NAME = ? AND F.RDB$COMPUTED_BLR IS NOT NULL"),
                              {stored});
    while (computed.next())
        info.computed << computed.value(0).toString();
    computed.finish();
    return *m_tables.insert(key, info);
}

int Database::textLength(const QString& table, const QString& column)
{
    const QString key = table.toUpper() + u'.' + column.toUpper();
    auto it = m_textLengths.constFind(key);
    if (it != m_textLengths.constEnd())
        return *it;
    // 14 is CHAR and 37 VARCHAR in RDB$FIELD_TYPE.
    QSqlQuery& q = run(QStringLiteral("SELECT F.RDB$CHARACTER_LENGTH FROM RDB$RELATION_FIELDS R "
                                      "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE "
                                      "WHERE R.RDB$RELATION_NAME = ? AND R.RDB$FIELD_NAME = ? "
                                      "AND F.RDB$FIELD_TYPE IN (14, 37)"),
                       {table.toUpper(), column.toUpper()});
    int length = -1;
    if (q.next() && !q.value(0).isNull())
        length = q.value(0).toInt();
    q.finish();
    m_textLengths.insert(key, length);
    return length;
}

QString Database::quoted(const QString& identifier)
{
    QString q = identifier;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

void Database::fail(const QSqlError& error, const QString& context)
{
    const QString text = errorText(error);
    throw DatabaseError(context.isEmpty() ? text : context + QStringLiteral(": ") + text);
}

void Database::create(const QString& databaseName, bool withSampleSchema)
{
    if (databaseName.trimmed().isEmpty())
        throw DatabaseError(QStringLiteral("Informe o arquivo do banco de dados a criar."));
    QString quoted = databaseName;
    quoted.replace(u'\'', QStringLiteral("''"));
    const QByteArray sql = (QStringLiteral("CREATE DATABASE '") + quoted + QStringLiteral("' USER '") +
                            ConnectionSettings::userName() + QStringLiteral("' PASSWORD '") +
                            ConnectionSettings::password() +
                            QStringLiteral("' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1252"))
                               .toUtf8();
    ISC_STATUS_ARRAY status;
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    if (isc_dsql_execute_immediate(status, &db, &tr, 0, sql.constData(), SQL_DIALECT_V6, nullptr))
        throw DatabaseError(QStringLiteral("Não foi possível criar o banco \"%1\": %2")
                                .arg(databaseName, statusText(status)));
    if (!withSampleSchema) {
        isc_detach_database(status, &db);
        return;
    }
    try {
        Database session(databaseName);
        // Tables must exist (committed) before rows can go into them.
        for (const char* script : {SampleSchema::schemaSql(), SampleSchema::seedSql()}) {
            session.begin();
            for (const QString& statement : statements(script)) {
                QSqlQuery q(session.connection());
                if (!q.exec(statement))
                    fail(q.lastError(),
                         QStringLiteral("Erro no esquema de exemplo (%1)").arg(statement.simplified().left(60)));
            }
            session.commit();
        }
    } catch (...) {
        // A half-made database is worse than none: drop it, so the same name can be used again.
        isc_drop_database(status, &db);
        throw;
    }
    isc_detach_database(status, &db);
}
