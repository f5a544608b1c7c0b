#pragma once

#include "Converter.h"

#include <memory>

class Query;

/// Services: products of type "S" in PRODUTO with their company-1 price row. A row without a code
/// in column A gets the next code of PRODUTO (products included); a row whose code exists is left
/// alone, and there is no look-up by name. With the services tab's "ajustar preços" set, existing
/// rows get their reference and prices rewritten instead.
class ServiceConverter : public Converter {
public:
    ServiceConverter();
    ~ServiceConverter() override;
    QString kind() const override { return QStringLiteral("servicos"); }
    int columnsRead() const override { return 26; }
    QString closingSuffix() const override { return QStringLiteral(" Serviços Importados!"); }
    void setUp(RunContext& context) override;
    void convertRow(RunContext& context, int row) override;

private:
    void insertService(RunContext& context, int code);
    void adjustService(RunContext& context, int code);

    std::unique_ptr<Query> m_cdsProduto;
    std::unique_ptr<Query> m_cdsPreco;
    // Set while a row is being converted; still set when the next row starts, the row ended by an
    // error and its writes were undone.
    bool m_rowOpen = false;
};
