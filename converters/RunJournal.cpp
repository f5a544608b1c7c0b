#include "RunJournal.h"

#include "UserError.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlRecord>

#include <charconv>
#include <cmath>
#include <unistd.h>

namespace {

// Pending lines are written out (without a sync) once they grow past this, so that a clear of a
// large table does not hold its whole account in memory.
constexpr qsizetype kPendingLimit = 1 << 20;

void appendString(QByteArray& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void appendTagged(QByteArray& out, const char* tag, const QByteArray& text)
{
    out += "{\"";
    out += tag;
    out += "\":\"";
    out += text;
    out += "\"}";
}

void appendValue(QByteArray& out, const QVariant& v)
{
    if (!v.isValid() || v.isNull()) {
        out += "null";
        return;
    }
    switch (v.metaType().id()) {
    case QMetaType::Bool: out += v.toBool() ? "true" : "false"; return;
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong: out += QByteArray::number(v.toLongLong()); return;
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong: out += QByteArray::number(v.toULongLong()); return;
    case QMetaType::Float:
    case QMetaType::Double: {
        // The shortest text that reads back as the same double.
        const double d = v.toDouble();
        if (!std::isfinite(d)) {
            out += "null";
            return;
        }
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, d).ptr;
        out.append(text, end - text);
        return;
    }
    case QMetaType::QDate: appendTagged(out, "data", v.toDate().toString(Qt::ISODate).toLatin1()); return;
    case QMetaType::QTime: appendTagged(out, "hora", v.toTime().toString(Qt::ISODateWithMs).toLatin1()); return;
    case QMetaType::QDateTime:
        appendTagged(out, "momento", v.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1());
        return;
    case QMetaType::QByteArray: appendTagged(out, "base64", v.toByteArray().toBase64()); return;
    default: appendString(out, v.toString()); return;
    }
}

// Column names repeat on every line; each is encoded once per journal.
using NameCache = QHash<QString, QByteArray>;

void appendObject(QByteArray& out, const QStringList& names, const QVariantList& values, NameCache& cache)
{
    out += '{';
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i)
            out += ',';
        auto it = cache.find(names.at(i));
        if (it == cache.end()) {
            QByteArray encoded;
            appendString(encoded, names.at(i));
            encoded += ':';
            it = cache.insert(names.at(i), encoded);
        }
        out += *it;
        appendValue(out, i < values.size() ? values.at(i) : QVariant());
    }
    out += '}';
}

QVariant valueOf(const QJsonValue& json)
{
    if (json.isObject()) {
        const QJsonObject o = json.toObject();
        if (o.contains(QStringLiteral("data")))
            return QDate::fromString(o.value(QStringLiteral("data")).toString(), Qt::ISODate);
        if (o.contains(QStringLiteral("hora")))
            return QTime::fromString(o.value(QStringLiteral("hora")).toString(), Qt::ISODateWithMs);
        if (o.contains(QStringLiteral("momento")))
            return QDateTime::fromString(o.value(QStringLiteral("momento")).toString(), Qt::ISODateWithMs);
        if (o.contains(QStringLiteral("base64")))
            return QByteArray::fromBase64(o.value(QStringLiteral("base64")).toString().toLatin1());
        return {};
    }
    if (json.isString())
        return json.toString();
    return json.toVariant(); // numbers (integers stay whole), booleans, null
}

void readObject(const QJsonObject& o, QStringList* names, QVariantList* values)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        *names << it.key();
        *values << valueOf(it.value());
    }
}

QDateTime readMoment(const QJsonValue& v) { return QDateTime::fromString(v.toString(), Qt::ISODate); }

