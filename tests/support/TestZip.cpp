#include "TestZip.h"

#include <QFile>

#include <array>

namespace TestZip {

namespace {

void put16(QByteArray& out, quint32 v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void set32(QByteArray& out, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((v >> (8 * i)) & 0xFF);
}

void set16(QByteArray& out, qsizetype at, quint32 v)
{
    out[at] = char(v & 0xFF);
    out[at + 1] = char((v >> 8) & 0xFF);
}

const QByteArray xmlHeader = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n");

} // namespace

quint32 crc32(const QByteArray& data)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : data)
        crc = table[(crc ^ quint8(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void Writer::add(const QString& name, const QByteArray& data) { m_entries.push_back(Entry{name.toUtf8(), data}); }

QByteArray Writer::bytes() const
{
    QByteArray out;
    QByteArray directory;
    for (const Entry& e : m_entries) {
        const quint32 offset = quint32(out.size());
        const quint32 crc = crc32(e.data);
        put32(out, 0x04034b50);
        put16(out, 20);     // version needed
        put16(out, 0x0800); // names in UTF-8
        put16(out, 0);      // stored
        put16(out, 0);      // time
        put16(out, 0x21);   // 1980-01-01
        put32(out, crc);
        put32(out, quint32(e.data.size()));
        put32(out, quint32(e.data.size()));
        put16(out, quint32(e.name.size()));
        put16(out, 0);
        out.append(e.name);
        out.append(e.data);

        put32(directory, 0x02014b50);
        put16(directory, 20);
        put16(directory, 20);
        put16(directory, 0x0800);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0x21);
        put32(directory, crc);
        put32(directory, quint32(e.data.size()));
        put32(directory, quint32(e.data.size()));
        put16(directory, quint32(e.name.size()));
        put16(directory, 0); // extra
        put16(directory, 0); // comment
        put16(directory, 0); // disk
        put16(directory, 0); // internal attributes
        put32(directory, 0); // external attributes
        put32(directory, offset);
        directory.append(e.name);
    }
    const quint32 directoryOffset = quint32(out.size());
    out.append(directory);
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint32(m_entries.size()));
    put16(out, quint32(m_entries.size()));
    put32(out, quint32(directory.size()));
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
}

bool Writer::save(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray data = bytes();
    return file.write(data) == data.size();
}

QByteArray xlsx(const XlsxParts& parts)
{
    const QByteArray mainNs = parts.strict ? QByteArrayLiteral("http://purl.oclc.org/ooxml/spreadsheetml/main")
                                           : QByteArrayLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
    const QByteArray relNs = parts.strict
        ? QByteArrayLiteral("http://purl.oclc.org/ooxml/officeDocument/relationships")
        : QByteArrayLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
    const QByteArray pkgRelNs = QByteArrayLiteral("http://schemas.openxmlformats.org/package/2006/relationships");

    QByteArray types = xmlHeader
        + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
          "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
          "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
          "<Override PartName=\"/xl/workbook.xml\" "
          "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>";
    QByteArray workbook = xmlHeader + "<workbook xmlns=\"" + mainNs + "\" xmlns:r=\"" + relNs + "\">"
        + parts.workbookProperties + "<sheets>";
    QByteArray rels = xmlHeader + "<Relationships xmlns=\"" + pkgRelNs + "\">";

    Writer zip;
    int id = 0;
    if (parts.chartSheetFirst) {
        ++id;
        types += "<Override PartName=\"/xl/chartsheets/sheet1.xml\" "
                 "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml\"/>";
        workbook += "<sheet name=\"Gr\xC3\xA1" "fico1\" sheetId=\"99\" r:id=\"rId" + QByteArray::number(id) + "\"/>";
        rels += "<Relationship Id=\"rId" + QByteArray::number(id)
            + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet\" "
              "Target=\"chartsheets/sheet1.xml\"/>";
        zip.add(QStringLiteral("xl/chartsheets/sheet1.xml"),
                xmlHeader + "<chartsheet xmlns=\"" + mainNs + "\" xmlns:r=\"" + relNs
                    + "\"><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews></chartsheet>");
    }
    for (size_t i = 0; i < parts.sheets.size(); ++i) {
        const QByteArray n = QByteArray::number(qulonglong(i + 1));
        ++id;
        types += "<Override PartName=\"/xl/worksheets/sheet" + n
            + ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        const QByteArray name = i == 0 && !parts.firstSheetName.isEmpty() ? parts.firstSheetName : "Plan" + n;
        workbook += "<sheet name=\"" + name + "\" sheetId=\"" + n + "\" r:id=\"rId" + QByteArray::number(id) + "\"/>";
        rels += "<Relationship Id=\"rId" + QByteArray::number(id)
            + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
              "Target=\"" + (parts.absoluteTargets ? "/xl/" : "") + "worksheets/sheet" + n + ".xml\"/>";
        zip.add(QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1),
                xmlHeader + "<worksheet xmlns=\"" + mainNs + "\" xmlns:r=\"" + relNs + "\">" + parts.sheets[i]
                    + "</worksheet>");
    }
    if (!parts.sharedStrings.isEmpty()) {
        ++id;
        types += "<Override PartName=\"/xl/sharedStrings.xml\" "
                 "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>";
        rels += "<Relationship Id=\"rId" + QByteArray::number(id)
            + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
              "Target=\"" + (parts.absoluteTargets ? "/xl/" : "") + "sharedStrings.xml\"/>";
        zip.add(QStringLiteral("xl/sharedStrings.xml"),
                xmlHeader + "<sst xmlns=\"" + mainNs + "\">" + parts.sharedStrings + "</sst>");
    }
    if (!parts.styles.isEmpty()) {
        ++id;
        types += "<Override PartName=\"/xl/styles.xml\" "
                 "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
        rels += "<Relationship Id=\"rId" + QByteArray::number(id)
            + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
              "Target=\"styles.xml\"/>";
        zip.add(QStringLiteral("xl/styles.xml"),
                xmlHeader + "<styleSheet xmlns=\"" + mainNs + "\">" + parts.styles + "</styleSheet>");
    }
    types += "</Types>";
    workbook += "</sheets></workbook>";
    rels += "</Relationships>";

    zip.add(QStringLiteral("[Content_Types].xml"), types);
    zip.add(QStringLiteral("_rels/.rels"),
            xmlHeader + "<Relationships xmlns=\"" + pkgRelNs
                + "\"><Relationship Id=\"rId1\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                  "Target=\"xl/workbook.xml\"/></Relationships>");
    zip.add(QStringLiteral("xl/workbook.xml"), workbook);
    zip.add(QStringLiteral("xl/_rels/workbook.xml.rels"), rels);
    return zip.bytes();
}

QByteArray ods(const QByteArray& spreadsheetBody, const QByteArray& automaticStyles, const QByteArray& manifestExtra)
{
    Writer zip;
    // The mimetype comes first and stored, as ODF requires.
    zip.add(QStringLiteral("mimetype"), QByteArrayLiteral("application/vnd.oasis.opendocument.spreadsheet"));
    zip.add(QStringLiteral("META-INF/manifest.xml"),
            xmlHeader
                + "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
                  "manifest:version=\"1.2\">"
                  "<manifest:file-entry manifest:full-path=\"/\" "
                  "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>"
                  "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\">"
                + manifestExtra + "</manifest:file-entry></manifest:manifest>");
    zip.add(QStringLiteral("content.xml"),
            xmlHeader
                + "<office:document-content "
                  "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                  "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
                  "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                  "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                  "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" "
                  "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                  "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" "
                  "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\" "
                  "office:version=\"1.2\"><office:automatic-styles>"
                + automaticStyles + "</office:automatic-styles><office:body><office:spreadsheet>"
                + spreadsheetBody + "</office:spreadsheet></office:body></office:document-content>");
    return zip.bytes();
}

QByteArray compoundFile(const QString& streamName, const QByteArray& streamData)
{
    constexpr quint32 EndOfChain = 0xFFFFFFFE;
    constexpr quint32 Free = 0xFFFFFFFF;
    constexpr quint32 FatSector = 0xFFFFFFFD;
    // Padded past the mini stream cutoff so that the stream lives in ordinary sectors.
    QByteArray data = streamData;
    if (data.size() < 4096)
        data.append(QByteArray(4096 - data.size(), '\0'));
    const quint32 dataSectors = quint32((data.size() + 511) / 512);

    QByteArray header(512, '\0');
    const QByteArray signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.replace(0, 8, signature);
    set16(header, 0x18, 0x3E);
    set16(header, 0x1A, 3);
    set16(header, 0x1C, 0xFFFE);
    set16(header, 0x1E, 9);
    set16(header, 0x20, 6);
    set32(header, 0x2C, 1);          // one FAT sector
    set32(header, 0x30, 1);          // directory at sector 1
    set32(header, 0x38, 4096);
    set32(header, 0x3C, EndOfChain); // no mini FAT
    set32(header, 0x44, EndOfChain); // no DIFAT sectors
    set32(header, 0x4C, 0);          // the FAT is sector 0
    for (int i = 1; i < 109; ++i)
        set32(header, 0x4C + i * 4, Free);

    QByteArray fat(512, '\0');
    for (int i = 0; i < 128; ++i)
        set32(fat, i * 4, Free);
    set32(fat, 0, FatSector);
    set32(fat, 4, EndOfChain);
    for (quint32 s = 0; s < dataSectors; ++s)
        set32(fat, qsizetype(2 + s) * 4, s + 1 == dataSectors ? EndOfChain : 3 + s);

    QByteArray directory(512, '\0');
    const auto entry = [&](int index, const QString& name, quint8 type, quint32 child, quint32 start, quint32 size) {
        const qsizetype at = index * 128;
        for (qsizetype i = 0; i < name.size(); ++i)
            set16(directory, at + i * 2, name.at(i).unicode());
        set16(directory, at + 0x40, quint32((name.size() + 1) * 2));
        directory[at + 0x42] = char(type);
        directory[at + 0x43] = 1;
        set32(directory, at + 0x44, Free);
        set32(directory, at + 0x48, Free);
        set32(directory, at + 0x4C, child);
        set32(directory, at + 0x74, start);
        set32(directory, at + 0x78, size);
    };
    entry(0, QStringLiteral("Root Entry"), 5, 1, EndOfChain, 0);
    entry(1, streamName, 2, Free, 2, quint32(data.size()));
    for (int i = 2; i < 4; ++i) {
        set32(directory, i * 128 + 0x44, Free);
        set32(directory, i * 128 + 0x48, Free);
        set32(directory, i * 128 + 0x4C, Free);
    }

    data.append(QByteArray(qsizetype(dataSectors) * 512 - data.size(), '\0'));
    return header + fat + directory + data;
}

} // namespace TestZip
