#include "CompoundFile.h"

#include "LittleEndian.h"
#include "ReadFailure.h"

#include <cstring>

namespace {

constexpr uint32_t EndOfChain = 0xFFFFFFFE;
constexpr uint32_t FreeSector = 0xFFFFFFFF;
constexpr uint8_t StreamEntry = 2;
constexpr uint8_t RootEntry = 5;

using LittleEndian::u16;
using LittleEndian::u32;

ReadFailure broken() { return ReadFailure(QStringLiteral("a estrutura interna do arquivo está corrompida")); }

} // namespace

CompoundFile::CompoundFile(const QByteArray& data) : m_data(data)
{
    if (m_data.size() < 512 || std::memcmp(m_data.constData(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) != 0)
        throw broken();
    const uint16_t sectorShift = u16(m_data, 0x1E);
    const uint16_t miniShift = u16(m_data, 0x20);
    if ((sectorShift != 9 && sectorShift != 12) || miniShift > 12)
        throw broken();
    m_sectorSize = 1u << sectorShift;
    m_miniSectorSize = 1u << miniShift;
    m_miniCutoff = u32(m_data, 0x38);
    const uint32_t fatSectors = u32(m_data, 0x2C);
    const uint32_t firstDirectory = u32(m_data, 0x30);
    const uint32_t firstMiniFat = u32(m_data, 0x3C);
    const uint32_t miniFatSectors = u32(m_data, 0x40);
    uint32_t difat = u32(m_data, 0x44);
    const uint32_t difatSectors = u32(m_data, 0x48);

    const uint64_t sectorCount = (uint64_t(m_data.size()) + m_sectorSize - 1) / m_sectorSize;
    if (fatSectors > sectorCount || miniFatSectors > sectorCount || difatSectors > sectorCount)
        throw broken();

    // The sectors of the allocation table: 109 listed in the header, the rest in a chain.
    std::vector<uint32_t> fatList;
    for (int i = 0; i < 109 && fatList.size() < fatSectors; ++i)
        fatList.push_back(u32(m_data, 0x4C + i * 4));
    for (uint32_t n = 0; n < difatSectors && difat != EndOfChain && difat != FreeSector; ++n) {
        const qsizetype at = qsizetype(difat + 1) * m_sectorSize;
        if (at + m_sectorSize > m_data.size())
            throw broken();
        for (uint32_t i = 0; i + 1 < m_sectorSize / 4 && fatList.size() < fatSectors; ++i)
            fatList.push_back(u32(m_data, at + i * 4));
        difat = u32(m_data, at + m_sectorSize - 4);
    }
    for (uint32_t sector : fatList) {
        const qsizetype at = qsizetype(sector + 1) * m_sectorSize;
        if (sector >= sectorCount || at + m_sectorSize > m_data.size())
            throw broken();
        for (uint32_t i = 0; i < m_sectorSize / 4; ++i)
            m_fat.push_back(u32(m_data, at + i * 4));
    }

    const QByteArray directory = readRegular(firstDirectory, uint64_t(-1));
    for (qsizetype at = 0; at + 128 <= directory.size(); at += 128) {
        const uint16_t nameBytes = u16(directory, at + 0x40);
        const uint8_t type = uint8_t(directory.at(at + 0x42));
        Entry entry;
        entry.type = type;
        if (nameBytes >= 2 && nameBytes <= 64)
            entry.name = QString::fromUtf16(reinterpret_cast<const char16_t*>(directory.constData() + at),
                                            nameBytes / 2 - 1);
        entry.start = u32(directory, at + 0x74);
        entry.size = u32(directory, at + 0x78);
        if (m_sectorSize == 4096)
            entry.size |= uint64_t(u32(directory, at + 0x7C)) << 32;
        m_entries.push_back(std::move(entry));
    }
    if (m_entries.empty() || m_entries.front().type != RootEntry)
        throw broken();

    if (miniFatSectors > 0) {
        const QByteArray miniFat = readRegular(firstMiniFat, uint64_t(miniFatSectors) * m_sectorSize);
        for (qsizetype at = 0; at + 4 <= miniFat.size(); at += 4)
            m_miniFat.push_back(u32(miniFat, at));
        m_miniStream = readRegular(m_entries.front().start, m_entries.front().size);
    }
}

std::vector<uint32_t> CompoundFile::chain(uint32_t start, const std::vector<uint32_t>& table) const
{
    std::vector<uint32_t> sectors;
    uint32_t sector = start;
    while (sector != EndOfChain && sector != FreeSector) {
        // A chain longer than the table loops: the file is broken.
        if (sector >= table.size() || sectors.size() > table.size())
            throw broken();
        sectors.push_back(sector);
        sector = table[sector];
    }
    return sectors;
}

QByteArray CompoundFile::readRegular(uint32_t start, uint64_t size) const
{
    QByteArray out;
    for (uint32_t sector : chain(start, m_fat)) {
        const qsizetype at = qsizetype(sector + 1) * m_sectorSize;
        if (at >= m_data.size())
            throw broken();
        out.append(m_data.constData() + at, std::min<qsizetype>(m_sectorSize, m_data.size() - at));
        if (uint64_t(out.size()) >= size)
            break;
    }
    if (size != uint64_t(-1)) {
        if (uint64_t(out.size()) < size)
            throw broken();
        out.truncate(qsizetype(size));
    }
    return out;
}

const CompoundFile::Entry* CompoundFile::find(QStringView name) const
{
    for (const Entry& entry : m_entries) {
        if (entry.type == StreamEntry && entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

bool CompoundFile::hasStream(QStringView name) const { return find(name) != nullptr; }

std::optional<QByteArray> CompoundFile::stream(QStringView name) const
{
    const Entry* entry = find(name);
    if (!entry)
        return std::nullopt;
    if (entry->size >= m_miniCutoff)
        return readRegular(entry->start, entry->size);
    QByteArray out;
    for (uint32_t sector : chain(entry->start, m_miniFat)) {
        const qsizetype at = qsizetype(sector) * m_miniSectorSize;
        if (at + qsizetype(m_miniSectorSize) > m_miniStream.size())
            throw broken();
        out.append(m_miniStream.constData() + at, m_miniSectorSize);
        if (uint64_t(out.size()) >= entry->size)
            break;
    }
    if (uint64_t(out.size()) < entry->size)
        throw broken();
    out.truncate(qsizetype(entry->size));
    return out;
}
