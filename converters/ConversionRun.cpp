#include "ConversionRun.h"

#include "Database.h"
#include "Notifier.h"
#include "RunJournal.h"
#include "funcoes.h"

#include <QElapsedTimer>

namespace {

// Rows written between commits. A commit costs a disk flush; grouping keeps the run fast while a
// crash can lose at most this many rows.
constexpr int kRowsPerCommit = 2000;
constexpr qint64 kMillisecondsPerCommit = 2000;

} // namespace

QString rowErrorText(int gridRow, const UserError& error)
{
    QString where = QStringLiteral("Erro na linha %1 da planilha").arg(gridRow + 1);
    if (const auto* cell = dynamic_cast<const CellError*>(&error)) {
        where += QStringLiteral(", coluna %1").arg(RunReport::columnLetters(cell->column()));
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
    // A dry run writes nothing that stays, so it keeps no journal.
    RunJournal* journal = options.simular ? nullptr : services.journal;
    struct ObserverScope {
        Database& db;
        ~ObserverScope() { db.setWriteObserver(nullptr); }
    } observerScope{database};
    database.setWriteObserver(journal);
    observer.started(rowCount);

    // The journal reaches the disk before each commit, so it always holds what the database holds.
    const auto commit = [&] {
        if (journal) {
            try {
                journal->beforeCommit();
            } catch (const UserError& e) {
                database.rollback();
                throw RunError(e.message() + QStringLiteral(" As linhas desde a última gravação foram desfeitas."),
                               result.report);
            }
        }
        database.commit();
        if (journal)
            journal->afterCommit();
    };
    const auto finishTransaction = [&] {
        if (options.simular)
            database.rollback();
        else
            commit();
    };
    const auto endJournal = [&](const QString& situacao, const QString& message) {
        if (!journal)
            return;
        try {
            journal->finish(situacao, message, result.report);
        } catch (const UserError&) {
            // The changes are on disk up to the last commit; only the closing line is missing.
        }
    };

    database.begin();
    try {
        converter.setUp(context);
    } catch (const UserError& e) {
        database.rollback();
        endJournal(QStringLiteral("erro"), e.message());
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
        if (journal)
            journal->beginRow(x);
        if (!converter.writesOneStatementPerRow())
            database.beginUnit();
        try {
            converter.convertRow(context, x);
            database.endUnit();
        } catch (const UserError& e) {
            database.undoUnit();
            context.lookups.rowUndone();
            if (journal)
                journal->discardRow();
            const QString text = rowErrorText(x, e);
            RowReport failed = context.rowReport();
            failed.outcome = RowOutcome::Failed;
            failed.key.clear();
            failed.reason = text;
            result.report.add(failed);
            observer.rowDone(failed);
            if (!options.continuar) {
                finishTransaction();
                endJournal(QStringLiteral("erro"), text);
                throw RunError(text, result.report);
            }
            continue;
        }
        if (journal)
            journal->endRow();
        result.report.add(context.rowReport());
        observer.rowDone(context.rowReport());
        if (!options.simular && (++rowsSinceCommit >= kRowsPerCommit || sinceCommit.elapsed() >= kMillisecondsPerCommit)) {
            commit();
            database.begin();
            rowsSinceCommit = 0;
            sinceCommit.restart();
        }
    }
    finishTransaction();
    endJournal(result.cancelled ? QStringLiteral("cancelada") : QStringLiteral("concluida"), QString());

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
