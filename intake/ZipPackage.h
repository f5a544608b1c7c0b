#pragma once

#include <QByteArray>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// The entries of a zip package held in memory, for what orcus's zip reader does not offer:
/// inflating only the start of an entry, and a copy of the package with some entries replaced
/// (the other entries keep their compressed bytes as they are).
class ZipPackage {
public:
    /// Reads the central directory. Check isValid(): a package this class cannot follow (ZIP64,
    /// multi-disk, broken) is simply left to orcus.
    explicit ZipPackage(const QByteArray& data);

    bool isValid() const { return m_valid; }

    /// Up to `maximum` bytes from the start of an entry, inflated; nothing when the entry is
    /// missing or cannot be read.
    std::optional<std::string> prefix(std::string_view name, size_t maximum) const;

    /// The package with the content of each named entry replaced by `content` (stored, not
    /// compressed); nothing when the package is not valid.
    std::optional<QByteArray> replacing(const std::vector<std::string>& names, const QByteArray& content) const;

private:
    struct Entry {
        std::string name;
        uint16_t method = 0;
        uint32_t compressedSize = 0;
        uint32_t size = 0;
        uint32_t localOffset = 0;
        qsizetype directoryOffset = 0; // of its central directory record
        qsizetype directoryLength = 0;
    };
    const Entry* find(std::string_view name) const;

    QByteArray m_data;
    std::vector<Entry> m_entries;
    qsizetype m_directoryOffset = 0;
    bool m_valid = false;
};
