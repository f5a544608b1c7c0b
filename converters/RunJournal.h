#pragma once

#include "Database.h"
#include "RunOptions.h"
#include "RunReport.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QString>

/// The account a run keeps of what it wrote, so that the run can be undone later: one file per run,
/// in JSON Lines (one JSON object a line, UTF-8), written as the run goes.
///
/// Format "conversor-diario", version 1. The first line is the header:
///   {"formato":"conversor-diario","versao":1,"tipo":"produtos","inicio":"2026-12-11T15:30:00",
///    "banco":"...","planilha":"...","opcoes":{...}}
/// then one line per change, with "op":
///   "incluida"  a row inserted: "tabela", "chave" (primary key column -> value), "valores" (the
///               columns written -> values), "linha" (spreadsheet row, from 1);
///   "alterada"  a row updated: "tabela", "chave" (after the update), "antes" and "depois" of every
///               column written, "linha";
///   "removida"  a row removed by a clear statement: "tabela", "valores" (the whole row), "sql";
///   "gravado"   the lines before it are committed to the database; changes after the last such
///               line may not have been (the run was ended by a crash);
///   "fim"       how the run ended: "situacao" ("concluida", "cancelada", "erro"), "mensagem",
///               "incluidas", "alteradas", "ignoradas", "falhas", "tabelas" (per table counts);
///   "desfeito"  the run was undone: "em", "forcado", "apagadas", "restauradas", "reinseridas".
/// Values are JSON numbers, strings, true/false or null; a date is {"data":"2024-01-31"}, a time
/// {"hora":"10:00:00.000"}, a timestamp {"momento":"2024-01-31T10:00:00.000"}, bytes
/// {"base64":"..."}.
///
/// Lines of a row are kept back until the row ends well (a failed row's writes are undone by the
/// database, so they are dropped) and reach the disk, synced, before every commit of the run; the
/// journal therefore always holds at least what the database holds.
class RunJournal : public WriteObserver {
public:
    static constexpr int kVersion = 1;
    static QString formatName() { return QStringLiteral("conversor-diario"); }

    /// The folder of the journals: "Diarios" beside the connection's ini file, in `iniFolder`.
    static QString folderBeside(const QString& iniFolder);

    /// Creates the journal file of a run of `kind` in `folder` (made when missing), named
    /// "AAAA-MM-DD_HHMMSS_tipo.jsonl", and writes its header. Throws UserError when it cannot.
    RunJournal(const QString& folder, const QString& kind, const QString& workbook, const QString& databaseName,
               const RunOptions& options, Database& database);
    ~RunJournal() override;
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    QString fileName() const { return m_file.fileName(); }

    /// The run is at spreadsheet grid row `gridRow`; changes now belong to it.
    void beginRow(int gridRow);
    /// The row's changes stay.
    void endRow();
    /// The row's changes were undone by the database.
    void discardRow();

    /// Puts everything kept so far on disk; called before the database commits. Throws UserError.
    void beforeCommit();
    /// The database committed.
    void afterCommit();
    /// The run ended: `situacao` is "concluida", "cancelada" or "erro". Throws UserError.
    void finish(const QString& situacao, const QString& message, const RunReport& report);

    // WriteObserver
    void inserted(const TableInfo& table, const QStringList& columns, const QVariantList& values,
                  const QVariantList& key) override;
    void updated(const TableInfo& table, const QVariantList& key, const QStringList& columns,
                 const QVariantList& before, const QVariantList& after) override;
    void deleting(const QString& sql, const QVariantList& values) override;

private:
    struct TableCounts {
        int inserted = 0;
        int updated = 0;
        int removed = 0;
    };
    void writeOut(bool sync);
    /// Starts a change's line in the current row (or before the rows): op, row, table and key.
    QByteArray& startLine(const char* op, const TableInfo& table, const QVariantList& key);
    TableCounts& countsOf(const TableInfo& table);
    QByteArray& target() { return m_inRow ? m_row : m_pending; }
    const QByteArray& encodedTable(const TableInfo& table);
    bool hasTriggers(const TableInfo& table);
    QVariantList stored(const TableInfo& table, const QStringList& columns, const QVariantList& written,
                        const QVariantList& key);

    Database& m_db;
    QFile m_file;
    QByteArray m_pending;   // lines of ended rows, not yet on disk
    QByteArray m_row;       // lines of the current row
    bool m_inRow = false;
    int m_gridRow = -1;
    QMap<QString, TableCounts> m_counts;
    QMap<QString, TableCounts> m_rowCounts;
    bool m_dirty = false;   // something was written since the last commit marker
    QHash<QString, QByteArray> m_names;       // column names, encoded with their colon
    QHash<QString, QByteArray> m_tableNames;  // table names, encoded
    QHash<QString, bool> m_triggers;          // tables with triggers of their own
};

/// One line of a journal as read back.
struct JournalEntry {
    enum class Op { Inserted, Updated, Removed };
    Op op = Op::Inserted;
    int line = 0;            // spreadsheet row; 0 for a clear
    QString table;
    QStringList keyColumns;
    QVariantList key;
    QStringList columns;
    QVariantList values;     // inserted and removed rows: the values; updated rows: after
    QVariantList before;     // updated rows
    bool committed = false;  // a commit marker follows it
};

/// What a journal says of its run, for a list of journals and for undoing.
struct JournalSummary {
    QString fileName;
    QString kind;
    QDateTime started;
    QString databaseName;
    QString workbook;
    QString situacao;        // from the end line; empty when the run never wrote one (a crash)
    QString message;
    int inserted = 0, updated = 0, skipped = 0, failed = 0;
    QMap<QString, QList<int>> tables;   // table -> {inserted, updated, removed}
    bool undone = false;
    QDateTime undoneAt;

    /// "Produtos", "12/12/2026 15:30", and the counts, in one line for a list.
    QString describe() const;
};

/// Reads journals back.
namespace JournalReader {

/// The header, the end and undo lines of a journal; fast, since it reads only the head and the tail.
/// Throws UserError when the file is not a journal this program can read.
JournalSummary summary(const QString& fileName);

/// Every change of a journal in the order written; a last line cut short by a crash is ignored.
/// Throws UserError naming the file and the line when a line cannot be read.
std::vector<JournalEntry> entries(const QString& fileName, JournalSummary* summary = nullptr);

/// The journals in `folder`, newest first; files that are not journals are left out.
QList<JournalSummary> list(const QString& folder);

} // namespace JournalReader
