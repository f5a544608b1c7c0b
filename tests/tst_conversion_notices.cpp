// The conversion notice on its way out: a finished run posts it once through the Telegram client
// with its count, a failed run posts nothing, a silent endpoint delays the closing message by no
// more than the client's time limit without freezing the window, the window's error handler shows
// its box on the window's thread, and the command line sends its own notice.
#include "CategoryConverter.h"
#include "CommandLine.h"
#include "ConversionRun.h"
#include "Database.h"
#include "Dialogs.h"
#include "FakeBotApi.h"
#include "GridRows.h"
#include "SampleDatabase.h"
#include "TelegramConfig.h"
#include "TelegramNotifier.h"
#include "UPrincipal.h"
#include "uTelegramAPI.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <atomic>

namespace {

Grid gridOf(const QList<QStringList>& rows) { return gridOfRows(rows, 2); }

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return path;
}

// The text field of a sendMessage form.
QString sentText(const FakeBotApi::Request& r)
{
    for (const QByteArray& pair : r.body.split('&'))
        if (pair.startsWith("text="))
            return QString::fromUtf8(QByteArray::fromPercentEncoding(pair.mid(5)));
    return {};
}

QByteArray sendMessagePath()
{
    return "/bot" + cTelegram_BotToken.toUtf8() + "/sendMessage";
}

struct Shown {
    Dialogs::Kind kind;
    QString text;
    bool onWindowThread;
};

} // namespace

class TestConversionNotices : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void finishedRunPostsItsNoticeOnce();
    void failedRunPostsNothing();
    void windowRunPostsFromItsThreadAndSurvivesASilentEndpoint();
    void apiErrorBoxIsShownOnTheWindowThread();
    void commandLinePostsItsNotice();

private:
    std::unique_ptr<TForm3> startWindow(const SampleDatabase& sample);
    void loadCategories(TForm3& form, const QByteArray& csv);
    QList<Shown> m_shown;
    QString m_oldCurrent;
    QTemporaryDir m_files;
};

void TestConversionNotices::init()
{
    m_shown.clear();
    m_oldCurrent = QDir::currentPath();
    Dialogs::setMessageHook([this](Dialogs::Kind kind, const QString& text, const QString&) {
        m_shown.append({kind, text, QThread::currentThread() == qApp->thread()});
        return false;
    });
}

void TestConversionNotices::cleanup()
{
    Dialogs::setMessageHook({});
    QDir::setCurrent(m_oldCurrent);
    qunsetenv("CONVERSOR_TELEGRAM_URL");
}

std::unique_ptr<TForm3> TestConversionNotices::startWindow(const SampleDatabase& sample)
{
    sample.writeIni(sample.path().toUtf8());
    QDir::setCurrent(sample.folder());
    auto form = std::make_unique<TForm3>();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        qWarning("window not exposed");
    return form;
}

void TestConversionNotices::loadCategories(TForm3& form, const QByteArray& csv)
{
    QSignalSpy loaded(&form, &TForm3::loadFinished);
    Dialogs::setNextOpenFileName(writeFile(m_files, QStringLiteral("categorias.csv"), csv));
    form.findChild<QPushButton*>(QStringLiteral("Button9"))->click();
    QTRY_COMPARE(loaded.size(), 1);
}

void TestConversionNotices::finishedRunPostsItsNoticeOnce()
{
    FakeBotApi api;
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    SampleDatabase sample;
    QStringList errors;
    TelegramNotifier notifier(
        TelegramNotifier::configuredClient([&errors](const UserError& e) { errors << e.message(); }));
    RunOptions options;
    options.titulos = true;
    RunObserver observer;
    CategoryConverter converter;
    Database db(sample.path());
    const RunResult r = runConversion(converter,
                                      gridOf({{QStringLiteral("Código"), QStringLiteral("Nome")},
                                              {QStringLiteral("1"), QStringLiteral("Bebidas")},
                                              {QString(), QString()},
                                              {QStringLiteral("2"), QStringLiteral("Limpeza & Cia = 100%")}}),
                                      options, db, {&notifier}, observer);

    // Skipped rows count too; the company text is empty, hence the two blanks.
    QCOMPARE(r.closingMessage, QStringLiteral("3 Categorias Importadas!"));
    QCOMPARE(api.requestCount(), 1);
    const FakeBotApi::Request sent = api.requests().first();
    QCOMPARE(sent.method, QByteArray("POST"));
    QCOMPARE(sent.path, sendMessagePath());
    QCOMPARE(sent.body,
             QByteArray("chat_id=%40redurevez&text=VANDOR%20CONVERSOR%2011%2F03%2F2022%20Empresa%3A%20%20"
                        "3%20Categorias%20Importadas%21"));
    QCOMPARE(sentText(sent), r.noticeText);
    QVERIFY(errors.isEmpty());

    // A dry run sends nothing.
    options.simular = true;
    runConversion(converter, gridOf({{QStringLiteral("5"), QStringLiteral("Frios")}}), options, db,
                  {&notifier}, observer);
    QCOMPARE(api.requestCount(), 1);
}