// The table after a DELETE's FROM, as the database stores its name.
QString deletedTable(const QString& sql)
{
    static const QRegularExpression from(QStringLiteral("^\\s*DELETE\\s+FROM\\s+(\"[^\"]+\"|[A-Za-z_][A-Za-z0-9_$]*)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = from.match(sql);
    if (!m.hasMatch())
        return {};
    const QString t = m.captured(1);
    return t.startsWith(u'"') ? t.mid(1, t.size() - 2) : t.toUpper();
}

QString kindTitle(const QString& kind)
{
    if (kind.isEmpty())
        return kind;
    QString title = kind;
    title[0] = title.at(0).toUpper();
    if (title == QStringLiteral("Servicos"))
        return QStringLiteral("Serviços");
    return title;
}

} // namespace

QString RunJournal::folderBeside(const QString& iniFolder) { return QDir(iniFolder).filePath(QStringLiteral("Diarios")); }

RunJournal::RunJournal(const QString& folder, const QString& kind, const QString& workbook,
                       const QString& databaseName, const RunOptions& options, Database& database)
    : m_db(database)
{
    if (!QDir().mkpath(folder))
        throw UserError(QStringLiteral("Não foi possível criar a pasta dos diários \"%1\".").arg(folder));
    const QDateTime now = QDateTime::currentDateTime();
    const QString stem = now.toString(QStringLiteral("yyyy-MM-dd_HHmmss_")) + kind;
    QString reason;
    for (int n = 1; n < 1000; ++n) {
        const QString name = stem + (n == 1 ? QString() : QStringLiteral("_%1").arg(n)) + QStringLiteral(".jsonl");
        m_file.setFileName(QDir(folder).filePath(name));
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        reason = m_file.errorString();
        if (!m_file.exists())
            throw UserError(QStringLiteral("Não foi possível criar o diário da conversão \"%1\": %2")
                                .arg(m_file.fileName(), reason));
    }
    if (!m_file.isOpen())
        throw UserError(QStringLiteral("Não foi possível criar o diário da conversão em \"%1\": %2").arg(folder, reason));

    QByteArray header = "{\"formato\":";
    appendString(header, formatName());
    header += ",\"versao\":" + QByteArray::number(kVersion) + ",\"tipo\":";
    appendString(header, kind);
    header += ",\"inicio\":";
    appendString(header, now.toString(Qt::ISODate));
    header += ",\"banco\":";
    appendString(header, databaseName);
    header += ",\"planilha\":";
    appendString(header, workbook.isEmpty() ? QString() : QFileInfo(workbook).absoluteFilePath());
    header += ",\"opcoes\":{\"titulos\":" + QByteArray(options.titulos ? "true" : "false") +
              ",\"limpar\":" + QByteArray(options.limpar ? "true" : "false") +
              ",\"ajustarPrecos\":" + QByteArray(options.ajustarPrecos || options.ajustarPrecosServicos ? "true" : "false") +
              ",\"ajustarTributacao\":" + QByteArray(options.ajustarTributacao ? "true" : "false") +
              ",\"continuar\":" + QByteArray(options.continuar ? "true" : "false") + "}}\n";
    m_pending = header;
    writeOut(true);
}

RunJournal::~RunJournal()
{
    if (m_file.isOpen()) {
        // Whatever is still kept back was never committed; what reached the disk stays.
        m_file.close();
    }
}

void RunJournal::beginRow(int gridRow)
{
    m_gridRow = gridRow;
    m_inRow = true;
    m_row.resize(0); // keeps the buffer for the next row
    m_rowCounts.clear();
}

void RunJournal::endRow()
{
    m_pending += m_row;
    for (auto it = m_rowCounts.cbegin(); it != m_rowCounts.cend(); ++it) {
        TableCounts& c = m_counts[it.key()];
        c.inserted += it->inserted;
        c.updated += it->updated;
        c.removed += it->removed;
    }
    m_row.resize(0);
    m_rowCounts.clear();
    m_inRow = false;
    if (m_pending.size() > kPendingLimit)
        writeOut(false);
}

void RunJournal::discardRow()
{
    m_row.resize(0);
    m_rowCounts.clear();
    m_inRow = false;
}

void RunJournal::writeOut(bool sync)
{
    if (!m_pending.isEmpty()) {
        if (m_file.write(m_pending) != m_pending.size() || !m_file.flush())
            throw UserError(QStringLiteral("Não foi possível gravar o diário da conversão \"%1\": %2")
                                .arg(m_file.fileName(), m_file.errorString()));
        m_pending.resize(0);
        m_dirty = true;
    }
    if (sync && ::fdatasync(m_file.handle()) != 0)
        throw UserError(QStringLiteral("Não foi possível gravar o diário da conversão \"%1\" no disco.")
                            .arg(m_file.fileName()));
}

void RunJournal::beforeCommit() { writeOut(true); }

void RunJournal::afterCommit()
{
    if (m_dirty)
        m_pending += "{\"op\":\"gravado\"}\n";
    m_dirty = false;
}

void RunJournal::finish(const QString& situacao, const QString& message, const RunReport& report)
{
    QByteArray& out = m_pending;
    out += "{\"op\":\"fim\",\"situacao\":";
    appendString(out, situacao);
    out += ",\"mensagem\":";
    appendString(out, message);
    out += ",\"fim\":";
    appendString(out, QDateTime::currentDateTime().toString(Qt::ISODate));
    out += ",\"incluidas\":" + QByteArray::number(report.count(RowOutcome::Inserted)) +
           ",\"alteradas\":" + QByteArray::number(report.count(RowOutcome::Updated)) +
           ",\"ignoradas\":" + QByteArray::number(report.count(RowOutcome::Skipped)) +
           ",\"falhas\":" + QByteArray::number(report.count(RowOutcome::Failed)) + ",\"tabelas\":{";
    bool first = true;
    for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it) {
        if (!first)
            out += ',';
        first = false;
        appendString(out, it.key());
        out += ":[" + QByteArray::number(it->inserted) + ',' + QByteArray::number(it->updated) + ',' +
               QByteArray::number(it->removed) + ']';
    }
    out += "}}\n";
    writeOut(true);
    m_file.close();
}

