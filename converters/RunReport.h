#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QIODevice;

/// What happened to one grid row.
enum class RowOutcome { Inserted, Updated, Skipped, Failed };

struct RowReport {
    int gridRow = 0;            // counted from 0; the spreadsheet row is gridRow + 1
    RowOutcome outcome = RowOutcome::Skipped;
    QString key;                // the key written, when a row was written
    QString reason;             // why a row was skipped or failed; notes on written rows
};

/// The per-row account of a run and its totals.
class RunReport {
public:
    void add(RowReport row);
    const std::vector<RowReport>& rows() const { return m_rows; }
    int count(RowOutcome outcome) const;

    /// "incluída", "alterada", "ignorada", "falhou".
    static QString outcomeText(RowOutcome outcome);

    /// One line per row: "linha;resultado;chave;motivo", UTF-8 with a title row; fields quoted when
    /// they need it.
    void writeCsv(QIODevice& device) const;
    bool saveCsv(const QString& fileName, QString* error) const;

    /// The totals in words, with the reasons of skipped and failed rows grouped.
    QStringList summaryLines() const;

private:
    std::vector<RowReport> m_rows;
    int m_counts[4] = {0, 0, 0, 0};
};
