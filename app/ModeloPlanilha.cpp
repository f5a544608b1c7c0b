#include "LayoutImportacao.h"
#include "UserError.h"

#include <QFile>
#include <algorithm>
#include <xlsxwriter.h>

namespace LayoutImportacao {

void gravarModelo(Layout layout, const QString& path)
{
    const QStringList titulos = colunas(layout);
    const char* aba = layout == Layout::Produtos   ? "Produtos"
                      : layout == Layout::Clientes ? "Clientes"
                                                   : "Fornecedores";
    const QByteArray arquivo = QFile::encodeName(path);
    lxw_workbook* workbook = workbook_new(arquivo.constData());
    if (!workbook)
        throw UserError(QStringLiteral("Não foi possível criar o modelo \"%1\".").arg(path));
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, aba);
    lxw_format* negrito = workbook_add_format(workbook);
    format_set_bold(negrito);
    format_set_bg_color(negrito, 0xDDEBF7);
    format_set_border(negrito, LXW_BORDER_THIN);
    for (int coluna = 0; coluna < titulos.size(); ++coluna) {
        const QByteArray titulo = titulos.at(coluna).toUtf8();
        worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(coluna), titulo.constData(), negrito);
        // Wide enough to read the title, without a 60-character column.
        const double largura = std::clamp(static_cast<double>(titulos.at(coluna).size()) + 2, 10.0, 40.0);
        worksheet_set_column(sheet, static_cast<lxw_col_t>(coluna), static_cast<lxw_col_t>(coluna), largura,
                             nullptr);
    }
    // The title row stays in sight while the sheet is filled in.
    worksheet_freeze_panes(sheet, 1, 0);
    const lxw_error fechado = workbook_close(workbook);
    if (fechado != LXW_NO_ERROR)
        throw UserError(QStringLiteral("Não foi possível gravar o modelo \"%1\": %2")
                            .arg(path, QString::fromUtf8(lxw_strerror(fechado))));
}

} // namespace LayoutImportacao