const QByteArray& RunJournal::encodedTable(const TableInfo& table)
{
    auto it = m_tableNames.find(table.name);
    if (it == m_tableNames.end()) {
        QByteArray encoded;
        appendString(encoded, table.name);
        it = m_tableNames.insert(table.name, encoded);
    }
    return *it;
}

QByteArray& RunJournal::startLine(const char* op, const TableInfo& table, const QVariantList& key)
{
    QByteArray& out = target();
    out += "{\"op\":\"";
    out += op;
    out += "\",\"linha\":" + QByteArray::number(m_inRow ? m_gridRow + 1 : 0);
    out += ",\"tabela\":";
    out += encodedTable(table);
    out += ",\"chave\":";
    appendObject(out, table.primaryKey, key, m_names);
    return out;
}

RunJournal::TableCounts& RunJournal::countsOf(const TableInfo& table)
{
    return (m_inRow ? m_rowCounts : m_counts)[table.name];
}

bool RunJournal::hasTriggers(const TableInfo& table)
{
    auto it = m_triggers.constFind(table.name);
    if (it != m_triggers.constEnd())
        return *it;
    QSqlQuery& q = m_db.run(QStringLiteral("SELECT FIRST 1 1 FROM RDB$TRIGGERS WHERE RDB$RELATION_NAME = ? "
                                           "AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND COALESCE(RDB$TRIGGER_INACTIVE, 0) = 0"),
                            {table.name});
    const bool found = q.next();
    q.finish();
    m_triggers.insert(table.name, found);
    return found;
}

QVariantList RunJournal::stored(const TableInfo& table, const QStringList& columns, const QVariantList& written,
                                const QVariantList& key)
{
    // A trigger of the table may have changed what was written; the journal keeps what the row
    // holds, so that an undo does not take the trigger's work for somebody else's change.
    if (table.primaryKey.isEmpty() || key.size() != table.primaryKey.size() || !hasTriggers(table))
        return written;
    for (const QVariant& k : key)
        if (!k.isValid() || k.isNull())
            return written;
    QStringList select, where;
    for (const QString& c : columns)
        select << Database::quoted(c);
    for (const QString& k : table.primaryKey)
        where << Database::quoted(k) + QStringLiteral(" = ?");
    QSqlQuery& q = m_db.run(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                                .arg(select.join(QStringLiteral(", ")), Database::quoted(table.name),
                                     where.join(QStringLiteral(" AND "))),
                            key);
    QVariantList values = written;
    if (q.next())
        for (qsizetype i = 0; i < columns.size(); ++i)
            values[i] = q.value(static_cast<int>(i));
    q.finish();
    return values;
}

