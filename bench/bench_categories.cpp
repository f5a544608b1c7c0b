// Category conversion speed: 10,000 and 100,000 rows into an empty embedded database, beside a
// plain prepared INSERT of the same rows in one transaction (the limit a converter can approach).
#include "CategoryConverter.h"
#include "ConversionRun.h"
#include "Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

namespace {

Grid categoryGrid(int rows)
{
    Grid grid(2, rows);
    for (int y = 0; y < rows; ++y) {
        grid.setCell(0, y, QString::number(y + 1));
        grid.setCell(1, y, QStringLiteral("Categoria de produtos número %1").arg(y + 1));
    }
    return grid;
}

double convert(const QString& path, const Grid& grid)
{
    Database db(path);
    CategoryConverter converter;
    RunObserver observer;
    QElapsedTimer timer;
    timer.start();
    const RunResult r = runConversion(converter, grid, RunOptions(), db, {}, observer);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (r.report.count(RowOutcome::Inserted) != grid.rowCount())
        std::fprintf(stderr, "unexpected: %d rows inserted\n", r.report.count(RowOutcome::Inserted));
    return seconds;
}

double plainInsert(const QString& path, const Grid& grid)
{
    Database db(path);
    QElapsedTimer timer;
    timer.start();
    db.begin();
    for (int y = 0; y < grid.rowCount(); ++y)
        db.execute(QStringLiteral("INSERT INTO CATEGORIA (CODIGO_CATEGORIA, NOME_CATEGORIA, CODIGO_EMPRESA) VALUES (?, ?, ?)"),
                   {grid.cell(0, y).toInt(), grid.cell(1, y), 1});
    db.commit();
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("%-10s %12s %12s %14s %14s %8s\n", "rows", "convert s", "rows/s", "plain INSERT s", "plain rows/s",
                "ratio");
    double small = 0;
    for (int rows : {10000, 100000}) {
        const Grid grid = categoryGrid(rows);
        const QString a = QDir(dir.path()).filePath(QStringLiteral("conv-%1.fdb").arg(rows));
        const QString b = QDir(dir.path()).filePath(QStringLiteral("plain-%1.fdb").arg(rows));
        Database::create(a);
        Database::create(b);
        const double t = convert(a, grid);
        const double p = plainInsert(b, grid);
        std::printf("%-10d %12.2f %12.0f %14.2f %14.0f %8.2f\n", rows, t, rows / t, p, rows / p, t / p);
        if (rows == 10000)
            small = t;
        else
            std::printf("100,000 rows took %.1f times the time of 10,000\n", t / small);
    }
    return 0;
}
