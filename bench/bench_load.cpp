// Benchmark of the workbook loader: writes 100,000 x 26 and 10,000 x 26 xlsx files the way a
// streaming exporter does (libxlsxwriter in constant-memory mode: inline strings, ~600,000
// distinct texts at full size, prices, costs, quantities and measures with a few decimals, one
// column of full-precision ratios), then times readWorkbook() on each in a child process of its
// own (median of 3, peak resident memory of that child) and, when python3 has openpyxl, the same
// with openpyxl's read-only mode for comparison. Last, the 100,000 rows once more as Excel stores
// them (shared strings), which orcus reads cell by cell. On a machine busy with other work, the
// CPU seconds say more than the wall-clock times.
//
//   bench_load [DIR]              files go to DIR (kept) or to a temporary folder
//   bench_load --measure FILE     (internal) one load, prints "milliseconds rows columns"
#include "WorkbookReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int Columns = 26;
constexpr int Runs = 3;

// libxlsxwriter prints numbers with printf: they must be written with a point whatever the
// environment's locale.
class ClassicNumbers {
public:
    ClassicNumbers() : m_locale(newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr)))
    {
        if (m_locale)
            m_previous = uselocale(m_locale);
    }
    ~ClassicNumbers()
    {
        if (m_locale) {
            uselocale(m_previous);
            freelocale(m_locale);
        }
    }
    ClassicNumbers(const ClassicNumbers&) = delete;
    ClassicNumbers& operator=(const ClassicNumbers&) = delete;

private:
    locale_t m_locale;
    locale_t m_previous = locale_t(nullptr);
};

const char* const Words[] = {"parafuso", "arruela", "porca", "chave", "broca", "cabo", "tomada", "lâmpada",
                             "fita", "cola", "tinta", "pincel", "lixa", "serra", "martelo", "alicate"};
const char* const Units[] = {"UN", "CX", "KG", "L", "M", "PC"};

bool writeWorkbook(const std::string& path, int rows, bool constantMemory)
{
    const ClassicNumbers classic;
    lxw_workbook_options options = {};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* workbook = workbook_new_opt(path.c_str(), &options);
    if (!workbook)
        return false;
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Produtos");
    const char* const header[Columns] = {"Código", "Descrição", "Unidade", "NCM", "Marca", "Fornecedor", "EAN",
                                         "Preço", "Custo", "Estoque", "Peso", "Altura", "Largura", "Profundidade",
                                         "Margem", "Desconto", "IPI", "ICMS", "Mínimo", "Máximo", "Giro",
                                         "Lote", "Fator", "Saldo", "Média", "Índice"};
    for (int c = 0; c < Columns; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), header[c], nullptr);

    char text[128];
    unsigned seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFFF;
    };
    for (int r = 1; r < rows; ++r) {
        const lxw_row_t row = lxw_row_t(r);
        std::snprintf(text, sizeof text, "P%07d", r);
        worksheet_write_string(sheet, row, 0, text, nullptr);
        std::snprintf(text, sizeof text, "%s %s %d mm", Words[next() % 16], Words[next() % 16], r);
        worksheet_write_string(sheet, row, 1, text, nullptr);
        worksheet_write_string(sheet, row, 2, Units[next() % 6], nullptr);
        std::snprintf(text, sizeof text, "%04u.%02u.%02u-%d", next() % 10000, next() % 100, next() % 100, r);
        worksheet_write_string(sheet, row, 3, text, nullptr);
        std::snprintf(text, sizeof text, "Marca %c%c %d", 'A' + char(next() % 26), 'A' + char(next() % 26), r);
        worksheet_write_string(sheet, row, 4, text, nullptr);
        std::snprintf(text, sizeof text, "Fornecedor %06u Ltda %d", next() % 1000000, r);
        worksheet_write_string(sheet, row, 5, text, nullptr);
        std::snprintf(text, sizeof text, "789%010d", r * 7);
        worksheet_write_string(sheet, row, 6, text, nullptr);

        const double price = double(next() % 10000000) / 100.0;
        worksheet_write_number(sheet, row, 7, price, nullptr);
        worksheet_write_number(sheet, row, 8, std::round(price * 6180.339887) / 10000.0, nullptr);
        worksheet_write_number(sheet, row, 9, double(next() % 5000), nullptr);
        worksheet_write_number(sheet, row, 10, double(next() % 100000) / 1000.0, nullptr);
        for (int c = 11; c < 14; ++c)
            worksheet_write_number(sheet, row, lxw_col_t(c), double(next() % 2000) / 10.0, nullptr);
        worksheet_write_number(sheet, row, 14, double(next() % 10000) / 10000.0, nullptr);
        worksheet_write_number(sheet, row, 15, -double(next() % 500) / 100.0, nullptr);
        worksheet_write_number(sheet, row, 16, double(next() % 30), nullptr);
        worksheet_write_number(sheet, row, 17, 0.18, nullptr);
        worksheet_write_number(sheet, row, 18, double(next() % 100), nullptr);
        worksheet_write_number(sheet, row, 19, double(next() % 100000), nullptr);
        worksheet_write_number(sheet, row, 20, double(next()) / 3.0, nullptr);
        worksheet_write_number(sheet, row, 21, double(r / 100), nullptr);
        worksheet_write_number(sheet, row, 22, 1.0 + double(next() % 1000) / 1e6, nullptr);
        worksheet_write_number(sheet, row, 23, (double(next()) - 8e6) * 12.5, nullptr);
        worksheet_write_number(sheet, row, 24, std::round(double(next()) / 0.07) / 100.0, nullptr);
        worksheet_write_number(sheet, row, 25, double(next() % 1000) * 1e-7, nullptr);
    }
    return workbook_close(workbook) == LXW_NO_ERROR;
}