void RunJournal::inserted(const TableInfo& table, const QStringList& columns, const QVariantList& written,
                          const QVariantList& key)
{
    const QVariantList values = stored(table, columns, written, key);
    QByteArray& out = startLine("incluida", table, key);
    out += ",\"valores\":";
    appendObject(out, columns, values, m_names);
    out += "}\n";
    ++countsOf(table).inserted;
}

void RunJournal::updated(const TableInfo& table, const QVariantList& key, const QStringList& columns,
                         const QVariantList& before, const QVariantList& written)
{
    const QVariantList after = stored(table, columns, written, key);
    QByteArray& out = startLine("alterada", table, key);
    out += ",\"antes\":";
    appendObject(out, columns, before, m_names);
    out += ",\"depois\":";
    appendObject(out, columns, after, m_names);
    out += "}\n";
    ++countsOf(table).updated;
}

void RunJournal::deleting(const QString& sql, const QVariantList& values)
{
    const QString name = deletedTable(sql);
    if (name.isEmpty())
        throw UserError(QStringLiteral("O diário da conversão não reconhece a tabela do comando \"%1\".").arg(sql));
    const TableInfo& table = m_db.table(name);
    // The same statement as a SELECT reads the rows the DELETE is about to remove.
    QString select = sql.trimmed();
    select.replace(0, 6, QStringLiteral("SELECT *"));
    QSqlQuery& q = m_db.run(select, values);
    const QSqlRecord record = q.record();
    QStringList columns;
    std::vector<int> positions;
    for (int i = 0; i < record.count(); ++i) {
        if (table.computed.contains(record.fieldName(i), Qt::CaseInsensitive))
            continue;
        columns << record.fieldName(i);
        positions.push_back(i);
    }
    std::vector<int> keyPositions;
    for (const QString& k : table.primaryKey)
        keyPositions.push_back(static_cast<int>(columns.indexOf(k)));
    TableCounts& counts = countsOf(table);
    while (q.next()) {
        QVariantList row;
        for (int i : positions)
            row << q.value(i);
        QVariantList key;
        for (int k : keyPositions)
            key << row.value(k);
        QByteArray& out = startLine("removida", table, key);
        out += ",\"valores\":";
        appendObject(out, columns, row, m_names);
        out += ",\"sql\":";
        appendString(out, sql);
        out += "}\n";
        ++counts.removed;
        if (!m_inRow && m_pending.size() > kPendingLimit)
            writeOut(false);
    }
    q.finish();
}

QString JournalSummary::describe() const
{
    QString text = QStringLiteral("%1 — %2").arg(kindTitle(kind), QLocale().toString(started, QLocale::ShortFormat));
    text += QStringLiteral(" — %1 incluída(s), %2 alterada(s)").arg(inserted).arg(updated);
    if (failed)
        text += QStringLiteral(", %1 com erro").arg(failed);
    int removed = 0;
    for (const QList<int>& c : tables)
        removed += c.value(2);
    if (removed)
        text += QStringLiteral(", %1 apagada(s) pela limpeza").arg(removed);
    if (situacao == QStringLiteral("cancelada"))
        text += QStringLiteral(" (cancelada)");
    else if (situacao == QStringLiteral("erro"))
        text += QStringLiteral(" (terminada por erro)");
    else if (situacao.isEmpty())
        text += QStringLiteral(" (interrompida)");
    if (undone)
        text += QStringLiteral(" — desfeita em %1").arg(QLocale().toString(undoneAt, QLocale::ShortFormat));
    if (!workbook.isEmpty())
        text += QStringLiteral(" — ") + QFileInfo(workbook).fileName();
    return text;
}

