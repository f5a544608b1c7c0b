#pragma once

#include <QByteArray>
#include <QString>

/// Windows-1252, the ANSI code page the ERP's users work in. Qt has no codec for it of its own.
namespace Cp1252 {

/// Decodes Windows-1252 bytes. The five bytes the page leaves undefined map to the C1 control of
/// the same number, as Windows does.
QString decode(const char* data, qsizetype size);
inline QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }

/// Encodes text in Windows-1252; a character the page lacks becomes '?'.
QByteArray encode(const QString& text);

/// True when every character of the text exists in Windows-1252.
bool canEncode(const QString& text);

} // namespace Cp1252
