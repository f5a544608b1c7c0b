#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

/// Builds workbook fixtures by hand, for the files other writers than libxlsxwriter produce.
namespace TestZip {

/// CRC-32 (ISO 3309), as zip entries carry it.
quint32 crc32(const QByteArray& data);

/// A zip archive of stored (uncompressed) entries with a central directory.
class Writer {
public:
    void add(const QString& name, const QByteArray& data);
    QByteArray bytes() const;
    /// Writes bytes() to a file; false when it cannot be written.
    bool save(const QString& path) const;

private:
    struct Entry {
        QByteArray name;
        QByteArray data;
    };
    std::vector<Entry> m_entries;
};

/// The parts of a hand-written xlsx package. Sheet XML is the content of <worksheet> (without the
/// element itself); shared strings the content of <sst>; styles the content of <styleSheet>.
struct XlsxParts {
    std::vector<QByteArray> sheets;
    QByteArray sharedStrings; ///< left out of the package when empty
    QByteArray styles;        ///< left out of the package when empty
    QByteArray workbookProperties; ///< e.g. <workbookPr date1904="1"/>
    bool strict = false;           ///< the namespaces of Strict Open XML instead of the transitional ones
    bool chartSheetFirst = false;  ///< a chart sheet as the first tab, before the worksheets
    QByteArray firstSheetName;     ///< name of the first worksheet, XML-escaped; "Plan1" when empty
    bool absoluteTargets = false;  ///< worksheets and shared strings named "/xl/...", as openpyxl does
};

/// An xlsx package of the given parts; sheets are named "Plan1", "Plan2"...
QByteArray xlsx(const XlsxParts& parts);

/// An OpenDocument spreadsheet whose <office:spreadsheet> holds `spreadsheetBody` and whose
/// <office:automatic-styles> holds `automaticStyles`; `manifestExtra` goes inside the manifest's
/// file entry of content.xml (encryption data, for instance).
QByteArray ods(const QByteArray& spreadsheetBody, const QByteArray& automaticStyles = QByteArray(),
               const QByteArray& manifestExtra = QByteArray());

/// A minimal compound file (OLE2) holding one stream of the given name, the way Office wraps an
/// encrypted package.
QByteArray compoundFile(const QString& streamName, const QByteArray& streamData);

} // namespace TestZip
