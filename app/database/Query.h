#pragma once

#include "Amount.h"
#include "Database.h"

#include <QDate>
#include <QString>
#include <QVariant>

#include <vector>

/// A named query of the ERP database, used as a dataset: open a SELECT and look at its first row;
/// append a new row or edit the current one, set its fields, post, then apply, which writes the row
/// with bound values (INSERT of the fields set, or UPDATE of the fields changed by the table's
/// primary key). Fields are found by name without regard to case.
class Query {
public:
    Query(Database& database, QString name);

    const QString& name() const { return m_name; }

    void close();
    /// Runs a SELECT with bound values and positions on its first row. The table that append and
    /// edit write to is the one named after the statement's first FROM.
    void open(const QString& sql, const QVariantList& values = {});
    bool isOpen() const { return m_open; }
    /// True when the open query holds no row.
    bool isEmpty() const { return !m_hasRow; }
    /// Runs a statement that returns no rows; returns the rows affected.
    int execute(const QString& sql, const QVariantList& values = {});

    bool hasField(const QString& field) const { return indexOf(field) >= 0; }
    QVariant value(const QString& field) const;
    QString asText(const QString& field) const;
    /// The field as an integer; `fallback` when it is null or not a whole number.
    qint64 asInteger(const QString& field, qint64 fallback = 0) const;
    double asDouble(const QString& field) const;
    Amount asAmount(const QString& field) const;

    /// Starts a new row with every field null (the database fills the ones never set).
    void append();
    /// Starts changing the current row. Throws when the query holds no row.
    void edit();
    bool isEditing() const { return m_state != State::Browse; }

    void setText(const QString& field, const QString& text);
    void setInteger(const QString& field, qint64 value);
    void setDouble(const QString& field, double value);
    void setAmount(const QString& field, Amount value);
    void setDate(const QString& field, const QDate& date);
    void setBytes(const QString& field, const QByteArray& bytes);
    /// Loads a large-object field from a file; throws DatabaseError when the file cannot be read.
    void loadFromFile(const QString& field, const QString& path);
    void clear(const QString& field);

    /// Ends the append or edit; the row waits in the query until apply.
    void post();
    /// Writes the posted row to the database. Throws DatabaseError with the database's message.
    void apply();

    /// The primary key values of the last row applied, in key order.
    const QVariantList& lastKey() const { return m_lastKey; }

private:
    enum class State { Browse, Append, Edit };
    enum class Pending { None, Insert, Update };

    int indexOf(const QString& field) const;
    int requireField(const QString& field) const;
    void set(const QString& field, const QVariant& value);
    void requireEditing(const QString& field) const;

    Database& m_db;
    QString m_name;
    QString m_table;
    bool m_open = false;
    bool m_hasRow = false;
    RecordLayout* m_layout = nullptr;   // of the last open; null when closed
    std::vector<QVariant> m_values;     // current row: the first row of the last open, or the row being changed
    std::vector<QVariant> m_original;   // the row as read, for the key of an update
    std::vector<bool> m_changed;
    State m_state = State::Browse;
    Pending m_pending = Pending::None;
    QVariantList m_lastKey;
};
