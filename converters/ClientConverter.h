#pragma once

#include "Converter.h"

#include <QHash>
#include <memory>
#include <optional>

class Query;

/// Clients: each row with a name in column A becomes a CLIENTE row, found by its CPF or CNPJ (by
/// its name when column C has no digit) and updated, or appended under the next client code. The
/// person type follows from the tax number's length; the city comes from the IBGE code of column
/// J, from the city and state names of columns K and L, or from the default city code.
class ClientConverter : public Converter {
public:
    ClientConverter();
    ~ClientConverter() override;
    QString kind() const override { return QStringLiteral("clientes"); }
    int columnsRead() const override { return 27; }
    QString closingSuffix() const override { return QStringLiteral(" Clientes Importados!"); }
    /// The look-ups only read; the row's one write is its INSERT or UPDATE.
    bool writesOneStatementPerRow() const override { return true; }
    void setUp(RunContext& context) override;
    void convertRow(RunContext& context, int row) override;

private:
    int newCode();
    /// COD_CIDADE for the row; nothing when the named city is not in CIDADE.
    std::optional<int> cityCode(const RunContext& context);

    std::unique_ptr<Query> m_cdsCliente;
    std::unique_ptr<Query> m_cdsClienteCod;
    std::unique_ptr<Query> m_cdsCidade;
    qint64 m_nextCode = 0; // 0: the maximum has not been read in this run
    QHash<QString, std::optional<int>> m_cities;
};
