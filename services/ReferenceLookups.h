#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

class CodeAllocator;
class Database;

/// Finds categories and units by their text and creates the missing ones, so that a conversion
/// never stops for a missing category or unit.
class ReferenceLookups {
public:
    ReferenceLookups(Database& database, CodeAllocator& codes);

    /// The category code, as text, for a category name or code: empty text for an empty (trimmed)
    /// text; the trimmed text itself when it reads as a whole number other than 0; otherwise the code
    /// of the category whose NOME_CATEGORIA equals the upper-cased name, created with the next code
    /// when there is none. Throws DatabaseError.
    QString getCategoria(const QString& Categoria);

    /// Makes sure a UNIDADE row exists for the upper-cased abbreviation; a new one gets the next code
    /// and the unit name from the alias table (empty when the abbreviation is not in it). Returns the
    /// stored abbreviation. Throws DatabaseError.
    QString getUnidade(const QString& Sigla_Unidade);

    /// The unit name of an abbreviation in the alias table; empty when it is not there.
    static QString unitName(const QString& upperAbbreviation);

    /// Marks the start of a grid row; `rowUndone` then forgets what that row created (its writes
    /// were rolled back), so that a later row looks those names up again.
    void rowStarted();
    void rowUndone();

    enum class Created { Categoria, Unidade };
    /// Called with each category name or unit abbreviation a look-up creates, as stored, right after
    /// it was written; a run puts them on the row's report.
    using CreatedListener = std::function<void(Created kind, const QString& name)>;
    void setCreatedListener(CreatedListener listener) { m_createdListener = std::move(listener); }

    /// Categories and units created since construction, for the run's report.
    int categoriesCreated() const { return m_categoriesCreated; }
    int unitsCreated() const { return m_unitsCreated; }

private:
    Database& m_db;
    CodeAllocator& m_codes;
    QHash<QString, QString> m_categories;
    QHash<QString, QString> m_units;
    QStringList m_createdInRow; // cache keys: "C:" + name or "U:" + abbreviation
    int m_categoriesCreated = 0;
    int m_unitsCreated = 0;
    CreatedListener m_createdListener;
};
