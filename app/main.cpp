#include "CommandLine.h"
#include "UPrincipal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[])
{
    // With arguments the program is the command line and needs no display.
    if (argc > 1) {
        QCoreApplication app(argc, argv);
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
    QApplication::setApplicationName(QStringLiteral("conversor"));
    TForm3 form3;
    form3.show();
    return QApplication::exec();
}
