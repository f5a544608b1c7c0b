#include "CommandLine.h"
#include "ULayoutImportacao.h"
#include "UPrincipal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>

#include <clocale>
#include <cstdio>

namespace {

// Qt sets the C library's locale from the environment; number parsing in the libraries below
// (workbook readers, the database client) must not follow it. The program reads the user's
// regional settings on its own, in one place.
void keepCNumbers() { std::setlocale(LC_NUMERIC, "C"); }

} // namespace

int main(int argc, char* argv[])
{
    // With arguments the program is the command line and needs no display.
    if (argc > 1) {
        QCoreApplication app(argc, argv);
        keepCNumbers();
        QTextStream out(stdout);
        QTextStream err(stderr);
        QStringList arguments = QCoreApplication::arguments();
        arguments.removeFirst();
        const int status = runCommandLine(arguments, out, err);
        out.flush();
        err.flush();
        return status;
    }
    QApplication app(argc, argv);
    keepCNumbers();
    QApplication::setApplicationName(QStringLiteral("conversor"));
    TForm3 form3;
    fLayoutImportacao = new TfLayoutImportacao(&form3);
    form3.show();
    return QApplication::exec();
}
