#include "UndoRun.h"

#include "Database.h"
#include "DatabaseError.h"

#include <QFile>
#include <QHash>
#include <QLocale>
#include <QSqlQuery>

namespace {

// Beyond this many conflicts the undo stops looking: the answer is already no.
constexpr int kConflictLimit = 50;

QString quoted(const QString& identifier) { return Database::quoted(identifier); }

QString shown(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("(vazio)");
    if (v.metaType().id() == QMetaType::QByteArray)
        return QStringLiteral("(%1 bytes)").arg(v.toByteArray().size());
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate().toString(Qt::ISODate);
    return u'"' + v.toString() + u'"';
}

struct Target {
    QString where;          // the row's condition, without WHERE
    QVariantList values;    // its bound values
};

class Undo {
public:
    Undo(Database& db, bool force) : m_db(db), m_force(force) {}

    void apply(const JournalEntry& e);

    UndoResult result;
    QStringList conflicts;

private:
    bool hasKey(const JournalEntry& e) const;
    QString describe(const JournalEntry& e) const;
    Target keyTarget(const JournalEntry& e) const;
    Target matchTarget(const JournalEntry& e, const QVariantList& values, bool skipKey) const;
    bool exists(const QString& table, const Target& t);
    /// The first written column whose value is no longer `values`; -1 when all match.
    int firstDifference(const JournalEntry& e, const Target& t, const QVariantList& values);
    QVariant currentValue(const JournalEntry& e, const Target& t, const QString& column);
    void conflict(const JournalEntry& e, const QString& what);
    void changedSince(const JournalEntry& e, const Target& key, const QVariantList& expected);

    void undoInsert(const JournalEntry& e);
    void undoUpdate(const JournalEntry& e);
    void undoRemove(const JournalEntry& e);

