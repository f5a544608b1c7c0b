#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QIODevice;

/// What happened to one grid row.
enum class RowOutcome { Inserted, Updated, Skipped, Failed };

/// A doubt about a cell of a row that was converted all the same (a tax number whose check digits
/// are wrong, an NCM that is not 8 digits).
struct RowWarning {
    int column = -1;            // counted from 0; -1 when the warning names no cell
    QString value;              // the cell as read
    QString text;               // what is wrong; the summary groups rows by it

    /// "coluna F (valor \"123\"): CPF com dígito verificador inválido".
    QString toString() const;
};

struct RowReport {
    int gridRow = 0;            // counted from 0; the spreadsheet row is gridRow + 1
    RowOutcome outcome = RowOutcome::Skipped;
    QString key;                // the key written, when a row was written
    QString reason;             // why a row was skipped or failed; notes on written rows
    QList<RowWarning> warnings;
    QStringList categoriesCreated; // CATEGORIA names this row created, as stored
    QStringList unitsCreated;      // UNIDADE abbreviations this row created, as stored

    /// The row's warnings in words, the cells' first, then what the row created
    /// ("categoria \"BEBIDAS\" criada pela conversão").
    QStringList warningTexts() const;
};

/// The per-row account of a run and its totals.
class RunReport {
public:
    void add(RowReport row);
    const std::vector<RowReport>& rows() const { return m_rows; }
    int count(RowOutcome outcome) const;

    /// "incluída", "alterada", "ignorada", "falhou".
    static QString outcomeText(RowOutcome outcome);

    /// One line per row: "linha;resultado;chave;motivo;avisos", UTF-8 with a title row; the
    /// warnings joined by " | "; fields quoted when they need it.
    void writeCsv(QIODevice& device) const;
    bool saveCsv(const QString& fileName, QString* error) const;

    /// The totals in words, with the reasons of skipped and failed rows grouped; then the rows with
    /// warnings, grouped by warning, and the categories and units the run created (those of rows
    /// that failed were undone with them and are left out).
    QStringList summaryLines() const;

    /// The letters of a spreadsheet column counted from 0: A, ..., Z, AA, AB, ...
    static QString columnLetters(int column);

private:
    std::vector<RowReport> m_rows;
    int m_counts[4] = {0, 0, 0, 0};
};
