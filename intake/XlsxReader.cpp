#include "XlsxReader.h"

#include "CellText.h"
#include "SheetCells.h"
#include "XlsxParts.h"
#include "ZipPackage.h"

#include <orcus/config.hpp>
#include <orcus/exception.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>

#include <atomic>
#include <cmath>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>

namespace ss = orcus::spreadsheet;
namespace iface = orcus::spreadsheet::iface;

namespace {

class SharedStrings final : public iface::import_shared_strings {
public:
    size_t append(std::string_view s) override
    {
        // Converted once here; every cell showing the string shares this copy.
        m_strings.push_back(ooxmlText(s));
        return m_strings.size() - 1;
    }
    size_t add(std::string_view s) override { return append(s); }
    void set_segment_font(size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void append_segment(std::string_view s) override { m_segments.append(s); }
    size_t commit_segments() override
    {
        const size_t id = append(m_segments);
        m_segments.clear();
        return id;
    }

    std::vector<QString>& strings() { return m_strings; }

private:
    std::vector<QString> m_strings;
    std::string m_segments;
};

// Only the number format of each cell format matters to the grid; the rest is acknowledged and
// dropped.
class Styles final : public iface::import_styles {
public:
    void set_font_count(size_t) override {}
    void set_font_bold(bool) override {}
    void set_font_italic(bool) override {}
    void set_font_name(std::string_view) override {}
    void set_font_size(double) override {}
    void set_font_underline(ss::underline_t) override {}
    void set_font_underline_width(ss::underline_width_t) override {}
    void set_font_underline_mode(ss::underline_mode_t) override {}
    void set_font_underline_type(ss::underline_type_t) override {}
    void set_font_underline_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void set_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void set_strikethrough_style(ss::strikethrough_style_t) override {}
    void set_strikethrough_type(ss::strikethrough_type_t) override {}
    void set_strikethrough_width(ss::strikethrough_width_t) override {}
    void set_strikethrough_text(ss::strikethrough_text_t) override {}
    size_t commit_font() override { return m_fonts++; }

    void set_fill_count(size_t) override {}
    void set_fill_pattern_type(ss::fill_pattern_t) override {}
    void set_fill_fg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void set_fill_bg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    size_t commit_fill() override { return m_fills++; }

    void set_border_count(size_t) override {}
    void set_border_style(ss::border_direction_t, ss::border_style_t) override {}
    void set_border_color(ss::border_direction_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                          ss::color_elem_t) override {}
    void set_border_width(ss::border_direction_t, double, orcus::length_unit_t) override {}
    size_t commit_border() override { return m_borders++; }

    void set_cell_hidden(bool) override {}
    void set_cell_locked(bool) override {}
    void set_cell_print_content(bool) override {}
    void set_cell_formula_hidden(bool) override {}
    size_t commit_cell_protection() override { return m_protections++; }

    void set_number_format_count(size_t) override {}
    void set_number_format_identifier(size_t id) override
    {
        m_formatId = id;
        m_hasFormatId = true;
    }
    void set_number_format_code(std::string_view s) override { m_formatCode.assign(s); }
    size_t commit_number_format() override
    {
        const size_t index = m_numberFormats++;
        // Without an id the format is referred to by its position.
        m_codeKinds[m_hasFormatId ? m_formatId : index] = CellText::classifyFormatCode(m_formatCode);
        m_hasFormatId = false;
        m_formatCode.clear();
        return index;
    }

    void set_cell_xf_count(size_t n) override { m_xfFormats.reserve(n); }
    void set_cell_style_xf_count(size_t) override {}
    void set_dxf_count(size_t) override {}
    void set_xf_font(size_t) override {}
    void set_xf_fill(size_t) override {}
    void set_xf_border(size_t) override {}
    void set_xf_protection(size_t) override {}
    void set_xf_number_format(size_t index) override { m_currentFormat = index; }
    void set_xf_style_xf(size_t) override {}
    void set_xf_apply_alignment(bool) override {}
    void set_xf_horizontal_alignment(ss::hor_alignment_t) override {}
    void set_xf_vertical_alignment(ss::ver_alignment_t) override {}
    size_t commit_cell_xf() override
    {
        m_xfFormats.push_back(m_currentFormat);
        m_currentFormat = 0;
        return m_xfFormats.size() - 1;
    }
    size_t commit_cell_style_xf() override
    {
        m_currentFormat = 0;
        return m_styleXfs++;
    }
    size_t commit_dxf() override
    {
        m_currentFormat = 0;
        return m_dxfs++;
    }

