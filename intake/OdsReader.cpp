#include "OdsReader.h"

#include "CellText.h"
#include "ReadFailure.h"
#include "SheetCells.h"

#include <orcus/sax_ns_parser.hpp>
#include <orcus/xml_namespace.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <charconv>
#include <optional>
#include <cmath>
#include <string>
#include <vector>

namespace {

using std::string_view;

constexpr string_view NsOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr string_view NsTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr string_view NsText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
// LibreOffice marks error results with calcext:value-type="error".
constexpr string_view NsCalcExt = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";

constexpr int SheetRows = 1048576;
constexpr int SheetColumns = 16384;
// LibreOffice fills the rest of a formatted row up to its historical last column, 1024, and the
// rest of a formatted column down to the last row: formatting that reaches those edges belongs to
// whole rows or columns, which do not make cells used, as in Excel.
constexpr int EdgeColumn = 1024;

bool is(orcus::xmlns_id_t ns, string_view uri) { return ns && string_view(ns) == uri; }

int repeatCount(string_view value, int limit)
{
    long long n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            break;
        n = n * 10 + (c - '0');
        if (n > limit)
            return limit;
    }
    return n < 1 ? 1 : int(n);
}

bool parseDouble(string_view text, double& out)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '+'))
        text.remove_prefix(1);
    return !text.empty() && std::from_chars(text.data(), text.data() + text.size(), out).ec == std::errc();
}

// "2024-01-15" or "2024-01-15T10:30:15.6", to the nearest second.
std::optional<QString> dateValueText(string_view text, const RegionalSettings& regional)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double second = 0.0;
    const char* p = text.data();
    const char* const end = p + text.size();
    auto number = [&](int& out) {
        const auto r = std::from_chars(p, end, out);
        if (r.ec != std::errc())
            return false;
        p = r.ptr;
        return true;
    };
    auto expect = [&](char c) {
        if (p >= end || *p != c)
            return false;
        ++p;
        return true;
    };
    if (!number(year) || !expect('-') || !number(month) || !expect('-') || !number(day))
        return std::nullopt;
    if (p < end && *p == 'T') {
        ++p;
        if (!number(hour) || !expect(':') || !number(minute) || !expect(':'))
            return std::nullopt;
        const auto r = std::from_chars(p, end, second);
        if (r.ec != std::errc())
            return std::nullopt;
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    const QDateTime moment =
        QDateTime(date, QTime(0, 0), Qt::UTC).addSecs(hour * 3600LL + minute * 60LL + std::llround(second));
    return CellText::dateTimeText(moment.date().year(), moment.date().month(), moment.date().day(),
                                  moment.time().hour(), moment.time().minute(), moment.time().second(), regional);
}

// An ODF duration ("PT10H30M00S", "P1DT2H"): a time of Excel's day zero, 1899-12-30, as a
// time-only value is shown.
std::optional<QString> timeValueText(string_view text, const RegionalSettings& regional)
{
    if (text.empty() || text.front() != 'P')
        return std::nullopt;
    double total = 0.0;
    bool inTime = false;
    const char* p = text.data() + 1;
    const char* const end = text.data() + text.size();
    while (p < end) {
        if (*p == 'T') {
            inTime = true;
            ++p;
            continue;
        }
        double amount = 0.0;
        const auto r = std::from_chars(p, end, amount);
        if (r.ec != std::errc() || r.ptr >= end)
            return std::nullopt;
        p = r.ptr;
        switch (*p++) {
        case 'D': total += amount * 86400.0; break;
        case 'H': total += amount * 3600.0; break;
        case 'M':
            if (!inTime)
                return std::nullopt; // months have no fixed length
            total += amount * 60.0;
            break;
        case 'S': total += amount; break;
        default: return std::nullopt;
        }
    }
    const QDateTime moment = QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC).addSecs(std::llround(total));
    return CellText::dateTimeText(moment.date().year(), moment.date().month(), moment.date().day(),
                                  moment.time().hour(), moment.time().minute(), moment.time().second(), regional);
}

