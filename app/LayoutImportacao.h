#pragma once

#include <QString>
#include <QStringList>

/// The spreadsheet layouts the help window explains, and blank workbooks laid out after them.
namespace LayoutImportacao {

/// The layouts of the help; suppliers and carriers share one.
enum class Layout { Produtos, Clientes, Fornecedores };

/// The help text, line by line (84 lines), exactly as the help window shows it.
QStringList texto();

/// What each column of a layout carries, from column A on, as the help names it.
QStringList colunas(Layout layout);

/// The layout named on the command line: "produtos", "clientes" or "fornecedores". False for any
/// other word.
bool layoutPorNome(const QString& nome, Layout* layout);

/// Writes an xlsx workbook whose first row holds the layout's column meanings, ready to be filled
/// in and loaded with the titles box ticked. Throws UserError when the file cannot be written.
void gravarModelo(Layout layout, const QString& path);

} // namespace LayoutImportacao