    void set_cell_style_count(size_t) override {}
    void set_cell_style_name(std::string_view) override {}
    void set_cell_style_xf(size_t) override {}
    void set_cell_style_builtin(size_t) override {}
    void set_cell_style_parent_name(std::string_view) override {}
    size_t commit_cell_style() override { return m_cellStyles++; }

    /// The number format kind of every cell format, by the xf index cells refer to.
    std::vector<NumberFormatKind> kinds() const
    {
        std::vector<NumberFormatKind> result;
        result.reserve(m_xfFormats.size());
        for (size_t id : m_xfFormats) {
            const auto it = m_codeKinds.find(id);
            // A code the workbook spells out wins over the built-in meaning of its id.
            result.push_back(it != m_codeKinds.end() ? it->second : CellText::builtinFormatKind(int(id)));
        }
        return result;
    }

private:
    std::unordered_map<size_t, NumberFormatKind> m_codeKinds;
    std::vector<size_t> m_xfFormats;
    std::string m_formatCode;
    size_t m_formatId = 0;
    bool m_hasFormatId = false;
    size_t m_currentFormat = 0;
    size_t m_numberFormats = 0;
    size_t m_fonts = 0, m_fills = 0, m_borders = 0, m_protections = 0;
    size_t m_styleXfs = 0, m_dxfs = 0, m_cellStyles = 0;
};

class GlobalSettings final : public iface::import_global_settings {
public:
    void set_origin_date(int year, int, int) override { m_date1904 = year == 1904; }
    void set_default_formula_grammar(ss::formula_grammar_t grammar) override { m_grammar = grammar; }
    ss::formula_grammar_t get_default_formula_grammar() const override { return m_grammar; }
    void set_character_set(orcus::character_set_t) override {}

    bool date1904() const { return m_date1904; }

private:
    ss::formula_grammar_t m_grammar = ss::formula_grammar_t::xlsx;
    bool m_date1904 = false;
};

// A1 references: orcus asks for one per cell, so no allocation and no exception on the way.
class ReferenceResolver final : public iface::import_reference_resolver {
public:
    ss::src_address_t resolve_address(std::string_view address) override
    {
        ss::src_address_t result{};
        bool hasColumn = false;
        bool hasRow = false;
        if (!parse(address, result, hasColumn, hasRow) || (!hasColumn && !hasRow))
            throw orcus::invalid_arg_error("invalid cell address: " + std::string(address));
        return result;
    }

    ss::src_range_t resolve_range(std::string_view range) override
    {
        const size_t colon = range.find(':');
        const std::string_view first = range.substr(0, colon);
        const std::string_view last = colon == std::string_view::npos ? first : range.substr(colon + 1);
        ss::src_range_t result{};
        bool firstColumn = false, firstRow = false, lastColumn = false, lastRow = false;
        if (!parse(first, result.first, firstColumn, firstRow) || !parse(last, result.last, lastColumn, lastRow)
            || (!firstColumn && !firstRow) || (!lastColumn && !lastRow))
            throw orcus::invalid_arg_error("invalid range: " + std::string(range));
        // Whole rows ("3:5") or whole columns ("A:C").
        if (!firstColumn)
            result.first.column = 0;
        if (!lastColumn)
            result.last.column = MaxColumn;
        if (!firstRow)
            result.first.row = 0;
        if (!lastRow)
            result.last.row = MaxRow;
        return result;
    }

private:
    static constexpr int MaxRow = 1048575;
    static constexpr int MaxColumn = 16383;

    static bool parse(std::string_view text, ss::src_address_t& out, bool& hasColumn, bool& hasRow)
    {
        const size_t bang = text.rfind('!');
        if (bang != std::string_view::npos)
            text = text.substr(bang + 1);
        size_t i = 0;
        const size_t n = text.size();
        if (i < n && text[i] == '$')
            ++i;
        int column = 0;
        while (i < n) {
            const char c = text[i];
            if (c >= 'A' && c <= 'Z')
                column = column * 26 + (c - 'A' + 1);
            else if (c >= 'a' && c <= 'z')
                column = column * 26 + (c - 'a' + 1);
            else
                break;
            if (column > MaxColumn + 1)
                return false;
            hasColumn = true;
            ++i;
        }
        if (i < n && text[i] == '$')
            ++i;
        int row = 0;
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            row = row * 10 + (text[i] - '0');
            if (row > MaxRow + 1)
                return false;
            hasRow = true;
            ++i;
        }
        if (i != n || (hasRow && row == 0))
            return false;
        out.sheet = 0;
        out.column = hasColumn ? column - 1 : 0;
        out.row = hasRow ? row - 1 : 0;
        return true;
    }
};

class FormulaResults final : public iface::import_formula {
public:
    explicit FormulaResults(SheetCells& cells) : m_cells(cells) {}

