// Product conversion speed: 10,000 and 100,000 new products with every column filled (50
// categories, 10 units, no pictures) into an empty embedded database, then the same sheet again in
// price-adjustment mode; each run with and without its journal, and the journalled import undone.
// Wall time and the process's own CPU time are both shown, since the
// machine may be shared.
#include "ConversionRun.h"
#include "Database.h"
#include "ProductConverter.h"
#include "RunJournal.h"
#include "UndoRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace ProductColumns;

namespace {

Grid productGrid(int rows)
{
    static const char* const units[] = {"UN", "PT30", "CX12", "KG", "METRO", "LT", "PC1", "UND", "DZ", "FR"};
    static const char* const ncms[] = {"22021000", "2203.00.00", "4011.10.00", "85365090", "12345678"};
    static const char* const csts[] = {"00", "40", "60", "102", "500"};
    Grid grid(26, rows + 1);
    const QStringList titles{QStringLiteral("Código"), QStringLiteral("Referência"), QStringLiteral("Nome")};
    for (int c = 0; c < titles.size(); ++c)
        grid.setCell(c, 0, titles.at(c));
    for (int i = 1; i <= rows; ++i) {
        grid.setCell(A, i, QString::number(i));
        grid.setCell(B, i, QStringLiteral("789%1").arg(i, 10, 10, QLatin1Char('0')));
        grid.setCell(C, i, QStringLiteral("Produto de teste número %1").arg(i));
        grid.setCell(D, i, QStringLiteral("R$ %1,%2").arg(10 + i % 90).arg(i % 100, 2, 10, QLatin1Char('0')));
        grid.setCell(E, i, QString::fromLatin1(ncms[i % 5]));
        grid.setCell(F, i, QStringLiteral("R$ %1,50").arg(5 + i % 40));
        grid.setCell(G, i, QStringLiteral("30"));
        grid.setCell(H, i, QString::fromLatin1(units[i % 10]));
        grid.setCell(I, i, QString::number(1 + i % 3));
        grid.setCell(J, i, QStringLiteral("Corredor %1").arg(i % 20));
        grid.setCell(K, i, QString::number(i % 500));
        grid.setCell(L, i, QStringLiteral("Categoria %1").arg(i % 50));
        grid.setCell(M, i, QStringLiteral("FAB%1").arg(i % 30));
        grid.setCell(N, i, QStringLiteral("Marca %1").arg(i % 40));
        grid.setCell(O, i, QStringLiteral("0,%1").arg(i % 1000));
        grid.setCell(P, i, QStringLiteral("1,%1").arg(i % 1000));
        grid.setCell(Q, i, i % 7 == 0 ? QStringLiteral("N") : QStringLiteral("S"));
        grid.setCell(R, i, QString::fromLatin1(csts[i % 5]));
        grid.setCell(S, i, QStringLiteral("1"));
        grid.setCell(T, i, QStringLiteral("7"));
        grid.setCell(U, i, QStringLiteral("03.007.00"));
        grid.setCell(W, i, QString::number(1 + i % 100));
        grid.setCell(X, i, QStringLiteral("azul"));
        grid.setCell(Y, i, QStringLiteral("500ml"));
        grid.setCell(Z, i, QStringLiteral("2,5"));
    }
    return grid;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

Timing convert(const QString& path, const Grid& grid, const RunOptions& options, RowOutcome expected,
               QString* journalFile = nullptr)
{
    Database db(path);
    ProductConverter converter;
    RunObserver observer;
    QElapsedTimer timer;
    const std::clock_t cpuStart = std::clock();
    timer.start();
    std::unique_ptr<RunJournal> journal;
    RunServices services;
    if (journalFile) {
        journal = std::make_unique<RunJournal>((qEnvironmentVariableIsSet("JDIR") ? qEnvironmentVariable("JDIR") : QFileInfo(path).absolutePath() + QStringLiteral("/Diarios")),
                                               QStringLiteral("produtos"), QString(), path, options, db);
        *journalFile = journal->fileName();
        services.journal = journal.get();
    }
    const RunResult r = runConversion(converter, grid, options, db, services, observer,
                                      RegionalSettings::forLocale("pt_BR.UTF-8"));
    Timing t;
    t.wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    t.cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    if (r.report.count(expected) != grid.rowCount() - 1)
        std::fprintf(stderr, "unexpected: %d of %d rows as expected\n", r.report.count(expected), grid.rowCount() - 1);
    return t;
}

void print(const char* what, int rows, const Timing& t)
{
    std::printf("%-18s %8d %10.2f %10.0f %10.2f %10.0f\n", what, rows, t.wall, rows / t.wall, t.cpu, rows / t.cpu);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    // One size from the command line ("bench_products 2000"), for profiling.
    QList<int> sizes{10000, 100000};
    if (argc > 1)
        sizes = {QString::fromLocal8Bit(argv[1]).toInt()};
    RunOptions import;
    import.titulos = true;
    RunOptions prices = import;
    prices.ajustarPrecos = true;

    std::printf("%-18s %8s %10s %10s %10s %10s\n", "run", "rows", "wall s", "rows/s", "cpu s", "rows/cpu s");
    Timing small;
    // Runs with and without the journal alternate (plain, journal, journal, plain) and the best of each
    // is compared, so that neither gains from running first on a machine that is warming up.
    const auto best = [](const Timing& a, const Timing& b) { return a.wall <= b.wall ? a : b; };
    for (int rows : sizes) {
        const Grid grid = productGrid(rows);
        QStringList paths;
        for (const char* name : {"a", "b", "c", "d"}) {
            paths << QDir(dir.path()).filePath(QStringLiteral("produtos-%1-%2.fdb").arg(rows).arg(QLatin1String(name)));
            Database::create(paths.last());
        }
        QString journalFile, unused;
        const Timing t1 = convert(paths[0], grid, import, RowOutcome::Inserted);
        print("import", rows, t1);
        const Timing j1 = convert(paths[1], grid, import, RowOutcome::Inserted, &journalFile);
        print("import, journal", rows, j1);
        const Timing j2 = convert(paths[2], grid, import, RowOutcome::Inserted, &unused);
        print("import, journal", rows, j2);
        const Timing t2 = convert(paths[3], grid, import, RowOutcome::Inserted);
        print("import", rows, t2);
        const Timing t = best(t1, t2), j = best(j1, j2);
        if (rows == 10000)
            small = t;
        else if (small.wall > 0)
            std::printf("100,000 products took %.1f times the time of 10,000 (%.1f times the CPU time)\n",
                        t.wall / small.wall, t.cpu / small.cpu);
        std::printf("journal, best of two: %.1f%% more wall time, %.1f%% more CPU time, %.1f MB\n",
                    (j.wall / t.wall - 1) * 100, (j.cpu / t.cpu - 1) * 100,
                    static_cast<double>(QFileInfo(journalFile).size()) / 1e6);

        {
            Database db(paths[1]);
            QElapsedTimer timer;
            const std::clock_t cpuStart = std::clock();
            timer.start();
            const UndoResult u = undoJournal(journalFile, db, false);
            Timing undo;
            undo.wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
            undo.cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            print("undo", rows, undo);
            QSqlQuery left(db.connection());
            left.exec(QStringLiteral("SELECT COUNT(*) FROM PRODUTO"));
            left.next();
            std::printf("undo: %d rows deleted, %d products left; %.2f times the journalled run's time\n", u.deleted,
                        left.value(0).toInt(), undo.wall / j1.wall);
        }

        // Each adjustment on a database imported once (the undone one imported again), so that all
        // find the same row versions; plain, journal, journal, plain again.
        convert(paths[1], grid, import, RowOutcome::Inserted);
        const Timing p1 = convert(paths[0], grid, prices, RowOutcome::Updated);
        print("price adjustment", rows, p1);
        const Timing pj1 = convert(paths[1], grid, prices, RowOutcome::Updated, &unused);
        print("prices, journal", rows, pj1);
        const Timing pj2 = convert(paths[2], grid, prices, RowOutcome::Updated, &unused);
        print("prices, journal", rows, pj2);
        const Timing p2 = convert(paths[3], grid, prices, RowOutcome::Updated);
        print("price adjustment", rows, p2);
        const Timing p = best(p1, p2), pj = best(pj1, pj2);
        std::printf("journal, best of two: %.1f%% more wall time, %.1f%% more CPU time\n", (pj.wall / p.wall - 1) * 100,
                    (pj.cpu / p.cpu - 1) * 100);
    }
    return 0;
}
