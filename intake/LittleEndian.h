#pragma once

#include <QByteArray>
#include <QtEndian>

#include <cstdint>

/// Little-endian integers of the binary workbook formats (zip, compound file, BIFF records). The
/// callers check the bounds before reading.
namespace LittleEndian {

inline uint16_t u16(const unsigned char* p) { return qFromLittleEndian<quint16>(p); }
inline uint32_t u32(const unsigned char* p) { return qFromLittleEndian<quint32>(p); }
inline uint16_t u16(const QByteArray& data, qsizetype at) { return qFromLittleEndian<quint16>(data.constData() + at); }
inline uint32_t u32(const QByteArray& data, qsizetype at) { return qFromLittleEndian<quint32>(data.constData() + at); }

} // namespace LittleEndian