    Database& m_db;
    bool m_force;
};

bool Undo::hasKey(const JournalEntry& e) const
{
    if (e.keyColumns.isEmpty())
        return false;
    for (const QVariant& k : e.key)
        if (!k.isValid() || k.isNull())
            return false;
    return true;
}

QString Undo::describe(const JournalEntry& e) const
{
    QStringList key;
    for (qsizetype i = 0; i < e.keyColumns.size(); ++i)
        key << e.keyColumns.at(i) + QStringLiteral(" = ") + e.key.value(static_cast<int>(i)).toString();
    QString text = e.line > 0 ? QStringLiteral("Linha %1 da planilha, tabela %2").arg(e.line).arg(e.table)
                              : QStringLiteral("Limpeza da tabela %1").arg(e.table);
    if (!key.isEmpty())
        text += QStringLiteral(" (") + key.join(QStringLiteral(", ")) + u')';
    return text;
}

Target Undo::keyTarget(const JournalEntry& e) const
{
    Target t;
    QStringList parts;
    for (qsizetype i = 0; i < e.keyColumns.size(); ++i) {
        parts << quoted(e.keyColumns.at(i)) + QStringLiteral(" = ?");
        t.values << e.key.value(static_cast<int>(i));
    }
    t.where = parts.join(QStringLiteral(" AND "));
    return t;
}

// The row by its key (when it has one) and every other written column holding `values`. The
// comparison is the database's, so a value is compared as the column holds it (CHAR padding,
// NUMERIC scale).
Target Undo::matchTarget(const JournalEntry& e, const QVariantList& values, bool skipKey) const
{
    Target t = skipKey ? keyTarget(e) : Target();
    QStringList parts;
    if (!t.where.isEmpty())
        parts << t.where;
    for (qsizetype i = 0; i < e.columns.size(); ++i) {
        const QString& c = e.columns.at(i);
        if (skipKey && e.keyColumns.contains(c, Qt::CaseInsensitive))
            continue;
        parts << quoted(c) + QStringLiteral(" IS NOT DISTINCT FROM ?");
        t.values << values.value(static_cast<int>(i));
    }
    t.where = parts.join(QStringLiteral(" AND "));
    return t;
}

bool Undo::exists(const QString& table, const Target& t)
{
    QSqlQuery& q = m_db.run(QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(quoted(table), t.where), t.values);
    const bool found = q.next();
    q.finish();
    return found;
}

int Undo::firstDifference(const JournalEntry& e, const Target& t, const QVariantList& values)
{
    for (qsizetype i = 0; i < e.columns.size(); ++i) {
        const QString& c = e.columns.at(i);
        Target one = t;
        one.where += QStringLiteral(" AND ") + quoted(c) + QStringLiteral(" IS NOT DISTINCT FROM ?");
        one.values << values.value(static_cast<int>(i));
        if (!exists(e.table, one))
            return static_cast<int>(i);
    }
    return -1;
}

QVariant Undo::currentValue(const JournalEntry& e, const Target& t, const QString& column)
{
    QSqlQuery& q = m_db.run(QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(quoted(column), quoted(e.table), t.where),
                            t.values);
    QVariant v;
    if (q.next())
        v = q.value(0);
    q.finish();
    return v;
}

void Undo::conflict(const JournalEntry& e, const QString& what) { conflicts << describe(e) + QStringLiteral(": ") + what; }

void Undo::changedSince(const JournalEntry& e, const Target& key, const QVariantList& expected)
{
    const int i = firstDifference(e, key, expected);
    if (i < 0) {
        conflict(e, QStringLiteral("a linha foi alterada depois da conversão."));
        return;
    }
    const QString& column = e.columns.at(i);
    conflict(e, QStringLiteral("a coluna %1 foi alterada depois da conversão: vale %2, a conversão gravou %3.")
                    .arg(column, shown(currentValue(e, key, column)), shown(expected.value(i))));
}

void Undo::undoInsert(const JournalEntry& e)
{
    if (!hasKey(e)) {
        // Without a key the row is the one holding every value the run wrote.
        const Target t = matchTarget(e, e.values, false);
        if (m_db.execute(QStringLiteral("DELETE FROM %1 WHERE %2 ROWS 1").arg(quoted(e.table), t.where), t.values) == 1) {
            ++result.deleted;
        } else if (!e.committed) {
            ++result.uncommitted;
        } else if (m_force) {
            result.notes << describe(e) + QStringLiteral(": a linha já não existia com os valores gravados; ficou como está.");
        } else {
            conflict(e, QStringLiteral("a linha gravada pela conversão já não existe com os valores gravados."));
        }
        return;
    }
    const Target key = keyTarget(e);
    const Target t = m_force ? key : matchTarget(e, e.values, true);
    if (m_db.execute(QStringLiteral("DELETE FROM %1 WHERE %2").arg(quoted(e.table), t.where), t.values) == 1) {
        ++result.deleted;
        return;
    }
    if (!exists(e.table, key)) {
        if (!e.committed)
            ++result.uncommitted;
        else if (m_force)
            result.notes << describe(e) + QStringLiteral(": a linha já tinha sido apagada.");
        else
            conflict(e, QStringLiteral("a linha incluída pela conversão foi apagada depois dela."));
        return;
    }
    changedSince(e, key, e.values);
}

void Undo::undoUpdate(const JournalEntry& e)
{
    if (!hasKey(e)) {
        conflict(e, QStringLiteral("a tabela não tem chave primária; não é possível localizar a linha."));
        return;
    }
    const Target key = keyTarget(e);
    QStringList sets;
    for (const QString& c : e.columns)
        sets << quoted(c) + QStringLiteral(" = ?");
    const Target t = m_force ? key : matchTarget(e, e.values, false);
    Target where = t;
    if (!m_force) {
        where = key;
        where.where += QStringLiteral(" AND ") + t.where;
        where.values += t.values;
    }
    const QString sql =
        QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(quoted(e.table), sets.join(QStringLiteral(", ")), where.where);
    if (m_db.execute(sql, e.before + where.values) == 1) {
        ++result.restored;
        return;
    }
    if (!exists(e.table, key)) {
        if (!e.committed)
            ++result.uncommitted;
        else if (m_force)
            result.notes << describe(e) + QStringLiteral(": a linha alterada pela conversão foi apagada depois dela.");
        else
            conflict(e, QStringLiteral("a linha alterada pela conversão foi apagada depois dela."));
        return;
    }
    if (!e.committed && firstDifference(e, key, e.before) < 0) {
        ++result.uncommitted; // the update never reached the database
        return;
    }
    changedSince(e, key, e.values);
}

void Undo::undoRemove(const JournalEntry& e)
{
    if (!e.committed) {
        // The clear may never have been kept; a row that is still there is left alone.
        if (!hasKey(e) || exists(e.table, keyTarget(e))) {
            ++result.uncommitted;
            return;
        }
    }
    QStringList columns, marks;
    for (const QString& c : e.columns) {
        columns << quoted(c);
        marks << QStringLiteral("?");
    }
    const QString list = columns.join(QStringLiteral(", "));
    const QString values = marks.join(QStringLiteral(", "));
    if (hasKey(e) && exists(e.table, keyTarget(e))) {
        if (!m_force) {
            conflict(e, QStringLiteral("a linha apagada pela limpeza não pode voltar: já existe outra com a mesma chave."));
            return;
        }
        QStringList key;
        for (const QString& k : e.keyColumns)
            key << quoted(k);
        m_db.execute(QStringLiteral("UPDATE OR INSERT INTO %1 (%2) VALUES (%3) MATCHING (%4)")
                         .arg(quoted(e.table), list, values, key.join(QStringLiteral(", "))),
                     e.values);
        result.notes << describe(e) + QStringLiteral(": a linha que ocupava a chave foi substituída pela apagada.");
        ++result.reinserted;
        return;
    }
    m_db.execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(quoted(e.table), list, values), e.values);
    ++result.reinserted;
}