namespace JournalReader {

namespace {

QJsonObject parseLine(const QByteArray& line, const QString& fileName, int number)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (number == 1 && (error.error != QJsonParseError::NoError || !doc.isObject()))
        throw UserError(QStringLiteral("O arquivo \"%1\" não é um diário de conversão.").arg(fileName));
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        throw UserError(QStringLiteral("O diário \"%1\" está danificado na linha %2: %3")
                            .arg(fileName)
                            .arg(number)
                            .arg(error.error != QJsonParseError::NoError ? error.errorString()
                                                                         : QStringLiteral("não é um objeto JSON")));
    return doc.object();
}

void readHeader(const QJsonObject& h, const QString& fileName, JournalSummary& s)
{
    if (h.value(QStringLiteral("formato")).toString() != RunJournal::formatName())
        throw UserError(QStringLiteral("O arquivo \"%1\" não é um diário de conversão.").arg(fileName));
    const int version = h.value(QStringLiteral("versao")).toInt();
    if (version < 1 || version > RunJournal::kVersion)
        throw UserError(QStringLiteral("O diário \"%1\" é da versão %2, que este programa não conhece.")
                            .arg(fileName)
                            .arg(version));
    s.fileName = fileName;
    s.kind = h.value(QStringLiteral("tipo")).toString();
    s.started = readMoment(h.value(QStringLiteral("inicio")));
    s.databaseName = h.value(QStringLiteral("banco")).toString();
    s.workbook = h.value(QStringLiteral("planilha")).toString();
}

void readEnd(const QJsonObject& o, JournalSummary& s)
{
    s.situacao = o.value(QStringLiteral("situacao")).toString();
    s.message = o.value(QStringLiteral("mensagem")).toString();
    s.inserted = o.value(QStringLiteral("incluidas")).toInt();
    s.updated = o.value(QStringLiteral("alteradas")).toInt();
    s.skipped = o.value(QStringLiteral("ignoradas")).toInt();
    s.failed = o.value(QStringLiteral("falhas")).toInt();
    s.tables.clear();
    const QJsonObject tables = o.value(QStringLiteral("tabelas")).toObject();
    for (auto it = tables.begin(); it != tables.end(); ++it) {
        QList<int> counts;
        for (const QJsonValue& v : it.value().toArray())
            counts << v.toInt();
        s.tables.insert(it.key(), counts);
    }
}

void readUndone(const QJsonObject& o, JournalSummary& s)
{
    s.undone = true;
    s.undoneAt = readMoment(o.value(QStringLiteral("em")));
}

QFile& openJournal(QFile& file)
{
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Não foi possível abrir o diário \"%1\": %2").arg(file.fileName(), file.errorString()));
    return file;
}

} // namespace

JournalSummary summary(const QString& fileName)
{
    QFile file(fileName);
    openJournal(file);
    JournalSummary s;
    const QByteArray head = file.readLine(1 << 20);
    if (!head.endsWith('\n'))
        throw UserError(QStringLiteral("O arquivo \"%1\" não é um diário de conversão.").arg(fileName));
    readHeader(parseLine(head, fileName, 1), fileName, s);

    // The end and undo lines are the last ones; a crashed run has neither and is counted in full.
    constexpr qint64 kTail = 256 * 1024;
    const qint64 size = file.size();
    const qint64 from = std::max<qint64>(file.pos(), size - kTail);
    file.seek(from);
    const QByteArray tail = file.readAll();
    const QList<QByteArray> lines = tail.split('\n');
    bool ended = false;
    for (qsizetype i = from == head.size() ? 0 : 1; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        if (line.startsWith("{\"op\":\"fim\"")) {
            QJsonParseError error{};
            const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
            if (doc.isObject()) {
                readEnd(doc.object(), s);
                ended = true;
            }
        } else if (line.startsWith("{\"op\":\"desfeito\"")) {
            const QJsonDocument doc = QJsonDocument::fromJson(line);
            if (doc.isObject())
                readUndone(doc.object(), s);
        }
    }
    if (!ended) {
        file.seek(head.size());
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            if (!line.endsWith('\n'))
                break; // cut short by the crash
            if (line.startsWith("{\"op\":\"incluida\""))
                ++s.inserted;
            else if (line.startsWith("{\"op\":\"alterada\""))
                ++s.updated;
        }
    }
    return s;
}

