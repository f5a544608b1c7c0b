#include "ConnectionSettings.h"

#include "Cp1252.h"
#include "UserError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ConnectionSettings {

QString readDatabaseName(const QString& folder)
{
    const QString absFolder = QDir(folder).absolutePath();
    const QString path = QDir(absFolder).filePath(iniFileName());
    const QFileInfo info(path);
    if (!info.exists())
        throw ConfigError(QStringLiteral("Arquivo \"%1\" não encontrado na pasta \"%2\".")
                              .arg(iniFileName(), QDir::toNativeSeparators(absFolder)));
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        throw ConfigError(QStringLiteral("Não foi possível ler o arquivo \"%1\" na pasta \"%2\": %3")
                              .arg(iniFileName(), QDir::toNativeSeparators(absFolder),
                                   info.isDir() ? QStringLiteral("é uma pasta") : file.errorString()));
    // Only the first line counts, so a large or binary file costs no more than its first line.
    QByteArray line;
    char buffer[4096];
    for (;;) {
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0)
            throw ConfigError(QStringLiteral("Não foi possível ler o arquivo \"%1\" na pasta \"%2\": %3")
                                  .arg(iniFileName(), QDir::toNativeSeparators(absFolder), file.errorString()));
        if (n == 0)
            break;
        const QByteArray chunk(buffer, static_cast<int>(n));
        const qsizetype end = [&] {
            const qsizetype cr = chunk.indexOf('\r');
            const qsizetype lf = chunk.indexOf('\n');
            if (cr < 0)
                return lf;
            if (lf < 0)
                return cr;
            return qMin(cr, lf);
        }();
        if (end >= 0) {
            line += chunk.left(end);
            break;
        }
        line += chunk;
    }
    return Cp1252::decode(line);
}

} // namespace ConnectionSettings