    void set_position(ss::row_t row, ss::col_t column) override
    {
        m_row = row;
        m_column = column;
        m_kind = Result::None;
    }
    void set_formula(ss::formula_grammar_t, std::string_view) override {}
    void set_shared_formula_index(size_t) override {}
    void set_result_string(std::string_view value) override
    {
        m_kind = Result::Text;
        m_text = ooxmlText(value);
    }
    void set_result_value(double value) override
    {
        // orcus reports a formula saved without its value as NaN.
        if (std::isnan(value)) {
            m_kind = Result::None;
            return;
        }
        m_kind = Result::Number;
        m_number = value;
    }
    void set_result_bool(bool value) override
    {
        m_kind = Result::Text;
        m_text = CellText::booleanText(value);
    }
    void set_result_empty() override { m_kind = Result::None; }
    void commit() override
    {
        switch (m_kind) {
        case Result::Number:
            m_cells.overrideNumber(m_row, m_column, m_number);
            break;
        case Result::Text:
            m_cells.overrideText(m_row, m_column, std::move(m_text));
            break;
        case Result::None:
            m_cells.overrideEmpty(m_row, m_column);
            break;
        }
        m_text.clear();
        m_kind = Result::None;
    }

private:
    enum class Result { None, Number, Text };
    SheetCells& m_cells;
    int m_row = 0;
    int m_column = 0;
    Result m_kind = Result::None;
    double m_number = 0.0;
    QString m_text;
};

class ArrayFormulaResults final : public iface::import_array_formula {
public:
    explicit ArrayFormulaResults(SheetCells& cells) : m_cells(cells) {}

    void set_range(const ss::range_t& range) override { m_first = range.first; }
    void set_formula(ss::formula_grammar_t, std::string_view) override {}
    // Results come by offset from the range's top-left cell.
    void set_result_string(ss::row_t row, ss::col_t column, std::string_view value) override
    {
        m_cells.overrideText(m_first.row + row, m_first.column + column, ooxmlText(value));
    }
    void set_result_value(ss::row_t row, ss::col_t column, double value) override
    {
        if (std::isnan(value))
            m_cells.overrideEmpty(m_first.row + row, m_first.column + column);
        else
            m_cells.overrideNumber(m_first.row + row, m_first.column + column, value);
    }
    void set_result_bool(ss::row_t row, ss::col_t column, bool value) override
    {
        m_cells.overrideText(m_first.row + row, m_first.column + column, CellText::booleanText(value));
    }
    void set_result_empty(ss::row_t row, ss::col_t column) override
    {
        m_cells.overrideEmpty(m_first.row + row, m_first.column + column);
    }
    void commit() override {}

private:
    SheetCells& m_cells;
    ss::address_t m_first{};
};

// The first worksheet: every value goes to the cell store.
class CollectedSheet final : public iface::import_sheet {
public:
    CollectedSheet(SheetCells& cells, const RegionalSettings& regional)
        : m_cells(cells), m_regional(regional), m_formulas(cells), m_arrays(cells)
    {
    }

    iface::import_formula* get_formula() override { return &m_formulas; }
    iface::import_array_formula* get_array_formula() override { return &m_arrays; }

