#include "ZipPackage.h"

#include "LittleEndian.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t LocalHeaderSignature = 0x04034b50;
constexpr uint32_t DirectorySignature = 0x02014b50;
constexpr uint32_t EndSignature = 0x06054b50;
constexpr uint16_t Stored = 0;
constexpr uint16_t Deflated = 8;

using LittleEndian::u16;
using LittleEndian::u32;

void put16(QByteArray& out, uint32_t v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void set32(QByteArray& out, qsizetype at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((v >> (8 * i)) & 0xFF);
}

} // namespace

ZipPackage::ZipPackage(const QByteArray& data) : m_data(data)
{
    // The end record sits in the last 64 KiB + 22 bytes, behind an optional comment.
    const qsizetype size = m_data.size();
    qsizetype end = -1;
    for (qsizetype at = size - 22; at >= 0 && at >= size - 22 - 65535; --at) {
        if (u32(m_data, at) == EndSignature) {
            end = at;
            break;
        }
    }
    if (end < 0)
        return;
    const uint16_t disk = u16(m_data, end + 4);
    const uint16_t directoryDisk = u16(m_data, end + 6);
    const uint16_t count = u16(m_data, end + 10);
    const uint32_t directorySize = u32(m_data, end + 12);
    const uint32_t directoryOffset = u32(m_data, end + 16);
    if (disk != 0 || directoryDisk != 0 || count == 0xFFFF || directoryOffset == 0xFFFFFFFF
        || qsizetype(directoryOffset) + qsizetype(directorySize) > end)
        return;

    qsizetype at = directoryOffset;
    for (uint16_t i = 0; i < count; ++i) {
        if (at + 46 > end || u32(m_data, at) != DirectorySignature)
            return;
        Entry entry;
        entry.method = u16(m_data, at + 10);
        entry.compressedSize = u32(m_data, at + 20);
        entry.size = u32(m_data, at + 24);
        const uint16_t nameLength = u16(m_data, at + 28);
        const uint16_t extraLength = u16(m_data, at + 30);
        const uint16_t commentLength = u16(m_data, at + 32);
        entry.localOffset = u32(m_data, at + 42);
        entry.directoryOffset = at;
        entry.directoryLength = 46 + nameLength + extraLength + commentLength;
        if (at + entry.directoryLength > end || entry.compressedSize == 0xFFFFFFFF || entry.size == 0xFFFFFFFF
            || entry.localOffset == 0xFFFFFFFF || qsizetype(entry.localOffset) + 30 > qsizetype(directoryOffset))
            return;
        entry.name.assign(m_data.constData() + at + 46, nameLength);
        m_entries.push_back(std::move(entry));
        at += m_entries.back().directoryLength;
    }
    m_directoryOffset = directoryOffset;
    m_valid = true;
}

const ZipPackage::Entry* ZipPackage::find(std::string_view name) const
{
    for (const Entry& entry : m_entries) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

std::optional<std::string> ZipPackage::prefix(std::string_view name, size_t maximum) const
{
    const Entry* entry = m_valid ? find(name) : nullptr;
    if (!entry || u32(m_data, entry->localOffset) != LocalHeaderSignature)
        return std::nullopt;
    const qsizetype dataStart =
        qsizetype(entry->localOffset) + 30 + u16(m_data, entry->localOffset + 26) + u16(m_data, entry->localOffset + 28);
    if (dataStart + qsizetype(entry->compressedSize) > m_data.size())
        return std::nullopt;
    const auto* compressed = reinterpret_cast<const Bytef*>(m_data.constData() + dataStart);

    std::string out;
    if (entry->method == Stored) {
        out.assign(reinterpret_cast<const char*>(compressed), std::min<size_t>(maximum, entry->compressedSize));
        return out;
    }
    if (entry->method != Deflated)
        return std::nullopt;
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    out.resize(std::min<size_t>(maximum, entry->size));
    stream.next_in = const_cast<Bytef*>(compressed);
    stream.avail_in = entry->compressedSize;
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    int status = Z_OK;
    while (stream.avail_out > 0 && status == Z_OK)
        status = inflate(&stream, Z_NO_FLUSH);
    const size_t produced = out.size() - stream.avail_out;
    inflateEnd(&stream);
    if (status != Z_OK && status != Z_STREAM_END)
        return std::nullopt;
    out.resize(produced);
    return out;
}

std::optional<QByteArray> ZipPackage::replacing(const std::vector<std::string>& names, const QByteArray& content) const
{
    if (!m_valid)
        return std::nullopt;
    // Each entry's bytes run from its local header to the next one's (data descriptors included).
    std::vector<uint32_t> starts;
    for (const Entry& entry : m_entries)
        starts.push_back(entry.localOffset);
    std::sort(starts.begin(), starts.end());
    const auto endOf = [&](uint32_t start) {
        const auto next = std::upper_bound(starts.begin(), starts.end(), start);
        return next == starts.end() ? m_directoryOffset : qsizetype(*next);
    };
    const uint32_t crc = uint32_t(crc32(0L, reinterpret_cast<const Bytef*>(content.constData()), uInt(content.size())));

    QByteArray out;
    out.reserve(m_data.size());
    QByteArray directory;
    for (const Entry& entry : m_entries) {
        const uint32_t offset = uint32_t(out.size());
        const bool replaced = std::find(names.begin(), names.end(), entry.name) != names.end();
        if (replaced) {
            put32(out, LocalHeaderSignature);
            put16(out, 20);
            put16(out, 0);
            put16(out, Stored);
            put16(out, 0);
            put16(out, 0x21);
            put32(out, crc);
            put32(out, uint32_t(content.size()));
            put32(out, uint32_t(content.size()));
            put16(out, uint32_t(entry.name.size()));
            put16(out, 0);
            out.append(entry.name.data(), qsizetype(entry.name.size()));
            out.append(content);

            put32(directory, DirectorySignature);
            put16(directory, 20);
            put16(directory, 20);
            put16(directory, 0);
            put16(directory, Stored);
            put16(directory, 0);
            put16(directory, 0x21);
            put32(directory, crc);
            put32(directory, uint32_t(content.size()));
            put32(directory, uint32_t(content.size()));
            put16(directory, uint32_t(entry.name.size()));
            put16(directory, 0);
            put16(directory, 0);
            put16(directory, 0);
            put16(directory, 0);
            put32(directory, 0);
            put32(directory, offset);
            directory.append(entry.name.data(), qsizetype(entry.name.size()));
        } else {
            out.append(m_data.constData() + entry.localOffset, endOf(entry.localOffset) - entry.localOffset);
            const qsizetype record = directory.size();
            directory.append(m_data.constData() + entry.directoryOffset, entry.directoryLength);
            set32(directory, record + 42, offset);
        }
    }
    const uint32_t directoryOffset = uint32_t(out.size());
    out.append(directory);
    put32(out, EndSignature);
    put16(out, 0);
    put16(out, 0);
    put16(out, uint32_t(m_entries.size()));
    put16(out, uint32_t(m_entries.size()));
    put32(out, uint32_t(directory.size()));
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
}
