#include "ConversionRun.h"

#include "Database.h"
#include "Notifier.h"
#include "funcoes.h"

#include <QElapsedTimer>

namespace {

// Rows written between commits. A commit costs a disk flush; grouping keeps the run fast while a
// crash can lose at most this many rows.
constexpr int kRowsPerCommit = 2000;
constexpr qint64 kMillisecondsPerCommit = 2000;

QString columnLetters(int column)
{
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

} // namespace

QString rowErrorText(int gridRow, const UserError& error)
{
    QString where = QStringLiteral("Erro na linha %1 da planilha").arg(gridRow + 1);
    if (const auto* cell = dynamic_cast<const CellError*>(&error)) {
        where += QStringLiteral(", coluna %1").arg(columnLetters(cell->column()));
        where += QStringLiteral(" (valor \"%1\")").arg(cell->value());
    }
    return where + QStringLiteral(": ") + error.message();
}

QStringList RunResult::details() const
{
    QStringList lines;
    if (simulated)
        lines << QStringLiteral("Simulação: nada foi gravado no banco de dados.");
    lines << report.summaryLines();
    return lines;
}

RunResult runConversion(Converter& converter, const Grid& grid, const RunOptions& options, Database& database,
                        RunServices services, RunObserver& observer, const RegionalSettings& regional)
{
    RunResult result;
    result.simulated = options.simular;
    RunContext context(database, grid, options, regional, services);
    const int rowCount = grid.rowCount();
    const int inicioX = options.titulos ? 1 : 0;
    observer.started(rowCount);

    const auto finishTransaction = [&] {
        if (options.simular)
            database.rollback();
        else
            database.commit();
    };

    database.begin();
    try {
        converter.setUp(context);
    } catch (const UserError& e) {
        database.rollback();
        throw RunError(e.message(), result.report);
    }

    QElapsedTimer sinceCommit;
    sinceCommit.start();
    int rowsSinceCommit = 0;
    for (int x = inicioX; x < rowCount; ++x) {
        if (observer.cancelRequested()) {
            result.cancelled = true;
            result.stoppedAtRow = x;
            break;
        }
        observer.progress(x);
        context.beginRow(x);
        context.lookups.rowStarted();
        if (!converter.writesOneStatementPerRow())
            database.beginUnit();
        try {
            converter.convertRow(context, x);
            database.endUnit();
        } catch (const UserError& e) {
            database.undoUnit();
            context.lookups.rowUndone();
            const QString text = rowErrorText(x, e);
            RowReport failed = context.rowReport();
            failed.outcome = RowOutcome::Failed;
            failed.key.clear();
            failed.reason = text;
            result.report.add(failed);
            observer.rowDone(failed);
            if (!options.continuar) {
                finishTransaction();
                throw RunError(text, result.report);
            }
            continue;
        }
        result.report.add(context.rowReport());
        observer.rowDone(context.rowReport());
        if (!options.simular && (++rowsSinceCommit >= kRowsPerCommit || sinceCommit.elapsed() >= kMillisecondsPerCommit)) {
            database.commit();
            database.begin();
            rowsSinceCommit = 0;
            sinceCommit.restart();
        }
    }
    finishTransaction();

    result.count = rowCount - inicioX;
    if (result.cancelled)
        return result;
    if (!options.simular && services.notifier) {
        result.noticeText = ConversionNotice::text(SisNome_Empresa, result.count, converter.noticeSuffix());
        try {
            services.notifier->send(result.noticeText);
        } catch (...) {
            // A notice never changes how a run ends.
        }
    }
    result.closingMessage = QString::number(result.count) + converter.closingSuffix();
    return result;
}