std::vector<JournalEntry> entries(const QString& fileName, JournalSummary* summaryOut)
{
    QFile file(fileName);
    openJournal(file);
    const QByteArray all = file.readAll();
    JournalSummary s;
    std::vector<JournalEntry> list;
    size_t lastCommitted = 0; // entries before this index are followed by a commit marker
    qsizetype start = 0;
    int number = 0;
    QString brokenLine; // the message of a line that could not be read, when one could not
    while (start < all.size()) {
        qsizetype end = all.indexOf('\n', start);
        const bool cut = end < 0;
        if (cut)
            end = all.size();
        const QByteArray line = all.mid(start, end - start);
        start = end + 1;
        ++number;
        if (line.trimmed().isEmpty())
            continue;
        QJsonObject o;
        try {
            o = parseLine(line, fileName, number);
        } catch (const UserError& e) {
            // The last line of a run ended by a crash may be cut short; an undo mark may follow it.
            if (number == 1 || !brokenLine.isEmpty())
                throw;
            if (cut)
                break;
            brokenLine = e.message();
            continue;
        }
        const QString op = o.value(QStringLiteral("op")).toString();
        if (!brokenLine.isEmpty() && op != QStringLiteral("desfeito"))
            throw UserError(brokenLine);
        if (number == 1) {
            readHeader(o, fileName, s);
            continue;
        }
        if (op == QStringLiteral("gravado")) {
            lastCommitted = list.size();
            continue;
        }
        if (op == QStringLiteral("fim")) {
            readEnd(o, s);
            continue;
        }
        if (op == QStringLiteral("desfeito")) {
            readUndone(o, s);
            continue;
        }
        JournalEntry e;
        if (op == QStringLiteral("incluida"))
            e.op = JournalEntry::Op::Inserted;
        else if (op == QStringLiteral("alterada"))
            e.op = JournalEntry::Op::Updated;
        else if (op == QStringLiteral("removida"))
            e.op = JournalEntry::Op::Removed;
        else
            throw UserError(QStringLiteral("O diário \"%1\" tem, na linha %2, uma operação desconhecida: \"%3\".")
                                .arg(fileName)
                                .arg(number)
                                .arg(op));
        e.line = o.value(QStringLiteral("linha")).toInt();
        e.table = o.value(QStringLiteral("tabela")).toString();
        readObject(o.value(QStringLiteral("chave")).toObject(), &e.keyColumns, &e.key);
        if (e.op == JournalEntry::Op::Updated) {
            readObject(o.value(QStringLiteral("depois")).toObject(), &e.columns, &e.values);
            QStringList names;
            QVariantList before;
            readObject(o.value(QStringLiteral("antes")).toObject(), &names, &before);
            // Both objects hold the same columns; their order is taken from "depois".
            for (const QString& c : std::as_const(e.columns))
                e.before << before.value(static_cast<int>(names.indexOf(c)));
        } else {
            readObject(o.value(QStringLiteral("valores")).toObject(), &e.columns, &e.values);
        }
        if (e.table.isEmpty() || e.columns.isEmpty())
            throw UserError(QStringLiteral("O diário \"%1\" está incompleto na linha %2.").arg(fileName).arg(number));
        list.push_back(std::move(e));
    }
    if (s.fileName.isEmpty())
        throw UserError(QStringLiteral("O arquivo \"%1\" não é um diário de conversão.").arg(fileName));
    for (size_t i = 0; i < lastCommitted; ++i)
        list[i].committed = true;
    if (summaryOut)
        *summaryOut = s;
    return list;
}

QList<JournalSummary> list(const QString& folder)
{
    QList<JournalSummary> out;
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*.jsonl")}, QDir::Files | QDir::Readable, QDir::Name | QDir::Reversed);
    for (const QFileInfo& f : files) {
        try {
            out << summary(f.absoluteFilePath());
        } catch (const UserError&) {
            // Not a journal of this program: left out of the list.
        }
    }
    // Journals started in the same second are told apart by the number their names end with.
    static const QRegularExpression sameSecond(QStringLiteral("_(\\d+)\\.jsonl$"));
    const auto sequence = [](const JournalSummary& s) {
        const QRegularExpressionMatch m = sameSecond.match(s.fileName);
        return m.hasMatch() ? m.captured(1).toInt() : 1;
    };
    std::stable_sort(out.begin(), out.end(), [&](const JournalSummary& a, const JournalSummary& b) {
        if (a.started != b.started)
            return a.started > b.started;
        return sequence(a) > sequence(b);
    });
    return out;
}

} // namespace JournalReader
