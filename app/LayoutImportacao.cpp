#include "LayoutImportacao.h"

#include <iterator>

namespace LayoutImportacao {

namespace {

// One column line of the help. The gap is the run of blanks before "OBS:" that lines the notes up
// in the memo's font; a line without a note may still end in blanks of its own.
struct Linha {
    const char16_t* letra;
    const char16_t* numero;
    const char16_t* significado;
    int lacuna;
    const char16_t* nota;
    int brancosNoFim = 0;
};

const Linha cProdutos[] = {
    {u"A", u"001", u"Código do Produto (*)", 21,
     u"Caso não tenha o código, deve-se criar a coluna e atribuir um número sequencial."},
    {u"B", u"002", u"Referencia – Código de Barras", 9,
     u"Caso não tenha informação, será atribuído o mesmo valor do código do produto."},
    {u"C", u"003", u"Nome do Produto (*)", 0, nullptr},
    {u"D", u"004", u"Valor de Venda", 32, u"Não é obrigatório, mas altamente recomendado."},
    {u"E", u"005", u"Código NCM", 37,
     u"Caso não tenha a informação será atribuido 99999999. Obrigatório caso for emitir NFE/NFCE."},
    {u"F", u"006", u"Valor de Custo", 0, nullptr},
    {u"G", u"007", u"Margem de Lucro", 29,
     u"Será calculado automaticamente caso os valores de venda e custos estejam informados."},
    {u"H", u"008", u"Unidade", 43, u"Será atribuido a unidade UN, caso não tiver essa informação."},
    {u"I", u"009", u"Código do Tipo de Tributação", 13, u"Tem que ser pré cadastrada no Sistema"},
    {u"J", u"010", u"Localização", 0, nullptr},
    {u"K", u"011", u"Saldo atual", 39,
     u"Para importação do saldo é necessário ir no Vandor, acessar o menu de Controle de "
     u"Estoque/Movimentação/Ajuste de Estoque/Novo [F3]  e  abrir a mesma planilha ao clicar no botão "
     u"\"Iimportar Saldo\""},
    {u"L", u"012", u"Categoria", 41,
     u"Será incluído a categoria no cadastro de categorias caso não exista (pesquisa pela descrição da "
     u"categoria)"},
    {u"M", u"013", u"Codigo do Fabricante", 0, nullptr},
    {u"N", u"014", u"Marca", 0, nullptr},
    {u"O", u"015", u"Peso Líquido", 0, nullptr},
    {u"P", u"016", u"Peso Bruto", 0, nullptr},
    {u"Q", u"017", u"Ativo/Inativo", 35, u"S para Ativo e N para Inativo"},
    {u"R", u"018", u"CST/CSOSN", 36, u"Se preenchido, tem que estar previamente cadastrado a tributação."},
    {u"S", u"019", u"CST PIS", 42,
     u"Se não for informado, irá buscar a informação padrão informada na tela de conversão."},
    {u"T", u"020", u"CST COFINS", 36,
     u"Se não for informado, irá buscar a informação padrão informada na tela de conversão."},
    {u"U", u"021", u"CEST", 47, u"Se não for informado, irá buscar baseado no NCM"},
    {u"V", u"022", u"Caminho imagem", 0, nullptr, 30},
    {u"W", u"023", u"Codigo do Fornecedor", 18,
     u"Deve existir o fornecedor com o mesmo ID já importado ou cadastrado"},
    {u"X", u"024", u"Complemento descrição 1", 14,
     u"Irá incluir no nome do produto exemplo: ROSA - Cor do Produto"},
    {u"Y", u"025", u"Complemento descricão 2", 13,
     u"Irá incluir no nome do produto exemplo: GG - Tamanho do produto"},
    {u"Z", u"026", u"Quantidade Estoque Mínimo", 9, u"Estoque recomendado"},
};

const Linha cClientes[] = {
    {u"A", u"001", u"Nome do Cliente - Razão Social (*)", 0, nullptr},
    {u"B", u"002", u"Nome Fantasia (*)", 35,
     u"Caso não tenha a informação, duplique a coluna de Razão Social."},
    {u"C", u"003", u"CPF ou CNPJ    (*)", 0, nullptr},
    {u"D", u"004", u"Inscrição Estadual ou ISENTO", 0, nullptr, 16},
    {u"E", u"005", u"CEP", 0, nullptr},
    {u"F", u"006", u"Endereço", 0, nullptr},
    {u"G", u"007", u"Numero", 0, nullptr},
    {u"H", u"008", u"Complemento de Endereço", 0, nullptr},
    {u"I", u"009", u"Bairro", 0, nullptr},
    {u"J", u"010", u"Codigo Ibge Cidade", 0, nullptr},
    {u"K", u"011", u"Cidade (Necessário se Codigo Ibge Cidade não preenchido)", 0, nullptr},
    {u"L", u"012", u"Estado (Necessário se Codigo Ibge Cidade não preenchido)", 0, nullptr},
    {u"M", u"013", u"Sexo", 0, nullptr},
    {u"N", u"014", u"Data Nascimento (formato AAAA-MM-DD)", 0, nullptr},
    {u"O", u"015", u"Telefone", 0, nullptr},
    {u"P", u"016", u"Fax", 0, nullptr},
    {u"Q", u"017", u"Profissão", 0, nullptr},
    {u"R", u"018", u"Contato", 0, nullptr},
    {u"S", u"019", u"Observacao", 0, nullptr},
    {u"T", u"020", u"Identidade", 0, nullptr},
    {u"U", u"021", u"Filiação", 0, nullptr},
    {u"V", u"022", u"CNPJ     (caso já não esteja na coluna (CNPJ/CPF)", 0, nullptr},
    {u"W", u"23", u"Email", 0, nullptr},
    {u"X", u"024", u"Data de Cadastro (formato AAAA-MM-DD)", 0, nullptr},
    {u"Y", u"025", u"Data de Última Compra (formato AAAA-MM-DD)", 0, nullptr},
    {u"Z", u"026", u"Apelido", 0, nullptr},
    {u"AA", u"027", u"Celular", 0, nullptr},
};

const Linha cFornecedores[] = {
    {u"A", u"001", u"Razão Social", 0, nullptr},
    {u"B", u"002", u"Nome Fantasia", 0, nullptr},
    {u"C", u"003", u"CPF ou CNPJ", 0, nullptr},
    {u"D", u"004", u"Inscrição Estadual ou ISENTO", 0, nullptr},
    {u"E", u"005", u"CEP", 0, nullptr},
    {u"F", u"006", u"Endereço", 0, nullptr},
    {u"G", u"007", u"Numero", 0, nullptr},
    {u"H", u"008", u"Complemento de Endereço", 0, nullptr},
    {u"I", u"009", u"Bairro", 0, nullptr},
    {u"J", u"010", u"Codigo Ibge Cidade", 0, nullptr},
    {u"K", u"011", u"Telefone", 0, nullptr},
    {u"L", u"012", u"Fax", 0, nullptr},
    {u"M", u"013", u"Contato", 0, nullptr},
    {u"N", u"014", u"Observação", 0, nullptr},
    {u"O", u"015", u"Email", 0, nullptr},
    {u"P", u"016", u"Data de Cadastro (formato AAAA-MM-DD)", 0, nullptr},
};

QString str(const char16_t* t)
{
    return QString::fromUtf16(t);
}

QString linha(const Linha& l, bool produtos)
{
    // The first two product lines carry an en dash; the help has always shown them so.
    const bool travessao = produtos && (str(l.letra) == u"A" || str(l.letra) == u"B");
    QString s = QStringLiteral("Coluna ") + str(l.letra) + u' ' + str(l.numero) + u' ' +
                (travessao ? u'\u2013' : u'-') + u' ' + str(l.significado);
    if (l.nota) {
        const bool saldo = produtos && str(l.letra) == u"K";
        s += QString(l.lacuna, u' ') + QStringLiteral("OBS:") + QString(saldo ? 2 : 1, u' ') + str(l.nota);
    }
    return s + QString(l.brancosNoFim, u' ');
}

template <std::size_t N>
void acrescentar(QStringList& out, const Linha (&linhas)[N], bool produtos, const char16_t* vazioDepoisDe)
{
    for (const Linha& l : linhas) {
        out << linha(l, produtos);
        if (vazioDepoisDe && str(l.letra) == str(vazioDepoisDe))
            out << QString();
    }
}

template <std::size_t N> QStringList significados(const Linha (&linhas)[N])
{
    QStringList out;
    for (const Linha& l : linhas)
        out << str(l.significado);
    return out;
}

} // namespace

QStringList texto()
{
    QStringList out;
    out << QStringLiteral("Importação de Dados para o Lumora através de Planilha do Excel") << QString();
    out << QStringLiteral("- Produtos") << QString();
    acrescentar(out, cProdutos, true, u"I");
    out << QString() << QString() << QString() << QString();
    out << QStringLiteral("- Clientes") << QString();
    acrescentar(out, cClientes, false, u"J");
    out << QString() << QString();
    out << QStringLiteral("- Fornecedores / Transportadoras");
    acrescentar(out, cFornecedores, false, nullptr);
    return out;
}

QStringList colunas(Layout layout)
{
    switch (layout) {
    case Layout::Produtos:
        return significados(cProdutos);
    case Layout::Clientes:
        return significados(cClientes);
    case Layout::Fornecedores:
        return significados(cFornecedores);
    }
    return {};
}

bool layoutPorNome(const QString& nome, Layout* layout)
{
    const struct {
        const char16_t* nome;
        Layout layout;
    } nomes[] = {{u"produtos", Layout::Produtos},
                 {u"clientes", Layout::Clientes},
                 {u"fornecedores", Layout::Fornecedores}};
    for (const auto& n : nomes) {
        if (nome == str(n.nome)) {
            *layout = n.layout;
            return true;
        }
    }
    return false;
}

} // namespace LayoutImportacao