    void set_auto(ss::row_t row, ss::col_t column, std::string_view s) override
    {
        m_cells.addText(row, column, ooxmlText(s));
    }
    void set_string(ss::row_t row, ss::col_t column, ss::string_id_t index) override
    {
        m_cells.addSharedString(row, column, index);
    }
    void set_value(ss::row_t row, ss::col_t column, double value) override { m_cells.addNumber(row, column, value); }
    void set_bool(ss::row_t row, ss::col_t column, bool value) override { m_cells.addBoolean(row, column, value); }
    void set_date_time(ss::row_t row, ss::col_t column, int year, int month, int day, int hour, int minute,
                       double second) override
    {
        QDateTime moment(QDate(year, month, day), QTime(hour, minute), Qt::UTC);
        moment = moment.addSecs(std::llround(second));
        m_cells.addText(row, column,
                        CellText::dateTimeText(moment.date().year(), moment.date().month(), moment.date().day(),
                                               moment.time().hour(), moment.time().minute(),
                                               moment.time().second(), m_regional));
    }
    void set_format(ss::row_t row, ss::col_t column, size_t xf) override
    {
        m_cells.setFormat(row, column, uint32_t(xf));
    }
    void set_format(ss::row_t rowStart, ss::col_t columnStart, ss::row_t rowEnd, ss::col_t columnEnd,
                    size_t xf) override
    {
        // A formatted block only widens the used area; its corners say as much as every cell.
        if (xf == 0)
            return;
        m_cells.setFormat(rowStart, columnStart, uint32_t(xf));
        m_cells.setFormat(rowEnd, columnEnd, uint32_t(xf));
    }
    void fill_down_cells(ss::row_t row, ss::col_t column, ss::row_t count) override
    {
        m_cells.fillDown(row, column, count);
    }
    ss::range_size_t get_sheet_size() const override { return ss::range_size_t{1048576, 16384}; }

private:
    SheetCells& m_cells;
    const RegionalSettings& m_regional;
    FormulaResults m_formulas;
    ArrayFormulaResults m_arrays;
};

// Every sheet after the first: orcus still parses them, and this takes their cells nowhere.
class IgnoredSheet final : public iface::import_sheet {
public:
    void set_auto(ss::row_t, ss::col_t, std::string_view) override {}
    void set_string(ss::row_t, ss::col_t, ss::string_id_t) override {}
    void set_value(ss::row_t, ss::col_t, double) override {}
    void set_bool(ss::row_t, ss::col_t, bool) override {}
    void set_date_time(ss::row_t, ss::col_t, int, int, int, int, int, double) override {}
    void set_format(ss::row_t, ss::col_t, size_t) override {}
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, size_t) override {}
    void fill_down_cells(ss::row_t, ss::col_t, ss::row_t) override {}
    ss::range_size_t get_sheet_size() const override { return ss::range_size_t{1048576, 16384}; }
};

class Factory final : public iface::import_factory {
public:
    /// `firstSheetName` is the sheet whose cells are kept; when empty, the first in tab order.
    Factory(SheetCells& cells, const RegionalSettings& regional, std::string firstSheetName)
        : m_firstName(std::move(firstSheetName)), m_first(cells, regional)
    {
    }

    iface::import_global_settings* get_global_settings() override { return &m_global; }
    iface::import_shared_strings* get_shared_strings() override { return &m_strings; }
    iface::import_styles* get_styles() override { return &m_styles; }
    iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t) override
    {
        return &m_resolver;
    }
    iface::import_sheet* append_sheet(ss::sheet_t index, std::string_view name) override
    {
        iface::import_sheet* sheet = &m_first;
        if (m_firstName.empty() ? index != 0 : name != m_firstName) {
            m_others.push_back(std::make_unique<IgnoredSheet>());
            sheet = m_others.back().get();
        }
        m_sheets.emplace_back(std::string(name), sheet);
        return sheet;
    }
    iface::import_sheet* get_sheet(std::string_view name) override
    {
        for (const auto& [sheetName, sheet] : m_sheets) {
            if (sheetName == name)
                return sheet;
        }
        return nullptr;
    }
    iface::import_sheet* get_sheet(ss::sheet_t index) override
    {
        return index >= 0 && size_t(index) < m_sheets.size() ? m_sheets[size_t(index)].second : nullptr;
    }
    void finalize() override {}

    SharedStrings& strings() { return m_strings; }
    const Styles& styles() const { return m_styles; }
    const GlobalSettings& global() const { return m_global; }

private:
    std::string m_firstName;
    SharedStrings m_strings;
    Styles m_styles;
    GlobalSettings m_global;
    ReferenceResolver m_resolver;
    CollectedSheet m_first;
    std::vector<std::unique_ptr<IgnoredSheet>> m_others;
    std::vector<std::pair<std::string, iface::import_sheet*>> m_sheets;
};

} // namespace

