#include "ConversionRunner.h"

#include "ConverterKinds.h"
#include "Database.h"
#include "Notifier.h"
#include "PostalCodeLookup.h"
#include "RunJournal.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

class ThreadObserver : public RunObserver {
public:
    ThreadObserver(ConversionRunner& runner, std::atomic<bool>& cancel) : m_runner(runner), m_cancel(cancel)
    {
        m_clock.start();
    }
    void started(int rowCount) override { emit m_runner.started(rowCount); }
    void progress(int row) override
    {
        // The bar needs no more than a few dozen updates a second.
        if (m_clock.elapsed() < 30 && row != 0)
            return;
        m_clock.restart();
        emit m_runner.progress(row);
    }
    bool cancelRequested() override { return m_cancel.load(); }

private:
    ConversionRunner& m_runner;
    std::atomic<bool>& m_cancel;
    QElapsedTimer m_clock;
};

} // namespace

ConversionRunner::ConversionRunner(QString kind, Grid grid, RunOptions options, QString databaseName, QObject* parent)
    : QObject(parent), m_kind(std::move(kind)), m_grid(std::move(grid)), m_options(std::move(options)),
      m_databaseName(std::move(databaseName))
{
}

ConversionRunner::~ConversionRunner()
{
    if (m_thread) {
        m_cancel.store(true);
        m_thread->wait();
        delete m_thread;
    }
}

void ConversionRunner::start()
{
    m_thread = QThread::create([this] { work(); });
    connect(m_thread, &QThread::finished, this, &ConversionRunner::finished);
    m_thread->start();
}

bool ConversionRunner::isRunning() const { return m_thread && m_thread->isRunning(); }

void ConversionRunner::work()
{
    try {
        std::unique_ptr<Converter> converter = ConverterKinds::create(m_kind);
        if (!converter)
            throw UserError(QStringLiteral("A conversão de %1 ainda não está disponível nesta versão.").arg(m_kind));
        Database db(m_databaseName);
        const std::unique_ptr<Notifier> notifier =
            m_notifierFactory ? m_notifierFactory() : std::make_unique<NullNotifier>();
        ViaCepLookup postalCodes;
        RunServices services;
        services.notifier = notifier.get();
        services.postalCodes = &postalCodes;
        // Made here, on the thread of the connection it reads, and before anything is written.
        std::unique_ptr<RunJournal> journal;
        if (!m_options.simular && !m_journalFolder.isEmpty()) {
            try {
                journal = std::make_unique<RunJournal>(m_journalFolder, m_kind, m_workbook, m_databaseName, m_options,
                                                       db);
            } catch (const UserError& e) {
                throw UserError(e.message() + QStringLiteral(" Nada foi gravado."));
            }
            m_outcome.journal = journal->fileName();
            services.journal = journal.get();
        }
        ThreadObserver observer(*this, m_cancel);
        m_outcome.result = runConversion(*converter, m_grid, m_options, db, services, observer);
        m_outcome.report = m_outcome.result.report;
        m_outcome.ok = true;
    } catch (const RunError& e) {
        m_outcome.error = e.message();
        m_outcome.report = e.report();
    } catch (const UserError& e) {
        m_outcome.error = e.message();
    } catch (const std::exception& e) {
        m_outcome.error = QString::fromUtf8(e.what());
    }
}
