#include "ConverterKinds.h"

#include "CategoryConverter.h"
#include "ClientConverter.h"
#include "SupplierConverter.h"
#include "ProductConverter.h"
#include "ServiceConverter.h"

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
    if (kind == QStringLiteral("clientes"))
        return std::make_unique<ClientConverter>();
    if (kind == QStringLiteral("fornecedores"))
        return std::make_unique<SupplierConverter>(SupplierConverter::Cadastro::Fornecedor);
    if (kind == QStringLiteral("transportadoras"))
        return std::make_unique<SupplierConverter>(SupplierConverter::Cadastro::Transportadora);
    if (kind == QStringLiteral("produtos"))
        return std::make_unique<ProductConverter>();
    if (kind == QStringLiteral("servicos"))
        return std::make_unique<ServiceConverter>();
    return nullptr;
}

} // namespace ConverterKinds
