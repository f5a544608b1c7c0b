#include "RunReport.h"

#include <QFile>
#include <QMap>
#include <QSaveFile>

namespace {

QString csvField(const QString& text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString q = text;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

} // namespace

void RunReport::add(RowReport row)
{
    ++m_counts[static_cast<int>(row.outcome)];
    m_rows.push_back(std::move(row));
}

int RunReport::count(RowOutcome outcome) const { return m_counts[static_cast<int>(outcome)]; }

QString RunReport::outcomeText(RowOutcome outcome)
{
    switch (outcome) {
    case RowOutcome::Inserted: return QStringLiteral("incluída");
    case RowOutcome::Updated: return QStringLiteral("alterada");
    case RowOutcome::Skipped: return QStringLiteral("ignorada");
    case RowOutcome::Failed: return QStringLiteral("falhou");
    }
    return {};
}

void RunReport::writeCsv(QIODevice& device) const
{
    QByteArray out = "linha;resultado;chave;motivo\n";
    for (const RowReport& r : m_rows) {
        out += QString::number(r.gridRow + 1).toUtf8() + ';' + outcomeText(r.outcome).toUtf8() + ';' +
               csvField(r.key).toUtf8() + ';' + csvField(r.reason).toUtf8() + '\n';
        if (out.size() > (1 << 20)) {
            device.write(out);
            out.clear();
        }
    }
    device.write(out);
}

bool RunReport::saveCsv(const QString& fileName, QString* error) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    writeCsv(file);
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QStringList RunReport::summaryLines() const
{
    QStringList lines;
    lines << QStringLiteral("Incluídas: %1, alteradas: %2, ignoradas: %3, com erro: %4")
                 .arg(count(RowOutcome::Inserted))
                 .arg(count(RowOutcome::Updated))
                 .arg(count(RowOutcome::Skipped))
                 .arg(count(RowOutcome::Failed));
    for (RowOutcome kind : {RowOutcome::Skipped, RowOutcome::Failed}) {
        // Rows grouped by reason, listing the first few spreadsheet rows of each.
        QMap<QString, QList<int>> byReason;
        for (const RowReport& r : m_rows)
            if (r.outcome == kind)
                byReason[r.reason].append(r.gridRow + 1);
        for (auto it = byReason.cbegin(); it != byReason.cend(); ++it) {
            QStringList rows;
            for (int i = 0; i < it.value().size() && i < 10; ++i)
                rows << QString::number(it.value().at(i));
            if (it.value().size() > 10)
                rows << QStringLiteral("... (%1 no total)").arg(it.value().size());
            lines << QStringLiteral("%1 (%2): linha %3")
                         .arg(kind == RowOutcome::Skipped ? QStringLiteral("Ignorada") : QStringLiteral("Erro"),
                              it.key(), rows.join(QStringLiteral(", ")));
        }
    }
    return lines;
}
