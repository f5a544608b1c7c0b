#include "ConverterKinds.h"

#include "CategoryConverter.h"

namespace ConverterKinds {

QStringList all()
{
    return {QStringLiteral("produtos"),        QStringLiteral("clientes"),   QStringLiteral("fornecedores"),
            QStringLiteral("transportadoras"), QStringLiteral("categorias"), QStringLiteral("servicos")};
}

std::unique_ptr<Converter> create(const QString& kind)
{
    if (kind == QStringLiteral("categorias"))
        return std::make_unique<CategoryConverter>();
    return nullptr;
}

} // namespace ConverterKinds
