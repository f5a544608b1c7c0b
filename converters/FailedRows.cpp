#include "FailedRows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <map>

#include <xlsxwriter.h>

namespace {

// Limits of the xlsx format.
constexpr int kMaxColumns = 16384;
constexpr int kMaxRows = 1048576;

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

// Whether the text at `i` reads as an _xHHHH_ escape, which a reader would turn into one character.
bool startsEscape(const QString& text, qsizetype i)
{
    if (i + 6 >= text.size() || text.at(i) != u'_' || text.at(i + 1) != u'x' || text.at(i + 6) != u'_')
        return false;
    for (qsizetype k = 2; k < 6; ++k)
        if (!isHexDigit(text.at(i + k)))
            return false;
    return true;
}

QString escaped(char16_t code)
{
    return QStringLiteral("_x%1_").arg(QString::number(code, 16).toUpper().rightJustified(4, u'0'));
}

// Whether the character at `i` is written as an _xHHHH_ escape: one XML cannot carry (control
// characters, U+FFFE, U+FFFF, halves of surrogate pairs on their own), or an underscore that a reader
// would take for the start of an escape.
bool needsEscape(const QString& text, qsizetype i)
{
    const QChar c = text.at(i);
    const char16_t u = c.unicode();
    if (c.isSurrogate())
        return c.isHighSurrogate() ? !(i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                                   : !(i > 0 && text.at(i - 1).isHighSurrogate());
    return (u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFE || u == 0xFFFF ||
           (u == u'_' && startsEscape(text, i));
}

// The cell text as xlsx stores it, escapes written as Excel writes them, so that reading the cell
// back gives the text unchanged. Stops before the stored text would pass the cell limit, telling it
// through `cut`; a character and its escape are never split.
QByteArray storedText(const QString& text, bool* cut)
{
    *cut = false;
    bool plain = text.size() <= kXlsxCellTextLimit;
    for (qsizetype i = 0; plain && i < text.size(); ++i)
        plain = !needsEscape(text, i);
    if (plain)
        return text.toUtf8();

    QString out;
    out.reserve(text.size());
    qsizetype stored = 0; // UTF-16 units, never fewer than the characters libxlsxwriter counts
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        QString piece;
        if (needsEscape(text, i)) {
            piece = escaped(c.unicode());
        } else if (c.isHighSurrogate()) {
            piece = text.mid(i, 2);
            ++i;
        } else {
            piece = c;
        }
        if (stored + piece.size() > kXlsxCellTextLimit) {
            *cut = true;
            break;
        }
        stored += piece.size();
        out += piece;
    }
    return out.toUtf8();
}

QString cutNote(const QStringList& columns)
{
    if (columns.size() == 1)
        return QStringLiteral(" (o texto da coluna %1 foi cortado em %2 caracteres)")
            .arg(columns.first())
            .arg(kXlsxCellTextLimit);
    return QStringLiteral(" (os textos das colunas %1 foram cortados em %2 caracteres)")
        .arg(columns.join(QStringLiteral(", ")))
        .arg(kXlsxCellTextLimit);
}

// A new, empty file next to the target, with the permissions the target has or a new file gets.
QString createTemporary(const QFileInfo& target, QString* error)
{
    const QFileDevice::Permissions permissions =
        target.exists() ? target.permissions()
                        : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                              QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = target.absoluteDir().filePath(
            QStringLiteral(".%1.%2.tmp")
                .arg(target.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0')));
        QFile file(name);
        // The umask filters the permissions of a new file, as for any file the user creates.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, permissions)) {
            file.close();
            if (target.exists())
                QFile::setPermissions(name, permissions);
            return name;
        }
        if (!QFile::exists(name)) {
            *error = QStringLiteral("não foi possível criar um arquivo na pasta \"%1\": %2")
                         .arg(QDir::toNativeSeparators(target.absolutePath()), file.errorString());
            return {};
        }
    }
    *error = QStringLiteral("não foi possível criar um arquivo temporário na pasta \"%1\"")
                 .arg(QDir::toNativeSeparators(target.absolutePath()));
    return {};
}

} // namespace

bool saveFailedRows(const Grid& grid, const RunReport& report, bool titulos, const QString& fileName,
                    QString* error, int columnsRead)
{
    const QString shownName = QDir::toNativeSeparators(fileName);
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (fileName.isEmpty())
        return fail(QStringLiteral("nenhum arquivo foi informado"));
    const QFileInfo target(fileName);
    if (!target.absoluteDir().exists())
        return fail(
            QStringLiteral("a pasta \"%1\" não existe").arg(QDir::toNativeSeparators(target.absolutePath())));
    if (target.isDir())
        return fail(QStringLiteral("\"%1\" é uma pasta").arg(shownName));

    // With titles, row 0 is the title row and never a failed one; a report row outside the grid has
    // no cells to copy.
    const int firstDataRow = titulos ? 1 : 0;
    std::map<int, QString> failed;
    for (const RowReport& row : report.rows())
        if (row.outcome == RowOutcome::Failed && row.gridRow >= firstDataRow && row.gridRow < grid.rowCount())
            failed.emplace(row.gridRow, row.reason);

    const int motivoColumn = std::max(grid.columnCount(), columnsRead);
    if (motivoColumn >= kMaxColumns)
        return fail(
            QStringLiteral("a planilha tem %1 colunas, e um arquivo .xlsx comporta %2 com a coluna Motivo")
                .arg(grid.columnCount())
                .arg(kMaxColumns - 1));
    const bool withTitle = titulos && grid.rowCount() > 0;
    if (static_cast<long long>(failed.size()) + (withTitle ? 1 : 0) > kMaxRows)
        return fail(QStringLiteral("são %1 linhas com falha, mais do que um arquivo .xlsx comporta")
                        .arg(failed.size()));

    QString problem;
    const QString temporary = createTemporary(target, &problem);
    if (temporary.isEmpty())
        return fail(problem);

    const QByteArray temporaryName = QFile::encodeName(temporary);
    // Rows are written in order and flushed as they go, so that a large grid takes little memory.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(temporaryName.constData(), &options);
    lxw_worksheet* sheet = workbook ? workbook_add_worksheet(workbook, "Falhas") : nullptr;
    if (!sheet) {
        if (workbook)
            workbook_close(workbook);
        QFile::remove(temporary);
        return fail(QStringLiteral("a pasta de trabalho \"%1\" não pôde ser criada").arg(shownName));
    }
    // The cells stay text when the user retypes them, as "00123" or a date must stay for the next run.
    lxw_format* text = workbook_add_format(workbook);
    format_set_num_format(text, "@");
    worksheet_set_column(sheet, 0, static_cast<lxw_col_t>(motivoColumn), LXW_DEF_COL_WIDTH, text);

    lxw_error written = LXW_NO_ERROR;
    const auto put = [&](lxw_row_t row, int column, const QByteArray& value) {
        if (written == LXW_NO_ERROR && !value.isEmpty())
            written =
                worksheet_write_string(sheet, row, static_cast<lxw_col_t>(column), value.constData(), text);
    };
    lxw_row_t out = 0;
    bool cut = false;
    if (withTitle) {
        for (int c = 0; c < grid.columnCount(); ++c)
            put(out, c, storedText(grid.cell(c, 0), &cut));
        put(out, motivoColumn, QByteArrayLiteral("Motivo"));
        ++out;
    }
    for (const auto& [gridRow, reason] : failed) {
        QStringList cutColumns;
        for (int c = 0; c < grid.columnCount(); ++c) {
            put(out, c, storedText(grid.cell(c, gridRow), &cut));
            if (cut)
                cutColumns << RunReport::columnLetters(c);
        }
        put(out, motivoColumn,
            storedText(cutColumns.isEmpty() ? reason : reason + cutNote(cutColumns), &cut));
        ++out;
    }
    const lxw_error closed = workbook_close(workbook);
    if (written != LXW_NO_ERROR || closed != LXW_NO_ERROR) {
        QFile::remove(temporary);
        return fail(
            QStringLiteral("a gravação de \"%1\" falhou: %2")
                .arg(shownName, QString::fromUtf8(lxw_strerror(written != LXW_NO_ERROR ? written : closed))));
    }
    // A rename within one folder replaces the target at once: it never holds half a workbook.
    const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());
    if (std::rename(temporaryName.constData(), targetName.constData()) != 0) {
        const int cause = errno;
        QFile::remove(temporary);
        return fail(
            QStringLiteral("\"%1\" não pôde ser substituído: %2").arg(shownName, qt_error_string(cause)));
    }
    return true;
}
