#include "ULayoutImportacao.h"

#include "Dialogs.h"
#include "UserError.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfLayoutImportacao* fLayoutImportacao = nullptr;

namespace {

QFont tahoma(int pixels)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixels);
    return f;
}

} // namespace

TfLayoutImportacao::TfLayoutImportacao(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fLayoutImportacao"));
    setWindowTitle(QStringLiteral("Layout para imporação"));
    setFont(tahoma(11));
    resize(689, 465);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setFont(tahoma(13));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setPlainText(LayoutImportacao::texto().join(u'\n'));

    ButtonSalvarModelo = new QPushButton(QStringLiteral("Salvar modelo..."), this);
    ButtonSalvarModelo->setObjectName(QStringLiteral("ButtonSalvarModelo"));
    ButtonSalvarModelo->setAutoDefault(false);
    auto* menu = new QMenu(ButtonSalvarModelo);
    const struct {
        const char* objectName;
        QString caption;
        LayoutImportacao::Layout layout;
    } modelos[] = {
        {"ActionModeloProdutos", QStringLiteral("Produtos"), LayoutImportacao::Layout::Produtos},
        {"ActionModeloClientes", QStringLiteral("Clientes"), LayoutImportacao::Layout::Clientes},
        {"ActionModeloFornecedores", QStringLiteral("Fornecedores / Transportadoras"),
         LayoutImportacao::Layout::Fornecedores},
    };
    for (const auto& m : modelos) {
        QAction* action = menu->addAction(m.caption);
        action->setObjectName(QLatin1String(m.objectName));
        const LayoutImportacao::Layout layout = m.layout;
        connect(action, &QAction::triggered, this, [this, layout] { salvarModelo(layout); });
    }
    ButtonSalvarModelo->setMenu(menu);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 4, 6, 6);
    buttons->addStretch(1);
    buttons->addWidget(ButtonSalvarModelo);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);
}

TfLayoutImportacao::~TfLayoutImportacao()
{
    // The window may also go with its parent; the unit's pointer must not outlive it.
    if (fLayoutImportacao == this)
        fLayoutImportacao = nullptr;
}

void TfLayoutImportacao::salvarModelo(LayoutImportacao::Layout layout)
{
    const QString nome = layout == LayoutImportacao::Layout::Produtos ? QStringLiteral("modelo-produtos.xlsx")
                         : layout == LayoutImportacao::Layout::Clientes
                             ? QStringLiteral("modelo-clientes.xlsx")
                             : QStringLiteral("modelo-fornecedores.xlsx");
    QString fileName = Dialogs::saveFileName(this, QDir(QDir::currentPath()).filePath(nome),
                                             QStringLiteral("Pasta de Trabalho do Excel (*.xlsx)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".xlsx");
    try {
        LayoutImportacao::gravarModelo(layout, fileName);
    } catch (const UserError& e) {
        Dialogs::message(this, Dialogs::Kind::Error, e.message());
        return;
    }
    Dialogs::message(
        this, Dialogs::Kind::Information,
        QStringLiteral("Modelo gravado em \"%1\". Preencha a partir da segunda linha e carregue-o "
                       "com \"Planilha contém Títulos nas Colunas\" marcado.")
            .arg(QDir::toNativeSeparators(fileName)));
}
