#include "WorkbookReader.h"

#include "CompoundFile.h"
#include "CsvReader.h"
#include "OdsReader.h"
#include "ReadFailure.h"
#include "XlsReader.h"
#include "XlsxReader.h"

#include <QFile>
#include <QFileInfo>

#include <orcus/exception.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <algorithm>
#include <new>
#include <string_view>
#include <vector>

namespace {

enum class Format { Xlsx, Ods, Xls, Csv };

QString detail(const char* what)
{
    const QString text = QString::fromUtf8(what).trimmed();
    return text.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(text);
}

Format zipFormat(const QByteArray& content)
{
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(content.constData()), size_t(content.size()));
    orcus::zip_archive archive(&stream);
    archive.load();
    bool hasContent = false;
    bool hasMimetype = false;
    bool hasBinaryWorkbook = false;
    for (size_t i = 0; i < archive.get_file_entry_count(); ++i) {
        const std::string_view name = archive.get_file_entry_name(i);
        if (name == "xl/workbook.xml") {
            // orcus 0.17 knows the transitional namespaces only: a Strict file would come out empty.
            std::vector<unsigned char> workbook;
            if (archive.read_file_entry(name, workbook)
                && std::string_view(reinterpret_cast<const char*>(workbook.data()), workbook.size())
                           .find("purl.oclc.org/ooxml/spreadsheetml") != std::string_view::npos)
                throw ReadFailure(QStringLiteral("planilhas no formato Strict Open XML não são suportadas; salve-a "
                                                 "como \"Pasta de Trabalho do Excel (.xlsx)\""));
            return Format::Xlsx;
        }
        hasBinaryWorkbook = hasBinaryWorkbook || name == "xl/workbook.bin";
        hasContent = hasContent || name == "content.xml";
        hasMimetype = hasMimetype || name == "mimetype";
    }
    if (hasContent && hasMimetype)
        return Format::Ods;
    if (hasBinaryWorkbook)
        throw ReadFailure(QStringLiteral("pastas de trabalho binárias do Excel (.xlsb) não são suportadas; "
                                         "salve a planilha como .xlsx"));
    throw ReadFailure(QStringLiteral("o arquivo compactado não contém uma planilha do Excel nem do OpenDocument"));
}

Format compoundFormat(const QByteArray& content)
{
    const CompoundFile file(content);
    // Office keeps a password-protected xlsx inside a compound file, encrypted.
    if (file.hasStream(u"EncryptedPackage") || file.hasStream(u"EncryptionInfo"))
        throw ReadFailure(QStringLiteral("a planilha está protegida por senha"));
    if (file.hasStream(u"Workbook") || file.hasStream(u"Book"))
        return Format::Xls;
    throw ReadFailure(QStringLiteral("o arquivo é um documento do Office, mas não uma pasta de trabalho do Excel"));
}

// Text, or a binary format nobody should feed to a spreadsheet loader.
Format textFormat(const QByteArray& content)
{
    if (content.startsWith("%PDF"))
        throw ReadFailure(QStringLiteral("o arquivo é um PDF, não uma planilha"));
    if (content.startsWith("\xFF\xFE") || content.startsWith("\xFE\xFF"))
        return Format::Csv; // UTF-16 text has zero bytes of its own
    const qsizetype sample = std::min<qsizetype>(content.size(), 64 * 1024);
    qsizetype controls = 0;
    for (qsizetype i = 0; i < sample; ++i) {
        const unsigned char c = static_cast<unsigned char>(content.at(i));
        if (c == 0)
            throw ReadFailure(QStringLiteral("o formato do arquivo não é reconhecido "
                                             "(esperava-se .xlsx, .xlsm, .xls, .ods ou .csv)"));
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A)
            ++controls;
    }
    if (controls * 100 > sample)
        throw ReadFailure(QStringLiteral("o formato do arquivo não é reconhecido "
                                         "(esperava-se .xlsx, .xlsm, .xls, .ods ou .csv)"));
    return Format::Csv;
}

Format detect(const QByteArray& content)
{
    if (content.startsWith("PK\x03\x04") || content.startsWith("PK\x05\x06"))
        return zipFormat(content);
    if (content.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return compoundFormat(content);
    return textFormat(content);
}

Grid readDetected(const QString& path, const QByteArray& content, const RegionalSettings& regional)
{
    switch (detect(content)) {
    case Format::Xlsx:
        return readXlsx(content, regional);
    case Format::Ods:
        return readOds(content, regional);
    case Format::Xls:
        return readXls(path, content, regional);
    case Format::Csv:
        break;
    }
    return Csv::read(content);
}

} // namespace

Grid readWorkbook(const QString& path, const RegionalSettings& regional)
{
    const auto failure = [&path](const QString& reason) {
        return WorkbookError(QStringLiteral("Não foi possível ler a planilha \"%1\": %2").arg(path, reason));
    };

    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw failure(QStringLiteral("o arquivo não existe"));
    if (info.isDir())
        throw failure(QStringLiteral("o caminho é uma pasta, não um arquivo"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw failure(file.error() == QFileDevice::PermissionsError
                          ? QStringLiteral("sem permissão para ler o arquivo")
                          : QStringLiteral("o arquivo não pôde ser aberto"));
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw failure(QStringLiteral("o arquivo não pôde ser lido até o fim"));
    file.close();
    if (content.isEmpty())
        throw failure(QStringLiteral("o arquivo está vazio"));

    try {
        return readDetected(path, content, regional);
    } catch (const ReadFailure& e) {
        throw failure(e.reason());
    } catch (const orcus::zip_error& e) {
        throw failure(QStringLiteral("o arquivo está corrompido ou incompleto") + detail(e.what()));
    } catch (const orcus::general_error& e) {
        throw failure(QStringLiteral("o conteúdo da planilha está corrompido") + detail(e.what()));
    } catch (const std::bad_alloc&) {
        throw failure(QStringLiteral("não há memória suficiente para carregar a planilha"));
    } catch (const std::exception& e) {
        throw failure(QStringLiteral("o conteúdo da planilha não pôde ser interpretado") + detail(e.what()));
    }
}
