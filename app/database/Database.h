#pragma once

#include "DatabaseError.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <unordered_map>

/// What the program needs to know of a table to write its rows: the column names as the database
/// spells them, and the primary key's columns.
struct TableInfo {
    QString name;
    QStringList columns;
    QStringList primaryKey;
    QStringList computed;   // columns computed by the database, which no statement can write
    /// The database's spelling of a column named without regard to case; empty when absent.
    QString column(const QString& anyCase) const;
};

/// The columns of the rows a SELECT returns, with what writing such a row back needs; read once
/// per statement text and kept as long as the connection, so that a row costs no look-up by name.
struct RecordLayout {
    QStringList names;               // as the statement returns them
    std::vector<QVariant> nulls;     // a null of each column's type
    std::vector<bool> fixedChar;     // CHAR columns, whose values come back padded with blanks
    QHash<QString, int> positions;   // upper-cased name -> position; the first of equal names
    QString table;                   // the table after the statement's first FROM; empty when none

    /// The position of a column named in any case; -1 when the rows have no such column.
    int indexOf(const QString& name) const;

    // Filled by the first write of such a row: the table's own spelling of each column, quoted
    // (empty when the table has no such column), the positions of the primary key's columns (-1
    // when absent), and the INSERT and UPDATE texts by the set of columns written.
    bool resolved = false;
    std::vector<QString> tableColumns;
    std::vector<QString> quotedColumns;
    std::vector<int> keyPositions;
    QHash<QByteArray, QString> writeSql;
};

/// Told of every row the connection's datasets write and of every DELETE run on it, so that a run
/// can keep an account of what it changed and undo it later. Called after the write succeeded
/// (before it, for a DELETE, while the rows it removes can still be read).
class WriteObserver {
public:
    virtual ~WriteObserver() = default;
    /// A row was inserted with `values` in `columns`; `key` holds its primary key's values in key
    /// order (null where the key was left to the database).
    virtual void inserted(const TableInfo& table, const QStringList& columns, const QVariantList& values,
                          const QVariantList& key) = 0;
    /// The row with primary key `key` (its values after the write) had `columns` changed from
    /// `before` to `after`.
    virtual void updated(const TableInfo& table, const QVariantList& key, const QStringList& columns,
                         const QVariantList& before, const QVariantList& after) = 0;
    /// A DELETE is about to run with these bound values.
    virtual void deleting(const QString& sql, const QVariantList& values) = 0;
};

/// One connection to an ERP database: a local path is opened embedded, in-process; a
/// server-qualified path ("host:/path", "host/port:/path") goes through that Firebird server.
///
/// A connection belongs to the thread that opened it. Writes happen inside one explicit
/// transaction at a time (begin ... commit); statements are prepared once and reused until the
/// transaction ends, since a prepared statement does not survive its transaction's commit.
class Database {
public:
    /// Opens the database as SYSDBA. Throws ConnectionError with the database's message.
    explicit Database(const QString& databaseName);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& databaseName() const { return m_name; }
    QSqlDatabase connection() const;

    /// Starts a transaction when none is active.
    void begin();
    /// Commits the active transaction, if any. Prepared statements are dropped with it.
    void commit();
    /// Rolls the active transaction back, if any.
    void rollback();
    bool inTransaction() const { return m_inTransaction; }

    void savepoint(const QString& name);
    void rollbackToSavepoint(const QString& name);
    void releaseSavepoint(const QString& name);

    /// Marks the start of a unit of work that is undone as a whole (a grid row). The savepoint is
    /// set lazily, just before the unit's first write, so a unit that writes nothing costs nothing,
    /// and it is replaced by the next unit's instead of being released.
    void beginUnit();
    /// Undoes what the unit wrote, if anything.
    void undoUnit();
    void endUnit() { m_unitArmed = false; }

    /// Who is told of the writes; null (the default) tells no one.
    void setWriteObserver(WriteObserver* observer) { m_observer = observer; }
    WriteObserver* writeObserver() const { return m_observer; }

    /// Runs a statement that returns no rows, with bound values. Returns the rows affected for
    /// DELETE and UPDATE statements, 0 for others (counting costs a round trip).
    int execute(const QString& sql, const QVariantList& values = {});

    /// The statement for `sql`, prepared on first use and reused while the transaction lasts.
    /// Outside a transaction a fresh statement is prepared every time.
    QSqlQuery& prepared(const QString& sql);

    /// Executes a prepared statement with `values`; throws DatabaseError with the database's text.
    QSqlQuery& run(const QString& sql, const QVariantList& values);

    /// The layout of the rows `sql` returns, read from `executed` the first time. The reference
    /// stays valid as long as the connection.
    RecordLayout& layoutOf(const QString& sql, const QSqlQuery& executed);

    /// Columns and primary key of a table, read from the database's metadata once per connection.
    /// Throws DatabaseError when the table does not exist.
    const TableInfo& table(const QString& name);

    /// The number of characters a CHAR or VARCHAR column holds, read once per connection; -1 for
    /// other columns and for names the database does not know.
    int textLength(const QString& table, const QString& column);

    /// A table or column name as a quoted SQL identifier, with its own quotes doubled.
    static QString quoted(const QString& identifier);

    /// Turns the last error of a statement into the exception the program reports.
    [[noreturn]] static void fail(const QSqlError& error, const QString& context = {});

    /// Creates an empty database (character set WIN1252) at `databaseName`, then the sample ERP
    /// schema and its seed rows when `withSampleSchema` is set. Throws DatabaseError.
    static void create(const QString& databaseName, bool withSampleSchema = true);

private:
    QString m_name;
    QString m_connectionName;
    bool m_inTransaction = false;
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>> m_statements;
    std::unique_ptr<QSqlQuery> m_unprepared;
    QHash<QString, TableInfo> m_tables;
    std::unordered_map<QString, std::unique_ptr<RecordLayout>> m_layouts;
    QHash<QString, int> m_textLengths;
    bool m_unitArmed = false;
    bool m_unitSaved = false;
    WriteObserver* m_observer = nullptr;
};
