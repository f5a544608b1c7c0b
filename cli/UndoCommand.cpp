#include "UndoCommand.h"

#include "Database.h"
#include "RunJournal.h"
#include "TerminalProgress.h"
#include "UndoRun.h"

#include <QFileInfo>

QString UndoCommand::usage() const
{
    return QStringLiteral("desfazer DIARIO [--banco NOME] [--forcar]\n"
                          "      DIARIO: um arquivo da pasta Diarios, ao lado do ConexaoFirebird.ini");
}

int UndoCommand::execute(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList positional;
    QString banco;
    bool bancoGiven = false, force = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QStringLiteral("--forcar")) {
            force = true;
        } else if (a == QStringLiteral("--banco")) {
            if (i + 1 >= arguments.size()) {
                err << QStringLiteral("A opção --banco precisa de um valor.\nUso: conversor ") << usage() << u'\n';
                return ExitStatus::Error;
            }
            banco = arguments.at(++i);
            bancoGiven = true;
        } else if (a.startsWith(QStringLiteral("--"))) {
            err << QStringLiteral("Opção desconhecida: %1\nUso: conversor ").arg(a) << usage() << u'\n';
            return ExitStatus::Error;
        } else {
            positional << a;
        }
    }
    if (positional.size() != 1) {
        err << QStringLiteral("Informe o diário a desfazer.\nUso: conversor ") << usage() << u'\n';
        return ExitStatus::Error;
    }
    const QString journal = positional.first();
    if (!QFileInfo::exists(journal)) {
        err << QStringLiteral("O diário \"%1\" não existe.\n").arg(journal);
        return ExitStatus::Error;
    }
    const JournalSummary summary = JournalReader::summary(journal);
    if (summary.undone) {
        out << UndoResult{true, summary.undoneAt}.lines(journal).join(u'\n') << u'\n';
        return ExitStatus::Ok;
    }
    if (!bancoGiven)
        banco = summary.databaseName;

    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(banco);
    } catch (const UserError& e) {
        err << QStringLiteral("Erro ao Tentar Conectar!\n") << e.message() << u'\n';
        return ExitStatus::Error;
    }
    TerminalProgress progress(err, QStringLiteral("desfazendo"));
    try {
        const UndoResult result = undoJournal(journal, *db, force, &progress);
        progress.finish();
        for (const QString& line : result.lines(journal))
            out << line << u'\n';
        return ExitStatus::Ok;
    } catch (const UndoRefused& e) {
        progress.finish();
        out.flush();
        err << e.message() << u'\n';
        return ExitStatus::RunFailed;
    }
}
