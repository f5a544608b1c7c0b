#include "XlsxParts.h"

#include "SheetCells.h"
#include "ZipPackage.h"

#include "CellText.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <orcus/sax_parser.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <deque>
#include <map>
#include <string>

namespace {

using std::string_view;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Does the sheet hold a cell type orcus drops? Quick enough to run on every sheet.
bool needsWalk(string_view xml)
{
    size_t pos = 0;
    while ((pos = xml.find("t=", pos)) != string_view::npos) {
        const size_t quote = pos + 2;
        if (pos == 0 || !isSpace(xml[pos - 1]) || quote >= xml.size() || (xml[quote] != '"' && xml[quote] != '\'')) {
            pos += 2;
            continue;
        }
        const size_t close = xml.find(xml[quote], quote + 1);
        if (close == string_view::npos)
            return false;
        const string_view type = xml.substr(quote + 1, close - quote - 1);
        if (type == "inlineStr" || type == "e" || type == "b" || type == "d" || type == "str")
            return true;
        pos = close;
    }
    return false;
}

} // namespace

std::optional<std::pair<int, int>> sheetDimension(std::string_view xml)
{
    const string_view head = xml.substr(0, std::min<size_t>(xml.size(), 1 << 16));
    const size_t element = head.find("dimension");
    const size_t data = head.find("sheetData");
    if (element == string_view::npos || (data != string_view::npos && data < element))
        return std::nullopt;
    const size_t ref = head.find("ref=", element);
    if (ref == string_view::npos || ref + 5 >= head.size())
        return std::nullopt;
    const char quote = head[ref + 4];
    const size_t close = head.find(quote, ref + 5);
    if (close == string_view::npos)
        return std::nullopt;
    string_view corner = head.substr(ref + 5, close - ref - 5);
    if (const size_t colon = corner.find(':'); colon != string_view::npos)
        corner = corner.substr(colon + 1);
    int column = 0;
    int row = 0;
    size_t i = 0;
    for (; i < corner.size() && corner[i] >= 'A' && corner[i] <= 'Z'; ++i)
        column = column * 26 + (corner[i] - 'A' + 1);
    for (; i < corner.size() && corner[i] >= '0' && corner[i] <= '9'; ++i)
        row = row * 10 + (corner[i] - '0');
    if (i != corner.size() || column <= 0 || row <= 0 || column > 16384 || row > 1048576)
        return std::nullopt;
    return std::make_pair(column, row);
}

