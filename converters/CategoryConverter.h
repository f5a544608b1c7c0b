#pragma once

#include "Converter.h"

#include <memory>

class Query;

/// Product categories: each row with a code in column A becomes a CATEGORIA row (new when no
/// category has the code, its name updated when one has), with the trimmed name of column B.
class CategoryConverter : public Converter {
public:
    CategoryConverter();
    ~CategoryConverter() override;
    QString kind() const override { return QStringLiteral("categorias"); }
    int columnsRead() const override { return 2; }
    QString closingSuffix() const override { return QStringLiteral(" Categorias Importadas!"); }
    bool writesOneStatementPerRow() const override { return true; }
    void setUp(RunContext& context) override;
    void convertRow(RunContext& context, int row) override;

private:
    std::unique_ptr<Query> m_cdsCategoria;
};
