#include "CreateDatabaseCommand.h"

#include "Database.h"

#include <QFileInfo>

int CreateDatabaseCommand::execute(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() != 1 || arguments.first().startsWith(u'-')) {
        err << QStringLiteral("Uso: conversor ") << usage() << u'\n';
        return ExitStatus::Error;
    }
    QString path = arguments.first();
    // A local path is made absolute so that the message and the ini file name the real place;
    // a server-qualified path ("host:/path") is passed as given.
    const bool remote = path.indexOf(u':') > 1;
    if (!remote) {
        if (QFileInfo::exists(path)) {
            err << QStringLiteral("O arquivo \"%1\" já existe.\n").arg(path);
            return ExitStatus::Error;
        }
        path = QFileInfo(path).absoluteFilePath();
    }
    Database::create(path);
    out << QStringLiteral("Banco de dados criado: %1\n").arg(path);
    return ExitStatus::Ok;
}
