#include "GridCommand.h"

#include "WorkbookReader.h"

namespace {

void writeEscaped(const QString& text, QTextStream& out)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const char* escape = c == u'\t' ? "\\t" : c == u'\n' ? "\\n" : c == u'\r' ? "\\r" : c == u'\\' ? "\\\\" : nullptr;
        if (!escape)
            continue;
        out << QStringView(text).mid(start, i - start) << QLatin1String(escape);
        start = i + 1;
    }
    out << QStringView(text).mid(start);
}

} // namespace

void GridCommand::write(const Grid& grid, QTextStream& out)
{
    for (int row = 0; row < grid.rowCount(); ++row) {
        for (int col = 0; col < grid.columnCount(); ++col) {
            if (col > 0)
                out << u'\t';
            writeEscaped(grid.cell(col, row), out);
        }
        out << u'\n';
    }
}

int GridCommand::execute(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() != 1) {
        err << QStringLiteral("Uso: conversor ") << usage() << u'\n';
        return ExitStatus::Error;
    }
    const Grid grid = readWorkbook(arguments.first());
    write(grid, out);
    return ExitStatus::Ok;
}
