#include "ImportCommand.h"

#include "ConnectionSettings.h"
#include "ConversionRun.h"
#include "ConverterKinds.h"
#include "Database.h"
#include "FailedRows.h"
#include "Notifier.h"
#include "PostalCodeLookup.h"
#include "Query.h"
#include "RunJournal.h"
#include "TelegramNotifier.h"
#include "TerminalProgress.h"
#include "WorkbookReader.h"

#include <QDir>

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> s_interrupted{false};

extern "C" void onInterrupt(int) { s_interrupted.store(true); }

/// The terminal's progress, and Ctrl+C as a cancel after the current row.
class CommandLineObserver : public TerminalProgress {
public:
    explicit CommandLineObserver(QTextStream& err) : TerminalProgress(err, QStringLiteral("linha")) {}
    bool cancelRequested() override { return s_interrupted.load(); }
};

int usageError(QTextStream& err, const QString& usage, const QString& problem)
{
    err << problem << u'\n' << QStringLiteral("Uso: conversor ") << usage << u'\n';
    return ExitStatus::Error;
}

void writeReport(const RunReport& report, const QString& path, QTextStream& err)
{
    if (path.isEmpty())
        return;
    QString error;
    if (!report.saveCsv(path, &error))
        err << QStringLiteral("Não foi possível gravar o relatório \"%1\": %2\n").arg(path, error);
}

void writeFailedRows(const Grid& grid, const RunReport& report, bool titulos, const QString& path,
                     int columnsRead, QTextStream& err)
{
    if (path.isEmpty())
        return;
    QString error;
    if (!saveFailedRows(grid, report, titulos, path, &error, columnsRead))
        err << QStringLiteral("Não foi possível gravar as linhas com falha \"%1\": %2\n").arg(path, error);
}

} // namespace

QString ImportCommand::usage() const
{
    return QStringLiteral(
        "importar TIPO PLANILHA [opções]\n"
        "      TIPO: produtos, servicos, clientes, fornecedores, transportadoras ou categorias\n"
        "      --banco NOME  --titulos | --sem-titulos  --limpar  --ajustar-precos  --ajustar-tributacao\n"
        "      --ajustar-ncm  --ajustar-cest  --cst-ipi T  --cst-pis T  --cst-cofins T\n"
        "      --formato-data AAAA-MM-DD|DD/MM/AA|DD/MM/AAAA  --cod-cidade N\n"
        "      --simular  --continuar  --relatorio ARQUIVO.csv  --falhas ARQUIVO.xlsx");
}

