#pragma once

#include "Converter.h"

#include <memory>

class Query;

/// Suppliers and carriers, which share the table FORNECEDOR (a carrier's TIPO_CADASTRO is "T"):
/// each row with a name in column A becomes a FORNECEDOR row, found by its tax number and updated,
/// or appended under the next code of the one sequence both kinds draw from. The tax number is
/// stored punctuated as a CPF or a CNPJ; where the row has a postal code, street, district and city
/// come from the postal-code look-up.
class SupplierConverter : public Converter {
public:
    enum class Cadastro { Fornecedor, Transportadora };

    explicit SupplierConverter(Cadastro cadastro = Cadastro::Fornecedor);
    ~SupplierConverter() override;
    QString kind() const override;
    int columnsRead() const override { return 16; }
    QString closingSuffix() const override;
    QString noticeSuffix() const override;
    /// The look-ups only read; the row's one write is its INSERT or UPDATE.
    bool writesOneStatementPerRow() const override { return true; }
    void setUp(RunContext& context) override;
    void convertRow(RunContext& context, int row) override;

private:
    bool carriers() const { return m_cadastro == Cadastro::Transportadora; }
    int newCode();

    Cadastro m_cadastro;
    std::unique_ptr<Query> m_cdsCliente;
    std::unique_ptr<Query> m_cdsClienteCod;
    qint64 m_nextCode = 0; // 0: the maximum has not been read in this run
};
