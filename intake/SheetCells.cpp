#include "SheetCells.h"

#include "ReadFailure.h"

#include <chrono>
#include <cmath>
#include <exception>
#include <thread>
#include <unordered_map>

namespace {

// A grid holds a QString (24 bytes) per cell: beyond this the block would not fit in the memory
// of the machines the program runs on, and is almost certainly a stray formatted cell far away.
constexpr long long MaxGridCells = 50'000'000;

// Below this many cells a second thread costs more than it saves.
constexpr size_t ParallelBuildThreshold = 200'000;

uint64_t key(int row, int column) { return (uint64_t(uint32_t(row)) << 32) | uint32_t(column); }

// Texts of small whole numbers, made once per build: quantity and code columns repeat them a lot,
// and a shared copy costs no allocation.
class SmallNumbers {
public:
    explicit SmallNumbers(QChar separator) : m_separator(separator) {}
    const QString* find(double value)
    {
        if (!(value >= 0.0 && value < double(Size)) || value != std::floor(value))
            return nullptr;
        QString& text = m_texts[size_t(value)];
        if (text.isNull())
            text = CellText::numberText(value, m_separator);
        return &text;
    }

private:
    static constexpr int Size = 1024;
    QChar m_separator;
    std::vector<QString> m_texts = std::vector<QString>(Size);
};

} // namespace

// Enough chunk slots for four billion cells, reserved up front so that the vector never moves
// while convertAhead() reads it from another thread.
constexpr size_t MaxChunks = size_t(1) << 16;

SheetCells::SheetCells() { m_chunks.reserve(MaxChunks); }
SheetCells::~SheetCells() = default;

void SheetCells::extend(int row, int column)
{
    if (row > m_maxRow)
        m_maxRow = row;
    if (column > m_maxColumn)
        m_maxColumn = column;
}

SheetCells::Cell& SheetCells::push(int row, int column, Kind kind)
{
    // A position no worksheet can have only comes from a broken file; it must not reach the grid.
    if (row < 0 || column < 0)
        return m_discard;
    if (m_count % ChunkSize == 0 && m_count / ChunkSize == m_chunks.size()) {
        if (m_chunks.size() == MaxChunks)
            throw ReadFailure(QStringLiteral("a planilha tem células demais"));
        // Left uninitialised: every cell is written before it is read.
        m_chunks.push_back(std::unique_ptr<Cell[]>(new Cell[ChunkSize]));
        // The chunk before is final: the reader only ever touches the cell it added last.
        m_published.store(m_chunks.size() - 1, std::memory_order_release);
    }
    Cell& cell = m_chunks[m_count / ChunkSize][m_count % ChunkSize];
    ++m_count;
    cell.row = row;
    cell.column = column;
    cell.xf = 0;
    cell.kind = kind;
    cell.number = 0.0;
    m_last = &cell;
    extend(row, column);
    return cell;
}

void SheetCells::addNumber(int row, int column, double value) { push(row, column, Kind::Number).number = value; }

void SheetCells::addSharedString(int row, int column, uint32_t index)
{
    push(row, column, Kind::Shared).index = index;
}

void SheetCells::addText(int row, int column, QString text)
{
    Cell& cell = push(row, column, Kind::Text);
    if (&cell == &m_discard)
        return;
    cell.index = uint32_t(m_texts.size());
    m_texts.push_back(std::move(text));
}

void SheetCells::addBoolean(int row, int column, bool value) { push(row, column, Kind::Boolean).flag = value; }

void SheetCells::setFormat(int row, int column, uint32_t xf)
{
    // Readers give a cell's style right after its value, so the last cell is nearly always it.
    if (m_last && m_last->row == row && m_last->column == column) {
        m_last->xf = xf;
        return;
    }
    push(row, column, Kind::Blank).xf = xf;
}

void SheetCells::addEmpty(int row, int column) { push(row, column, Kind::Blank); }

void SheetCells::overrideNumber(int row, int column, double value)
{
    if (row < 0 || column < 0)
        return;
    m_late.push_back(Late{row, column, Kind::Number, value, QString()});
    extend(row, column);
}

void SheetCells::overrideText(int row, int column, QString text)
{
    if (row < 0 || column < 0)
        return;
    m_late.push_back(Late{row, column, Kind::Text, 0.0, std::move(text)});
    extend(row, column);
}

void SheetCells::overrideEmpty(int row, int column)
{
    if (row >= 0 && column >= 0)
        extend(row, column);
}

void SheetCells::fillDown(int row, int column, int count)
{
    if (!m_last || m_last->row != row || m_last->column != column || count <= 0)
        return;
    const Cell source = *m_last;
    const QString text = source.kind == Kind::Text ? m_texts[source.index] : QString();
    for (int i = 1; i <= count; ++i) {
        Cell& copy = push(row + i, column, source.kind);
        copy.xf = source.xf;
        copy.number = source.number;
        if (source.kind == Kind::Text) {
            copy.index = uint32_t(m_texts.size());
            m_texts.push_back(text);
        } else if (source.kind == Kind::Shared) {
            copy.index = source.index;
        } else if (source.kind == Kind::Boolean) {
            copy.flag = source.flag;
        }
    }
}

void SheetCells::ensureFits(long long rows, long long columns)
{
    if (rows * columns > MaxGridCells) {
        throw ReadFailure(QStringLiteral("a área usada da planilha é grande demais (%1 linhas por %2 colunas)")
                              .arg(rows)
                              .arg(columns));
    }
}

void SheetCells::startGrid(int columns, int rows)
{
    if (columns > 0 && rows > 0 && static_cast<long long>(columns) * rows <= MaxGridCells)
        m_early = std::make_unique<Grid>(columns, rows);
}

