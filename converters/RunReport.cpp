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

// The first few spreadsheet rows of a group, and how many there are when they are more.
QString rowList(const QList<int>& rows)
{
    constexpr int kShown = 10;
    QStringList shown;
    for (int i = 0; i < rows.size() && i < kShown; ++i)
        shown << QString::number(rows.at(i));
    if (rows.size() > kShown)
        shown << QStringLiteral("... (%1 no total)").arg(rows.size());
    return shown.join(QStringLiteral(", "));
}

QString createdLine(const QString& title, QStringList names)
{
    names.removeDuplicates();
    names.sort();
    return QStringLiteral("%1 (%2): %3").arg(title).arg(names.size()).arg(names.join(QStringLiteral(", ")));
}

} // namespace

QString RowWarning::toString() const
{
    if (column < 0)
        return text;
    return QStringLiteral("coluna %1 (valor \"%2\"): %3").arg(RunReport::columnLetters(column), value, text);
}

QStringList RowReport::warningTexts() const
{
    QStringList texts;
    for (const RowWarning& w : warnings)
        texts << w.toString();
    for (const QString& name : categoriesCreated)
        texts << QStringLiteral("categoria \"%1\" criada pela conversão").arg(name);
    for (const QString& name : unitsCreated)
        texts << QStringLiteral("unidade \"%1\" criada pela conversão").arg(name);
    return texts;
}

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
    QByteArray out = "linha;resultado;chave;motivo;avisos\n";
    for (const RowReport& r : m_rows) {
        out += QString::number(r.gridRow + 1).toUtf8() + ';' + outcomeText(r.outcome).toUtf8() + ';' +
               csvField(r.key).toUtf8() + ';' + csvField(r.reason).toUtf8() + ';' +
               csvField(r.warningTexts().join(QStringLiteral(" | "))).toUtf8() + '\n';
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
        for (auto it = byReason.cbegin(); it != byReason.cend(); ++it)
            lines << QStringLiteral("%1 (%2): linha %3")
                         .arg(kind == RowOutcome::Skipped ? QStringLiteral("Ignorada") : QStringLiteral("Erro"),
                              it.key(), rowList(it.value()));
    }

    int rowsWithWarnings = 0;
    QMap<QString, QList<int>> byWarning;
    QStringList categories;
    QStringList units;
    for (const RowReport& r : m_rows) {
        if (!r.warnings.isEmpty() || !r.categoriesCreated.isEmpty() || !r.unitsCreated.isEmpty())
            ++rowsWithWarnings;
        for (const RowWarning& w : r.warnings) {
            QList<int>& rows = byWarning[w.text];
            // A row with two cells of one kind is listed once.
            if (rows.isEmpty() || rows.constLast() != r.gridRow + 1)
                rows.append(r.gridRow + 1);
        }
        // What a failed row created went with its savepoint.
        if (r.outcome != RowOutcome::Failed) {
            categories << r.categoriesCreated;
            units << r.unitsCreated;
        }
    }
    if (rowsWithWarnings == 0)
        return lines;
    lines << QStringLiteral("Linhas com avisos: %1").arg(rowsWithWarnings);
    for (auto it = byWarning.cbegin(); it != byWarning.cend(); ++it)
        lines << QStringLiteral("Aviso (%1): linha %2").arg(it.key(), rowList(it.value()));
    if (!categories.isEmpty())
        lines << createdLine(QStringLiteral("Categorias criadas pela conversão"), categories);
    if (!units.isEmpty())
        lines << createdLine(QStringLiteral("Unidades criadas pela conversão"), units);
    return lines;
}

QString RunReport::columnLetters(int column)
{
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}