namespace {

// The attributes of the element being opened: orcus reports them before the element itself.
// Values point into the XML unless orcus had to decode entities, when they are kept here.
class AttributeBuffer {
public:
    void clear()
    {
        m_count = 0;
        if (!m_overflow.empty()) // clearing an empty deque still costs, once per element
            m_overflow.clear();
    }
    void add(string_view ns, string_view name, string_view value, bool transient)
    {
        if (m_count == Capacity)
            return; // sheet elements have a handful of attributes; the ones read here come first
        Entry& e = m_entries[m_count++];
        e.ns = ns;
        e.name = name;
        if (transient) {
            m_overflow.emplace_back(value);
            e.value = m_overflow.back();
        } else {
            e.value = value;
        }
    }
    /// An attribute without prefix, or with any prefix when `anyPrefix`.
    std::optional<string_view> find(string_view name, bool anyPrefix = false) const
    {
        for (size_t i = 0; i < m_count; ++i) {
            const Entry& e = m_entries[i];
            if (e.name == name && (anyPrefix ? !e.ns.empty() : e.ns.empty()))
                return e.value;
        }
        return std::nullopt;
    }

private:
    struct Entry {
        string_view ns;
        string_view name;
        string_view value;
    };
    static constexpr size_t Capacity = 16;
    Entry m_entries[Capacity];
    size_t m_count = 0;
    std::deque<std::string> m_overflow; // stable addresses for decoded values
};

class HandlerBase {
public:
    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(string_view) {}
    void end_declaration(string_view) {}
    void attribute(const orcus::sax::parser_attribute& attr)
    {
        m_attrs.add(attr.ns, attr.name, attr.value, attr.transient);
    }

protected:
    AttributeBuffer m_attrs;
};

// The plain SAX parser does not match closing tags with opening ones; a part whose elements do
// not nest is corrupt, and must be refused rather than read in part.
template<typename Handler>
class NestingCheck {
public:
    explicit NestingCheck(Handler& handler) : m_handler(handler) {}
    void doctype(const orcus::sax::doctype_declaration& d) { m_handler.doctype(d); }
    void start_declaration(string_view d) { m_handler.start_declaration(d); }
    void end_declaration(string_view d) { m_handler.end_declaration(d); }
    void attribute(const orcus::sax::parser_attribute& a) { m_handler.attribute(a); }
    void characters(string_view value, bool transient) { m_handler.characters(value, transient); }
    void start_element(const orcus::sax::parser_element& elem)
    {
        m_open.emplace_back(elem.ns);
        m_open.back() += ':';
        m_open.back() += elem.name;
        m_handler.start_element(elem);
    }
    void end_element(const orcus::sax::parser_element& elem)
    {
        if (m_open.empty() || m_open.back().size() != elem.ns.size() + 1 + elem.name.size() ||
            string_view(m_open.back()).substr(0, elem.ns.size()) != elem.ns ||
            string_view(m_open.back()).substr(elem.ns.size() + 1) != elem.name)
            throw orcus::sax::malformed_xml_error("mis-matching closing element.", elem.begin_pos);
        m_open.pop_back();
        m_handler.end_element(elem);
    }

private:
    Handler& m_handler;
    std::vector<std::string> m_open;
};

template<typename Handler>
void parseXml(const std::vector<unsigned char>& xml, Handler& handler)
{
    NestingCheck<Handler> checked(handler);
    orcus::sax_parser<NestingCheck<Handler>> parser(reinterpret_cast<const char*>(xml.data()), xml.size(), checked);
    parser.parse();
}

class WorkbookHandler : public HandlerBase {
public:
    void start_element(const orcus::sax::parser_element& elem)
    {
        if (elem.name == "workbookPr") {
            if (const auto v = m_attrs.find("date1904"))
                date1904 = *v == "1" || *v == "true";
        } else if (elem.name == "sheet") {
            const auto name = m_attrs.find("name");
            const auto id = m_attrs.find("id", true);
            if (name && id)
                sheets.emplace_back(std::string(*name), std::string(*id));
        }
        m_attrs.clear();
    }
    void end_element(const orcus::sax::parser_element&) {}
    void characters(string_view, bool) {}

    bool date1904 = false;
    std::vector<std::pair<std::string, std::string>> sheets; // name and relationship id, in tab order
};

class RelationshipsHandler : public HandlerBase {
public:
    struct Relationship {
        std::string type;
        std::string target;
    };
    void start_element(const orcus::sax::parser_element& elem)
    {
        if (elem.name == "Relationship") {
            const auto id = m_attrs.find("Id");
            const auto type = m_attrs.find("Type");
            const auto target = m_attrs.find("Target");
            if (id && type && target)
                byId[std::string(*id)] = Relationship{std::string(*type), std::string(*target)};
        }
        m_attrs.clear();
    }
    void end_element(const orcus::sax::parser_element&) {}
    void characters(string_view, bool) {}

    std::map<std::string, Relationship> byId;
};

bool endsWith(const std::string& text, string_view end)
{
    return text.size() >= end.size() && string_view(text).substr(text.size() - end.size()) == end;
}

class SharedStringsHandler : public HandlerBase {
public:
    void start_element(const orcus::sax::parser_element& elem)
    {
        if (elem.name == "si") {
            m_text.clear();
        } else if (elem.name == "rPh") {
            ++m_phonetic;
        } else if (elem.name == "t" && m_phonetic == 0) {
            m_inText = true;
        }
        m_attrs.clear();
    }
    void end_element(const orcus::sax::parser_element& elem)
    {
        if (elem.name == "si") {
            strings.push_back(ooxmlText(m_text));
        } else if (elem.name == "rPh") {
            --m_phonetic;
        } else if (elem.name == "t") {
            m_inText = false;
        }
    }
    void characters(string_view value, bool)
    {
        if (m_inText)
            m_text.append(value);
    }

