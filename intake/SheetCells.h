#pragma once

#include "CellText.h"
#include "Grid.h"
#include "RegionalSettings.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

/// The cells of one worksheet as a reader meets them, in any order and before the workbook's
/// styles are known, turned into a Grid once the whole file has been read.
///
/// Numbers keep their style index until build(), because an xlsx file may list its styles after
/// its sheets. Cells set later override earlier ones at the same place, and override() cells
/// (formula results, values a reader recovered on its own) are applied after all the others.
class SheetCells {
public:
    SheetCells();
    ~SheetCells();
    SheetCells(const SheetCells&) = delete;
    SheetCells& operator=(const SheetCells&) = delete;

    /// A number, shown according to the number format of its style (see setFormat()).
    void addNumber(int row, int column, double value);
    /// A string of the workbook's shared string table.
    void addSharedString(int row, int column, uint32_t index);
    /// A value whose text is final already.
    void addText(int row, int column, QString text);
    void addBoolean(int row, int column, bool value);
    /// Gives the cell its style (xf index); a cell with a style and no value still counts as used.
    void setFormat(int row, int column, uint32_t xf);
    /// A cell that exists without a value (a formula never calculated): used, and empty.
    void addEmpty(int row, int column);

    /// Late values that win over everything else at their place: a number with the cell's own
    /// style, or final text.
    void overrideNumber(int row, int column, double value);
    void overrideText(int row, int column, QString text);
    void overrideEmpty(int row, int column);

    /// Copies the cell just added at (row, column), if it was the last one, into the next
    /// `count` rows.
    void fillDown(int row, int column, int count);

    /// Throws ReadFailure when a grid of that size could not be held; readers that multiply cells
    /// (repeated rows) call it before they do.
    static void ensureFits(long long rows, long long columns);

    /// Whether no cell has been used yet.
    bool isEmpty() const { return m_maxRow < 0; }
    /// The last used row and column so far, from 0; -1 while nothing is used.
    int maxRow() const { return m_maxRow; }
    int maxColumn() const { return m_maxColumn; }

    /// What build() needs besides the cells.
    struct Context {
        const std::vector<QString>* sharedStrings = nullptr;
        /// The number format kind of each style index; an index past the end is General.
        const std::vector<NumberFormatKind>* styleKinds = nullptr;
        bool date1904 = false;
        const RegionalSettings* regional = nullptr;
    };

    /// Creates the grid ahead of build(), with the size the file announces (an xlsx sheet's
    /// <dimension>), so that another thread can fill it while the reader is still going: see
    /// presetText() and convertAhead(). build() keeps it when the size proves right, and starts
    /// over otherwise.
    void startGrid(int columns, int rows);
    /// Puts a text into the early grid (a value the reader itself will not give).
    void presetText(int row, int column, const QString& text);

    /// Writes the general text of the numbers the reader thread has finished adding into the early
    /// grid, on the calling thread, while the reader is still adding more; returns once
    /// `readerState` leaves ReaderRunning and every number has been seen. A place that already
    /// has a text keeps it. build() redoes the numbers whose style turns out to be a date or money.
    enum ReaderState : int { ReaderRunning, ReaderDone, ReaderFailed };
    void convertAhead(QChar decimalSeparator, const std::atomic<int>& readerState);

    /// The grid from A1 to the last used cell (1x1 when nothing is used). Throws ReadFailure when
    /// that block is too large to hold. Takes over the early grid.
    Grid build(const Context& context);

private:
    enum class Kind : uint8_t { Blank, Number, Shared, Text, Boolean };
    struct Cell {
        int32_t row;
        int32_t column;
        uint32_t xf;
        Kind kind;
        union {
            double number;
            uint32_t index;
            bool flag;
        };
    };
    struct Late {
        int32_t row;
        int32_t column;
        Kind kind;
        double number;
        QString text;
    };
    static constexpr size_t ChunkSize = 1 << 16;

    Cell& push(int row, int column, Kind kind);
    void extend(int row, int column);
    // Writes the cells of rows [firstRow, endRow); skips the numbers before `converted`, which are
    // in the grid already unless their style says otherwise.
    void fillRange(Grid& grid, const Context& context, int firstRow, int endRow, size_t converted) const;

    // Chunks rather than one vector: millions of cells grow without the copies and the double
    // peak of reallocation.
    std::vector<std::unique_ptr<Cell[]>> m_chunks;
    size_t m_count = 0;
    // Chunks before this one are complete and no longer touched by the reader.
    std::atomic<size_t> m_published{0};
    // The grid filled ahead, and how many cells convertAhead() went through.
    std::unique_ptr<Grid> m_early;
    size_t m_converted = 0;
    Cell* m_last = nullptr;
    Cell m_discard{};
    std::vector<QString> m_texts;
    std::vector<Late> m_late;
    int m_maxRow = -1;
    int m_maxColumn = -1;
};
