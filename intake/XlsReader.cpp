#include "XlsReader.h"

#include "BiffCells.h"
#include "CellText.h"
#include "CompoundFile.h"
#include "ReadFailure.h"

#include <QFile>

#include <freexl.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

QString freexlReason(int code)
{
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("o arquivo não pôde ser aberto");
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("não há memória suficiente para carregar a planilha");
    case FREEXL_BIFF_UNSELECTED_SHEET:
    case FREEXL_BIFF_ILLEGAL_SHEET_INDEX:
        return QStringLiteral("a pasta de trabalho não tem planilhas");
    case FREEXL_UNSUPPORTED_CHARSET:
    case FREEXL_INVALID_CHARACTER:
        return QStringLiteral("a planilha usa uma codificação de caracteres que não é suportada");
    case FREEXL_CRAFTED_FILE:
        return QStringLiteral("o arquivo está danificado de forma suspeita e foi recusado");
    default:
        return QStringLiteral("o arquivo .xls está corrompido ou não é uma pasta de trabalho do Excel (código %1)")
            .arg(code);
    }
}

struct HandleCloser {
    void operator()(const void* handle) const { freexl_close(handle); }
};

// freexl's dates: "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS".
QString freexlDateText(const char* text, const RegionalSettings& regional)
{
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
    const size_t length = std::strlen(text);
    bool ok = false;
    if (length == 8)
        ok = std::sscanf(text, "%2d:%2d:%2d", &hour, &minute, &second) == 3;
    else if (length == 10)
        ok = std::sscanf(text, "%4d-%2d-%2d", &year, &month, &day) == 3;
    else if (length == 19)
        ok = std::sscanf(text, "%4d-%2d-%2d %2d:%2d:%2d", &year, &month, &day, &hour, &minute, &second) == 6;
    if (!ok)
        return QString::fromUtf8(text);
    return CellText::dateTimeText(year, month, day, hour, minute, second, regional);
}

} // namespace

Grid readXls(const QString& path, const QByteArray& content, const RegionalSettings& regional)
{
    // Read first: a password-protected workbook is refused before freexl decodes its noise.
    BiffSheet typed;
    try {
        if (const std::optional<QByteArray> stream = CompoundFile(content).stream(u"Workbook"))
            typed = readBiffSheet(*stream, regional);
    } catch (const ReadFailure&) {
        throw;
    } catch (const std::exception&) {
        // Records this reader cannot follow: freexl's own values are still better than nothing.
        typed = BiffSheet();
    }

    const QByteArray nativePath = QFile::encodeName(path);
    const void* raw = nullptr;
    const int opened = freexl_open(nativePath.constData(), &raw);
    std::unique_ptr<const void, HandleCloser> handle(raw);
    if (opened != FREEXL_OK)
        throw ReadFailure(freexlReason(opened));

    unsigned int password = 0;
    if (freexl_get_info(raw, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK && password == FREEXL_BIFF_OBFUSCATED)
        throw ReadFailure(QStringLiteral("a planilha está protegida por senha"));

    // freexl counts chart sheets among the sheets; the grid is the first worksheet's.
    if (const int selected = freexl_select_active_worksheet(raw, unsigned(typed.index)); selected != FREEXL_OK)
        throw ReadFailure(freexlReason(selected));
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (const int sized = freexl_worksheet_dimensions(raw, &rows, &columns); sized != FREEXL_OK)
        throw ReadFailure(freexlReason(sized));

    Grid grid(columns > 0 ? int(columns) : 1, rows > 0 ? int(rows) : 1);
    const QChar separator = regional.decimalSeparator();
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            const int got = freexl_get_cell_value(raw, r, c, &value);
            if (got != FREEXL_OK)
                throw ReadFailure(freexlReason(got));
            switch (value.type) {
            case FREEXL_CELL_INT:
                grid.setCell(c, int(r), CellText::numberText(value.value.int_value, separator));
                break;
            case FREEXL_CELL_DOUBLE:
                grid.setCell(c, int(r), CellText::numberText(value.value.double_value, separator));
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
                grid.setCell(c, int(r), QString::fromUtf8(value.value.text_value));
                break;
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                grid.setCell(c, int(r), freexlDateText(value.value.text_value, regional));
                break;
            default:
                break;
            }
        }
    }
    for (BiffCell& cell : typed.cells) {
        if (cell.row < grid.rowCount() && cell.column < grid.columnCount())
            grid.setCell(cell.column, cell.row, std::move(cell.text));
    }
    return grid;
}