    std::vector<QString> strings;

private:
    std::string m_text;
    int m_phonetic = 0;
    bool m_inText = false;
};

// An ISO 8601 date, date-time or time as t="d" cells store it.
QString isoDateText(const std::string& value, const RegionalSettings& regional)
{
    const QString text = QString::fromUtf8(value.data(), qsizetype(value.size())).trimmed();
    QDate date(1899, 12, 30);
    QString timePart;
    const qsizetype tee = text.indexOf(u'T');
    if (text.size() >= 10 && text.at(4) == u'-') {
        date = QDate::fromString(text.left(10), Qt::ISODate);
        if (tee > 0)
            timePart = text.mid(tee + 1);
    } else {
        timePart = text;
    }
    // A zone designator carries no meaning for the wall-clock value of a spreadsheet cell.
    if (timePart.endsWith(u'Z'))
        timePart.chop(1);
    const qsizetype zone = std::max(timePart.indexOf(u'+'), timePart.indexOf(u'-'));
    if (zone > 0)
        timePart.truncate(zone);
    QTime time(0, 0);
    if (!timePart.isEmpty())
        time = QTime::fromString(timePart, Qt::ISODateWithMs);
    if (!date.isValid() || !time.isValid())
        return text;
    QDateTime moment(date, QTime(time.hour(), time.minute(), time.second()), Qt::UTC);
    if (time.msec() >= 500)
        moment = moment.addSecs(1);
    return CellText::dateTimeText(moment.date().year(), moment.date().month(), moment.date().day(),
                                  moment.time().hour(), moment.time().minute(), moment.time().second(), regional);
}

// Walks a worksheet's cells. With an XlsxExtras it keeps only what orcus drops; with a
// SheetCells it takes every cell, for sheets orcus would read too slowly or not at all.
class SheetHandler : public HandlerBase {
public:
    SheetHandler(XlsxExtras& out, const RegionalSettings& regional) : m_out(&out), m_regional(regional) {}
    SheetHandler(SheetCells& cells, const RegionalSettings& regional) : m_cells(&cells), m_regional(regional) {}

    void start_element(const orcus::sax::parser_element& elem)
    {
        const string_view name = elem.name;
        if (name == "row") {
            const auto r = m_attrs.find("r");
            int row = 0;
            m_row = r && std::from_chars(r->data(), r->data() + r->size(), row).ec == std::errc() ? row - 1
                                                                                                   : m_row + 1;
            m_column = -1;
        } else if (name == "c") {
            const auto r = m_attrs.find("r");
            if (r) {
                int column = 0;
                for (char ch : *r) {
                    if (ch >= 'A' && ch <= 'Z')
                        column = column * 26 + (ch - 'A' + 1);
                    else if (ch >= 'a' && ch <= 'z')
                        column = column * 26 + (ch - 'a' + 1);
                    else if (ch != '$')
                        break;
                }
                m_column = column - 1;
            } else {
                ++m_column;
            }
            const auto t = m_attrs.find("t");
            m_type.assign(t ? *t : string_view());
            m_style = 0;
            if (const auto style = m_attrs.find("s"))
                std::from_chars(style->data(), style->data() + style->size(), m_style);
            m_inCell = true;
            m_hasFormula = m_arrayFormula = m_hasValue = m_hasInline = false;
            m_value.clear();
            m_inline.clear();
        } else if (m_inCell) {
            if (name == "f") {
                m_hasFormula = true;
                const auto type = m_attrs.find("t");
                m_arrayFormula = type && *type == "array";
            } else if (name == "v") {
                m_inValue = m_hasValue = true;
            } else if (name == "is") {
                m_inInline = m_hasInline = true;
            } else if (name == "rPh") {
                ++m_phonetic;
            } else if (name == "t" && m_inInline && m_phonetic == 0) {
                m_inText = true;
            }
        }
        m_attrs.clear();
    }

    void end_element(const orcus::sax::parser_element& elem)
    {
        const string_view name = elem.name;
        if (name == "v") {
            m_inValue = false;
        } else if (name == "t") {
            m_inText = false;
        } else if (name == "rPh") {
            --m_phonetic;
        } else if (name == "is") {
            m_inInline = false;
        } else if (name == "c") {
            finishCell();
            m_inCell = false;
        }
    }

