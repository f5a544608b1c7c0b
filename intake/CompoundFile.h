#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

/// A Microsoft compound file (OLE2 / CFB), the container of .xls workbooks and of password
/// protected Office documents, read from memory. Only what the loader needs: the streams at the
/// root by name.
class CompoundFile {
public:
    /// Parses the header, the allocation tables and the directory. Throws ReadFailure when they
    /// are broken.
    explicit CompoundFile(const QByteArray& data);

    /// Whether a stream of that name (case-insensitive, as in the format) exists.
    bool hasStream(QStringView name) const;
    /// The content of a stream, or nothing when there is none of that name.
    std::optional<QByteArray> stream(QStringView name) const;

private:
    struct Entry {
        QString name;
        uint8_t type;
        uint32_t start;
        uint64_t size;
    };
    std::vector<uint32_t> chain(uint32_t start, const std::vector<uint32_t>& table) const;
    QByteArray readRegular(uint32_t start, uint64_t size) const;
    const Entry* find(QStringView name) const;

    QByteArray m_data; // shared with the caller's copy, not duplicated
    uint32_t m_sectorSize = 512;
    uint32_t m_miniSectorSize = 64;
    uint32_t m_miniCutoff = 4096;
    std::vector<uint32_t> m_fat;
    std::vector<uint32_t> m_miniFat;
    std::vector<Entry> m_entries;
    QByteArray m_miniStream;
};