struct StopParsing {};

class ContentHandler {
public:
    ContentHandler(SheetCells& cells, const RegionalSettings& regional) : m_cells(cells), m_regional(regional) {}

    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(string_view) {}
    void end_declaration(string_view) {}
    void attribute(string_view, string_view) {}

    void attribute(const orcus::sax_ns_parser_attribute& attr)
    {
        if (is(attr.ns, NsOffice)) {
            if (attr.name == "value-type")
                m_valueType.assign(attr.value);
            else if (attr.name == "value")
                m_value.assign(attr.value);
            else if (attr.name == "date-value")
                m_dateValue.assign(attr.value);
            else if (attr.name == "time-value")
                m_timeValue.assign(attr.value);
            else if (attr.name == "boolean-value")
                m_booleanValue.assign(attr.value);
            else if (attr.name == "string-value") {
                m_stringValue.assign(attr.value);
                m_hasStringValue = true;
            }
        } else if (is(attr.ns, NsTable)) {
            if (attr.name == "number-columns-repeated")
                m_columnsRepeated = repeatCount(attr.value, SheetColumns);
            else if (attr.name == "number-rows-repeated")
                m_rowsRepeated = repeatCount(attr.value, SheetRows);
            else if (attr.name == "style-name")
                m_styled = !attr.value.empty();
            else if (attr.name == "formula")
                m_formula = true;
        } else if (is(attr.ns, NsCalcExt)) {
            if (attr.name == "value-type" && attr.value == "error")
                m_error = true;
        } else if (is(attr.ns, NsText) && attr.name == "c") {
            m_spaceCount = repeatCount(attr.value, 1 << 16);
        }
    }

    void start_element(const orcus::sax_ns_parser_element& elem)
    {
        if (is(elem.ns, NsTable) && elem.name == "table") {
            ++m_tableDepth;
            if (m_tableDepth == 1)
                ++m_tablesSeen;
        } else if (inFirstTable()) {
            startInTable(elem);
        }
        clearAttributes();
    }

    void end_element(const orcus::sax_ns_parser_element& elem)
    {
        if (is(elem.ns, NsTable) && elem.name == "table") {
            --m_tableDepth;
            if (m_tableDepth == 0 && m_tablesSeen == 1)
                throw StopParsing{}; // the rest of the document is other sheets
            return;
        }
        if (!inFirstTable())
            return;
        if (is(elem.ns, NsTable)) {
            if (elem.name == "table-row")
                endRow();
            else if (elem.name == "table-cell" || elem.name == "covered-table-cell")
                endCell();
        } else if (is(elem.ns, NsOffice) && elem.name == "annotation") {
            if (m_annotationDepth > 0)
                --m_annotationDepth;
        } else if (is(elem.ns, NsText) && elem.name == "p") {
            if (m_inCell && m_annotationDepth == 0)
                m_inParagraph = false;
        }
    }

    void characters(string_view value, bool)
    {
        if (!m_inParagraph || m_annotationDepth > 0)
            return;
        // ODF collapses white space in paragraphs; deliberate blanks come as text:s.
        for (char c : value) {
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                if (!m_lastWasSpace)
                    m_text.push_back(' ');
                m_lastWasSpace = true;
            } else {
                m_text.push_back(c);
                m_lastWasSpace = false;
            }
        }
    }