int ImportCommand::execute(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList positional;
    RunOptions options;
    QString banco, relatorio, falhas;
    bool bancoGiven = false, cidadeGiven = false;
    int titulos = -1; // -1: the tab's default
    bool ajustarPrecos = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        const auto value = [&](QString* target) {
            if (i + 1 >= arguments.size())
                return false;
            *target = arguments.at(++i);
            return true;
        };
        bool ok = true;
        if (a == QStringLiteral("--banco")) {
            ok = value(&banco);
            bancoGiven = true;
        } else if (a == QStringLiteral("--titulos"))
            titulos = 1;
        else if (a == QStringLiteral("--sem-titulos"))
            titulos = 0;
        else if (a == QStringLiteral("--limpar"))
            options.limpar = true;
        else if (a == QStringLiteral("--ajustar-precos"))
            ajustarPrecos = true;
        else if (a == QStringLiteral("--ajustar-tributacao"))
            options.ajustarTributacao = true;
        else if (a == QStringLiteral("--ajustar-ncm"))
            options.ajustarNcm = true;
        else if (a == QStringLiteral("--ajustar-cest"))
            options.ajustarCest = true;
        else if (a == QStringLiteral("--cst-ipi"))
            ok = value(&options.cstIpi);
        else if (a == QStringLiteral("--cst-pis"))
            ok = value(&options.cstPis);
        else if (a == QStringLiteral("--cst-cofins"))
            ok = value(&options.cstCofins);
        else if (a == QStringLiteral("--formato-data")) {
            QString f;
            ok = value(&f);
            const int index = QStringList{QStringLiteral("AAAA-MM-DD"), QStringLiteral("DD/MM/AA"),
                                          QStringLiteral("DD/MM/AAAA")}
                                  .indexOf(f);
            if (ok && index < 0)
                return usageError(err, usage(), QStringLiteral("Formato de data desconhecido: %1").arg(f));
            options.formatoData = index;
        } else if (a == QStringLiteral("--cod-cidade")) {
            ok = value(&options.codCidade);
            cidadeGiven = true;
        } else if (a == QStringLiteral("--simular"))
            options.simular = true;
        else if (a == QStringLiteral("--continuar"))
            options.continuar = true;
        else if (a == QStringLiteral("--relatorio"))
            ok = value(&relatorio);
        else if (a == QStringLiteral("--falhas"))
            ok = value(&falhas);
        else if (a.startsWith(QStringLiteral("--")))
            return usageError(err, usage(), QStringLiteral("Opção desconhecida: %1").arg(a));
        else
            positional << a;
        if (!ok)
            return usageError(err, usage(), QStringLiteral("A opção %1 precisa de um valor.").arg(a));
    }
    if (positional.size() != 2)
        return usageError(err, usage(), QStringLiteral("Informe o tipo e a planilha."));
    const QString kind = positional.at(0);
    if (!ConverterKinds::all().contains(kind))
        return usageError(err, usage(), QStringLiteral("Tipo desconhecido: %1").arg(kind));
    std::unique_ptr<Converter> converter = ConverterKinds::create(kind);
    if (!converter) {
        err << QStringLiteral("A conversão de %1 ainda não está disponível nesta versão.\n").arg(kind);
        return ExitStatus::Error;
    }
    // Defaults are the window's: titles ticked on the products and services tabs only.
    const bool titledTab = kind == QStringLiteral("produtos") || kind == QStringLiteral("servicos");
    options.titulos = titulos < 0 ? titledTab : titulos == 1;
    if (kind == QStringLiteral("servicos"))
        options.ajustarPrecosServicos = ajustarPrecos;
    else
        options.ajustarPrecos = ajustarPrecos;

    const Grid grid = readWorkbook(positional.at(1));
    if (!bancoGiven)
        banco = ConnectionSettings::readDatabaseName(QDir::currentPath());

    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(banco);
    } catch (const UserError& e) {
        err << QStringLiteral("Erro ao Tentar Conectar!\n") << e.message() << u'\n';
        return ExitStatus::Error;
    }
    if (!cidadeGiven) {
        // The default city code is company 1's, as the window fills it at start-up.
        Query empresa(*db, QStringLiteral("CDSEmpresa"));
        empresa.open(QStringLiteral("SELECT * FROM EMPRESA WHERE CODIGO_EMPRESA = 1"));
        if (!empresa.isEmpty())
            options.codCidade = empresa.asText(QStringLiteral("COD_CIDADE"));
    }

    // Only missing configuration reaches the callback; it is told where the user reads.
    TelegramNotifier notifier(TelegramNotifier::configuredClient([&err](const UserError& e) {
        err << e.message() << u'\n';
        err.flush();
    }));
    ViaCepLookup postalCodes;
    RunServices services;
    services.notifier = &notifier;
    services.postalCodes = &postalCodes;
    // A run that writes keeps its journal beside the ini file, so that `desfazer` can undo it.
    std::unique_ptr<RunJournal> journal;
    if (!options.simular) {
        try {
            journal = std::make_unique<RunJournal>(RunJournal::folderBeside(QDir::currentPath()), kind,
                                                   positional.at(1), banco, options, *db);
        } catch (const UserError& e) {
            err << e.message() << QStringLiteral(" Nada foi gravado.\n");
            return ExitStatus::Error;
        }
        services.journal = journal.get();
    }
    const auto tellJournal = [&] {
        if (journal)
            err << QStringLiteral("Diário da conversão: %1\n").arg(journal->fileName());
    };
    CommandLineObserver observer(err);
    s_interrupted.store(false);
    auto* previous = std::signal(SIGINT, onInterrupt);
    try {
        const RunResult result = runConversion(*converter, grid, options, *db, services, observer);
        std::signal(SIGINT, previous);
        observer.finish();
        writeReport(result.report, relatorio, err);
        writeFailedRows(grid, result.report, options.titulos, falhas, converter->columnsRead(), err);
        tellJournal();
        for (const QString& line : result.details())
            out << line << u'\n';
        if (result.cancelled) {
            out.flush();
            err << QStringLiteral("Conversão interrompida antes da linha %1 da planilha; as linhas anteriores "
                                  "foram gravadas.\n")
                       .arg(result.stoppedAtRow + 1);
            return ExitStatus::RunFailed;
        }
        out << result.closingMessage << u'\n';
        return ExitStatus::Ok;
    } catch (const RunError& e) {
        std::signal(SIGINT, previous);
        observer.finish();
        writeReport(e.report(), relatorio, err);
        writeFailedRows(grid, e.report(), options.titulos, falhas, converter->columnsRead(), err);
        tellJournal();
        out.flush();
        err << e.message() << u'\n';
        return ExitStatus::RunFailed;
    } catch (...) {
        std::signal(SIGINT, previous);
        throw;
    }
}
