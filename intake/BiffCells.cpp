#include "BiffCells.h"

#include "CellText.h"
#include "LittleEndian.h"
#include "ReadFailure.h"

#include <cstring>
#include <unordered_map>

namespace {

// Record types of [MS-XLS] that carry what freexl leaves out.
enum : uint16_t {
    RecordBof = 0x0809,
    RecordEof = 0x000A,
    RecordFilePass = 0x002F,
    RecordDateMode = 0x0022,
    RecordFormat = 0x041E,
    RecordXf = 0x00E0,
    RecordBoundSheet = 0x0085,
    RecordNumber = 0x0203,
    RecordRk = 0x027E,
    RecordMulRk = 0x00BD,
    RecordFormula = 0x0006,
    RecordString = 0x0207,
    RecordContinue = 0x003C,
    RecordBoolErr = 0x0205,
};

constexpr uint16_t Biff8 = 0x0600;

class Stream {
public:
    explicit Stream(const QByteArray& data) : m_data(reinterpret_cast<const unsigned char*>(data.constData())), m_size(size_t(data.size())) {}

    struct Record {
        uint16_t type = 0;
        const unsigned char* data = nullptr;
        size_t size = 0;
    };

    void seek(size_t position) { m_position = position; }
    bool next(Record& record)
    {
        if (m_position + 4 > m_size)
            return false;
        record.type = uint16_t(m_data[m_position] | (m_data[m_position + 1] << 8));
        record.size = size_t(m_data[m_position + 2] | (m_data[m_position + 3] << 8));
        if (m_position + 4 + record.size > m_size)
            return false;
        record.data = m_data + m_position + 4;
        m_position += 4 + record.size;
        return true;
    }
    // The record after the current one, without moving past it.
    bool peek(Record& record)
    {
        const size_t saved = m_position;
        const bool ok = next(record);
        m_position = saved;
        return ok;
    }

private:
    const unsigned char* m_data;
    size_t m_size;
    size_t m_position = 0;
};

using LittleEndian::u16;
using LittleEndian::u32;

double rkValue(uint32_t rk)
{
    double value = 0.0;
    if (rk & 2) {
        value = double(int32_t(rk) >> 2);
    } else {
        const uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100.0 : value;
}

QString errorText(uint8_t code)
{
    switch (code) {
    case 0x00: return QStringLiteral("#NULL!");
    case 0x07: return QStringLiteral("#DIV/0!");
    case 0x0F: return QStringLiteral("#VALUE!");
    case 0x17: return QStringLiteral("#REF!");
    case 0x1D: return QStringLiteral("#NAME?");
    case 0x24: return QStringLiteral("#NUM!");
    case 0x2A: return QStringLiteral("#N/A");
    case 0x2B: return QStringLiteral("#GETTING_DATA");
    default: return QStringLiteral("#N/A");
    }
}

// Characters of an XLUnicodeString, which may go on in CONTINUE records, each of them starting
// with its own width flag.
class UnicodeReader {
public:
    void append(const unsigned char* data, size_t size, bool startsWithFlag)
    {
        m_segments.push_back(Segment{data, size, startsWithFlag});
    }
    QString read(size_t count, bool firstHighByte) const
    {
        QString text;
        text.reserve(qsizetype(count));
        bool high = firstHighByte;
        for (const Segment& segment : m_segments) {
            size_t at = 0;
            if (segment.startsWithFlag) {
                if (segment.size == 0)
                    continue;
                high = (segment.data[0] & 1) != 0;
                at = 1;
            }
            while (count > 0 && at + (high ? 2 : 1) <= segment.size) {
                text.append(QChar(char16_t(high ? u16(segment.data + at) : segment.data[at])));
                at += high ? 2 : 1;
                --count;
            }
            if (count == 0)
                break;
        }
        return text;
    }

private:
    struct Segment {
        const unsigned char* data;
        size_t size;
        bool startsWithFlag;
    };
    std::vector<Segment> m_segments;
};

QString shortUnicode(const unsigned char* data, size_t size)
{
    if (size < 3)
        return QString();
    UnicodeReader reader;
    reader.append(data + 3, size - 3, false);
    return reader.read(u16(data), (data[2] & 1) != 0);
}

} // namespace

BiffSheet readBiffSheet(const QByteArray& workbookStream, const RegionalSettings& regional)
{
    BiffSheet sheet;
    std::vector<BiffCell>& cells = sheet.cells;
    Stream stream(workbookStream);
    Stream::Record record;
    if (!stream.next(record) || record.type != RecordBof || record.size < 2 || u16(record.data) != Biff8)
        return sheet;

    bool date1904 = false;
    std::unordered_map<uint16_t, NumberFormatKind> codeKinds;
    std::vector<uint16_t> xfFormats;
    long long sheetOffset = -1;
    int sheets = 0;
    while (stream.next(record) && record.type != RecordEof) {
        switch (record.type) {
        case RecordFilePass:
            throw ReadFailure(QStringLiteral("a planilha está protegida por senha"));
        case RecordDateMode:
            if (record.size >= 2)
                date1904 = u16(record.data) == 1;
            break;
        case RecordFormat:
            if (record.size >= 5) {
                const QByteArray code = shortUnicode(record.data + 2, record.size - 2).toUtf8();
                codeKinds[u16(record.data)] =
                    CellText::classifyFormatCode(std::string_view(code.constData(), size_t(code.size())));
            }
            break;
        case RecordXf:
            if (record.size >= 4)
                xfFormats.push_back(u16(record.data + 2));
            break;
        case RecordBoundSheet:
            // The first sheet of worksheet type (0) in the order of the workbook.
            if (sheetOffset < 0 && record.size >= 6 && record.data[5] == 0) {
                sheetOffset = u32(record.data);
                sheet.index = sheets;
            }
            ++sheets;
            break;
        default:
            break;
        }
    }
    if (sheetOffset < 0)
        return sheet;

    std::vector<NumberFormatKind> xfKinds;
    xfKinds.reserve(xfFormats.size());
    for (uint16_t format : xfFormats) {
        const auto it = codeKinds.find(format);
        xfKinds.push_back(it != codeKinds.end() ? it->second : CellText::builtinFormatKind(format));
    }
    const auto number = [&](uint16_t row, uint16_t column, uint16_t xf, double value) {
        const NumberFormatKind kind = xf < xfKinds.size() ? xfKinds[xf] : NumberFormatKind::General;
        cells.push_back(BiffCell{row, column, CellText::valueText(value, kind, date1904, regional)});
    };

    stream.seek(size_t(sheetOffset));
    if (!stream.next(record) || record.type != RecordBof)
        return sheet;
    int depth = 1; // charts embedded in the sheet bring BOF..EOF blocks of their own
    while (depth > 0 && stream.next(record)) {
        if (record.type == RecordBof) {
            ++depth;
            continue;
        }
        if (record.type == RecordEof) {
            --depth;
            continue;
        }
        if (depth != 1 || record.size < 6)
            continue;
        const uint16_t row = u16(record.data);
        const uint16_t column = u16(record.data + 2);
        const uint16_t xf = u16(record.data + 4);
        switch (record.type) {
        case RecordNumber:
            if (record.size >= 14) {
                double value = 0.0;
                std::memcpy(&value, record.data + 6, sizeof value);
                number(row, column, xf, value);
            }
            break;
        case RecordRk:
            if (record.size >= 10)
                number(row, column, xf, rkValue(u32(record.data + 6)));
            break;
        case RecordMulRk:
            for (size_t at = 4, c = column; at + 6 <= record.size - 2; at += 6, ++c)
                number(row, uint16_t(c), u16(record.data + at), rkValue(u32(record.data + at + 2)));
            break;
        case RecordBoolErr:
            if (record.size >= 8) {
                cells.push_back(BiffCell{row, column,
                                         record.data[7] ? errorText(record.data[6])
                                                        : CellText::booleanText(record.data[6] != 0)});
            }
            break;
        case RecordFormula: {
            if (record.size < 14)
                break;
            const unsigned char* result = record.data + 6;
            if (u16(result + 6) != 0xFFFF) {
                double value = 0.0;
                std::memcpy(&value, result, sizeof value);
                number(row, column, xf, value);
                break;
            }
            switch (result[0]) {
            case 0: { // a text, in the STRING record that follows (after SHRFMLA or ARRAY, if any)
                Stream::Record next;
                while (stream.peek(next) && next.type != RecordString && next.type != RecordFormula
                       && next.type != RecordEof && next.type != RecordNumber && next.type != RecordRk)
                    stream.next(next);
                if (!stream.peek(next) || next.type != RecordString || next.size < 3)
                    break;
                stream.next(next);
                UnicodeReader reader;
                reader.append(next.data + 3, next.size - 3, false);
                Stream::Record more;
                while (stream.peek(more) && more.type == RecordContinue) {
                    stream.next(more);
                    reader.append(more.data, more.size, true);
                }
                cells.push_back(BiffCell{row, column, reader.read(u16(next.data), (next.data[2] & 1) != 0)});
                break;
            }
            case 1:
                cells.push_back(BiffCell{row, column, CellText::booleanText(result[2] != 0)});
                break;
            case 2:
                cells.push_back(BiffCell{row, column, errorText(result[2])});
                break;
            default: // an empty text
                cells.push_back(BiffCell{row, column, QString()});
                break;
            }
            break;
        }
        default:
            break;
        }
    }
    return sheet;
}