void TestConversionNotices::failedRunPostsNothing()
{
    FakeBotApi api;
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    SampleDatabase sample;
    TelegramNotifier notifier(TelegramNotifier::configuredClient({}));
    RunOptions options;
    RunObserver observer;
    CategoryConverter converter;
    Database db(sample.path());
    // NOME_CATEGORIA holds 60 characters.
    QVERIFY_THROWS_EXCEPTION(RunError, runConversion(converter,
                                                     gridOf({{QStringLiteral("1"), QStringLiteral("Um")},
                                                             {QStringLiteral("2"), QString(80, u'X')}}),
                                                     options, db, {&notifier}, observer));
    QCOMPARE(api.requestCount(), 0);
}

void TestConversionNotices::windowRunPostsFromItsThreadAndSurvivesASilentEndpoint()
{
    SampleDatabase sample;
    auto form = startWindow(sample);
    QTRY_VERIFY(form->database() != nullptr);
    loadCategories(*form, "1;Bebidas\n2;Limpeza\n");
    QSignalSpy finished(form.get(), &TForm3::runFinished);
    auto* convert = form->findChild<QPushButton*>(QStringLiteral("Button10"));

    // An endpoint that answers: the notice goes out once, then the closing message.
    {
        FakeBotApi api;
        qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
        convert->click();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(api.requestCount(), 1);
        QCOMPARE(sentText(api.requests().first()),
                 QStringLiteral("VANDOR CONVERSOR 11/03/2022 Empresa:  2 Categorias Importadas!"));
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.first().text, QStringLiteral("2 Categorias Importadas!"));
    }

    // An endpoint that takes the request and never answers: the run still ends at the client's time
    // limit with its closing message and no other box, and the window keeps answering meanwhile.
    m_shown.clear();
    FakeBotApi silent(true);
    qputenv("CONVERSOR_TELEGRAM_URL", silent.baseUrl().toUtf8());
    int ticks = 0;
    QTimer heartbeat;
    connect(&heartbeat, &QTimer::timeout, this, [&ticks] { ++ticks; });
    heartbeat.start(100);
    QElapsedTimer clock;
    clock.start();
    convert->click();
    QTRY_VERIFY_WITH_TIMEOUT(silent.requestCount() == 1, 5000);
    const int ticksBeforeWaiting = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(finished.size() == 2, TTelegramAPI::cTimeoutMilliseconds + 3000);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= TTelegramAPI::cTimeoutMilliseconds * 9 / 10, qPrintable(QString::number(elapsed)));
    QVERIFY2(ticks - ticksBeforeWaiting >= 20, qPrintable(QString::number(ticks - ticksBeforeWaiting)));
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.first().kind, Dialogs::Kind::Information);
    QCOMPARE(m_shown.first().text, QStringLiteral("2 Categorias Importadas!"));
}

void TestConversionNotices::apiErrorBoxIsShownOnTheWindowThread()
{
    TForm3 form;
    // On the window's thread the box comes at once.
    form.OnAPIError(TTelegramError(QStringLiteral("BotToken is Empty!")));
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.first().kind, Dialogs::Kind::Warning);
    QCOMPARE(m_shown.first().text, QStringLiteral("BotToken is Empty!"));

    // From another thread the caller waits until the box has been shown on the window's thread.
    std::atomic<bool> returned{false};
    int shownWhenReturned = -1;
    QThread* worker = QThread::create([&] {
        form.OnAPIError(TTelegramError(QStringLiteral("UserID is Empty!")));
        shownWhenReturned = static_cast<int>(m_shown.size());
        returned.store(true);
    });
    worker->start();
    QTRY_VERIFY(returned.load());
    QVERIFY(worker->wait(5000));
    delete worker;
    QCOMPARE(shownWhenReturned, 2);
    QCOMPARE(m_shown.at(1).text, QStringLiteral("UserID is Empty!"));
    QCOMPARE(m_shown.at(1).kind, Dialogs::Kind::Warning);
    QVERIFY(m_shown.at(1).onWindowThread);
}

void TestConversionNotices::commandLinePostsItsNotice()
{
    FakeBotApi api;
    qputenv("CONVERSOR_TELEGRAM_URL", api.baseUrl().toUtf8());
    SampleDatabase sample;
    QDir::setCurrent(sample.folder()); // where the run's journal goes
    const QString csv =
        writeFile(m_files, QStringLiteral("cli.csv"), "Código;Nome\n7;Frios\n8;Laticínios\n9;Padaria\n");
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = runCommandLine({QStringLiteral("importar"), QStringLiteral("categorias"), csv,
                                       QStringLiteral("--banco"), sample.path(), QStringLiteral("--titulos")},
                                      o, e);
    o.flush();
    e.flush();
    QCOMPARE(status, 0);
    QVERIFY2(out.contains(QStringLiteral("3 Categorias Importadas!")), qPrintable(out));
    QCOMPARE(api.requestCount(), 1);
    QCOMPARE(api.requests().first().path, sendMessagePath());
    QCOMPARE(sentText(api.requests().first()),
             QStringLiteral("VANDOR CONVERSOR 11/03/2022 Empresa:  3 Categorias Importadas!"));
    // Nothing on the error stream but where the run's journal is.
    QVERIFY2(QRegularExpression(QStringLiteral("^Diário da conversão: .*/Diarios/[^/]+_categorias\\.jsonl\n$"))
                 .match(err)
                 .hasMatch(),
             qPrintable(err));
}

QTEST_MAIN(TestConversionNotices)
#include "tst_conversion_notices.moc"