void Undo::apply(const JournalEntry& entry)
{
    try {
        // The key in the table's own order (a JSON object keeps no order), for the messages.
        JournalEntry e = entry;
        const QStringList primaryKey = m_db.table(e.table).primaryKey;
        if (e.keyColumns.size() == primaryKey.size()) {
            QVariantList key;
            for (const QString& k : primaryKey)
                key << entry.key.value(static_cast<int>(entry.keyColumns.indexOf(k)));
            e.keyColumns = primaryKey;
            e.key = key;
        }
        switch (e.op) {
        case JournalEntry::Op::Inserted: undoInsert(e); break;
        case JournalEntry::Op::Updated: undoUpdate(e); break;
        case JournalEntry::Op::Removed: undoRemove(e); break;
        }
    } catch (const DatabaseError& error) {
        // A failed statement leaves no trace; the undo as a whole is refused below.
        conflict(entry, error.message());
    }
}

bool appendUndoneLine(const QString& fileName, bool force, const UndoResult& r)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray line = "{\"op\":\"desfeito\",\"em\":\"" +
                            QDateTime::currentDateTime().toString(Qt::ISODate).toLatin1() + "\",\"forcado\":" +
                            (force ? "true" : "false") + ",\"apagadas\":" + QByteArray::number(r.deleted) +
                            ",\"restauradas\":" + QByteArray::number(r.restored) +
                            ",\"reinseridas\":" + QByteArray::number(r.reinserted) + "}\n";
    // A journal cut short by a crash may end in half a line; the mark starts a line of its own.
    QByteArray out;
    if (file.size() > 0) {
        QFile reader(fileName);
        if (reader.open(QIODevice::ReadOnly) && reader.seek(file.size() - 1) && reader.read(1) != "\n")
            out += '\n';
    }
    out += line;
    return file.write(out) == out.size() && file.flush();
}

} // namespace

QStringList UndoResult::lines(const QString& fileName) const
{
    QStringList out;
    if (alreadyUndone) {
        out << QStringLiteral("O diário \"%1\" já foi desfeito em %2; nada foi feito.")
                   .arg(fileName, QLocale().toString(undoneAt, QLocale::ShortFormat));
        return out;
    }
    out << QStringLiteral("Conversão desfeita: %1 linha(s) apagada(s), %2 restaurada(s), %3 recolocada(s).")
               .arg(deleted)
               .arg(restored)
               .arg(reinserted);
    if (uncommitted)
        out << QStringLiteral("%1 alteração(ões) do diário não tinham chegado ao banco e foram deixadas de lado.")
                   .arg(uncommitted);
    out << notes;
    return out;
}

UndoResult undoJournal(const QString& fileName, Database& database, bool force, RunObserver* observer)
{
    JournalSummary summary;
    const std::vector<JournalEntry> entries = JournalReader::entries(fileName, &summary);
    if (summary.undone) {
        UndoResult r;
        r.alreadyUndone = true;
        r.undoneAt = summary.undoneAt;
        return r;
    }
    const int total = static_cast<int>(entries.size());
    if (observer)
        observer->started(total);
    Undo undo(database, force);
    database.begin();
    try {
        int done = 0;
        for (auto it = entries.rbegin(); it != entries.rend(); ++it, ++done) {
            if (observer) {
                if (observer->cancelRequested())
                    throw UserError(QStringLiteral("Desfazimento cancelado; nada foi alterado."));
                observer->progress(done);
            }
            undo.apply(*it);
            if (undo.conflicts.size() >= kConflictLimit)
                break;
        }
        if (!undo.conflicts.isEmpty()) {
            QStringList shownConflicts = undo.conflicts.mid(0, 10);
            if (undo.conflicts.size() > 10)
                shownConflicts << QStringLiteral("... e mais %1").arg(undo.conflicts.size() - 10);
            throw UndoRefused(QStringLiteral("A conversão não foi desfeita; nada foi alterado.\n%1%2")
                                  .arg(shownConflicts.join(u'\n'),
                                       force ? QString()
                                             : QStringLiteral("\nPara desfazer mesmo assim, use a opção de forçar.")),
                              undo.conflicts);
        }
        database.commit();
    } catch (...) {
        database.rollback();
        throw;
    }
    if (!appendUndoneLine(fileName, force, undo.result))
        undo.result.notes << QStringLiteral("Não foi possível marcar o diário \"%1\" como desfeito.").arg(fileName);
    return undo.result;
}