struct Measurement {
    double seconds = 0.0;
    double cpuSeconds = 0.0; // user and system, both cores together
    long peakKiB = 0;
    std::string output;
};

// Runs a program and waits for it: wall time, its own peak resident memory, its standard output.
std::optional<Measurement> runChild(const std::vector<std::string>& argv, bool quiet = false)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return std::nullopt;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        if (quiet) {
            const int null = open("/dev/null", O_WRONLY);
            if (null >= 0)
                dup2(null, STDERR_FILENO);
        }
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    Measurement m;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        m.output.append(buffer, size_t(n));
    close(pipeFds[0]);
    int status = 0;
    struct rusage usage = {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakKiB = usage.ru_maxrss;
    m.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return m;
}

struct Summary {
    double seconds = 0.0;     // median
    double loadSeconds = 0.0; // median of the load alone, as the child timed it
    double fastest = 0.0;     // of the load alone
    double cpuSeconds = 0.0;  // median, of the whole child process
    long peakKiB = 0;         // largest of the runs
};

std::optional<Summary> measure(const std::vector<std::string>& argv, bool selfTimed)
{
    std::vector<double> wall;
    std::vector<double> load;
    std::vector<double> cpu;
    long peak = 0;
    for (int i = 0; i < Runs; ++i) {
        const std::optional<Measurement> m = runChild(argv);
        if (!m)
            return std::nullopt;
        wall.push_back(m->seconds);
        cpu.push_back(m->cpuSeconds);
        peak = std::max(peak, m->peakKiB);
        if (selfTimed)
            load.push_back(std::atof(m->output.c_str()) / 1000.0);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(load.begin(), load.end());
    std::sort(cpu.begin(), cpu.end());
    Summary s;
    s.seconds = wall[Runs / 2];
    s.loadSeconds = selfTimed ? load[Runs / 2] : s.seconds;
    s.fastest = selfTimed ? load.front() : wall.front();
    s.cpuSeconds = cpu[Runs / 2];
    s.peakKiB = peak;
    return s;
}

std::optional<std::string> pythonWithOpenpyxl()
{
    for (const char* candidate : {"python3", "/usr/bin/python3"}) {
        if (runChild({candidate, "-c", "import openpyxl"}, true))
            return std::string(candidate);
    }
    return std::nullopt;
}

int measureOnce(const char* file)
{
    QElapsedTimer timer;
    timer.start();
    try {
        const Grid grid = readWorkbook(QString::fromLocal8Bit(file));
        std::printf("%lld %d %d\n", static_cast<long long>(timer.elapsed()), grid.rowCount(), grid.columnCount());
        return 0;
    } catch (const UserError& e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--measure") == 0)
        return measureOnce(argv[2]);

    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString dir = argc > 1 ? QDir(QString::fromLocal8Bit(argv[1])).absolutePath() : temporary.path();
    QDir().mkpath(dir);
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const std::string script = std::string(CONVERSOR_SOURCE_DIR) + "/bench/openpyxl_read.py";
    const std::optional<std::string> python = pythonWithOpenpyxl();
    if (!python)
        std::printf("python3 with openpyxl not found: no comparison\n");

    double secondsPerRowSmall = 0.0;
    for (int rows : {10000, 100000}) {
        const std::string path = QString(dir + QStringLiteral("/bench_%1.xlsx").arg(rows)).toStdString();
        std::printf("\nwriting %d x %d to %s ...\n", rows, Columns, path.c_str());
        std::fflush(stdout);
        if (!writeWorkbook(path, rows, true)) {
            std::fprintf(stderr, "libxlsxwriter could not write %s\n", path.c_str());
            return 1;
        }
        const double megabytes = double(QFileInfo(QString::fromStdString(path)).size()) / 1e6;
        const std::optional<Summary> ours = measure({self, "--measure", path}, true);
        if (!ours) {
            std::fprintf(stderr, "readWorkbook failed on %s\n", path.c_str());
            return 1;
        }
        std::printf("%d rows x %d columns, %.1f MB\n", rows, Columns, megabytes);
        std::printf("  readWorkbook: %.2f s load (fastest %.2f s; %.2f s with process start), %.0f rows/s, "
                    "%.2f s of CPU, peak %.0f MiB\n",
                    ours->loadSeconds, ours->fastest, ours->seconds, rows / ours->loadSeconds, ours->cpuSeconds,
                    ours->peakKiB / 1024.0);
        if (python) {
            if (const std::optional<Summary> theirs = measure({*python, script, path}, false)) {
                std::printf("  openpyxl read-only: %.2f s, %.2f s of CPU, peak %.0f MiB; readWorkbook is %.1fx faster\n",
                            theirs->seconds, theirs->cpuSeconds, theirs->peakKiB / 1024.0,
                            theirs->seconds / ours->loadSeconds);
            } else {
                std::printf("  openpyxl failed on the file\n");
            }
        }
        if (rows == 10000) {
            secondsPerRowSmall = ours->loadSeconds / rows;
        } else if (secondsPerRowSmall > 0.0) {
            std::printf("  time per row, 100,000 rows against 10,000: %.2fx\n",
                        (ours->loadSeconds / rows) / secondsPerRowSmall);
        }
        std::fflush(stdout);
    }

    // The same rows as Excel itself would store them: a shared string table, cells read by orcus.
    const std::string shared = QString(dir + QStringLiteral("/bench_100000_shared.xlsx")).toStdString();
    std::printf("\nwriting 100000 x %d with shared strings to %s ...\n", Columns, shared.c_str());
    std::fflush(stdout);
    if (!writeWorkbook(shared, 100000, false)) {
        std::fprintf(stderr, "libxlsxwriter could not write %s\n", shared.c_str());
        return 1;
    }
    if (const std::optional<Summary> ours = measure({self, "--measure", shared}, true)) {
        std::printf("100000 rows x %d columns, shared strings, %.1f MB\n", Columns,
                    double(QFileInfo(QString::fromStdString(shared)).size()) / 1e6);
        std::printf("  readWorkbook: %.2f s load (fastest %.2f s), %.0f rows/s, %.2f s of CPU, peak %.0f MiB\n",
                    ours->loadSeconds, ours->fastest, 100000 / ours->loadSeconds, ours->cpuSeconds,
                    ours->peakKiB / 1024.0);
    }
    return 0;
}