    void characters(string_view value, bool)
    {
        if (m_inValue)
            m_value.append(value);
        else if (m_inText)
            m_inline.append(value);
    }

private:
    void finishCell()
    {
        if (m_cells) {
            takeCell();
            return;
        }
        if (m_type == "inlineStr") {
            if (m_hasInline)
                addCell(ooxmlText(m_inline));
        } else if (m_type == "e") {
            if (m_hasValue)
                addCell(ooxmlText(m_value));
        } else if (m_type == "b") {
            // A plain logical value reaches the grid through orcus; only formula results are lost.
            if (m_hasFormula && m_hasValue)
                addCell(CellText::booleanText(m_value == "1" || m_value == "true" || m_value == "TRUE"));
        } else if (m_type == "d") {
            if (m_hasValue)
                addCell(isoDateText(m_value, m_regional));
        } else if (m_type == "str") {
            // orcus keeps the text results of ordinary and shared formulas, not of array formulas.
            if ((!m_hasFormula || m_arrayFormula) && m_hasValue)
                addCell(ooxmlText(m_value));
        }
    }

    // Every kind of cell, given to the store the way orcus gives its own: the value, then the style.
    void takeCell()
    {
        bool taken = true;
        if (m_type == "s") {
            uint32_t index = 0;
            taken = m_hasValue && parsed(m_value, index);
            if (taken)
                m_cells->addSharedString(m_row, m_column, index);
        } else if (m_type == "inlineStr") {
            taken = m_hasInline;
            if (taken)
                m_cells->addText(m_row, m_column, ooxmlText(m_inline));
        } else if (m_type == "b") {
            taken = m_hasValue;
            if (taken)
                m_cells->addBoolean(m_row, m_column, m_value == "1" || m_value == "true" || m_value == "TRUE");
        } else if (m_type == "e" || m_type == "str") {
            taken = m_hasValue;
            if (taken)
                m_cells->addText(m_row, m_column, ooxmlText(m_value));
        } else if (m_type == "d") {
            taken = m_hasValue;
            if (taken)
                m_cells->addText(m_row, m_column, isoDateText(m_value, m_regional));
        } else {
            double number = 0.0;
            taken = m_hasValue && parsed(m_value, number);
            if (taken)
                m_cells->addNumber(m_row, m_column, number);
        }
        // A formula saved without its value still makes its cell used.
        if (!taken && m_hasFormula)
            m_cells->addEmpty(m_row, m_column);
        if (m_style != 0)
            m_cells->setFormat(m_row, m_column, m_style);
    }

    template<typename T>
    static bool parsed(const std::string& text, T& value)
    {
        const char* first = text.data();
        const char* last = first + text.size();
        while (first < last && (*first == ' ' || *first == '+'))
            ++first;
        while (last > first && last[-1] == ' ')
            --last;
        const auto result = std::from_chars(first, last, value);
        return first < last && result.ec == std::errc() && result.ptr == last;
    }

    void addCell(QString text) { m_out->cells.push_back(XlsxExtras::Cell{m_row, m_column, std::move(text)}); }

    XlsxExtras* m_out = nullptr;
    SheetCells* m_cells = nullptr;
    const RegionalSettings& m_regional;
    uint32_t m_style = 0;
    int m_row = -1;
    int m_column = -1;
    std::string m_type;
    std::string m_value;
    std::string m_inline;
    int m_phonetic = 0;
    bool m_inCell = false;
    bool m_inValue = false;
    bool m_inInline = false;
    bool m_inText = false;
    bool m_hasFormula = false;
    bool m_arrayFormula = false;
    bool m_hasValue = false;
    bool m_hasInline = false;
};

// A relationship target of xl/workbook.xml as a path inside the package.
std::string partPath(const std::string& target)
{
    std::string path = target.empty() || target[0] != '/' ? "xl/" + target : target.substr(1);
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        const std::string part = path.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty())
            joined += '/';
        joined += part;
    }
    return joined;
}

} // namespace