private:
    bool inFirstTable() const { return m_tableDepth == 1 && m_tablesSeen == 1; }

    void clearAttributes()
    {
        m_valueType.clear();
        m_value.clear();
        m_dateValue.clear();
        m_timeValue.clear();
        m_booleanValue.clear();
        m_stringValue.clear();
        m_hasStringValue = false;
        m_columnsRepeated = 1;
        m_rowsRepeated = 1;
        m_styled = false;
        m_formula = false;
        m_error = false;
        m_spaceCount = 1;
    }

    void startInTable(const orcus::sax_ns_parser_element& elem)
    {
        if (is(elem.ns, NsTable)) {
            if (elem.name == "table-row") {
                m_rowRepeat = m_rowsRepeated;
                m_column = 0;
                m_rowCells.clear();
            } else if (elem.name == "table-cell" || elem.name == "covered-table-cell") {
                startCell();
            }
            return;
        }
        if (!m_inCell)
            return;
        if (is(elem.ns, NsOffice) && elem.name == "annotation") {
            ++m_annotationDepth;
            return;
        }
        if (m_annotationDepth > 0 || !is(elem.ns, NsText))
            return;
        if (elem.name == "p" || elem.name == "h") {
            if (m_paragraphs++ > 0)
                m_text.push_back('\n');
            m_inParagraph = true;
            m_lastWasSpace = false;
        } else if (elem.name == "s") {
            m_text.append(size_t(m_spaceCount), ' ');
            m_lastWasSpace = false;
        } else if (elem.name == "tab") {
            m_text.push_back('\t');
        } else if (elem.name == "line-break") {
            m_text.push_back('\n');
        }
    }

    void startCell()
    {
        m_inCell = true;
        m_cellRepeat = m_columnsRepeated;
        m_cellType = m_valueType;
        m_cellValue = m_value;
        m_cellDate = m_dateValue;
        m_cellTime = m_timeValue;
        m_cellBoolean = m_booleanValue;
        m_cellString = m_stringValue;
        m_cellHasString = m_hasStringValue;
        m_cellStyled = m_styled;
        m_cellFormula = m_formula;
        m_cellError = m_error;
        m_text.clear();
        m_paragraphs = 0;
    }

    std::optional<QString> cellText() const
    {
        const QString paragraphs = QString::fromUtf8(m_text.data(), qsizetype(m_text.size()));
        if (m_cellError)
            return paragraphs;
        double number = 0.0;
        if (m_cellType == "float" || m_cellType == "percentage") {
            if (parseDouble(m_cellValue, number))
                return CellText::numberText(number, m_regional.decimalSeparator());
            return paragraphs;
        }
        if (m_cellType == "currency") {
            if (parseDouble(m_cellValue, number))
                return CellText::currencyText(number, m_regional.decimalSeparator());
            return paragraphs;
        }
        if (m_cellType == "date") {
            if (auto text = dateValueText(m_cellDate, m_regional))
                return text;
            return paragraphs;
        }
        if (m_cellType == "time") {
            if (auto text = timeValueText(m_cellTime, m_regional))
                return text;
            return paragraphs;
        }
        if (m_cellType == "boolean")
            return CellText::booleanText(m_cellBoolean == "true" || m_cellBoolean == "1");
        if (m_cellType == "string")
            return m_cellHasString ? QString::fromUtf8(m_cellString.data(), qsizetype(m_cellString.size()))
                                   : paragraphs;
        // No type: strictly an empty cell, but writers that leave the type out still mean their text.
        if (!m_text.empty())
            return paragraphs;
        if (m_cellFormula)
            return QString();
        return std::nullopt;
    }

    void endCell()
    {
        if (!m_inCell)
            return;
        m_inCell = false;
        m_inParagraph = false;
        const int first = m_column;
        const int repeat = std::min(m_cellRepeat, SheetColumns - first);
        m_column = first + std::max(repeat, 0);
        if (repeat <= 0)
            return;
        if (std::optional<QString> text = cellText()) {
            m_rowCells.push_back(RowCell{first, repeat, std::move(*text), true});
        } else if (m_cellStyled && first + repeat < EdgeColumn) {
            m_rowCells.push_back(RowCell{first, repeat, QString(), false});
        }
    }

    void endRow()
    {
        const int first = m_row;
        const int repeat = std::min(m_rowRepeat, SheetRows - first);
        m_row = first + std::max(repeat, 0);
        if (repeat <= 0 || m_rowCells.empty())
            return;
        // A run down to the last row is the filler after the data: its formatting is a whole
        // column's, and values in it, if a writer put any, are taken once.
        const bool reachesBottom = first + repeat >= SheetRows;
        const int rows = reachesBottom ? 1 : repeat;
        const RowCell& last = m_rowCells.back();
        SheetCells::ensureFits(first + rows, std::max(m_cells.maxColumn() + 1, last.column + last.repeat));
        for (int r = 0; r < rows; ++r) {
            for (const RowCell& cell : m_rowCells) {
                if (!cell.hasValue && reachesBottom)
                    continue;
                for (int c = 0; c < cell.repeat; ++c) {
                    if (cell.hasValue)
                        m_cells.addText(first + r, cell.column + c, cell.text);
                    else
                        m_cells.addEmpty(first + r, cell.column + c);
                }
            }
        }
    }

    struct RowCell {
        int column;
        int repeat;
        QString text;
        bool hasValue;
    };

    SheetCells& m_cells;
    const RegionalSettings& m_regional;

    int m_tableDepth = 0;
    int m_tablesSeen = 0;
    int m_row = 0;
    int m_column = 0;
    int m_rowRepeat = 1;
    std::vector<RowCell> m_rowCells;

    // Attributes of the element being opened.
    std::string m_valueType, m_value, m_dateValue, m_timeValue, m_booleanValue, m_stringValue;
    bool m_hasStringValue = false;
    int m_columnsRepeated = 1;
    int m_rowsRepeated = 1;
    bool m_styled = false;
    bool m_formula = false;
    bool m_error = false;
    int m_spaceCount = 1;

    // The cell being read.
    bool m_inCell = false;
    int m_cellRepeat = 1;
    std::string m_cellType, m_cellValue, m_cellDate, m_cellTime, m_cellBoolean, m_cellString;
    bool m_cellHasString = false;
    bool m_cellStyled = false;
    bool m_cellFormula = false;
    bool m_cellError = false;
    std::string m_text;
    int m_paragraphs = 0;
    bool m_inParagraph = false;
    bool m_lastWasSpace = false;
    int m_annotationDepth = 0;
};

} // namespace

