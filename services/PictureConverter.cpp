#include "PictureConverter.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

namespace {

// Where the extension starts, or -1: the last dot, when no folder delimiter follows it. The paths
// come from spreadsheets written on Windows, so "\" and ":" delimit as well as "/".
qsizetype extensionStart(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0)
        return -1;
    for (qsizetype i = dot + 1; i < path.size(); ++i) {
        const QChar c = path.at(i);
        if (c == u'\\' || c == u'/' || c == u':')
            return -1;
    }
    return dot;
}

QString readFailure(const QImageReader& reader)
{
    switch (reader.error()) {
    case QImageReader::FileNotFoundError:
        return QStringLiteral("arquivo não encontrado");
    case QImageReader::DeviceError:
        return QStringLiteral("erro ao ler o arquivo (%1)").arg(reader.errorString());
    case QImageReader::UnsupportedFormatError:
        return QStringLiteral("o arquivo não é um bitmap válido");
    case QImageReader::InvalidDataError:
        return QStringLiteral("dados de imagem inválidos");
    default:
        return reader.errorString();
    }
}

} // namespace

QString ConvertBMP_JPG(const QString& xFile, int Quality)
{
    const qsizetype dot = extensionStart(xFile);
    if (dot < 0 || QStringView(xFile).mid(dot).compare(u".bmp", Qt::CaseInsensitive) != 0)
        return xFile;
    QString target = xFile.left(dot) + QStringLiteral(".jpg");
    // An existing JPEG is taken as the conversion already done (or a picture the user keeps).
    if (QFileInfo::exists(target))
        return target;

    QImageReader reader(xFile, "BMP");
    const QImage bitmap = reader.read();
    if (bitmap.isNull())
        throw PictureError(
            QStringLiteral("Não foi possível ler a imagem \"%1\": %2").arg(xFile, readFailure(reader)));
    // RGB32 always: a grayscale or indexed bitmap would otherwise give a one-component JPEG.
    const QImage colour = bitmap.convertToFormat(QImage::Format_RGB32);

    // Written aside and renamed at the end, so that a failed write leaves no half JPEG that a later
    // call would take for a finished one.
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        throw PictureError(
            QStringLiteral("Não foi possível gravar a imagem \"%1\": %2").arg(target, file.errorString()));
    QImageWriter writer(&file, "JPEG");
    writer.setQuality(Quality);
    writer.setProgressiveScanWrite(false);
    if (!writer.write(colour)) {
        const QString reason = writer.errorString();
        file.cancelWriting();
        throw PictureError(QStringLiteral("Não foi possível gravar a imagem \"%1\": %2").arg(target, reason));
    }
    if (!file.commit())
        throw PictureError(
            QStringLiteral("Não foi possível gravar a imagem \"%1\": %2").arg(target, file.errorString()));
    return target;
}