QString ooxmlText(std::string_view utf8)
{
    QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    if (utf8.find("_x") == std::string_view::npos)
        return text;
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        if (text.at(i) == u'_' && i + 6 < n && text.at(i + 1) == u'x' && text.at(i + 6) == u'_') {
            int code = 0;
            bool hex = true;
            for (int k = 2; k < 6 && hex; ++k) {
                const int h = hexValue(text.at(i + k));
                hex = h >= 0;
                code = code * 16 + h;
            }
            if (hex) {
                out += QChar(char16_t(code));
                i += 7;
                continue;
            }
        }
        out += text.at(i++);
    }
    return out;
}

XlsxWorkbook readXlsxWorkbook(const QByteArray& package)
{
    XlsxWorkbook info;
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(package.constData()), size_t(package.size()));
    orcus::zip_archive archive(&stream);
    archive.load();

    std::vector<unsigned char> buffer;
    if (!archive.read_file_entry("xl/workbook.xml", buffer))
        return info;
    WorkbookHandler workbook;
    parseXml(buffer, workbook);
    info.date1904 = workbook.date1904;

    RelationshipsHandler relationships;
    if (archive.read_file_entry("xl/_rels/workbook.xml.rels", buffer))
        parseXml(buffer, relationships);
    // Chart sheets and dialog sheets are tabs too, but hold no cells.
    for (const auto& [name, id] : workbook.sheets) {
        const auto it = relationships.byId.find(id);
        if (it == relationships.byId.end() || !endsWith(it->second.type, "/worksheet"))
            continue;
        if (info.firstSheetName.empty()) {
            info.firstSheetName = name;
            info.firstSheetPath = partPath(it->second.target);
            info.absoluteTargets = info.absoluteTargets || (!it->second.target.empty() && it->second.target[0] == '/');
        } else {
            info.otherSheetPaths.push_back(partPath(it->second.target));
        }
    }
    info.sharedStringsPath = "xl/sharedStrings.xml";
    for (const auto& [id, relationship] : relationships.byId) {
        if (endsWith(relationship.type, "/sharedStrings")) {
            info.sharedStringsPath = partPath(relationship.target);
            info.absoluteTargets = info.absoluteTargets || (!relationship.target.empty() && relationship.target[0] == '/');
        }
    }
    return info;
}

bool writtenByAStreamingWriter(std::string_view sheetStart)
{
    return sheetStart.find("t=\"inlineStr\"") != std::string_view::npos
        || sheetStart.find("t='inlineStr'") != std::string_view::npos;
}

std::optional<std::vector<QString>> readPhoneticSharedStrings(const QByteArray& package, const XlsxWorkbook& workbook,
                                                              bool always)
{
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(package.constData()), size_t(package.size()));
    orcus::zip_archive archive(&stream);
    archive.load();
    std::vector<unsigned char> buffer;
    if (!archive.read_file_entry(workbook.sharedStringsPath, buffer))
        return std::nullopt;
    const string_view xml(reinterpret_cast<const char*>(buffer.data()), buffer.size());
    if (!always && xml.find("rPh") == string_view::npos)
        return std::nullopt;
    SharedStringsHandler strings;
    parseXml(buffer, strings);
    return std::move(strings.strings);
}

XlsxExtras readXlsxExtras(const QByteArray& package, const XlsxWorkbook& workbook, const RegionalSettings& regional)
{
    XlsxExtras extras;
    extras.sharedStrings = readPhoneticSharedStrings(package, workbook);
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(package.constData()), size_t(package.size()));
    orcus::zip_archive archive(&stream);
    archive.load();
    std::vector<unsigned char> buffer;
    if (workbook.firstSheetPath.empty() || !archive.read_file_entry(workbook.firstSheetPath, buffer))
        return extras;
    if (needsWalk(string_view(reinterpret_cast<const char*>(buffer.data()), buffer.size()))) {
        SheetHandler sheet(extras, regional);
        parseXml(buffer, sheet);
    }
    return extras;
}

void readXlsxSheet(const QByteArray& package, const XlsxWorkbook& workbook, SheetCells& cells,
                   const RegionalSettings& regional)
{
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(package.constData()), size_t(package.size()));
    orcus::zip_archive archive(&stream);
    archive.load();
    std::vector<unsigned char> buffer;
    if (workbook.firstSheetPath.empty() || !archive.read_file_entry(workbook.firstSheetPath, buffer))
        return;
    SheetHandler sheet(cells, regional);
    parseXml(buffer, sheet);
}