Grid readOds(const QByteArray& package, const RegionalSettings& regional)
{
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(package.constData()), size_t(package.size()));
    orcus::zip_archive archive(&stream);
    archive.load();

    std::vector<unsigned char> buffer;
    if (archive.read_file_entry("mimetype", buffer)) {
        const string_view mimetype(reinterpret_cast<const char*>(buffer.data()), buffer.size());
        if (mimetype.find("opendocument.spreadsheet") == string_view::npos)
            throw ReadFailure(QStringLiteral("o arquivo é um documento OpenDocument, mas não uma planilha"));
    }
    if (archive.read_file_entry("META-INF/manifest.xml", buffer)) {
        const string_view manifest(reinterpret_cast<const char*>(buffer.data()), buffer.size());
        if (manifest.find("encryption-data") != string_view::npos)
            throw ReadFailure(QStringLiteral("a planilha está protegida por senha"));
    }
    if (!archive.read_file_entry("content.xml", buffer))
        throw ReadFailure(QStringLiteral("o arquivo não tem o conteúdo de uma planilha (content.xml)"));

    SheetCells cells;
    ContentHandler handler(cells, regional);
    orcus::xmlns_repository repository;
    orcus::xmlns_context context = repository.create_context();
    orcus::sax_ns_parser<ContentHandler> parser(reinterpret_cast<const char*>(buffer.data()), buffer.size(), context,
                                                handler);
    try {
        parser.parse();
    } catch (const StopParsing&) {
    }
    std::vector<unsigned char>().swap(buffer);

    SheetCells::Context buildContext;
    buildContext.regional = &regional;
    return cells.build(buildContext);
}