void SheetCells::presetText(int row, int column, const QString& text)
{
    if (m_early && row >= 0 && column >= 0 && row < m_early->rowCount() && column < m_early->columnCount())
        m_early->setCell(column, row, text);
}

void SheetCells::convertAhead(QChar decimalSeparator, const std::atomic<int>& readerState)
{
    SmallNumbers small(decimalSeparator);
    const auto convert = [&](size_t first, size_t end) {
        for (size_t i = first; i < end; ++i) {
            const Cell& cell = m_chunks[i / ChunkSize][i % ChunkSize];
            if (cell.kind != Kind::Number || cell.row >= m_early->rowCount() || cell.column >= m_early->columnCount()
                || !m_early->cell(cell.column, cell.row).isNull())
                continue;
            const QString* cached = small.find(cell.number);
            m_early->setCell(cell.column, cell.row,
                             cached ? *cached : CellText::numberText(cell.number, decimalSeparator));
        }
    };
    size_t next = 0;
    while (m_early) {
        const size_t published = m_published.load(std::memory_order_acquire);
        while (next < published) {
            if (readerState.load(std::memory_order_relaxed) == ReaderFailed)
                return;
            convert(next * ChunkSize, (next + 1) * ChunkSize);
            m_converted = ++next * ChunkSize;
        }
        const int state = readerState.load(std::memory_order_acquire);
        if (state == ReaderFailed)
            return;
        if (state == ReaderDone) {
            // The reader has stopped: the last, partly filled chunk is final too.
            convert(next * ChunkSize, m_count);
            m_converted = m_count;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void SheetCells::fillRange(Grid& grid, const Context& context, int firstRow, int endRow, size_t converted) const
{
    const RegionalSettings& regional = *context.regional;
    const QChar separator = regional.decimalSeparator();
    const std::vector<QString> noStrings;
    const std::vector<QString>& shared = context.sharedStrings ? *context.sharedStrings : noStrings;
    const std::vector<NumberFormatKind> noKinds;
    const std::vector<NumberFormatKind>& kinds = context.styleKinds ? *context.styleKinds : noKinds;
    SmallNumbers small(separator);

    for (size_t i = 0; i < m_count; ++i) {
        const Cell& cell = m_chunks[i / ChunkSize][i % ChunkSize];
        if (cell.row < firstRow || cell.row >= endRow)
            continue;
        switch (cell.kind) {
        case Kind::Blank:
            break;
        case Kind::Number: {
            const NumberFormatKind kind = cell.xf < kinds.size() ? kinds[cell.xf] : NumberFormatKind::General;
            if (kind == NumberFormatKind::General && i < converted)
                break;
            if (kind != NumberFormatKind::Date) {
                if (const QString* text = small.find(cell.number)) {
                    grid.setCell(cell.column, cell.row, *text);
                    break;
                }
            }
            grid.setCell(cell.column, cell.row, CellText::valueText(cell.number, kind, context.date1904, regional));
            break;
        }
        case Kind::Shared:
            grid.setCell(cell.column, cell.row, cell.index < shared.size() ? shared[cell.index] : QString());
            break;
        case Kind::Text:
            grid.setCell(cell.column, cell.row, m_texts[cell.index]);
            break;
        case Kind::Boolean:
            grid.setCell(cell.column, cell.row, CellText::booleanText(cell.flag));
            break;
        }
    }
}

Grid SheetCells::build(const Context& context)
{
    const int rows = m_maxRow < 0 ? 1 : m_maxRow + 1;
    const int columns = m_maxColumn < 0 ? 1 : m_maxColumn + 1;
    ensureFits(rows, columns);
    // The early grid holds the general text of the numbers already, if its size was the right one.
    size_t converted = 0;
    Grid grid = [&] {
        if (m_early && m_early->columnCount() == columns && m_early->rowCount() == rows) {
            converted = m_converted;
            return std::move(*m_early);
        }
        return Grid(columns, rows);
    }();
    m_early.reset();

    if (m_count >= ParallelBuildThreshold && rows > 1) {
        // Rows split in two halves: each thread writes only its own cells of the grid.
        const int middle = rows / 2;
        std::exception_ptr failure;
        std::thread helper([&] {
            try {
                fillRange(grid, context, middle, rows, converted);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        try {
            fillRange(grid, context, 0, middle, converted);
        } catch (...) {
            helper.join();
            throw;
        }
        helper.join();
        if (failure)
            std::rethrow_exception(failure);
    } else {
        fillRange(grid, context, 0, rows, converted);
    }

    if (!m_late.empty()) {
        // A late number takes the style its cell got while the sheet was read.
        std::unordered_map<uint64_t, uint32_t> styleAt;
        for (const Late& late : m_late) {
            if (late.kind == Kind::Number)
                styleAt.emplace(key(late.row, late.column), 0u);
        }
        if (!styleAt.empty()) {
            for (size_t i = 0; i < m_count; ++i) {
                const Cell& cell = m_chunks[i / ChunkSize][i % ChunkSize];
                const auto it = styleAt.find(key(cell.row, cell.column));
                if (it != styleAt.end() && cell.xf != 0)
                    it->second = cell.xf;
            }
        }
        const std::vector<NumberFormatKind> noKinds;
        const std::vector<NumberFormatKind>& kinds = context.styleKinds ? *context.styleKinds : noKinds;
        for (const Late& late : m_late) {
            if (late.kind == Kind::Number) {
                const uint32_t xf = styleAt[key(late.row, late.column)];
                const NumberFormatKind kind = xf < kinds.size() ? kinds[xf] : NumberFormatKind::General;
                grid.setCell(late.column, late.row,
                             CellText::valueText(late.number, kind, context.date1904, *context.regional));
            } else {
                grid.setCell(late.column, late.row, late.text);
            }
        }
    }
    return grid;
}
