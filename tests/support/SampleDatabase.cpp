#include "SampleDatabase.h"

#include "Database.h"

#include <QDir>
#include <QFile>

SampleDatabase::SampleDatabase(bool withSchema) : m_path(QDir(m_dir.path()).filePath(QStringLiteral("ERP.FDB")))
{
    Database::create(m_path, withSchema);
}

void SampleDatabase::writeIni(const QByteArray& content) const
{
    QFile ini(QDir(m_dir.path()).filePath(QStringLiteral("ConexaoFirebird.ini")));
    if (ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ini.write(content);
}