namespace {

// What orcus gets in place of the worksheets it need not read.
const QByteArray EmptyWorksheet = QByteArrayLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData/></worksheet>");

// Enough of a sheet's start to hold its <dimension> and its first rows.
constexpr size_t SheetStart = 256 * 1024;

void runOrcus(const QByteArray& package, Factory& factory)
{
    orcus::orcus_xlsx filter(&factory);
    orcus::config config(orcus::format_t::xlsx);
    config.debug = false;
    // Other writers than Excel nest elements in ways the strict check refuses though the values
    // are all there.
    config.structure_check = false;
    filter.set_config(config);
    filter.read_stream(std::string_view(package.constData(), size_t(package.size())));
}

// Runs `reader` here while `other` runs on the second core, then waits for both; a failure of
// either is thrown once both have stopped. `readerState` tells `other` how the reader is doing.
template<typename Reader, typename Other>
void inParallel(Reader reader, Other other, std::atomic<int>& readerState)
{
    std::exception_ptr otherFailure;
    std::thread thread([&] {
        try {
            other();
        } catch (...) {
            otherFailure = std::current_exception();
        }
    });
    try {
        reader();
    } catch (...) {
        readerState.store(SheetCells::ReaderFailed, std::memory_order_release);
        thread.join();
        throw;
    }
    readerState.store(SheetCells::ReaderDone, std::memory_order_release);
    thread.join();
    if (otherFailure)
        std::rethrow_exception(otherFailure);
}

} // namespace

Grid readXlsx(const QByteArray& package, const RegionalSettings& regional)
{
    const XlsxWorkbook workbook = readXlsxWorkbook(package);
    const ZipPackage zip(package);
    const std::optional<std::string> sheetStart =
        workbook.firstSheetPath.empty() ? std::nullopt : zip.prefix(workbook.firstSheetPath, SheetStart);
    // orcus would parse the other worksheets for nothing, and the first one too when it is walked
    // here: it gets a copy of the package where they are empty. Without that copy the first sheet
    // is left to orcus, which must then be the only one to fill the cells.
    std::optional<QByteArray> lighter;
    // The loader's own walker reads the cells of every sheet: orcus, given the cells too, takes about
    // twice as long on sheets stored with shared strings (as Excel writes them) and drops values.
    bool walkSheet = sheetStart.has_value();
    if (walkSheet) {
        std::vector<std::string> blanked = workbook.otherSheetPaths;
        blanked.push_back(workbook.firstSheetPath);
        lighter = zip.replacing(blanked, EmptyWorksheet);
        walkSheet = lighter.has_value();
    }
    if (!walkSheet && !workbook.otherSheetPaths.empty())
        lighter = zip.replacing(workbook.otherSheetPaths, EmptyWorksheet);
    const QByteArray& forOrcus = lighter ? *lighter : package;

    SheetCells cells;
    Factory factory(cells, regional, workbook.firstSheetName);
    // With the size the sheet announces, the grid is filled while the sheet is still being read.
    if (sheetStart) {
        if (const auto size = sheetDimension(*sheetStart))
            cells.startGrid(size->first, size->second);
    }
    const auto convertAhead = [&](const std::atomic<int>& readerState) {
        try {
            cells.convertAhead(regional.decimalSeparator(), readerState);
        } catch (...) {
            // Work ahead only; build() does whatever it did not get to.
        }
    };

    std::atomic<int> readerState{SheetCells::ReaderRunning};
    std::optional<std::vector<QString>> sharedStrings;
    if (walkSheet) {
        // The sheet is read here; orcus reads the shared strings and the styles on the other core,
        // which then turns the numbers into text.
        inParallel([&] { readXlsxSheet(package, workbook, cells, regional); },
                   [&] {
                       runOrcus(forOrcus, factory);
                       sharedStrings = readPhoneticSharedStrings(package, workbook, workbook.absoluteTargets);
                       convertAhead(readerState);
                   },
                   readerState);
    } else {
        // orcus reads the cells here; the other core collects what it drops, then turns orcus's
        // numbers into text as they come.
        XlsxExtras extras;
        inParallel([&] { runOrcus(forOrcus, factory); },
                   [&] {
                       extras = readXlsxExtras(package, workbook, regional);
                       for (const XlsxExtras::Cell& cell : extras.cells)
                           cells.presetText(cell.row, cell.column, cell.text);
                       convertAhead(readerState);
                   },
                   readerState);
        for (XlsxExtras::Cell& cell : extras.cells)
            cells.overrideText(cell.row, cell.column, std::move(cell.text));
        sharedStrings = std::move(extras.sharedStrings);
    }
    if (sharedStrings)
        factory.strings().strings() = std::move(*sharedStrings);

    const std::vector<NumberFormatKind> kinds = factory.styles().kinds();
    SheetCells::Context context;
    context.sharedStrings = &factory.strings().strings();
    context.styleKinds = &kinds;
    context.date1904 = workbook.date1904 || factory.global().date1904();
    context.regional = &regional;
    return cells.build(context);
}
